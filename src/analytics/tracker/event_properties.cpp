#include "analytics/tracker/event_properties.h"

namespace tarsel {
namespace analytics {

namespace {

constexpr char kFile[] = "AnalyticsTrackerImpl";

[[noreturn]] void Reject(const std::string& message, const char* function, int line) {
  throw TzException(message, kFile, function, line);
}

// An optional text: its key only when non-empty; converted to UTF-8.
void Text(PropertiesNode& set, const char* key, const std::string& value) {
  if (!value.empty()) set.SetString(key, ensureUtf8(value));
}
// The same, sent as it is.
void RawText(PropertiesNode& set, const char* key, const std::string& value) {
  if (!value.empty()) set.SetString(key, value);
}
void FirstTime(PropertiesNode& set) { set.SetBoolean("$is_first_time", true); }

bool IsSettledResult(TzResult result) { return result >= kTzResultSuccess && result <= kTzResultFail; }

}  // namespace

PropertiesNode buildLoginProperties(const TzUserInfo& user, bool success, const std::string& reason) {
  PropertiesNode set;
  if (!user.userId.empty()) {
    set.SetString("tz_user_id", user.userId);
    set.SetString("tz_login_id", user.userId);
    FirstTime(set);
  }
  set.SetString("tz_type", toString(user.userType));
  set.SetString("tz_result", success ? "Success" : "Fail");
  Text(set, "tz_reason", reason);
  return set;
}

PropertiesNode buildClickProperties(const TzEventClick& r) {
  if (r.name.empty()) Reject("tzEventClick.name is empty", "trackClick", __LINE__);
  PropertiesNode set;
  Text(set, "tz_aname", r.aname);
  Text(set, "tz_name", r.name);
  set.SetString("tz_click_type", toString(r.clickType));
  Text(set, "tz_title", r.title);
  Text(set, "tz_module", r.module);
  Text(set, "tz_position", r.position);
  if (r.tabIndex) set.SetInteger("tz_tab_index", *r.tabIndex);
  Text(set, "tz_tab_name", r.tabName);
  if (r.bannerIndex) set.SetInteger("tz_banner_index", *r.bannerIndex);
  Text(set, "tz_banner_name", r.bannerName);
  FirstTime(set);
  return set;
}

PropertiesNode buildViewProperties(const TzEventView& r) {
  if (r.name.empty()) Reject("tzEventView.name is empty", "trackView", __LINE__);
  PropertiesNode set;
  Text(set, "tz_aname", r.aname);
  Text(set, "tz_name", r.name);
  Text(set, "tz_title", r.title);
  Text(set, "tz_position", r.position);
  FirstTime(set);
  return set;
}

PropertiesNode buildCashierProperties(const TzEventCashier& r) {
  if (r.cashierName.empty()) Reject("tzEventCashier.tz_cashier_name is empty", "trackCashier", __LINE__);
  PropertiesNode set;
  Text(set, "tz_cashier_name", r.cashierName);
  Text(set, "tz_cashier_title", r.cashierTitle);
  Text(set, "tz_subitem", r.subitem);
  FirstTime(set);
  return set;
}

PropertiesNode buildShareProperties(const TzEventShare& r) {
  PropertiesNode set;
  Text(set, "tz_aname", r.aname);
  Text(set, "tz_channel", r.channel);
  Text(set, "tz_position", r.position);
  Text(set, "tz_shared_name", r.sharedName);
  if (r.result) set.SetString("tz_result", toString(*r.result));
  FirstTime(set);
  return set;
}

PropertiesNode buildTaskProperties(const TzEventTask& r) {
  if (r.name.empty()) Reject("tzEventTask.name is empty", "trackTask", __LINE__);
  PropertiesNode set;
  Text(set, "tz_aname", r.aname);
  Text(set, "tz_task_name", r.name);
  Text(set, "tz_reason", r.reason);
  if (r.elapsed) set.SetNumber("tz_task_elapsed", static_cast<double>(*r.elapsed));
  if (r.result && IsSettledResult(*r.result)) set.SetString("tz_task_result", toString(*r.result));
  FirstTime(set);
  return set;
}

PropertiesNode buildFileProperties(const TzEventFile& r) {
  if (r.aname.empty()) Reject("tzEventFile.aname is empty", "trackFile", __LINE__);
  PropertiesNode set;
  Text(set, "tz_aname", r.aname);
  Text(set, "tz_name", r.name);
  if (r.io) set.SetString("tz_io", toString(*r.io));
  Text(set, "tz_ext", r.ext);
  if (r.size && *r.size > 0) set.SetNumber("tz_size", static_cast<double>(*r.size));
  if (r.duration) set.SetInteger("tz_duration", *r.duration);
  if (r.fps) set.SetNumber("tz_fps", static_cast<double>(*r.fps));
  if (r.bps) set.SetNumber("tz_bps", static_cast<double>(*r.bps));
  if (r.width) set.SetInteger("tz_width", *r.width);
  if (r.height) set.SetInteger("tz_height", *r.height);
  if (r.depth) set.SetInteger("tz_depth", *r.depth);
  if (r.result && IsSettledResult(*r.result)) set.SetString("tz_result", toString(*r.result));
  FirstTime(set);
  return set;
}

PropertiesNode buildOrderProperties(const TzEventOrder& r) {
  if (r.tzSuitId.empty()) Reject("tzEventOrder.tzSuitId is empty", "trackOrder", __LINE__);
  if (!r.tzCurrency) Reject("tzEventOrder.tzCurrency is nullptr", "trackOrder", __LINE__);
  if (!(r.originalAmount > 0)) Reject("tzEventOrder.originalAmount is less than zero", "trackOrder", __LINE__);
  if (!(r.paidAmount > 0)) Reject("tzEventOrder.paidAmount is less than zero", "trackOrder", __LINE__);
  PropertiesNode set;
  Text(set, "tz_order_id", r.orderId);
  Text(set, "tz_subitem", r.subitem);
  Text(set, "tz_sku", r.sku);
  Text(set, "tz_suit_id", r.tzSuitId);
  set.SetString("tz_currency", toString(*r.tzCurrency));
  set.SetNumber("tz_original_amount", static_cast<double>(r.originalAmount));
  Text(set, "tz_voucher_id", r.voucherId);
  set.SetNumber("tz_paid_amount", static_cast<double>(r.paidAmount));
  Text(set, "tz_cashier_name", r.cashierName);
  Text(set, "tz_cashier_title", r.cashierTitle);
  if (r.campaignCode) set.SetInteger("tz_campaign_code", *r.campaignCode);
  if (r.curOriginalAmount > 0) set.SetNumber("tz_cur_original_amount", static_cast<double>(r.curOriginalAmount));
  if (r.curPaidAmount > 0) set.SetNumber("tz_cur_paid_amount", static_cast<double>(r.curPaidAmount));
  FirstTime(set);
  return set;
}

PropertiesNode buildPaymentProperties(const TzEventPayment& r) {
  if (r.tzOrderId.empty()) Reject("tzEventPayment.tzOrderId is empty", "trackPayment", __LINE__);
  // "Not negative" also refuses not-a-number.
  if (!(r.paidAmount >= 0))
    Reject("paidAmount = " + std::to_string(r.paidAmount) + " is invalid", "trackPayment", __LINE__);
  if (!(r.originalAmount >= 0)) {
    Reject("originalAmount = " + std::to_string(r.originalAmount) + " is invalid", "trackPayment", __LINE__);
  }
  if (!r.result || (*r.result != kTzResultSuccess && *r.result != kTzResultFail)) {
    Reject("tzEventPayment.result is invalid", "trackPayment", __LINE__);
  }
  // Required values that a caller may leave out are refused, never read.
  if (!r.currency) Reject("tzEventPayment.currency is nullptr", "trackPayment", __LINE__);
  if (!r.paidPlatform) Reject("tzEventPayment.paidPlatform is nullptr", "trackPayment", __LINE__);
  PropertiesNode set;
  Text(set, "tz_order_id", r.tzOrderId);
  Text(set, "tz_subitem", r.subitem);
  Text(set, "tz_sku", r.sku);
  set.SetString("tz_currency", toString(*r.currency));
  set.SetNumber("tz_original_amount", static_cast<double>(r.originalAmount));
  if (r.campaignCode) set.SetInteger("tz_campaign_code", *r.campaignCode);
  Text(set, "tz_voucher_id", r.voucherId);
  Text(set, "tz_used_voucher_id", r.usedVoucherId);
  set.SetNumber("tz_paid_amount", static_cast<double>(r.paidAmount));
  Text(set, "tz_suit_id", r.suitId);
  Text(set, "tz_cashier_name", r.cashierName);
  Text(set, "tz_cashier_title", r.cashierTitle);
  set.SetString("tz_paid_platform", toString(*r.paidPlatform));
  set.SetString("tz_result", toString(*r.result));
  if (r.iapType) set.SetString("tz_iap_type", toString(*r.iapType));
  if (r.curOriginalAmount > 0) set.SetNumber("tz_cur_original_amount", static_cast<double>(r.curOriginalAmount));
  if (r.curPaidAmount > 0) set.SetNumber("tz_cur_paid_amount", static_cast<double>(r.curPaidAmount));
  FirstTime(set);
  return set;
}

PropertiesNode buildUninstallProperties(const std::string& reason) {
  PropertiesNode set;
  Text(set, "tz_uninstall_reason", reason);
  return set;
}

PropertiesNode buildCrashProperties(const std::string& reason) {
  PropertiesNode set;
  Text(set, "app_crashed_reason", reason);
  return set;
}

PropertiesNode buildUpdateProperties(const TzEventUpdate& r) {
  PropertiesNode set;
  set.SetString("tz_update_op", toString(r.op));
  switch (r.op) {
    case kUpdateCheck:
      set.SetString("tz_update_result", r.result ? toString(*r.result) : std::string());
      break;
    case kDownloadStart:
    case kUpgrateStart:
      break;
    case kDownloadEnd:
    case kUpgrateEnd:
      if (!r.result) Reject("Unknown updateResultInfo info", "trackUpdate", __LINE__);
      set.SetString("tz_update_result", toString(*r.result));
      if (r.op == kUpgrateEnd) FirstTime(set);
      if (!r.elapsed) Reject("invalid elapsed info", "trackUpdate", __LINE__);
      set.SetNumber("tz_elapsed", static_cast<double>(*r.elapsed));
      break;
  }
  return set;
}

PropertiesNode buildAppOpenNotificationProperties(const AppOpenNotification* r) {
  if (!r) Reject("&appOpenNotification is nullptr", "trackAppOpenNotification", __LINE__);
  if (r->planID.empty()) Reject("planID is emptry", "trackAppOpenNotification", __LINE__);
  if (r->planType.empty()) Reject("planType is emptry", "trackAppOpenNotification", __LINE__);
  if (r->msgTitle.empty()) Reject("msgTitle is emptry", "trackAppOpenNotification", __LINE__);
  PropertiesNode set;
  Text(set, "$sf_msg_title", r->msgTitle);
  Text(set, "$sf_msg_content", r->msgContent);
  RawText(set, "$sf_link_url", r->linkUrl);
  RawText(set, "$sf_plan_id", r->planID);
  RawText(set, "$sf_audience_id", r->audienceId);
  RawText(set, "$sf_plan_strategy_id", r->planStrategyId);
  RawText(set, "$sf_plan_type", r->planType);
  RawText(set, "$sf_strategy_unit_id", r->strategyUnitId);
  FirstTime(set);
  return set;
}

}  // namespace analytics
}  // namespace tarsel
