// Readers of a number at the start of a text, with the C library's rules but
// defined results for every input (no locale, no undefined overflow).
#pragma once
#include <cstdint>
#include <string_view>

namespace platform {

// Leading blanks skipped, optional sign, then decimal digits. No digits: 0 and
// *found = false. Values beyond the 32-bit range saturate to INT32_MIN/INT32_MAX.
int32_t ParseIntPrefix(std::wstring_view text, bool* found = nullptr);

// Like strtod in the "C" locale: leading blanks, the longest floating-point
// prefix (decimal, exponent, hexadecimal, "inf", "nan"). No number: 0.0 and
// *found = false. A finite literal beyond the double range saturates to
// +/-DBL_MAX; the words "inf"/"nan" give infinity/not-a-number.
double ParseDoublePrefix(std::wstring_view text, bool* found = nullptr);

}  // namespace platform
