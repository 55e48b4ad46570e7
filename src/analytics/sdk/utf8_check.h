// The strict UTF-8 check applied to every analytics string value.
#pragma once
#include <string_view>

namespace analytics_sdk {

// True when the text consists only of tab, line feed, carriage return, the
// printable ASCII bytes 0x20..0x7E and well-formed multi-byte sequences (no
// overlong forms, no surrogates, nothing above U+10FFFF). The empty text passes.
bool IsValidUtf8(std::string_view text);

}  // namespace analytics_sdk
