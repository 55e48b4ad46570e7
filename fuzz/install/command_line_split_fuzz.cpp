// Splitting and resolving child command lines.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/command_line_split.h"
#include "platform/utf.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::wstring line = platform::Utf8ToWide(std::string(reinterpret_cast<const char*>(data), size));
  platform::SplitCommandLine(line);
  platform::SplitArguments(line);
  int calls = 0;
  platform::ResolvedCommand r =
      platform::ResolveCommandLine(line, [&calls](const std::wstring& p) { return (++calls % 7) == 0 && !p.empty(); });
  platform::SplitArguments(r.arguments);
  return 0;
}
