// Short explanations of a failed download or installation for the analytics
// service (not shown to the user).
#pragma once
#include <cstdint>
#include <string>

class CDownloadInstaller;

// Longest reason text; a longer one is cut.
constexpr size_t kMaxReasonChars = 199;

// The event value as a 32-bit code: the fraction dropped, out-of-range values
// saturated, not-a-number 0.
int32_t FailureCode(double value);

// "1.code=…；2.msg=…；3.缓存磁盘容量=…G；4.缓存读写权限=…；5.服务器连接状态code=…"
std::wstring DownloadFailureReason(double value, const std::wstring& text, uint64_t freeBytesForUser, bool writable,
                                   int32_t networkState);
// ":1.code=…；2.msg=…"
std::wstring ShortFailureReasonText(double value, const std::wstring& text);

// Write test on the package path: an existing file is deleted, then the file
// is created and deleted again. True when all of it worked.
bool PackageLocationWritable(const std::wstring& packagePath);

// Measures the free space and the write test at the package path and the
// network state, records the reason under "下载失败原因", and returns it.
std::wstring DownloadFailureDiagnostics(const std::wstring& packagePath, double value, const std::wstring& text);
// The same for the coordinator's current package path.
std::wstring DownloadFailureDiagnostics(const CDownloadInstaller& coordinator, double value, const std::wstring& text);
// Records the short reason under "下载失败原因" (download) or "安装失败原因"
// and returns it.
std::wstring ShortFailureReason(double value, const std::wstring& text, bool download);
