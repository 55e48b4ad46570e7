// Profile properties and the device facts.
#include <gtest/gtest.h>

#include <functional>

#include "analytics/sdk/messages.h"
#include "analytics/sdk/sdk.h"
#include "analytics/tracker/device_facts.h"
#include "analytics/tracker/native_user_tracker.h"
#include "tracker_test_support.h"

namespace ta = tarsel::analytics;
using analytics_sdk::Sdk;
using trackertest::RaisedMessage;

namespace {

class ProfileTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(Sdk::Init((dir_ / "staging").string(), "", "anon", false)); }
  void TearDown() override { Sdk::Shutdown(); }
  std::vector<Json::Value> Records() {
    std::vector<Json::Value> out;
    for (const auto& r : Sdk::QueuedRecords()) out.push_back(trackertest::ParseJson(r));
    return out;
  }
  testsupport::TempDir dir_;
};

TEST_F(ProfileTest, TableDecidesTheOperation) {
  ta::NativeUserTracker::ProfileUserPropertyNumber("tz_paid_count", int32_t{1});
  ta::NativeUserTracker::ProfileUserPropertyNumber("tz_consumption", 9.5);
  ta::NativeUserTracker::ProfileUserPropertyString("tz_os", "Linux");
  ta::NativeUserTracker::ProfileUserPropertyString("$ios_install_source", "x");
  ta::NativeUserTracker::ProfileUserPropertyDateTime("tz_last_visit_date", 1700000000123);
  ta::NativeUserTracker::ProfileUserPropertyDateTime("$first_visit_time", 1700000000);
  const auto records = Records();
  ASSERT_EQ(records.size(), 6u);
  const std::pair<const char*, const char*> expected[] = {
      {"profile_increment", "tz_paid_count"},
      {"profile_increment", "tz_consumption"},
      {"profile_set", "tz_os"},
      {"profile_set_once", "$ios_install_source"},
      {"profile_set", "tz_last_visit_date"},
      {"profile_set_once", "$first_visit_time"},
  };
  for (size_t i = 0; i < records.size(); ++i) {
    EXPECT_EQ(records[i]["type"].asString(), expected[i].first) << i;
    EXPECT_EQ(records[i]["properties"].getMemberNames(), std::vector<std::string>{expected[i].second}) << i;
    EXPECT_FALSE(records[i].isMember("event"));
  }
  EXPECT_EQ(records[0]["properties"]["tz_paid_count"].asInt(), 1);
  EXPECT_EQ(records[1]["properties"]["tz_consumption"].asDouble(), 9.5);
  // Milliseconds and seconds are both read as date-times.
  EXPECT_EQ(records[4]["properties"]["tz_last_visit_date"].asString().substr(19), ".123");
  EXPECT_EQ(records[5]["properties"]["$first_visit_time"].asString().substr(19), ".000");
}

TEST_F(ProfileTest, RejectionsNameTheKey) {
  const std::pair<std::function<void()>, const char*> cases[] = {
      {[] { ta::NativeUserTracker::ProfileUserPropertyString("tz_visit_count", "x"); },
       "user property [tz_visit_count] is string type value, it cannot be accumulated!"},
      {[] { ta::NativeUserTracker::ProfileUserPropertyString("nickname", "x"); },
       "Not supported user property [nickname]!"},
      {[] { ta::NativeUserTracker::ProfileUserPropertyNumber("nickname", 1.0); },
       "Not supported user property [nickname]!"},
  };
  for (const auto& [call, message] : cases) EXPECT_EQ(RaisedMessage(call), message);
  EXPECT_NE(RaisedMessage([] { ta::NativeUserTracker::ProfileUserPropertyDateTime("tz_paid_count", 1); }), "");
  EXPECT_TRUE(Records().empty());
}

TEST(DeviceFactsTest, UserAgentAndIds) {
  EXPECT_EQ(ta::formatUserAgent("Windows", "10", true), "Mozilla/5.0(Windows 10; Win64;)");
  EXPECT_EQ(ta::formatUserAgent("Linux", "6.1.0", false), "Mozilla/5.0(Linux 6.1.0; Win32;)");
  std::string name, version;
  ta::getOsNameAndVersion(name, version);
  EXPECT_EQ(name, "Linux");
  EXPECT_EQ(ta::getUserAgent(), ta::formatUserAgent(name, version, ta::isWow64System()));
  const std::string a = ta::newDistinctId(), b = ta::newDistinctId();
  EXPECT_NE(a, b);
  ASSERT_EQ(a.size(), 36u);
  for (size_t i = 0; i < a.size(); ++i) {
    if (i == 8 || i == 13 || i == 18 || i == 23) {
      EXPECT_EQ(a[i], '-');
    } else {
      EXPECT_TRUE((a[i] >= '0' && a[i] <= '9') || (a[i] >= 'A' && a[i] <= 'F')) << a;
    }
  }
}

TEST(DeviceFactsTest, LocaleFromTheEnvironment) {
  struct Case {
    const char* lcAll;
    const char* lcMessages;
    const char* lang;
    bool ok;
    const char* locale;
  } cases[] = {
      {nullptr, nullptr, "es_MX.UTF-8", true, "es_MX"}, {"de_DE@euro", nullptr, "es_MX.UTF-8", true, "de_DE"},
      {nullptr, "zh_CN.GBK", "en_US", true, "zh_CN"},   {nullptr, nullptr, "C", false, ""},
      {nullptr, nullptr, nullptr, false, ""},
  };
  for (const auto& c : cases) {
    trackertest::ScopedEnv all("LC_ALL", c.lcAll), messages("LC_MESSAGES", c.lcMessages), lang("LANG", c.lang);
    std::string language = "keep", country = "keep", locale = "keep";
    EXPECT_EQ(ta::getSystemLocale(language, country, locale), c.ok) << c.locale;
    EXPECT_EQ(locale, c.ok ? c.locale : "keep");
    if (c.ok) {
      EXPECT_EQ(language + "_" + country, c.locale);
    }
  }
  std::string language, country;
  EXPECT_FALSE(ta::splitLocale("english", language, country));
  EXPECT_TRUE(ta::splitLocale("zh_CN_x", language, country));
  EXPECT_EQ(language, "zh");
  EXPECT_EQ(country, "CN_x");
}

TEST(DeviceFactsTest, BaseFolderOrder) {
  trackertest::ScopedEnv home("HOME", "/home/someone");
  {
    trackertest::ScopedEnv local("LOCALAPPDATA", "/data/local"), xdg("XDG_DATA_HOME", "/data/xdg");
    EXPECT_EQ(ta::getBaseFolder(), "/data/local");
  }
  {
    trackertest::ScopedEnv local("LOCALAPPDATA", nullptr), xdg("XDG_DATA_HOME", "/data/xdg");
    EXPECT_EQ(ta::getBaseFolder(), "/data/xdg");
  }
  trackertest::ScopedEnv local("LOCALAPPDATA", nullptr), xdg("XDG_DATA_HOME", nullptr);
  EXPECT_EQ(ta::getBaseFolder(), "/home/someone/.local/share");
}

}  // namespace
