// The strict UTF-8 check and the record string writer.
#include <cstddef>
#include <cstdint>
#include <string>

#include "analytics/sdk/utf8_check.h"
#include "analytics/sdk/value_node.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const bool valid = analytics_sdk::IsValidUtf8(text);
  // Every prefix ending on a character boundary of a valid text is valid too.
  if (valid && size > 0 && !analytics_sdk::IsValidUtf8(text.substr(0, size - 1))) {
    const uint8_t last = data[size - 1];
    if (last < 0x80) __builtin_trap();
  }
  std::string json;
  analytics_sdk::utils::AppendJsonString(json, text);
  if (json.find('\n') != std::string::npos) __builtin_trap();  // a record stays one staging line
  return 0;
}
