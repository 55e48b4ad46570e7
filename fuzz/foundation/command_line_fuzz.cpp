// Arguments separated by NUL bytes, as /proc/self/cmdline holds them.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "platform/utf.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view all(reinterpret_cast<const char*>(data), size);
  std::vector<std::wstring> args;
  size_t start = 0;
  while (start <= all.size()) {
    size_t end = all.find('\0', start);
    if (end == std::string_view::npos) end = all.size();
    args.push_back(platform::Utf8ToWide(all.substr(start, end - start)));
    start = end + 1;
  }
  InstallerConfiguration config;
  config.SetBuiltInDefaults();
  ApplyCommandLine(args, config);
  if (!std::isfinite(config.downloadScale)) __builtin_trap();
  return 0;
}
