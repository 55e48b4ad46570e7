// The remover runner: runs an earlier version's remover silently and turns
// its console output into events.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "install/installer_events.h"

namespace Utils {
class Thread;
}

class UnInstaller {
 public:
  // removerFile: the remover copy to run; installFolder: the folder of the
  // installation to remove. beforeRun, when given, runs first on the remover's
  // thread (the coordinator waits there for the product to exit); when it
  // returns false the run ends at once without any event.
  UnInstaller(InstallerListener listener, std::wstring removerFile, std::wstring installFolder,
              std::function<bool()> beforeRun = {});
  // Waits for the remover thread.
  ~UnInstaller();
  UnInstaller(const UnInstaller&) = delete;
  UnInstaller& operator=(const UnInstaller&) = delete;

  // Builds the command line and starts the remover thread. Returns at once.
  void Start();
  // Interprets a text of one or more lines; returns kParseSuccess /
  // kParseFailure for the last final record, else 0.
  int Parse(const std::wstring& text);

  // The command line: the quoted remover path, the account flags and "_?=" with the folder.
  std::wstring BuildCommandLine() const;
  const std::wstring& CommandLine() const { return commandLine_; }
  int OutputCodePage() const { return codePage_; }

 private:
  void Run();
  void Report(int code, double value, const std::wstring& text);

  InstallerListener listener_;
  std::wstring commandLine_;
  std::wstring removerFile_;
  std::wstring installFolder_;
  int32_t codePage_ = 0;
  std::function<bool()> beforeRun_;
  std::unique_ptr<Utils::Thread> thread_;
};
