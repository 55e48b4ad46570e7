// Shields callers from every exception of the tracker it owns.
#pragma once
#include <memory>

#include "analytics/tracker/analytics_tracker.h"

namespace tarsel {
namespace analytics {

class AnalyticsTrackerWrapper : public AnalyticsTracker {
 public:
  explicit AnalyticsTrackerWrapper(std::unique_ptr<AnalyticsTracker> tracker) : tracker_(std::move(tracker)) {}
  ~AnalyticsTrackerWrapper() override = default;

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
  TrackLogger* getTrackLogger() override { return nullptr; }

 private:
  template <typename Call>
  void guarded(const char* name, Call call);
  std::unique_ptr<AnalyticsTracker> tracker_;
};

}  // namespace analytics
}  // namespace tarsel
