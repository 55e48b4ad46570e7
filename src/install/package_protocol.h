// The pieces shared by the package runner's and the remover's output parsers:
// lines, keys and values of the key=value protocol.
#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace package_protocol {

// Longest text value delivered; a longer one is cut to this many characters.
constexpr size_t kMaxTextValue = 771;

// Lines split at line feeds; a last piece without one is a line too; a
// carriage return before a line feed stays in its line.
std::vector<std::wstring_view> SplitLines(std::wstring_view text);
// When the line begins with the key (equals sign included, case-sensitive),
// the rest after it.
bool MatchKey(std::wstring_view line, std::wstring_view key, std::wstring_view& rest);
// The rest as a text value: at most kMaxTextValue characters.
std::wstring TextValue(std::wstring_view rest);
// The text without leading and trailing white space.
std::wstring Trim(std::wstring_view text);
// A number from the start of the rest, as "%lf" reads it; 0 when none.
double NumberValue(std::wstring_view rest);
// An integer from the start of the rest, as "%d" reads it (saturated); 0 when none.
int IntegerValue(std::wstring_view rest, bool* found = nullptr);

}  // namespace package_protocol
