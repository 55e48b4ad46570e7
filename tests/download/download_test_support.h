// Shared fixtures of the download tests: an event recorder that serves as the
// downloaders' listener, deterministic package contents, and a test clock.
#pragma once
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "download/downloader.h"
#include "package_host.h"
#include "utils/clock.h"

namespace downloadtest {

struct Event {
  int code;
  double value;
  std::wstring text;
};

// Records every event; optionally answers each one (for example Start() on DL_CODE_RETRY).
class EventLog {
 public:
  DownloadListener Listener();
  void SetReaction(std::function<void(const Event&)> reaction);
  // Waits (up to the timeout) until `count` terminal events (success, fail, retry) arrived.
  bool WaitForTerminal(size_t count = 1, std::chrono::seconds timeout = std::chrono::seconds(60));
  // Waits until an event with the code arrived.
  bool WaitFor(int code, std::chrono::seconds timeout = std::chrono::seconds(60));
  std::vector<Event> Events() const;
  // The codes without DL_CODE_PROGRESS, in order.
  std::vector<int> CodesWithoutProgress() const;
  size_t Count(int code) const;

 private:
  mutable std::mutex lock_;
  std::condition_variable changed_;
  std::vector<Event> events_;
  std::function<void(const Event&)> reaction_;
};

// Writes `size` bytes of a deterministic pattern (differs per seed).
std::string PatternBytes(size_t size, uint32_t seed = 1);
void WritePackage(const std::filesystem::path& path, size_t size, uint32_t seed = 1);

// A fake clock whose sleeps return at once and whose epoch second advances by
// one on every reading, so once-per-second throttles let every notice through.
class TickingClock {
 public:
  TickingClock();
  uint64_t SleptMs() const { return fake_.SleptMs(); }

 private:
  Utils::FakeClock fake_;
  std::shared_ptr<std::atomic<int64_t>> second_;
  std::unique_ptr<Utils::ScopedClockForTesting> scope_;
};

// The GET requests of a host's log, as "range" texts in order.
std::vector<std::string> GetRanges(const packagehost::PackageHost& host);
size_t CountRequests(const packagehost::PackageHost& host, const std::string& method);

}  // namespace downloadtest
