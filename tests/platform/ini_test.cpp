#include "platform/ini.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "support/temp_dir.h"

using platform::ReadProfileInt;
using platform::ReadProfileString;
using platform::WriteProfileString;
using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

struct IniFixture : ::testing::Test {
  TempDir dir;
  std::wstring file = (dir / "settings.ini").wstring();
  void Write(const std::string& text) { WriteFile(dir / "settings.ini", text); }
};

TEST_F(IniFixture, ReadsValuesWithWindowsLookupRules) {
  Write(
      "; comment line\r\n"
      "[Other]\r\n"
      "Key=other\r\n"
      "  [ inStall ]  \r\n"
      "  DownloadUrl =  http://host/a?b=c  \r\n"
      "Quoted=\"  spaced  \"\r\n"
      "NoValue\r\n"
      "Empty=\r\n"
      "Key=first\r\n"
      "key=second\r\n"
      "[Install]\r\n"
      "Late=ignored, only the first matching section counts\r\n");
  EXPECT_EQ(ReadProfileString(L"Install", L"downloadurl", L"d", file), L"http://host/a?b=c");
  EXPECT_EQ(ReadProfileString(L"INSTALL", L"Quoted", L"d", file), L"  spaced  ");
  EXPECT_EQ(ReadProfileString(L"Install", L"NoValue", L"d", file), L"");
  EXPECT_EQ(ReadProfileString(L"Install", L"Empty", L"d", file), L"");
  EXPECT_EQ(ReadProfileString(L"Install", L"KEY", L"d", file), L"first");
  EXPECT_EQ(ReadProfileString(L"Install", L"Missing", L"fallback", file), L"fallback");
  EXPECT_EQ(ReadProfileString(L"Install", L"Late", L"d", file), L"d");
  EXPECT_EQ(ReadProfileString(L"Nowhere", L"Key", L"d", file), L"d");
  EXPECT_EQ(ReadProfileString(L"Install", L"Key", L"d", (dir / "missing.ini").wstring()), L"d");
}

TEST_F(IniFixture, ValuesAreCutToTheBuffer) {
  Write("[S]\nLong=" + std::string(300, 'x') + "\nUtf=" + "米瑞洛米瑞洛" + "\n");
  EXPECT_EQ(ReadProfileString(L"S", L"Long", L"", file).size(), 259u);
  EXPECT_EQ(ReadProfileString(L"S", L"Long", L"", file, 128).size(), 127u);
  EXPECT_EQ(ReadProfileString(L"S", L"Utf", L"", file, 4), L"米瑞洛");
  EXPECT_EQ(ReadProfileString(L"S", L"Missing", std::wstring(300, L'd'), file).size(), 259u);
}

TEST_F(IniFixture, IntegerReaderTakesLeadingDigits) {
  Write(
      "[S]\n"
      "Plain=3\nTrailing=12abc\nBlanks=   -7 \nText=abc\nEmpty=\nHuge=99999999999\nNegHuge=-99999999999\n"
      "Plus=+5\n");
  struct Case {
    const wchar_t* key;
    int expected;
  } cases[] = {{L"Plain", 3},         {L"Trailing", 12}, {L"Blanks", -7},          {L"Text", 0},
               {L"Empty", 42},        {L"Missing", 42},  {L"Huge", 2147483647},   {L"NegHuge", -2147483647 - 1},
               {L"Plus", 5}};
  for (const Case& c : cases) {
    EXPECT_EQ(ReadProfileInt(L"S", c.key, 42, file), c.expected) << c.key;
  }
}

TEST_F(IniFixture, WritesKeepUnrelatedLines) {
  const std::string original =
      "; keep me\n"
      "[Install]\n"
      "AppName = old\n"
      "Other=1   ; odd spacing stays\n"
      "\n"
      "[Uninstall]\n"
      "IsOverride=false\n";
  Write(original);
  ASSERT_TRUE(WriteProfileString(L"install", L"APPNAME", L"Mirelo Studio", file));
  ASSERT_TRUE(WriteProfileString(L"Install", L"DeviceID", L"ABC", file));
  ASSERT_TRUE(WriteProfileString(L"Init", L"UpdateTime", L"2026-12-11 10:00:00", file));
  EXPECT_EQ(ReadFile(dir / "settings.ini"),
            "; keep me\n"
            "[Install]\n"
            "AppName=Mirelo Studio\n"
            "Other=1   ; odd spacing stays\n"
            "DeviceID=ABC\n"
            "\n"
            "[Uninstall]\n"
            "IsOverride=false\n"
            "\n"
            "[Init]\n"
            "UpdateTime=2026-12-11 10:00:00\n");
  EXPECT_EQ(ReadProfileString(L"Uninstall", L"IsOverride", L"true", file), L"false");
}

TEST_F(IniFixture, WriteKeepsCarriageReturnLineEnds) {
  Write("[A]\r\nx=1\r\n");
  ASSERT_TRUE(WriteProfileString(L"A", L"y", L"2", file));
  EXPECT_EQ(ReadFile(dir / "settings.ini"), "[A]\r\nx=1\r\ny=2\r\n");
}

TEST_F(IniFixture, WriteCreatesTheFileButNeverItsFolder) {
  ASSERT_TRUE(WriteProfileString(L"Install", L"AppName", L"x", file));
  EXPECT_EQ(ReadFile(dir / "settings.ini"), "[Install]\nAppName=x\n");
  const std::wstring deep = (dir / "no" / "such" / "set.ini").wstring();
  EXPECT_FALSE(WriteProfileString(L"Install", L"AppName", L"x", deep));
  EXPECT_FALSE(std::filesystem::exists(dir / "no"));
}

TEST_F(IniFixture, ValueWithLineBreaksCannotAddKeys) {
  ASSERT_TRUE(WriteProfileString(L"S", L"Name", L"a\n[Evil]\r\nInjected=1", file));
  EXPECT_EQ(ReadProfileString(L"Evil", L"Injected", L"none", file), L"none");
  EXPECT_EQ(ReadProfileString(L"S", L"Name", L"", file), L"a [Evil]  Injected=1");
}

TEST_F(IniFixture, WriteIsAtomicAndKeepsPermissions) {
  Write("[S]\nA=1\n");
  ::chmod((dir / "settings.ini").c_str(), 0600);
  ASSERT_TRUE(WriteProfileString(L"S", L"B", L"2", file));
  struct stat st {};
  ASSERT_EQ(::stat((dir / "settings.ini").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  // No temporary file is left behind.
  size_t entries = 0;
  for (auto& e : std::filesystem::directory_iterator(dir.path())) {
    (void)e;
    ++entries;
  }
  EXPECT_EQ(entries, 1u);
}

TEST_F(IniFixture, DeletesKeysAndSections) {
  Write("[A]\nx=1\ny=2\n[B]\nz=3\n");
  ASSERT_TRUE(platform::DeleteProfileKey(L"a", L"X", file));
  ASSERT_TRUE(platform::DeleteProfileSection(L"b", file));
  EXPECT_EQ(ReadFile(dir / "settings.ini"), "[A]\ny=2\n");
}

TEST(IniDocument, ByteOrderMarkAndMissingFinalLineEnd) {
  auto doc = platform::IniDocument::Parse("\xEF\xBB\xBF[S]\nK=v");
  std::wstring value;
  ASSERT_TRUE(doc.Find(L"S", L"K", value));
  EXPECT_EQ(value, L"v");
}

}  // namespace
