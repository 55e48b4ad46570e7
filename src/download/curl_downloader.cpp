#include "download/curl_downloader.h"

#include "app/log.h"
#include "platform/files.h"
#include "utils/clock.h"
#include "utils/md5.h"
#include "utils/text.h"

namespace {
constexpr int kBudget = 12;
constexpr int kPartialFile = 18;  // CURLE_PARTIAL_FILE
constexpr uint32_t kRetryPauseMs = 500;
}  // namespace

CCurlDownloader::CCurlDownloader(DownloadListener listener, std::wstring url, std::wstring destinationPath)
    : listener_(std::move(listener)), destinationPath_(std::move(destinationPath)), url_(std::move(url)) {
  client_ = std::make_unique<CurlClient>(url_, destinationPath_,
                                         [this](double speed, double percent) { OnProgress(speed, percent); });
  // A new downloader never resumes a part file left by an earlier process.
  platform::DeleteFileAt(client_->GetFilePath(true));
  runLoop_ = std::make_unique<download::RunLoop>(this, [this] { dlThreadFun(); });
}

CCurlDownloader::~CCurlDownloader() {
  stopping_ = true;
  client_->RequestStop();
  runLoop_->Stop();
}

void CCurlDownloader::Start() { runLoop_->Start(); }

void CCurlDownloader::Emit(int code, double value, const wchar_t* text) {
  if (stopping_ || !listener_) return;
  listener_(code, value, text);
}

int CCurlDownloader::Attempt() { return attempt_ ? attempt_(*client_) : client_->Start(); }

void CCurlDownloader::OnProgress(double speed, double percent) {
  if (speed > 0.0 && percent <= 100.0) Emit(DL_CODE_PROGRESS, percent / 100.0, L"");
}

void CCurlDownloader::dlThreadFun() {
  Emit(DL_CODE_START, 1.0, L"");
  if (destinationPath_.empty()) {
    // Nothing can be stored without a destination: the run ends here.
    Emit(DL_CODE_FAIL, 1.0, L"");
    return;
  }
  int result = Attempt();
  int budget = kBudget;
  while (result != 0) {
    if (stopping_) return;
    budget -= result == kPartialFile ? 1 : 2;
    if (budget <= 0) {
      Emit(DL_CODE_FAIL, static_cast<double>(result), L"LibCurl");
      return;
    }
    MIRELO_LOG(L"CCurlDownloader::dlThreadFun", L"CurlDownLoader Code=%d", result);
    Utils::SleepMs(kRetryPauseMs);
    if (stopping_) return;
    result = Attempt();
  }

  std::string expected = download::ExpectedDigestFromUrl(client_->RealUrl());
  download::DigestVerdict verdict = download::DigestVerdict::kNoDigest;
  if (expected.size() == 32) {
    std::string actual = client_->Digest();
    if (actual.empty()) actual = Utils::GetFileMd5(Utils::WideToNarrow(destinationPath_));
    verdict = download::CompareDigests(expected, actual);
  }
  switch (verdict) {
    case download::DigestVerdict::kNoDigest:
      Emit(DL_CODE_MESSAGE, 0.0, L"curl获取url-md5失败");
      break;
    case download::DigestVerdict::kVerified:
      break;
    case download::DigestVerdict::kMismatch:
      Emit(DL_CODE_MESSAGE, 0.0, L"curl文件md5校验失败");
      if (!restartAsked_) {
        restartAsked_ = true;
        Emit(DL_CODE_RETRY, 0.0, L"LibCurl");
      } else {
        Emit(DL_CODE_FAIL, 0.0, L"LibCurl");
      }
      return;
  }
  Emit(DL_CODE_SUCCESS, 0.0, L"LibCurl");
}
