#include "download/mt_curl_downloader.h"

#include <curl/curl.h>

#include <algorithm>
#include <cstdio>
#include <string_view>

#include "app/config.h"
#include "app/log.h"
#include "platform/files.h"
#include "utils/clock.h"
#include "utils/md5.h"
#include "utils/text.h"

namespace download {
namespace {

constexpr int64_t kRangeUnit = 10485760;  // 10 MiB: a package of two units or more uses two connections
constexpr int64_t kMinimumLength = 256;

std::wstring CurlText(int code) { return Utils::Utf8ToWide(curl_easy_strerror(static_cast<CURLcode>(code))); }

size_t DiscardBody(char*, size_t size, size_t count, void*) { return size * count; }

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    char a = text[i];
    char b = prefix[i];
    if (a >= 'A' && a <= 'Z') a = static_cast<char>(a - 'A' + 'a');
    if (b >= 'A' && b <= 'Z') b = static_cast<char>(b - 'A' + 'a');
    if (a != b) return false;
  }
  return true;
}

}  // namespace

std::vector<ByteRange> SplitRanges(int64_t packageLength) {
  std::vector<ByteRange> ranges;
  if (packageLength <= 0) return ranges;
  int64_t count = std::clamp<int64_t>(packageLength / kRangeUnit, 1, 2);
  int64_t size = packageLength / count;
  int64_t offset = 0;
  for (int64_t i = 0; i < count; ++i) {
    int64_t thisSize = i + 1 == count ? size + packageLength % count : size;
    ranges.push_back({offset, thisSize});
    offset += thisSize;
  }
  return ranges;
}

DownloadPartNode::DownloadPartNode(std::string partFileName, std::string url, ByteRange range, int64_t packageLength)
    : packageLength_(packageLength), url_(std::move(url)), fileName_(std::move(partFileName)) {
  int64_t existing = platform::FileSize(Utils::NarrowToWide(fileName_));
  if (existing < 0) existing = 0;
  nextByte_ = range.offset + existing;
  lastByte_ = range.offset + range.size - 1;
  bytesReceived_ = existing;
  handle_ = curl_easy_init();
  if (nextByte_ > lastByte_) {
    status_ = 0;
    return;
  }
  file_ = std::fopen(fileName_.c_str(), "ab+");
  status_ = file_ ? kToFetch : kFileUnavailable;
}

DownloadPartNode::~DownloadPartNode() {
  if (handle_) curl_easy_cleanup(static_cast<CURL*>(handle_));
  CloseFile();
}

void DownloadPartNode::CloseFile() {
  if (file_) std::fclose(static_cast<FILE*>(file_));
  file_ = nullptr;
}

size_t DownloadPartNode::HeaderCallback(char* data, size_t size, size_t count, void* user) {
  auto* part = static_cast<DownloadPartNode*>(user);
  size_t bytes = size * count;
  std::string_view line(data, bytes);
  if (line.rfind("HTTP/", 0) == 0) {
    // A new response (after a redirect, for instance): forget the previous one's headers.
    part->contentRange_.clear();
  } else if (StartsWithNoCase(line, "Content-Range:")) {
    part->contentRange_.assign(line.substr(14));
  }
  return bytes;
}

size_t DownloadPartNode::WriteCallback(char* data, size_t size, size_t count, void* user) {
  auto* part = static_cast<DownloadPartNode*>(user);
  size_t bytes = size * count;
  if (!part->file_) return 0;
  if (!part->responseChecked_) {
    part->responseChecked_ = true;
    long status = 0;
    curl_easy_getinfo(static_cast<CURL*>(part->handle_), CURLINFO_RESPONSE_CODE, &status);
    if (!RangedResponseAcceptable(status, ParseContentRange(part->contentRange_), part->nextByte_,
                                  part->lastByte_, part->packageLength_)) {
      part->responseRefused_ = true;
    }
  }
  if (part->responseRefused_) return 0;
  size_t written = 0;
  if (part->nextByte_ <= part->lastByte_) {
    size_t wanted = static_cast<size_t>(std::min<int64_t>(static_cast<int64_t>(bytes),
                                                          part->lastByte_ - part->nextByte_ + 1));
    written = std::fwrite(data, 1, wanted, static_cast<FILE*>(part->file_));
    part->nextByte_ += static_cast<int64_t>(written);
    if (part->digest_) part->digest_->Feed(data, written);
  }
  part->bytesReceived_ += static_cast<int64_t>(written);
  return written;
}

int DownloadPartNode::ProgressCallback(void* hook, int64_t, int64_t, int64_t, int64_t) {
  return (*static_cast<const std::function<int()>*>(hook))();
}

int DownloadPartNode::downloadExe(const std::function<int()>& progress) {
  CURL* handle = static_cast<CURL*>(handle_);
  if (!handle) {
    status_ = CURLE_FAILED_INIT;
    return status_;
  }
  char range[64];
  std::snprintf(range, sizeof range, "%lld-%lld", static_cast<long long>(nextByte_),
                static_cast<long long>(lastByte_));
  contentRange_.clear();
  responseChecked_ = false;
  responseRefused_ = false;

  int options = 0;
  options |= curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
  options |= curl_easy_setopt(handle, CURLOPT_URL, url_.c_str());
  options |= curl_easy_setopt(handle, CURLOPT_TIMEOUT, 0L);
  options |= curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 1L);
  options |= curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, &DownloadPartNode::WriteCallback);
  options |= curl_easy_setopt(handle, CURLOPT_WRITEDATA, this);
  options |= curl_easy_setopt(handle, CURLOPT_HEADERFUNCTION, &DownloadPartNode::HeaderCallback);
  options |= curl_easy_setopt(handle, CURLOPT_HEADERDATA, this);
  options |= curl_easy_setopt(handle, CURLOPT_NOPROGRESS, 0L);
  options |= curl_easy_setopt(handle, CURLOPT_XFERINFOFUNCTION, &DownloadPartNode::ProgressCallback);
  options |= curl_easy_setopt(handle, CURLOPT_XFERINFODATA, &progress);
  options |= curl_easy_setopt(handle, CURLOPT_FAILONERROR, 1L);
  options |= curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT, 60L);
  options |= curl_easy_setopt(handle, CURLOPT_LOW_SPEED_LIMIT, 1L);
  options |= curl_easy_setopt(handle, CURLOPT_LOW_SPEED_TIME, StallSeconds());
  options |= curl_easy_setopt(handle, CURLOPT_BUFFERSIZE, 256L * 1024L);
  options |= curl_easy_setopt(handle, CURLOPT_RANGE, range);
  if (options != 0) return options;

  int result = curl_easy_perform(handle);
  // A body that ended before the range's last byte leaves the range incomplete.
  if (result == CURLE_OK && nextByte_ <= lastByte_) result = CURLE_PARTIAL_FILE;
  if (result == CURLE_OK && file_ && std::fflush(static_cast<FILE*>(file_)) != 0) result = CURLE_WRITE_ERROR;
  if (result != CURLE_OK) {
    MIRELO_LOG(L"CMTCurlDownloader::downloadExe", L"error:%d:%ls", result, CurlText(result).c_str());
  } else {
    MIRELO_LOG(L"CMTCurlDownloader::downloadExe", L"curl_easy_cleanup");
  }
  curl_easy_reset(handle);
  if (result == CURLE_OK) CloseFile();
  status_ = result;
  return result;
}

}  // namespace download

using download::DownloadPartNode;

CMTCurlDownloader::CMTCurlDownloader(DownloadListener listener, std::wstring url, std::wstring destinationPath)
    : listener_(std::move(listener)), destinationPath_(std::move(destinationPath)), url_(std::move(url)) {
  narrowDestination_ = Utils::WideToNarrow(destinationPath_);
  std::remove(narrowDestination_.c_str());
  DeletePartFiles();
  runLoop_ = std::make_unique<download::RunLoop>(this, [this] {
    Start_Down();
    // The run ends with its waiter; the part threads are joined by it.
    if (waiter_) waiter_->Join();
    waiter_.reset();
    for (auto& thread : partThreads_) thread->Join();
    partThreads_.clear();
  });
}

CMTCurlDownloader::~CMTCurlDownloader() {
  stopping_ = true;
  runLoop_->Stop();
  FreeParts();
}

void CMTCurlDownloader::Start() { runLoop_->Start(); }

void CMTCurlDownloader::Emit(int code, double value, const wchar_t* text) {
  if (stopping_ || !listener_) return;
  listener_(code, value, text);
}

std::string CMTCurlDownloader::PartFileName(int index) const {
  return narrowDestination_ + "_" + std::to_string(index);
}

void CMTCurlDownloader::DeletePartFiles() {
  std::remove(PartFileName(0).c_str());
  std::remove(PartFileName(1).c_str());
}

void CMTCurlDownloader::FreeParts() { parts_.clear(); }

bool CMTCurlDownloader::getRealDownloadUrl(const std::string& url) {
  realUrl_.clear();
  expectedDigest_.clear();
  packageLength_ = 0;
  if (!InstallerConfig.networkReady) return false;
  CURL* handle = curl_easy_init();
  if (!handle) return false;
  struct curl_slist* headers = curl_slist_append(nullptr, "Connection: keep-alive");
  int options = 0;
  options |= curl_easy_setopt(handle, CURLOPT_HTTPHEADER, headers);
  options |= curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
  options |= curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 1L);
  options |= curl_easy_setopt(handle, CURLOPT_NOBODY, 1L);
  options |= curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
  options |= curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, &download::DiscardBody);
  options |= curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT, 60L);
  bool performed = options == 0 && curl_easy_perform(handle) == CURLE_OK;
  if (performed) {
    char* effective = nullptr;
    if (curl_easy_getinfo(handle, CURLINFO_EFFECTIVE_URL, &effective) == CURLE_OK && effective && *effective) {
      realUrl_ = effective;
      MIRELO_LOG(L"CMTCurlDownloader::getRealDownloadUrl", L"Download File real url %ls",
                 Utils::Utf8ToWide(realUrl_).c_str());
      expectedDigest_ = download::ExpectedDigestFromUrl(realUrl_);
    }
    curl_off_t length = -1;
    long status = 0;
    if (curl_easy_getinfo(handle, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length) == CURLE_OK &&
        curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &status) == CURLE_OK && status >= 200 && status <= 399) {
      packageLength_ = length;
      MIRELO_LOG(L"CMTCurlDownloader::getRealDownloadUrl", L"Download File Length %lld",
                 static_cast<long long>(packageLength_));
    }
  }
  curl_easy_cleanup(handle);
  curl_slist_free_all(headers);
  return performed && !realUrl_.empty() && packageLength_ >= download::kMinimumLength;
}

void CMTCurlDownloader::Start_Down() {
  Emit(DL_CODE_START, 1.0, L"");
  MIRELO_LOG(L"CMTCurlDownloader::Start_Down", L"start download");
  if (destinationPath_.empty()) {
    // Nothing can be stored without a destination: the run ends here.
    Emit(DL_CODE_FAIL, 1.0, L"");
    return;
  }
  const std::string narrowUrl = download::NarrowUrl(url_);
  std::remove(narrowDestination_.c_str());
  {
    std::lock_guard<std::mutex> guard(progressLock_);
    // Without any progress reported in the previous run, nothing of it is kept.
    if (lastReportedPercent_ == 0.0) DeletePartFiles();
  }
  if (realUrl_.empty() || packageLength_ < download::kMinimumLength) {
    if (!getRealDownloadUrl(narrowUrl)) {
      Emit(DL_CODE_FAIL, 0.0, L"LibCurl");
      return;
    }
  }

  FreeParts();
  std::vector<download::ByteRange> ranges = download::SplitRanges(packageLength_);
  for (size_t i = 0; i < ranges.size(); ++i) {
    parts_.push_back(std::make_unique<DownloadPartNode>(PartFileName(static_cast<int>(i)), realUrl_, ranges[i],
                                                        packageLength_));
  }
  if (!parts_.empty()) {
    // The digest starts from what part file 0 already holds and follows every byte written to it.
    // A part file not written by this downloader from its first byte is read again after the join.
    int64_t existing = parts_[0]->BytesReceived();
    if (!partZeroDigestValid_ || partZeroDigest_.Bytes() != existing) {
      partZeroDigest_.Reset();
      partZeroDigestValid_ = existing == 0;
    }
    if (partZeroDigestValid_) parts_[0]->SetDigest(&partZeroDigest_);
  }
  for (size_t i = 0; i < parts_.size(); ++i) {
    DownloadPartNode* part = parts_[i].get();
    if (part->Status() != DownloadPartNode::kToFetch) continue;
    ++runningParts_;
    auto thread = std::make_unique<Utils::Thread>(nullptr, L"", [this, part](void*) {
      downloadThreadFun(part);
      return 0u;
    });
    if (!thread->Resume()) {
      // No thread could be made: the part fails as if its transfer could not begin.
      std::lock_guard<std::mutex> guard(partsLock_);
      --runningParts_;
      part->CloseFile();
      continue;
    }
    partThreads_.push_back(std::move(thread));
    if (i + 1 < parts_.size()) Utils::SleepMs(100);
  }
  waiter_ = std::make_unique<Utils::Thread>(nullptr, L"", [this](void*) {
    waitForFinishThreadFun();
    return 0u;
  });
  if (!waiter_->Resume()) {
    waiter_.reset();
    waitForFinishThreadFun();
  }
}

int CMTCurlDownloader::PartProgress() {
  if (stopping_) return 1;
  std::lock_guard<std::mutex> guard(progressLock_);
  int64_t now = Utils::NowEpochSeconds();
  if (now <= lastProgressSecond_) return 0;
  lastProgressSecond_ = now;
  double percent = 0.0;
  if (packageLength_ >= download::kMinimumLength) {
    for (const auto& part : parts_) {
      int64_t received = part->BytesReceived();
      if (received > 0) percent += static_cast<double>(received) * 100.0 / static_cast<double>(packageLength_);
    }
    if (percent > 100.0) return 0;
  }
  if (percent - lastReportedPercent_ < 1.0) return 0;
  lastReportedPercent_ = percent;
  Emit(DL_CODE_PROGRESS, percent / 100.0, L"");
  return 0;
}

void CMTCurlDownloader::downloadThreadFun(DownloadPartNode* part) {
  download::ScopedRunThreadMark mark(this);
  std::function<int()> progress = [this] { return PartProgress(); };
  int budget = 12;
  int result = part->downloadExe(progress);
  while (result != 0 && budget > 0 && !stopping_) {
    budget -= result == CURLE_PARTIAL_FILE ? 1 : 2;
    MIRELO_LOG(L"CMTCurlDownloader::downloadThreadFun", L"CurlDownLoader Code=%d", result);
    Utils::SleepMs(400);
    if (stopping_) break;
    result = part->downloadExe(progress);
  }
  part->CloseFile();
  std::lock_guard<std::mutex> guard(partsLock_);
  --runningParts_;
  partsDone_.notify_all();
}

void CMTCurlDownloader::FailureEnding(int firstFailedStatus) {
  FreeParts();
  std::unique_lock<std::mutex> guard(progressLock_);
  if (lastReportedPercent_ == 0.0) DeletePartFiles();
  if (!restartAsked_) {
    restartAsked_ = true;
    guard.unlock();
    Emit(DL_CODE_RETRY, static_cast<double>(firstFailedStatus), L"LibCurl");
  } else {
    lastReportedPercent_ = 0.0;
    guard.unlock();
    Emit(DL_CODE_FAIL, static_cast<double>(firstFailedStatus), L"LibCurl");
  }
}

void CMTCurlDownloader::waitForFinishThreadFun() {
  download::ScopedRunThreadMark mark(this);
  {
    // Woken by each part thread as it ends, rather than polling.
    std::unique_lock<std::mutex> guard(partsLock_);
    partsDone_.wait(guard, [this] { return runningParts_.load() == 0; });
  }
  for (auto& thread : partThreads_) thread->Join();
  partThreads_.clear();
  if (stopping_) return;

  int firstFailed = 0;
  for (const auto& part : parts_) {
    if (part->Status() != 0) {
      firstFailed = part->Status();
      break;
    }
  }
  if (firstFailed != 0) {
    FailureEnding(firstFailed);
    return;
  }

  // Join the part files into part file 0, then move it to the destination.
  {
    std::lock_guard<std::mutex> guard(progressLock_);
    lastReportedPercent_ = 0.0;
  }
  bool joined = false;
  // The digest computed while part 0 was written goes on over the bytes joined to it.
  bool digestKnown = partZeroDigestValid_ &&
                     partZeroDigest_.Bytes() == platform::FileSize(Utils::NarrowToWide(PartFileName(0)));
  FILE* first = std::fopen(PartFileName(0).c_str(), "ab+");
  if (first) {
    joined = true;
    std::vector<char> buffer(256 * 1024);
    for (size_t i = 1; i < parts_.size(); ++i) {
      FILE* next = std::fopen(PartFileName(static_cast<int>(i)).c_str(), "rb+");
      if (next) {
        size_t got;
        while ((got = std::fread(buffer.data(), 1, buffer.size(), next)) > 0) {
          if (std::fwrite(buffer.data(), 1, got, first) != got) {
            joined = false;
            break;
          }
          if (digestKnown) partZeroDigest_.Feed(buffer.data(), got);
        }
        if (std::ferror(next)) joined = false;
        std::fclose(next);
      } else {
        // A missing range would make a shortened package; it is not joined.
        joined = false;
      }
      MIRELO_LOG(L"CMTCurlDownloader::waitForFinishThreadFun", L"partPath::%ls",
                 Utils::NarrowToWide(PartFileName(static_cast<int>(i))).c_str());
      if (!joined) break;
    }
    if (std::fclose(first) != 0) joined = false;
  }
  if (joined) joined = std::rename(PartFileName(0).c_str(), narrowDestination_.c_str()) == 0;
  if (!joined) {
    partZeroDigestValid_ = false;
    FailureEnding(DownloadPartNode::kFileUnavailable);
    return;
  }
  DeletePartFiles();
  partZeroDigestValid_ = false;
  std::string actual;
  if (expectedDigest_.size() == 32) {
    actual = digestKnown && partZeroDigest_.Bytes() == packageLength_ ? partZeroDigest_.Finish()
                                                                        : Utils::GetFileMd5(narrowDestination_);
  }

  switch (download::CompareDigests(expectedDigest_, actual)) {
    case download::DigestVerdict::kNoDigest:
      Emit(DL_CODE_MESSAGE, 0.0, L"mtcurl获取url-md5失败");
      break;
    case download::DigestVerdict::kVerified:
      break;
    case download::DigestVerdict::kMismatch:
      Emit(DL_CODE_MESSAGE, 0.0, L"mtcurl文件md5校验失败");
      std::remove(narrowDestination_.c_str());
      FreeParts();
      if (!restartAsked_) {
        restartAsked_ = true;
        MIRELO_LOG(L"CMTCurlDownloader::waitForFinishThreadFun", L"finish recv, md5 chaek failed retry once.");
        Emit(DL_CODE_RETRY, 0.0, L"LibCurl");
      } else {
        MIRELO_LOG(L"CMTCurlDownloader::waitForFinishThreadFun", L"finish recv, md5 chaek failed and retry failed.");
        Emit(DL_CODE_FAIL, 0.0, L"LibCurl");
      }
      return;
  }
  MIRELO_LOG(L"CMTCurlDownloader::waitForFinishThreadFun", L"finish recv");
  FreeParts();
  Emit(DL_CODE_SUCCESS, 0.0, L"LibCurl");
}
