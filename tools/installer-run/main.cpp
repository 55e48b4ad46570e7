// installer-run: a headless driver of the installer for developers and scripts.
//   installer-run --url URL --folder DIR [--type N] [--remover FILE] [--insnew] [--lang CODE]
//                 [--dsc true|false] [--ssc true|false] [--instcmd TEXT] [--analytics-url URL]
//   installer-run --download-only --url URL --folder DIR [--type N] [--analytics-url URL]
// Every event is printed as "<code> <value> <text>", one line each.
#include <curl/curl.h>

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include "analytics/tracker/installer_analytics.h"
#include "download_only.h"
#include "utils/text.h"
#include "whole_run.h"

namespace {

void Usage() {
  std::fprintf(stderr,
               "usage: installer-run --url URL --folder DIR [--type N] [--remover FILE] [--insnew] [--lang CODE]\n"
               "                     [--dsc true|false] [--ssc true|false] [--instcmd TEXT] [--analytics-url URL]\n"
               "       installer-run --download-only --url URL --folder DIR [--type N] [--analytics-url URL]\n");
}

std::optional<int> ParseInt(const char* text) {
  char* end = nullptr;
  long value = std::strtol(text, &end, 10);
  if (end == text || *end != '\0') return std::nullopt;
  return static_cast<int>(value);
}

std::optional<bool> ParseBool(const std::string& text) {
  if (text == "true") return true;
  if (text == "false") return false;
  return std::nullopt;
}

// Parsed command line; nullopt on bad usage.
struct Arguments {
  bool downloadOnly = false;
  bool wholeRunOnly = false;  // an option only the whole run takes was given
  installerrun::WholeRunOptions run;
  std::string analyticsUrl;
};

std::optional<Arguments> ParseArguments(int argc, char** argv) {
  Arguments args;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    bool hasValue = i + 1 < argc;
    if (arg == "--download-only") {
      args.downloadOnly = true;
    } else if (arg == "--insnew") {
      args.run.insNew = true;
      args.wholeRunOnly = true;
    } else if (!hasValue) {
      return std::nullopt;
    } else if (arg == "--url") {
      args.run.url = Utils::Utf8ToWide(argv[++i]);
    } else if (arg == "--folder") {
      args.run.folder = Utils::NarrowToWide(argv[++i]);
    } else if (arg == "--type") {
      args.run.type = ParseInt(argv[++i]);
      if (!args.run.type) return std::nullopt;
    } else if (arg == "--remover") {
      args.run.remover = Utils::NarrowToWide(argv[++i]);
      args.wholeRunOnly = true;
    } else if (arg == "--lang") {
      args.run.language = Utils::Utf8ToWide(argv[++i]);
      args.wholeRunOnly = true;
    } else if (arg == "--dsc" || arg == "--ssc") {
      std::optional<bool> value = ParseBool(argv[++i]);
      if (!value) return std::nullopt;
      (arg == "--dsc" ? args.run.desktopShortcut : args.run.quickStartShortcut) = *value;
      args.wholeRunOnly = true;
    } else if (arg == "--instcmd") {
      args.run.instCmd = Utils::Utf8ToWide(argv[++i]);
      args.wholeRunOnly = true;
    } else if (arg == "--analytics-url") {
      args.analyticsUrl = argv[++i];
    } else {
      return std::nullopt;
    }
  }
  if (args.run.url.empty() || args.run.folder.empty()) return std::nullopt;
  if (args.downloadOnly && args.wholeRunOnly) return std::nullopt;
  return args;
}

}  // namespace

int main(int argc, char** argv) {
  std::optional<Arguments> args = ParseArguments(argc, argv);
  if (!args) {
    Usage();
    return 2;
  }

  // Analytics run only when a collection service is named: a developer's run
  // neither keeps tracker files in the profile nor uploads anywhere unasked.
  const bool analytics = !args->analyticsUrl.empty();
  if (analytics) setenv("MIRELO_ANALYTICS_URL", args->analyticsUrl.c_str(), 1);
  // The process-wide libcurl initialisation, once, before any transfer.
  curl_global_init(CURL_GLOBAL_DEFAULT);
  if (analytics) StartInstallerAnalytics();
  int status = 0;
  if (args->downloadOnly) {
    installerrun::DownloadOnlyOptions download;
    download.url = args->run.url;
    download.folder = args->run.folder;
    download.type = args->run.type.value_or(1);
    status = installerrun::RunDownloadOnly(download, stdout);
  } else {
    status = installerrun::RunWholeInstallation(args->run, stdout);
  }
  if (analytics) StopInstallerAnalytics();
  curl_global_cleanup();
  return status;
}
