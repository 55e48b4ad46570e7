// Shared fixtures of the analytics core tests.
#pragma once
#include <json/json.h>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "collector.h"

namespace sdktest {

// Collects the messages the analytics core writes while it exists.
class ErrorCapture {
 public:
  ErrorCapture();
  ~ErrorCapture();
  std::string Text() const;
  bool Contains(const std::string& fragment) const { return Text().find(fragment) != std::string::npos; }

 private:
  mutable std::mutex lock_;
  std::string text_;
};

// A collection service on 127.0.0.1 with a free port.
std::unique_ptr<collector::Collector> StartCollector(collector::Options options = {});

Json::Value ParseJson(const std::string& text);

// True when the text equals the pattern, where each '#' stands for one or
// more decimal digits.
bool MatchesWithDigits(const std::string& text, const std::string& pattern);

// Local time is UTC for the whole test binary, so date-times are predictable.
void UseUtc();

}  // namespace sdktest
