// installer-run --download-only as a child process against an in-process package host.
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "download_test_support.h"
#include "support/temp_dir.h"
#include "utils/md5.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

// Runs the program and returns its exit status; standard output goes to `out`.
int RunChild(const std::vector<std::string>& args, std::string& out) {
  int fds[2];
  if (pipe(fds) != 0) return -1;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
  posix_spawn_file_actions_addclose(&actions, fds[0]);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  std::vector<char*> argv;
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t pid = 0;
  int spawned = posix_spawn(&pid, args[0].c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(fds[1]);
  if (spawned != 0) {
    close(fds[0]);
    return -1;
  }
  char buffer[4096];
  ssize_t got;
  while ((got = read(fds[0], buffer, sizeof buffer)) > 0) out.append(buffer, static_cast<size_t>(got));
  close(fds[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

TEST(InstallerRunTest, DownloadOnlyPrintsEveryEventAndReportsTheEnding) {
  const char* build = std::getenv("MIRELO_BUILD_DIR");
  if (!build) GTEST_SKIP() << "MIRELO_BUILD_DIR is not set";
  const std::string program = std::string(build) + "/tools/installer-run/installer-run";
  testsupport::TempDir served;
  testsupport::TempDir folder;
  downloadtest::WritePackage(served / "p.bin", 1048576 + 77);
  packagehost::PackageHost host(packagehost::Options{served.str()});
  ASSERT_GT(host.Start(), 0);

  struct Case {
    std::string url;
    std::string type;
    int exitStatus;
    std::vector<std::string> lines;  // without progress lines
  } cases[] = {
      {host.RedirectUrlFor("p.bin"), "1", 0, {"1001 1 ", "1003 0 LibCurl"}},
      {host.UrlFor("p.bin"), "3", 0, {"1001 1 ", "1003 0 LibCurl"}},
      {host.UrlFor("p.bin"), "2", 0, {"1001 1 ", "1003 0 URLDownloadToFile"}},
      // An address the host does not know: the length query fails and the run ends at once.
      {host.BaseUrl() + "ABC/p.bin", "3", 1, {"1001 1 ", "1004 0 LibCurl"}},
  };
  for (const auto& c : cases) {
    std::string out;
    int status = RunChild({program, "--download-only", "--url", c.url, "--folder", folder.str(), "--type", c.type},
                          out);
    EXPECT_EQ(status, c.exitStatus) << c.type << " " << out;
    std::vector<std::string> lines;
    for (const auto& line : Lines(out)) {
      if (line.rfind("1002 ", 0) != 0) lines.push_back(line);
    }
    EXPECT_EQ(lines, c.lines) << c.type;
    if (c.exitStatus == 0) {
      EXPECT_EQ(Utils::GetFileMd5((folder / "__Package_Mirelo Studio.exe").string()), host.DigestOf("p.bin"));
    }
  }
  std::string out;
  EXPECT_EQ(RunChild({program, "--url"}, out), 2);
}

}  // namespace
