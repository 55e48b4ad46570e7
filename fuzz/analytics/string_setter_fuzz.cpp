// The property-set string setter with any key and value.
#include <cstddef>
#include <cstdint>
#include <string>

#include "analytics/sdk/messages.h"
#include "analytics/sdk/value_node.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool quiet = [] {
    analytics_sdk::SetErrorSink([](const std::string&) {});
    return true;
  }();
  (void)quiet;
  const size_t split = size ? data[0] % (size + 1) : 0;
  const std::string key(reinterpret_cast<const char*>(data), split);
  const std::string value(reinterpret_cast<const char*>(data) + split, size - split);
  analytics_sdk::PropertiesNode node;
  const bool set = node.SetString(key, value);
  if (set != (node.Find(key) != nullptr)) __builtin_trap();
  const std::string json = node.ToJson();
  if (json.find('\n') != std::string::npos) __builtin_trap();
  return 0;
}
