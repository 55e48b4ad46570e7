#include "app/command_line.h"

#include <gtest/gtest.h>

#include <cfloat>

namespace {

InstallerConfiguration Apply(std::vector<std::wstring> args) {
  InstallerConfiguration c;
  c.SetBuiltInDefaults();
  c.downloadUrl = L"http://from-file/";
  c.instCmd = L"file";
  args.insert(args.begin(), L"/opt/installer/setup.exe");
  ApplyCommandLine(args, c);
  return c;
}

TEST(CommandLine, KeysAndValues) {
  CommandLineArgs args = BuildCommandLineArgs(
      {L"/path/setup.exe", L"-instcmd=a=b", L"free", L"-insnew", L"-x=", L"-instcmd=second", L"noDash=1"});
  EXPECT_EQ(args.at(L"-instcmd"), L"a=b");  // the first occurrence wins; only the first "=" splits
  EXPECT_EQ(args.at(L"free"), L"");
  EXPECT_EQ(args.at(L"-insnew"), L"");
  EXPECT_EQ(args.at(L"-x"), L"");
  EXPECT_EQ(args.at(L"noDash=1"), L"") << "without a leading '-' the whole argument is the key";
  EXPECT_EQ(args.count(L"/path/setup.exe"), 1u);
}

TEST(CommandLine, FirstOccurrenceWinsAndNamesAreCaseSensitive) {
  InstallerConfiguration c = Apply({L"-downloadtype=2", L"-downloadtype=3", L"-DownloadUrl=http://ignored/"});
  EXPECT_EQ(c.downloadType, 2);
  EXPECT_EQ(c.downloadUrl, L"http://from-file/");
}

TEST(CommandLine, OptionConversions) {
  InstallerConfiguration c = Apply({L"-downloadurl=", L"-instcmd=a=b", L"-ischecknet=True",
                                    L"-isenableappanalytics=true", L"-language=abc", L"-insnew=true",
                                    L"-dlappnamesuffix=.x", L"-dlappversion=9", L"-downloadscale=0.25rest"});
  EXPECT_EQ(c.downloadUrl, L"");
  EXPECT_EQ(c.instCmd, L"a=b");
  EXPECT_FALSE(c.isCheckNet);
  EXPECT_TRUE(c.isEnableAppAnalytics);
  EXPECT_EQ(c.languageIndex, 0);
  EXPECT_TRUE(c.insNew);
  EXPECT_EQ(c.dlAppNameSuffix, L".x");
  EXPECT_EQ(c.dlAppVersion, L"9");
  EXPECT_DOUBLE_EQ(c.downloadScale, 0.25);
}

TEST(CommandLine, OptionsWithoutValues) {
  InstallerConfiguration c = Apply({L"-insnew", L"-instcmd", L"-downloadtype", L"-language", L"-isenableappanalytics"});
  EXPECT_FALSE(c.insNew);
  EXPECT_EQ(c.instCmd, L"");
  EXPECT_EQ(c.downloadType, 0);
  EXPECT_EQ(c.languageIndex, 0);
  EXPECT_FALSE(c.isEnableAppAnalytics);
}

TEST(CommandLine, NumbersAlwaysHaveDefinedValues) {
  struct Case {
    const wchar_t* arg;
    int32_t type;
    double scale;
  } cases[] = {
      {L"-downloadtype=99999999999", INT32_MAX, 0.7},
      {L"-downloadtype=-99999999999", INT32_MIN, 0.7},
      {L"-downloadscale=abc", 1, 0.7},       // no number: not-a-number, replaced by the default
      {L"-downloadscale=", 1, 0.7},
      {L"-downloadscale=inf", 1, 0.7},
      {L"-downloadscale=1e999", 1, DBL_MAX},  // saturates
      {L"-downloadscale=0", 1, 0.0},
  };
  for (const Case& k : cases) {
    InstallerConfiguration c = Apply({k.arg});
    EXPECT_EQ(c.downloadType, k.type) << k.arg;
    EXPECT_EQ(c.downloadScale, k.scale) << k.arg;
  }
}

TEST(CommandLine, RouteIsResolvedForTheDownloadUrl) {
  InstallerConfiguration c = Apply({L"-downloadurl=http://h/${ROUTE}/p"});
  EXPECT_EQ(c.downloadUrl, L"http://h/download_silent/p");
}

}  // namespace
