#include "analytics/sdk/sdk.h"

#include <mutex>
#include <random>

#include "analytics/sdk/bounded_mutex.h"
#include "analytics/sdk/messages.h"
#include "analytics/sdk/record_consumer.h"
#include "platform/process_info.h"
#include "platform/system_info.h"

namespace analytics_sdk {

namespace {

struct Global {
  BoundedMutex lock;
  std::shared_ptr<Sdk> instance;
};
// Never destroyed: a tracker released at process exit still shuts the core down.
Global& G() {
  static Global* global = new Global;
  return *global;
}

bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// One generator per thread, seeded from the system's random source.
std::mt19937& Random() {
  thread_local std::mt19937 generator = [] {
    uint32_t seed = 0;
    if (!platform::RandomBytes(&seed, sizeof(seed))) seed = static_cast<uint32_t>(platform::EpochMs());
    return std::mt19937(seed);
  }();
  return generator;
}

utils::ObjectNode LibObject() {
  utils::ObjectNode lib;
  lib.Set("$lib", utils::ValueNode::String(kLibName));
  lib.Set("$lib_method", utils::ValueNode::String("code"));
  lib.Set("$lib_version", utils::ValueNode::String(kLibVersion));
  return lib;
}

void ResetSuper(PropertiesNode& super) {
  super.Clear();
  super.SetString("$lib", kLibName);
  super.SetString("$lib_version", kLibVersion);
}

}  // namespace

struct Sdk::State {
  BoundedMutex lock;  // guards everything below
  PropertiesNode super;
  std::string distinctId;
  bool isLoginId = false;
};

bool CheckLength(const std::string& label, const std::string& value) {
  if (value.empty()) {
    WriteError("The " + label + " is empty.\n");
    return false;
  }
  if (value.size() >= 256) {
    WriteError("The " + label + " is too long, max length is 255.\n");
    return false;
  }
  return true;
}

bool CheckVariableName(const std::string& label, const std::string& value) {
  if (value.empty() || value.size() > 100) {
    WriteError("The " + label + " is empty or too long, max length is 100\n");
    return false;
  }
  for (size_t i = 0; i < value.size(); ++i) {
    const char c = value[i];
    const bool ok = IsLetter(c) || c == '$' || c == '_' || (i > 0 && IsDigit(c));
    if (!ok) {
      WriteError("The " + label + " need to be a valid variable name.\n");
      return false;
    }
  }
  return true;
}

int64_t MakeTrackId(int64_t nowMs) {
  std::mt19937& random = Random();
  const int64_t a = (static_cast<int64_t>(random() % 99) + 100) % 100;
  const int64_t b = (static_cast<int64_t>(random() % 999) + 1000) % 1000;
  const int64_t c = ((nowMs % 10000) + 10000) % 10000;
  return a * 10000000 + b * 10000 + c;
}

Sdk::Sdk(const std::string& stagingPath, const std::string& serverUrl, const std::string& distinctId, bool isLoginId)
    : state_(std::make_unique<State>()), consumer_(std::make_unique<RecordConsumer>(serverUrl, stagingPath)) {
  ResetSuper(state_->super);
  state_->distinctId = distinctId;
  state_->isLoginId = isLoginId;
}

Sdk::~Sdk() = default;

std::shared_ptr<Sdk> Sdk::Instance() {
  BoundedLock lock(G().lock);
  if (!lock.owns()) return nullptr;
  return G().instance;
}

bool Sdk::Init(const std::string& stagingPath, const std::string& serverUrl, const std::string& distinctId,
               bool isLoginId) {
  if (!CheckLength("Distinct ID", distinctId)) return false;
  BoundedLock lock(G().lock);
  if (!lock.owns()) return false;
  if (!G().instance) G().instance.reset(new Sdk(stagingPath, serverUrl, distinctId, isLoginId));
  return true;
}

bool Sdk::IsInitialized() { return Instance() != nullptr; }

bool Sdk::Assemble(const std::string& type, const std::string& eventName, const PropertiesNode& properties,
                   const std::string& distinctIdOverride, const std::string& originalId) {
  // 1. The caller's properties.
  for (const auto& [key, value] : properties.Members()) {
    if (!CheckVariableName("Property Key", key)) return false;
    if (key == "$time" && value.kind() != utils::ValueNode::kDateTime) {
      WriteError("The property '$time' should be DateTime type.\n");
      return false;
    }
    if (key == "$project" && value.kind() != utils::ValueNode::kString) {
      WriteError("The property '$project' should be String type.\n");
      return false;
    }
  }
  // 2. The event name or the previous id.
  if (type == "track" && !CheckVariableName("Event Name", eventName)) return false;
  if (type == "track_signup" && !CheckLength("Original ID", originalId)) return false;

  // 3. Record properties: super properties for events, then the caller's.
  PropertiesNode recordProperties;
  std::string distinctId;
  bool isLoginId = false;
  {
    BoundedLock lock(state_->lock);
    if (!lock.owns()) return false;
    if (type.find("track") != std::string::npos) recordProperties.Merge(state_->super);
    distinctId = state_->distinctId;
    isLoginId = state_->isLoginId;
  }
  if (!distinctIdOverride.empty()) distinctId = distinctIdOverride;
  recordProperties.Merge(properties);

  // 4. Time.
  const int64_t nowMs = platform::EpochMs();
  int64_t timeMs = nowMs;
  if (const utils::ValueNode* time = recordProperties.Find("$time")) {
    timeMs = time->integer() * 1000 + time->milliseconds();
    recordProperties.Remove("$time");
  }
  // 5. Project.
  std::string project;
  if (const utils::ValueNode* value = recordProperties.Find("$project")) {
    project = value->string();
    recordProperties.Remove("$project");
  }
  // 6. Login flag.
  if (isLoginId) recordProperties.SetBoolean("$is_login_id", true);

  // 7. The record.
  utils::ObjectNode record;
  record.Set("_track_id", utils::ValueNode::Integer(MakeTrackId(nowMs)));
  record.Set("distinct_id", utils::ValueNode::String(distinctId));
  if (type == "track" || type == "track_signup") record.Set("event", utils::ValueNode::String(eventName));
  record.Set("lib", utils::ValueNode::Object(LibObject()));
  if (type == "track_signup") record.Set("original_id", utils::ValueNode::String(originalId));
  if (!project.empty()) record.Set("project", utils::ValueNode::String(project));
  record.Set("properties", utils::ValueNode::Object(recordProperties));
  record.Set("time", utils::ValueNode::Integer(timeMs));
  record.Set("type", utils::ValueNode::String(type));

  // 8. To the queue.
  return consumer_->add(record);
}

bool Sdk::Track(const std::string& eventName, const PropertiesNode& properties) {
  auto sdk = Instance();
  return sdk && sdk->Assemble("track", eventName, properties, "", "");
}

bool Sdk::Track(const std::string& eventName) { return Track(eventName, PropertiesNode()); }

bool Sdk::TrackActivityEvent(const PropertiesNode& properties) {
  PropertiesNode merged;
  merged.SetString("$ios_install_source", "");
  merged.Merge(properties);
  return Track("TzEventActivity", merged);
}

bool Sdk::Login(const std::string& loginId) {
  auto sdk = Instance();
  if (!sdk) return false;
  if (!CheckLength("Login ID", loginId)) return false;
  std::string previous;
  {
    BoundedLock lock(sdk->state_->lock);
    if (!lock.owns()) return false;
    previous = sdk->state_->distinctId;
  }
  const bool ok = sdk->Assemble("track_signup", "$SignUp", PropertiesNode(), loginId, previous);
  BoundedLock lock(sdk->state_->lock);
  if (!lock.owns()) return false;
  sdk->state_->distinctId = loginId;
  sdk->state_->isLoginId = true;
  return ok;
}

namespace {
template <typename Value>
PropertiesNode One(const std::string& key, Value value) {
  PropertiesNode node;
  if constexpr (std::is_same_v<Value, std::string>) {
    node.SetString(key, value);
  } else if constexpr (std::is_same_v<Value, int32_t>) {
    node.SetInteger(key, value);
  } else {
    node.SetNumber(key, value);
  }
  return node;
}
}  // namespace

bool Sdk::ProfileSet(const PropertiesNode& properties) {
  auto sdk = Instance();
  return sdk && sdk->Assemble("profile_set", "", properties, "", "");
}
bool Sdk::ProfileSetOnce(const PropertiesNode& properties) {
  auto sdk = Instance();
  return sdk && sdk->Assemble("profile_set_once", "", properties, "", "");
}
bool Sdk::ProfileIncrement(const PropertiesNode& properties) {
  auto sdk = Instance();
  return sdk && sdk->Assemble("profile_increment", "", properties, "", "");
}
bool Sdk::ProfileSet(const std::string& key, const std::string& value) { return ProfileSet(One(key, value)); }
bool Sdk::ProfileSet(const std::string& key, int32_t value) { return ProfileSet(One(key, value)); }
bool Sdk::ProfileSet(const std::string& key, double value) { return ProfileSet(One(key, value)); }
bool Sdk::ProfileSetOnce(const std::string& key, const std::string& value) { return ProfileSetOnce(One(key, value)); }
bool Sdk::ProfileSetOnce(const std::string& key, int32_t value) { return ProfileSetOnce(One(key, value)); }
bool Sdk::ProfileSetOnce(const std::string& key, double value) { return ProfileSetOnce(One(key, value)); }
bool Sdk::ProfileIncrement(const std::string& key, int32_t value) { return ProfileIncrement(One(key, value)); }
bool Sdk::ProfileAppend(const std::string& key, const std::string& value) {
  PropertiesNode node;
  node.SetList(key, {value});
  auto sdk = Instance();
  return sdk && sdk->Assemble("profile_append", "", node, "", "");
}

void Sdk::RegisterSuperProperties(const PropertiesNode& properties) {
  auto sdk = Instance();
  if (!sdk) return;
  BoundedLock lock(sdk->state_->lock);
  if (lock.owns()) sdk->state_->super.Merge(properties);
}

void Sdk::ClearSuperProperties() {
  auto sdk = Instance();
  if (!sdk) return;
  BoundedLock lock(sdk->state_->lock);
  if (lock.owns()) ResetSuper(sdk->state_->super);
}

PropertiesNode Sdk::SuperProperties() {
  auto sdk = Instance();
  if (!sdk) return {};
  BoundedLock lock(sdk->state_->lock);
  return lock.owns() ? sdk->state_->super : PropertiesNode();
}

void Sdk::SetDistinctId(const std::string& distinctId, bool isLoginId) {
  auto sdk = Instance();
  if (!sdk) return;
  BoundedLock lock(sdk->state_->lock);
  if (!lock.owns()) return;
  sdk->state_->distinctId = distinctId;
  sdk->state_->isLoginId = isLoginId;
}

std::string Sdk::DistinctId() {
  auto sdk = Instance();
  if (!sdk) return {};
  BoundedLock lock(sdk->state_->lock);
  return lock.owns() ? sdk->state_->distinctId : std::string();
}

bool Sdk::IsLoginId() {
  auto sdk = Instance();
  if (!sdk) return false;
  BoundedLock lock(sdk->state_->lock);
  return lock.owns() && sdk->state_->isLoginId;
}

bool Sdk::Flush() {
  auto sdk = Instance();
  return sdk && sdk->consumer_->flushAll();
}

void Sdk::Shutdown() {
  std::shared_ptr<Sdk> sdk;
  {
    BoundedLock lock(G().lock);
    if (!lock.owns()) return;
    sdk = std::move(G().instance);
  }
  if (sdk) sdk->consumer_->close();
}

std::vector<std::string> Sdk::QueuedRecords() {
  auto sdk = Instance();
  return sdk ? sdk->consumer_->Records() : std::vector<std::string>();
}

}  // namespace analytics_sdk
