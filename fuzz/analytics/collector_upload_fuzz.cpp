// The collection service's decoding of an upload body.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "collector.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view body(reinterpret_cast<const char*>(data), size);
  std::string json, error;
  if (collector::DecodeUploadBody(body, json, error)) {
    std::vector<std::string> elements;
    collector::SplitJsonArray(json, elements, error);
  }
  std::vector<std::string> elements;
  collector::SplitJsonArray(body, elements, error);
  return 0;
}
