// What the system knows about its network connections: routes and interfaces.
// Gathering the facts reads the system; the decision over them is a pure
// function, so every combination can be checked without touching the network.
#pragma once
#include <cstdint>
#include <string_view>

namespace platform {

// Connectivity flags, with the values of the Windows network list manager.
enum ConnectivityFlag : uint32_t {
  kConnectivityDisconnected = 0x0000,
  kConnectivityIpv4NoTraffic = 0x0001,
  kConnectivityIpv6NoTraffic = 0x0002,
  kConnectivityIpv4Subnet = 0x0010,
  kConnectivityIpv4LocalNetwork = 0x0020,
  kConnectivityIpv4Internet = 0x0040,
  kConnectivityIpv6Subnet = 0x0100,
  kConnectivityIpv6LocalNetwork = 0x0200,
  kConnectivityIpv6Internet = 0x0400,
};

struct NetworkFacts {
  bool available = false;         // the facts could be read at all
  bool ipv4DefaultRoute = false;  // a usable default route
  bool ipv6DefaultRoute = false;
  bool ipv4Interface = false;  // an interface that is up, not loopback, with an address of the family
  bool ipv6Interface = false;  // (IPv6: a global or unique-local address, not link-local)
};

struct Connectivity {
  uint32_t flags = 0;
  bool internet = false;
};

// A default route in the text of /proc/net/route: destination and mask 0, up,
// not on the loopback interface.
bool HasIpv4DefaultRoute(std::string_view routeTable);
// A default route in the text of /proc/net/ipv6_route: destination ::/0, up,
// not a reject route, not on the loopback interface.
bool HasIpv6DefaultRoute(std::string_view routeTable);

// Reads /proc/net/route, /proc/net/ipv6_route and the interface list.
NetworkFacts ReadNetworkFacts();

// Per family: a default route with an interface = Internet; an interface
// without a default route = local network; nothing, while the other family is
// connected = no traffic. Internet when either family reaches it.
Connectivity DecideConnectivity(const NetworkFacts& facts);

}  // namespace platform
