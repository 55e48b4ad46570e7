#include "support/log_capture.h"

#include "platform/debug_output.h"

namespace testsupport {

LogCapture::LogCapture() {
  platform::SetDebugOutputSink([this](const std::wstring& line) {
    std::lock_guard<std::mutex> guard(lock_);
    lines_.push_back(line);
  });
}

LogCapture::~LogCapture() { platform::SetDebugOutputSink(nullptr); }

std::vector<std::wstring> LogCapture::Lines() const {
  std::lock_guard<std::mutex> guard(lock_);
  return lines_;
}

std::wstring LogCapture::Text() const {
  std::wstring all;
  for (const auto& l : Lines()) all += l;
  return all;
}

size_t LogCapture::Count(const std::wstring& fragment) const {
  size_t n = 0;
  for (const auto& l : Lines()) {
    if (l.find(fragment) != std::wstring::npos) ++n;
  }
  return n;
}

}  // namespace testsupport
