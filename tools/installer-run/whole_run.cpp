#include "whole_run.h"

#include "app/config.h"
#include "install/installation_run.h"
#include "utils/text.h"

namespace installerrun {

std::string FormatEventLine(int code, double value, const wchar_t* text) {
  char number[64];
  std::snprintf(number, sizeof number, "%g", value);
  std::string line = std::to_string(code);
  line += ' ';
  line += number;
  line += ' ';
  line += Utils::WideToUtf8(text != nullptr ? text : L"");
  line += '\n';
  return line;
}

void PrintEvent(FILE* out, int code, double value, const wchar_t* text) {
  std::string line = FormatEventLine(code, value, text);
  std::fwrite(line.data(), 1, line.size(), out);
  std::fflush(out);
}

int RunWholeInstallation(const WholeRunOptions& options, FILE* out) {
  if (options.type) InstallerConfig.downloadType = *options.type;
  if (options.instCmd) InstallerConfig.instCmd = *options.instCmd;
  if (options.insNew) InstallerConfig.insNew = true;

  InstallationRequest request;
  request.url = options.url;
  request.folder = options.folder;
  request.remover = options.remover;
  request.language = options.language;
  request.desktopShortcut = options.desktopShortcut;
  request.quickStartShortcut = options.quickStartShortcut;
  InstallationOutcome outcome = RunInstallation(
      request, [out](int code, double value, const wchar_t* text) { PrintEvent(out, code, value, text); });
  return outcome.success ? 0 : 1;
}

}  // namespace installerrun
