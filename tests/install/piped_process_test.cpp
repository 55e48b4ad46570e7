// The package runner and the remover with real child processes: the demo
// package and the demo remover play scripts that produce any output timing.
#include "install/piped_process.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "app/config.h"
#include "install/installer.h"
#include "install/uninstaller.h"
#include "install_test_support.h"
#include "platform/process.h"
#include "platform/process_info.h"
#include "platform/utf.h"
#include "support/temp_dir.h"
#include "utils/exception.h"

namespace fs = std::filesystem;
using installtest::Event;
using installtest::EventLog;

namespace {

std::wstring W(const std::string& s) { return platform::Utf8ToWide(s); }

class ScriptedRunTest : public testing::Test {
 protected:
  void SetUp() override { savedInstCmd_ = InstallerConfig.instCmd; }
  void TearDown() override { InstallerConfig.instCmd = savedInstCmd_; }

  // Runs the demo package with the script and returns every event of the run.
  std::vector<Event> RunPackage(const std::string& script) {
    fs::path file = dir_ / "script.txt";
    testsupport::WriteFile(file, script);
    InstallerConfig.instCmd = L"-demoscript=\"" + W(file.string()) + L"\"";
    EventLog log;
    {
      CInstaller runner(log.Listener(), L"\"" + W(installtest::DemoPackage().string()) + L"\"", W(dir_.str()), true,
                        true, true);
      runner.Start();
    }  // the destructor waits for the run
    return log.Events();
  }

  std::vector<Event> RunRemover(const std::string& script, const fs::path& remover) {
    std::optional<installtest::ScopedEnv> env;
    if (!script.empty()) {
      fs::path file = dir_ / "remover-script.txt";
      testsupport::WriteFile(file, script);
      env.emplace("DEMO_REMOVER_SCRIPT", file.string());
    }
    EventLog log;
    {
      UnInstaller remover_runner(log.Listener(), W(remover.string()), W((dir_ / "old").string()));
      remover_runner.Start();
    }
    return log.Events();
  }

  testsupport::TempDir dir_;
  std::wstring savedInstCmd_;
};

struct RunCase {
  const char* name;
  std::string script;
  std::vector<Event> expected;
};

void PrintTo(const RunCase& c, std::ostream* os) { *os << c.name; }

class PackageScriptTest : public ScriptedRunTest, public testing::WithParamInterface<RunCase> {};

TEST_P(PackageScriptTest, EventsOfTheRun) { EXPECT_EQ(RunPackage(GetParam().script), GetParam().expected); }

INSTANTIATE_TEST_SUITE_P(
    Scripts, PackageScriptTest,
    testing::Values(
        RunCase{"NothingPrinted", "exit 0\n", {{2001, 0, L""}, {2002, 0, L""}, {2003, 1.0, L""}}},
        RunCase{"ExitCodeNotConsulted",
                "write Progress=0.5\\n\nexit 7\n",
                {{2001, 0, L""}, {2002, 0, L""}, {2002, 0.5, L""}, {2003, 1.0, L""}}},
        RunCase{"RecordsSplitAcrossWrites",
                "write Progr\nsleep 60\nwrite ess=0.5\\r\\nInstPa\nsleep 60\nwrite th=/x\\r\\nState=Succ\nsleep 60\n"
                "write ess\\r\\n\nexit 0\n",
                {{2001, 0, L""}, {2002, 0, L""}, {2002, 0.5, L""}, {3000, 0, L"/x\r"}, {2003, 0.0, L""}}},
        RunCase{"CharacterSplitAcrossWrites",
                "write Encode=UTF8\\n\nsleep 60\nwrite Message=\\xE7\\xB1\nsleep 60\nwrite \\xB3\\n\n",
                {{2001, 0, L""}, {2002, 0, L""}, {3009, 0, L"米"}, {2003, 1.0, L""}}},
        RunCase{"UnfinishedLastLineAtExit",
                "write Progress=0.3\\nState=Fail\nexit 1\n",
                {{2001, 0, L""}, {2002, 0, L""}, {2002, 0.3, L""}, {2004, 0.0, L"安装包安装失败"}}},
        RunCase{"FloodAfterFinalRecord",
                "write State=Success\\n\nflood 2000000\nwrite Progress=0.9\\n\nexit 0\n",
                {{2001, 0, L""}, {2002, 0, L""}, {2003, 0.0, L""}}},
        RunCase{"LargeErrorStream",
                "stderr 2000000\nwrite Error=late\\n\nstderr 500000\n",
                {{2001, 0, L""}, {2002, 0, L""}, {2004, 1000.0, L"late"}}},
        RunCase{"FloodBeforeFinalRecord",
                "flood 300000\nwrite State=Success\\n\n",
                {{2001, 0, L""}, {2002, 0, L""}, {2003, 0.0, L""}}}),
    [](const testing::TestParamInfo<RunCase>& info) { return std::string(info.param.name); });

TEST_F(ScriptedRunTest, PackageThatCannotStartFails) {
  EventLog log;
  {
    CInstaller runner(log.Listener(), L"\"" + W((dir_ / "missing.exe").string()) + L"\"", L"", true, true, true);
    runner.Start();
  }
  EXPECT_EQ(log.Events(), (std::vector<Event>{{2001, 0, L""}, {2002, 0, L""}, {2004, 2.0, L""}}));

  // A command line beyond 1023 characters is refused before anything starts.
  log.Clear();
  {
    CInstaller runner(log.Listener(), L"\"" + W(installtest::DemoPackage().string()) + L"\"", std::wstring(1000, L'd'),
                      true, true, true);
    runner.Start();
  }
  EXPECT_EQ(log.Events(), (std::vector<Event>{{2001, 0, L""}, {2002, 0, L""}, {2004, 2.0, L""}}));
}

TEST_F(ScriptedRunTest, RunnerIsReusedForASecondRun) {
  fs::path file = dir_ / "script.txt";
  testsupport::WriteFile(file, "write Progress=1\\n\n");
  InstallerConfig.instCmd = L"-demoscript=" + W(file.string());
  EventLog log;
  {
    CInstaller runner(log.Listener(), L"\"" + W(installtest::DemoPackage().string()) + L"\"", L"", true, true, true);
    runner.Start();
    runner.Start();  // waits for the first run
    runner.Start();
  }
  std::vector<int> codes = log.Codes();
  EXPECT_EQ(std::count(codes.begin(), codes.end(), 2003), 3);
  EXPECT_EQ(codes.size(), 12u);
}

TEST_F(ScriptedRunTest, RemoverScripts) {
  struct Case {
    const char* name;
    std::string script;
    std::vector<Event> expected;
  } cases[] = {
      {"NothingPrinted", "exit 0\n", {{5002, 0, L""}, {5003, 1.0, L""}}},
      {"FailJustBeforeExit",
       "sleep 30\nwrite Progress=0.5\\r\\nState=Fa\nsleep 30\nwrite il\nexit 0\n",
       {{5002, 0, L""}, {5002, 0.5, L""}, {5005, 0.0, L"安装包卸载失败"}}},
      {"ReadingGoesOnAfterFinalRecord",
       "write State=Success\\n\nstderr 200000\nwrite Error=x\\n\n",
       {{5002, 0, L""}, {5003, 0.0, L""}, {5005, 0.0, L"x"}}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(RunRemover(c.script, installtest::DemoRemover()), c.expected) << c.name;
  }
}

TEST_F(ScriptedRunTest, MissingOrUnstartableRemover) {
  EXPECT_EQ(RunRemover("", dir_ / "none.exe"), (std::vector<Event>{{5004, 1.0, L"可执行卸载文件不存在"}}));
  fs::path bogus = dir_ / "bogus.exe";
  testsupport::WriteFile(bogus,
                         "\x7f"
                         "ELF not really");
  fs::permissions(bogus, fs::perms::owner_all);
  EXPECT_EQ(RunRemover("", bogus), (std::vector<Event>{{5002, 0, L""}, {5004, 2.0, L""}}));
}

TEST_F(ScriptedRunTest, DemoRemoverRemovesTheProductFromAFolderWithBlanks) {
  fs::path old = dir_ / "old place";
  fs::create_directories(old);
  testsupport::WriteFile(old / "MireloStudio.exe", "product");
  testsupport::WriteFile(old / "uninst.ep", "remover");
  EventLog log;
  {
    UnInstaller remover(log.Listener(), W(installtest::DemoRemover().string()), W(old.string()));
    remover.Start();
  }
  EXPECT_FALSE(fs::exists(old / "MireloStudio.exe"));
  EXPECT_FALSE(fs::exists(old / "uninst.ep"));
  std::vector<Event> events = log.Events();
  ASSERT_FALSE(events.empty());
  EXPECT_EQ(events.front(), (Event{5002, 0.0, L""}));
  EXPECT_EQ(events.back(), (Event{5003, 0.0, L""}));
}

TEST_F(ScriptedRunTest, QuotedRemoverPathCannotBeReplacedByAPrefixFile) {
  // Files named after the first word of the remover's path would run in its
  // place if the path were not quoted.
  fs::path shared = dir_ / "shared";
  fs::create_directories(shared);
  for (const char* name : {"Mirelo", "Mirelo.exe"}) {
    testsupport::WriteFile(shared / name, "#!/bin/sh\necho State=Fail\n");
    fs::permissions(shared / name, fs::perms::owner_all);
  }
  fs::path remover = shared / "Mirelo Studio_un_asa.exe";
  fs::copy_file(installtest::DemoRemover(), remover);
  fs::create_directories(dir_ / "old");
  std::vector<Event> events = RunRemover("", remover);
  ASSERT_FALSE(events.empty());
  EXPECT_EQ(events.back(), (Event{5003, 0.0, L""}));
}

TEST(PipedChild, ExitCodeWhileRunningAndAfterTheEnd) {
  testsupport::TempDir dir;
  testsupport::WriteFile(dir / "s.txt", "sleep 200\nexit 5\n");
  platform::PipedChild child;
  ASSERT_TRUE(child.CreatePipes(nullptr));
  ASSERT_TRUE(child.Start(
      L"\"" + W(installtest::DemoPackage().string()) + L"\" -demoscript=" + W((dir / "s.txt").string()), nullptr));
  EXPECT_EQ(child.ExitCode(), platform::kStillActive);
  EXPECT_EQ(child.Wait(), 5);
  EXPECT_EQ(child.ExitCode(), 5);
}

TEST(PipedChild, ChildSeesItsInputClosed) {
  platform::PipedChild child;
  ASSERT_TRUE(child.CreatePipes(nullptr));
  ASSERT_TRUE(child.Start(L"cat", nullptr));
  char buffer[16];
  EXPECT_EQ(child.ReadOutput(buffer, sizeof buffer), 0u);
  EXPECT_EQ(child.Wait(), 0);
}

TEST(PipedProcess, FailuresRaiseExceptions) {
  PipedProcess tooLong;
  EXPECT_THROW(tooLong.Start(L"cat " + std::wstring(1020, L'a')), Utils::Exception);
  PipedProcess missing;
  EXPECT_THROW(missing.Start(L"/nonexistent/program -x"), Utils::Exception);
}

TEST(FindProcessIdByName, FindsARunningProgramByItsFileName) {
  testsupport::TempDir dir;
  const std::string name = "mirelo-find-" + std::to_string(platform::CurrentProcessId());
  fs::copy_file(installtest::DemoPackage(), dir / name);
  testsupport::WriteFile(dir / "s.txt", "sleep 300\n");
  platform::PipedChild child;
  ASSERT_TRUE(child.CreatePipes(nullptr));
  ASSERT_TRUE(
      child.Start(L"\"" + W((dir / name).string()) + L"\" -demoscript=" + W((dir / "s.txt").string()), nullptr));
  EXPECT_EQ(platform::FindProcessIdByName(W(name)), static_cast<uint32_t>(child.Pid()));
  std::string upper = name;
  upper[0] = 'M';
  EXPECT_EQ(platform::FindProcessIdByName(W(upper)), 0u);
  child.Wait();
  EXPECT_EQ(platform::FindProcessIdByName(W(name)), 0u);
}

}  // namespace
