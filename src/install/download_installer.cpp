#include "install/download_installer.h"

#include <filesystem>
#include <mutex>

#include "app/config.h"
#include "app/log.h"
#include "install/installer.h"
#include "install/uninstaller.h"
#include "platform/files.h"
#include "platform/process.h"
#include "platform/utf.h"
#include "utils/clock.h"
#include "utils/system_identity.h"

namespace {

std::mutex g_rememberedLock;
std::wstring g_rememberedPackagePath;  // guarded by g_rememberedLock

// Removes the last component (and the separator before it) from a path.
std::wstring ParentFolder(std::wstring path) {
  if (path.size() > 259) path.resize(259);
  size_t slash = path.find_last_of(L"/\\");
  if (slash == std::wstring::npos) return L"";
  if (slash == 0) return path.substr(0, 1);
  return path.substr(0, slash);
}

bool CopyOverwriting(const std::wstring& from, const std::wstring& to) {
  std::error_code ec;
  std::filesystem::copy_file(platform::FsPath(from), platform::FsPath(to),
                             std::filesystem::copy_options::overwrite_existing, ec);
  return !ec;
}

}  // namespace

bool CreateFolderWithParents(const std::wstring& path) {
  if (path.size() > 260) return false;
  for (size_t i = 0; i < path.size(); ++i) {
    if (path[i] != L'/') continue;
    std::wstring part = path.substr(0, i + 1);
    if (!platform::PathExists(part) && !platform::CreateDirectoryOne(part)) return false;
  }
  if (!path.empty() && path.back() != L'/' && !platform::PathExists(path) && !platform::CreateDirectoryOne(path))
    return false;
  return platform::IsDirectory(path);
}

CDownloadInstaller::CDownloadInstaller(InstallerListener owner, DownloaderFactory factory)
    : owner_(std::move(owner)), factory_(std::move(factory)) {}

CDownloadInstaller::~CDownloadInstaller() {
  stopping_ = true;
  // The remover may start the download and the download may start the
  // runner, so each is waited for before the one it may start.
  remover_.reset();
  downloader_.reset();
  runner_.reset();
}

void CDownloadInstaller::SetRunParameters(const std::wstring& downloadUrl, const std::wstring& previousRemover,
                                          const std::wstring& installFolder, bool desktopShortcut,
                                          bool quickStartShortcut, bool adminAccount, bool elevated,
                                          const std::wstring& language) {
  downloadUrl_ = downloadUrl;
  previousRemover_ = previousRemover;
  installFolder_ = installFolder;
  desktopShortcut_ = desktopShortcut;
  quickStartShortcut_ = quickStartShortcut;
  adminAccount_ = adminAccount;
  elevated_ = elevated;
  language_ = language;
}

std::wstring CDownloadInstaller::PackagePath() const {
  return installFolder_ + L"/__Package_" + kProductName + L".exe";
}

uint32_t CDownloadInstaller::FindProcessByName(const std::wstring& name) { return platform::FindProcessIdByName(name); }

std::wstring CDownloadInstaller::RememberedPackagePath() {
  std::lock_guard<std::mutex> guard(g_rememberedLock);
  return g_rememberedPackagePath;
}

void CDownloadInstaller::Start() {
  packagePath_ = PackagePath();
  MIRELO_LOG(L"CDownloadInstaller::Start", L"DL_TYPE=%d", InstallerConfig.downloadType);

  // A downloader or runner made for another package path would fetch or run
  // the wrong file; they are made anew for the new path.
  if (downloader_ && downloaderPath_ != packagePath_) downloader_.reset();
  if (!downloader_) {
    downloader_ = factory_(
        InstallerConfig.downloadType,
        [this](int code, double value, const wchar_t* text) { OnDownloadEvent(code, value, text); }, downloadUrl_,
        packagePath_);
    downloaderPath_ = packagePath_;
  }
  if (runner_ && runnerPath_ != packagePath_) runner_.reset();
  if (!runner_) {
    runner_ = std::make_unique<CInstaller>(
        [this](int code, double value, const wchar_t* text) { OnInstallEvent(code, value, text); },
        L"\"" + packagePath_ + L"\"", installFolder_, desktopShortcut_, quickStartShortcut_, adminAccount_);
    runnerPath_ = packagePath_;
  }
  runner_->SetInstallFolder(installFolder_);
  runner_->SetDesktopShortcut(desktopShortcut_);
  runner_->SetQuickStartShortcut(quickStartShortcut_);
  runner_->SetAdminAccount(adminAccount_);
  runner_->SetElevated(elevated_);
  runner_->SetLanguage(language_);

  if (!previousRemover_.empty() && platform::PathExists(previousRemover_)) {
    std::wstring tempFolder = Utils::InstallerTempFolder();
    std::wstring removerCopy = tempFolder.empty() ? L"" : tempFolder + L"/" + kProductName + L"_un_asa.exe";
    std::wstring earlierFolder = ParentFolder(previousRemover_);
    if (!removerCopy.empty() && CopyOverwriting(previousRemover_, removerCopy)) {
      // Copies carry no execute permission of their own on every system.
      platform::MakeExecutableForOwner(removerCopy);
    }
    std::function<bool()> beforeRun;
    if (InstallerConfig.insNew) beforeRun = [this] { return WaitForProductExit(); };
    remover_.reset();
    remover_ = std::make_unique<UnInstaller>(
        [this](int code, double value, const wchar_t* text) { OnRemoveEvent(code, value, text); }, removerCopy,
        earlierFolder, std::move(beforeRun));
    remover_->Start();
    return;
  }
  downloader_->Start();
}

bool CDownloadInstaller::WaitForProductExit() {
  // Runs on the remover's thread, so the window stays responsive.
  do {
    Utils::SleepMs(100);
  } while (!stopping_ && FindProcessByName(kProductExecutable) != 0);
  return !stopping_;
}

void CDownloadInstaller::Forward(int code, double value, const wchar_t* text) {
  if (owner_) owner_(code, value, text != nullptr ? text : L"");
}

void CDownloadInstaller::DiscardPackageFile() {
  platform::DeleteFileAt(packagePath_);
  std::lock_guard<std::mutex> guard(g_rememberedLock);
  if (!g_rememberedPackagePath.empty()) platform::DeleteFileAt(g_rememberedPackagePath);
  g_rememberedPackagePath = packagePath_;
}

void CDownloadInstaller::OnDownloadEvent(int code, double value, const wchar_t* text) {
  Forward(code, value, text);
  const wchar_t* kName = L"CDownloadInstaller::OnDownloadEvent";
  switch (code) {
    case DL_CODE_START:
      CreateFolderWithParents(installFolder_);
      MIRELO_LOG(kName, L"DL_CODE_START");
      break;
    case DL_CODE_PROGRESS:
      MIRELO_LOG(kName, L"DL_CODE_PROGRESS");
      break;
    case DL_CODE_SUCCESS:
      MIRELO_LOG(kName, L"DOWNLOAD_SUCCESS");
      // Downloaded files carry no execute permission.
      platform::MakeExecutableForOwner(packagePath_);
      if (!stopping_) runner_->Start();
      MIRELO_LOG(kName, L"DL_CODE_SUCCESS");
      break;
    case DL_CODE_FAIL:
      DiscardPackageFile();
      MIRELO_LOG(kName, L"DL_CODE_FAIL");
      break;
    case DL_CODE_RETRY:
      MIRELO_LOG(kName, L"DL_CODE_RETRY");
      if (!stopping_) downloader_->Start();
      break;
    default:
      break;
  }
}

void CDownloadInstaller::OnRemoveEvent(int code, double value, const wchar_t* text) {
  Forward(code, value, text);
  const wchar_t* kName = L"CDownloadInstaller::OnRemoveEvent";
  switch (code) {
    case UNIST_CODE_PROGRESS:
      MIRELO_LOG(kName, L"UNIST_CODE_PROGRESS");
      break;
    case UNIST_CODE_SUCCESS:
      MIRELO_LOG(kName, L"UNIST_CODE_SUCCESS");
      if (runner_ && !stopping_) downloader_->Start();
      break;
    case UNIST_CODE_FAIL:
      MIRELO_LOG(kName, L"UNIST_CODE_FAIL");
      break;
    case UNIST_CODE_ERROR:
      MIRELO_LOG(kName, L"UNIST_CODE_ERROR");
      break;
    default:
      break;
  }
}

void CDownloadInstaller::OnInstallEvent(int code, double value, const wchar_t* text) {
  Forward(code, value, text);
  const wchar_t* kName = L"CDownloadInstaller::OnInstallEvent";
  switch (code) {
    case IST_CODE_START:
      MIRELO_LOG(kName, L"IST_CODE_START");
      break;
    case IST_CODE_SUCCESS:
      DiscardPackageFile();
      MIRELO_LOG(kName, L"INSTALL_SUCCESS");
      break;
    case IST_CODE_FAIL:
      DiscardPackageFile();
      MIRELO_LOG(kName, L"IST_CODE_FAIL");
      break;
    default:
      break;
  }
}
