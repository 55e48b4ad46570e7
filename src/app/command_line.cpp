#include "app/command_line.h"

#include <limits>

#include "platform/number_text.h"
#include "platform/process_info.h"

CommandLineArgs BuildCommandLineArgs(const std::vector<std::wstring>& arguments) {
  CommandLineArgs args;
  for (const std::wstring& arg : arguments) {
    std::wstring key = arg;
    std::wstring value;
    size_t eq = arg.find(L'=');
    if (!arg.empty() && arg[0] == L'-' && eq != std::wstring::npos) {
      key = arg.substr(0, eq);
      value = arg.substr(eq + 1);
    }
    args.emplace(std::move(key), std::move(value));  // keeps the first occurrence
  }
  return args;
}

void ApplyCommandLine(const std::vector<std::wstring>& arguments, InstallerConfiguration& config) {
  const CommandLineArgs args = BuildCommandLineArgs(arguments);
  auto option = [&args](const wchar_t* name, std::wstring& value) {
    auto it = args.find(name);
    if (it == args.end()) return false;
    value = it->second;
    return true;
  };
  std::wstring v;
  if (option(L"-downloadurl", v)) config.downloadUrl = ResolveDownloadRoute(v);
  if (option(L"-downloadtype", v)) config.downloadType = platform::ParseIntPrefix(v);
  if (option(L"-downloadscale", v)) {
    bool found = false;
    double scale = platform::ParseDoublePrefix(v, &found);
    // Without a number the reader yields not-a-number, which the non-finite rule replaces.
    if (!found) scale = std::numeric_limits<double>::quiet_NaN();
    config.downloadScale = SanitizeDownloadScale(scale);
  }
  if (option(L"-ischecknet", v)) config.isCheckNet = v == L"true";
  if (option(L"-isenableappanalytics", v)) config.isEnableAppAnalytics = v == L"true";
  if (option(L"-dlappnamesuffix", v)) config.dlAppNameSuffix = v;
  if (option(L"-dlappversion", v)) config.dlAppVersion = v;
  if (option(L"-instcmd", v)) config.instCmd = v;
  if (option(L"-language", v)) config.languageIndex = platform::ParseIntPrefix(v);
  if (option(L"-insnew", v)) config.insNew = v == L"true";
}

void ParseCommandLine() { ApplyCommandLine(platform::CommandLineArguments(), InstallerConfig); }
