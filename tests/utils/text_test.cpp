#include "utils/text.h"

#include <gtest/gtest.h>
#include <stdlib.h>

namespace {

TEST(Text, CodePages) {
  EXPECT_EQ(Utils::CodePageToWide("\xE7\xB1\xB3\xE7\x91\x9E\xE6\xB4\x9B", 65001), L"米瑞洛");
  EXPECT_EQ(Utils::CodePageToWide("\xD6\xD0\xCE\xC4", 936), L"中文");
  EXPECT_EQ(Utils::CodePageToWide("abc", 123456789), L"") << "an unknown code page decodes nothing";
  EXPECT_EQ(Utils::CodePageToWide("caf\xE9", 1252), L"café");
}

TEST(Text, SystemNarrowEncodingFollowsTheLocale) {
  const char* old = ::getenv("LC_ALL");
  std::string saved = old ? old : "";
  ::setenv("LC_ALL", "zh_CN.GBK", 1);
  EXPECT_EQ(Utils::CodePageToWide("\xD6\xD0", 0), L"中");
  EXPECT_EQ(Utils::WideToNarrow(L"中"), "\xD6\xD0");
  EXPECT_EQ(Utils::NarrowToWide("\xD6\xD0"), L"中");
  ::setenv("LC_ALL", "C.UTF-8", 1);
  EXPECT_EQ(Utils::WideToNarrow(L"中"), "\xE4\xB8\xAD");
  EXPECT_EQ(Utils::CodePageToWide("\xE4\xB8\xAD", 0), L"中");
  if (old) {
    ::setenv("LC_ALL", saved.c_str(), 1);
  } else {
    ::unsetenv("LC_ALL");
  }
}

}  // namespace
