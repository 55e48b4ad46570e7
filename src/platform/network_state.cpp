#include "platform/network_state.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>

#include <string>
#include <vector>

#include "platform/files.h"

namespace platform {
namespace {

constexpr unsigned long kRouteUp = 0x0001;
constexpr unsigned long kRouteReject = 0x0200;

std::vector<std::string_view> Words(std::string_view line) {
  std::vector<std::string_view> words;
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    size_t start = i;
    while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
    if (i > start) words.push_back(line.substr(start, i - start));
  }
  return words;
}

bool HexValue(std::string_view text, unsigned long& value) {
  if (text.empty() || text.size() > 16) return false;
  value = 0;
  for (char c : text) {
    int d;
    if (c >= '0' && c <= '9') {
      d = c - '0';
    } else if (c >= 'a' && c <= 'f') {
      d = c - 'a' + 10;
    } else if (c >= 'A' && c <= 'F') {
      d = c - 'A' + 10;
    } else {
      return false;
    }
    value = value * 16 + static_cast<unsigned long>(d);
  }
  return true;
}

bool AllZero(std::string_view text) { return !text.empty() && text.find_first_not_of('0') == std::string_view::npos; }

template <typename Fn>
void ForEachLine(std::string_view text, Fn fn) {
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    fn(text.substr(start, end - start));
    start = end + 1;
  }
}

}  // namespace

bool HasIpv4DefaultRoute(std::string_view table) {
  bool found = false;
  // Iface Destination Gateway Flags RefCnt Use Metric Mask ...
  ForEachLine(table, [&](std::string_view line) {
    auto w = Words(line);
    unsigned long flags = 0;
    if (w.size() < 8 || w[0] == "Iface" || w[0] == "lo") return;
    if (!AllZero(w[1]) || !AllZero(w[7]) || !HexValue(w[3], flags)) return;
    if ((flags & kRouteUp) != 0 && (flags & kRouteReject) == 0) found = true;
  });
  return found;
}

bool HasIpv6DefaultRoute(std::string_view table) {
  bool found = false;
  // dest dest_prefix src src_prefix next_hop metric refcnt use flags iface
  ForEachLine(table, [&](std::string_view line) {
    auto w = Words(line);
    unsigned long prefix = 0, flags = 0;
    if (w.size() < 10 || w[9] == "lo") return;
    if (w[0].size() != 32 || !AllZero(w[0]) || !HexValue(w[1], prefix) || prefix != 0) return;
    if (!HexValue(w[8], flags)) return;
    if ((flags & kRouteUp) != 0 && (flags & kRouteReject) == 0) found = true;
  });
  return found;
}

NetworkFacts ReadNetworkFacts() {
  NetworkFacts facts;
  std::string v4, v6;
  bool haveV4 = ReadWholeFile(L"/proc/net/route", v4);
  bool haveV6 = ReadWholeFile(L"/proc/net/ipv6_route", v6);
  facts.ipv4DefaultRoute = haveV4 && HasIpv4DefaultRoute(v4);
  facts.ipv6DefaultRoute = haveV6 && HasIpv6DefaultRoute(v6);
  ifaddrs* list = nullptr;
  bool haveInterfaces = ::getifaddrs(&list) == 0;
  if (haveInterfaces) {
    for (ifaddrs* ifa = list; ifa != nullptr; ifa = ifa->ifa_next) {
      if (ifa->ifa_addr == nullptr) continue;
      if ((ifa->ifa_flags & IFF_UP) == 0 || (ifa->ifa_flags & IFF_LOOPBACK) != 0) continue;
      if (ifa->ifa_addr->sa_family == AF_INET) {
        facts.ipv4Interface = true;
      } else if (ifa->ifa_addr->sa_family == AF_INET6) {
        const auto* a6 = reinterpret_cast<const sockaddr_in6*>(ifa->ifa_addr);
        if (!IN6_IS_ADDR_LINKLOCAL(&a6->sin6_addr) && !IN6_IS_ADDR_LOOPBACK(&a6->sin6_addr)) facts.ipv6Interface = true;
      }
    }
    ::freeifaddrs(list);
  }
  facts.available = haveInterfaces && (haveV4 || haveV6);
  return facts;
}

Connectivity DecideConnectivity(const NetworkFacts& f) {
  Connectivity c;
  if (!f.available) return c;
  bool v4Internet = f.ipv4Interface && f.ipv4DefaultRoute;
  bool v6Internet = f.ipv6Interface && f.ipv6DefaultRoute;
  bool v4Any = f.ipv4Interface;
  bool v6Any = f.ipv6Interface;
  if (v4Internet) {
    c.flags |= kConnectivityIpv4Internet;
  } else if (v4Any) {
    c.flags |= kConnectivityIpv4LocalNetwork;
  } else if (v6Any) {
    c.flags |= kConnectivityIpv4NoTraffic;
  }
  if (v6Internet) {
    c.flags |= kConnectivityIpv6Internet;
  } else if (v6Any) {
    c.flags |= kConnectivityIpv6LocalNetwork;
  } else if (v4Any) {
    c.flags |= kConnectivityIpv6NoTraffic;
  }
  c.internet = v4Internet || v6Internet;
  return c;
}

}  // namespace platform
