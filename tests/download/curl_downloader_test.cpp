#include "download/curl_downloader.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "download/download_common.h"
#include "download_test_support.h"
#include "support/temp_dir.h"
#include "utils/md5.h"
#include "utils/text.h"

namespace {

namespace fs = std::filesystem;
using downloadtest::EventLog;
using downloadtest::PatternBytes;
using downloadtest::WritePackage;

constexpr size_t kSize = 1048576 + 4096;

class CurlDownloaderTest : public ::testing::Test {
 protected:
  void StartHost(packagehost::Options options = {}) {
    options.root = served.str();
    host = std::make_unique<packagehost::PackageHost>(options);
    ASSERT_GT(host->Start(), 0);
  }
  std::unique_ptr<CCurlDownloader> Make(const std::string& url) {
    return std::make_unique<CCurlDownloader>(log.Listener(), Utils::Utf8ToWide(url), destination());
  }
  std::wstring destination() const { return Utils::NarrowToWide((local / "pkg.exe").string()); }

  testsupport::TempDir served;
  testsupport::TempDir local;
  std::unique_ptr<packagehost::PackageHost> host;
  EventLog log;
};

TEST_F(CurlDownloaderTest, DownloadsThroughTheRedirectAndVerifiesTheDigest) {
  WritePackage(served / "p.bin", kSize);
  StartHost();
  downloadtest::TickingClock clock;
  auto d = Make(host->RedirectUrlFor("p.bin"));
  d->Start();
  ASSERT_TRUE(log.WaitForTerminal());
  EXPECT_EQ(log.CodesWithoutProgress(), (std::vector<int>{DL_CODE_START, DL_CODE_SUCCESS}));
  EXPECT_EQ(log.Events().back().text, L"LibCurl");
  EXPECT_TRUE(testsupport::ReadFile(local / "pkg.exe") == PatternBytes(kSize));
  for (const auto& e : log.Events()) {
    if (e.code == DL_CODE_PROGRESS) {
      EXPECT_TRUE(e.value > 0.0 && e.value <= 1.0);
    }
  }
}

TEST_F(CurlDownloaderTest, RetryBudgetCountsTwoPerFailureAndOnePerPartialFile) {
  WritePackage(served / "p.bin", kSize);
  StartHost();
  struct Case {
    std::vector<int> failures;  // results of the first attempts, then the real transfer
    std::vector<int> expectedCodes;
    double failValue;
    uint64_t sleptMs;
  } cases[] = {
      {std::vector<int>(5, 7), {DL_CODE_START, DL_CODE_SUCCESS}, 0, 5 * 500},
      {std::vector<int>(6, 7), {DL_CODE_START, DL_CODE_FAIL}, 7.0, 5 * 500},
      {std::vector<int>(11, 18), {DL_CODE_START, DL_CODE_SUCCESS}, 0, 11 * 500},
      {std::vector<int>(12, 18), {DL_CODE_START, DL_CODE_FAIL}, 18.0, 11 * 500},
      {{18, 18, 7, 7, 7, 7, 7}, {DL_CODE_START, DL_CODE_FAIL}, 7.0, 6 * 500},
  };
  for (const auto& c : cases) {
    EventLog events;
    Utils::FakeClock fake;
    Utils::ScopedClockForTesting scope(fake.Hooks());
    auto d = std::make_unique<CCurlDownloader>(events.Listener(), Utils::Utf8ToWide(host->UrlFor("p.bin")),
                                               destination());
    size_t attempt = 0;
    d->SetAttemptForTesting([&](CurlClient& client) {
      return attempt < c.failures.size() ? c.failures[attempt++] : client.Start();
    });
    d->Start();
    ASSERT_TRUE(events.WaitForTerminal());
    d.reset();
    EXPECT_EQ(events.CodesWithoutProgress(), c.expectedCodes) << c.failures.size();
    if (c.expectedCodes.back() == DL_CODE_FAIL) {
      EXPECT_EQ(events.Events().back().value, c.failValue);
      EXPECT_EQ(events.Events().back().text, L"LibCurl");
    }
    EXPECT_EQ(fake.SleptMs(), c.sleptMs);
  }
}

TEST_F(CurlDownloaderTest, ElevenBrokenConnectionsResumeToACompletePackage) {
  WritePackage(served / "p.bin", kSize);
  packagehost::Options options;
  options.faults.resetAfter = 50000;
  options.faults.times = 11;
  StartHost(options);
  Utils::FakeClock fake;
  Utils::ScopedClockForTesting scope(fake.Hooks());
  auto d = Make(host->UrlFor("p.bin"));
  d->Start();
  ASSERT_TRUE(log.WaitForTerminal());
  EXPECT_EQ(log.CodesWithoutProgress(), (std::vector<int>{DL_CODE_START, DL_CODE_SUCCESS}));
  EXPECT_TRUE(testsupport::ReadFile(local / "pkg.exe") == PatternBytes(kSize));
  auto ranges = downloadtest::GetRanges(*host);
  ASSERT_EQ(ranges.size(), 12u);
  EXPECT_EQ(ranges[0], "");
  EXPECT_EQ(ranges[1], "bytes=50000-");
  EXPECT_EQ(ranges[11], "bytes=550000-");
}

TEST_F(CurlDownloaderTest, ServerIgnoringRangeNeverCorruptsThePartFile) {
  WritePackage(served / "p.bin", kSize);
  packagehost::Options options;
  options.faults.resetAfter = 70000;
  options.faults.times = 1;
  StartHost(options);
  Utils::FakeClock fake;
  Utils::ScopedClockForTesting scope(fake.Hooks());
  auto d = Make(host->UrlFor("p.bin"));
  int attempts = 0;
  d->SetAttemptForTesting([&](CurlClient& client) {
    if (++attempts == 2) {
      packagehost::Faults ignore;
      ignore.ignoreRange = true;
      host->SetFaults(ignore);
    }
    return client.Start();
  });
  d->Start();
  ASSERT_TRUE(log.WaitForTerminal());
  EXPECT_EQ(log.CodesWithoutProgress(), (std::vector<int>{DL_CODE_START, DL_CODE_FAIL}));
  EXPECT_EQ(log.Events().back().value, 33.0);  // libcurl refuses to resume from a 200 answer
  EXPECT_EQ(attempts, 7);  // one partial file (1 unit), then six refusals (2 units each)
  EXPECT_TRUE(testsupport::ReadFile(local / "pkg.exe.part") == PatternBytes(kSize).substr(0, 70000));
  EXPECT_FALSE(fs::exists(local / "pkg.exe"));
}

TEST_F(CurlDownloaderTest, DigestMismatchAsksForOneRestartWhichTheListenerAnswersOnTheRunThread) {
  WritePackage(served / "p.bin", kSize);
  StartHost();
  WritePackage(served / "p.bin", kSize, 2);  // the host still announces the first content's digest
  downloadtest::TickingClock clock;
  auto d = Make(host->UrlFor("p.bin"));
  CCurlDownloader* raw = d.get();
  log.SetReaction([&](const downloadtest::Event& e) {
    if (e.code == DL_CODE_RETRY) {
      WritePackage(served / "p.bin", kSize);
      raw->Start();  // as the coordinator does, inside the listener call
    }
  });
  d->Start();
  ASSERT_TRUE(log.WaitForTerminal(2));
  d.reset();
  EXPECT_EQ(log.CodesWithoutProgress(), (std::vector<int>{DL_CODE_START, DL_CODE_MESSAGE, DL_CODE_RETRY,
                                                          DL_CODE_START, DL_CODE_SUCCESS}));
  auto events = log.Events();
  std::vector<std::wstring> messages;
  for (const auto& e : events) {
    if (e.code == DL_CODE_MESSAGE) messages.push_back(e.text);
  }
  EXPECT_EQ(messages, std::vector<std::wstring>{L"curl文件md5校验失败"});
  // Progress of both runs arrives before their terminal events.
  EXPECT_GE(log.Count(DL_CODE_PROGRESS), 2u);
  EXPECT_TRUE(testsupport::ReadFile(local / "pkg.exe") == PatternBytes(kSize));
  EXPECT_EQ(downloadtest::CountRequests(*host, "HEAD"), 1u);  // the restart reuses the real URL and length
}

TEST_F(CurlDownloaderTest, UpperCaseDigestNeverMatchesAndTheSecondMismatchFails) {
  WritePackage(served / "p.bin", kSize);
  packagehost::Options options;
  options.digest = [](const std::string& path) {
    std::string d = Utils::GetFileMd5(path);
    for (char& c : d) c = static_cast<char>(toupper(c));
    return d;
  };
  StartHost(options);
  Utils::FakeClock fake;
  Utils::ScopedClockForTesting scope(fake.Hooks());
  auto d = Make(host->UrlFor("p.bin"));
  CCurlDownloader* raw = d.get();
  log.SetReaction([&](const downloadtest::Event& e) {
    if (e.code == DL_CODE_RETRY) raw->Start();
  });
  d->Start();
  ASSERT_TRUE(log.WaitForTerminal(2));
  d.reset();
  EXPECT_EQ(log.CodesWithoutProgress(), (std::vector<int>{DL_CODE_START, DL_CODE_MESSAGE, DL_CODE_RETRY,
                                                          DL_CODE_START, DL_CODE_MESSAGE, DL_CODE_FAIL}));
  EXPECT_EQ(log.Events().back().value, 0.0);
}

TEST_F(CurlDownloaderTest, UrlWithoutDigestSucceedsWithAMessage) {
  WritePackage(served / "p.bin", kSize);
  packagehost::Options options;
  options.digest = [](const std::string&) { return std::string("abc"); };
  StartHost(options);
  auto d = Make(host->UrlFor("p.bin"));
  d->Start();
  ASSERT_TRUE(log.WaitForTerminal());
  EXPECT_EQ(log.CodesWithoutProgress(), (std::vector<int>{DL_CODE_START, DL_CODE_MESSAGE, DL_CODE_SUCCESS}));
  auto events = log.Events();
  EXPECT_EQ(events[events.size() - 2].text, L"curl获取url-md5失败");
}

TEST_F(CurlDownloaderTest, ConstructionDeletesAPartFileOfAnEarlierProcess) {
  WritePackage(served / "p.bin", kSize);
  StartHost();
  testsupport::WriteFile(local / "pkg.exe.part", PatternBytes(5000, 3));
  auto d = Make(host->UrlFor("p.bin"));
  EXPECT_FALSE(fs::exists(local / "pkg.exe.part"));
  d->Start();
  ASSERT_TRUE(log.WaitForTerminal());
  EXPECT_EQ(downloadtest::GetRanges(*host), std::vector<std::string>{""});
  EXPECT_EQ(log.CodesWithoutProgress().back(), DL_CODE_SUCCESS);
}

TEST_F(CurlDownloaderTest, StalledTransferIsGivenUpAndResumed) {
  WritePackage(served / "p.bin", kSize);
  packagehost::Options options;
  // Stalled before the first body byte: libcurl's speed average then drops below the limit at once.
  options.faults.stallAfter = 0;
  options.faults.times = 1;
  StartHost(options);
  download::SetStallSecondsForTesting(1);
  Utils::FakeClock fake;
  Utils::ScopedClockForTesting scope(fake.Hooks());
  auto d = Make(host->UrlFor("p.bin"));
  d->Start();
  ASSERT_TRUE(log.WaitForTerminal());
  download::SetStallSecondsForTesting(0);
  EXPECT_EQ(log.CodesWithoutProgress(), (std::vector<int>{DL_CODE_START, DL_CODE_SUCCESS}));
  EXPECT_EQ(downloadtest::GetRanges(*host), (std::vector<std::string>{"", ""}));
  EXPECT_TRUE(testsupport::ReadFile(local / "pkg.exe") == PatternBytes(kSize));
}

TEST_F(CurlDownloaderTest, DestructionStopsARunningTransferAndJoins) {
  WritePackage(served / "p.bin", kSize);
  packagehost::Options options;
  options.faults.rate = 20000;  // about a minute for the whole package
  StartHost(options);
  auto d = Make(host->UrlFor("p.bin"));
  d->Start();
  ASSERT_TRUE(log.WaitFor(DL_CODE_START));
  auto before = std::chrono::steady_clock::now();
  d.reset();
  EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(5));
  EXPECT_EQ(log.CodesWithoutProgress(), std::vector<int>{DL_CODE_START});
  EXPECT_FALSE(fs::exists(local / "pkg.exe.part"));
}

}  // namespace
