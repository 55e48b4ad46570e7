// Whole installations end to end: a package host on 127.0.0.1 serves the demo
// package, the installer-run program runs as a child process, and the demo
// package (and the demo remover) do their work on temporary folders.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "install/install_records.h"
#include "install_test_support.h"
#include "package_host.h"
#include "platform/utf.h"
#include "support/temp_dir.h"

extern char** environ;

namespace fs = std::filesystem;
using installtest::Event;

namespace {

std::wstring W(const std::string& s) { return platform::Utf8ToWide(s); }

fs::path InstallerRun() { return installtest::BuildDir() / "tools/installer-run/installer-run"; }

constexpr char kServedName[] = "MireloStudioSetup.exe";
const char kPackageName[] = "__Package_Mirelo Studio.exe";

struct ChildRun {
  int exitCode = -1;
  std::string output;
  std::string errors;  // the diagnostic lines on standard error
  std::vector<Event> events;
  // For failure messages: the events, then the end of the diagnostics.
  std::string Describe() const {
    constexpr size_t kTail = 6000;
    return output + "--- standard error (end) ---\n" +
           (errors.size() > kTail ? errors.substr(errors.size() - kTail) : errors);
  }
  std::vector<int> Codes() const {
    std::vector<int> codes;
    for (const Event& e : events) codes.push_back(e.code);
    return codes;
  }
  size_t IndexOf(int code) const {
    std::vector<int> codes = Codes();
    return static_cast<size_t>(std::find(codes.begin(), codes.end(), code) - codes.begin());
  }
};

// Runs installer-run with the arguments and the current environment; collects
// its standard output, standard error (through a file in TMPDIR) and exit status.
ChildRun RunInstaller(const std::vector<std::string>& arguments) {
  const char* tmp = std::getenv("TMPDIR");
  std::string errorFile = std::string(tmp != nullptr ? tmp : "/tmp") + "/installer-run.stderr";
  ChildRun run;
  std::string program = InstallerRun().string();
  std::vector<std::string> all = {program};
  all.insert(all.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& a : all) argv.push_back(a.data());
  argv.push_back(nullptr);

  int fds[2];
  if (::pipe(fds) != 0) return run;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
  posix_spawn_file_actions_addopen(&actions, 2, errorFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addclose(&actions, fds[0]);
  posix_spawn_file_actions_addclose(&actions, fds[1]);
  pid_t pid = 0;
  int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(fds[1]);
  if (spawned != 0) {
    ::close(fds[0]);
    return run;
  }
  char buffer[4096];
  for (;;) {
    ssize_t n = ::read(fds[0], buffer, sizeof buffer);
    if (n <= 0) break;
    run.output.append(buffer, static_cast<size_t>(n));
  }
  ::close(fds[0]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  std::error_code ec;
  if (fs::exists(errorFile, ec)) {
    run.errors = testsupport::ReadFile(errorFile);
    fs::remove(errorFile, ec);
  }

  // "<code> <value> <text>" per line.
  std::istringstream lines(run.output);
  std::string line;
  while (std::getline(lines, line)) {
    size_t first = line.find(' ');
    size_t second = first == std::string::npos ? std::string::npos : line.find(' ', first + 1);
    if (second == std::string::npos) {
      ADD_FAILURE() << "malformed event line: " << line;
      continue;
    }
    run.events.push_back({std::atoi(line.substr(0, first).c_str()),
                          std::strtod(line.substr(first + 1, second - first - 1).c_str(), nullptr),
                          W(line.substr(second + 1))});
  }
  return run;
}

class EndToEndTest : public testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"appdata", "config", "tmp", "programs", "programs86", "host"})
      fs::create_directories(dir_ / name);
    env_.emplace_back("APPDATA", (dir_ / "appdata").string());
    env_.emplace_back("XDG_CONFIG_HOME", (dir_ / "config").string());
    env_.emplace_back("TMPDIR", (dir_ / "tmp").string());
    env_.emplace_back("ProgramFiles", (dir_ / "programs").string());
    env_.emplace_back("ProgramFiles(x86)", (dir_ / "programs86").string());
    // The installed product's remover is a copy of the demo remover.
    env_.emplace_back("DEMO_REMOVER_PATH", installtest::DemoRemover().string());
    env_.emplace_back("DEMO_REMOVER_SCRIPT", std::nullopt);

    // The demo package, padded to the size of a real package (the download
    // expects more than a mebibyte); bytes after the program do not matter.
    std::string bytes = testsupport::ReadFile(installtest::DemoPackage());
    if (bytes.size() < 1536 * 1024) bytes.resize(1536 * 1024, '\0');
    testsupport::WriteFile(dir_ / "host" / kServedName, bytes);
  }

  // Starts the host; `digest` overrides the digest in the package's address.
  void StartHost(std::function<std::string(const std::string&)> digest = {}) {
    packagehost::Options options;
    options.root = (dir_ / "host").string();
    options.digest = std::move(digest);
    host_ = std::make_unique<packagehost::PackageHost>(options);
    ASSERT_GT(host_->Start(), 0);
  }

  std::string RegistryFile() const {
    return (dir_ / "config" / "registry" / "HKEY_CURRENT_USER" / "Software" / "TarselSoft" / "Mirelo Studio.reg")
        .string();
  }

  // Checks the order the protocol guide promises for a successful installation.
  static void ExpectInstallationEvents(const ChildRun& run) {
    std::vector<int> codes = run.Codes();
    ASSERT_FALSE(codes.empty()) << run.Describe();
    EXPECT_EQ(codes.back(), 2003) << run.Describe();
    EXPECT_EQ(std::count(codes.begin(), codes.end(), 2003), 1) << run.Describe();
    EXPECT_EQ(std::count(codes.begin(), codes.end(), 1004), 0) << run.Describe();
    size_t start = run.IndexOf(1001), downloaded = run.IndexOf(1003), installing = run.IndexOf(2001);
    ASSERT_LT(installing, codes.size()) << run.Describe();
    EXPECT_LT(start, downloaded) << run.Describe();
    EXPECT_LT(downloaded, installing) << run.Describe();
    // Progress and the path records of the package all come between 2001 and 2003.
    for (int code : {2002, 3000, 3001, 3003}) {
      size_t at = run.IndexOf(code);
      EXPECT_LT(at, codes.size()) << code << "\n" << run.Describe();
      EXPECT_GT(at, installing) << code << "\n" << run.Describe();
    }
    int progress = static_cast<int>(std::count(codes.begin(), codes.end(), 2002));
    EXPECT_GE(progress, 2) << run.Describe();
  }

  testsupport::TempDir dir_;
  std::deque<installtest::ScopedEnv> env_;  // deque: the entries cannot move
  std::unique_ptr<packagehost::PackageHost> host_;
};

TEST_F(EndToEndTest, InstallsTheDownloadedPackage) {
  StartHost();
  fs::path folder = dir_ / "programs" / "Mirelo Studio";
  ChildRun run = RunInstaller({"--url", host_->UrlFor(kServedName), "--folder", folder.string(), "--type", "1",
                               "--lang", "en", "--dsc", "false"});

  EXPECT_EQ(run.exitCode, 0) << run.Describe();
  ExpectInstallationEvents(run);
  // The first event is the download's start: no earlier version to remove.
  ASSERT_FALSE(run.events.empty());
  EXPECT_EQ(run.events.front().code, 1001);
  // The package reported the folder it installed into.
  EXPECT_EQ(run.events[run.IndexOf(3000)].text, W(folder.string()));

  EXPECT_TRUE(fs::is_regular_file(folder / "MireloStudio.exe"));
  EXPECT_TRUE(fs::is_regular_file(folder / "uninst.ep"));
  EXPECT_FALSE(fs::exists(folder / kPackageName));
  EXPECT_TRUE(fs::is_regular_file(folder / "set.ini"));
  std::string registry = testsupport::ReadFile(RegistryFile());
  EXPECT_NE(registry.find("InstallPath"), std::string::npos) << registry;
  EXPECT_NE(registry.find(folder.string()), std::string::npos) << registry;
  // The package was fetched from the host (and only from it).
  EXPECT_FALSE(host_->Requests().empty());
}

TEST_F(EndToEndTest, RemovesTheRegisteredEarlierInstallationFirst) {
  // An earlier installation, registered as the window would have left it.
  fs::path old = dir_ / "old version";
  fs::create_directories(old);
  testsupport::WriteFile(old / "MireloStudio.exe", "earlier product");
  fs::copy_file(installtest::DemoRemover(), old / "uninst.ep");
  ASSERT_TRUE(WriteRegistryValue(kInstallPathValue, W(old.string())));
  ASSERT_TRUE(WriteRegistryValue(kUninstallEpValue, W((old / "uninst.ep").string())));

  StartHost();
  fs::path folder = dir_ / "new version";
  ChildRun run = RunInstaller({"--url", host_->UrlFor(kServedName), "--folder", folder.string()});

  EXPECT_EQ(run.exitCode, 0) << run.Describe();
  ExpectInstallationEvents(run);
  std::vector<int> codes = run.Codes();
  ASSERT_FALSE(codes.empty());
  EXPECT_EQ(codes.front(), 5002) << run.Describe();
  size_t removed = run.IndexOf(5003);
  EXPECT_LT(removed, run.IndexOf(1001)) << run.Describe();
  for (size_t i = 0; i < removed; ++i) EXPECT_EQ(codes[i], 5002) << run.Describe();

  EXPECT_FALSE(fs::exists(old / "MireloStudio.exe"));
  EXPECT_FALSE(fs::exists(old / "uninst.ep"));
  EXPECT_TRUE(fs::is_regular_file(folder / "MireloStudio.exe"));
  EXPECT_FALSE(fs::exists(folder / kPackageName));
  // The records now name the new installation.
  std::pair<bool, std::wstring> path = ReadRegistryValue(kInstallPathValue);
  EXPECT_TRUE(path.first);
  EXPECT_EQ(path.second, W(folder.string()));
}

TEST_F(EndToEndTest, FailedRunsExitWithOne) {
  // The package's address names another digest: the download is fetched twice,
  // then fails. Or the package itself reports a failure (its script reaches it
  // through the extra package arguments).
  testsupport::WriteFile(dir_ / "fail.txt", "write Progress=0.5\\nState=Fail\\n\n");
  struct Case {
    const char* name;
    bool wrongDigest;
    std::vector<std::string> extra;
    int finalCode;
  } cases[] = {
      {"DigestMismatch", true, {}, 1004},
      {"PackageFails", false, {"--instcmd", "-demoscript=" + (dir_ / "fail.txt").string()}, 2004},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.wrongDigest) {
      StartHost([](const std::string&) { return std::string(32, '0'); });
    } else {
      StartHost();
    }
    fs::path folder = dir_ / c.name;
    std::vector<std::string> arguments = {"--url", host_->UrlFor(kServedName), "--folder", folder.string()};
    arguments.insert(arguments.end(), c.extra.begin(), c.extra.end());
    ChildRun run = RunInstaller(arguments);
    EXPECT_EQ(run.exitCode, 1) << run.Describe();
    std::vector<int> codes = run.Codes();
    ASSERT_FALSE(codes.empty()) << run.Describe();
    EXPECT_EQ(codes.front(), 1001) << run.Describe();
    EXPECT_EQ(codes.back(), c.finalCode) << run.Describe();
    EXPECT_EQ(std::count(codes.begin(), codes.end(), 2003), 0) << run.Describe();
    EXPECT_FALSE(fs::exists(folder / kPackageName));
    EXPECT_FALSE(fs::exists(folder / "MireloStudio.exe"));
    EXPECT_FALSE(fs::exists(RegistryFile()));
    host_.reset();
  }
}

TEST(InstallerRunUsage, BadCommandLinesExitWithTwo) {
  testsupport::TempDir dir;
  installtest::ScopedEnv tmp("TMPDIR", dir.str());
  const std::vector<std::vector<std::string>> cases = {
      {},
      {"--url", "http://127.0.0.1:1/p"},                               // no folder
      {"--folder", "/tmp/x"},                                          // no address
      {"--url", "u", "--folder", "f", "--dsc", "maybe"},               // not a truth value
      {"--url", "u", "--folder", "f", "--type", "two"},                // not a number
      {"--url", "u", "--folder", "f", "--unknown"},                    // unknown option
      {"--url", "u", "--folder", "f", "--lang"},                       // value missing
      {"--download-only", "--url", "u", "--folder", "f", "--insnew"},  // whole-run option
  };
  for (const std::vector<std::string>& arguments : cases) {
    ChildRun run = RunInstaller(arguments);
    EXPECT_EQ(run.exitCode, 2) << testing::PrintToString(arguments);
    EXPECT_TRUE(run.output.empty());
    EXPECT_NE(run.errors.find("usage:"), std::string::npos);
  }
}

}  // namespace
