#include "utils/system_identity.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <regex>

#include "platform/system_info.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"

namespace {


TEST(InstallerTempFolder, CreatedPrivateAndReused) {
  testsupport::TempDir dir;
  testsupport::ScopedEnv scope("TMPDIR", dir.str().c_str());
  const std::wstring expected = dir.wstr() + L"/~TarselTemp.92482B06FB471E17/";
  EXPECT_EQ(Utils::InstallerTempFolder(), expected);
  struct stat st {};
  ASSERT_EQ(::stat((dir / "~TarselTemp.92482B06FB471E17").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  EXPECT_EQ(Utils::InstallerTempFolder(), expected) << "the same folder on every call";
}

TEST(InstallerTempFolder, RefusesAFolderOthersCanWrite) {
  testsupport::TempDir dir;
  testsupport::ScopedEnv scope("TMPDIR", dir.str().c_str());
  std::filesystem::create_directory(dir / "~TarselTemp.92482B06FB471E17");
  ::chmod((dir / "~TarselTemp.92482B06FB471E17").c_str(), 0777);
  EXPECT_EQ(Utils::InstallerTempFolder(), L"");
}

TEST(InstallerTempFolder, EmptyWhenTooLongOrImpossible) {
  testsupport::TempDir dir;
  {
    testsupport::ScopedEnv scope("TMPDIR", (dir.str() + "/" + std::string(240, 'x')).c_str());
    EXPECT_EQ(Utils::InstallerTempFolder(), L"");
  }
  {
    testsupport::ScopedEnv scope("TMPDIR", (dir.str() + "/missing/parent").c_str());
    EXPECT_EQ(Utils::InstallerTempFolder(), L"");
  }
}

TEST(GuidText, FormatAndCase) {
  const uint8_t tail[8] = {0x01, 0xAB, 0x02, 0xCD, 0x03, 0xEF, 0x04, 0x5A};
  EXPECT_EQ(Utils::FormatGuidText(0x0012ABCDu, 0xABCD, 0xABCD, tail), L"0012ABCDABCDabcd01AB02CD03EF045A");
  const std::wregex shape(L"^[0-9A-F]{12}[0-9a-f]{4}[0-9A-F]{16}$");
  std::wstring a = Utils::NewGuidText(), b = Utils::NewGuidText();
  EXPECT_TRUE(std::regex_match(a, shape));
  EXPECT_NE(a, b);
}

TEST(OsVersionName, LinuxFamilyAndKernelRelease) {
  Utils::OsVersion v = Utils::OsVersionName();
  EXPECT_EQ(v.family, L"Linux");
  platform::KernelVersion k = platform::GetKernelVersion();
  EXPECT_EQ(v.name, std::to_wstring(k.major) + L"." + std::to_wstring(k.minor) + L"." + std::to_wstring(k.patch));
  EXPECT_EQ(v.name.find(L"XP"), std::wstring::npos);
}

}  // namespace
