#include "download/mt_curl_downloader.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <thread>

#include "download/download_common.h"
#include "download_test_support.h"
#include "support/temp_dir.h"
#include "utils/text.h"

namespace {

namespace fs = std::filesystem;
using downloadtest::EventLog;
using downloadtest::GetRanges;
using downloadtest::PatternBytes;
using downloadtest::WritePackage;

constexpr size_t kTwoRanges = 20971520;  // the smallest package fetched over two connections

class MtDownloaderTest : public ::testing::Test {
 protected:
  void StartHost(packagehost::Options options = {}) {
    options.root = served.str();
    host = std::make_unique<packagehost::PackageHost>(options);
    ASSERT_GT(host->Start(), 0);
  }
  std::unique_ptr<CMTCurlDownloader> Make(const std::string& url) {
    return std::make_unique<CMTCurlDownloader>(log.Listener(), Utils::Utf8ToWide(url), destination());
  }
  std::wstring destination() const { return Utils::NarrowToWide((local / "pkg.exe").string()); }
  // Answers DL_CODE_RETRY with Start() inside the listener, as the coordinator does.
  void RestartOnRetry(CMTCurlDownloader* d) {
    log.SetReaction([d](const downloadtest::Event& e) {
      if (e.code == DL_CODE_RETRY) d->Start();
    });
  }
  static std::vector<std::string> Sorted(std::vector<std::string> v) {
    std::sort(v.begin(), v.end());
    return v;
  }

  testsupport::TempDir served;
  testsupport::TempDir local;
  std::unique_ptr<packagehost::PackageHost> host;
  EventLog log;
};

TEST_F(MtDownloaderTest, SplitsTwentyMebibytesIntoTwoRangesAndJoinsThem) {
  WritePackage(served / "p.bin", kTwoRanges);
  StartHost();
  downloadtest::TickingClock clock;
  auto d = Make(host->RedirectUrlFor("p.bin"));
  d->Start();
  ASSERT_TRUE(log.WaitForTerminal());
  EXPECT_EQ(log.CodesWithoutProgress(), (std::vector<int>{DL_CODE_START, DL_CODE_SUCCESS}));
  EXPECT_EQ(Sorted(GetRanges(*host)), (std::vector<std::string>{"bytes=0-10485759", "bytes=10485760-20971519"}));
  EXPECT_TRUE(testsupport::ReadFile(local / "pkg.exe") == PatternBytes(kTwoRanges));
  EXPECT_FALSE(fs::exists(local / "pkg.exe_0"));
  EXPECT_FALSE(fs::exists(local / "pkg.exe_1"));
  double last = 0;
  for (const auto& e : log.Events()) {
    if (e.code != DL_CODE_PROGRESS) continue;
    EXPECT_GE(e.value - last, 0.01 - 1e-12);
    EXPECT_LE(e.value, 1.0);
    last = e.value;
  }
}

TEST_F(MtDownloaderTest, SmallPackagesUseOneRangeAndTheMinimumIs256Bytes) {
  struct Case {
    size_t size;
    std::vector<int> codes;
    std::vector<std::string> ranges;
  } cases[] = {
      {20971519, {DL_CODE_START, DL_CODE_SUCCESS}, {"bytes=0-20971518"}},
      {256, {DL_CODE_START, DL_CODE_SUCCESS}, {"bytes=0-255"}},
      {255, {DL_CODE_START, DL_CODE_FAIL}, {}},
  };
  for (const auto& c : cases) {
    testsupport::TempDir root;
    WritePackage(root / "p.bin", c.size);
    packagehost::PackageHost h(packagehost::Options{root.str()});
    ASSERT_GT(h.Start(), 0);
    EventLog events;
    auto d = std::make_unique<CMTCurlDownloader>(events.Listener(), Utils::Utf8ToWide(h.UrlFor("p.bin")),
                                                 destination());
    d->Start();
    ASSERT_TRUE(events.WaitForTerminal());
    d.reset();
    EXPECT_EQ(events.CodesWithoutProgress(), c.codes) << c.size;
    EXPECT_EQ(GetRanges(h), c.ranges) << c.size;
    if (c.codes.back() == DL_CODE_SUCCESS) {
      EXPECT_TRUE(testsupport::ReadFile(local / "pkg.exe") == PatternBytes(c.size));
    } else {
      EXPECT_EQ(events.Events().back().value, 0.0);
    }
  }
}

TEST_F(MtDownloaderTest, ServerIgnoringRangeFailsTheRunWithoutWritingAByte) {
  WritePackage(served / "p.bin", kTwoRanges);
  packagehost::Options options;
  options.faults.ignoreRange = true;
  StartHost(options);
  Utils::FakeClock fake;
  Utils::ScopedClockForTesting scope(fake.Hooks());
  auto d = Make(host->UrlFor("p.bin"));
  RestartOnRetry(d.get());
  d->Start();
  ASSERT_TRUE(log.WaitForTerminal(2));
  d.reset();
  EXPECT_EQ(log.CodesWithoutProgress(), (std::vector<int>{DL_CODE_START, DL_CODE_RETRY, DL_CODE_START, DL_CODE_FAIL}));
  EXPECT_EQ(log.Events().back().value, 23.0);  // CURLE_WRITE_ERROR: the answer was refused before writing
  EXPECT_FALSE(fs::exists(local / "pkg.exe"));
  EXPECT_EQ(GetRanges(*host).size(), 2u * 7u * 2u);  // seven attempts per range, two runs
}

TEST_F(MtDownloaderTest, FailedRunAfterProgressKeepsThePartFilesAndTheRestartResumesThem) {
  WritePackage(served / "p.bin", kTwoRanges);
  packagehost::Options options;
  options.faults.resetAfter = 524288;
  options.faults.times = 26;  // thirteen broken attempts for each range
  StartHost(options);
  downloadtest::TickingClock clock;
  auto d = Make(host->UrlFor("p.bin"));
  RestartOnRetry(d.get());
  d->Start();
  ASSERT_TRUE(log.WaitForTerminal(2));
  d.reset();
  EXPECT_EQ(log.CodesWithoutProgress(), (std::vector<int>{DL_CODE_START, DL_CODE_RETRY, DL_CODE_START, DL_CODE_SUCCESS}));
  auto events = log.Events();
  for (const auto& e : events) {
    if (e.code == DL_CODE_RETRY) {
      EXPECT_EQ(e.value, 18.0);
    }
  }
  auto ranges = GetRanges(*host);
  ASSERT_EQ(ranges.size(), 28u);
  const int64_t kept = 13 * 524288;
  EXPECT_EQ(Sorted({ranges[26], ranges[27]}),
            Sorted({"bytes=" + std::to_string(kept) + "-10485759",
                    "bytes=" + std::to_string(10485760 + kept) + "-20971519"}));
  EXPECT_EQ(downloadtest::CountRequests(*host, "HEAD"), 1u);
  EXPECT_TRUE(testsupport::ReadFile(local / "pkg.exe") == PatternBytes(kTwoRanges));
}

TEST_F(MtDownloaderTest, FailedRunWithoutProgressStartsAgainFromNothing) {
  WritePackage(served / "p.bin", 300000);
  packagehost::Options options;
  options.faults.resetAfter = 1000;
  options.faults.times = 13;
  StartHost(options);
  // Pauses return at once and the epoch second never moves: no progress is reported.
  Utils::ClockHooks frozen;
  frozen.sleep = [](uint32_t) { std::this_thread::yield(); };
  frozen.epochSeconds = [] { return int64_t{1}; };
  Utils::ScopedClockForTesting scope(frozen);
  auto d = Make(host->UrlFor("p.bin"));
  RestartOnRetry(d.get());
  d->Start();
  ASSERT_TRUE(log.WaitForTerminal(2));
  d.reset();
  EXPECT_EQ(log.CodesWithoutProgress(), (std::vector<int>{DL_CODE_START, DL_CODE_RETRY, DL_CODE_START, DL_CODE_SUCCESS}));
  auto ranges = GetRanges(*host);
  ASSERT_EQ(ranges.size(), 14u);
  EXPECT_EQ(ranges[1], "bytes=1000-299999");
  EXPECT_EQ(ranges[13], "bytes=0-299999");
  EXPECT_TRUE(testsupport::ReadFile(local / "pkg.exe") == PatternBytes(300000));
}

TEST_F(MtDownloaderTest, DigestMismatchDeletesThePackageAndTheRestartFetchesItAllWithoutHead) {
  WritePackage(served / "p.bin", 400000);
  StartHost();
  WritePackage(served / "p.bin", 400000, 5);
  auto d = Make(host->UrlFor("p.bin"));
  CMTCurlDownloader* raw = d.get();
  bool destinationGoneAtRetry = false;
  log.SetReaction([&](const downloadtest::Event& e) {
    if (e.code != DL_CODE_RETRY) return;
    destinationGoneAtRetry = !fs::exists(local / "pkg.exe");
    WritePackage(served / "p.bin", 400000);
    raw->Start();
  });
  d->Start();
  ASSERT_TRUE(log.WaitForTerminal(2));
  d.reset();
  EXPECT_EQ(log.CodesWithoutProgress(), (std::vector<int>{DL_CODE_START, DL_CODE_MESSAGE, DL_CODE_RETRY,
                                                          DL_CODE_START, DL_CODE_SUCCESS}));
  EXPECT_TRUE(destinationGoneAtRetry);
  EXPECT_EQ(GetRanges(*host), (std::vector<std::string>{"bytes=0-399999", "bytes=0-399999"}));
  EXPECT_EQ(downloadtest::CountRequests(*host, "HEAD"), 1u);
  EXPECT_TRUE(testsupport::ReadFile(local / "pkg.exe") == PatternBytes(400000));
}

TEST_F(MtDownloaderTest, StalledRangeIsAbandonedAndRetried) {
  WritePackage(served / "p.bin", 400000);
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
  EXPECT_EQ(GetRanges(*host), (std::vector<std::string>{"bytes=0-399999", "bytes=0-399999"}));
  EXPECT_TRUE(testsupport::ReadFile(local / "pkg.exe") == PatternBytes(400000));
}

TEST_F(MtDownloaderTest, DestructionStopsTheRangesAndJoinsEveryThread) {
  WritePackage(served / "p.bin", kTwoRanges);
  packagehost::Options options;
  options.faults.rate = 100000;
  StartHost(options);
  auto d = Make(host->UrlFor("p.bin"));
  d->Start();
  ASSERT_TRUE(log.WaitFor(DL_CODE_START));
  while (GetRanges(*host).size() < 2) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  auto before = std::chrono::steady_clock::now();
  d.reset();
  EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(5));
  EXPECT_EQ(log.CodesWithoutProgress(), std::vector<int>{DL_CODE_START});
}

// A range beyond 2 GiB: offsets and the part file's size are 64-bit.
TEST(DownloadPartNodeTest, FetchesTheRestOfARangeBeyondTwoGibibytes) {
  testsupport::TempDir served;
  testsupport::TempDir local;
  const int64_t length = 2147483648LL + 4096;
  const std::string tail = PatternBytes(3000, 4);
  {
    std::ofstream out(served / "big.bin", std::ios::binary);
    out.seekp(length - 3000);
    out.write(tail.data(), 3000);
  }
  packagehost::Options options;
  options.root = served.str();
  options.digest = [](const std::string&) { return std::string(32, 'b'); };
  packagehost::PackageHost host(options);
  ASSERT_GT(host.Start(), 0);
  const std::string part = (local / "pkg.exe_1").string();
  testsupport::WriteFile(part, tail.substr(0, 1000));
  download::ByteRange range{length - 3000, 3000};
  download::DownloadPartNode node(part, host.UrlFor("big.bin"), range, length);
  EXPECT_EQ(node.NextByte(), length - 2000);
  EXPECT_EQ(node.LastByte(), length - 1);
  EXPECT_EQ(node.downloadExe([] { return 0; }), 0);
  EXPECT_EQ(GetRanges(host),
            std::vector<std::string>{"bytes=" + std::to_string(length - 2000) + "-" + std::to_string(length - 1)});
  EXPECT_EQ(node.BytesReceived(), 3000);
  node.CloseFile();
  EXPECT_TRUE(testsupport::ReadFile(part) == tail);
}

TEST(DownloadPartNodeTest, AFullPartFileNeedsNoTransfer) {
  testsupport::TempDir local;
  const std::string part = (local / "pkg.exe_0").string();
  testsupport::WriteFile(part, "0123456789");
  download::DownloadPartNode node(part, "http://127.0.0.1:1/x", download::ByteRange{0, 10}, 20);
  EXPECT_EQ(node.Status(), 0);
  EXPECT_EQ(node.NextByte(), 10);
}

}  // namespace
