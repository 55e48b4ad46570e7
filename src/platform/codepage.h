// Conversion between byte texts in a named character set and wide text (iconv).
#pragma once
#include <string>
#include <string_view>

namespace platform {

// The character set of the user's locale (LC_ALL, LC_CTYPE, LANG, in that order),
// for example "UTF-8" or "GBK"; "UTF-8" when none is named.
std::string SystemCharset();

// iconv name for a Windows code page number: 0 = SystemCharset(), 65001 = UTF-8,
// 936 = GBK, 54936 = GB18030, other numbers "CP<n>".
std::string CharsetForCodePage(int codePage);

// Decodes bytes of the charset. Undecodable bytes become U+FFFD. False (and an
// empty result) when the charset is unknown to the system.
bool DecodeCharset(std::string_view bytes, const std::string& charset, std::wstring& out);
// Encodes wide text in the charset; characters it cannot hold become '?'.
bool EncodeCharset(std::wstring_view text, const std::string& charset, std::string& out);

}  // namespace platform
