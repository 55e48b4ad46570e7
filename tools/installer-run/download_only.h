// The --download-only mode of installer-run: one package download with the
// chosen downloader, every event printed as "<code> <value> <text>".
#pragma once
#include <cstdio>
#include <string>

namespace installerrun {

struct DownloadOnlyOptions {
  std::wstring url;
  std::wstring folder;
  int type = 1;
};

// The package path inside the folder: "<folder>/__Package_Mirelo Studio.exe".
std::wstring PackagePathIn(const std::wstring& folder);

// Runs the download to its final event, answering DL_CODE_RETRY with Start()
// as the coordinator does. Returns 0 when the run ended with DL_CODE_SUCCESS.
int RunDownloadOnly(const DownloadOnlyOptions& options, FILE* out);

}  // namespace installerrun
