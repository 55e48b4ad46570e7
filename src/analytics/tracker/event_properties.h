// Validation of each record type and the property set it produces. Every
// function raises TzException for an invalid record (nothing is built).
#pragma once
#include <string>

#include "analytics/sdk/value_node.h"
#include "analytics/tracker/tz_types.h"

namespace tarsel {
namespace analytics {

using analytics_sdk::PropertiesNode;

PropertiesNode buildLoginProperties(const TzUserInfo& user, bool success, const std::string& reason);
PropertiesNode buildClickProperties(const TzEventClick& record);
PropertiesNode buildViewProperties(const TzEventView& record);
PropertiesNode buildCashierProperties(const TzEventCashier& record);
PropertiesNode buildShareProperties(const TzEventShare& record);
PropertiesNode buildTaskProperties(const TzEventTask& record);
PropertiesNode buildFileProperties(const TzEventFile& record);
PropertiesNode buildOrderProperties(const TzEventOrder& record);
PropertiesNode buildPaymentProperties(const TzEventPayment& record);
PropertiesNode buildUninstallProperties(const std::string& reason);
PropertiesNode buildCrashProperties(const std::string& reason);
PropertiesNode buildUpdateProperties(const TzEventUpdate& record);
PropertiesNode buildAppOpenNotificationProperties(const AppOpenNotification* record);

}  // namespace analytics
}  // namespace tarsel
