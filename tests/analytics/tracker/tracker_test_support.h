// Shared fixtures of the tracker tests.
#pragma once
#include "support/scoped_env.h"
#include <json/json.h>

#include <memory>
#include <string>
#include <vector>

#include "analytics/sdk/value_node.h"
#include "analytics/tracker/tz_types.h"
#include "collector.h"
#include "support/temp_dir.h"

namespace trackertest {

Json::Value ParseJson(const std::string& text);
Json::Value PropertiesJson(const analytics_sdk::PropertiesNode& set);

// Runs the call and returns the message of the TzException it raises ("" when none).
template <typename Call>
std::string RaisedMessage(Call call) {
  try {
    call();
  } catch (const tarsel::analytics::TzException& e) {
    return e.message();
  }
  return "";
}

using ScopedEnv = testsupport::ScopedEnv;

// A temporary home for the tracker: LOCALAPPDATA, the executable's folder and a
// collection service on 127.0.0.1.
class TrackerHome {
 public:
  explicit TrackerHome(collector::Options options = {});
  ~TrackerHome();
  const testsupport::TempDir& dir() const { return dir_; }
  std::string url() const { return server_->url(); }
  collector::Collector& server() { return *server_; }
  // Records received so far, parsed.
  std::vector<Json::Value> Received() const;
  // Received records of the event name.
  std::vector<Json::Value> Events(const std::string& name) const;
  std::string DataDir(const std::string& appName) const;

 private:
  testsupport::TempDir dir_;
  std::unique_ptr<ScopedEnv> appData_;
  std::unique_ptr<collector::Collector> server_;
};

}  // namespace trackertest
