#pragma once
#include <string>

namespace platform {

// Longest thread name the system keeps, in bytes.
constexpr size_t kMaxThreadNameBytes = 15;

// Names the calling thread for debuggers and /proc. A longer name is cut to
// kMaxThreadNameBytes bytes without splitting a UTF-8 character.
void SetCurrentThreadName(const std::string& utf8Name);
// The calling thread's name as the system keeps it.
std::string CurrentThreadName();
// The cut applied by SetCurrentThreadName.
std::string FitThreadName(const std::string& utf8Name);

}  // namespace platform
