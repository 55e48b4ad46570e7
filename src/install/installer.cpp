#include "install/installer.h"

#include <cmath>
#include <cstdint>
#include <limits>

#include "app/config.h"
#include "app/log.h"
#include "install/package_protocol.h"
#include "install/piped_process.h"
#include "utils/exception.h"
#include "utils/text.h"
#include "utils/thread.h"

using namespace package_protocol;

namespace {

const wchar_t* Bool(bool b) { return b ? L"true" : L"false"; }

// The "Encode=" value: "UTF8", "ACP", or a decimal code page; anything else 0.
int32_t CodePageFromText(const std::wstring& value) {
  if (value == L"UTF8") return 65001;
  if (value == L"ACP") return 0;
  size_t i = 0;
  bool negative = false;
  if (i < value.size() && (value[i] == L'+' || value[i] == L'-')) {
    negative = value[i] == L'-';
    ++i;
  }
  int64_t number = 0;
  size_t digits = 0;
  for (; i < value.size() && value[i] >= L'0' && value[i] <= L'9'; ++i, ++digits) {
    number = number * 10 + (value[i] - L'0');
    if (number > static_cast<int64_t>(std::numeric_limits<int32_t>::max()) + 1) return 0;
  }
  if (digits == 0) return 0;
  if (negative) number = -number;
  if (number > std::numeric_limits<int32_t>::max() || number < std::numeric_limits<int32_t>::min()) return 0;
  return static_cast<int32_t>(number);
}

// Reads "%d" from the front of p and advances p past it; false when no
// number is there. Values beyond the 32-bit range saturate.
bool ReadInt(std::wstring_view& p, int32_t& out) {
  size_t i = 0;
  while (i < p.size() &&
         (p[i] == L' ' || p[i] == L'\t' || p[i] == L'\r' || p[i] == L'\n' || p[i] == L'\v' || p[i] == L'\f'))
    ++i;
  bool negative = false;
  if (i < p.size() && (p[i] == L'+' || p[i] == L'-')) {
    negative = p[i] == L'-';
    ++i;
  }
  size_t start = i;
  int64_t value = 0;
  for (; i < p.size() && p[i] >= L'0' && p[i] <= L'9'; ++i) {
    if (value <= static_cast<int64_t>(std::numeric_limits<int32_t>::max()) + 1) value = value * 10 + (p[i] - L'0');
  }
  if (i == start) return false;
  if (negative) value = -value;
  if (value > std::numeric_limits<int32_t>::max()) value = std::numeric_limits<int32_t>::max();
  if (value < std::numeric_limits<int32_t>::min()) value = std::numeric_limits<int32_t>::min();
  out = static_cast<int32_t>(value);
  p.remove_prefix(i);
  return true;
}

}  // namespace

CInstaller::CInstaller(InstallerListener listener, std::wstring packageCommand, std::wstring installFolder,
                       bool desktopShortcut, bool quickStartShortcut, bool adminAccount)
    : listener_(std::move(listener)),
      packageCommand_(std::move(packageCommand)),
      installFolder_(std::move(installFolder)),
      quickStartShortcut_(quickStartShortcut),
      desktopShortcut_(desktopShortcut),
      adminAccount_(adminAccount) {}

CInstaller::~CInstaller() {
  if (thread_) thread_->Join();
}

std::wstring CInstaller::BuildCommandLine() const {
  std::wstring line = packageCommand_;
  line += L" /S -console=show -version=1.0.0";
  line += L" -adminact=";
  line += Bool(adminAccount_);
  line += L" -authorizationact=";
  line += Bool(elevated_);
  line += L" -dsc=";
  line += Bool(desktopShortcut_);
  line += L" -ssc=";
  line += Bool(quickStartShortcut_);
  if (!language_.empty()) line += L" -inslang=\"" + language_ + L"\"";
  if (!InstallerConfig.instCmd.empty()) line += L" " + InstallerConfig.instCmd;
  if (!installFolder_.empty()) {
    line += L" -instdir=\"" + installFolder_ + L"\"";
    line += L" /D=" + installFolder_;
  }
  return line;
}

void CInstaller::Start() {
  // The previous run reads the command line until it ends: replace it only after the join.
  std::wstring commandLine = BuildCommandLine();
  if (thread_) {
    thread_->Join();
    thread_.reset();
  }
  commandLine_ = std::move(commandLine);
  thread_ = std::make_unique<Utils::Thread>(this, L"ABDEF", [](void* self) -> uint32_t {
    static_cast<CInstaller*>(self)->Run();
    return 0;
  });
  thread_->Resume();
}

void CInstaller::Report(int code, double value, const std::wstring& text) {
  if (listener_) listener_(code, value, text.c_str());
}

void CInstaller::Run() {
  Report(IST_CODE_START, 0.0, L"");
  Report(IST_CODE_PROGRESS, 0.0, L"");
  std::unique_ptr<PipedProcess> process;
  try {
    process = std::make_unique<PipedProcess>();
    process->Start(commandLine_);
  } catch (const Utils::Exception&) {
    Report(IST_CODE_FAIL, 2.0, L"");
    return;
  }
  // Output is interpreted line by line as it completes; after a final record
  // it is still read (and dropped) so the package never blocks on a full pipe.
  OutputLines lines;
  int result = kParseNoFinalRecord;
  char buffer[1024];
  for (;;) {
    size_t n = process->ReadOutput(buffer, sizeof buffer);
    if (n == 0) break;
    if (result != kParseNoFinalRecord) continue;
    std::string complete = lines.Feed(std::string_view(buffer, n));
    if (!complete.empty()) result = Parse(Utils::CodePageToWide(complete, codePage_));
  }
  if (result == kParseNoFinalRecord) {
    std::string rest = lines.Finish();
    if (!rest.empty()) result = Parse(Utils::CodePageToWide(rest, codePage_));
  }
  process->Wait();
  process.reset();
  if (result == kParseNoFinalRecord) Report(IST_CODE_SUCCESS, 1.0, L"");
}

int CInstaller::Parse(const std::wstring& text) {
  int result = kParseNoFinalRecord;
  for (std::wstring_view line : SplitLines(text)) {
    std::wstring_view rest;
    if (MatchKey(line, L"Progress=", rest)) {
      Report(IST_CODE_PROGRESS, NumberValue(rest), L"");
    } else if (MatchKey(line, L"InstPath=", rest)) {
      Report(IST_INFO_INST_PATH, 0.0, TextValue(rest));
    } else if (MatchKey(line, L"State=", rest)) {
      std::wstring state = Trim(TextValue(rest));
      if (state == L"Success") {
        Report(IST_CODE_SUCCESS, 0.0, L"");
        result = kParseSuccess;
      } else if (state == L"Fail") {
        Report(IST_CODE_FAIL, 0.0, L"安装包安装失败");
        result = kParseFailure;
      }
    } else if (MatchKey(line, L"InstallVersion=", rest)) {
      // "%d.%d.%d": reading stops at the first part that cannot be read.
      int32_t parts[3] = {version_.major, version_.minor, version_.build};
      std::wstring_view p = rest;
      for (int i = 0; i < 3; ++i) {
        if (i > 0) {
          if (p.empty() || p[0] != L'.') break;
          p.remove_prefix(1);
        }
        if (!ReadInt(p, parts[i])) break;
      }
      version_ = {parts[0], parts[1], parts[2]};
    } else if (MatchKey(line, L"ExePath=", rest)) {
      std::wstring value = TextValue(rest);
      MIRELO_LOG_NOEOL(L"CInstaller::Parse", L"ExePath: %ls", value.c_str());
      Report(IST_INFO_EXE_PATH, 0.0, value);
    } else if (MatchKey(line, L"StartExe=", rest)) {
      Report(IST_INFO_EXE_PATH, 0.0, TextValue(rest));
    } else if (MatchKey(line, L"UninstExePath=", rest)) {
      Report(IST_INFO_UNINST_EXE, 0.0, TextValue(rest));
    } else if (MatchKey(line, L"UninstExe=", rest)) {
      Report(IST_INFO_UNINST_EXE, 0.0, TextValue(rest));
    } else if (MatchKey(line, L"UninstEp=", rest)) {
      Report(IST_INFO_UNINST_EP, 0.0, TextValue(rest));
    } else if (MatchKey(line, L"Error=", rest)) {
      Report(IST_CODE_FAIL, 1000.0, TextValue(rest));
      result = kParseFailure;
    } else if (MatchKey(line, L"TopShowDetention=", rest)) {
      Report(IST_INFO_TOP_SHOW_DETENTION, static_cast<double>(static_cast<uint32_t>(IntegerValue(rest))), L"");
    } else if (MatchKey(line, L"FinsihCloseDetention=", rest)) {
      Report(IST_INFO_FINISH_CLOSE_DETENTION, static_cast<double>(static_cast<uint32_t>(IntegerValue(rest))), L"");
    } else if (MatchKey(line, L"StartUrl=", rest)) {
      Report(IST_INFO_START_URL, 0.0, TextValue(rest));
    } else if (MatchKey(line, L"StartupStyle=", rest)) {
      std::wstring style = Trim(TextValue(rest));
      double n = style == L"AutoStartup" ? 1.0 : style == L"UserStartup" ? 2.0 : 0.0;
      Report(IST_INFO_STARTUP_STYLE, n, L"");
    } else if (MatchKey(line, L"Encode=", rest)) {
      codePage_ = CodePageFromText(Trim(TextValue(rest)));
    } else if (MatchKey(line, L"Message=", rest)) {
      Report(IST_INFO_MESSAGE, 0.0, TextValue(rest));
    }
  }
  return result;
}
