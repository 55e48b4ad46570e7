// One package transfer with libcurl on the calling thread: the real address
// and length are found with HEAD requests, the body is appended to the part
// file (destination + ".part"), resumed from what it holds, and renamed to the
// destination when the transfer ends without error.
#pragma once
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace download {
class StreamingDigest;
}

class CurlClient {
 public:
  // Called at most once a second during a transfer: (speed in bytes/s, percent).
  using ProgressFunction = std::function<void(double speed, double percent)>;

  static constexpr int kPartFileUnavailable = -996;
  static constexpr int kNoTransferHandle = -997;
  static constexpr int kLengthMissing = -998;
  // Packages shorter than this are refused.
  static constexpr int64_t kMinimumLength = 1048576;

  CurlClient(std::wstring url, std::wstring destinationPath, ProgressFunction progress);
  // Raises the stop flag and deletes the part file. The owner makes sure no
  // attempt is running any more (see RequestStop()).
  ~CurlClient();
  CurlClient(const CurlClient&) = delete;
  CurlClient& operator=(const CurlClient&) = delete;

  std::wstring GetFilePath(bool part) const;
  // One attempt: 0 when the package is complete under the destination path,
  // a libcurl code, or one of the negative codes above.
  int Start();
  // Makes a running transfer end with CURLE_ABORTED_BY_CALLBACK at its next
  // progress notice; may be called from any thread.
  void RequestStop() { stop_ = true; }

  const std::string& RealUrl() const { return realUrl_; }
  // Length of the package in bytes; -1 while unknown.
  int64_t PackageLength() const { return packageLength_; }
  // Size of the part file when the last transfer began.
  int64_t ResumeOffset() const { return resumeOffset_; }
  // MD5 text of the package completed by the last successful Start(), computed
  // while it was written; empty when it is not known.
  const std::string& Digest() const { return digest_; }

 private:
  void* Head(const std::string& url);
  int64_t GetDownloadFileLength(void* handle);
  int64_t GetDownloadFileLength_Str(const std::string& url);
  std::string GetRealUrl_Str(const std::string& url);
  static int ProgressCallback(void* client, int64_t dltotal, int64_t dlnow, int64_t ultotal, int64_t ulnow);
  static void ReportLengthStatus(long status);
  static size_t WriteBody(char* data, size_t size, size_t count, void* client);
  // Keeps the running digest when it covers exactly the first `size` bytes of
  // the part file; otherwise starts it anew (size 0) or gives it up.
  void SyncDigest(int64_t size);

  std::wstring url_;
  std::wstring destinationPath_;
  void* transfer_ = nullptr;
  ProgressFunction progress_;
  int64_t packageLength_ = -1;
  int64_t resumeOffset_ = -1;
  int64_t lastProgressSecond_ = 0;
  std::atomic<bool> stop_{false};
  std::string realUrl_;
  void* file_ = nullptr;  // FILE* of the part file during a transfer
  std::unique_ptr<download::StreamingDigest> streamDigest_;
  bool streamDigestValid_ = false;
  std::string digest_;
};
