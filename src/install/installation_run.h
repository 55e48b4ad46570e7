// One whole installation run without a window: the run parameters are set as
// the window sets them, the coordinator runs to the end of its run, and every
// event is handed to a callback on the calling thread, in the order raised.
#pragma once
#include <optional>
#include <string>

#include "install/download_installer.h"
#include "install/installer_events.h"

struct InstallationRequest {
  std::wstring url;
  std::wstring folder;
  // The earlier version's remover record; when absent, the registered one is
  // used (none when installing over the registered folder with "IsOverride"
  // set to "false").
  std::optional<std::wstring> remover;
  std::wstring language;
  bool desktopShortcut = true;
  bool quickStartShortcut = true;
  // Write the settings file when the package starts, and the registry records
  // and the settings file after a successful installation, as the window does.
  bool writeRecords = true;
};

struct InstallationOutcome {
  bool success = false;
  int finalCode = 0;  // the event that ended the run
  double finalValue = 0.0;
  std::wstring finalText;
};

// Runs with the configured download type (InstallerConfig.downloadType),
// update mode and extra package arguments. An empty factory uses CreateDownloader.
InstallationOutcome RunInstallation(const InstallationRequest& request, const InstallerListener& onEvent,
                                    DownloaderFactory factory = {});

// True for the events that end a run: 1004, 2003, 2004, 5004, 5005.
bool EndsRun(int code);
