// The package runner: starts the downloaded package silently with the user's
// choices on its command line and turns its console output into events.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "install/installer_events.h"

namespace Utils {
class Thread;
}
class PipedProcess;

class CInstaller {
 public:
  // packageCommand: the package path already enclosed in double quotes.
  CInstaller(InstallerListener listener, std::wstring packageCommand, std::wstring installFolder, bool desktopShortcut,
             bool quickStartShortcut, bool adminAccount);
  // Waits for the runner thread.
  ~CInstaller();
  CInstaller(const CInstaller&) = delete;
  CInstaller& operator=(const CInstaller&) = delete;

  // Builds the command line, waits for an earlier run's thread, and starts the
  // package on a new runner thread. Returns at once.
  void Start();

  // Interprets a text of one or more lines; reports the events of the records
  // and returns kParseSuccess / kParseFailure for the last final record, else 0.
  int Parse(const std::wstring& text);

  // The command line for the current settings.
  std::wstring BuildCommandLine() const;
  const std::wstring& CommandLine() const { return commandLine_; }

  void SetInstallFolder(const std::wstring& folder) { installFolder_ = folder; }
  void SetDesktopShortcut(bool on) { desktopShortcut_ = on; }
  void SetQuickStartShortcut(bool on) { quickStartShortcut_ = on; }
  void SetAdminAccount(bool on) { adminAccount_ = on; }
  void SetElevated(bool on) { elevated_ = on; }
  void SetLanguage(const std::wstring& language) { language_ = language; }

  const std::wstring& PackageCommand() const { return packageCommand_; }
  int OutputCodePage() const { return codePage_; }
  struct Version {
    int32_t major = 0, minor = 0, build = 0;
  };
  Version InstalledVersion() const { return version_; }

 private:
  void Run();
  void Report(int code, double value, const std::wstring& text);

  InstallerListener listener_;
  std::wstring packageCommand_;
  std::wstring installFolder_;
  std::wstring commandLine_;
  bool quickStartShortcut_;
  bool desktopShortcut_;
  int32_t codePage_ = 0;
  std::unique_ptr<Utils::Thread> thread_;
  Version version_;
  bool adminAccount_;
  bool elevated_ = true;
  std::wstring language_;
};
