#include "install/installation_run.h"

#include <condition_variable>
#include <deque>
#include <mutex>

#include "install/install_records.h"

namespace {

struct Event {
  int code;
  double value;
  std::wstring text;
};

class EventQueue {
 public:
  void Push(int code, double value, const wchar_t* text) {
    std::lock_guard<std::mutex> guard(lock_);
    events_.push_back({code, value, text != nullptr ? text : L""});
    ready_.notify_one();
  }
  Event Pop() {
    std::unique_lock<std::mutex> guard(lock_);
    ready_.wait(guard, [this] { return !events_.empty(); });
    Event e = std::move(events_.front());
    events_.pop_front();
    return e;
  }

 private:
  std::mutex lock_;
  std::condition_variable ready_;
  std::deque<Event> events_;
};

}  // namespace

bool EndsRun(int code) {
  return code == DL_CODE_FAIL || code == IST_CODE_SUCCESS || code == IST_CODE_FAIL || code == UNIST_CODE_FAIL ||
         code == UNIST_CODE_ERROR;
}

InstallationOutcome RunInstallation(const InstallationRequest& request, const InstallerListener& onEvent,
                                    DownloaderFactory factory) {
  RegisteredInstall registered = ReadInstallRecords();
  AccountFlags flags;
  DefaultInstallDir(registered, flags);  // refreshes the account flags
  std::wstring remover;
  if (request.remover) {
    remover = *request.remover;
  } else if (!SkipRemovalForFolder(request.folder, registered)) {
    remover = registered.removerRecord;
  }

  EventQueue queue;
  InstallerListener post = [&queue](int code, double value, const wchar_t* text) { queue.Push(code, value, text); };
  std::unique_ptr<CDownloadInstaller> coordinator = factory
                                                        ? std::make_unique<CDownloadInstaller>(post, std::move(factory))
                                                        : std::make_unique<CDownloadInstaller>(post);
  coordinator->SetRunParameters(request.url, remover, request.folder, request.desktopShortcut,
                                request.quickStartShortcut, flags.adminAccount, flags.elevated, request.language);
  coordinator->Start();

  std::wstring currentFolder = request.folder;
  std::wstring reportedRemover;
  InstallationOutcome outcome;
  for (;;) {
    Event e = queue.Pop();
    if (onEvent) onEvent(e.code, e.value, e.text.c_str());
    if (request.writeRecords) {
      if (e.code == IST_CODE_START) WriteSettingsFile(currentFolder);
      if (e.code == IST_INFO_INST_PATH && !e.text.empty()) currentFolder = e.text;
      if (e.code == IST_INFO_UNINST_EP) reportedRemover = e.text;
      if (e.code == IST_CODE_SUCCESS) {
        WriteInstallRecords(currentFolder, reportedRemover);
        WriteSettingsFile(currentFolder);
      }
    }
    if (EndsRun(e.code)) {
      outcome.success = e.code == IST_CODE_SUCCESS;
      outcome.finalCode = e.code;
      outcome.finalValue = e.value;
      outcome.finalText = e.text;
      break;
    }
  }
  // Waits for every stage; events raised meanwhile stay in the queue unread.
  coordinator.reset();
  return outcome;
}
