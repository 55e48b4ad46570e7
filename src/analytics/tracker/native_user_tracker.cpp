#include "analytics/tracker/native_user_tracker.h"

#include <unordered_map>

#include "analytics/sdk/sdk.h"
#include "analytics/tracker/tz_types.h"

namespace tarsel {
namespace analytics {

namespace {

constexpr char kFile[] = "NativeUserTracker";

const std::unordered_map<std::string, ProfileOperation>& KeyTable() {
  // Built once, thread-safely, on first use.
  static const auto* table = [] {
    auto* t = new std::unordered_map<std::string, ProfileOperation>;
    for (const char* key : {"$first_visit_time", "tz_first_visit_date", "$ios_install_source", "tz_first_paid_date"})
      (*t)[key] = kProfileSetOnce;
    for (const char* key : {"tz_visit_count", "tz_paid_count", "tz_consumption"}) (*t)[key] = kProfileIncrement;
    for (const char* key : {"tz_label",
                            "tz_os",
                            "tz_os_version",
                            "tz_manufacturer",
                            "tz_model",
                            "tz_app_store",
                            "tz_app_platform",
                            "tz_last_app_id",
                            "tz_last_app_version",
                            "tz_carrier",
                            "tz_last_visit_date",
                            "aurora_pushid",
                            "tz_user_id",
                            "tz_user_name",
                            "tz_user_type",
                            "tz_user_nickname",
                            "tz_user_portrait",
                            "tz_user_mobilephone",
                            "tz_user_email",
                            "tz_user_weixin",
                            "tz_user_qq",
                            "tz_user_did",
                            "tz_user_created",
                            "tz_user_last_login",
                            "tz_user_last_ip",
                            "tz_user_vip_level",
                            "tz_user_vip_enddate",
                            "idfa",
                            "imei",
                            "android_id",
                            "oaid",
                            "tz_ip",
                            "tz_country_code",
                            "tz_country",
                            "tz_province",
                            "tz_city",
                            "tz_last_paid_date"})
      (*t)[key] = kProfileSet;
    return t;
  }();
  return *table;
}

ProfileOperation Lookup(const std::string& key, const char* function) {
  const ProfileOperation operation = NativeUserTracker::operationFor(key);
  if (operation == kProfileNotSupported) {
    throw TzException("Not supported user property [" + key + "]!", kFile, function, __LINE__);
  }
  return operation;
}

}  // namespace

ProfileOperation NativeUserTracker::operationFor(const std::string& key) {
  const auto& table = KeyTable();
  auto it = table.find(key);
  return it == table.end() ? kProfileNotSupported : it->second;
}

void NativeUserTracker::ProfileUserPropertyString(const std::string& key, const std::string& value) {
  switch (Lookup(key, "ProfileUserPropertyString")) {
    case kProfileSetOnce:
      analytics_sdk::Sdk::ProfileSetOnce(key, value);
      break;
    case kProfileIncrement:
      throw TzException("user property [" + key + "] is string type value, it cannot be accumulated!", kFile,
                        "ProfileUserPropertyString", __LINE__);
    case kProfileSet:
      analytics_sdk::Sdk::ProfileSet(key, value);
      break;
    case kProfileAppend:
    case kProfileNotSupported:
      analytics_sdk::Sdk::ProfileAppend(key, value);
      break;
  }
}

void NativeUserTracker::ProfileUserPropertyNumber(const std::string& key, int32_t value) {
  switch (Lookup(key, "ProfileUserPropertyNumber")) {
    case kProfileSetOnce:
      analytics_sdk::Sdk::ProfileSetOnce(key, value);
      break;
    case kProfileIncrement:
      analytics_sdk::Sdk::ProfileIncrement(key, value);
      break;
    case kProfileSet:
      analytics_sdk::Sdk::ProfileSet(key, value);
      break;
    case kProfileAppend:
    case kProfileNotSupported:
      throw TzException("user property [" + key + "] is number value, it cannot be append to list!", kFile,
                        "ProfileUserPropertyNumber", __LINE__);
  }
}

void NativeUserTracker::ProfileUserPropertyNumber(const std::string& key, double value) {
  switch (Lookup(key, "ProfileUserPropertyNumber")) {
    case kProfileSetOnce:
      analytics_sdk::Sdk::ProfileSetOnce(key, value);
      break;
    case kProfileIncrement: {
      analytics_sdk::PropertiesNode set;
      set.SetNumber(key, value);
      analytics_sdk::Sdk::ProfileIncrement(set);
      break;
    }
    case kProfileSet:
      analytics_sdk::Sdk::ProfileSet(key, value);
      break;
    case kProfileAppend:
    case kProfileNotSupported:
      throw TzException("user property [" + key + "] is number value, it cannot be append to list!", kFile,
                        "ProfileUserPropertyNumber", __LINE__);
  }
}

void NativeUserTracker::ProfileUserPropertyDateTime(const std::string& key, int64_t value) {
  const ProfileOperation operation = Lookup(key, "ProfileUserPropertyDateTime");
  if (operation != kProfileSetOnce && operation != kProfileSet) {
    throw TzException("user property [" + key + "] is date-time value, it cannot be accumulated or appended!", kFile,
                      "ProfileUserPropertyDateTime", __LINE__);
  }
  int64_t seconds = 0;
  int32_t milliseconds = 0;
  splitEpochValue(value, seconds, milliseconds);
  analytics_sdk::PropertiesNode set;
  set.SetDateTime(key, seconds, milliseconds);
  if (operation == kProfileSetOnce) {
    analytics_sdk::Sdk::ProfileSetOnce(set);
  } else {
    analytics_sdk::Sdk::ProfileSet(set);
  }
}

NativeTrackLogger::~NativeTrackLogger() {
  std::lock_guard<std::mutex> guard(lock_);
  if (file_.is_open()) file_.close();
}

void NativeTrackLogger::open(const std::string& path) {
  std::lock_guard<std::mutex> guard(lock_);
  if (path == path_) return;
  if (file_.is_open()) file_.close();
  // Opening for appending creates the file when it does not exist yet.
  file_.open(path, std::ios::binary | std::ios::app);
  path_ = path;
}

std::string NativeTrackLogger::path() const {
  std::lock_guard<std::mutex> guard(lock_);
  return path_;
}

bool NativeTrackLogger::isOpen() const {
  std::lock_guard<std::mutex> guard(lock_);
  return file_.is_open();
}

}  // namespace analytics
}  // namespace tarsel
