#include "analytics/tracker/installer_analytics.h"

#include <memory>

#include "analytics/tracker/analytics_tracker_impl.h"
#include "analytics/tracker/analytics_tracker_wrapper.h"
#include "app/config.h"
#include "platform/utf.h"

namespace {

using tarsel::analytics::AnalyticsTracker;
using tarsel::analytics::TzContextProperties;

// The process-wide tracker handle. Written only by the start and stop entry
// points (on the entry thread, while no other thread records events); when
// still set at process exit its release flushes the staged records.
std::shared_ptr<AnalyticsTracker> gTracker;

std::string U(const std::wstring& text) { return platform::WideToUtf8(text); }

// Attaches the map's "AB" value to the event kind when it is well formed; a
// malformed value only leaves the property out.
void ApplyAbValue(TzContextProperties& context, int kind, const AbMap& ab) {
  auto it = ab.find(L"AB");
  if (it == ab.end()) return;
  const std::string value = U(it->second);
  try {
    if (TzContextProperties::isValidABValue(value)) context.setProperty({kind}, value);
  } catch (const std::exception&) {
  }
}

AnalyticsTracker* Tracker() {
  if (!InstallerConfig.isEnableAppAnalytics) return nullptr;
  return gTracker.get();
}

}  // namespace

void StartInstallerAnalytics() {
  if (!InstallerConfig.isEnableAppAnalytics || gTracker) return;
  tarsel::analytics::AnalyticsTrackerConfig config;
  config.appName = U(InstallerConfig.productName + InstallerConfig.dlAppNameSuffix);
  config.appVersion = U(InstallerConfig.productVersion);
  config.appStore = U(InstallerConfig.installerFileName);
  config.dlAppId = U(InstallerConfig.productName);
  config.dlAppVersion = U(InstallerConfig.dlAppVersion);
  config.edition = tarsel::analytics::kTzEditionChina;
  // serverUrl stays empty: the tracker's built-in default (MIRELO_ANALYTICS_URL
  // or the build's address) applies.
  auto impl = std::make_unique<tarsel::analytics::AnalyticsTrackerImpl>(config);
  try {
    impl->init();
  } catch (...) {
    // A tracker that failed to initialise stays and records what it can.
  }
  gTracker = std::make_shared<tarsel::analytics::AnalyticsTrackerWrapper>(std::move(impl));
}

void StopInstallerAnalytics() {
  // Releasing the wrapper destroys the tracker, whose shutdown flushes.
  gTracker.reset();
}

void trackInstallerTask(const std::wstring& name, double elapsedSeconds, const std::wstring& reason, const AbMap& ab) {
  AnalyticsTracker* tracker = Tracker();
  if (!tracker) return;
  tarsel::analytics::TzEventTask task;
  task.name = U(name);
  task.reason = U(reason);
  task.elapsed = static_cast<float>(elapsedSeconds);
  task.result = tarsel::analytics::kTzResultSuccess;
  TzContextProperties context;
  ApplyAbValue(context, tarsel::analytics::kTzEventTask, ab);
  tracker->trackTask(task, context);
}

void trackInstallerClick(const std::wstring& name, const AbMap& ab) {
  AnalyticsTracker* tracker = Tracker();
  if (!tracker) return;
  tarsel::analytics::TzEventClick click;
  click.name = U(name);
  click.clickType = tarsel::analytics::kTzClickButton;
  TzContextProperties context;
  ApplyAbValue(context, tarsel::analytics::kTzEventClick, ab);
  tracker->trackClick(click, context);
}

void trackInstallerView(const std::wstring& name, const AbMap& ab) {
  AnalyticsTracker* tracker = Tracker();
  if (!tracker) return;
  tarsel::analytics::TzEventView view;
  view.name = U(name);
  TzContextProperties context;
  ApplyAbValue(context, tarsel::analytics::kTzEventView, ab);
  tracker->trackView(view, context);
}

void trackInstallerCrash() {
  AnalyticsTracker* tracker = Tracker();
  if (!tracker) return;
  tracker->trackCrash("崩溃");
}
