// The staging-file loader: any bytes, in memory and read from a real file.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "analytics/sdk/record_consumer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const size_t room = size ? data[0] % 8 : 0;
  for (const std::string& line : analytics_sdk::ParseStagingText(text, room)) {
    if (line.empty() || line.front() != '{' || line.back() != '}') __builtin_trap();
  }
  static const std::string path = "/tmp/mirelo-fuzz-staging-" + std::to_string(reinterpret_cast<uintptr_t>(&path));
  if (FILE* f = std::fopen(path.c_str(), "wb")) {
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    if (analytics_sdk::ReadStagingLines(path, room).size() > room) __builtin_trap();
  }
  return 0;
}
