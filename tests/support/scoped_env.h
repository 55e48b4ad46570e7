// Sets (or, with a null value / nullopt, unsets) an environment variable for
// the life of the object and restores the previous state afterwards.
#pragma once
#include <cstdlib>
#include <optional>
#include <string>

namespace testsupport {

class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value != nullptr) {
      ::setenv(name, value, 1);
    } else {
      ::unsetenv(name);
    }
  }
  ScopedEnv(const char* name, const std::optional<std::string>& value)
      : ScopedEnv(name, value ? value->c_str() : nullptr) {}
  ~ScopedEnv() {
    if (old_) {
      ::setenv(name_.c_str(), old_->c_str(), 1);
    } else {
      ::unsetenv(name_.c_str());
    }
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  std::string name_;
  std::optional<std::string> old_;
};

}  // namespace testsupport
