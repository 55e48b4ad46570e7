#include "download_only.h"

#include <condition_variable>
#include <mutex>

#include "download/downloader.h"
#include "whole_run.h"

namespace installerrun {

std::wstring PackagePathIn(const std::wstring& folder) {
  std::wstring path = folder;
  if (!path.empty() && path.back() != L'/') path += L'/';
  return path + L"__Package_Mirelo Studio.exe";
}

int RunDownloadOnly(const DownloadOnlyOptions& options, FILE* out) {
  std::mutex lock;
  std::condition_variable ended;
  bool done = false;
  bool success = false;
  CDownloader* downloader = nullptr;

  auto listener = [&](int code, double value, const wchar_t* text) {
    PrintEvent(out, code, value, text);
    if (code == DL_CODE_RETRY) {
      // The run asks to be started once more; the answer is given on this very thread.
      downloader->Start();
      return;
    }
    if (code == DL_CODE_SUCCESS || code == DL_CODE_FAIL) {
      std::lock_guard<std::mutex> guard(lock);
      done = true;
      success = code == DL_CODE_SUCCESS;
      ended.notify_all();
    }
  };

  std::unique_ptr<CDownloader> owned =
      CreateDownloader(options.type, listener, options.url, PackagePathIn(options.folder));
  downloader = owned.get();
  downloader->Start();
  {
    std::unique_lock<std::mutex> guard(lock);
    ended.wait(guard, [&] { return done; });
  }
  owned.reset();
  return success ? 0 : 1;
}

}  // namespace installerrun
