// package-host --root DIR [--port N] [--bind ADDR] [--log FILE] [faults...]
// Serves every file of DIR at /<md5>/<file> until the process is ended.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "package_host.h"

namespace {

void Usage() {
  std::fprintf(stderr,
               "usage: package-host --root DIR [--port N] [--bind ADDR] [--log FILE]\n"
               "       [--fault-times K] [--reset-after BYTES] [--status CODE] [--ignore-range]\n"
               "       [--rate BYTES_PER_SEC] [--stall-after BYTES]\n");
}

bool ParseInt(const char* text, int64_t& value) {
  char* end = nullptr;
  long long parsed = std::strtoll(text, &end, 10);
  if (!text[0] || *end != '\0' || parsed < 0) return false;
  value = parsed;
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  packagehost::Options options;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    auto next = [&](int64_t& value) {
      if (i + 1 >= argc || !ParseInt(argv[i + 1], value)) return false;
      ++i;
      return true;
    };
    int64_t number = 0;
    if (arg == "--root" && i + 1 < argc) {
      options.root = argv[++i];
    } else if (arg == "--bind" && i + 1 < argc) {
      options.bind = argv[++i];
    } else if (arg == "--log" && i + 1 < argc) {
      options.logFile = argv[++i];
    } else if (arg == "--port" && next(number) && number <= 65535) {
      options.port = static_cast<int>(number);
    } else if (arg == "--fault-times" && next(number)) {
      options.faults.times = number;
    } else if (arg == "--reset-after" && next(number)) {
      options.faults.resetAfter = number;
    } else if (arg == "--status" && next(number) && number >= 100 && number <= 999) {
      options.faults.status = static_cast<int>(number);
    } else if (arg == "--ignore-range") {
      options.faults.ignoreRange = true;
    } else if (arg == "--rate" && next(number)) {
      options.faults.rate = number;
    } else if (arg == "--stall-after" && next(number)) {
      options.faults.stallAfter = number;
    } else {
      Usage();
      return 2;
    }
  }
  if (options.root.empty()) {
    Usage();
    return 2;
  }
  std::string bind = options.bind;
  packagehost::PackageHost host(std::move(options));
  int port = host.Start();
  if (port < 0) {
    std::fprintf(stderr, "package-host: cannot listen on %s\n", bind.c_str());
    return 1;
  }
  std::printf("listening http://%s:%d/\n", bind.c_str(), port);
  std::fflush(stdout);
  host.Wait();
  return 0;
}
