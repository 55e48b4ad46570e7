// collector [--port N] [--bind ADDR] --out FILE [--status CODE] [--fail-first K]
// Prints "listening http://ADDR:PORT/" first, then serves until interrupted.
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <thread>

#include "collector.h"

namespace {

std::atomic<bool> gStop{false};
void OnSignal(int) { gStop.store(true); }

int Usage() {
  std::cerr << "usage: collector [--port N] [--bind ADDR] --out FILE [--status CODE] [--fail-first K]\n";
  return 2;
}

bool ParseInt(const std::string& text, int& value) {
  try {
    size_t used = 0;
    value = std::stoi(text, &used);
    return used == text.size();
  } catch (...) {
    return false;
  }
}

}  // namespace

int main(int argc, char** argv) {
  collector::Options options;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (i + 1 >= argc) return Usage();
    const std::string value = argv[++i];
    if (arg == "--port") {
      if (!ParseInt(value, options.port) || options.port < 0 || options.port > 65535) return Usage();
    } else if (arg == "--bind") {
      options.bind = value;
    } else if (arg == "--out") {
      options.outPath = value;
    } else if (arg == "--status") {
      if (!ParseInt(value, options.status) || options.status < 100 || options.status > 999) return Usage();
    } else if (arg == "--fail-first") {
      if (!ParseInt(value, options.failFirst) || options.failFirst < 0) return Usage();
    } else {
      return Usage();
    }
  }
  if (options.outPath.empty()) return Usage();

  std::signal(SIGINT, OnSignal);
  std::signal(SIGTERM, OnSignal);
  collector::Collector server(options);
  std::string error;
  if (!server.Start(error)) {
    std::cerr << "collector: " << error << "\n";
    return 1;
  }
  std::cout << "listening " << server.url() << std::endl;
  while (!gStop.load()) std::this_thread::sleep_for(std::chrono::milliseconds(100));
  server.Stop();
  return 0;
}
