// Installation records: the registry store, the folder rules and the settings files.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

#include "install/accounts.h"
#include "install/install_records.h"
#include "install_test_support.h"
#include "platform/ini.h"
#include "platform/registry.h"
#include "platform/utf.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;
using installtest::ScopedEnv;

namespace {

std::wstring W(const fs::path& p) { return platform::Utf8ToWide(p.string()); }

class RecordsTest : public testing::Test {
 protected:
  RecordsTest()
      : config_("XDG_CONFIG_HOME", (dir_ / "config").string()),
        appData_("APPDATA", (dir_ / "appdata").string()),
        x86_("ProgramFiles(x86)", (dir_ / "pf86").string()),
        native_("ProgramFiles", (dir_ / "pf").string()) {}
  void SetUp() override { SetAccounts(true, true); }
  void TearDown() override { SetAccountChecksForTesting(nullptr, nullptr); }
  static void SetAccounts(bool admin, bool elevated) {
    SetAccountChecksForTesting([admin] { return admin; }, [elevated] { return elevated; });
  }

  testsupport::TempDir dir_;
  ScopedEnv config_, appData_, x86_, native_;
};

TEST_F(RecordsTest, RegistryValuesWithAndWithoutTerminatingNul) {
  EXPECT_EQ(ReadRegistryValue(L"InstallPath"), std::make_pair(false, std::wstring()));
  EXPECT_TRUE(WriteRegistryValue(L"InstallPath", L"/opt/A \"quoted\"\\x\n"));
  EXPECT_EQ(ReadRegistryValue(L"InstallPath"), std::make_pair(true, std::wstring(L"/opt/A \"quoted\"\\x\n")));
  EXPECT_TRUE(platform::WriteRegistryRaw(kRegistryKey, L"UnInstallEp", std::wstring(L"/opt/A/uninst.ep\0", 17)));
  EXPECT_EQ(ReadRegistryValue(L"UnInstallEp"), std::make_pair(true, std::wstring(L"/opt/A/uninst.ep")));
  // Both values live in one file per key, beside each other.
  fs::path file = dir_ / "config/registry/HKEY_CURRENT_USER/Software/TarselSoft/Mirelo Studio.reg";
  ASSERT_TRUE(fs::exists(file));
  EXPECT_EQ(platform::ParseRegistryFile(testsupport::ReadFile(file)).size(), 2u);
  // No temporary file is left beside it.
  EXPECT_EQ(std::distance(fs::directory_iterator(file.parent_path()), fs::directory_iterator()), 1);
}

TEST(RegistryFile, ReaderSkipsDamagedLines) {
  platform::RegistryValues v = platform::ParseRegistryFile(
      "MIRELO-REGISTRY 1\r\n\"A\"=\"1\"\r\ngarbage\n\"B\"=\"unterminated\n\"C\"=\"x\\q\"\n\"D\"=\"2\" tail\n"
      "\"E\"=\"\\0\\t\"\n");
  EXPECT_EQ(v.size(), 2u);
  EXPECT_EQ(v[L"A"], L"1");
  EXPECT_EQ(v[L"E"], std::wstring(L"\0\t", 2));
  EXPECT_EQ(platform::ParseRegistryFile(platform::SerializeRegistryFile(v)), v);
}

TEST(RegistryFile, KeyPathsStayInsideTheStore) {
  ScopedEnv config("XDG_CONFIG_HOME", "/cfg");
  EXPECT_EQ(platform::RegistryKeyFile(L"Software\\..\\..\\x"), L"/cfg/registry/HKEY_CURRENT_USER/Software/x.reg");
  EXPECT_EQ(platform::RegistryKeyFile(L"..\\.."), L"");
}

TEST_F(RecordsTest, RegisteredFolderGivesTheDefaultRemoverRecord) {
  WriteRegistryValue(L"InstallPath", L"/opt/A");
  RegisteredInstall r = ReadInstallRecords();
  EXPECT_EQ(r.folder, L"/opt/A");
  EXPECT_EQ(r.removerRecord, L"/opt/A/uninst.ep");
}

TEST_F(RecordsTest, DefaultFolderRules) {
  fs::path registered = dir_ / "registered";
  fs::create_directories(registered);
  testsupport::WriteFile(registered / "uninst.ep", "r");
  RegisteredInstall r{W(registered), W(registered / "uninst.ep")};
  AccountFlags flags;
  EXPECT_EQ(DefaultInstallDir(r, flags), W(registered));

  fs::remove(registered / "uninst.ep");
  struct Case {
    bool admin, elevated;
    fs::path expected;
  } cases[] = {{true, true, dir_ / "appdata/quillon/Mirelo Studio"},
               {false, true, dir_ / "pf86/Mirelo Studio"},
               {true, false, dir_ / "pf86/Mirelo Studio"}};
  for (const Case& c : cases) {
    SetAccounts(c.admin, c.elevated);
    EXPECT_EQ(DefaultInstallDir(r, flags), W(c.expected));
    EXPECT_EQ(flags.adminAccount, c.admin);
    EXPECT_EQ(flags.elevated, c.elevated);
  }
  // A trailing separator is not doubled.
  ScopedEnv x86("ProgramFiles(x86)", (dir_ / "pf86").string() + "/");
  SetAccounts(false, false);
  EXPECT_EQ(DefaultInstallDir(RegisteredInstall{}, flags), W(dir_ / "pf86/Mirelo Studio"));
}

TEST_F(RecordsTest, CustomFolderRules) {
  AccountFlags flags;
  RegisteredInstall none;
  std::wstring def = DefaultInstallDir(none, flags);
  std::wstring base = W(dir_.path());
  struct Case {
    std::wstring typed, expected;
  } cases[] = {
      {base + L"/Apps", base + L"/Apps/Mirelo Studio"},
      {base + L"\\Apps\\", base + L"/Apps/Mirelo Studio"},
      {def, def},
      {def + L"/", def},
      {def + L"/./sub/..", def},
      {base + L"/appdata//quillon/Mirelo Studio", def},
  };
  for (const Case& c : cases) EXPECT_EQ(CustomInstallFolder(c.typed, none, flags), c.expected);
  EXPECT_TRUE(IsDefaultFolder(def + L"//", none, flags));
  EXPECT_FALSE(IsDefaultFolder(def + L"x", none, flags));
}

TEST_F(RecordsTest, RemovalIsSkippedOnlyForTheRegisteredFolderWithIsOverrideFalse) {
  fs::path registered = dir_ / "reg";
  fs::create_directories(registered);
  RegisteredInstall r{W(registered), W(registered / "uninst.ep")};
  struct Case {
    const char* value;  // nullptr: no settings file
    std::wstring chosen;
    bool skip;
  } cases[] = {{"false", W(registered), true}, {"false", W(registered) + L"/", true}, {"False", W(registered), false},
               {"true", W(registered), false}, {"false", W(dir_ / "other"), false},   {nullptr, W(registered), false}};
  for (const Case& c : cases) {
    fs::remove(registered / "set.ini");
    if (c.value != nullptr)
      platform::WriteProfileString(L"Uninstall", L"IsOverride", platform::Utf8ToWide(c.value),
                                   W(registered / "set.ini"));
    EXPECT_EQ(SkipRemovalForFolder(c.chosen, r), c.skip) << (c.value ? c.value : "none");
  }
}

TEST_F(RecordsTest, InstallRecordsAfterSuccess) {
  fs::path folder = dir_ / "installed";
  fs::create_directories(folder);
  // No remover record reported and none left: only the folder is written.
  EXPECT_EQ(WriteInstallRecords(W(folder), L""), W(folder / "uninst.ep"));
  EXPECT_EQ(ReadRegistryValue(L"InstallPath").second, W(folder));
  EXPECT_FALSE(ReadRegistryValue(L"UnInstallEp").first);

  testsupport::WriteFile(folder / "custom.ep", "r");
  EXPECT_EQ(WriteInstallRecords(W(folder), W(folder / "custom.ep")), W(folder / "custom.ep"));
  EXPECT_EQ(ReadRegistryValue(L"UnInstallEp").second, W(folder / "custom.ep"));
}

TEST_F(RecordsTest, SettingsFileGetsANewDeviceIdEveryTime) {
  fs::path folder = dir_ / "installed";
  fs::create_directories(folder);
  std::wstring settings = W(folder / "set.ini");
  WriteSettingsFile(W(folder));
  std::wstring first = platform::ReadProfileString(L"Install", L"DeviceID", L"", settings);
  WriteSettingsFile(W(folder));
  std::wstring second = platform::ReadProfileString(L"Install", L"DeviceID", L"", settings);
  EXPECT_EQ(first.size(), 32u);
  EXPECT_NE(first, second);
  EXPECT_EQ(platform::ReadProfileString(L"Install", L"AppName", L"", settings), L"Mirelo Studio");
  EXPECT_FALSE(platform::ReadProfileString(L"Install", L"APPStore", L"", settings).empty());
  std::wstring analytics = W(dir_ / "appdata/TarselData/Mirelo Studio/TZAnalytics.ini");
  EXPECT_EQ(DataFolder(), W(dir_ / "appdata/TarselData/Mirelo Studio"));
  EXPECT_EQ(platform::ReadProfileString(L"Install", L"TZAnalyticsIni", L"", settings), analytics);
  EXPECT_EQ(platform::ReadProfileString(L"Init", L"UpdateTime", L"", analytics).size(), 19u);
}

TEST_F(RecordsTest, SettingsWithoutADataFolder) {
  // The data folder cannot be made under a regular file.
  testsupport::WriteFile(dir_ / "blocked", "x");
  ScopedEnv appData("APPDATA", (dir_ / "blocked").string());
  fs::path folder = dir_ / "installed";
  fs::create_directories(folder);
  WriteSettingsFile(W(folder));
  std::wstring settings = W(folder / "set.ini");
  EXPECT_EQ(platform::ReadProfileString(L"Install", L"DeviceID", L"", settings).size(), 32u);
  EXPECT_EQ(platform::ReadProfileString(L"Install", L"TZAnalyticsIni", L"none", settings), L"none");
}

}  // namespace
