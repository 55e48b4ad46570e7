#include "analytics/tracker/analytics_tracker_wrapper.h"

#include <iostream>

namespace tarsel {
namespace analytics {

template <typename Call>
void AnalyticsTrackerWrapper::guarded(const char* name, Call call) {
  if (!tracker_) return;
  try {
    call(*tracker_);
  } catch (...) {
    if (tracker_->getTrackLogger() != nullptr) std::cout << "Failed to track" << name << std::endl;
  }
}

void AnalyticsTrackerWrapper::trackActivity(const TzContextProperties& c) {
  guarded("Activity", [&](AnalyticsTracker& t) { t.trackActivity(c); });
}
void AnalyticsTrackerWrapper::trackLaunch(const TzContextProperties& c) {
  guarded("Launch", [&](AnalyticsTracker& t) { t.trackLaunch(c); });
}
void AnalyticsTrackerWrapper::trackLogin(const TzUserInfo& u, bool s, const std::string& r,
                                         const TzContextProperties& c) {
  guarded("Login", [&](AnalyticsTracker& t) { t.trackLogin(u, s, r, c); });
}
void AnalyticsTrackerWrapper::trackClick(const TzEventClick& e, const TzContextProperties& c) {
  guarded("Click", [&](AnalyticsTracker& t) { t.trackClick(e, c); });
}
void AnalyticsTrackerWrapper::trackView(const TzEventView& e, const TzContextProperties& c) {
  guarded("View", [&](AnalyticsTracker& t) { t.trackView(e, c); });
}
void AnalyticsTrackerWrapper::trackCashier(const TzEventCashier& e, const TzContextProperties& c) {
  guarded("Cashier", [&](AnalyticsTracker& t) { t.trackCashier(e, c); });
}
void AnalyticsTrackerWrapper::trackShare(const TzEventShare& e, const TzContextProperties& c) {
  guarded("Share", [&](AnalyticsTracker& t) { t.trackShare(e, c); });
}
void AnalyticsTrackerWrapper::trackTask(const TzEventTask& e, const TzContextProperties& c) {
  guarded("Task", [&](AnalyticsTracker& t) { t.trackTask(e, c); });
}
void AnalyticsTrackerWrapper::trackFile(const TzEventFile& e, const TzContextProperties& c) {
  guarded("File", [&](AnalyticsTracker& t) { t.trackFile(e, c); });
}
void AnalyticsTrackerWrapper::trackOrder(const TzEventOrder& e, const TzContextProperties& c) {
  guarded("Order", [&](AnalyticsTracker& t) { t.trackOrder(e, c); });
}
void AnalyticsTrackerWrapper::trackPayment(const TzEventPayment& e, const TzContextProperties& c) {
  guarded("Payment", [&](AnalyticsTracker& t) { t.trackPayment(e, c); });
}
void AnalyticsTrackerWrapper::trackUninstall(const std::string& r, const TzContextProperties& c) {
  guarded("Uninstall", [&](AnalyticsTracker& t) { t.trackUninstall(r, c); });
}
void AnalyticsTrackerWrapper::trackCrash(const std::string& r) {
  guarded("Crash", [&](AnalyticsTracker& t) { t.trackCrash(r); });
}
void AnalyticsTrackerWrapper::trackUpdate(const TzEventUpdate& e, const TzContextProperties& c) {
  guarded("Update", [&](AnalyticsTracker& t) { t.trackUpdate(e, c); });
}
void AnalyticsTrackerWrapper::trackAppOpenNotification(const AppOpenNotification* e, const TzContextProperties& c) {
  guarded("AppOpenNotification", [&](AnalyticsTracker& t) { t.trackAppOpenNotification(e, c); });
}

void AnalyticsTrackerWrapper::setLocale(const std::string& locale) {
  if (!tracker_) return;
  try {
    tracker_->setLocale(locale);
  } catch (...) {
  }
}

std::string AnalyticsTrackerWrapper::getPrimaryDistinctId() {
  if (!tracker_) return "";
  try {
    return tracker_->getPrimaryDistinctId();
  } catch (...) {
    return "";
  }
}

}  // namespace analytics
}  // namespace tarsel
