#include "utils/text.h"

#include "platform/codepage.h"
#include "platform/utf.h"

namespace Utils {

std::wstring Utf8ToWide(std::string_view text) { return platform::Utf8ToWide(text); }

std::string WideToUtf8(std::wstring_view text) { return platform::WideToUtf8(text); }

std::string WideToNarrow(std::wstring_view text) {
  std::string out;
  if (!platform::EncodeCharset(text, platform::SystemCharset(), out)) out = platform::WideToUtf8(text);
  return out;
}

std::wstring NarrowToWide(std::string_view text) {
  std::wstring out;
  if (!platform::DecodeCharset(text, platform::SystemCharset(), out)) out = platform::Utf8ToWide(text);
  return out;
}

std::wstring CodePageToWide(std::string_view bytes, int codePage) {
  std::wstring out;
  if (!platform::DecodeCharset(bytes, platform::CharsetForCodePage(codePage), out)) out.clear();
  return out;
}

}  // namespace Utils
