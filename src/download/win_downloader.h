// The system URL downloader: the whole transfer is handed to the platform's
// URL download service, followed through a progress callback; three attempts,
// one second apart, and no digest check.
#pragma once
#include <atomic>
#include <memory>
#include <string>

#include "download/download_common.h"
#include "download/downloader.h"
#include "platform/url_download.h"

namespace download {
// The URL as handed to the service: "file:///" URLs unchanged; otherwise the
// UTF-8 bytes 0x21..0x7E stay, a space becomes "+", every other byte "%XX".
std::wstring EncodeUrlForSystemDownload(const std::wstring& url);
}  // namespace download

class CWinDownloader : public CDownloader {
 public:
  // Receives the service's progress notices and turns them into progress events.
  class CBindCallback : public platform::UrlDownloadCallback {
   public:
    ~CBindCallback() override;  // raises the abort flag
    void SetListener(DownloadListener listener);
    // Abort flag set: kUrlDownloadAbort. A total of 0: no event. Otherwise a
    // progress event with progress / total.
    int32_t OnProgress(uint64_t progress, uint64_t progressMax) override;
    void Abort() { abort_ = true; }

   private:
    DownloadListener listener_;
    std::atomic<bool> abort_{false};
  };

  CWinDownloader(DownloadListener listener, std::wstring url, std::wstring destinationPath);
  // Aborts a running transfer and joins the worker thread.
  ~CWinDownloader() override;

  // Begins a new run on every call.
  void Start() override;

 private:
  void Run();
  void Emit(int code, double value, const wchar_t* text);

  CBindCallback bindCallback_;
  DownloadListener listener_;
  std::wstring destinationPath_;
  std::wstring url_;
  std::atomic<bool> stopping_{false};
  std::unique_ptr<download::RunLoop> runLoop_;  // last member: joined first
};
