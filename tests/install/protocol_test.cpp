// The output protocols of the package runner and the remover, and the command
// lines both programs receive.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/config.h"
#include "install/accounts.h"
#include "install/installer.h"
#include "install/piped_process.h"
#include "install/uninstaller.h"
#include "install_test_support.h"
#include "support/log_capture.h"

using installtest::Event;
using installtest::EventLog;

namespace {

struct ParseCase {
  const char* name;
  std::wstring text;
  std::vector<Event> events;
  int result;
};

void PrintTo(const ParseCase& c, std::ostream* os) { *os << c.name; }

class InstallerParseTest : public testing::TestWithParam<ParseCase> {};

TEST_P(InstallerParseTest, ReportsRecordsAndFinalResult) {
  const ParseCase& c = GetParam();
  EventLog log;
  CInstaller runner(log.Listener(), L"\"/p/pkg.exe\"", L"", true, true, true);
  EXPECT_EQ(runner.Parse(c.text), c.result);
  EXPECT_EQ(log.Events(), c.events);
}

const std::wstring kLong(800, L'x');

INSTANTIATE_TEST_SUITE_P(
    Records, InstallerParseTest,
    testing::Values(
        ParseCase{"Progress", L"Progress=0.5", {{2002, 0.5, L""}}, 0},
        ParseCase{"ProgressNotANumber", L"Progress=abc", {{2002, 0.0, L""}}, 0},
        ParseCase{"LeadingBlanksMatchNothing", L"  Progress=0.5\n\tState=Success", {}, 0},
        ParseCase{"KeysAreCaseSensitive", L"progress=0.5\nstate=Success", {}, 0},
        ParseCase{"InstPathKeepsCarriageReturn", L"InstPath=C:\\X\r\n", {{3000, 0.0, L"C:\\X\r"}}, 0},
        ParseCase{"InstPathEmpty", L"InstPath=", {{3000, 0.0, L""}}, 0},
        ParseCase{"StateSuccessTrimmed", L"State= Success \r\n", {{2003, 0.0, L""}}, 1},
        ParseCase{"StateOtherIgnored", L"State=Running\r\nState=success", {}, 0},
        ParseCase{"StateFail", L"State=Fail", {{2004, 0.0, L"安装包安装失败"}}, 1000},
        ParseCase{"Error", L"Error=disk full", {{2004, 1000.0, L"disk full"}}, 1000},
        ParseCase{"LinesAfterFinalRecordStillReported",
                  L"State=Success\nProgress=1",
                  {{2003, 0.0, L""}, {2002, 1.0, L""}},
                  1},
        ParseCase{"LastFinalRecordDecides",
                  L"State=Fail\nState=Success\n",
                  {{2004, 0.0, L"安装包安装失败"}, {2003, 0.0, L""}},
                  1},
        ParseCase{"SeveralRecordsInOneChunk",
                  L"Progress=0.1\r\nProgress=0.2\r\nMessage=hello\r\n",
                  {{2002, 0.1, L""}, {2002, 0.2, L""}, {3009, 0.0, L"hello\r"}},
                  0},
        ParseCase{"PathsAndAddresses",
                  L"ExePath=/a/b\nStartExe=/c\nUninstExePath=/u1\nUninstExe=/u2\nUninstEp=/u/ep\nStartUrl=http://h/",
                  {{3001, 0.0, L"/a/b"},
                   {3001, 0.0, L"/c"},
                   {3002, 0.0, L"/u1"},
                   {3002, 0.0, L"/u2"},
                   {3003, 0.0, L"/u/ep"},
                   {3004, 0.0, L"http://h/"}},
                  0},
        ParseCase{"StartupStyles",
                  L"StartupStyle=AutoStartup\nStartupStyle= UserStartup\r\nStartupStyle=NonStartup\n"
                  L"StartupStyle=Other",
                  {{3005, 1.0, L""}, {3005, 2.0, L""}, {3005, 0.0, L""}, {3005, 0.0, L""}},
                  0},
        ParseCase{"Detentions",
                  L"TopShowDetention=-1\nFinsihCloseDetention=1500\nTopShowDetention=x",
                  {{3007, 4294967295.0, L""}, {3008, 1500.0, L""}, {3007, 0.0, L""}},
                  0},
        ParseCase{"LongTextCut", L"Message=" + kLong, {{3009, 0.0, std::wstring(771, L'x')}}, 0},
        ParseCase{"UnknownAndEmptyLines", L"\n\nHello=1\nEncode=UTF8\nInstallVersion=1.2.3\n", {}, 0}),
    [](const testing::TestParamInfo<ParseCase>& info) { return std::string(info.param.name); });

TEST(InstallerParse, EncodeSelectsTheCodePageOfLaterOutput) {
  struct Case {
    std::wstring value;
    int codePage;
  } cases[] = {{L"UTF8", 65001}, {L"ACP", 0},         {L"936", 936}, {L" 936 \r", 936},
               {L"abc", 0},      {L"99999999999", 0}, {L"-5", -5},   {L"54936x", 54936}};
  for (const Case& c : cases) {
    CInstaller runner(nullptr, L"\"p\"", L"", true, true, true);
    runner.Parse(L"Encode=UTF8");
    runner.Parse(L"Encode=" + c.value);
    EXPECT_EQ(runner.OutputCodePage(), c.codePage) << c.value.size();
  }
}

TEST(InstallerParse, InstallVersionKeepsPartsThatCannotBeRead) {
  CInstaller runner(nullptr, L"\"p\"", L"", true, true, true);
  runner.Parse(L"InstallVersion=2.3.4");
  EXPECT_EQ(runner.InstalledVersion().major, 2);
  EXPECT_EQ(runner.InstalledVersion().build, 4);
  runner.Parse(L"InstallVersion=5.x.9");
  EXPECT_EQ(runner.InstalledVersion().major, 5);
  EXPECT_EQ(runner.InstalledVersion().minor, 3);
  EXPECT_EQ(runner.InstalledVersion().build, 4);
}

TEST(InstallerParse, ExePathWritesADiagnosticLine) {
  testsupport::LogCapture capture;
  CInstaller runner(nullptr, L"\"p\"", L"", true, true, true);
  runner.Parse(L"ExePath=/opt/m/MireloStudio.exe\n");
  EXPECT_EQ(capture.Count(L"(CInstaller::Parse)"), 1u);
  EXPECT_EQ(capture.Count(L"ExePath: /opt/m/MireloStudio.exe"), 1u);
}

class UnInstallerParseTest : public testing::TestWithParam<ParseCase> {};

TEST_P(UnInstallerParseTest, ReportsRecordsAndFinalResult) {
  const ParseCase& c = GetParam();
  EventLog log;
  UnInstaller remover(log.Listener(), L"/r", L"/f");
  EXPECT_EQ(remover.Parse(c.text), c.result);
  EXPECT_EQ(log.Events(), c.events);
}

INSTANTIATE_TEST_SUITE_P(
    Records, UnInstallerParseTest,
    testing::Values(ParseCase{"Progress", L"Progress=0.25\r\nProgress=zz", {{5002, 0.25, L""}, {5002, 0.0, L""}}, 0},
                    ParseCase{"Error", L"Error=in use\r\n", {{5005, 0.0, L"in use\r"}}, 1000},
                    ParseCase{"Success", L" State=Success\nState=\tSuccess\r\n", {{5003, 0.0, L""}}, 1},
                    ParseCase{"Fail", L"State=Fail", {{5005, 0.0, L"安装包卸载失败"}}, 1000},
                    ParseCase{"FailThenSuccess",
                              L"State=Fail\nState=Success",
                              {{5005, 0.0, L"安装包卸载失败"}, {5003, 0.0, L""}},
                              1},
                    ParseCase{"PackageRecordsIgnored",
                              L"InstPath=/x\nExePath=/y\nMessage=m\nStartupStyle=AutoStartup\nState=Running",
                              {},
                              0}),
    [](const testing::TestParamInfo<ParseCase>& info) { return std::string(info.param.name); });

TEST(UnInstallerParse, OnlyUtf8IsANamedCodePage) {
  for (auto [value, codePage] : std::vector<std::pair<std::wstring, int>>{
           {L"UTF8", 65001}, {L" UTF8\r", 65001}, {L"ACP", 0}, {L"936", 0}, {L"utf8", 0}}) {
    UnInstaller remover(nullptr, L"/r", L"/f");
    remover.Parse(L"Encode=UTF8");
    remover.Parse(L"Encode=" + value);
    EXPECT_EQ(remover.OutputCodePage(), codePage);
  }
}

class CommandLineTest : public testing::Test {
 protected:
  void SetUp() override { savedInstCmd_ = InstallerConfig.instCmd; }
  void TearDown() override {
    InstallerConfig.instCmd = savedInstCmd_;
    SetAccountChecksForTesting(nullptr, nullptr);
  }
  std::wstring savedInstCmd_;
};

TEST_F(CommandLineTest, PackageCommandLine) {
  struct Case {
    std::wstring folder, language, instCmd;
    bool admin, elevated, dsc, ssc;
    std::wstring expected;
  } cases[] = {
      {L"/opt/Mirelo Studio", L"zh-CN", L"", true, false, true, false,
       L"\"/p/__Package_Mirelo Studio.exe\" /S -console=show -version=1.0.0 -adminact=true -authorizationact=false "
       L"-dsc=true -ssc=false -inslang=\"zh-CN\" -instdir=\"/opt/Mirelo Studio\" /D=/opt/Mirelo Studio"},
      {L"", L"", L"", false, true, false, true,
       L"\"/p/__Package_Mirelo Studio.exe\" /S -console=show -version=1.0.0 -adminact=false -authorizationact=true "
       L"-dsc=false -ssc=true"},
      {L"/d", L"", L"-demoscript=\"/t/a b.txt\" -x", true, true, true, true,
       L"\"/p/__Package_Mirelo Studio.exe\" /S -console=show -version=1.0.0 -adminact=true -authorizationact=true "
       L"-dsc=true -ssc=true -demoscript=\"/t/a b.txt\" -x -instdir=\"/d\" /D=/d"},
  };
  for (const Case& c : cases) {
    InstallerConfig.instCmd = c.instCmd;
    CInstaller runner(nullptr, L"\"/p/__Package_Mirelo Studio.exe\"", L"ignored", false, false, false);
    runner.SetInstallFolder(c.folder);
    runner.SetLanguage(c.language);
    runner.SetAdminAccount(c.admin);
    runner.SetElevated(c.elevated);
    runner.SetDesktopShortcut(c.dsc);
    runner.SetQuickStartShortcut(c.ssc);
    EXPECT_EQ(runner.BuildCommandLine(), c.expected);
  }
}

TEST_F(CommandLineTest, RemoverCommandLineQuotesTheRemoverOnly) {
  for (bool admin : {false, true}) {
    SetAccountChecksForTesting([admin] { return admin; }, [admin] { return !admin; });
    UnInstaller remover(nullptr, L"/tmp/~T/Mirelo Studio_un_asa.exe", L"/opt/old place");
    std::wstring expected = std::wstring(L"\"/tmp/~T/Mirelo Studio_un_asa.exe\" /S -adminact=") +
                            (admin ? L"true" : L"false") + L" -authorizationact=" + (admin ? L"false" : L"true") +
                            L" -console=show _?=/opt/old place";
    EXPECT_EQ(remover.BuildCommandLine(), expected);
  }
}

TEST(OutputLines, ReassemblesSplitRecordsAndBoundsLongLines) {
  OutputLines lines;
  EXPECT_EQ(lines.Feed("Progr"), "");
  EXPECT_EQ(lines.Feed("ess=0.5\nState=Su"), "Progress=0.5\n");
  EXPECT_EQ(lines.Feed("ccess\r\nX=\xE7\xB1"), "State=Success\r\n");
  EXPECT_EQ(lines.Feed("\xB3\n"), "X=\xE7\xB1\xB3\n");
  EXPECT_EQ(lines.Feed(std::string("A=b\0junk\nTail", 14)), "A=b\n");
  EXPECT_EQ(lines.Finish(), "Tail");
  EXPECT_EQ(lines.Finish(), "");

  std::string huge(3 * OutputLines::kMaxLineBytes, 'y');
  EXPECT_EQ(lines.Feed(huge), "");
  std::string out = lines.Feed("\nNext=1\n");
  EXPECT_EQ(out, std::string(OutputLines::kMaxLineBytes, 'y') + "\nNext=1\n");
}

}  // namespace
