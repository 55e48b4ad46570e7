// INI text: parse, look up, edit and write back; an edited document must still
// find what was set.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/ini.h"
#include "platform/utf.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  platform::IniDocument doc = platform::IniDocument::Parse(text);
  std::wstring value;
  doc.Find(L"Install", L"DownloadUrl", value);
  doc.Find(L"", L"", value);
  // Use the first line's text as section and key names too.
  size_t nl = text.find('\n');
  std::wstring name = platform::Utf8ToWide(text.substr(0, nl == std::string_view::npos ? text.size() : nl));
  doc.Find(name, name, value);
  doc.Set(L"Install", L"AppName", L"Mirelo Studio");
  doc.RemoveKey(name, name);
  platform::IniDocument again = platform::IniDocument::Parse(doc.Serialize());
  if (!again.Find(L"Install", L"AppName", value)) __builtin_trap();
  again.RemoveSection(L"Install");
  (void)again.Serialize();
  return 0;
}
