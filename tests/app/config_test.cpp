#include "app/config.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cfloat>
#include <cstdio>
#include <cstdlib>

#include "support/temp_dir.h"

namespace {

using testsupport::TempDir;
using testsupport::WriteFile;

InstallerConfiguration LoadFrom(const TempDir& dir, const char* iniText) {
  if (iniText != nullptr) WriteFile(dir / "TarselInstallerConfig.ini", iniText);
  InstallerConfiguration c;
  c.SetBuiltInDefaults();
  LoadInstallerConfig(c, (dir / "installer.exe").wstring());
  return c;
}

TEST(InstallerConfig, BuiltInDefaultsWithoutAFile) {
  TempDir dir;
  InstallerConfiguration c = LoadFrom(dir, nullptr);
  EXPECT_EQ(c.productName, L"Mirelo Studio");
  EXPECT_EQ(c.productVersion, L"1.7.9");
  EXPECT_EQ(c.installerFileName, L"installer.exe");
  EXPECT_FALSE(c.isCheckNet);
  EXPECT_TRUE(c.isEnableAppAnalytics);
  EXPECT_DOUBLE_EQ(c.downloadScale, 0.7);
  EXPECT_EQ(c.downloadType, 1);
  EXPECT_EQ(c.dlAppNameSuffix, L".downloader");
  EXPECT_TRUE(c.networkReady);
  EXPECT_EQ(c.abGroup, L"IN");
  EXPECT_EQ(c.languageIndex, -1);
  EXPECT_EQ(c.downloadUrl.find(L"${ROUTE}"), std::wstring::npos) << "the default address is route-resolved";
  EXPECT_NE(c.downloadUrl.find(L"/software/449"), std::wstring::npos);
}

TEST(InstallerConfig, EmptySectionUsesTheFileDefaults) {
  TempDir dir;
  InstallerConfiguration c = LoadFrom(dir, "[Install]\n");
  EXPECT_TRUE(c.isCheckNet);
  EXPECT_TRUE(c.isEnableAppAnalytics);
  EXPECT_DOUBLE_EQ(c.downloadScale, 0.7);
  EXPECT_EQ(c.downloadType, 1);
}

TEST(InstallerConfig, ValuesFromTheFile) {
  TempDir dir;
  InstallerConfiguration c = LoadFrom(dir,
                                      "[install]\n"
                                      "downloadurl=http://127.0.0.1:1/${ROUTE}/x/${ROUTE}\n"
                                      "DownloadType=3tail\n"
                                      "IsEnableAppAnalytics=false\n"
                                      "DlAppNameSuffix=.dl\n"
                                      "m_DlAppVersion=2.0\n"
                                      "InstCmd=-x=1 -y\n");
  EXPECT_EQ(c.downloadType, 3);
  EXPECT_FALSE(c.isEnableAppAnalytics);
  EXPECT_EQ(c.dlAppNameSuffix, L".dl");
  EXPECT_EQ(c.dlAppVersion, L"2.0");
  EXPECT_EQ(c.instCmd, L"-x=1 -y");
  // Linux release names never contain "XP": both placeholders take the normal route.
  EXPECT_EQ(c.downloadUrl, L"http://127.0.0.1:1/download_silent/x/download_silent");
}

TEST(InstallerConfig, BooleanAndScaleConversions) {
  struct Case {
    const char* text;
    bool checkNet;
    double scale;
  } cases[] = {
      {"IsCheckNet=true\nDownloadScale=0.5kb\n", true, 0.5},
      {"IsCheckNet=TRUE\nDownloadScale=abc\n", false, 0.0},
      {"IsCheckNet=1\nDownloadScale=1e999\n", false, DBL_MAX},
      {"IsCheckNet= true\nDownloadScale=nan\n", true, 0.7},  // the reader trims the value
      {"IsCheckNet=yes\nDownloadScale=-inf\n", false, 0.7},
  };
  for (const Case& k : cases) {
    TempDir dir;
    InstallerConfiguration c = LoadFrom(dir, (std::string("[Install]\n") + k.text).c_str());
    EXPECT_EQ(c.isCheckNet, k.checkNet) << k.text;
    EXPECT_EQ(c.downloadScale, k.scale) << k.text;
  }
}

TEST(ResolveDownloadRoute, ReplacesEveryPlaceholder) {
  EXPECT_EQ(ResolveDownloadRoute(L"http://h/${ROUTE}/a/${ROUTE}", L"6.1.0"),
            L"http://h/download_silent/a/download_silent");
  EXPECT_EQ(ResolveDownloadRoute(L"http://h/${ROUTE}", L"XP-"), L"http://h/download_silent_xp");
  EXPECT_EQ(ResolveDownloadRoute(L"http://h/plain", L"XP"), L"http://h/plain");
  EXPECT_EQ(ResolveDownloadRoute(L"${ROUTE}${ROUTE}", L"10"), L"download_silentdownload_silent");
}

// Runs a copy of the probe program placed in `folder`, from the working folder `cwd`.
std::string RunProbe(const std::filesystem::path& folder, const std::filesystem::path& cwd, const std::string& args) {
  const char* build = std::getenv("MIRELO_BUILD_DIR");
  std::filesystem::path probe = std::filesystem::path(build ? build : ".") / "tests/app/config_probe";
  std::filesystem::copy_file(probe, folder / "my_setup.exe", std::filesystem::copy_options::overwrite_existing);
  std::string cmd = "cd '" + cwd.string() + "' && '" + (folder / "my_setup.exe").string() + "' " + args;
  FILE* p = ::popen(cmd.c_str(), "r");
  std::string out;
  char buf[512];
  while (p != nullptr && std::fgets(buf, sizeof buf, p) != nullptr) out += buf;
  if (p != nullptr) ::pclose(p);
  return out;
}

TEST(InstallerConfig, StaticInitialisationReadsTheFileBesideTheExecutableOnly) {
  TempDir exeDir, cwd;
  WriteFile(exeDir / "TarselInstallerConfig.ini", "[Install]\nDownloadType=3\nInstCmd=beside\n");
  WriteFile(cwd / "TarselInstallerConfig.ini", "[Install]\nDownloadType=2\nInstCmd=cwd\n");
  std::string out = RunProbe(exeDir.path(), cwd.path(), "");
  EXPECT_NE(out.find("installerFileName=my_setup.exe\n"), std::string::npos) << out;
  EXPECT_NE(out.find("downloadType=3\n"), std::string::npos) << out;
  EXPECT_NE(out.find("instCmd=beside\n"), std::string::npos) << out;
  EXPECT_NE(out.find("isCheckNet=1\n"), std::string::npos) << out;

  // The command line overrides the file.
  out = RunProbe(exeDir.path(), cwd.path(), "-downloadtype=2 -downloadtype=1 '-instcmd=/a /b' -ischecknet=True");
  EXPECT_NE(out.find("downloadType=2\n"), std::string::npos) << out;
  EXPECT_NE(out.find("instCmd=/a /b\n"), std::string::npos) << out;
  EXPECT_NE(out.find("isCheckNet=0\n"), std::string::npos) << out;
}

}  // namespace
