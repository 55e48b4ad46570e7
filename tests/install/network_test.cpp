// The connectivity result from prepared route and interface facts.
#include <gtest/gtest.h>

#include <cwchar>

#include "platform/network_state.h"
#include "support/log_capture.h"
#include "utils/check_network.h"

namespace {

const char kRoutes[] =
    "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\t\tMTU\tWindow\tIRTT\n"
    "eth0\t00000000\t010011AC\t0003\t0\t0\t0\t00000000\t0\t0\t0\n"
    "eth0\t000011AC\t00000000\t0001\t0\t0\t0\t0000FFFF\t0\t0\t0\n";
const char kRoutesNoDefault[] =
    "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\t\tMTU\tWindow\tIRTT\n"
    "eth0\t000011AC\t00000000\t0001\t0\t0\t0\t0000FFFF\t0\t0\t0\n"
    "lo\t00000000\t00000000\t0001\t0\t0\t0\t00000000\t0\t0\t0\n";
const char kV6Routes[] =
    "fe800000000000000000000000000000 40 00000000000000000000000000000000 00 "
    "00000000000000000000000000000000 00000100 00000001 00000000 00000001     eth0\n"
    "00000000000000000000000000000000 00 00000000000000000000000000000000 00 "
    "fe800000000000000000000000000001 00000400 00000001 00000000 00000003     eth0\n";
const char kV6RejectOnly[] =
    "00000000000000000000000000000000 00 00000000000000000000000000000000 00 "
    "00000000000000000000000000000000 ffffffff 00000001 00000000 00200200       lo\n"
    "00000000000000000000000000000000 00 00000000000000000000000000000000 00 "
    "00000000000000000000000000000000 ffffffff 00000001 00000000 00000201     eth0\n";

TEST(NetworkState, DefaultRoutesFromTheRouteTables) {
  EXPECT_TRUE(platform::HasIpv4DefaultRoute(kRoutes));
  EXPECT_FALSE(platform::HasIpv4DefaultRoute(kRoutesNoDefault));
  EXPECT_FALSE(platform::HasIpv4DefaultRoute(""));
  EXPECT_TRUE(platform::HasIpv6DefaultRoute(kV6Routes));
  EXPECT_FALSE(platform::HasIpv6DefaultRoute(kV6RejectOnly));
  EXPECT_FALSE(platform::HasIpv6DefaultRoute("garbage line\n"));
}

TEST(CheckNetwork, ResultFromFacts) {
  struct Case {
    const char* name;
    platform::NetworkFacts facts;
    int32_t result;
    const wchar_t* line;  // expected diagnostic line, or nullptr
  } cases[] = {
      {"Unmeasurable", {false, true, true, true, true}, 0, nullptr},
      {"NoAdapter", {true, false, false, false, false}, 65536, L"GetConnectivity 0"},
      {"Ipv4Internet", {true, true, false, true, false}, 0x40 | 0x2, nullptr},
      {"DualStackInternet", {true, true, true, true, true}, 0x40 | 0x400, nullptr},
      {"Ipv6InternetOnly", {true, false, true, false, true}, 0x1 | 0x400, nullptr},
      {"LocalNetworkOnly", {true, false, false, true, false}, 131072 + (0x20 | 0x2), L"get_IsConnectedToInternet:0"},
      {"RouteWithoutInterface", {true, true, false, false, false}, 65536, L"GetConnectivity 0"},
  };
  for (const Case& c : cases) {
    testsupport::LogCapture capture;
    EXPECT_EQ(Utils::CheckNetwork(c.facts), c.result) << c.name;
    if (c.line != nullptr) {
      ASSERT_EQ(capture.Lines().size(), 1u) << c.name;
      EXPECT_EQ(capture.Count(L"(Utils::CheckNetwork)"), 1u);
      const std::wstring line = capture.Lines()[0];
      EXPECT_EQ(line.substr(line.size() - std::wcslen(c.line)), c.line) << c.name;
    } else {
      EXPECT_TRUE(capture.Lines().empty()) << c.name;
    }
  }
}

TEST(CheckNetwork, ReadsThisComputersFacts) {
  // Whatever the machine's network, the result is one of the documented shapes.
  int32_t result = Utils::CheckNetwork();
  int32_t status = result >> 16;
  EXPECT_TRUE(status == 0 || status == 1 || status == 2);
  if (status == 1) {
    EXPECT_EQ(result & 0xFFFF, 0);
  }
}

}  // namespace
