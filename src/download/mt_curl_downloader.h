// The multi-connection downloader: the package is split into one or two byte
// ranges, each fetched on its own thread into a part file beside the
// destination, then the part files are joined and the digest is checked.
#pragma once
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "download/download_common.h"
#include "download/downloader.h"
#include "utils/thread.h"

namespace download {

struct ByteRange {
  int64_t offset = 0;
  int64_t size = 0;
};
// One range below 20 971 520 bytes, two from there on; the last range takes the remainder.
std::vector<ByteRange> SplitRanges(int64_t packageLength);

// One range of the package and its part file.
class DownloadPartNode {
 public:
  static constexpr int kToFetch = -1;
  static constexpr int kFileUnavailable = -2;

  // Examines the existing part file: a range already present gets status 0 and
  // no open file; otherwise the file is opened for appending (status -1, or -2
  // when it cannot be opened).
  DownloadPartNode(std::string partFileName, std::string url, ByteRange range, int64_t packageLength);
  ~DownloadPartNode();
  DownloadPartNode(const DownloadPartNode&) = delete;
  DownloadPartNode& operator=(const DownloadPartNode&) = delete;

  // One attempt at the rest of the range (0 or a libcurl code). `progress` is
  // called during the transfer; a non-zero answer aborts it. A response that
  // does not start exactly at the next byte is refused before anything is
  // written (CURLE_WRITE_ERROR); a body that ends early gives CURLE_PARTIAL_FILE.
  int downloadExe(const std::function<int()>& progress);
  void CloseFile();
  // Every byte written to the part file from now on is also fed to `digest`.
  void SetDigest(StreamingDigest* digest) { digest_ = digest; }

  const std::string& FileName() const { return fileName_; }
  int Status() const { return status_; }
  int64_t NextByte() const { return nextByte_; }
  int64_t LastByte() const { return lastByte_; }
  int64_t BytesReceived() const { return bytesReceived_.load(); }

 private:
  static size_t WriteCallback(char* data, size_t size, size_t count, void* part);
  static size_t HeaderCallback(char* data, size_t size, size_t count, void* part);
  static int ProgressCallback(void* hook, int64_t, int64_t, int64_t, int64_t);

  void* file_ = nullptr;  // FILE*
  int64_t nextByte_ = 0;
  int64_t lastByte_ = 0;
  int64_t packageLength_ = 0;
  void* handle_ = nullptr;  // CURL*
  std::string url_;
  std::string fileName_;
  int status_ = kToFetch;
  std::atomic<int64_t> bytesReceived_{0};
  // Per attempt: the last response's Content-Range and whether it was checked.
  std::string contentRange_;
  bool responseChecked_ = false;
  bool responseRefused_ = false;
  StreamingDigest* digest_ = nullptr;
};

}  // namespace download

class CMTCurlDownloader : public CDownloader {
 public:
  CMTCurlDownloader(DownloadListener listener, std::wstring url, std::wstring destinationPath);
  // Stops the transfers and joins the run, part and waiter threads.
  ~CMTCurlDownloader() override;

  void Start() override;

 private:
  void Start_Down();
  bool getRealDownloadUrl(const std::string& url);
  void downloadThreadFun(download::DownloadPartNode* part);
  void waitForFinishThreadFun();
  void FailureEnding(int firstFailedStatus);
  int PartProgress();
  void FreeParts();
  void DeletePartFiles();
  std::string PartFileName(int index) const;
  void Emit(int code, double value, const wchar_t* text);

  std::vector<std::unique_ptr<download::DownloadPartNode>> parts_;
  DownloadListener listener_;
  std::wstring destinationPath_;
  std::wstring url_;
  std::string narrowDestination_;
  std::string realUrl_;
  int64_t packageLength_ = -1;
  std::string expectedDigest_;
  double lastReportedPercent_ = 0.0;  // guarded by progressLock_
  std::atomic<int> runningParts_{0};
  std::mutex partsLock_;
  std::condition_variable partsDone_;  // signalled when runningParts_ drops
  // Digest of part file 0 (the package's beginning), kept up to date while it is written.
  download::StreamingDigest partZeroDigest_;
  bool partZeroDigestValid_ = false;
  int64_t lastProgressSecond_ = 0;  // guarded by progressLock_
  std::mutex progressLock_;
  bool restartAsked_ = false;
  std::atomic<bool> stopping_{false};
  std::vector<std::unique_ptr<Utils::Thread>> partThreads_;
  std::unique_ptr<Utils::Thread> waiter_;
  std::unique_ptr<download::RunLoop> runLoop_;  // last member: joined first
};
