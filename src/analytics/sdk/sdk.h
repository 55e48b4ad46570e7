// The process-wide analytics client: distinct id, login state, super
// properties, record assembly and validation. Records go to the consumer,
// which stages and uploads them. Nothing here throws; failures return false
// and write their message to standard error.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "analytics/sdk/value_node.h"

namespace analytics_sdk {

class RecordConsumer;

constexpr char kLibName[] = "cpp";
constexpr char kLibVersion[] = "0.9";

class Sdk {
 public:
  // Creates the instance unless one exists (then keeps it). False when the
  // distinct id is empty or 256 bytes or longer.
  static bool Init(const std::string& stagingPath, const std::string& serverUrl, const std::string& distinctId,
                   bool isLoginId);
  static bool IsInitialized();

  static bool Track(const std::string& eventName, const PropertiesNode& properties);
  static bool Track(const std::string& eventName);
  // "TzEventActivity" with "$ios_install_source" = "" under the given properties.
  static bool TrackActivityEvent(const PropertiesNode& properties);
  // A "$SignUp" record from the current id to the login id, which becomes current.
  static bool Login(const std::string& loginId);

  static bool ProfileSet(const PropertiesNode& properties);
  static bool ProfileSetOnce(const PropertiesNode& properties);
  static bool ProfileIncrement(const PropertiesNode& properties);
  static bool ProfileSet(const std::string& key, const std::string& value);
  static bool ProfileSet(const std::string& key, int32_t value);
  static bool ProfileSet(const std::string& key, double value);
  static bool ProfileSetOnce(const std::string& key, const std::string& value);
  static bool ProfileSetOnce(const std::string& key, int32_t value);
  static bool ProfileSetOnce(const std::string& key, double value);
  static bool ProfileIncrement(const std::string& key, int32_t value);
  static bool ProfileAppend(const std::string& key, const std::string& value);

  static void RegisterSuperProperties(const PropertiesNode& properties);
  static void ClearSuperProperties();
  static PropertiesNode SuperProperties();

  static void SetDistinctId(const std::string& distinctId, bool isLoginId);
  static std::string DistinctId();
  static bool IsLoginId();

  // Uploads every queued record (30 per request); false at the first failure.
  static bool Flush();
  // Saves unsent records to the staging file and frees the instance.
  static void Shutdown();

  // The queued record texts (tests and tools), oldest first.
  static std::vector<std::string> QueuedRecords();

  ~Sdk();

 private:
  struct State;
  Sdk(const std::string& stagingPath, const std::string& serverUrl, const std::string& distinctId, bool isLoginId);
  bool Assemble(const std::string& type, const std::string& eventName, const PropertiesNode& properties,
                const std::string& distinctIdOverride, const std::string& originalId);
  static std::shared_ptr<Sdk> Instance();

  std::unique_ptr<State> state_;
  std::unique_ptr<RecordConsumer> consumer_;
};

// Checks shared with the tracker layer.
bool CheckLength(const std::string& label, const std::string& value);
bool CheckVariableName(const std::string& label, const std::string& value);
// The record's "_track_id": up to nine digits from two random parts and the time.
int64_t MakeTrackId(int64_t nowMs);

}  // namespace analytics_sdk
