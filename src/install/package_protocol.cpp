#include "install/package_protocol.h"

#include <cmath>

#include "platform/number_text.h"

namespace package_protocol {

std::vector<std::wstring_view> SplitLines(std::wstring_view text) {
  std::vector<std::wstring_view> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find(L'\n', start);
    if (end == std::wstring_view::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

bool MatchKey(std::wstring_view line, std::wstring_view key, std::wstring_view& rest) {
  if (line.size() < key.size() || line.compare(0, key.size(), key) != 0) return false;
  rest = line.substr(key.size());
  return true;
}

std::wstring TextValue(std::wstring_view rest) { return std::wstring(rest.substr(0, kMaxTextValue)); }

std::wstring Trim(std::wstring_view text) {
  auto space = [](wchar_t c) {
    return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n' || c == L'\v' || c == L'\f';
  };
  size_t b = 0, e = text.size();
  while (b < e && space(text[b])) ++b;
  while (e > b && space(text[e - 1])) --e;
  return std::wstring(text.substr(b, e - b));
}

double NumberValue(std::wstring_view rest) {
  bool found = false;
  double v = platform::ParseDoublePrefix(rest, &found);
  return found ? v : 0.0;
}

int IntegerValue(std::wstring_view rest, bool* found) {
  bool ok = false;
  int v = platform::ParseIntPrefix(rest, &ok);
  if (found) *found = ok;
  return ok ? v : 0;
}

}  // namespace package_protocol
