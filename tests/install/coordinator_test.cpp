// The coordinator's run: removal, download and installation chained through
// their events, with a scripted downloader and the real demo programs.
#include <gtest/gtest.h>

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <thread>

#include "app/config.h"
#include "install/download_installer.h"
#include "install/installation_run.h"
#include "install/installer.h"
#include "install_test_support.h"
#include "platform/process.h"
#include "platform/utf.h"
#include "support/log_capture.h"
#include "support/temp_dir.h"
#include "utils/clock.h"

namespace fs = std::filesystem;
using installtest::Event;
using installtest::EventLog;

namespace {

std::wstring W(const std::string& s) { return platform::Utf8ToWide(s); }
std::string N(const std::wstring& s) { return platform::WideToUtf8(s); }

// What one run of the scripted downloader does: the events it raises, and
// whether it writes the demo package to its destination before a success.
using RunScript = std::vector<int>;

struct DownloaderScript {
  std::mutex lock;
  std::deque<RunScript> runs;  // one entry per Start
  int created = 0;
  int started = 0;
  int lastType = -1;
  std::wstring lastPath;
};

// A downloader whose runs follow a script, each on a thread of its own.
class ScriptedDownloader : public CDownloader {
 public:
  ScriptedDownloader(DownloadListener listener, std::wstring path, DownloaderScript* script)
      : listener_(std::move(listener)), path_(std::move(path)), script_(script) {}
  ~ScriptedDownloader() override { WaitIdle(); }
  // Waits until every run has returned from its last listener call.
  void WaitIdle() {
    for (;;) {
      std::thread t;
      {
        std::lock_guard<std::mutex> guard(threadsLock_);
        if (threads_.empty()) break;
        t = std::move(threads_.front());
        threads_.pop_front();
      }
      t.join();
    }
  }
  void Start() override {
    RunScript run;
    {
      std::lock_guard<std::mutex> guard(script_->lock);
      ++script_->started;
      if (!script_->runs.empty()) {
        run = script_->runs.front();
        script_->runs.pop_front();
      } else {
        run = {DL_CODE_START, DL_CODE_FAIL};
      }
    }
    std::lock_guard<std::mutex> guard(threadsLock_);
    threads_.emplace_back([this, run] {
      for (int code : run) {
        if (code == DL_CODE_SUCCESS) {
          // The package arrives without execute permission, as downloads do.
          std::string bytes = testsupport::ReadFile(installtest::DemoPackage());
          testsupport::WriteFile(N(path_), bytes);
          fs::permissions(N(path_), fs::perms::owner_read | fs::perms::owner_write);
        }
        double value = code == DL_CODE_START ? 1.0 : code == DL_CODE_FAIL ? 28.0 : 0.0;
        listener_(code, value, code == DL_CODE_START ? L"" : L"LibCurl");
      }
    });
  }

 private:
  DownloadListener listener_;
  std::wstring path_;
  DownloaderScript* script_;
  std::mutex threadsLock_;
  std::deque<std::thread> threads_;
};

DownloaderFactory ScriptedFactory(DownloaderScript* script) {
  return [script](int type, DownloadListener listener, const std::wstring&, const std::wstring& path) {
    std::lock_guard<std::mutex> guard(script->lock);
    ++script->created;
    script->lastType = type;
    script->lastPath = path;
    return std::make_unique<ScriptedDownloader>(std::move(listener), path, script);
  };
}

// Waits until an event that ends a run has arrived.
class RunWaiter {
 public:
  InstallerListener Listener(EventLog& log) {
    InstallerListener inner = log.Listener();
    return [this, inner](int code, double value, const wchar_t* text) {
      inner(code, value, text);
      if (EndsRun(code)) {
        std::lock_guard<std::mutex> guard(lock_);
        ++ended_;
        cv_.notify_all();
      }
    };
  }
  void WaitForEnds(int count) {
    std::unique_lock<std::mutex> guard(lock_);
    cv_.wait(guard, [&] { return ended_ >= count; });
  }

 private:
  std::mutex lock_;
  std::condition_variable cv_;
  int ended_ = 0;
};

class CoordinatorTest : public testing::Test {
 protected:
  void SetUp() override {
    saved_ = InstallerConfig;
    tmp_.emplace("TMPDIR", dir_.str());
    script_file_ = dir_ / "package-script.txt";
    testsupport::WriteFile(script_file_,
                           "write Progress=0.5\\r\\nInstPath=/somewhere\\r\\nUninstEp=/somewhere/uninst.ep\\r\\n"
                           "TopShowDetention=-1\\r\\nState=Success\\r\\n\n");
    InstallerConfig.instCmd = L"-demoscript=" + W(script_file_.string());
    InstallerConfig.insNew = false;
    InstallerConfig.downloadType = 3;
  }
  void TearDown() override { InstallerConfig = saved_; }

  std::wstring Folder(const std::string& name) { return W((dir_ / name).string()); }

  testsupport::TempDir dir_;
  std::optional<installtest::ScopedEnv> tmp_;
  fs::path script_file_;
  InstallerConfiguration saved_;
  DownloaderScript script_;
  EventLog log_;
  RunWaiter waiter_;
};

TEST_F(CoordinatorTest, DownloadThenInstallPassesEveryEventOn) {
  script_.runs = {{DL_CODE_START, DL_CODE_PROGRESS, DL_CODE_SUCCESS}};
  std::wstring folder = Folder("a/b/Mirelo Studio");
  std::wstring package;
  testsupport::LogCapture capture;
  {
    CDownloadInstaller coordinator(waiter_.Listener(log_), ScriptedFactory(&script_));
    coordinator.SetRunParameters(L"http://127.0.0.1/x", L"", folder, true, false, true, false, L"en");
    coordinator.Start();
    package = coordinator.PackagePath();
    waiter_.WaitForEnds(1);
    EXPECT_EQ(coordinator.Runner()->CommandLine().find(L"\"" + package + L"\" /S"), 0u);
  }
  EXPECT_EQ(package, folder + L"/__Package_Mirelo Studio.exe");
  EXPECT_EQ(script_.lastPath, package);
  EXPECT_EQ(script_.lastType, 3);
  EXPECT_EQ(log_.Events(), (std::vector<Event>{{1001, 1.0, L""},
                                               {1002, 0.0, L"LibCurl"},
                                               {1003, 0.0, L"LibCurl"},
                                               {2001, 0.0, L""},
                                               {2002, 0.0, L""},
                                               {2002, 0.5, L""},
                                               {3000, 0.0, L"/somewhere\r"},
                                               {3003, 0.0, L"/somewhere/uninst.ep\r"},
                                               {3007, 4294967295.0, L""},
                                               {2003, 0.0, L""}}));
  EXPECT_TRUE(fs::is_directory(N(folder)));  // made with its parents on 1001
  EXPECT_FALSE(fs::exists(N(package)));      // discarded after the installation
  EXPECT_EQ(CDownloadInstaller::RememberedPackagePath(), package);
  EXPECT_EQ(capture.Count(L"DL_TYPE=3\r\n"), 1u);
  EXPECT_EQ(capture.Count(L"INSTALL_SUCCESS\r\n"), 1u);
}

TEST_F(CoordinatorTest, RetryRestartsTheSameDownloader) {
  script_.runs = {{DL_CODE_START, DL_CODE_RETRY}, {DL_CODE_START, DL_CODE_FAIL}};
  std::wstring folder = Folder("retry");
  fs::create_directories(N(folder));
  {
    CDownloadInstaller coordinator(waiter_.Listener(log_), ScriptedFactory(&script_));
    coordinator.SetRunParameters(L"u", L"", folder, true, true, true, false, L"");
    coordinator.Start();
    waiter_.WaitForEnds(1);
    testsupport::WriteFile(N(coordinator.PackagePath()), "partial");
  }
  EXPECT_EQ(script_.created, 1);
  EXPECT_EQ(script_.started, 2);
  EXPECT_EQ(log_.Codes(), (std::vector<int>{1001, 1005, 1001, 1004}));
}

TEST_F(CoordinatorTest, LaterRunsReuseStagesAndDeleteTheRememberedPackage) {
  std::wstring first = Folder("first"), second = Folder("second");
  script_.runs = {{DL_CODE_START, DL_CODE_FAIL}, {DL_CODE_START, DL_CODE_FAIL}, {DL_CODE_START, DL_CODE_FAIL}};
  CDownloadInstaller coordinator(waiter_.Listener(log_), ScriptedFactory(&script_));
  coordinator.SetRunParameters(L"u", L"", first, true, true, true, false, L"");
  coordinator.Start();
  waiter_.WaitForEnds(1);
  // The coordinator acts on an event after passing it on; wait for that too.
  static_cast<ScriptedDownloader*>(coordinator.Downloader())->WaitIdle();
  CDownloader* firstDownloader = coordinator.Downloader();
  CInstaller* firstRunner = coordinator.Runner();
  std::string firstPackage = N(coordinator.PackagePath());
  EXPECT_EQ(CDownloadInstaller::RememberedPackagePath(), coordinator.PackagePath());

  // Same folder again: the same stage objects.
  coordinator.Start();
  waiter_.WaitForEnds(2);
  static_cast<ScriptedDownloader*>(coordinator.Downloader())->WaitIdle();
  EXPECT_EQ(coordinator.Downloader(), firstDownloader);
  EXPECT_EQ(coordinator.Runner(), firstRunner);
  EXPECT_EQ(script_.created, 1);

  // Another folder: stages made for the new package path; a package file left
  // in the first folder is deleted when this run ends.
  testsupport::WriteFile(firstPackage, "left behind");
  coordinator.SetRunParameters(L"u", L"", second, true, true, true, false, L"");
  coordinator.Start();
  waiter_.WaitForEnds(3);
  static_cast<ScriptedDownloader*>(coordinator.Downloader())->WaitIdle();
  EXPECT_EQ(script_.created, 2);
  EXPECT_EQ(script_.lastPath, second + L"/__Package_Mirelo Studio.exe");
  EXPECT_FALSE(fs::exists(firstPackage));
  EXPECT_EQ(CDownloadInstaller::RememberedPackagePath(), coordinator.PackagePath());
}

TEST_F(CoordinatorTest, RemovalComesBeforeTheDownload) {
  fs::path old = dir_ / "old install";
  fs::create_directories(old);
  testsupport::WriteFile(old / "MireloStudio.exe", "old product");
  fs::copy_file(installtest::DemoRemover(), old / "uninst.ep");
  script_.runs = {{DL_CODE_START, DL_CODE_SUCCESS}};
  {
    CDownloadInstaller coordinator(waiter_.Listener(log_), ScriptedFactory(&script_));
    coordinator.SetRunParameters(L"u", W((old / "uninst.ep").string()), Folder("new"), true, true, true, false, L"");
    coordinator.Start();
    waiter_.WaitForEnds(1);
  }
  std::vector<int> codes = log_.Codes();
  auto removed = std::find(codes.begin(), codes.end(), 5003);
  auto downloadStart = std::find(codes.begin(), codes.end(), 1001);
  ASSERT_NE(removed, codes.end());
  EXPECT_LT(removed, downloadStart);
  EXPECT_EQ(codes.front(), 5002);
  EXPECT_EQ(codes.back(), 2003);
  EXPECT_FALSE(fs::exists(old / "MireloStudio.exe"));  // the real demo remover ran on the old folder
  // The remover ran from its copy in the private temporary folder.
  EXPECT_TRUE(fs::exists(dir_ / "~TarselTemp.92482B06FB471E17" / "Mirelo Studio_un_asa.exe"));
}

TEST_F(CoordinatorTest, FailedRemovalEndsTheRun) {
  struct Case {
    const char* name;
    std::string removerScript;  // empty: the remover file cannot run at all
    int finalCode;
  } cases[] = {{"StateFail", "write State=Fail\\n\n", 5005}, {"CannotStart", "", 5004}};
  for (const Case& c : cases) {
    DownloaderScript script;
    EventLog log;
    RunWaiter waiter;
    fs::path remover = dir_ / (std::string(c.name) + ".ep");
    std::optional<installtest::ScopedEnv> env;
    if (c.removerScript.empty()) {
      testsupport::WriteFile(remover,
                             "\x7f"
                             "ELF broken");
    } else {
      fs::copy_file(installtest::DemoRemover(), remover);
      testsupport::WriteFile(dir_ / "remover.txt", c.removerScript);
      env.emplace("DEMO_REMOVER_SCRIPT", (dir_ / "remover.txt").string());
    }
    {
      CDownloadInstaller coordinator(waiter.Listener(log), ScriptedFactory(&script));
      coordinator.SetRunParameters(L"u", W(remover.string()), Folder("x"), true, true, true, false, L"");
      coordinator.Start();
      waiter.WaitForEnds(1);
    }
    std::vector<int> codes = log.Codes();
    EXPECT_EQ(codes.back(), c.finalCode) << c.name;
    EXPECT_EQ(script.started, 0) << c.name;
    EXPECT_EQ(std::count(codes.begin(), codes.end(), 1001), 0) << c.name;
  }
}

TEST_F(CoordinatorTest, UpdateModeWaitsForTheProductOnTheRemoverThread) {
  InstallerConfig.insNew = true;
  fs::path productDir = dir_ / "running";
  fs::create_directories(productDir);
  fs::copy_file(installtest::DemoPackage(), productDir / "MireloStudio.exe");
  platform::PipedChild product;
  ASSERT_TRUE(product.CreatePipes(nullptr));
  ASSERT_TRUE(product.Start(L"\"" + W((productDir / "MireloStudio.exe").string()) + L"\" --stay 400", nullptr));

  // Sleeps of the wait are counted and kept short.
  std::atomic<int> pauses{0};
  Utils::ScopedClockForTesting clock(Utils::ClockHooks{[&pauses](uint32_t ms) {
    EXPECT_EQ(ms, 100u);
    ++pauses;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }});

  fs::path old = dir_ / "old";
  fs::create_directories(old);
  fs::copy_file(installtest::DemoRemover(), old / "uninst.ep");
  script_.runs = {{DL_CODE_START, DL_CODE_FAIL}};
  std::atomic<bool> productGoneAtRemoval{false};
  InstallerListener inner = waiter_.Listener(log_);
  CDownloadInstaller coordinator(
      [&](int code, double value, const wchar_t* text) {
        if (code == 5002 && value == 0.0)
          productGoneAtRemoval = CDownloadInstaller::FindProcessByName(L"MireloStudio.exe") == 0;
        inner(code, value, text);
      },
      ScriptedFactory(&script_));
  coordinator.SetRunParameters(L"u", W((old / "uninst.ep").string()), Folder("new"), true, true, true, false, L"");
  coordinator.Start();
  EXPECT_TRUE(log_.Events().empty());  // Start returned while the product still runs
  EXPECT_NE(CDownloadInstaller::FindProcessByName(L"MireloStudio.exe"), 0u);
  product.Wait();
  waiter_.WaitForEnds(1);
  EXPECT_TRUE(productGoneAtRemoval);
  EXPECT_GE(pauses.load(), 2);
}

TEST_F(CoordinatorTest, WholeRunWritesTheRecordsAsTheWindowDoes) {
  installtest::ScopedEnv config("XDG_CONFIG_HOME", (dir_ / "config").string());
  installtest::ScopedEnv appData("APPDATA", (dir_ / "appdata").string());
  std::wstring folder = Folder("whole");
  testsupport::WriteFile(script_file_, "write Progress=1\\nState=Success\\n\n");
  script_.runs = {{DL_CODE_START, DL_CODE_SUCCESS}};
  EventLog log;
  InstallationRequest request;
  request.url = L"u";
  request.folder = folder;
  InstallationOutcome outcome = RunInstallation(request, log.Listener(), ScriptedFactory(&script_));
  EXPECT_TRUE(outcome.success);
  EXPECT_EQ(outcome.finalCode, 2003);
  EXPECT_EQ(log.Codes(), (std::vector<int>{1001, 1003, 2001, 2002, 2002, 2003}));
  EXPECT_TRUE(fs::exists(dir_ / "whole" / "set.ini"));
  EXPECT_TRUE(
      fs::exists(dir_ / "config" / "registry" / "HKEY_CURRENT_USER" / "Software" / "TarselSoft" / "Mirelo Studio.reg"));
}

}  // namespace
