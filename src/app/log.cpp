#include "app/log.h"

#include <cwchar>
#include <new>
#include <vector>

#include "platform/debug_output.h"

namespace Utils {
namespace {

constexpr wchar_t kPrefixFormat[] = L"<P%05d><T%05d><%04d-%02d-%02d %02d:%02d:%02d.%03d>(%ls)<%04d>: ";

// vswprintf cannot measure, so grow the buffer until the text fits.
bool FormatInto(std::wstring& out, const wchar_t* format, va_list args) {
  size_t size = 256;
  while (size <= (size_t{1} << 24)) {
    std::vector<wchar_t> buf;
    try {
      buf.resize(size + 2);
    } catch (const std::bad_alloc&) {
      return false;
    }
    va_list copy;
    va_copy(copy, args);
    int n = std::vswprintf(buf.data(), size, format, copy);
    va_end(copy);
    if (n >= 0 && static_cast<size_t>(n) < size) {
      out.append(buf.data(), static_cast<size_t>(n));
      return true;
    }
    size *= 4;
  }
  return false;
}

}  // namespace

void VOutputLog(const wchar_t* format, va_list args) {
  std::wstring line;
  if (FormatInto(line, format, args)) platform::WriteDebugOutput(line);
}

void OutputLog(const wchar_t* format, ...) {
  va_list args;
  va_start(args, format);
  VOutputLog(format, args);
  va_end(args);
}

std::wstring FormatLogPrefix(int processId, int threadId, const platform::LocalTime& t, const wchar_t* function,
                             int line) {
  wchar_t buf[512];
  int n = std::swprintf(buf, sizeof buf / sizeof buf[0], kPrefixFormat, processId, threadId, t.year, t.month, t.day,
                        t.hour, t.minute, t.second, t.millisecond, function != nullptr ? function : L"", line);
  if (n < 0) {
    // An over-long function name: format it separately.
    std::wstring head = FormatLogPrefix(processId, threadId, t, L"", line);
    size_t open = head.find(L"()");
    if (open != std::wstring::npos) head.insert(open + 1, function);
    return head;
  }
  return std::wstring(buf, static_cast<size_t>(n));
}

void WriteLogLine(const wchar_t* function, int line, bool addLineEnd, const wchar_t* messageFormat, ...) {
  std::wstring text = FormatLogPrefix(platform::CurrentProcessId(), platform::CurrentThreadId(),
                                      platform::NowLocal(), function, line);
  va_list args;
  va_start(args, messageFormat);
  bool ok = FormatInto(text, messageFormat, args);
  va_end(args);
  if (!ok) return;
  if (addLineEnd) text += L"\r\n";
  platform::WriteDebugOutput(text);
}

}  // namespace Utils
