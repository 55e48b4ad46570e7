// The tracker facade: fifteen track operations and three accessors.
#pragma once
#include <string>

#include "analytics/tracker/native_user_tracker.h"
#include "analytics/tracker/tz_types.h"

namespace tarsel {
namespace analytics {

struct AnalyticsTrackerConfig {
  std::string appName;       // required
  std::string appVersion;    // required
  std::string appStore;      // required (distribution channel)
  std::string dlAppId;       // optional
  std::string dlAppVersion;  // optional
  std::string logPath;       // empty: "<appName>_TZSLog.txt" in the data folder
  TzEdition edition = kTzEditionChina;
  std::string serverUrl;  // empty: the built-in default
};

class AnalyticsTracker {
 public:
  virtual ~AnalyticsTracker() = default;
  virtual void trackActivity(const TzContextProperties& context) = 0;
  virtual void trackLaunch(const TzContextProperties& context) = 0;
  virtual void trackLogin(const TzUserInfo& user, bool success, const std::string& reason,
                          const TzContextProperties& context) = 0;
  virtual void trackClick(const TzEventClick& record, const TzContextProperties& context) = 0;
  virtual void trackView(const TzEventView& record, const TzContextProperties& context) = 0;
  virtual void trackCashier(const TzEventCashier& record, const TzContextProperties& context) = 0;
  virtual void trackShare(const TzEventShare& record, const TzContextProperties& context) = 0;
  virtual void trackTask(const TzEventTask& record, const TzContextProperties& context) = 0;
  virtual void trackFile(const TzEventFile& record, const TzContextProperties& context) = 0;
  virtual void trackOrder(const TzEventOrder& record, const TzContextProperties& context) = 0;
  virtual void trackPayment(const TzEventPayment& record, const TzContextProperties& context) = 0;
  virtual void trackUninstall(const std::string& reason, const TzContextProperties& context) = 0;
  virtual void trackCrash(const std::string& reason) = 0;
  virtual void trackUpdate(const TzEventUpdate& record, const TzContextProperties& context) = 0;
  virtual void trackAppOpenNotification(const AppOpenNotification* record, const TzContextProperties& context) = 0;
  virtual void setLocale(const std::string& locale) = 0;
  virtual std::string getPrimaryDistinctId() = 0;
  virtual TrackLogger* getTrackLogger() = 0;
};

// The collection-service address used when the configuration names none:
// MIRELO_ANALYTICS_URL from the environment when set, else the build's
// ANALYTICS_SERVER_URL (empty by default).
std::string BuiltInServerUrl();

}  // namespace analytics
}  // namespace tarsel
