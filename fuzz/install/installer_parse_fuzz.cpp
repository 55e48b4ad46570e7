// The package runner's output path: line reassembly, decoding in the code
// page the output selects, and the record parser.
#include <cstddef>
#include <cstdint>
#include <string>

#include "install/installer.h"
#include "install/piped_process.h"
#include "utils/text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  CInstaller runner([](int, double, const wchar_t* text) { (void)std::wstring(text); }, L"\"p\"", L"", true, true,
                    true);
  OutputLines lines;
  // The first byte chooses the chunk size, so records split at any place.
  size_t chunk = size > 0 ? (data[0] % 64) + 1 : 1;
  for (size_t i = size > 0 ? 1 : 0; i < size; i += chunk) {
    size_t n = size - i < chunk ? size - i : chunk;
    std::string complete = lines.Feed(std::string(reinterpret_cast<const char*>(data + i), n));
    if (!complete.empty()) runner.Parse(Utils::CodePageToWide(complete, runner.OutputCodePage()));
  }
  runner.Parse(Utils::CodePageToWide(lines.Finish(), runner.OutputCodePage()));
  return 0;
}
