// The tracker on top of the analytics core: identity settings file, event
// records, profile updates, flush policy and shutdown.
#pragma once
#include <atomic>
#include <list>
#include <memory>
#include <string>
#include <thread>

#include "analytics/sdk/bounded_mutex.h"
#include "analytics/sdk/value_node.h"
#include "analytics/tracker/analytics_tracker.h"

namespace tarsel {
namespace analytics {

class AnalyticsTrackerImpl : public AnalyticsTracker {
 public:
  explicit AnalyticsTrackerImpl(const AnalyticsTrackerConfig& config);
  // Waits for its flush threads, saves the identity, flushes what is pending
  // and shuts the analytics core down (unsent records go to the staging file).
  ~AnalyticsTrackerImpl() override;
  AnalyticsTrackerImpl(const AnalyticsTrackerImpl&) = delete;
  AnalyticsTrackerImpl& operator=(const AnalyticsTrackerImpl&) = delete;

  // Raises TzException on failure; what was set up before the failure stays.
  void init();

  void trackActivity(const TzContextProperties& context) override;
  void trackLaunch(const TzContextProperties& context) override;
  void trackLogin(const TzUserInfo& user, bool success, const std::string& reason,
                  const TzContextProperties& context) override;
  void trackClick(const TzEventClick& record, const TzContextProperties& context) override;
  void trackView(const TzEventView& record, const TzContextProperties& context) override;
  void trackCashier(const TzEventCashier& record, const TzContextProperties& context) override;
  void trackShare(const TzEventShare& record, const TzContextProperties& context) override;
  void trackTask(const TzEventTask& record, const TzContextProperties& context) override;
  void trackFile(const TzEventFile& record, const TzContextProperties& context) override;
  void trackOrder(const TzEventOrder& record, const TzContextProperties& context) override;
  void trackPayment(const TzEventPayment& record, const TzContextProperties& context) override;
  void trackUninstall(const std::string& reason, const TzContextProperties& context) override;
  void trackCrash(const std::string& reason) override;
  void trackUpdate(const TzEventUpdate& record, const TzContextProperties& context) override;
  void trackAppOpenNotification(const AppOpenNotification* record, const TzContextProperties& context) override;
  void setLocale(const std::string& locale) override;
  std::string getPrimaryDistinctId() override;
  TrackLogger* getTrackLogger() override { return logger_.get(); }

  // Locations chosen by init (for the installer's tools and tests).
  std::string dataDir() const;
  std::string settingsPath() const;
  std::string stagingPath() const;
  int pending() const { return pending_.load(); }
  // Waits until every flush thread started so far has ended.
  void waitForFlushThreads();

 private:
  enum class FlushMode { kNow, kLater };
  struct State;
  struct FlushThread {
    std::thread thread;
    std::shared_ptr<std::atomic<bool>> done;
  };

  void locateSettings();
  void readIdentity();
  void saveIdentity();
  void registerLocale();
  void track(int kind, analytics_sdk::PropertiesNode own, const TzContextProperties* context, FlushMode mode,
             int pendingAdd);
  void dispatchFlush(FlushMode mode);
  void flushStep(FlushMode mode);

  const AnalyticsTrackerConfig config_;
  std::unique_ptr<State> state_;
  std::unique_ptr<NativeTrackLogger> logger_;
  std::atomic<int32_t> pending_{0};
  analytics_sdk::BoundedMutex threadsLock_;
  std::list<FlushThread> flushThreads_;
};

}  // namespace analytics
}  // namespace tarsel
