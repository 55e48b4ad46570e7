// The debugger-output channel: one call is one diagnostic line.
// On Linux the line goes to standard error as UTF-8 in a single write(2), so
// lines written from several threads never interleave.
#pragma once
#include <functional>
#include <string>

namespace platform {

using DebugOutputSink = std::function<void(const std::wstring& line)>;

void WriteDebugOutput(const std::wstring& line);
// Replaces the destination (tests capture lines with it); an empty sink restores standard error.
void SetDebugOutputSink(DebugOutputSink sink);

}  // namespace platform
