#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <set>
#include <thread>

#include "platform/codepage.h"
#include "platform/debug_output.h"
#include "platform/files.h"
#include "platform/process_info.h"
#include "platform/system_info.h"
#include "platform/thread_name.h"
#include "platform/utf.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"

namespace {

using testsupport::TempDir;

using testsupport::ScopedEnv;

TEST(Utf, RoundTripsAndReplacesInvalidBytes) {
  const std::string text = "Mirelo 米瑞洛 \xF0\x9F\x98\x80";
  EXPECT_EQ(platform::WideToUtf8(platform::Utf8ToWide(text)), text);
  EXPECT_EQ(platform::Utf8ToWide("a\xFF" "b"), L"a\uFFFDb");
  EXPECT_EQ(platform::Utf8ToWide("\xE4\xB8"), L"\uFFFD\uFFFD");         // truncated sequence
  EXPECT_EQ(platform::Utf8ToWide("\xC0\xAF"), L"\uFFFD\uFFFD");         // overlong form
  EXPECT_EQ(platform::Utf8ToWide("\xED\xA0\x80"), L"\uFFFD\uFFFD\uFFFD");  // surrogate
  EXPECT_EQ(platform::WideToUtf8(std::wstring(1, static_cast<wchar_t>(0xD800))), "\xEF\xBF\xBD");
}

TEST(CodePage, DecodesThroughIconv) {
  std::wstring out;
  ASSERT_TRUE(platform::DecodeCharset("\xD6\xD0\xCE\xC4", "GBK", out));
  EXPECT_EQ(out, L"中文");
  ASSERT_TRUE(platform::DecodeCharset("ok\xFF", "GBK", out));
  EXPECT_EQ(out, L"ok\uFFFD");
  EXPECT_FALSE(platform::DecodeCharset("x", "NO-SUCH-CHARSET", out));
  EXPECT_TRUE(out.empty());
  std::string bytes;
  ASSERT_TRUE(platform::EncodeCharset(L"中a", "GBK", bytes));
  EXPECT_EQ(bytes, "\xD6\xD0" "a");
  ASSERT_TRUE(platform::EncodeCharset(L"\u00e9\U0001F600", "ASCII", bytes));
  EXPECT_EQ(bytes, "??");
}

TEST(CodePage, SystemCharsetComesFromTheLocaleVariables) {
  {
    ScopedEnv all("LC_ALL", "zh_CN.GBK");
    EXPECT_EQ(platform::SystemCharset(), "GBK");
    EXPECT_EQ(platform::CharsetForCodePage(0), "GBK");
  }
  {
    ScopedEnv all("LC_ALL", nullptr);
    ScopedEnv ctype("LC_CTYPE", nullptr);
    ScopedEnv lang("LANG", "de_DE.ISO-8859-1@euro");
    EXPECT_EQ(platform::SystemCharset(), "ISO-8859-1");
  }
  {
    ScopedEnv all("LC_ALL", nullptr);
    ScopedEnv ctype("LC_CTYPE", nullptr);
    ScopedEnv lang("LANG", "C");
    EXPECT_EQ(platform::SystemCharset(), "UTF-8");
  }
  EXPECT_EQ(platform::CharsetForCodePage(65001), "UTF-8");
  EXPECT_EQ(platform::CharsetForCodePage(936), "GBK");
  EXPECT_EQ(platform::CharsetForCodePage(1252), "CP1252");
}

TEST(SystemInfo, KernelReleaseIsReadAsMajorMinorPatch) {
  struct Case {
    const char* release;
    bool known;
    int major, minor, patch;
  } cases[] = {{"6.1.0-18-amd64", true, 6, 1, 0},
               {"5.15.153.1-microsoft-standard-WSL2", true, 5, 15, 153},
               {"4.19", true, 4, 19, 0},
               {"6", true, 6, 0, 0},
               {"", false, 0, 0, 0},
               {"unknown", false, 0, 0, 0}};
  for (const Case& c : cases) {
    platform::KernelVersion v = platform::ParseKernelRelease(c.release);
    EXPECT_EQ(v.known, c.known) << c.release;
    EXPECT_EQ(v.major, c.major) << c.release;
    EXPECT_EQ(v.minor, c.minor) << c.release;
    EXPECT_EQ(v.patch, c.patch) << c.release;
  }
  EXPECT_TRUE(platform::GetKernelVersion().known);
}

TEST(SystemInfo, GuidsAreRandomVersionFour) {
  std::set<uint32_t> seen;
  for (int i = 0; i < 64; ++i) {
    platform::GuidBytes g = platform::NewGuid();
    EXPECT_EQ(g.data3 >> 12, 4);
    EXPECT_EQ(g.data4[0] & 0xC0, 0x80);
    seen.insert(g.data1);
  }
  EXPECT_GT(seen.size(), 60u);
}

TEST(ThreadName, LongNamesAreCutWithoutSplittingCharacters) {
  EXPECT_EQ(platform::FitThreadName("ABDEF"), "ABDEF");
  EXPECT_EQ(platform::FitThreadName("0123456789abcdefgh"), "0123456789abcde");
  // 5 three-byte characters = 15 bytes fit; a sixth is dropped whole.
  EXPECT_EQ(platform::FitThreadName("米瑞洛米瑞洛"), "米瑞洛米瑞");
  EXPECT_EQ(platform::FitThreadName("abcdefghijklmn米"), "abcdefghijklmn");
  std::thread t([] {
    platform::SetCurrentThreadName("UnInstallerWorkerThread");
    EXPECT_EQ(platform::CurrentThreadName(), "UnInstallerWork");
  });
  t.join();
}

TEST(Files, PrivateDirectoryIsCreatedOwnerOnly) {
  TempDir dir;
  const std::wstring p = (dir / "private").wstring() + L"/";
  ASSERT_TRUE(platform::EnsurePrivateDirectory(p));
  struct stat st {};
  ASSERT_EQ(::stat((dir / "private").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  EXPECT_TRUE(platform::EnsurePrivateDirectory(p)) << "an existing private folder is used again";
}

TEST(Files, UnsafeExistingDirectoriesAreRefused) {
  TempDir dir;
  std::filesystem::create_directory(dir / "shared");
  ::chmod((dir / "shared").c_str(), 0777);
  EXPECT_FALSE(platform::EnsurePrivateDirectory((dir / "shared").wstring()));

  std::filesystem::create_directory(dir / "target");
  ::chmod((dir / "target").c_str(), 0700);
  std::filesystem::create_directory_symlink(dir / "target", dir / "link");
  EXPECT_FALSE(platform::EnsurePrivateDirectory((dir / "link").wstring()));

  testsupport::WriteFile(dir / "file", "x");
  EXPECT_FALSE(platform::EnsurePrivateDirectory((dir / "file").wstring()));

  if (::geteuid() == 0) {
    std::filesystem::create_directory(dir / "foreign");
    ::chmod((dir / "foreign").c_str(), 0700);
    ASSERT_EQ(::chown((dir / "foreign").c_str(), 65534, 65534), 0);
    EXPECT_FALSE(platform::EnsurePrivateDirectory((dir / "foreign").wstring()));
  }
}

TEST(Files, ReplaceAtomicallyNeedsTheFolder) {
  TempDir dir;
  const std::wstring target = (dir / "a.txt").wstring();
  ASSERT_TRUE(platform::ReplaceFileAtomically(target, "one"));
  ASSERT_TRUE(platform::ReplaceFileAtomically(target, "two"));
  std::string content;
  ASSERT_TRUE(platform::ReadWholeFile(target, content));
  EXPECT_EQ(content, "two");
  EXPECT_EQ(platform::FileSize(target), 3);
  EXPECT_FALSE(platform::ReplaceFileAtomically((dir / "missing" / "a.txt").wstring(), "x"));
  EXPECT_EQ(platform::FileSize((dir / "nothing").wstring()), -1);
}

TEST(Files, TempPathHonoursTmpdirAndEndsWithSeparator) {
  {
    ScopedEnv tmp("TMPDIR", "/var/tmp");
    EXPECT_EQ(platform::TempPath(), L"/var/tmp/");
  }
  {
    ScopedEnv tmp("TMPDIR", nullptr);
    EXPECT_EQ(platform::TempPath(), L"/tmp/");
  }
}

TEST(DebugOutput, SinkReceivesEachLineWhole) {
  std::vector<std::wstring> lines;
  std::mutex lock;
  platform::SetDebugOutputSink([&](const std::wstring& l) {
    std::lock_guard<std::mutex> g(lock);
    lines.push_back(l);
  });
  std::vector<std::thread> writers;
  for (int t = 0; t < 4; ++t) {
    writers.emplace_back([t] {
      for (int i = 0; i < 50; ++i) platform::WriteDebugOutput(L"line " + std::to_wstring(t) + L"\r\n");
    });
  }
  for (auto& w : writers) w.join();
  platform::SetDebugOutputSink(nullptr);
  ASSERT_EQ(lines.size(), 200u);
  for (const auto& l : lines) EXPECT_EQ(l.size(), 8u);
}

TEST(ProcessInfo, FactsOfThisProcess) {
  std::wstring exe = platform::ExecutablePath();
  EXPECT_NE(exe.find(L"platform_tests"), std::wstring::npos);
  auto args = platform::CommandLineArguments();
  ASSERT_FALSE(args.empty());
  EXPECT_NE(args[0].find(L"platform_tests"), std::wstring::npos);
  EXPECT_EQ(platform::CurrentProcessId(), static_cast<int>(::getpid()));
  EXPECT_EQ(platform::CurrentThreadId(), static_cast<int>(::getpid())) << "the main thread's id is the process id";
  platform::LocalTime t{};
  ASSERT_TRUE(platform::ToLocalTime(0, t));
  EXPECT_GE(t.year, 1969);
}

}  // namespace
