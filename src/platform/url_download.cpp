#include "platform/url_download.h"

#include <curl/curl.h>

#include <cstdio>
#include <memory>

namespace platform {
namespace {

struct TransferState {
  FILE* file = nullptr;
  UrlDownloadCallback* callback = nullptr;
  int32_t callbackAnswer = kUrlDownloadOk;
  bool writeFailed = false;
};

size_t WriteBlock(char* data, size_t size, size_t count, void* user) {
  auto* state = static_cast<TransferState*>(user);
  size_t bytes = size * count;
  if (bytes == 0) return 0;
  size_t written = std::fwrite(data, 1, bytes, state->file);
  if (written != bytes) state->writeFailed = true;
  return written;
}

int Progress(void* user, curl_off_t total, curl_off_t now, curl_off_t, curl_off_t) {
  auto* state = static_cast<TransferState*>(user);
  if (!state->callback) return 0;
  uint64_t done = now > 0 ? static_cast<uint64_t>(now) : 0;
  uint64_t max = total > 0 ? static_cast<uint64_t>(total) : 0;
  int32_t answer = state->callback->OnProgress(done, max);
  if (answer != kUrlDownloadOk) {
    state->callbackAnswer = answer;
    return 1;
  }
  return 0;
}

struct CurlDeleter {
  void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};

}  // namespace

int32_t UrlDownloadResultFor(int curlCode, long httpStatus) {
  switch (curlCode) {
    case CURLE_OK:
      return kUrlDownloadOk;
    case CURLE_HTTP_RETURNED_ERROR:
      return httpStatus == 404 || httpStatus == 410 ? kUrlDownloadNotFound : kUrlDownloadTransferFailed;
    case CURLE_UNSUPPORTED_PROTOCOL:
    case CURLE_URL_MALFORMAT:
      return kUrlDownloadInvalidUrl;
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
      return kUrlDownloadNameNotResolved;
    case CURLE_COULDNT_CONNECT:
      return kUrlDownloadCannotConnect;
    case CURLE_OPERATION_TIMEDOUT:
      return kUrlDownloadTimeout;
    case CURLE_FILE_COULDNT_READ_FILE:
    case CURLE_REMOTE_FILE_NOT_FOUND:
      return kUrlDownloadNotFound;
    case CURLE_OUT_OF_MEMORY:
      return kUrlDownloadOutOfMemory;
    case CURLE_ABORTED_BY_CALLBACK:
      return kUrlDownloadAbort;
    default:
      return kUrlDownloadTransferFailed;
  }
}

int32_t UrlDownloadToFile(const std::string& url, const std::string& path, UrlDownloadCallback* callback) {
  if (url.empty()) return kUrlDownloadInvalidUrl;
  std::unique_ptr<CURL, CurlDeleter> handle(curl_easy_init());
  if (!handle) return kUrlDownloadOutOfMemory;
  TransferState state;
  state.callback = callback;
  state.file = std::fopen(path.c_str(), "wb");
  if (!state.file) return kUrlDownloadAccessDenied;

  CURL* h = handle.get();
  CURLcode set = CURLE_OK;
  auto opt = [&set](CURLcode code) {
    if (set == CURLE_OK) set = code;
  };
  opt(curl_easy_setopt(h, CURLOPT_URL, url.c_str()));
  opt(curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L));
  opt(curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L));
  opt(curl_easy_setopt(h, CURLOPT_MAXREDIRS, 20L));
  opt(curl_easy_setopt(h, CURLOPT_FAILONERROR, 1L));
  opt(curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT, 60L));
  // A transfer that delivers nothing for a minute is given up.
  opt(curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, 1L));
  opt(curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, 60L));
  opt(curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &WriteBlock));
  opt(curl_easy_setopt(h, CURLOPT_WRITEDATA, &state));
  opt(curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L));
  opt(curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, &Progress));
  opt(curl_easy_setopt(h, CURLOPT_XFERINFODATA, &state));
  CURLcode code = set != CURLE_OK ? set : curl_easy_perform(h);
  long status = 0;
  curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &status);
  bool closed = std::fclose(state.file) == 0;

  if (code == CURLE_ABORTED_BY_CALLBACK && state.callbackAnswer != kUrlDownloadOk) return state.callbackAnswer;
  if (code == CURLE_WRITE_ERROR && state.writeFailed) return kUrlDownloadAccessDenied;
  if (code == CURLE_OK && !closed) return kUrlDownloadAccessDenied;
  return UrlDownloadResultFor(code, status);
}

}  // namespace platform
