#include "download/win_downloader.h"

#include "utils/clock.h"
#include "utils/text.h"

namespace download {

std::wstring EncodeUrlForSystemDownload(const std::wstring& url) {
  if (url.rfind(L"file:///", 0) == 0) return url;
  static const char kHex[] = "0123456789ABCDEF";
  std::string bytes = Utils::WideToUtf8(url);
  std::string encoded;
  encoded.reserve(bytes.size() * 3);
  for (unsigned char c : bytes) {
    if (c >= 0x21 && c <= 0x7E) {
      encoded += static_cast<char>(c);
    } else if (c == 0x20) {
      encoded += '+';
    } else {
      encoded += '%';
      encoded += kHex[c >> 4];
      encoded += kHex[c & 0x0F];
    }
  }
  return Utils::Utf8ToWide(encoded);
}

}  // namespace download

CWinDownloader::CBindCallback::~CBindCallback() { abort_ = true; }

void CWinDownloader::CBindCallback::SetListener(DownloadListener listener) { listener_ = std::move(listener); }

int32_t CWinDownloader::CBindCallback::OnProgress(uint64_t progress, uint64_t progressMax) {
  if (abort_) return platform::kUrlDownloadAbort;
  if (progressMax == 0) return platform::kUrlDownloadOk;
  if (listener_) {
    listener_(DL_CODE_PROGRESS, static_cast<double>(progress) / static_cast<double>(progressMax), L"");
  }
  return platform::kUrlDownloadOk;
}

CWinDownloader::CWinDownloader(DownloadListener listener, std::wstring url, std::wstring destinationPath)
    : listener_(std::move(listener)), destinationPath_(std::move(destinationPath)), url_(std::move(url)) {
  runLoop_ = std::make_unique<download::RunLoop>(this, [this] { Run(); });
}

CWinDownloader::~CWinDownloader() {
  stopping_ = true;
  bindCallback_.Abort();
  runLoop_->Stop();
}

void CWinDownloader::Start() { runLoop_->Start(); }

void CWinDownloader::Emit(int code, double value, const wchar_t* text) {
  if (stopping_ || !listener_) return;
  listener_(code, value, text);
}

void CWinDownloader::Run() {
  // The callback gets its copy of the listener on the run thread, which is the only thread reading it.
  bindCallback_.SetListener(listener_);
  Emit(DL_CODE_START, 1.0, L"");
  if (destinationPath_.empty()) {
    // Nothing can be stored without a destination: the run ends here.
    Emit(DL_CODE_FAIL, 1.0, L"");
    return;
  }
  const std::string url = Utils::WideToUtf8(download::EncodeUrlForSystemDownload(url_));
  const std::string path = Utils::WideToNarrow(destinationPath_);
  for (int attempt = 1; attempt <= 3; ++attempt) {
    int32_t result = platform::UrlDownloadToFile(url, path, &bindCallback_);
    if (result == platform::kUrlDownloadOk) {
      Emit(DL_CODE_SUCCESS, 0.0, L"URLDownloadToFile");
      return;
    }
    Utils::SleepMs(1000);
    if (stopping_) return;
    if (attempt == 3) Emit(DL_CODE_FAIL, static_cast<double>(result), L"URLDownloadToFile");
  }
}
