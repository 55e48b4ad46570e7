// Diagnostic lines for developers. Each line is one call to the debugger-output
// channel, made of the prefix
//   "<P%05d><T%05d><%04d-%02d-%02d %02d:%02d:%02d.%03d>(%s)<%04d>: "
// (process id, thread id, local time, function name, source line) and the
// message. Wide format strings take %ls for wide-string arguments.
#pragma once
#include <cstdarg>
#include <string>

#include "platform/process_info.h"

namespace Utils {

// Formats a complete line (prefix included) and hands it to the debugger
// output. A line that cannot be formatted is dropped silently.
void OutputLog(const wchar_t* format, ...);
void VOutputLog(const wchar_t* format, va_list args);

// The prefix for the given facts (exposed for tests).
std::wstring FormatLogPrefix(int processId, int threadId, const platform::LocalTime& time, const wchar_t* function,
                             int line);

// Writes one line with this moment's process id, thread id and local time.
// The message format is followed by "\r\n" when addLineEnd is true.
void WriteLogLine(const wchar_t* function, int line, bool addLineEnd, const wchar_t* messageFormat, ...);

}  // namespace Utils

// MIRELO_LOG(L"CurlClient::Start", L"error:%d:%s", code, text) — message plus "\r\n".
#define MIRELO_LOG(function, ...) ::Utils::WriteLogLine(function, __LINE__, true, __VA_ARGS__)
// The same without the line end (the catalogue's lines that end otherwise).
#define MIRELO_LOG_NOEOL(function, ...) ::Utils::WriteLogLine(function, __LINE__, false, __VA_ARGS__)
