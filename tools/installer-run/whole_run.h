// The whole-run mode of installer-run: the run parameters are set as the
// window sets them, the coordinator runs to the end of its run, and every
// event is printed as "<code> <value> <text>".
#pragma once
#include <cstdio>
#include <optional>
#include <string>

namespace installerrun {

struct WholeRunOptions {
  std::wstring url;
  std::wstring folder;
  std::optional<int> type;              // else the configured download type
  std::optional<std::wstring> remover;  // else the registered one
  bool insNew = false;
  std::wstring language;
  bool desktopShortcut = true;
  bool quickStartShortcut = true;
  std::optional<std::wstring> instCmd;  // else the configured extra package arguments
};

// One event as a line: code, value with "%g", text in UTF-8, then "\n".
std::string FormatEventLine(int code, double value, const wchar_t* text);

// Writes one event line and flushes it, so a reader sees each event as it happens.
void PrintEvent(FILE* out, int code, double value, const wchar_t* text);

// Sets the configuration fields of the options, runs the installation to its
// ending event and returns 0 when it ended with IST_CODE_SUCCESS, 1 otherwise.
int RunWholeInstallation(const WholeRunOptions& options, FILE* out);

}  // namespace installerrun
