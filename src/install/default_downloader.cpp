// The coordinator's usual downloader factory, kept apart so that programs
// which always pass their own factory do not need the download library.
#include "install/download_installer.h"

CDownloadInstaller::CDownloadInstaller(InstallerListener owner)
    : CDownloadInstaller(std::move(owner), CreateDownloader) {}
