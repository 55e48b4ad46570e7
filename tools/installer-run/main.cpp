// installer-run: a headless driver of the installer for developers and scripts.
//   installer-run --download-only --url URL --folder DIR [--type N] [--analytics-url URL]
#include <curl/curl.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "analytics/tracker/installer_analytics.h"
#include "download_only.h"
#include "utils/text.h"

namespace {

void Usage() {
  std::fprintf(stderr,
               "usage: installer-run --download-only --url URL --folder DIR [--type N] [--analytics-url URL]\n");
}

enum class Mode { kNone, kDownloadOnly };

}  // namespace

int main(int argc, char** argv) {
  Mode mode = Mode::kNone;
  installerrun::DownloadOnlyOptions download;
  std::string analyticsUrl;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    bool hasValue = i + 1 < argc;
    if (arg == "--download-only") {
      mode = Mode::kDownloadOnly;
    } else if (arg == "--url" && hasValue) {
      download.url = Utils::Utf8ToWide(argv[++i]);
    } else if (arg == "--folder" && hasValue) {
      download.folder = Utils::NarrowToWide(argv[++i]);
    } else if (arg == "--type" && hasValue) {
      char* end = nullptr;
      long type = std::strtol(argv[++i], &end, 10);
      if (*end != '\0') {
        Usage();
        return 2;
      }
      download.type = static_cast<int>(type);
    } else if (arg == "--analytics-url" && hasValue) {
      analyticsUrl = argv[++i];
    } else {
      Usage();
      return 2;
    }
  }
  if (mode == Mode::kNone || download.url.empty() || download.folder.empty()) {
    Usage();
    return 2;
  }

  if (!analyticsUrl.empty()) setenv("MIRELO_ANALYTICS_URL", analyticsUrl.c_str(), 1);
  // The process-wide libcurl initialisation, once, before any transfer.
  curl_global_init(CURL_GLOBAL_DEFAULT);
  StartInstallerAnalytics();
  int status = installerrun::RunDownloadOnly(download, stdout);
  StopInstallerAnalytics();
  curl_global_cleanup();
  return status;
}
