// UTF-8 <-> wide (UTF-32 on Linux) conversion without any locale dependence.
#pragma once
#include <string>
#include <string_view>

namespace platform {

// Invalid or truncated sequences decode to U+FFFD, one per offending byte.
std::wstring Utf8ToWide(std::string_view text);
// Code points that cannot be encoded (surrogates, values above U+10FFFF) become U+FFFD.
std::string WideToUtf8(std::wstring_view text);

// Path of a wide file name as the file system takes it (UTF-8 bytes).
inline std::string FsPath(std::wstring_view path) { return WideToUtf8(path); }

}  // namespace platform
