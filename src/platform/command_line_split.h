// Turning a Windows-style command line into an argument vector.
#pragma once
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Splits arguments with the Windows rules: blanks and tabs separate arguments;
// double quotes group blanks into one argument and may appear inside one;
// 2n backslashes before a quote give n backslashes and toggle quoting, 2n+1
// give n backslashes and a literal quote; other backslashes are literal; a
// doubled quote inside a quoted part is a literal quote.
std::vector<std::wstring> SplitArguments(std::wstring_view text);

// The same for a whole command line whose first item is the program: a quoted
// program name ends at the next quote (backslashes are literal there), an
// unquoted one at the first blank or tab.
std::vector<std::wstring> SplitCommandLine(std::wstring_view commandLine);

struct ResolvedCommand {
  std::wstring program;    // file to run
  std::wstring arguments;  // rest of the line after the program
};

// Finds the program of a command line the way process creation does on
// Windows. A quoted program is taken as written. An unquoted one may contain
// blanks: the blank-separated prefixes are tried in turn, shortest first; a
// prefix without an extension is tried with ".exe" appended and then as it is;
// the first that names an existing file wins. When none does, the program is
// the first blank-separated item.
ResolvedCommand ResolveCommandLine(std::wstring_view commandLine,
                                   const std::function<bool(const std::wstring&)>& fileExists);

}  // namespace platform
