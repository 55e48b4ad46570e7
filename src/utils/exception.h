#pragma once
#include <stdexcept>
#include <string>

#include "utils/text.h"

namespace Utils {

// Raised by the utility layer when a pipe or a process cannot be created.
// The message is kept in the system's narrow encoding.
class Exception : public std::exception {
 public:
  explicit Exception(const std::wstring& message = L"") : message_(WideToNarrow(message)) {}
  const char* what() const noexcept override { return message_.c_str(); }

 private:
  std::string message_;
};

}  // namespace Utils
