// The connectivity check: what the system already knows about the network,
// read without sending anything.
#pragma once
#include <cstdint>

#include "platform/network_state.h"

namespace Utils {

// Status part of the result (bits 16 to 31).
enum NetworkStatus : int32_t {
  kNetworkInternet = 0,      // connected to the Internet, or not measurable
  kNetworkDisconnected = 1,  // no connectivity at all
  kNetworkNoInternet = 2,    // connected, but not to the Internet
};

// (status << 16) | connectivity flags (bits 0 to 15).
int32_t CheckNetwork();
// The same over prepared facts; facts that could not be read give 0.
int32_t CheckNetwork(const platform::NetworkFacts& facts);

}  // namespace Utils
