#include "platform/number_text.h"

#include <locale.h>
#include <stdlib.h>

#include <cerrno>
#include <cfloat>
#include <cmath>
#include <string>

namespace platform {
namespace {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\n' || c == L'\v' || c == L'\f' || c == L'\r'; }

locale_t CLocale() {
  static locale_t loc = ::newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
  return loc;
}

}  // namespace

int32_t ParseIntPrefix(std::wstring_view text, bool* found) {
  size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) {
    negative = text[i] == L'-';
    ++i;
  }
  int64_t value = 0;
  bool any = false;
  while (i < text.size() && text[i] >= L'0' && text[i] <= L'9') {
    any = true;
    if (value <= int64_t{1} << 32) value = value * 10 + (text[i] - L'0');
    ++i;
  }
  if (found != nullptr) *found = any;
  if (!any) return 0;
  if (negative) value = -value;
  if (value > INT32_MAX) return INT32_MAX;
  if (value < INT32_MIN) return INT32_MIN;
  return static_cast<int32_t>(value);
}

double ParseDoublePrefix(std::wstring_view text, bool* found) {
  // Only ASCII can be part of a number; stop at the first other character.
  std::string ascii;
  ascii.reserve(text.size() < 512 ? text.size() : 512);
  for (wchar_t c : text) {
    if (c <= 0 || c >= 0x80) break;
    ascii.push_back(static_cast<char>(c));
  }
  const char* begin = ascii.c_str();
  char* end = nullptr;
  errno = 0;
  double v = ::strtod_l(begin, &end, CLocale());
  bool any = end != begin;
  if (found != nullptr) *found = any;
  if (!any) return 0.0;
  if (errno == ERANGE && std::isinf(v)) return v > 0 ? DBL_MAX : -DBL_MAX;
  return v;
}

}  // namespace platform
