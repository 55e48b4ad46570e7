// Reading registry key files; what is read must survive a write and a re-read.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/registry.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  platform::RegistryValues values = platform::ParseRegistryFile(std::string(reinterpret_cast<const char*>(data), size));
  if (platform::ParseRegistryFile(platform::SerializeRegistryFile(values)) != values) std::abort();
  return 0;
}
