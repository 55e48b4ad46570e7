// The system URL download service: fetches a URL into a file synchronously on
// the calling thread, reports (bytes so far, total bytes) to a callback as data
// arrives, and stops when the callback answers kUrlDownloadAbort. Results are
// HRESULT-style 32-bit values: 0 on success, a negative error value otherwise.
#pragma once
#include <cstdint>
#include <string>

namespace platform {

inline constexpr int32_t kUrlDownloadOk = 0;                                          // S_OK
inline constexpr int32_t kUrlDownloadAbort = static_cast<int32_t>(0x80004004u);       // E_ABORT
inline constexpr int32_t kUrlDownloadFailure = static_cast<int32_t>(0x80004005u);     // E_FAIL
inline constexpr int32_t kUrlDownloadOutOfMemory = static_cast<int32_t>(0x8007000Eu);  // E_OUTOFMEMORY
inline constexpr int32_t kUrlDownloadAccessDenied = static_cast<int32_t>(0x80070005u);  // E_ACCESSDENIED
inline constexpr int32_t kUrlDownloadInvalidUrl = static_cast<int32_t>(0x800C0002u);    // INET_E_INVALID_URL
inline constexpr int32_t kUrlDownloadCannotConnect = static_cast<int32_t>(0x800C0004u);  // INET_E_CANNOT_CONNECT
inline constexpr int32_t kUrlDownloadNotFound = static_cast<int32_t>(0x800C0005u);  // INET_E_RESOURCE_NOT_FOUND
inline constexpr int32_t kUrlDownloadNameNotResolved = static_cast<int32_t>(0x800C0007u);  // INET_E_NO_SESSION
inline constexpr int32_t kUrlDownloadTransferFailed = static_cast<int32_t>(0x800C0008u);  // INET_E_DOWNLOAD_FAILURE
inline constexpr int32_t kUrlDownloadTimeout = static_cast<int32_t>(0x800C000Bu);  // INET_E_CONNECTION_TIMEOUT

// The callback the service calls while data arrives.
class UrlDownloadCallback {
 public:
  virtual ~UrlDownloadCallback() = default;
  // Bytes received so far and the total (0 when unknown). Any answer other
  // than kUrlDownloadOk stops the transfer, which then fails with that value.
  virtual int32_t OnProgress(uint64_t progress, uint64_t progressMax) = 0;
};

// Downloads the UTF-8 URL into the file (UTF-8 path, created or truncated).
// Redirects are followed; an HTTP status of 400 or more is a failure. What was
// written before a failure stays in the file. The callback may be null.
int32_t UrlDownloadToFile(const std::string& url, const std::string& path, UrlDownloadCallback* callback);

// The HRESULT-style value for a libcurl result (and the HTTP status when the
// result is an HTTP error); exposed for tests.
int32_t UrlDownloadResultFor(int curlCode, long httpStatus);

}  // namespace platform
