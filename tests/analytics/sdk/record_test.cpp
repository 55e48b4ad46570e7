// Record assembly: the record text, value forms and the validation rules.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <thread>

#include "analytics/sdk/bounded_mutex.h"
#include "analytics/sdk/sdk.h"
#include "analytics/sdk/utf8_check.h"
#include "sdk_test_support.h"
#include "support/temp_dir.h"

using analytics_sdk::PropertiesNode;
using analytics_sdk::Sdk;

namespace {

class RecordTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sdktest::UseUtc();
    ASSERT_TRUE(Sdk::Init((dir_ / "staging.txt").string(), "", "anon-1", false));
  }
  void TearDown() override { Sdk::Shutdown(); }

  // The only queued record (fails the test when there is not exactly one).
  std::string OnlyRecord() {
    auto records = Sdk::QueuedRecords();
    EXPECT_EQ(records.size(), 1u);
    return records.empty() ? std::string() : records.back();
  }
  Json::Value OnlyRecordJson() { return sdktest::ParseJson(OnlyRecord()); }

  testsupport::TempDir dir_;
  sdktest::ErrorCapture errors_;
};

TEST_F(RecordTest, TrackRecordHasFixedMemberOrderAndLibObject) {
  PropertiesNode props;
  props.SetString("b_key", "x");
  props.SetString("a_key", "y");
  ASSERT_TRUE(Sdk::Track("TzEventClick", props));
  const std::string text = OnlyRecord();
  // '#' stands for a run of digits.
  const std::string shape = R"({"_track_id":#,"distinct_id":"anon-1","event":"TzEventClick",)"
                            R"("lib":{"$lib":"cpp","$lib_method":"code","$lib_version":"0.9"},)"
                            R"("properties":{"$lib":"cpp","$lib_version":"0.9","a_key":"y","b_key":"x"},)"
                            R"("time":#,"type":"track"})";
  EXPECT_TRUE(sdktest::MatchesWithDigits(text, shape)) << text;
}

TEST_F(RecordTest, ValueFormsAsWrittenInRecords) {
  struct Case {
    const char* key;
    std::function<void(PropertiesNode&, const char*)> set;
    const char* text;
  } cases[] = {
      {"n1", [](PropertiesNode& p, const char* k) { p.SetNumber(k, 0.1); }, R"("n1":0.1)"},
      {"n2", [](PropertiesNode& p, const char* k) { p.SetNumber(k, 1234567.0); }, R"("n2":1.23457e+06)"},
      {"n3", [](PropertiesNode& p, const char* k) { p.SetNumber(k, 12.5); }, R"("n3":12.5)"},
      {"n4", [](PropertiesNode& p, const char* k) { p.SetNumber(k, 0.00001); }, R"("n4":1e-05)"},
      {"n5", [](PropertiesNode& p, const char* k) { p.SetNumber(k, std::nan("")); }, R"("n5":null)"},
      {"i1", [](PropertiesNode& p, const char* k) { p.SetInteger(k, int32_t{1234567}); }, R"("i1":1234567)"},
      {"i2", [](PropertiesNode& p, const char* k) { p.SetInteger(k, int64_t{-9000000000}); }, R"("i2":-9000000000)"},
      {"s1", [](PropertiesNode& p, const char* k) { p.SetString(k, "a\tb\"c"); }, R"("s1":"a\tb\"c")"},
      {"s2", [](PropertiesNode& p, const char* k) { p.SetString(k, "back\\slash\r\n"); }, R"("s2":"back\\slash\r\n")"},
      {"s3", [](PropertiesNode& p, const char* k) { p.SetString(k, "\xE4\xB8\xAD"); }, "\"s3\":\"\xE4\xB8\xAD\""},
      {"b1", [](PropertiesNode& p, const char* k) { p.SetBoolean(k, false); }, R"("b1":false)"},
      {"l1",
       [](PropertiesNode& p, const char* k) {
         p.SetList(k, {"x", "y\"z"});
       },
       R"("l1":["x","y\"z"])"},
      {"d1", [](PropertiesNode& p, const char* k) { p.SetDateTime(k, 157789440, 7); },
       R"("d1":"1975-01-01 06:24:00.007")"},
  };
  PropertiesNode props;
  for (auto& c : cases) c.set(props, c.key);
  ASSERT_TRUE(Sdk::Track("Ev", props));
  const std::string text = OnlyRecord();
  for (auto& c : cases) EXPECT_NE(text.find(c.text), std::string::npos) << c.key << " in " << text;
  // The whole record stays valid JSON.
  EXPECT_TRUE(sdktest::ParseJson(text).isObject());
}

TEST_F(RecordTest, ProfileRecordCarriesNoSuperPropertiesAndNoEvent) {
  PropertiesNode super;
  super.SetString("tz_app_id", "App");
  Sdk::RegisterSuperProperties(super);
  ASSERT_TRUE(Sdk::ProfileIncrement("tz_paid_count", 1));
  const Json::Value record = OnlyRecordJson();
  EXPECT_EQ(record["type"].asString(), "profile_increment");
  EXPECT_FALSE(record.isMember("event"));
  EXPECT_EQ(record["properties"].getMemberNames(), std::vector<std::string>{"tz_paid_count"});
  EXPECT_EQ(record["properties"]["tz_paid_count"].asInt(), 1);
}

TEST_F(RecordTest, SuperPropertiesMergeUnderTheCallersKeys) {
  PropertiesNode super;
  super.SetString("shared", "super");
  super.SetString("only_super", "s");
  Sdk::RegisterSuperProperties(super);
  PropertiesNode props;
  props.SetString("shared", "caller");
  ASSERT_TRUE(Sdk::Track("Ev", props));
  const Json::Value p = OnlyRecordJson()["properties"];
  EXPECT_EQ(p["shared"].asString(), "caller");
  EXPECT_EQ(p["only_super"].asString(), "s");
  Sdk::ClearSuperProperties();
  EXPECT_EQ(Sdk::SuperProperties().ToJson(), R"({"$lib":"cpp","$lib_version":"0.9"})");
}

TEST_F(RecordTest, TimeAndProjectProperties) {
  PropertiesNode props;
  props.SetDateTime("$time", 1700000000, 250);
  props.SetString("$project", "demo");
  ASSERT_TRUE(Sdk::Track("Ev", props));
  const Json::Value record = OnlyRecordJson();
  EXPECT_EQ(record["time"].asInt64(), 1700000000250);
  EXPECT_EQ(record["project"].asString(), "demo");
  EXPECT_FALSE(record["properties"].isMember("$time"));
  EXPECT_FALSE(record["properties"].isMember("$project"));
}

TEST_F(RecordTest, WrongKindsOfTimeAndProjectFailTheEvent) {
  PropertiesNode badTime;
  badTime.SetString("$time", "2024-01-01");
  EXPECT_FALSE(Sdk::Track("Ev", badTime));
  EXPECT_TRUE(errors_.Contains("The property '$time' should be DateTime type."));
  PropertiesNode badProject;
  badProject.SetInteger("$project", int32_t{3});
  EXPECT_FALSE(Sdk::Track("Ev", badProject));
  EXPECT_TRUE(errors_.Contains("The property '$project' should be String type."));
  EXPECT_TRUE(Sdk::QueuedRecords().empty());
}

TEST_F(RecordTest, PropertyKeyAndEventNameChecks) {
  struct Case {
    std::string key;
    bool ok;
    const char* message;
  } cases[] = {
      {std::string(100, 'k'), true, ""},
      {std::string(101, 'k'), false, "The Property Key is empty or too long, max length is 100"},
      {"1abc", false, "The Property Key need to be a valid variable name."},
      {"ab-c", false, "The Property Key need to be a valid variable name."},
      {"$_a9", true, ""},
  };
  for (const auto& c : cases) {
    sdktest::ErrorCapture errors;
    PropertiesNode props;
    props.SetString(c.key, "v");
    EXPECT_EQ(Sdk::Track("Ev", props), c.ok) << c.key;
    if (!c.ok) {
      EXPECT_TRUE(errors.Contains(c.message)) << errors.Text();
    }
  }
  EXPECT_EQ(Sdk::QueuedRecords().size(), 2u);
  sdktest::ErrorCapture errors;
  EXPECT_FALSE(Sdk::Track("Bad Name"));
  EXPECT_TRUE(errors.Contains("The Event Name need to be a valid variable name."));
}

TEST_F(RecordTest, StringSetterRefusesLongAndInvalidValuesButTheEventGoesOn) {
  PropertiesNode props;
  EXPECT_TRUE(props.SetString("ok", std::string(8192, 'a')));
  EXPECT_FALSE(props.SetString("long", std::string(8193, 'a')));
  EXPECT_TRUE(errors_.Contains("String property 'long' is too long, value: aaaa"));
  EXPECT_FALSE(props.SetString("bad", "\xC3\x28"));
  EXPECT_TRUE(errors_.Contains("String property 'bad' is not valid UTF-8 string, value: \xC3\x28\n"));
  ASSERT_TRUE(Sdk::Track("Ev", props));
  const Json::Value p = OnlyRecordJson()["properties"];
  EXPECT_TRUE(p.isMember("ok"));
  EXPECT_FALSE(p.isMember("long"));
  EXPECT_FALSE(p.isMember("bad"));
}

TEST(Utf8CheckTest, AcceptsExactlyTheStrictForms) {
  struct Case {
    const char* bytes;
    bool ok;
  } cases[] = {
      {"", true},
      {"plain\ttext\r\n", true},
      {"\xE4\xB8\xAD\xE6\x96\x87", true},  // two CJK characters
      {"\xF0\x9F\x98\x80", true},          // U+1F600
      {"\xF4\x8F\xBF\xBF", true},          // U+10FFFF
      {"\x01", false},                     // control byte
      {"\x7F", false},                     // DEL
      {"\xC0\xAF", false},                 // overlong
      {"\xE0\x80\xAF", false},             // overlong
      {"\xED\xA0\x80", false},             // surrogate
      {"\xF4\x90\x80\x80", false},         // above U+10FFFF
      {"\xE4\xB8", false},                 // truncated
      {"\xD6\xD0", false},                 // GBK bytes
  };
  for (const auto& c : cases) EXPECT_EQ(analytics_sdk::IsValidUtf8(c.bytes), c.ok) << c.bytes;
}

TEST_F(RecordTest, LoginSwitchesTheIdentityAndMarksLaterRecords) {
  ASSERT_TRUE(Sdk::Login("user-7"));
  ASSERT_TRUE(Sdk::Track("Ev"));
  auto records = Sdk::QueuedRecords();
  ASSERT_EQ(records.size(), 2u);
  const Json::Value signup = sdktest::ParseJson(records[0]);
  EXPECT_EQ(signup["type"].asString(), "track_signup");
  EXPECT_EQ(signup["event"].asString(), "$SignUp");
  EXPECT_EQ(signup["distinct_id"].asString(), "user-7");
  EXPECT_EQ(signup["original_id"].asString(), "anon-1");
  EXPECT_FALSE(signup["properties"].isMember("$is_login_id"));
  const Json::Value after = sdktest::ParseJson(records[1]);
  EXPECT_EQ(after["distinct_id"].asString(), "user-7");
  EXPECT_TRUE(after["properties"]["$is_login_id"].asBool());
  EXPECT_EQ(Sdk::DistinctId(), "user-7");
  EXPECT_TRUE(Sdk::IsLoginId());
}

TEST(SdkInitTest, DistinctIdLengthLimits) {
  testsupport::TempDir dir;
  const std::string staging = (dir / "s.txt").string();
  {
    sdktest::ErrorCapture errors;
    EXPECT_FALSE(Sdk::Init(staging, "", std::string(256, 'd'), false));
    EXPECT_TRUE(errors.Contains("The Distinct ID is too long, max length is 255."));
    EXPECT_FALSE(Sdk::IsInitialized());
    EXPECT_FALSE(Sdk::Init(staging, "", "", false));
    EXPECT_TRUE(errors.Contains("The Distinct ID is empty."));
  }
  EXPECT_TRUE(Sdk::Init(staging, "", std::string(255, 'd'), false));
  // A second Init keeps the first instance.
  EXPECT_TRUE(Sdk::Init(staging, "", "other", false));
  EXPECT_EQ(Sdk::DistinctId(), std::string(255, 'd'));
  Sdk::Shutdown();
  // Without an instance every operation does nothing.
  EXPECT_FALSE(Sdk::Track("Ev"));
  EXPECT_FALSE(Sdk::Flush());
  EXPECT_TRUE(Sdk::QueuedRecords().empty());
}

TEST(TrackIdTest, AtMostNineDigitsEndingInTheTime) {
  for (int i = 0; i < 200; ++i) {
    const int64_t id = analytics_sdk::MakeTrackId(1700000001234);
    EXPECT_GE(id, 0);
    EXPECT_LT(id, 1000000000);
    EXPECT_EQ(id % 10000, 1234);
  }
}

TEST(BoundedMutexTest, OwnerReentryFailsAtOnceAndOthersGiveUpAfterTheWait) {
  analytics_sdk::BoundedMutex mutex;
  analytics_sdk::BoundedLock held(mutex, std::chrono::milliseconds(0));
  ASSERT_TRUE(held.owns());
  // The owning thread (a crash handler running on the crashed thread) must not wait at all.
  analytics_sdk::BoundedLock again(mutex, std::chrono::hours(1));
  EXPECT_FALSE(again.owns());
  bool otherOwned = true;
  std::thread other([&] {
    analytics_sdk::BoundedLock attempt(mutex, std::chrono::milliseconds(20));
    otherOwned = attempt.owns();
  });
  other.join();
  EXPECT_FALSE(otherOwned);
  held.unlock();
  analytics_sdk::BoundedLock after(mutex, std::chrono::milliseconds(0));
  EXPECT_TRUE(after.owns());
}

}  // namespace
