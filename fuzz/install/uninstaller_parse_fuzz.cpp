// The remover's record parser over arbitrary decoded output.
#include <cstddef>
#include <cstdint>
#include <string>

#include "install/uninstaller.h"
#include "utils/text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  UnInstaller remover([](int, double, const wchar_t* text) { (void)std::wstring(text); }, L"/r", L"/f");
  std::string bytes(reinterpret_cast<const char*>(data), size);
  remover.Parse(Utils::Utf8ToWide(bytes));
  remover.Parse(Utils::CodePageToWide(bytes, remover.OutputCodePage()));
  return 0;
}
