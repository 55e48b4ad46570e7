// The event vocabulary: A/B values, enumeration texts, record validation and
// the properties each record produces.
#include <gtest/gtest.h>

#include <cmath>
#include <ctime>
#include <functional>

#include "analytics/tracker/event_properties.h"
#include "analytics/tracker/tz_types.h"
#include "tracker_test_support.h"

namespace ta = tarsel::analytics;
using trackertest::PropertiesJson;
using trackertest::RaisedMessage;

namespace {

TEST(AbValueTest, ChecksEachPosition) {
  EXPECT_FALSE(ta::TzContextProperties::isValidABValue(""));
  for (const char* ok : {"A", "AB", "A1", "Z9Z", "IN"}) EXPECT_TRUE(ta::TzContextProperties::isValidABValue(ok)) << ok;
  const std::pair<const char*, const char*> bad[] = {
      {"ABCD", "value's length is great than 3."},
      {"xy", "First char is not in A to Z"},
      {"1A", "First char is not in A to Z"},
      {"Ab", "second char is not in A to Z and 0 to 9"},
      {"A-", "second char is not in A to Z and 0 to 9"},
      {"AB_", "third char is not in A to Z and 0 to 9"},
  };
  for (const auto& [value, message] : bad) {
    EXPECT_EQ(RaisedMessage([&] { ta::TzContextProperties::isValidABValue(value); }), message) << value;
  }
}

TEST(ContextPropertiesTest, RegistersOnceAndReportsOverflowAfterEarlierEntries) {
  ta::TzContextProperties context;
  EXPECT_EQ(RaisedMessage([&] { context.setProperty({3, 20}, "AB"); }), "TzEvent[20] overflow!");
  ASSERT_EQ(context.getEventProperties(3).size(), 1u);
  EXPECT_EQ(context.getEventProperties(3)[0].key, "tzc_ab");
  EXPECT_EQ(context.getEventProperties(3)[0].kind, ta::kPropertyString);
  EXPECT_EQ(RaisedMessage([&] { context.setProperty({4}, "CD"); }), "Property[tzc_ab] already exist!");
  EXPECT_EQ(RaisedMessage([&] { context.getEventProperties(15); }), "TzEvent[15] overflow!");

  analytics_sdk::PropertiesNode set;
  set.SetString("tzc_ab", "old");
  EXPECT_TRUE(ta::applyContextProperties(3, set, context));
  EXPECT_EQ(PropertiesJson(set)["tzc_ab"].asString(), "AB");
  analytics_sdk::PropertiesNode empty;
  EXPECT_FALSE(ta::applyContextProperties(4, empty, context));
  EXPECT_TRUE(empty.Empty());
}

TEST(EnumerationTest, TextsAndOutOfRangeMessages) {
  EXPECT_EQ(ta::eventTypeName(1), "PaLaunchPal");
  EXPECT_EQ(ta::eventSendName(13), "AppCrashed");
  EXPECT_EQ(ta::toString(ta::TzIapType(4)), "NonRenewable");
  EXPECT_EQ(ta::toString(ta::TzCurrency(10)), "GBP");
  EXPECT_EQ(ta::toString(ta::TzUserType(9)), "tarseluserid");
  const std::pair<std::function<void()>, const char*> cases[] = {
      {[] { ta::eventTypeName(15); }, "Unknown Event [15]!"},
      {[] { ta::toString(ta::TzEdition(2)); }, "Unknown edition [2]!"},
      {[] { ta::toString(ta::TzUserType(12)); }, "Unknown user type [12]!"},
      {[] { ta::toString(ta::TzResult(4)); }, "Unknown task result [4]!"},
      {[] { ta::toString(ta::TzClickType(-1)); }, "Unknown ClickType [-1]!"},
      {[] { ta::toString(ta::TzIoType(2)); }, "the io type is invalid"},
      {[] { ta::toString(ta::TzCurrency(11)); }, "Unknown currency [11]!"},
      {[] { ta::toString(ta::TzPaidPlatform(10)); }, "Unknown paid platform [10]!"},
      {[] { ta::toString(ta::TzIapType(0)); }, "Unknown tzIapType [0]!"},
      {[] { ta::toString(ta::TzUpdateOp(5)); }, "Unknown TzUpdateOp [5]!"},
      {[] { ta::toString(ta::TzUpdateResult(6)); }, "Unknown TzUpdateResult [6]!"},
  };
  for (const auto& [call, message] : cases) EXPECT_EQ(RaisedMessage(call), message);
  try {
    ta::toString(ta::TzUserType(99));
  } catch (const ta::TzException& e) {
    EXPECT_EQ(e.function(), "userType");
    EXPECT_EQ(e.errorCode(), -1);
    EXPECT_EQ(e.subCode(), -1);
  }
}

TEST(RecordPropertiesTest, RequiredFieldsAreCheckedInOrder) {
  ta::TzEventOrder order;
  ta::TzEventPayment payment;
  payment.tzOrderId = "o1";
  ta::AppOpenNotification note;
  const std::pair<std::function<void()>, const char*> cases[] = {
      {[] { ta::buildClickProperties({}); }, "tzEventClick.name is empty"},
      {[] { ta::buildViewProperties({}); }, "tzEventView.name is empty"},
      {[] { ta::buildCashierProperties({}); }, "tzEventCashier.tz_cashier_name is empty"},
      {[] { ta::buildTaskProperties({}); }, "tzEventTask.name is empty"},
      {[] { ta::buildFileProperties({}); }, "tzEventFile.aname is empty"},
      {[&] { ta::buildOrderProperties(order); }, "tzEventOrder.tzSuitId is empty"},
      {[&] {
         auto o = order;
         o.tzSuitId = "s";
         ta::buildOrderProperties(o);
       },
       "tzEventOrder.tzCurrency is nullptr"},
      {[&] {
         auto o = order;
         o.tzSuitId = "s";
         o.tzCurrency = ta::kUSD;
         o.paidAmount = 5;
         ta::buildOrderProperties(o);
       },
       "tzEventOrder.originalAmount is less than zero"},
      {[] { ta::buildPaymentProperties({}); }, "tzEventPayment.tzOrderId is empty"},
      {[&] {
         auto p = payment;
         p.paidAmount = -1.5f;
         p.originalAmount = -2;
         ta::buildPaymentProperties(p);
       },
       "paidAmount = -1.500000 is invalid"},
      {[&] {
         auto p = payment;
         p.originalAmount = -0.25f;
         ta::buildPaymentProperties(p);
       },
       "originalAmount = -0.250000 is invalid"},
      {[&] {
         auto p = payment;
         p.result = ta::kTzResultCancelled;
         ta::buildPaymentProperties(p);
       },
       "tzEventPayment.result is invalid"},
      {[&] { ta::buildPaymentProperties(payment); }, "tzEventPayment.result is invalid"},
      // Required values left out are refused instead of read.
      {[&] {
         auto p = payment;
         p.result = ta::kTzResultSuccess;
         p.paidPlatform = ta::kPayPal;
         ta::buildPaymentProperties(p);
       },
       "tzEventPayment.currency is nullptr"},
      {[&] {
         auto p = payment;
         p.result = ta::kTzResultFail;
         p.currency = ta::kCNY;
         ta::buildPaymentProperties(p);
       },
       "tzEventPayment.paidPlatform is nullptr"},
      {[] {
         ta::buildUpdateProperties({ta::kDownloadEnd, std::nullopt, 1.0f});
       },
       "Unknown updateResultInfo info"},
      {[] {
         ta::buildUpdateProperties({ta::kDownloadEnd, ta::kUpdateSuccess, std::nullopt});
       },
       "invalid elapsed info"},
      {[] {
         ta::buildUpdateProperties({ta::TzUpdateOp(7), std::nullopt, std::nullopt});
       },
       "Unknown TzUpdateOp [7]!"},
      {[] { ta::buildAppOpenNotificationProperties(nullptr); }, "&appOpenNotification is nullptr"},
      {[&] { ta::buildAppOpenNotificationProperties(&note); }, "planID is emptry"},
      {[&] {
         auto n = note;
         n.planID = "p";
         ta::buildAppOpenNotificationProperties(&n);
       },
       "planType is emptry"},
      {[&] {
         auto n = note;
         n.planID = "p";
         n.planType = "t";
         ta::buildAppOpenNotificationProperties(&n);
       },
       "msgTitle is emptry"},
  };
  for (const auto& [call, message] : cases) EXPECT_EQ(RaisedMessage(call), message);
}

TEST(RecordPropertiesTest, OptionalKeysAndResults) {
  ta::TzEventClick click;
  click.name = "btn";
  click.tabIndex = 0;
  Json::Value c = PropertiesJson(ta::buildClickProperties(click));
  EXPECT_EQ(c["tz_click_type"].asString(), "Others");
  EXPECT_EQ(c["tz_tab_index"].asInt(), 0);
  EXPECT_FALSE(c.isMember("tz_aname"));
  EXPECT_FALSE(c.isMember("tz_banner_index"));

  ta::TzEventTask task;
  task.name = "t";
  task.result = ta::kTzResultUnknown;
  task.elapsed = 12.5f;
  Json::Value t = PropertiesJson(ta::buildTaskProperties(task));
  EXPECT_FALSE(t.isMember("tz_task_result"));
  EXPECT_EQ(t["tz_task_elapsed"].asDouble(), 12.5);
  EXPECT_EQ(t["tz_task_name"].asString(), "t");

  ta::TzEventShare share;
  share.result = ta::kTzResultUnknown;
  EXPECT_EQ(PropertiesJson(ta::buildShareProperties(share))["tz_result"].asString(), "Unknown");

  ta::TzEventFile file;
  file.aname = "doc";
  file.size = 0;
  file.io = ta::kTzIoOutput;
  Json::Value f = PropertiesJson(ta::buildFileProperties(file));
  EXPECT_FALSE(f.isMember("tz_size"));
  EXPECT_EQ(f["tz_io"].asString(), "Output");
  EXPECT_EQ(f["tz_aname"].asString(), "doc");

  ta::TzEventPayment payment;
  payment.tzOrderId = "o";
  payment.currency = ta::kJPY;
  payment.paidPlatform = ta::kAlipay;
  payment.result = ta::kTzResultSuccess;
  payment.originalAmount = 0;
  Json::Value p = PropertiesJson(ta::buildPaymentProperties(payment));
  EXPECT_EQ(p["tz_original_amount"].asDouble(), 0.0);
  EXPECT_EQ(p["tz_currency"].asString(), "JPY");
  EXPECT_FALSE(p.isMember("tz_cur_paid_amount"));

  Json::Value check = PropertiesJson(ta::buildUpdateProperties({ta::kUpdateCheck, std::nullopt, std::nullopt}));
  EXPECT_EQ(check["tz_update_result"].asString(), "");

  ta::AppOpenNotification note;
  note.planID = "p\x01";  // sent unchanged: the core then refuses the control byte
  note.planType = "t";
  note.msgTitle = "title";
  Json::Value n = PropertiesJson(ta::buildAppOpenNotificationProperties(&note));
  EXPECT_EQ(n["$sf_plan_type"].asString(), "t");
  EXPECT_FALSE(n.isMember("$sf_plan_id"));
  EXPECT_EQ(n["$sf_msg_title"].asString(), "title");
}

TEST(RecordPropertiesTest, FirstTimeMarkerRules) {
  auto has = [](const analytics_sdk::PropertiesNode& set) {
    const auto* v = set.Find("$is_first_time");
    return v != nullptr && v->boolean();
  };
  ta::TzUserInfo user;
  EXPECT_FALSE(has(ta::buildLoginProperties(user, true, "")));
  user.userId = "u1";
  const auto login = ta::buildLoginProperties(user, false, "bad password");
  EXPECT_TRUE(has(login));
  EXPECT_EQ(PropertiesJson(login)["tz_login_id"].asString(), "u1");
  EXPECT_EQ(PropertiesJson(login)["tz_result"].asString(), "Fail");
  EXPECT_FALSE(has(ta::buildUninstallProperties("r")));
  EXPECT_FALSE(has(ta::buildCrashProperties("r")));
  EXPECT_FALSE(has(ta::buildUpdateProperties({ta::kDownloadEnd, ta::kUpdateSuccess, 1.0f})));
  EXPECT_TRUE(has(ta::buildUpdateProperties({ta::kUpgrateEnd, ta::kUpdateSuccess, 1.0f})));
  ta::TzEventView view;
  view.name = "v";
  EXPECT_TRUE(has(ta::buildViewProperties(view)));
}

TEST(TextTest, FormatDateTimeSwitchesToMillisecondsAt157789440000) {
  trackertest::ScopedEnv tz("TZ", "UTC");
  tzset();
  EXPECT_EQ(ta::formatDateTime(157789440000), "1975-01-01 06:24:00.000");
  EXPECT_EQ(ta::formatDateTime(157789440123), "1975-01-01 06:24:00.123");
  EXPECT_EQ(ta::formatDateTime(157789439999), "6970-02-23 15:59:59.000");
  EXPECT_EQ(ta::formatDateTime(0), "1970-01-01 00:00:00.000");
}

TEST(TextTest, EnsureUtf8KeepsUtf8AndConvertsTheSystemCharset) {
  trackertest::ScopedEnv all("LC_ALL", nullptr);
  trackertest::ScopedEnv ctype("LC_CTYPE", nullptr);
  trackertest::ScopedEnv lang("LANG", "zh_CN.GBK");
  EXPECT_EQ(ta::ensureUtf8(""), "");
  EXPECT_EQ(ta::ensureUtf8("plain ascii"), "plain ascii");
  EXPECT_EQ(ta::ensureUtf8("\xE4\xB8\xAD\xE6\x96\x87"), "\xE4\xB8\xAD\xE6\x96\x87");
  EXPECT_EQ(ta::ensureUtf8("\xD6\xD0"), "\xE4\xB8\xAD");
}

}  // namespace
