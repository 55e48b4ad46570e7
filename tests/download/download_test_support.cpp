#include "download_test_support.h"

#include <curl/curl.h>

#include <fstream>

namespace downloadtest {
namespace {

// The process entry initialises libcurl once; the test binary does the same.
struct CurlGlobal {
  CurlGlobal() { curl_global_init(CURL_GLOBAL_DEFAULT); }
  ~CurlGlobal() { curl_global_cleanup(); }
} g_curlGlobal;

bool IsTerminal(int code) { return code == DL_CODE_SUCCESS || code == DL_CODE_FAIL || code == DL_CODE_RETRY; }

}  // namespace

DownloadListener EventLog::Listener() {
  return [this](int code, double value, const wchar_t* text) {
    Event event{code, value, text ? text : L""};
    std::function<void(const Event&)> reaction;
    {
      std::lock_guard<std::mutex> guard(lock_);
      events_.push_back(event);
      reaction = reaction_;
    }
    if (reaction) reaction(event);
    changed_.notify_all();
  };
}

void EventLog::SetReaction(std::function<void(const Event&)> reaction) {
  std::lock_guard<std::mutex> guard(lock_);
  reaction_ = std::move(reaction);
}

bool EventLog::WaitForTerminal(size_t count, std::chrono::seconds timeout) {
  std::unique_lock<std::mutex> guard(lock_);
  return changed_.wait_for(guard, timeout, [&] {
    size_t seen = 0;
    for (const auto& e : events_) seen += IsTerminal(e.code) ? 1 : 0;
    return seen >= count;
  });
}

bool EventLog::WaitFor(int code, std::chrono::seconds timeout) {
  std::unique_lock<std::mutex> guard(lock_);
  return changed_.wait_for(guard, timeout, [&] {
    for (const auto& e : events_) {
      if (e.code == code) return true;
    }
    return false;
  });
}

std::vector<Event> EventLog::Events() const {
  std::lock_guard<std::mutex> guard(lock_);
  return events_;
}

std::vector<int> EventLog::CodesWithoutProgress() const {
  std::vector<int> codes;
  for (const auto& e : Events()) {
    if (e.code != DL_CODE_PROGRESS) codes.push_back(e.code);
  }
  return codes;
}

size_t EventLog::Count(int code) const {
  size_t n = 0;
  for (const auto& e : Events()) n += e.code == code ? 1 : 0;
  return n;
}

std::string PatternBytes(size_t size, uint32_t seed) {
  std::string bytes(size, '\0');
  uint32_t x = seed * 2654435761u + 12345u;
  for (size_t i = 0; i < size; ++i) {
    x = x * 1103515245u + 12345u;
    bytes[i] = static_cast<char>(x >> 24);
  }
  return bytes;
}

void WritePackage(const std::filesystem::path& path, size_t size, uint32_t seed) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  std::string bytes = PatternBytes(size, seed);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

TickingClock::TickingClock() : second_(std::make_shared<std::atomic<int64_t>>(1'700'000'000)) {
  Utils::ClockHooks hooks = fake_.Hooks();
  auto second = second_;
  hooks.epochSeconds = [second] { return ++*second; };
  scope_ = std::make_unique<Utils::ScopedClockForTesting>(hooks);
}

std::vector<std::string> GetRanges(const packagehost::PackageHost& host) {
  std::vector<std::string> ranges;
  for (const auto& r : host.Requests()) {
    if (r.method == "GET") ranges.push_back(r.range);
  }
  return ranges;
}

size_t CountRequests(const packagehost::PackageHost& host, const std::string& method) {
  size_t n = 0;
  for (const auto& r : host.Requests()) n += r.method == method ? 1 : 0;
  return n;
}

}  // namespace downloadtest
