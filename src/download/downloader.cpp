#include "download/downloader.h"

#include "download/curl_downloader.h"
#include "download/mt_curl_downloader.h"
#include "download/win_downloader.h"

std::unique_ptr<CDownloader> CreateDownloader(int downloadType, DownloadListener listener, const std::wstring& url,
                                              const std::wstring& destinationPath) {
  switch (downloadType) {
    case 2:
      return std::make_unique<CWinDownloader>(std::move(listener), url, destinationPath);
    case 3:
      return std::make_unique<CMTCurlDownloader>(std::move(listener), url, destinationPath);
    default:
      return std::make_unique<CCurlDownloader>(std::move(listener), url, destinationPath);
  }
}
