// Failure reasons and the free-space query.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "install/failure_diagnostics.h"
#include "install/hard_disk_manager.h"
#include "platform/utf.h"
#include "support/log_capture.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;

namespace {

std::wstring W(const fs::path& p) { return platform::Utf8ToWide(p.string()); }

TEST(FailureReasons, Texts) {
  const uint64_t k12_5G = 12ull * 1073741824ull + 536870912ull;
  EXPECT_EQ(DownloadFailureReason(28.0, L"LibCurl", k12_5G, true, 64),
            L"1.code=28；2.msg=LibCurl；3.缓存磁盘容量=12.50G；4.缓存读写权限=可读；5.服务器连接状态code=64");
  EXPECT_EQ(DownloadFailureReason(-3.7, L"", 0, false, 65536),
            L"1.code=-3；2.msg=；3.缓存磁盘容量=0.00G；4.缓存读写权限=无权限；5.服务器连接状态code=65536");
  EXPECT_EQ(ShortFailureReasonText(1000.0, L"安装包安装失败"), L":1.code=1000；2.msg=安装包安装失败");
  EXPECT_EQ(ShortFailureReason(0.0, L"curl文件md5校验失败", true), L":1.code=0；2.msg=curl文件md5校验失败");
  EXPECT_EQ(ShortFailureReasonText(1e300, L"").substr(0, 18), L":1.code=2147483647");
  EXPECT_EQ(FailureCode(std::nan("")), 0);
  EXPECT_EQ(DownloadFailureReason(1, std::wstring(500, L'm'), 0, true, 0).size(), kMaxReasonChars);
}

TEST(FailureReasons, DownloadDiagnosticsMeasureThePackageLocation) {
  testsupport::TempDir dir;
  fs::path package = dir / "__Package_Mirelo Studio.exe";
  testsupport::WriteFile(package, "partial");
  std::wstring reason = DownloadFailureDiagnostics(W(package), 28.0, L"LibCurl");
  EXPECT_EQ(reason.find(L"1.code=28；2.msg=LibCurl；3.缓存磁盘容量="), 0u);
  EXPECT_NE(reason.find(L"4.缓存读写权限=可读；5.服务器连接状态code="), std::wstring::npos);
  EXPECT_FALSE(fs::exists(package));  // the write test leaves no file

  // A package folder that does not exist cannot be written.
  std::wstring missing = DownloadFailureDiagnostics(W(dir / "no/such/p.exe"), 1.0, L"");
  EXPECT_NE(missing.find(L"4.缓存读写权限=无权限"), std::wstring::npos);
  EXPECT_EQ(missing.find(L"3.缓存磁盘容量=0.00G"), std::wstring::npos);  // the nearest existing ancestor counts
}

TEST(HardDiskManager, MeasuresTheNearestExistingFolder) {
  testsupport::TempDir dir;
  Utils::HardDiskManager disk;
  ASSERT_TRUE(disk.CheckFreeSpace(W(dir / "not/yet/made")));
  EXPECT_GT(disk.TotalBytes(), 0u);
  EXPECT_LE(disk.FreeBytesForUser(), disk.TotalFreeBytes());
  EXPECT_LE(disk.TotalFreeBytes(), disk.TotalBytes());
}

TEST(HardDiskManager, FailureKeepsCountsAndWritesTheErrorCode) {
  testsupport::TempDir dir;
  testsupport::WriteFile(dir / "file", "x");
  testsupport::LogCapture capture;
  Utils::HardDiskManager disk;
  EXPECT_FALSE(disk.CheckFreeSpace(W(dir / "file/below")));
  EXPECT_EQ(disk.TotalBytes(), 0u);
  EXPECT_EQ(capture.Count(L"(Utils::HardDiskManager::CheckFreeSpace)"), 1u);
  EXPECT_EQ(capture.Count(L"HardDiskManager::CheckFreeSpace FAIL code=20\r\n"), 1u);  // not a directory
}

}  // namespace
