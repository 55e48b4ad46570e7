// Account checks and opening files through the shell.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "platform/accounts.h"
#include "platform/shell.h"
#include "platform/utf.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;

namespace {

TEST(Accounts, AdminAccountRules) {
  EXPECT_TRUE(platform::IsAdminAccount(L"root"));
  EXPECT_FALSE(platform::IsAdminAccount(L""));
  EXPECT_FALSE(platform::IsAdminAccount(L"no-such-user-for-mirelo-tests"));
  // "nobody" belongs to none of the administrator groups on any usual system.
  EXPECT_FALSE(platform::IsAdminAccount(L"nobody"));
}

TEST(ShellOpen, StartsAnExecutableDetachedInTheGivenFolder) {
  testsupport::TempDir dir;
  fs::path program = dir / "product.sh";
  testsupport::WriteFile(program, "#!/bin/sh\necho started > marker.txt\n");
  fs::permissions(program, fs::perms::owner_all);
  fs::path work = dir / "work";
  fs::create_directories(work);
  ASSERT_TRUE(platform::ShellOpen(platform::Utf8ToWide(program.string()), platform::Utf8ToWide(work.string())));
  // The program runs on its own; give it a moment to write its marker.
  for (int i = 0; i < 500 && !fs::exists(work / "marker.txt"); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_TRUE(fs::exists(work / "marker.txt"));
  EXPECT_FALSE(platform::ShellOpen(L"", L""));
  EXPECT_FALSE(
      platform::ShellOpen(platform::Utf8ToWide(program.string()), platform::Utf8ToWide((dir / "none").string())));
}

}  // namespace
