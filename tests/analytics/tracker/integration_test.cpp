// The installer's entry points, wired to its configuration.
#include <gtest/gtest.h>

#include <atomic>

#include "analytics/sdk/sdk.h"
#include "analytics/tracker/installer_analytics.h"
#include "app/config.h"
#include "tracker_test_support.h"

namespace {

class InstallerAnalyticsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = InstallerConfig;
    InstallerConfig.SetBuiltInDefaults();
    InstallerConfig.productName = L"Mirelo Studio";
    InstallerConfig.productVersion = L"1.7.9";
    InstallerConfig.dlAppNameSuffix = L".downloader";
    InstallerConfig.installerFileName = L"setup_abc.exe";
    InstallerConfig.isEnableAppAnalytics = true;
    url_ = std::make_unique<trackertest::ScopedEnv>("MIRELO_ANALYTICS_URL", home_.url().c_str());
  }
  void TearDown() override {
    StopInstallerAnalytics();
    InstallerConfig = saved_;
  }

  static collector::Options Refusing(std::atomic<bool>* refuse) {
    collector::Options options;
    options.statusFor = [refuse](int) { return refuse->load() ? 503 : 200; };
    return options;
  }

  InstallerConfiguration saved_;
  std::atomic<bool> refuse_{false};
  trackertest::TrackerHome home_{Refusing(&refuse_)};
  std::unique_ptr<trackertest::ScopedEnv> url_;
};

TEST_F(InstallerAnalyticsTest, SwitchedOffCreatesNothingAndRecordsNothing) {
  InstallerConfig.isEnableAppAnalytics = false;
  StartInstallerAnalytics();
  trackInstallerTask(L"安装成功", 0, L"", {{L"AB", L"IN"}});
  trackInstallerClick(L"立即安装", {});
  trackInstallerView(L"安装中", {});
  trackInstallerCrash();
  StopInstallerAnalytics();
  EXPECT_FALSE(analytics_sdk::Sdk::IsInitialized());
  EXPECT_FALSE(std::filesystem::exists(home_.dir() / "appdata"));
  EXPECT_EQ(home_.server().RequestCount(), 0);
}

TEST_F(InstallerAnalyticsTest, CallsBeforeStartAndAfterStopAreDropped) {
  trackInstallerTask(L"libcurl初始化失败", 0, L"", {{L"AB", L"IN"}});
  StartInstallerAnalytics();
  StartInstallerAnalytics();  // a second start keeps the first tracker
  StopInstallerAnalytics();
  StopInstallerAnalytics();
  trackInstallerClick(L"立即体验", {});
  EXPECT_FALSE(analytics_sdk::Sdk::IsInitialized());
  EXPECT_TRUE(home_.Events("TzEventTask").empty());
  EXPECT_TRUE(home_.Events("TzEventClick").empty());
}

TEST_F(InstallerAnalyticsTest, StagesClicksAndViewsReachTheServiceAtStop) {
  StartInstallerAnalytics();
  trackInstallerView(L"安装中", {{L"AB", L"XY"}});
  trackInstallerClick(L"立即安装", {{L"AB", L"xy"}});
  trackInstallerTask(L"大包下载完毕", 12.5, L"", {{L"AB", L"IN"}, {L"other", L"ignored"}});
  trackInstallerTask(L"下载失败原因", 0, L"1.获取文件大小的状态码为=404；", {{L"AB", L"ABCD"}});
  EXPECT_EQ(home_.server().RequestCount(), 0);
  StopInstallerAnalytics();

  const auto views = home_.Events("TzEventView");
  ASSERT_EQ(views.size(), 1u);
  EXPECT_EQ(views[0]["properties"]["tz_name"].asString(), "安装中");
  EXPECT_EQ(views[0]["properties"]["tzc_ab"].asString(), "XY");
  EXPECT_EQ(views[0]["properties"]["tz_app_store"].asString(), "setup_abc.exe");
  EXPECT_EQ(views[0]["properties"]["tz_app_id"].asString(), "Mirelo Studio.downloader");
  EXPECT_EQ(views[0]["properties"]["tz_dlapp_id"].asString(), "Mirelo Studio");
  EXPECT_EQ(views[0]["properties"]["$app_version"].asString(), "1.7.9");

  const auto clicks = home_.Events("TzEventClick");
  ASSERT_EQ(clicks.size(), 1u);
  EXPECT_FALSE(clicks[0]["properties"].isMember("tzc_ab"));  // "xy" is not a valid group
  EXPECT_EQ(clicks[0]["properties"]["tz_click_type"].asString(), "Button");

  const auto tasks = home_.Events("TzEventTask");
  ASSERT_EQ(tasks.size(), 2u);
  EXPECT_EQ(tasks[0]["properties"]["tz_task_name"].asString(), "大包下载完毕");
  EXPECT_EQ(tasks[0]["properties"]["tz_task_elapsed"].asDouble(), 12.5);
  EXPECT_EQ(tasks[0]["properties"]["tz_task_result"].asString(), "Success");
  EXPECT_EQ(tasks[0]["properties"]["tzc_ab"].asString(), "IN");
  EXPECT_FALSE(tasks[0]["properties"].isMember("tz_reason"));
  EXPECT_EQ(tasks[1]["properties"]["tz_reason"].asString(), "1.获取文件大小的状态码为=404；");
  EXPECT_EQ(tasks[1]["properties"]["tz_task_elapsed"].asDouble(), 0.0);
  EXPECT_FALSE(tasks[1]["properties"].isMember("tzc_ab"));

  // The identity file lives in the per-user data folder.
  EXPECT_TRUE(
      std::filesystem::exists(home_.DataDir("Mirelo Studio.downloader") + "Mirelo Studio.downloader_TZSConfigure.ini"));
}

TEST_F(InstallerAnalyticsTest, CrashPairIsRecorded) {
  StartInstallerAnalytics();
  trackInstallerTask(L"崩溃退出", 0, L"", {{L"AB", L"IN"}});
  trackInstallerCrash();
  StopInstallerAnalytics();
  const auto crashes = home_.Events("AppCrashed");
  ASSERT_EQ(crashes.size(), 1u);
  EXPECT_EQ(crashes[0]["properties"]["app_crashed_reason"].asString(), "崩溃");
  EXPECT_FALSE(crashes[0]["properties"].isMember("tzc_ab"));
  ASSERT_EQ(home_.Events("TzEventTask").size(), 1u);
}

TEST_F(InstallerAnalyticsTest, UnsentRecordsWaitInTheStagingFileForTheNextRun) {
  refuse_ = true;
  StartInstallerAnalytics();
  trackInstallerClick(L"自定义安装", {{L"AB", L"IN"}});
  StopInstallerAnalytics();
  EXPECT_GT(home_.server().RequestCount(), 0);
  EXPECT_TRUE(home_.Events("TzEventClick").empty());
  const std::string staging = home_.DataDir("Mirelo Studio.downloader") + "Mirelo Studio.downloader_TZSStaging.txt";
  EXPECT_NE(testsupport::ReadFile(staging).find("TzEventClick"), std::string::npos);

  // The next run delivers it with its own records.
  refuse_ = false;
  StartInstallerAnalytics();
  trackInstallerClick(L"立即体验", {{L"AB", L"IN"}});
  StopInstallerAnalytics();
  const auto clicks = home_.Events("TzEventClick");
  ASSERT_EQ(clicks.size(), 2u);
  EXPECT_EQ(clicks[0]["properties"]["tz_name"].asString(), "自定义安装");
  EXPECT_EQ(clicks[1]["properties"]["tz_name"].asString(), "立即体验");
  EXPECT_EQ(testsupport::ReadFile(staging), "");
}

}  // namespace
