#include "install/failure_diagnostics.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cwchar>
#include <limits>
#include <vector>

#include "analytics/tracker/installer_analytics.h"
#include "install/download_installer.h"
#include "install/hard_disk_manager.h"
#include "platform/files.h"
#include "platform/utf.h"
#include "utils/check_network.h"

namespace {

std::wstring Cut(std::wstring text) {
  if (text.size() > kMaxReasonChars) text.resize(kMaxReasonChars);
  return text;
}

std::wstring Format(const wchar_t* format, ...) {
  std::vector<wchar_t> buffer(512);
  for (;;) {
    va_list args;
    va_start(args, format);
    int n = std::vswprintf(buffer.data(), buffer.size(), format, args);
    va_end(args);
    if (n >= 0) return std::wstring(buffer.data(), static_cast<size_t>(n));
    if (buffer.size() > (1u << 20)) return L"";
    buffer.resize(buffer.size() * 4);
  }
}

}  // namespace

int32_t FailureCode(double value) {
  if (std::isnan(value)) return 0;
  if (value >= 2147483647.0) return std::numeric_limits<int32_t>::max();
  if (value <= -2147483648.0) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(value);
}

std::wstring DownloadFailureReason(double value, const std::wstring& text, uint64_t freeBytesForUser, bool writable,
                                   int32_t networkState) {
  double gib = static_cast<double>(freeBytesForUser) / 1073741824.0;
  return Cut(Format(L"1.code=%ld；2.msg=%ls；3.缓存磁盘容量=%.2fG；4.缓存读写权限=%ls；5.服务器连接状态code=%d",
                    static_cast<long>(FailureCode(value)), text.c_str(), gib, writable ? L"可读" : L"无权限",
                    static_cast<int>(networkState)));
}

std::wstring ShortFailureReasonText(double value, const std::wstring& text) {
  return Cut(Format(L":1.code=%ld；2.msg=%ls", static_cast<long>(FailureCode(value)), text.c_str()));
}

bool PackageLocationWritable(const std::wstring& packagePath) {
  if (packagePath.empty()) return false;
  if (platform::PathExists(packagePath) && !platform::DeleteFileAt(packagePath)) return false;
  std::FILE* f = std::fopen(platform::FsPath(packagePath).c_str(), "w+b");
  if (f == nullptr) return false;
  std::fclose(f);
  platform::DeleteFileAt(packagePath);
  return true;
}

std::wstring DownloadFailureDiagnostics(const std::wstring& packagePath, double value, const std::wstring& text) {
  int32_t network = Utils::CheckNetwork();
  bool writable = PackageLocationWritable(packagePath);
  // The "drive part" of a path is the path itself here; the query looks at
  // the nearest existing ancestor.
  Utils::HardDiskManager disk;
  uint64_t freeBytes = disk.CheckFreeSpace(packagePath) ? disk.FreeBytesForUser() : 0;
  std::wstring reason = DownloadFailureReason(value, text, freeBytes, writable, network);
  trackInstallerTask(L"下载失败原因", 0, reason, AbMap());
  return reason;
}

std::wstring DownloadFailureDiagnostics(const CDownloadInstaller& coordinator, double value, const std::wstring& text) {
  return DownloadFailureDiagnostics(coordinator.PackagePath(), value, text);
}

std::wstring ShortFailureReason(double value, const std::wstring& text, bool download) {
  std::wstring reason = ShortFailureReasonText(value, text);
  trackInstallerTask(download ? L"下载失败原因" : L"安装失败原因", 0, reason, AbMap());
  return reason;
}
