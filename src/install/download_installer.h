// The download-and-install coordinator: removes an earlier version when one is
// registered, downloads the package, runs it, and passes every event of every
// stage on to its owner.
#pragma once
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "download/downloader.h"
#include "install/installer_events.h"

class CInstaller;
class UnInstaller;

// Makes the downloader for a download type (the default is CreateDownloader).
using DownloaderFactory = std::function<std::unique_ptr<CDownloader>(
    int downloadType, DownloadListener listener, const std::wstring& url, const std::wstring& destinationPath)>;

// Name of the product's executable, waited for in update mode.
inline constexpr wchar_t kProductExecutable[] = L"MireloStudio.exe";

class CDownloadInstaller {
 public:
  // Uses CreateDownloader.
  explicit CDownloadInstaller(InstallerListener owner);
  CDownloadInstaller(InstallerListener owner, DownloaderFactory factory);
  // Waits for the remover, then the downloader, then the runner.
  ~CDownloadInstaller();
  CDownloadInstaller(const CDownloadInstaller&) = delete;
  CDownloadInstaller& operator=(const CDownloadInstaller&) = delete;

  void SetRunParameters(const std::wstring& downloadUrl, const std::wstring& previousRemover,
                        const std::wstring& installFolder, bool desktopShortcut, bool quickStartShortcut,
                        bool adminAccount, bool elevated, const std::wstring& language);
  // Begins a run: removal when the previous remover exists, else the download.
  // Called on the window's thread; returns at once.
  void Start();
  // The package path for the current installation folder.
  std::wstring PackagePath() const;

  // Id of the first running process with this executable name, 0 when none.
  static uint32_t FindProcessByName(const std::wstring& name);
  // The package path of the last run that ended ("" before any).
  static std::wstring RememberedPackagePath();

  // The stage objects (tests).
  CDownloader* Downloader() const { return downloader_.get(); }
  CInstaller* Runner() const { return runner_.get(); }

 private:
  void OnDownloadEvent(int code, double value, const wchar_t* text);
  void OnInstallEvent(int code, double value, const wchar_t* text);
  void OnRemoveEvent(int code, double value, const wchar_t* text);
  void Forward(int code, double value, const wchar_t* text);
  void DiscardPackageFile();
  // False when the coordinator is being destroyed meanwhile.
  bool WaitForProductExit();

  std::unique_ptr<UnInstaller> remover_;
  std::unique_ptr<CDownloader> downloader_;
  std::unique_ptr<CInstaller> runner_;
  std::wstring downloadUrl_;
  std::wstring previousRemover_;
  std::wstring installFolder_;
  std::wstring packagePath_;
  std::wstring language_;
  bool desktopShortcut_ = true;
  bool quickStartShortcut_ = true;
  bool adminAccount_ = true;
  bool elevated_ = false;
  InstallerListener owner_;
  DownloaderFactory factory_;
  // The paths the downloader and the runner were made with.
  std::wstring downloaderPath_;
  std::wstring runnerPath_;
  // Set while the coordinator is destroyed: events are still passed on, but
  // no further stage is started.
  std::atomic<bool> stopping_{false};
};

// Creates the folder and every missing parent. Paths longer than 260
// characters are refused. True when the folder exists at the end.
bool CreateFolderWithParents(const std::wstring& path);
