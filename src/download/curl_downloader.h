// The single-connection downloader: one CurlClient driven within a retry
// budget on the run thread, then the digest check.
#pragma once
#include <atomic>
#include <functional>
#include <memory>
#include <string>

#include "download/curl_client.h"
#include "download/download_common.h"
#include "download/downloader.h"

class CCurlDownloader : public CDownloader {
 public:
  CCurlDownloader(DownloadListener listener, std::wstring url, std::wstring destinationPath);
  // Stops a running transfer and joins the run thread before anything is freed.
  ~CCurlDownloader() override;

  void Start() override;

  // Replaces one attempt (CurlClient::Start) for tests of the retry budget;
  // the function may call the client itself.
  void SetAttemptForTesting(std::function<int(CurlClient&)> attempt) { attempt_ = std::move(attempt); }

 private:
  void dlThreadFun();
  void OnProgress(double speed, double percent);
  void Emit(int code, double value, const wchar_t* text);
  int Attempt();

  DownloadListener listener_;
  std::wstring destinationPath_;
  std::wstring url_;
  std::unique_ptr<CurlClient> client_;
  std::function<int(CurlClient&)> attempt_;
  std::atomic<bool> stopping_{false};
  bool restartAsked_ = false;
  std::unique_ptr<download::RunLoop> runLoop_;  // last member: joined first
};
