#include "sdk_test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include "analytics/sdk/messages.h"

namespace sdktest {

ErrorCapture::ErrorCapture() {
  analytics_sdk::SetErrorSink([this](const std::string& message) {
    std::lock_guard<std::mutex> guard(lock_);
    text_ += message;
  });
}

ErrorCapture::~ErrorCapture() { analytics_sdk::SetErrorSink(nullptr); }

std::string ErrorCapture::Text() const {
  std::lock_guard<std::mutex> guard(lock_);
  return text_;
}

std::unique_ptr<collector::Collector> StartCollector(collector::Options options) {
  options.bind = "127.0.0.1";
  options.port = 0;
  auto server = std::make_unique<collector::Collector>(std::move(options));
  std::string error;
  EXPECT_TRUE(server->Start(error)) << error;
  return server;
}

Json::Value ParseJson(const std::string& text) {
  Json::CharReaderBuilder builder;
  std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
  Json::Value value;
  std::string error;
  EXPECT_TRUE(reader->parse(text.data(), text.data() + text.size(), &value, &error)) << error << "\n" << text;
  return value;
}

bool MatchesWithDigits(const std::string& text, const std::string& pattern) {
  size_t t = 0;
  for (char p : pattern) {
    if (p == '#') {
      const size_t start = t;
      while (t < text.size() && text[t] >= '0' && text[t] <= '9') ++t;
      if (t == start) return false;
    } else {
      if (t >= text.size() || text[t] != p) return false;
      ++t;
    }
  }
  return t == text.size();
}

void UseUtc() {
  setenv("TZ", "UTC", 1);
  tzset();
}

}  // namespace sdktest
