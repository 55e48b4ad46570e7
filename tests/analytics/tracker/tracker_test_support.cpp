#include "tracker_test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "analytics/sdk/http_sender.h"
#include "analytics/tracker/device_facts.h"

namespace trackertest {

Json::Value ParseJson(const std::string& text) {
  Json::CharReaderBuilder builder;
  std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
  Json::Value value;
  std::string error;
  EXPECT_TRUE(reader->parse(text.data(), text.data() + text.size(), &value, &error)) << error << "\n" << text;
  return value;
}

Json::Value PropertiesJson(const analytics_sdk::PropertiesNode& set) { return ParseJson(set.ToJson()); }

TrackerHome::TrackerHome(collector::Options options) {
  appData_ = std::make_unique<ScopedEnv>("LOCALAPPDATA", (dir_ / "appdata").string().c_str());
  std::filesystem::create_directories(dir_ / "bin");
  tarsel::analytics::SetExecutablePathForTesting(dir_.wstr() + L"/bin/setup_abc.exe");
  options.bind = "127.0.0.1";
  options.port = 0;
  server_ = std::make_unique<collector::Collector>(std::move(options));
  std::string error;
  EXPECT_TRUE(server_->Start(error)) << error;
  analytics_sdk::SetLastSendSucceeded(false);
}

TrackerHome::~TrackerHome() {
  server_->Stop();
  tarsel::analytics::SetExecutablePathForTesting(L"");
  analytics_sdk::SetLastSendSucceeded(false);
}

std::vector<Json::Value> TrackerHome::Received() const {
  std::vector<Json::Value> out;
  for (const std::string& record : server_->Records()) out.push_back(ParseJson(record));
  return out;
}

std::vector<Json::Value> TrackerHome::Events(const std::string& name) const {
  std::vector<Json::Value> out;
  for (const Json::Value& record : Received()) {
    if (record["event"].asString() == name) out.push_back(record);
  }
  return out;
}

std::string TrackerHome::DataDir(const std::string& appName) const {
  return (dir_ / "appdata" / "TZLocal" / appName).string() + "/";
}

}  // namespace trackertest
