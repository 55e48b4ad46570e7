// The downloader family: one abstract operation, Start(), and the download
// events every downloader reports to its listener.
#pragma once
#include <functional>
#include <memory>
#include <string>

// (event code, value, text); the text is valid during the call only.
using DownloadListener = std::function<void(int code, double value, const wchar_t* text)>;

enum DownloadEventCode : int {
  DL_CODE_START = 1001,
  DL_CODE_PROGRESS = 1002,
  DL_CODE_SUCCESS = 1003,
  DL_CODE_FAIL = 1004,
  DL_CODE_RETRY = 1005,
  DL_CODE_MESSAGE = 1006,
};

class CDownloader {
 public:
  virtual ~CDownloader() = default;
  // Starts (or restarts) a run on the downloader's worker thread and returns at once.
  virtual void Start() = 0;
};

// The selection rule: 2 gives the system URL downloader, 3 the multi-connection
// downloader, any other value the single-connection downloader.
std::unique_ptr<CDownloader> CreateDownloader(int downloadType, DownloadListener listener, const std::wstring& url,
                                              const std::wstring& destinationPath);
