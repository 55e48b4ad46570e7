#include "utils/check_network.h"

#include "app/log.h"

namespace Utils {

int32_t CheckNetwork() { return CheckNetwork(platform::ReadNetworkFacts()); }

int32_t CheckNetwork(const platform::NetworkFacts& facts) {
  if (!facts.available) return 0;  // nothing known: treated as connected
  platform::Connectivity c = platform::DecideConnectivity(facts);
  int32_t flags = static_cast<int32_t>(c.flags & 0xFFFF);
  int32_t status = kNetworkInternet;
  if (flags == 0) {
    MIRELO_LOG_NOEOL(L"Utils::CheckNetwork", L"GetConnectivity %d", flags);
    status = kNetworkDisconnected;
  } else if (!c.internet) {
    MIRELO_LOG_NOEOL(L"Utils::CheckNetwork", L"get_IsConnectedToInternet:%d", 0);
    status = kNetworkNoInternet;
  }
  return (status << 16) | flags;
}

}  // namespace Utils
