#include "analytics/tracker/installer_analytics.h"

// No tracker exists yet: starting and stopping create and release nothing, and
// every recording entry point drops its event.
void StartInstallerAnalytics() {}
void StopInstallerAnalytics() {}
void trackInstallerTask(const std::wstring&, double, const std::wstring&, const AbMap&) {}
void trackInstallerClick(const std::wstring&, const AbMap&) {}
void trackInstallerView(const std::wstring&, const AbMap&) {}
void trackInstallerCrash() {}
