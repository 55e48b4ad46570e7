// The tracker facade: identity settings, flush policy, shutdown and the wrapper.
#include <gtest/gtest.h>

#include <future>
#include <thread>

#include "analytics/sdk/bounded_mutex.h"
#include "analytics/sdk/http_sender.h"
#include "analytics/sdk/sdk.h"
#include "analytics/tracker/analytics_tracker_impl.h"
#include "analytics/tracker/analytics_tracker_wrapper.h"
#include "analytics/tracker/device_facts.h"
#include "platform/ini.h"
#include "platform/utf.h"
#include "support/log_capture.h"
#include "tracker_test_support.h"

namespace ta = tarsel::analytics;
using analytics_sdk::Sdk;

namespace {

constexpr char kApp[] = "TestApp";

ta::AnalyticsTrackerConfig Config(const std::string& url) {
  ta::AnalyticsTrackerConfig config;
  config.appName = kApp;
  config.appVersion = "1.7.9";
  config.appStore = "setup_abc.exe";
  config.dlAppId = "Mirelo Studio";
  config.serverUrl = url;
  return config;
}

std::string Setting(const std::string& path, const wchar_t* section, const wchar_t* key) {
  return platform::WideToUtf8(platform::ReadProfileString(section, key, L"<missing>", platform::Utf8ToWide(path)));
}

void WriteSettings(const std::string& path, const std::vector<std::pair<const wchar_t*, std::string>>& values) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  for (const auto& [key, value] : values)
    platform::WriteProfileString(L"Base", key, platform::Utf8ToWide(value), platform::Utf8ToWide(path));
}

class FacadeTest : public ::testing::Test {
 protected:
  void SetUp() override { noUrl_ = std::make_unique<trackertest::ScopedEnv>("MIRELO_ANALYTICS_URL", nullptr); }
  std::string SettingsPath() const { return home_->DataDir(kApp) + kApp + "_TZSConfigure.ini"; }
  std::unique_ptr<trackertest::ScopedEnv> noUrl_;
  std::unique_ptr<trackertest::TrackerHome> home_ = std::make_unique<trackertest::TrackerHome>();
};

TEST_F(FacadeTest, RequiredNamesAreCheckedBeforeAnyFile) {
  const std::pair<std::function<void(ta::AnalyticsTrackerConfig&)>, const char*> cases[] = {
      {[](auto& c) { c.appName.clear(); }, "appName is empty"},
      {[](auto& c) { c.appVersion.clear(); }, "appVersion is empty"},
      {[](auto& c) { c.appStore.clear(); }, "appStore is empty"},
  };
  for (const auto& [change, message] : cases) {
    auto config = Config(home_->url());
    change(config);
    ta::AnalyticsTrackerImpl tracker(config);
    EXPECT_EQ(trackertest::RaisedMessage([&] { tracker.init(); }), message);
    EXPECT_EQ(tracker.getTrackLogger(), nullptr);
  }
  EXPECT_FALSE(std::filesystem::exists(home_->dir() / "appdata"));
  EXPECT_FALSE(Sdk::IsInitialized());
}

TEST_F(FacadeTest, FirstRunCreatesTheSettingsFileAndLog) {
  {
    ta::AnalyticsTrackerImpl tracker(Config(""));
    tracker.init();
    EXPECT_EQ(tracker.settingsPath(), SettingsPath());
    EXPECT_EQ(tracker.getPrimaryDistinctId(), "");
    ASSERT_NE(tracker.getTrackLogger(), nullptr);
    EXPECT_TRUE(tracker.getTrackLogger()->isOpen());
  }
  const std::string path = SettingsPath();
  EXPECT_EQ(Setting(path, L"Base", L"DistinctId").size(), 36u);
  EXPECT_EQ(Setting(path, L"Base", L"PrimaryDistinctId"), "");
  EXPECT_EQ(Setting(path, L"Base", L"isLogined"), "NG");
  EXPECT_EQ(Setting(path, L"Base", L"URL"), "");
  EXPECT_EQ(Setting(path, L"Base", L"UserVipLevel"), "0");
  EXPECT_EQ(Setting(path, L"UninstallInfo", L"AppStore"), "setup_abc.exe");
  EXPECT_EQ(Setting(path, L"UninstallInfo", L"AppName"), kApp);
  EXPECT_EQ(Setting(path, L"UninstallInfo", L"AppVersion"), "1.7.9");
  EXPECT_TRUE(std::filesystem::exists(home_->DataDir(kApp) + kApp + "_TZSLog.txt"));
  // The next run reads the first id as the primary one.
  const std::string first = Setting(path, L"Base", L"DistinctId");
  ta::AnalyticsTrackerImpl again(Config(""));
  again.init();
  EXPECT_EQ(again.getPrimaryDistinctId(), first);
  EXPECT_EQ(Sdk::DistinctId(), first);
}

TEST_F(FacadeTest, ChangedServerUrlLogsOutAndReturnsToThePrimaryId) {
  WriteSettings(SettingsPath(), {{L"DistinctId", "u1"},
                                 {L"PrimaryDistinctId", "P-1"},
                                 {L"UserId", "u1"},
                                 {L"isLogined", "OK"},
                                 {L"URL", "http://old.invalid/"}});
  {
    ta::AnalyticsTrackerImpl tracker(Config(home_->url()));
    tracker.init();
    EXPECT_EQ(Sdk::DistinctId(), "P-1");
    EXPECT_FALSE(Sdk::IsLoginId());
  }
  EXPECT_EQ(Setting(SettingsPath(), L"Base", L"UserId"), "");
  EXPECT_EQ(Setting(SettingsPath(), L"Base", L"isLogined"), "NG");
  EXPECT_EQ(Setting(SettingsPath(), L"Base", L"DistinctId"), "P-1");
  EXPECT_EQ(Setting(SettingsPath(), L"Base", L"URL"), home_->url());
}

TEST_F(FacadeTest, OnlyCapitalOkMeansLoggedIn) {
  for (const auto& [flag, loggedIn] : {std::pair<const char*, bool>{"ok", false}, {"OK", true}}) {
    WriteSettings(SettingsPath(), {{L"DistinctId", "anon-9"},
                                   {L"PrimaryDistinctId", "anon-9"},
                                   {L"UserId", "user-9"},
                                   {L"isLogined", flag},
                                   {L"URL", home_->url()}});
    ta::AnalyticsTrackerImpl tracker(Config(home_->url()));
    tracker.init();
    EXPECT_EQ(Sdk::IsLoginId(), loggedIn) << flag;
    EXPECT_EQ(Sdk::DistinctId(), loggedIn ? "user-9" : "anon-9") << flag;
  }
}

TEST_F(FacadeTest, SetIniOverridesTheSettingsLocation) {
  const std::string custom = (home_->dir() / "custom" / "deep" / "my.ini").string();
  std::string windowsStyle = custom;
  for (char& c : windowsStyle) {
    if (c == '/') c = '\\';
  }
  platform::WriteProfileString(L"Install", L"TZAnalyticsIni", platform::Utf8ToWide(windowsStyle),
                               home_->dir().wstr() + L"/bin/Set.ini");
  ta::AnalyticsTrackerImpl tracker(Config(""));
  tracker.init();
  EXPECT_EQ(tracker.settingsPath(), custom);
  EXPECT_EQ(Setting(custom, L"Base", L"isLogined"), "NG");
  EXPECT_TRUE(std::filesystem::exists(home_->dir() / "custom" / "deep" / (std::string(kApp) + "_TZSLog.txt")));
}

TEST_F(FacadeTest, ClickIsSentAtShutdownNotAtTheClick) {
  {
    ta::AnalyticsTrackerImpl tracker(Config(home_->url()));
    tracker.init();
    ta::TzEventClick click;
    click.name = "install";
    click.clickType = ta::kTzClickButton;
    ta::TzContextProperties context;
    context.setProperty({ta::kTzEventClick}, "XY");
    tracker.trackClick(click, context);
    tracker.waitForFlushThreads();
    EXPECT_EQ(home_->server().RequestCount(), 0);
    EXPECT_GT(tracker.pending(), 0);
  }
  const auto clicks = home_->Events("TzEventClick");
  ASSERT_EQ(clicks.size(), 1u);
  const Json::Value& p = clicks[0]["properties"];
  EXPECT_EQ(p["tz_name"].asString(), "install");
  EXPECT_EQ(p["tz_click_type"].asString(), "Button");
  EXPECT_EQ(p["tzc_ab"].asString(), "XY");
  EXPECT_TRUE(p["$is_first_time"].asBool());
  EXPECT_EQ(p["tz_app_store"].asString(), "setup_abc.exe");
  EXPECT_EQ(p["tz_app_platform"].asString(), "Windows");
  EXPECT_EQ(p["tz_sdk_version"].asString(), "3.3.8");
  EXPECT_EQ(p["tz_dlapp_id"].asString(), "Mirelo Studio");
  EXPECT_EQ(p["$lib"].asString(), "cpp");
  EXPECT_TRUE(p["$screen_width"].isInt());
}

TEST_F(FacadeTest, CrashAfterStartIsSentFromAFlushThreadThenLaterFlushesRunInline) {
  testsupport::LogCapture debug;
  ta::AnalyticsTrackerImpl tracker(Config(home_->url()));
  tracker.init();
  tracker.trackCrash("boom");
  EXPECT_EQ(debug.Count(L"[Analytics] Sending messages asynchronously"), 1u);
  tracker.waitForFlushThreads();
  const auto crashes = home_->Events("AppCrashed");
  ASSERT_EQ(crashes.size(), 1u);
  EXPECT_EQ(crashes[0]["properties"]["app_crashed_reason"].asString(), "boom");
  EXPECT_FALSE(crashes[0]["properties"].isMember("$is_first_time"));
  // A send has succeeded: the next "now" event is flushed on the caller's thread.
  ta::TzContextProperties none;
  tracker.trackUninstall("gone", none);
  EXPECT_EQ(home_->Events("TzEventUninstall").size(), 1u);
  EXPECT_EQ(debug.Count(L"[Analytics] Sending messages asynchronously"), 1u);
}

TEST_F(FacadeTest, LoginAndPaymentUpdateTheStoredIdentity) {
  {
    ta::AnalyticsTrackerImpl tracker(Config(home_->url()));
    tracker.init();
    ta::TzUserInfo user;
    user.userId = "user-42";
    user.userType = ta::kTzUserEmail;
    ta::TzContextProperties none;
    tracker.trackLogin(user, true, "", none);
    ta::TzEventPayment payment;
    payment.tzOrderId = "order-1";
    payment.currency = ta::kCNY;
    payment.paidPlatform = ta::kWeChatPay;
    payment.result = ta::kTzResultSuccess;
    payment.paidAmount = 12.5f;
    tracker.trackPayment(payment, none);
    tracker.waitForFlushThreads();
  }
  EXPECT_EQ(Setting(SettingsPath(), L"Base", L"UserId"), "user-42");
  EXPECT_EQ(Setting(SettingsPath(), L"Base", L"isLogined"), "OK");
  EXPECT_EQ(Setting(SettingsPath(), L"Base", L"UserVipLevel"), "1");
  const auto signups = home_->Events("$SignUp");
  ASSERT_EQ(signups.size(), 1u);
  EXPECT_EQ(signups[0]["distinct_id"].asString(), "user-42");
  const auto payments = home_->Events("TzEventPayment");
  ASSERT_EQ(payments.size(), 1u);
  EXPECT_EQ(payments[0]["distinct_id"].asString(), "user-42");
  EXPECT_TRUE(payments[0]["properties"]["$is_login_id"].asBool());
  EXPECT_EQ(payments[0]["properties"]["tz_user_id"].asString(), "user-42");
  int increments = 0;
  for (const auto& r : home_->Received()) {
    if (r["type"].asString() == "profile_increment") ++increments;
  }
  EXPECT_EQ(increments, 2);  // paid count and consumption
}

TEST_F(FacadeTest, ActivityCarriesItsOwnKeysOverContextAndSetsProfile) {
  {
    ta::AnalyticsTrackerImpl tracker(Config(home_->url()));
    tracker.init();
    tracker.setLocale("de_DE");
    ta::SetPrimaryScreenSize(1920, 1080);
    ta::TzContextProperties context;
    context.setProperty({ta::kTzEventActivity}, "AB");
    tracker.trackActivity(context);
    ta::SetPrimaryScreenSize(0, 0);
    tracker.waitForFlushThreads();
  }
  const auto activities = home_->Events("TzEventActivity");
  ASSERT_EQ(activities.size(), 1u);
  const Json::Value& p = activities[0]["properties"];
  EXPECT_EQ(p["$ios_install_source"].asString(), "android_id=123##imei=1234##mac=123");
  EXPECT_EQ(p["tzc_ab"].asString(), "AB");
  EXPECT_EQ(p["tz_l10n_locale"].asString(), "de_DE");
  EXPECT_EQ(p["tz_l10n_country"].asString(), "DE");
  EXPECT_EQ(p["$screen_width"].asInt(), 1920);
  EXPECT_EQ(p["$screen_height"].asInt(), 1080);
  EXPECT_EQ(p["$user_agent"].asString().rfind("Mozilla/5.0(Linux ", 0), 0u);
  int profiles = 0;
  for (const auto& r : home_->Received()) {
    if (r["type"].asString().rfind("profile_", 0) == 0) ++profiles;
  }
  EXPECT_EQ(profiles, 10);
}

TEST_F(FacadeTest, WrapperPrintsFailureForInvalidRecordsAndTracksNothing) {
  auto impl = std::make_unique<ta::AnalyticsTrackerImpl>(Config(""));
  impl->init();
  ta::AnalyticsTrackerWrapper wrapper(std::move(impl));
  testing::internal::CaptureStdout();
  wrapper.trackClick(ta::TzEventClick{}, ta::TzContextProperties{});
  ta::TzEventPayment noCurrency;
  noCurrency.tzOrderId = "o";
  noCurrency.result = ta::kTzResultSuccess;
  noCurrency.paidPlatform = ta::kPayPal;
  wrapper.trackPayment(noCurrency, ta::TzContextProperties{});
  wrapper.trackAppOpenNotification(nullptr, ta::TzContextProperties{});
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "Failed to trackClick\nFailed to trackPayment\nFailed to trackAppOpenNotification\n");
  EXPECT_TRUE(Sdk::QueuedRecords().empty());
  EXPECT_EQ(wrapper.getTrackLogger(), nullptr);
  EXPECT_EQ(wrapper.getPrimaryDistinctId(), "");
}

TEST_F(FacadeTest, CrashDuringAnUploadGivesUpInsteadOfWaiting) {
  auto saved = analytics_sdk::LockWait();
  analytics_sdk::SetLockWait(std::chrono::milliseconds(50));
  std::promise<void> release;
  std::shared_future<void> released = release.get_future().share();
  std::promise<void> entered;
  std::atomic<int> seen{0};
  collector::Options options;
  options.statusFor = [&, released](int) {
    if (seen++ == 0) {
      entered.set_value();
      released.wait();  // the first upload hangs until the test lets it go
    }
    return 200;
  };
  home_.reset();
  home_ = std::make_unique<trackertest::TrackerHome>(options);
  {
    ta::AnalyticsTrackerImpl tracker(Config(home_->url()));
    tracker.init();
    analytics_sdk::SetLastSendSucceeded(true);  // flushes run on the caller's thread
    std::thread uploader([&] { tracker.trackUninstall("first", ta::TzContextProperties{}); });
    entered.get_future().wait();
    // The uploader holds the flush locks; the crash report must not wait for it.
    tracker.trackCrash("boom");
    release.set_value();
    uploader.join();
  }
  analytics_sdk::SetLockWait(saved);
  EXPECT_EQ(home_->Events("TzEventUninstall").size(), 1u);
  EXPECT_EQ(home_->Events("AppCrashed").size(), 1u);  // sent by the shutdown flush
}

}  // namespace
