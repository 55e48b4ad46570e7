#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>

#include "support/temp_dir.h"

namespace {

struct Result {
  int status;
  std::string out;
};

Result RunDigest(const std::string& args) {
  const char* build = std::getenv("MIRELO_BUILD_DIR");
  std::string tool = std::string(build ? build : ".") + "/tools/package-digest/package-digest";
  std::string cmd = "'" + tool + "' " + args + " 2>&1";
  FILE* p = ::popen(cmd.c_str(), "r");
  Result r{-1, {}};
  char buf[512];
  while (p != nullptr && std::fgets(buf, sizeof buf, p) != nullptr) r.out += buf;
  if (p != nullptr) r.status = WEXITSTATUS(::pclose(p));
  return r;
}

TEST(PackageDigest, PrintsLikeMd5sum) {
  testsupport::TempDir dir;
  testsupport::WriteFile(dir / "Mirelo Studio.exe", "abc");
  testsupport::WriteFile(dir / "empty", "");
  const std::string a = (dir / "Mirelo Studio.exe").string(), b = (dir / "empty").string();
  Result r = RunDigest("'" + a + "' '" + b + "'");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "900150983cd24fb0d6963f7d28e17f72  " + a + "\nd41d8cd98f00b204e9800998ecf8427e  " + b + "\n");
}

TEST(PackageDigest, UnreadableFileIsReportedAndFailsTheRun) {
  testsupport::TempDir dir;
  testsupport::WriteFile(dir / "ok", "a");
  const std::string missing = (dir / "missing").string(), ok = (dir / "ok").string();
  Result r = RunDigest("'" + missing + "' '" + ok + "'");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("package-digest: " + missing + ": No such file or directory\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("0cc175b9c0f1b6a831c399e269772661  " + ok + "\n"), std::string::npos) << r.out;
  r = RunDigest("'" + dir.str() + "'");
  EXPECT_EQ(r.status, 1) << "a folder cannot be digested";
}

TEST(PackageDigest, NamesWithBackslashAreEscapedAsMd5sumDoes) {
  testsupport::TempDir dir;
  testsupport::WriteFile(dir / "a\\b", "abc");
  Result r = RunDigest("'" + (dir / "a\\b").string() + "'");
  EXPECT_EQ(r.out, "\\900150983cd24fb0d6963f7d28e17f72  " + dir.str() + "/a\\\\b\n");
}

}  // namespace
