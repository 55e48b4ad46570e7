#include "download/curl_client.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "download_test_support.h"
#include "support/temp_dir.h"
#include "utils/text.h"

namespace {

namespace fs = std::filesystem;
using downloadtest::GetRanges;
using downloadtest::PatternBytes;
using downloadtest::WritePackage;

class CurlClientTest : public ::testing::Test {
 protected:
  void StartHost(packagehost::Options options = {}) {
    options.root = served.str();
    host = std::make_unique<packagehost::PackageHost>(options);
    ASSERT_GT(host->Start(), 0);
  }
  std::unique_ptr<CurlClient> Client(const std::string& url, std::vector<double>* percents = nullptr) {
    return std::make_unique<CurlClient>(Utils::Utf8ToWide(url), destination(), [percents](double, double p) {
      if (percents) percents->push_back(p);
    });
  }
  std::wstring destination() const { return Utils::NarrowToWide((local / "pkg.exe").string()); }
  fs::path partPath() const { return local / "pkg.exe.part"; }

  testsupport::TempDir served;
  testsupport::TempDir local;
  std::unique_ptr<packagehost::PackageHost> host;
};

TEST_F(CurlClientTest, PackagesBelowOneMebibyteAreRefusedAfterTwoHeadPasses) {
  WritePackage(served / "small.bin", 1048575);
  StartHost();
  auto client = Client(host->UrlFor("small.bin"));
  EXPECT_EQ(client->Start(), CurlClient::kLengthMissing);
  EXPECT_EQ(downloadtest::CountRequests(*host, "GET"), 0u);
  EXPECT_EQ(downloadtest::CountRequests(*host, "HEAD"), 3u);  // HEAD, then the redirect query and the length query
  EXPECT_FALSE(fs::exists(partPath()));
  EXPECT_FALSE(fs::exists(local / "pkg.exe"));
}

TEST_F(CurlClientTest, OneMebibytePackageIsTransferredWithOwnCounts) {
  WritePackage(served / "p.bin", 1048576);
  StartHost();
  downloadtest::TickingClock clock;
  std::vector<double> percents;
  auto client = Client(host->UrlFor("p.bin"), &percents);
  ASSERT_EQ(client->Start(), 0);
  EXPECT_TRUE(testsupport::ReadFile(local / "pkg.exe") == PatternBytes(1048576));
  EXPECT_FALSE(fs::exists(partPath()));
  ASSERT_FALSE(percents.empty());
  EXPECT_DOUBLE_EQ(percents.back(), 100.0);
  auto requests = host->Requests();
  ASSERT_FALSE(requests.empty());
  // The body is stored as it arrives, so no compressed encoding is offered.
  EXPECT_EQ(requests.back().acceptEncoding, "identity");
}

TEST_F(CurlClientTest, ResumesFromThePartFileAndCountsItInThePercentage) {
  const size_t size = 2 * 1048576;
  WritePackage(served / "p.bin", size);
  StartHost();
  std::string bytes = PatternBytes(size);
  testsupport::WriteFile(partPath(), bytes.substr(0, 300000));
  downloadtest::TickingClock clock;
  std::vector<double> percents;
  auto client = Client(host->UrlFor("p.bin"), &percents);
  ASSERT_EQ(client->Start(), 0);
  EXPECT_TRUE(testsupport::ReadFile(local / "pkg.exe") == bytes);
  EXPECT_EQ(GetRanges(*host), std::vector<std::string>{"bytes=300000-"});
  EXPECT_EQ(client->ResumeOffset(), 300000);
  ASSERT_FALSE(percents.empty());
  EXPECT_GT(percents.front(), 300000.0 * 100 / size - 1e-9);
  EXPECT_DOUBLE_EQ(percents.back(), 100.0);
}

TEST_F(CurlClientTest, FollowsTheRedirectAndRetriesWithoutHeadRequests) {
  WritePackage(served / "p.bin", 1048576 + 10);
  packagehost::Options options;
  options.faults.status = 404;
  options.faults.times = 1;
  StartHost(options);
  auto client = Client(host->RedirectUrlFor("p.bin"));
  std::string before = "already here";
  testsupport::WriteFile(local / "pkg.exe", before);
  // The transfer answered 404: libcurl's HTTP error, the part file as it was, the destination untouched.
  EXPECT_EQ(client->Start(), 22);
  EXPECT_EQ(client->RealUrl(), host->UrlFor("p.bin"));
  EXPECT_EQ(testsupport::ReadFile(partPath()), "");
  EXPECT_EQ(testsupport::ReadFile(local / "pkg.exe"), before);

  host->ClearRequests();
  ASSERT_EQ(client->Start(), 0);
  EXPECT_EQ(downloadtest::CountRequests(*host, "HEAD"), 0u);
  auto requests = host->Requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].path, "/" + host->DigestOf("p.bin") + "/p.bin");
  EXPECT_TRUE(testsupport::ReadFile(local / "pkg.exe") == PatternBytes(1048576 + 10));
}

TEST_F(CurlClientTest, PartFileHoldingTheWholePackageCompletesWithoutATransfer) {
  WritePackage(served / "p.bin", 1048576 + 5);
  StartHost();
  testsupport::WriteFile(partPath(), PatternBytes(1048576 + 5));
  auto client = Client(host->UrlFor("p.bin"));
  ASSERT_EQ(client->Start(), 0);
  EXPECT_EQ(downloadtest::CountRequests(*host, "GET"), 0u);
  EXPECT_TRUE(testsupport::ReadFile(local / "pkg.exe") == PatternBytes(1048576 + 5));
}

TEST_F(CurlClientTest, PartFileLongerThanThePackageIsDiscarded) {
  WritePackage(served / "p.bin", 1048576 + 5);
  StartHost();
  testsupport::WriteFile(partPath(), PatternBytes(1048576 + 6, 9));
  auto client = Client(host->UrlFor("p.bin"));
  ASSERT_EQ(client->Start(), 0);
  EXPECT_EQ(GetRanges(*host), std::vector<std::string>{""});
  EXPECT_TRUE(testsupport::ReadFile(local / "pkg.exe") == PatternBytes(1048576 + 5));
}

TEST_F(CurlClientTest, DestructionDeletesThePartFile) {
  testsupport::WriteFile(partPath(), "partial");
  { auto client = Client("http://127.0.0.1:1/x"); }
  EXPECT_FALSE(fs::exists(partPath()));
}

// A package beyond 2 GiB: the part file's 64-bit size is the resume offset.
TEST_F(CurlClientTest, ResumesBeyondTwoGibibytes) {
  const int64_t length = 2147483648LL + 1000;
  const std::string tail = PatternBytes(1000, 7);
  {
    std::ofstream out(served / "big.bin", std::ios::binary);
    out.seekp(length - 1000);
    out.write(tail.data(), 1000);
  }
  {
    std::ofstream out(partPath(), std::ios::binary);
    out.seekp(length - 400 - 1);
    out.put(tail[600 - 1]);
  }
  packagehost::Options options;
  options.digest = [](const std::string&) { return std::string(32, 'a'); };  // spares hashing 2 GiB
  StartHost(options);
  auto client = Client(host->UrlFor("big.bin"));
  ASSERT_EQ(client->Start(), 0);
  EXPECT_EQ(client->PackageLength(), length);
  EXPECT_EQ(GetRanges(*host), std::vector<std::string>{"bytes=" + std::to_string(length - 400) + "-"});
  EXPECT_EQ(static_cast<int64_t>(fs::file_size(local / "pkg.exe")), length);
  std::ifstream in(local / "pkg.exe", std::ios::binary);
  in.seekg(length - 400);
  std::string got(400, '\0');
  in.read(got.data(), 400);
  EXPECT_EQ(got, tail.substr(600));
}

}  // namespace
