#include "install/uninstaller.h"

#include "install/accounts.h"
#include "install/package_protocol.h"
#include "install/piped_process.h"
#include "platform/files.h"
#include "utils/exception.h"
#include "utils/text.h"
#include "utils/thread.h"

using namespace package_protocol;

UnInstaller::UnInstaller(InstallerListener listener, std::wstring removerFile, std::wstring installFolder,
                         std::function<bool()> beforeRun)
    : listener_(std::move(listener)),
      removerFile_(std::move(removerFile)),
      installFolder_(std::move(installFolder)),
      beforeRun_(std::move(beforeRun)) {}

UnInstaller::~UnInstaller() {
  if (thread_) thread_->Join();
}

std::wstring UnInstaller::BuildCommandLine() const {
  // The remover path is quoted: unquoted, a path with blanks would let a file
  // named after the first word of the path run in its place. "_?=" stays last
  // and unquoted, as removers expect it.
  std::wstring line = L"\"" + removerFile_ + L"\" /S -adminact=";
  line += IsConsoleUserAdmin() ? L"true" : L"false";
  line += L" -authorizationact=";
  line += IsProcessAdmin() ? L"true" : L"false";
  line += L" -console=show _?=" + installFolder_;
  return line;
}

void UnInstaller::Start() {
  // A previous run reads the command line until it ends: replace it only after the join.
  std::wstring commandLine = BuildCommandLine();
  if (thread_) {
    thread_->Join();
    thread_.reset();
  }
  commandLine_ = std::move(commandLine);
  thread_ = std::make_unique<Utils::Thread>(this, L"UnInstaller", [](void* self) -> uint32_t {
    static_cast<UnInstaller*>(self)->Run();
    return 0;
  });
  thread_->Resume();
}

void UnInstaller::Report(int code, double value, const std::wstring& text) {
  if (listener_) listener_(code, value, text.c_str());
}

void UnInstaller::Run() {
  if (beforeRun_ && !beforeRun_()) return;
  if (!platform::IsRegularFile(removerFile_)) {
    Report(UNIST_CODE_FAIL, 1.0, L"可执行卸载文件不存在");
    return;
  }
  Report(UNIST_CODE_PROGRESS, 0.0, L"");
  std::unique_ptr<PipedProcess> process;
  try {
    process = std::make_unique<PipedProcess>();
    process->Start(commandLine_);
  } catch (const Utils::Exception&) {
    Report(UNIST_CODE_FAIL, 2.0, L"");
    return;
  }
  // Everything the remover prints is interpreted, up to the end of its
  // output: a final record printed just before it exits still counts.
  OutputLines lines;
  bool noFinalRecord = true;
  char buffer[1024];
  for (;;) {
    size_t n = process->ReadOutput(buffer, sizeof buffer);
    if (n == 0) break;
    std::string complete = lines.Feed(std::string_view(buffer, n));
    if (!complete.empty() && Parse(Utils::CodePageToWide(complete, codePage_)) != kParseNoFinalRecord)
      noFinalRecord = false;
  }
  std::string rest = lines.Finish();
  if (!rest.empty() && Parse(Utils::CodePageToWide(rest, codePage_)) != kParseNoFinalRecord) noFinalRecord = false;
  process->Wait();
  process.reset();
  if (noFinalRecord) Report(UNIST_CODE_SUCCESS, 1.0, L"");
}

int UnInstaller::Parse(const std::wstring& text) {
  int result = kParseNoFinalRecord;
  for (std::wstring_view line : SplitLines(text)) {
    std::wstring_view rest;
    if (MatchKey(line, L"Progress=", rest)) {
      Report(UNIST_CODE_PROGRESS, NumberValue(rest), L"");
    } else if (MatchKey(line, L"Error=", rest)) {
      Report(UNIST_CODE_ERROR, 0.0, TextValue(rest));
      result = kParseFailure;
    } else if (MatchKey(line, L"State=", rest)) {
      std::wstring state = Trim(TextValue(rest));
      if (state == L"Success") {
        Report(UNIST_CODE_SUCCESS, 0.0, L"");
        result = kParseSuccess;
      } else if (state == L"Fail") {
        Report(UNIST_CODE_ERROR, 0.0, L"安装包卸载失败");
        result = kParseFailure;
      }
    } else if (MatchKey(line, L"Encode=", rest)) {
      codePage_ = Trim(TextValue(rest)) == L"UTF8" ? 65001 : 0;
    }
  }
  return result;
}
