// Every text conversion of the installer. Installer text is wide; analytics
// text and the file system are UTF-8; child processes may print in a code page.
#pragma once
#include <string>
#include <string_view>

namespace Utils {

std::wstring Utf8ToWide(std::string_view text);
std::string WideToUtf8(std::wstring_view text);

// The system's narrow ("ANSI") encoding: the locale's character set, UTF-8 on
// every supported system.
std::string WideToNarrow(std::wstring_view text);
std::wstring NarrowToWide(std::string_view text);

// Bytes in a Windows code page to wide text: 0 = the system's narrow encoding,
// 65001 = UTF-8, any other number through iconv (936 = GBK, ...). Undecodable
// bytes become U+FFFD; an unknown code page gives an empty text.
std::wstring CodePageToWide(std::string_view bytes, int codePage);

}  // namespace Utils
