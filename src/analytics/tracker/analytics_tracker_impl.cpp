#include "analytics/tracker/analytics_tracker_impl.h"

#include <filesystem>

#include "analytics/sdk/http_sender.h"
#include "analytics/sdk/sdk.h"
#include "analytics/tracker/device_facts.h"
#include "analytics/tracker/event_properties.h"
#include "platform/debug_output.h"
#include "platform/files.h"
#include "platform/ini.h"
#include "platform/process_info.h"
#include "platform/utf.h"
#include "utils/clock.h"

#ifndef MIRELO_ANALYTICS_SERVER_URL
#define MIRELO_ANALYTICS_SERVER_URL ""
#endif

namespace tarsel {
namespace analytics {

namespace {

constexpr char kFile[] = "AnalyticsTrackerImpl";
constexpr char kSettingsSuffix[] = "TZSConfigure.ini";
constexpr char kLogSuffix[] = "TZSLog.txt";
constexpr char kStagingSuffix[] = "TZSStaging.txt";
constexpr char kInstallSource[] = "android_id=123##imei=1234##mac=123";
constexpr char kAppPlatform[] = "Windows";
constexpr size_t kSettingsValueBuffer = 128;  // values of at most 127 characters

analytics_sdk::BoundedMutex& ProcessFlushMutex() {
  static auto* mutex = new analytics_sdk::BoundedMutex;
  return *mutex;
}

std::wstring W(const std::string& utf8) { return platform::Utf8ToWide(utf8); }
std::string U(const std::wstring& wide) { return platform::WideToUtf8(wide); }

bool CreateFolderWithParents(const std::string& folder) {
  std::error_code error;
  std::filesystem::create_directories(std::filesystem::path(folder), error);
  return std::filesystem::is_directory(std::filesystem::path(folder), error);
}

std::string ReadSetting(const std::string& path, const char* key) {
  return U(platform::ReadProfileString(L"Base", W(key), L"", W(path), kSettingsValueBuffer));
}

}  // namespace

std::string BuiltInServerUrl() {
  std::string url;
  if (platform::GetEnv("MIRELO_ANALYTICS_URL", url)) return url;
  return MIRELO_ANALYTICS_SERVER_URL;
}

struct AnalyticsTrackerImpl::State {
  analytics_sdk::BoundedMutex lock;  // guards the identity fields below
  bool isLogined = false;
  std::string userId;
  std::string distinctId;
  std::string primaryDistinctId;
  int32_t userVipLevel = 0;
  std::string storedServerUrl;
  std::string serverUrl;
  std::string dataDir;
  std::string settingsPath;
  std::string logPath;
  std::string locale;
};

AnalyticsTrackerImpl::AnalyticsTrackerImpl(const AnalyticsTrackerConfig& config)
    : config_{ensureUtf8(config.appName),
              ensureUtf8(config.appVersion),
              ensureUtf8(config.appStore),
              ensureUtf8(config.dlAppId),
              ensureUtf8(config.dlAppVersion),
              ensureUtf8(config.logPath),
              config.edition,
              ensureUtf8(config.serverUrl)},
      state_(std::make_unique<State>()) {}

AnalyticsTrackerImpl::~AnalyticsTrackerImpl() {
  // Flush threads use the core; none may outlive this object.
  waitForFlushThreads();
  if (!state_->settingsPath.empty()) saveIdentity();
  if (pending_.load() > 0) {
    for (int attempt = 0; attempt < 3; ++attempt) {
      if (analytics_sdk::Sdk::Flush()) {
        pending_.store(0);
        break;
      }
    }
  }
  analytics_sdk::Sdk::Shutdown();
  logger_.reset();
}

std::string AnalyticsTrackerImpl::dataDir() const { return state_->dataDir; }
std::string AnalyticsTrackerImpl::settingsPath() const { return state_->settingsPath; }
std::string AnalyticsTrackerImpl::stagingPath() const {
  return state_->dataDir.empty() ? std::string() : state_->dataDir + config_.appName + "_" + kStagingSuffix;
}

void AnalyticsTrackerImpl::locateSettings() {
  State& s = *state_;
  std::string override;
  const std::wstring exe = trackerExecutablePath();
  const size_t slash = exe.rfind(L'/');
  if (slash != std::wstring::npos) {
    const std::wstring setIni = exe.substr(0, slash + 1) + L"Set.ini";
    if (platform::IsRegularFile(setIni)) {
      override = U(platform::ReadProfileString(L"Install", L"TZAnalyticsIni", L"", setIni, kSettingsValueBuffer));
      // Paths written with Windows separators name the same place here.
      for (char& c : override) {
        if (c == '\\') c = '/';
      }
    }
  }
  const size_t last = override.rfind('/');
  if (override.empty() || last == std::string::npos) {
    std::string base = getBaseFolder();
    if (base.empty()) base = U(platform::TempPath());
    while (base.size() > 1 && base.back() == '/') base.pop_back();
    s.dataDir = base + "/TZLocal/" + config_.appName + "/";
    CreateFolderWithParents(s.dataDir);
    s.settingsPath = s.dataDir + config_.appName + "_" + kSettingsSuffix;
  } else {
    s.settingsPath = override;
    s.dataDir = override.substr(0, last + 1);
    CreateFolderWithParents(s.dataDir);
  }
}

void AnalyticsTrackerImpl::readIdentity() {
  State& s = *state_;
  s.userId.clear();
  s.distinctId.clear();
  s.primaryDistinctId.clear();
  s.isLogined = false;
  s.storedServerUrl.clear();
  if (platform::IsRegularFile(W(s.settingsPath))) {
    s.distinctId = ReadSetting(s.settingsPath, "DistinctId");
    s.primaryDistinctId = ReadSetting(s.settingsPath, "PrimaryDistinctId");
    if (s.primaryDistinctId.empty()) s.primaryDistinctId = s.distinctId;
    s.userId = ReadSetting(s.settingsPath, "UserId");
    s.storedServerUrl = ReadSetting(s.settingsPath, "URL");
    s.isLogined = ReadSetting(s.settingsPath, "isLogined") == "OK";
    s.userVipLevel = platform::ReadProfileInt(L"Base", L"UserVipLevel", 0, W(s.settingsPath));
  }
  if (s.distinctId.empty()) {
    s.distinctId = newDistinctId();
    saveIdentity();
  }
}

void AnalyticsTrackerImpl::saveIdentity() {
  State& s = *state_;
  const std::wstring path = W(s.settingsPath);
  std::string text;
  platform::ReadWholeFile(path, text);  // a missing file starts empty
  platform::IniDocument document = platform::IniDocument::Parse(text);
  document.Set(L"Base", L"DistinctId", W(s.distinctId));
  document.Set(L"Base", L"PrimaryDistinctId", W(s.primaryDistinctId));
  document.Set(L"Base", L"UserId", W(s.userId));
  document.Set(L"Base", L"UserVipLevel", std::to_wstring(s.userVipLevel));
  document.Set(L"Base", L"URL", W(s.storedServerUrl));
  document.Set(L"Base", L"isLogined", s.isLogined ? L"OK" : L"NG");
  // One atomic replacement: a failure midway never loses the identity.
  platform::ReplaceFileAtomically(path, document.Serialize());
}

void AnalyticsTrackerImpl::init() {
  if (config_.appName.empty()) throw TzException("appName is empty", kFile, "init", __LINE__);
  if (config_.appVersion.empty()) throw TzException("appVersion is empty", kFile, "init", __LINE__);
  if (config_.appStore.empty()) throw TzException("appStore is empty", kFile, "init", __LINE__);
  pending_.store(0);

  State& s = *state_;
  {
    analytics_sdk::BoundedLock lock(s.lock);
    if (!lock.owns()) throw TzException("tracker state is busy", kFile, "init", __LINE__);
    locateSettings();
    s.serverUrl = config_.serverUrl.empty() ? BuiltInServerUrl() : config_.serverUrl;
    readIdentity();
    if (s.storedServerUrl != s.serverUrl || s.distinctId.empty()) {
      s.userId.clear();
      s.isLogined = false;
      if (s.primaryDistinctId.empty()) {
        s.distinctId = newDistinctId();
        s.primaryDistinctId = s.distinctId;
      } else {
        s.distinctId = s.primaryDistinctId;
      }
      s.storedServerUrl = s.serverUrl;
      saveIdentity();
    }
    if (s.userId.empty()) s.isLogined = false;
    s.logPath = config_.logPath.empty() ? s.dataDir + config_.appName + "_" + kLogSuffix : config_.logPath;
  }
  logger_ = std::make_unique<NativeTrackLogger>();
  logger_->open(s.logPath);

  const bool ok = s.isLogined ? analytics_sdk::Sdk::Init(stagingPath(), s.serverUrl, s.userId, true)
                              : analytics_sdk::Sdk::Init(stagingPath(), s.serverUrl, s.distinctId, false);
  if (!ok) throw TzException("analytics_sdk::Sdk::Init is failed", kFile, "init", __LINE__);

  analytics_sdk::PropertiesNode super;
  super.SetString("tz_app_id", config_.appName);
  super.SetString("$app_version", config_.appVersion);
  super.SetString("$app_id", config_.appName);
  super.SetString("tz_app_store", config_.appStore);
  super.SetString("tz_edition", toString(config_.edition));
  if (!config_.dlAppId.empty()) super.SetString("tz_dlapp_id", config_.dlAppId);
  if (!config_.dlAppVersion.empty()) super.SetString("tz_dlapp_version", config_.dlAppVersion);
  super.SetString("tz_app_platform", kAppPlatform);
  super.SetString("tz_track_type", "Client");
  super.SetString("tz_sdk_version", "3.3.8");
  super.SetString("tz_sdk", "WindowsCPP");
  std::string osName, osVersion;
  getOsNameAndVersion(osName, osVersion);
  super.SetString("$os", osName);
  super.SetString("$os_version", osVersion);
  int width = 0, height = 0;
  getPrimaryScreenSize(width, height);
  super.SetInteger("$screen_height", static_cast<int32_t>(height));
  super.SetInteger("$screen_width", static_cast<int32_t>(width));
  if (!s.userId.empty()) super.SetString("tz_user_id", s.userId);
  analytics_sdk::Sdk::RegisterSuperProperties(super);
  registerLocale();

  // For the product's remover.
  const std::wstring path = W(s.settingsPath);
  platform::WriteProfileString(L"UninstallInfo", L"AppStore", W(config_.appStore), path);
  platform::WriteProfileString(L"UninstallInfo", L"AppName", W(config_.appName), path);
  platform::WriteProfileString(L"UninstallInfo", L"AppVersion", W(config_.appVersion), path);
}

void AnalyticsTrackerImpl::registerLocale() {
  std::string language, country, locale = state_->locale;
  if (!splitLocale(locale, language, country)) {
    language.clear();
    country.clear();
    locale.clear();
    getSystemLocale(language, country, locale);
  }
  if (!analytics_sdk::Sdk::IsInitialized()) return;
  analytics_sdk::PropertiesNode set;
  set.SetString("tz_l10n_locale", locale);
  set.SetString("tz_l10n_language", language);
  set.SetString("tz_l10n_country", country);
  analytics_sdk::Sdk::RegisterSuperProperties(set);
}

void AnalyticsTrackerImpl::setLocale(const std::string& locale) {
  {
    analytics_sdk::BoundedLock lock(state_->lock);
    if (!lock.owns()) return;
    state_->locale = ensureUtf8(locale);
  }
  registerLocale();
}

std::string AnalyticsTrackerImpl::getPrimaryDistinctId() {
  analytics_sdk::BoundedLock lock(state_->lock);
  return lock.owns() ? state_->primaryDistinctId : std::string();
}

void AnalyticsTrackerImpl::track(int kind, analytics_sdk::PropertiesNode own, const TzContextProperties* context,
                                 FlushMode mode, int pendingAdd) {
  analytics_sdk::PropertiesNode set;
  if (kind == kTzEventActivity) {
    // The activity's own keys win over its context properties.
    if (context) applyContextProperties(kind, set, *context);
    set.Merge(own);
    analytics_sdk::Sdk::TrackActivityEvent(set);
  } else {
    set = std::move(own);
    if (context) applyContextProperties(kind, set, *context);
    analytics_sdk::Sdk::Track(eventSendName(kind), set);
  }
  pending_ += pendingAdd;
}

void AnalyticsTrackerImpl::trackActivity(const TzContextProperties& context) {
  analytics_sdk::PropertiesNode own;
  if (!config_.appStore.empty()) own.SetString("tz_app_store", config_.appStore);
  if (!config_.appName.empty()) {
    own.SetString("tz_app_id", config_.appName);
    own.SetString("$app_id", config_.appName);
  }
  if (!config_.appVersion.empty()) own.SetString("$app_version", config_.appVersion);
  own.SetString("$ios_install_source", kInstallSource);
  const std::string agent = getUserAgent();
  if (!agent.empty()) own.SetString("$user_agent", agent);
  own.SetBoolean("$is_first_time", true);
  std::string osName, osVersion;
  getOsNameAndVersion(osName, osVersion);
  own.SetString("$os", osName);
  own.SetString("$os_version", osVersion);
  // The activity record itself waits for the flush as well.
  track(kTzEventActivity, std::move(own), &context, FlushMode::kNow, 1);

  const int64_t now = platform::EpochMs();
  NativeUserTracker::ProfileUserPropertyDateTime("$first_visit_time", now);
  NativeUserTracker::ProfileUserPropertyDateTime("tz_first_visit_date", now);
  NativeUserTracker::ProfileUserPropertyDateTime("tz_last_visit_date", now);
  NativeUserTracker::ProfileUserPropertyString("tz_os", osName);
  NativeUserTracker::ProfileUserPropertyString("tz_os_version", osVersion);
  NativeUserTracker::ProfileUserPropertyString("tz_app_store", config_.appStore);
  NativeUserTracker::ProfileUserPropertyString("tz_app_platform", kAppPlatform);
  NativeUserTracker::ProfileUserPropertyString("tz_last_app_id", config_.appName);
  NativeUserTracker::ProfileUserPropertyString("tz_last_app_version", config_.appVersion);
  NativeUserTracker::ProfileUserPropertyString("$ios_install_source", kInstallSource);
  pending_ += 9;
  dispatchFlush(FlushMode::kNow);
}

void AnalyticsTrackerImpl::trackLaunch(const TzContextProperties& context) {
  track(kTzEventLaunch, {}, &context, FlushMode::kNow, 1);
  bool hasUser = false;
  {
    analytics_sdk::BoundedLock lock(state_->lock);
    hasUser = lock.owns() && !state_->userId.empty();
  }
  if (hasUser) {
    const int64_t now = platform::EpochMs();
    NativeUserTracker::ProfileUserPropertyDateTime("$first_visit_time", now);
    NativeUserTracker::ProfileUserPropertyDateTime("tz_first_visit_date", now);
    NativeUserTracker::ProfileUserPropertyDateTime("tz_last_visit_date", now);
    pending_ += 4;
  }
  dispatchFlush(FlushMode::kNow);
}

void AnalyticsTrackerImpl::trackLogin(const TzUserInfo& user, bool success, const std::string& reason,
                                      const TzContextProperties& context) {
  track(kTzEventLogin, buildLoginProperties(user, success, reason), &context, FlushMode::kNow, 1);
  if (!user.userId.empty()) {
    State& s = *state_;
    analytics_sdk::BoundedLock lock(s.lock);
    if (lock.owns()) {
      s.userVipLevel = user.vipLevel;
      if (!s.isLogined || s.userId.empty()) {
        analytics_sdk::Sdk::Login(user.userId);
        s.isLogined = true;
        s.userId = user.userId;
        s.distinctId = user.userId;
        analytics_sdk::Sdk::SetDistinctId(user.userId, true);
        analytics_sdk::PropertiesNode set;
        set.SetString("tz_user_id", user.userId);
        analytics_sdk::Sdk::RegisterSuperProperties(set);
      }
      saveIdentity();
    }
  }
  dispatchFlush(FlushMode::kNow);
}

void AnalyticsTrackerImpl::trackClick(const TzEventClick& record, const TzContextProperties& context) {
  track(kTzEventClick, buildClickProperties(record), &context, FlushMode::kLater, 1);
  dispatchFlush(FlushMode::kLater);
}

void AnalyticsTrackerImpl::trackView(const TzEventView& record, const TzContextProperties& context) {
  track(kTzEventView, buildViewProperties(record), &context, FlushMode::kLater, 1);
  dispatchFlush(FlushMode::kLater);
}

void AnalyticsTrackerImpl::trackCashier(const TzEventCashier& record, const TzContextProperties& context) {
  track(kTzEventCashier, buildCashierProperties(record), &context, FlushMode::kLater, 1);
  dispatchFlush(FlushMode::kLater);
}

void AnalyticsTrackerImpl::trackShare(const TzEventShare& record, const TzContextProperties& context) {
  track(kTzEventShare, buildShareProperties(record), &context, FlushMode::kLater, 1);
  dispatchFlush(FlushMode::kLater);
}

void AnalyticsTrackerImpl::trackTask(const TzEventTask& record, const TzContextProperties& context) {
  track(kTzEventTask, buildTaskProperties(record), &context, FlushMode::kLater, 0);
  dispatchFlush(FlushMode::kLater);
}

void AnalyticsTrackerImpl::trackFile(const TzEventFile& record, const TzContextProperties& context) {
  track(kTzEventFile, buildFileProperties(record), &context, FlushMode::kLater, 1);
  dispatchFlush(FlushMode::kLater);
}

void AnalyticsTrackerImpl::trackOrder(const TzEventOrder& record, const TzContextProperties& context) {
  track(kTzEventOrder, buildOrderProperties(record), &context, FlushMode::kLater, 1);
  dispatchFlush(FlushMode::kLater);
}

void AnalyticsTrackerImpl::trackPayment(const TzEventPayment& record, const TzContextProperties& context) {
  track(kTzEventPayment, buildPaymentProperties(record), &context, FlushMode::kNow, 1);
  const int64_t now = platform::EpochMs();
  NativeUserTracker::ProfileUserPropertyNumber("tz_paid_count", int32_t{1});
  NativeUserTracker::ProfileUserPropertyNumber("tz_consumption", static_cast<double>(record.paidAmount));
  NativeUserTracker::ProfileUserPropertyDateTime("tz_first_paid_date", now);
  NativeUserTracker::ProfileUserPropertyDateTime("tz_last_paid_date", now);
  pending_ += 4;
  if (record.result && *record.result == kTzResultSuccess) {
    analytics_sdk::BoundedLock lock(state_->lock);
    if (lock.owns()) {
      state_->userVipLevel = 1;
      saveIdentity();
    }
  }
  dispatchFlush(FlushMode::kNow);
}

void AnalyticsTrackerImpl::trackUninstall(const std::string& reason, const TzContextProperties& context) {
  track(kTzEventUninstall, buildUninstallProperties(reason), &context, FlushMode::kNow, 1);
  dispatchFlush(FlushMode::kNow);
}

void AnalyticsTrackerImpl::trackCrash(const std::string& reason) {
  track(kTzEventCrashed, buildCrashProperties(reason), nullptr, FlushMode::kNow, 1);
  dispatchFlush(FlushMode::kNow);
}

void AnalyticsTrackerImpl::trackUpdate(const TzEventUpdate& record, const TzContextProperties& context) {
  track(kTzEventUpdate, buildUpdateProperties(record), &context, FlushMode::kNow, 1);
  dispatchFlush(FlushMode::kNow);
}

void AnalyticsTrackerImpl::trackAppOpenNotification(const AppOpenNotification* record,
                                                    const TzContextProperties& context) {
  track(kTzEventAppOpenNotification, buildAppOpenNotificationProperties(record), &context, FlushMode::kLater, 0);
  dispatchFlush(FlushMode::kLater);
}

void AnalyticsTrackerImpl::dispatchFlush(FlushMode mode) {
  if (analytics_sdk::LastSendSucceeded()) {
    flushStep(mode);
    return;
  }
  platform::WriteDebugOutput(L"[Analytics] Sending messages asynchronously");
  analytics_sdk::BoundedLock lock(threadsLock_);
  if (!lock.owns()) return;  // the records stay staged for a later flush
  // Threads that have finished are joined here; the rest at destruction.
  for (auto it = flushThreads_.begin(); it != flushThreads_.end();) {
    if (it->done->load()) {
      it->thread.join();
      it = flushThreads_.erase(it);
    } else {
      ++it;
    }
  }
  auto done = std::make_shared<std::atomic<bool>>(false);
  std::thread thread([this, mode, done] {
    flushStep(mode);
    done->store(true);
  });
  flushThreads_.push_back(FlushThread{std::move(thread), std::move(done)});
}

void AnalyticsTrackerImpl::flushStep(FlushMode mode) {
  // A flush that cannot have the lock in time (another flush is uploading, or
  // the crashed thread holds it) leaves the records staged for the next one.
  analytics_sdk::BoundedLock lock(ProcessFlushMutex());
  if (!lock.owns()) return;
  if (mode == FlushMode::kNow) {
    for (int attempt = 0; attempt < 3 && pending_.load() > 0; ++attempt) {
      if (analytics_sdk::Sdk::IsInitialized() && analytics_sdk::Sdk::Flush()) {
        pending_.store(0);
        break;
      }
      Utils::SleepMs(1);
    }
  } else {
    Utils::SleepMs(1);
    pending_ += 1;
  }
}

void AnalyticsTrackerImpl::waitForFlushThreads() {
  std::list<FlushThread> threads;
  for (;;) {
    {
      analytics_sdk::BoundedLock lock(threadsLock_, std::chrono::hours(24));
      if (!lock.owns()) return;
      threads.splice(threads.end(), flushThreads_);
    }
    if (threads.empty()) return;
    for (FlushThread& t : threads) t.thread.join();
    threads.clear();
  }
}

}  // namespace analytics
}  // namespace tarsel
