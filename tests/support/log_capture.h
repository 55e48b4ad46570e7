// Captures the diagnostic lines written while it exists.
#pragma once
#include <mutex>
#include <string>
#include <vector>

namespace testsupport {

class LogCapture {
 public:
  LogCapture();
  ~LogCapture();
  std::vector<std::wstring> Lines() const;
  // Concatenation of every captured line, in order.
  std::wstring Text() const;
  // Number of captured lines that contain the fragment.
  size_t Count(const std::wstring& fragment) const;

 private:
  mutable std::mutex lock_;
  std::vector<std::wstring> lines_;
};

}  // namespace testsupport
