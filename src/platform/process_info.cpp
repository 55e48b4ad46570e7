#include "platform/process_info.h"

#include <sys/syscall.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <iterator>

#include "platform/utf.h"

namespace platform {

std::wstring ExecutablePath() {
  std::string buf(4096, '\0');
  ssize_t n = ::readlink("/proc/self/exe", buf.data(), buf.size() - 1);
  if (n <= 0) return {};
  buf.resize(static_cast<size_t>(n));
  return Utf8ToWide(buf);
}

std::vector<std::wstring> CommandLineArguments() {
  std::ifstream in("/proc/self/cmdline", std::ios::binary);
  std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<std::wstring> args;
  size_t start = 0;
  while (start < all.size()) {
    size_t end = all.find('\0', start);
    if (end == std::string::npos) end = all.size();
    args.push_back(Utf8ToWide(std::string_view(all).substr(start, end - start)));
    start = end + 1;
  }
  return args;
}

int CurrentProcessId() { return static_cast<int>(::getpid()); }

int CurrentThreadId() { return static_cast<int>(::syscall(SYS_gettid)); }

bool ToLocalTime(int64_t epochSeconds, LocalTime& out) {
  time_t t = static_cast<time_t>(epochSeconds);
  struct tm tmv {};
  if (::localtime_r(&t, &tmv) == nullptr) return false;
  out = LocalTime{tmv.tm_year + 1900, tmv.tm_mon + 1, tmv.tm_mday, tmv.tm_hour, tmv.tm_min, tmv.tm_sec, 0};
  return true;
}

LocalTime NowLocal() {
  int64_t ms = EpochMs();
  LocalTime lt{1970, 1, 1, 0, 0, 0, 0};
  int64_t sec = ms / 1000;
  ToLocalTime(sec, lt);
  lt.millisecond = static_cast<int>(ms - sec * 1000);
  return lt;
}

uint64_t TickCountMs() {
  using namespace std::chrono;
  return static_cast<uint64_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

int64_t EpochMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

bool GetEnv(const char* name, std::string& value) {
  const char* v = std::getenv(name);
  if (v == nullptr) return false;
  value = v;
  return true;
}

}  // namespace platform
