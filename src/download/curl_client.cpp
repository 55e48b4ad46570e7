#include "download/curl_client.h"

#include <curl/curl.h>

#include <cstdio>
#include <cwchar>

#include "analytics/tracker/installer_analytics.h"
#include "app/log.h"
#include "download/download_common.h"
#include "platform/files.h"
#include "utils/clock.h"
#include "utils/text.h"

namespace {

size_t DiscardBody(char*, size_t size, size_t count, void*) { return size * count; }

std::wstring CurlText(int code) { return Utils::Utf8ToWide(curl_easy_strerror(static_cast<CURLcode>(code))); }

}  // namespace

CurlClient::CurlClient(std::wstring url, std::wstring destinationPath, ProgressFunction progress)
    : url_(std::move(url)),
      destinationPath_(std::move(destinationPath)),
      progress_(std::move(progress)),
      streamDigest_(std::make_unique<download::StreamingDigest>()) {}

CurlClient::~CurlClient() {
  stop_ = true;
  platform::DeleteFileAt(GetFilePath(true));
}

size_t CurlClient::WriteBody(char* data, size_t size, size_t count, void* clientPointer) {
  auto* client = static_cast<CurlClient*>(clientPointer);
  size_t written = std::fwrite(data, 1, size * count, static_cast<FILE*>(client->file_));
  if (client->streamDigestValid_) client->streamDigest_->Feed(data, written);
  return written;
}

void CurlClient::SyncDigest(int64_t size) {
  if (streamDigestValid_ && streamDigest_->Bytes() == size) return;
  // A part file this client did not write from its first byte is read again once complete.
  streamDigest_->Reset();
  streamDigestValid_ = size == 0;
}

std::wstring CurlClient::GetFilePath(bool part) const { return part ? destinationPath_ + L".part" : destinationPath_; }

void CurlClient::ReportLengthStatus(long status) {
  wchar_t reason[201];
  std::swprintf(reason, 201, L"1.获取文件大小的状态码为=%ld；", status);
  trackInstallerTask(L"下载失败原因", 0.0, reason, AbMap{{L"AB", L"IN"}});
}

void* CurlClient::Head(const std::string& url) {
  CURL* handle = curl_easy_init();
  if (!handle) return nullptr;
  CURLcode code = curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
  if (code == CURLE_OK) code = curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 1L);
  if (code == CURLE_OK) code = curl_easy_setopt(handle, CURLOPT_NOBODY, 1L);
  if (code == CURLE_OK) code = curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
  if (code == CURLE_OK) code = curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, &DiscardBody);
  if (code == CURLE_OK) code = curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT, 60L);
  if (code == CURLE_OK) {
    code = curl_easy_perform(handle);
    if (code != CURLE_OK) MIRELO_LOG_NOEOL(L"CurlClient::Head", L"error:%d:%ls", code, CurlText(code).c_str());
  }
  MIRELO_LOG(L"CurlClient::Head", L"error:%d:%ls", code, CurlText(code).c_str());
  return handle;
}

int64_t CurlClient::GetDownloadFileLength(void* handle) {
  curl_off_t length = -1;
  CURLcode code = curl_easy_getinfo(handle, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
  MIRELO_LOG(L"CurlClient::GetDownloadFileLength", L"error:%d:%ls", code, CurlText(code).c_str());
  long status = 0;
  CURLcode statusCode = curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &status);
  if (statusCode == CURLE_OK && status >= 200 && status <= 399) return code == CURLE_OK ? length : -1;
  ReportLengthStatus(status);
  return -1;
}

int64_t CurlClient::GetDownloadFileLength_Str(const std::string& url) {
  curl_off_t length = -1;
  CURLcode code = CURLE_FAILED_INIT;
  CURL* handle = curl_easy_init();
  if (handle) {
    code = curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
    if (code == CURLE_OK) code = curl_easy_setopt(handle, CURLOPT_HEADER, 1L);
    if (code == CURLE_OK) code = curl_easy_setopt(handle, CURLOPT_NOBODY, 1L);
    if (code == CURLE_OK) code = curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
    if (code == CURLE_OK) code = curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, &DiscardBody);
    if (code == CURLE_OK) code = curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT, 60L);
    if (code == CURLE_OK) {
      curl_easy_perform(handle);
      code = curl_easy_getinfo(handle, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
      long status = 0;
      CURLcode statusCode = curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &status);
      if (statusCode != CURLE_OK || status < 200 || status > 400) ReportLengthStatus(status);
    }
  }
  MIRELO_LOG(L"CurlClient::GetDownloadFileLength_Str", L"error:%d:%ls", code, CurlText(code).c_str());
  if (handle) curl_easy_cleanup(handle);
  return length;
}

std::string CurlClient::GetRealUrl_Str(const std::string& url) {
  std::string effective;
  CURL* handle = curl_easy_init();
  if (handle) {
    CURLcode code = curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
    if (code == CURLE_OK) code = curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 1L);
    if (code == CURLE_OK) code = curl_easy_setopt(handle, CURLOPT_NOBODY, 1L);
    if (code == CURLE_OK) code = curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
    if (code == CURLE_OK) code = curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, &DiscardBody);
    if (code == CURLE_OK) code = curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT, 60L);
    if (code == CURLE_OK) {
      code = curl_easy_perform(handle);
      if (code != CURLE_OK) {
        MIRELO_LOG_NOEOL(L"CurlClient::GetRealUrl_Str", L"error:%d:%ls", code, CurlText(code).c_str());
      } else {
        char* text = nullptr;
        if (curl_easy_getinfo(handle, CURLINFO_EFFECTIVE_URL, &text) == CURLE_OK && text) effective = text;
      }
    }
    curl_easy_cleanup(handle);
  }
  return effective.empty() ? url : effective;
}

int CurlClient::Start() {
  MIRELO_LOG(L"CurlClient::Start", L"start download");
  const std::wstring partPath = GetFilePath(true);
  const std::string narrowPart = Utils::WideToNarrow(partPath);
  const std::string narrowDestination = Utils::WideToNarrow(destinationPath_);
  const std::string narrowUrl = download::NarrowUrl(url_);

  if (realUrl_.empty() || packageLength_ < kMinimumLength) {
    CURL* handle = static_cast<CURL*>(Head(narrowUrl));
    if (handle) {
      char* text = nullptr;
      realUrl_ = curl_easy_getinfo(handle, CURLINFO_EFFECTIVE_URL, &text) == CURLE_OK && text ? text : "";
      packageLength_ = GetDownloadFileLength(handle);
      curl_easy_cleanup(handle);
    } else {
      realUrl_.clear();
    }
  }
  if (realUrl_.empty() || packageLength_ < kMinimumLength) {
    realUrl_ = GetRealUrl_Str(narrowUrl);
    if (!realUrl_.empty()) packageLength_ = GetDownloadFileLength_Str(realUrl_);
  }

  int result = 0;
  CURL* handle = nullptr;
  FILE* file = nullptr;
  struct curl_slist* headers = nullptr;
  bool transferNeeded = true;
  if (packageLength_ < kMinimumLength) {
    result = kLengthMissing;
    transferNeeded = false;
  } else {
    // A part file that already holds the whole package needs no request; one
    // longer than the package cannot be the beginning of it and is dropped.
    int64_t existing = platform::FileSize(partPath);
    if (existing == packageLength_) {
      resumeOffset_ = existing;
      SyncDigest(existing);
      transferNeeded = false;
    } else if (existing > packageLength_) {
      std::remove(narrowPart.c_str());
    }
  }

  if (transferNeeded) {
    handle = curl_easy_init();
    if (!handle) result = kNoTransferHandle;
  }
  if (transferNeeded && result == 0) {
    transfer_ = handle;
    file = std::fopen(narrowPart.c_str(), "ab+");
    if (!file) result = kPartFileUnavailable;
  }
  if (transferNeeded && result == 0) {
    headers = curl_slist_append(headers, "Connection: keep-alive");
    // The body is stored exactly as it arrives, so no encoding we would have to decode is offered.
    headers = curl_slist_append(headers, "Accept-Encoding: identity");
    curl_easy_setopt(handle, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(handle, CURLOPT_TCP_KEEPALIVE, 1L);
    curl_easy_setopt(handle, CURLOPT_TCP_KEEPIDLE, 10L);
    curl_easy_setopt(handle, CURLOPT_TCP_KEEPINTVL, 10L);
    curl_easy_setopt(handle, CURLOPT_TIMEOUT, 0L);
    int options = 0;
    options |= curl_easy_setopt(handle, CURLOPT_URL, realUrl_.c_str());
    options |= curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 1L);
    file_ = file;
    options |= curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, &CurlClient::WriteBody);
    options |= curl_easy_setopt(handle, CURLOPT_WRITEDATA, this);
    options |= curl_easy_setopt(handle, CURLOPT_NOPROGRESS, 0L);
    options |= curl_easy_setopt(handle, CURLOPT_XFERINFOFUNCTION, &CurlClient::ProgressCallback);
    options |= curl_easy_setopt(handle, CURLOPT_XFERINFODATA, this);
    options |= curl_easy_setopt(handle, CURLOPT_FAILONERROR, 1L);
    options |= curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT, 60L);
    options |= curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
    // A server that stops sending without closing would otherwise hold the attempt forever.
    options |= curl_easy_setopt(handle, CURLOPT_LOW_SPEED_LIMIT, 1L);
    options |= curl_easy_setopt(handle, CURLOPT_LOW_SPEED_TIME, download::StallSeconds());
    options |= curl_easy_setopt(handle, CURLOPT_BUFFERSIZE, 256L * 1024L);
    resumeOffset_ = platform::FileSize(partPath);
    SyncDigest(resumeOffset_ > 0 ? resumeOffset_ : 0);
    if (resumeOffset_ > 0) {
      options |= curl_easy_setopt(handle, CURLOPT_RESUME_FROM_LARGE, static_cast<curl_off_t>(resumeOffset_));
    }
    result = options;
    if (result == 0) result = curl_easy_perform(handle);
    // A body that ended early without the server saying so leaves the package incomplete.
    if (result == 0 && std::fflush(file) == 0 && platform::FileSize(partPath) < packageLength_) {
      result = CURLE_PARTIAL_FILE;
    }
  }

  MIRELO_LOG(L"CurlClient::Start", L"error:%d:%ls", result, CurlText(result).c_str());
  transfer_ = nullptr;
  file_ = nullptr;
  if (handle) curl_easy_cleanup(handle);
  if (headers) curl_slist_free_all(headers);
  if (file && std::fclose(file) != 0 && result == 0) result = CURLE_WRITE_ERROR;
  digest_.clear();
  if (result == 0) {
    // The digest of what was stored, ready without reading the package again.
    if (streamDigestValid_ && streamDigest_->Bytes() == packageLength_) digest_ = streamDigest_->Finish();
    streamDigestValid_ = false;
    std::remove(narrowDestination.c_str());
    std::rename(narrowPart.c_str(), narrowDestination.c_str());
  }
  MIRELO_LOG(L"CurlClient::Start", L"end download");
  return result;
}

int CurlClient::ProgressCallback(void* clientPointer, int64_t dltotal, int64_t dlnow, int64_t, int64_t) {
  auto* client = static_cast<CurlClient*>(clientPointer);
  if (client->stop_) return 1;
  int64_t now = Utils::NowEpochSeconds();
  if (now <= client->lastProgressSecond_) return 0;
  client->lastProgressSecond_ = now;

  curl_off_t speedBytes = 0;
  double speed = 0.0;
  if (client->transfer_ && curl_easy_getinfo(client->transfer_, CURLINFO_SPEED_DOWNLOAD_T, &speedBytes) == CURLE_OK) {
    speed = static_cast<double>(speedBytes);
  }
  double percent;
  if (client->packageLength_ > kMinimumLength) {
    int64_t offset = client->resumeOffset_ > 0 ? client->resumeOffset_ : 0;
    percent = static_cast<double>(offset + dlnow) / static_cast<double>(client->packageLength_) * 100.0;
  } else {
    if (dlnow <= 0 || dltotal <= 0) return 0;
    percent = static_cast<double>(dlnow) * 100.0 / static_cast<double>(dltotal);
  }
  if (percent == 0.0) return 0;
  if (client->progress_) client->progress_(speed, percent);
  if (dltotal != 0) {
    MIRELO_LOG_NOEOL(L"CurlClient::ProgressCallback", L" %dM %dM   progress:%f%%  speed:%f \n",
                     static_cast<int>(dlnow / 1048576), static_cast<int>(dltotal / 1048576),
                     static_cast<double>(static_cast<float>(percent)),
                     static_cast<double>(static_cast<float>(speed / 1024.0)));
  }
  return 0;
}
