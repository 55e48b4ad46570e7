// Turning command lines into argument vectors with the Windows rules.
#include "platform/command_line_split.h"

#include <gtest/gtest.h>

#include <set>

namespace {

using Args = std::vector<std::wstring>;

TEST(SplitArguments, QuotesAndBackslashes) {
  struct Case {
    std::wstring line;
    Args expected;
  } cases[] = {
      {L"", {}},
      {L"   \t ", {}},
      {L"\"abc\" d e", {L"abc", L"d", L"e"}},
      {L"a\\\\\\b d\"e f\"g h", {L"a\\\\\\b", L"de fg", L"h"}},
      {L"a\\\\\\\"b c d", {L"a\\\"b", L"c", L"d"}},
      {L"a\\\\\\\\\"b c\" d e", {L"a\\\\b c", L"d", L"e"}},
      {L"a\"b\"\" c d", {L"ab\" c d"}},
      {L"-instdir=\"/opt/Mirelo Studio\" /D=/opt/Mirelo Studio",
       {L"-instdir=/opt/Mirelo Studio", L"/D=/opt/Mirelo", L"Studio"}},
      {L"\"\" x", {L"", L"x"}},
      {L"\"unterminated arg", {L"unterminated arg"}},
      {L"C:\\dir\\ trailing\\", {L"C:\\dir\\", L"trailing\\"}},
  };
  for (const Case& c : cases) EXPECT_EQ(platform::SplitArguments(c.line), c.expected);
}

TEST(SplitCommandLine, ProgramNameHasItsOwnRule) {
  EXPECT_EQ(platform::SplitCommandLine(L"\"C:\\a b\\x.exe\" /S -k=\"v w\""),
            (Args{L"C:\\a b\\x.exe", L"/S", L"-k=v w"}));
  // Backslashes before the closing quote of the program are literal.
  EXPECT_EQ(platform::SplitCommandLine(L"\"C:\\dir\\\" a"), (Args{L"C:\\dir\\", L"a"}));
  // An unquoted program ends at the first blank; its quotes stay in it.
  EXPECT_EQ(platform::SplitCommandLine(L"prog\"x y\" z"), (Args{L"prog\"x", L"y z"}));
}

TEST(ResolveCommandLine, UnquotedProgramWithBlanks) {
  struct Case {
    std::set<std::wstring> files;
    std::wstring line;
    std::wstring program, arguments;
  } cases[] = {
      // Shorter prefixes win, with ".exe" appended to a prefix without an extension.
      {{L"/t/Mirelo.exe", L"/t/Mirelo Studio_un_asa.exe"},
       L"/t/Mirelo Studio_un_asa.exe /S",
       L"/t/Mirelo.exe",
       L" Studio_un_asa.exe /S"},
      {{L"/t/Mirelo", L"/t/Mirelo Studio_un_asa.exe"},
       L"/t/Mirelo Studio_un_asa.exe /S",
       L"/t/Mirelo",
       L" Studio_un_asa.exe /S"},
      {{L"/t/Mirelo Studio_un_asa.exe"},
       L"/t/Mirelo Studio_un_asa.exe /S _?=/a b",
       L"/t/Mirelo Studio_un_asa.exe",
       L" /S _?=/a b"},
      {{L"/p/sub dir/prog.exe"}, L"/p/sub dir/prog -x", L"/p/sub dir/prog.exe", L" -x"},
      // Nothing exists: the first word.
      {{}, L"/no/such file", L"/no/such", L" file"},
      // Quoted: taken as written, whatever exists.
      {{L"/t/Mirelo.exe"}, L"\"/t/Mirelo Studio.exe\" /S", L"/t/Mirelo Studio.exe", L" /S"},
  };
  for (const Case& c : cases) {
    platform::ResolvedCommand r =
        platform::ResolveCommandLine(c.line, [&](const std::wstring& p) { return c.files.count(p) > 0; });
    EXPECT_EQ(r.program, c.program) << r.arguments.size();
    EXPECT_EQ(r.arguments, c.arguments);
  }
}

}  // namespace
