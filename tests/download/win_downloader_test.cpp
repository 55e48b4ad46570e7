#include "download/win_downloader.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "download_test_support.h"
#include "platform/url_download.h"
#include "support/temp_dir.h"
#include "utils/text.h"

namespace {

namespace fs = std::filesystem;
using downloadtest::EventLog;
using downloadtest::PatternBytes;
using downloadtest::WritePackage;

class WinDownloaderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WritePackage(served / "p.bin", 3 * 1048576);
    host = std::make_unique<packagehost::PackageHost>(packagehost::Options{served.str()});
    ASSERT_GT(host->Start(), 0);
  }
  std::unique_ptr<CWinDownloader> Make(const std::string& url) {
    return std::make_unique<CWinDownloader>(log.Listener(), Utils::Utf8ToWide(url), destination());
  }
  std::wstring destination() const { return Utils::NarrowToWide((local / "pkg.exe").string()); }

  testsupport::TempDir served;
  testsupport::TempDir local;
  std::unique_ptr<packagehost::PackageHost> host;
  EventLog log;
};

TEST_F(WinDownloaderTest, DownloadsWithProgressOnEveryNotice) {
  auto d = Make(host->RedirectUrlFor("p.bin"));
  d->Start();
  ASSERT_TRUE(log.WaitForTerminal());
  EXPECT_EQ(log.CodesWithoutProgress(), (std::vector<int>{DL_CODE_START, DL_CODE_SUCCESS}));
  EXPECT_EQ(log.Events().back().text, L"URLDownloadToFile");
  EXPECT_GE(log.Count(DL_CODE_PROGRESS), 1u);
  EXPECT_TRUE(testsupport::ReadFile(local / "pkg.exe") == PatternBytes(3 * 1048576));
}

TEST_F(WinDownloaderTest, ThreeFailuresOneSecondApartGiveOneFailWithTheErrorValue) {
  Utils::FakeClock fake;
  Utils::ScopedClockForTesting scope(fake.Hooks());
  auto d = Make(host->BaseUrl() + "0123456789abcdef0123456789abcdef/missing.bin");
  d->Start();
  ASSERT_TRUE(log.WaitForTerminal());
  d.reset();
  EXPECT_EQ(log.CodesWithoutProgress(), (std::vector<int>{DL_CODE_START, DL_CODE_FAIL}));
  EXPECT_EQ(log.Events().back().value, static_cast<double>(platform::kUrlDownloadNotFound));
  EXPECT_EQ(log.Events().back().text, L"URLDownloadToFile");
  EXPECT_EQ(downloadtest::CountRequests(*host, "GET"), 3u);
  EXPECT_EQ(fake.SleptMs(), 3000u);
}

TEST_F(WinDownloaderTest, EveryStartBeginsANewRun) {
  Utils::FakeClock fake;
  Utils::ScopedClockForTesting scope(fake.Hooks());
  auto d = Make(host->BaseUrl() + "0123456789abcdef0123456789abcdef/missing.bin");
  d->Start();
  ASSERT_TRUE(log.WaitForTerminal(1));
  d->Start();
  ASSERT_TRUE(log.WaitForTerminal(2));
  d.reset();
  EXPECT_EQ(log.CodesWithoutProgress(), (std::vector<int>{DL_CODE_START, DL_CODE_FAIL, DL_CODE_START, DL_CODE_FAIL}));
}

TEST_F(WinDownloaderTest, SpacesAndNonAsciiCharactersReachTheServerEncoded) {
  auto d = Make(host->BaseUrl() + "a b/\xc3\xa9.bin");
  Utils::FakeClock fake;
  Utils::ScopedClockForTesting scope(fake.Hooks());
  d->Start();
  ASSERT_TRUE(log.WaitForTerminal());
  d.reset();
  auto requests = host->Requests();
  ASSERT_FALSE(requests.empty());
  // The host decodes the path: "+" stays a plus sign, the escapes become the UTF-8 bytes again.
  EXPECT_EQ(requests[0].path, "/a+b/\xc3\xa9.bin");
}

TEST(BindCallbackTest, ForwardsEveryNoticeWithATotalAndAbortsOnceDestroyed) {
  EventLog log;
  auto callback = std::make_unique<CWinDownloader::CBindCallback>();
  callback->SetListener(log.Listener());
  EXPECT_EQ(callback->OnProgress(10, 0), platform::kUrlDownloadOk);
  EXPECT_EQ(callback->OnProgress(0, 40), platform::kUrlDownloadOk);
  EXPECT_EQ(callback->OnProgress(10, 40), platform::kUrlDownloadOk);
  EXPECT_EQ(callback->OnProgress(5000000000ULL, 10000000000ULL), platform::kUrlDownloadOk);
  auto events = log.Events();
  ASSERT_EQ(events.size(), 3u);
  EXPECT_EQ(events[0].value, 0.0);
  EXPECT_EQ(events[1].value, 0.25);
  EXPECT_EQ(events[2].value, 0.5);
  callback->Abort();
  EXPECT_EQ(callback->OnProgress(20, 40), platform::kUrlDownloadAbort);
  EXPECT_EQ(log.Events().size(), 3u);
}

// The URL download service of the platform layer.
class AbortingCallback : public platform::UrlDownloadCallback {
 public:
  int32_t OnProgress(uint64_t progress, uint64_t) override {
    return progress > 0 ? platform::kUrlDownloadAbort : platform::kUrlDownloadOk;
  }
};

TEST_F(WinDownloaderTest, UrlDownloadServiceResults) {
  const std::string path = (local / "out.bin").string();
  EXPECT_EQ(platform::UrlDownloadToFile(host->RedirectUrlFor("p.bin"), path, nullptr), platform::kUrlDownloadOk);
  EXPECT_TRUE(testsupport::ReadFile(path) == PatternBytes(3 * 1048576));

  AbortingCallback abort;
  EXPECT_EQ(platform::UrlDownloadToFile(host->UrlFor("p.bin"), path, &abort), platform::kUrlDownloadAbort);
  EXPECT_LT(fs::file_size(path), 3u * 1048576u);

  EXPECT_EQ(platform::UrlDownloadToFile(host->BaseUrl() + "nothing", path, nullptr), platform::kUrlDownloadNotFound);
  EXPECT_EQ(platform::UrlDownloadToFile(host->UrlFor("p.bin"), (local / "no" / "dir").string(), nullptr),
            platform::kUrlDownloadAccessDenied);
  EXPECT_EQ(platform::UrlDownloadToFile("", path, nullptr), platform::kUrlDownloadInvalidUrl);
  EXPECT_EQ(platform::UrlDownloadResultFor(7, 0), platform::kUrlDownloadCannotConnect);
  EXPECT_EQ(platform::UrlDownloadResultFor(22, 500), platform::kUrlDownloadTransferFailed);
  EXPECT_EQ(platform::UrlDownloadResultFor(28, 0), platform::kUrlDownloadTimeout);
}

}  // namespace
