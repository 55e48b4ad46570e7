// Shared helpers of the installation tests: the built demo programs, an event
// recorder and scoped environment variables.
#pragma once
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "install/installer_events.h"
#include "support/scoped_env.h"

namespace installtest {

inline std::filesystem::path BuildDir() {
  const char* dir = std::getenv("MIRELO_BUILD_DIR");
  return dir != nullptr ? std::filesystem::path(dir) : std::filesystem::path(".");
}
inline std::filesystem::path DemoPackage() { return BuildDir() / "tools/demo-package/demo-package"; }
inline std::filesystem::path DemoRemover() { return BuildDir() / "tools/demo-remover/demo-remover"; }

struct Event {
  int code;
  double value;
  std::wstring text;
  bool operator==(const Event& o) const { return code == o.code && value == o.value && text == o.text; }
};

inline void PrintTo(const Event& e, std::ostream* os) {
  std::string text;
  for (wchar_t c : e.text) text += (c >= 32 && c < 127) ? static_cast<char>(c) : '?';
  *os << "{" << e.code << ", " << e.value << ", \"" << text << "\"}";
}

// Collects events from any thread.
class EventLog {
 public:
  InstallerListener Listener() {
    return [this](int code, double value, const wchar_t* text) {
      std::lock_guard<std::mutex> guard(lock_);
      events_.push_back({code, value, text != nullptr ? text : L""});
    };
  }
  std::vector<Event> Events() const {
    std::lock_guard<std::mutex> guard(lock_);
    return events_;
  }
  std::vector<int> Codes() const {
    std::vector<int> codes;
    for (const Event& e : Events()) codes.push_back(e.code);
    return codes;
  }
  void Clear() {
    std::lock_guard<std::mutex> guard(lock_);
    events_.clear();
  }

 private:
  mutable std::mutex lock_;
  std::vector<Event> events_;
};

using ScopedEnv = testsupport::ScopedEnv;

}  // namespace installtest
