#include "analytics/tracker/device_facts.h"

#include <atomic>
#include <cstdio>
#include <mutex>

#include "analytics/sdk/sdk.h"
#include "platform/process_info.h"
#include "platform/system_info.h"
#include "platform/utf.h"
#include "utils/system_identity.h"

namespace tarsel {
namespace analytics {

namespace {
std::atomic<int> gScreenWidth{0};
std::atomic<int> gScreenHeight{0};

struct ExePathOverride {
  std::mutex lock;
  bool set = false;
  std::wstring path;
};
ExePathOverride& ExeOverride() {
  static ExePathOverride* state = new ExePathOverride;
  return *state;
}
}  // namespace

void getOsNameAndVersion(std::string& name, std::string& version) {
  const Utils::OsVersion os = Utils::OsVersionName();
  name = platform::WideToUtf8(os.family);
  version = platform::WideToUtf8(os.name);
}

bool isWow64System() { return platform::Is64BitMachine(); }

std::string formatUserAgent(const std::string& name, const std::string& version, bool is64) {
  return "Mozilla/5.0(" + name + " " + version + "; Win" + (is64 ? "64;)" : "32;)");
}

std::string getUserAgent() {
  std::string name, version;
  getOsNameAndVersion(name, version);
  return formatUserAgent(name, version, isWow64System());
}

bool getSystemLocale(std::string& language, std::string& country, std::string& locale) {
  std::string value;
  for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    if (platform::GetEnv(variable, value) && !value.empty()) break;
    value.clear();
  }
  // language[_territory][.codeset][@modifier]
  const size_t cut = value.find_first_of(".@");
  if (cut != std::string::npos) value.resize(cut);
  std::string lang, ctry;
  if (!splitLocale(value, lang, ctry) || lang.empty() || ctry.empty() || lang.size() > 15 || ctry.size() > 15) {
    return false;
  }
  language = lang;
  country = ctry;
  locale = lang + "_" + ctry;
  return true;
}

bool splitLocale(const std::string& locale, std::string& language, std::string& country) {
  const size_t underscore = locale.find('_');
  if (underscore == std::string::npos) return false;
  language = locale.substr(0, underscore);
  country = locale.substr(underscore + 1);
  return true;
}

std::string getBaseFolder() {
  std::string value;
  if (platform::GetEnv("LOCALAPPDATA", value) && !value.empty()) return value;
  if (platform::GetEnv("XDG_DATA_HOME", value) && !value.empty()) return value;
  if (platform::GetEnv("HOME", value) && !value.empty()) return value + "/.local/share";
  return {};
}

std::string newDistinctId() {
  const platform::GuidBytes g = platform::NewGuid();
  char text[40];
  std::snprintf(text, sizeof(text), "%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X", g.data1, g.data2, g.data3,
                g.data4[0], g.data4[1], g.data4[2], g.data4[3], g.data4[4], g.data4[5], g.data4[6], g.data4[7]);
  return text;
}

void SetPrimaryScreenSize(int width, int height) {
  gScreenWidth.store(width);
  gScreenHeight.store(height);
  // A tracker that is already running sends the new size from now on.
  if (analytics_sdk::Sdk::IsInitialized()) {
    analytics_sdk::PropertiesNode set;
    set.SetInteger("$screen_width", static_cast<int32_t>(width));
    set.SetInteger("$screen_height", static_cast<int32_t>(height));
    analytics_sdk::Sdk::RegisterSuperProperties(set);
  }
}

void getPrimaryScreenSize(int& width, int& height) {
  width = gScreenWidth.load();
  height = gScreenHeight.load();
}

std::wstring trackerExecutablePath() {
  ExePathOverride& state = ExeOverride();
  {
    std::lock_guard<std::mutex> guard(state.lock);
    if (state.set) return state.path;
  }
  return platform::ExecutablePath();
}

void SetExecutablePathForTesting(const std::wstring& path) {
  ExePathOverride& state = ExeOverride();
  std::lock_guard<std::mutex> guard(state.lock);
  state.set = !path.empty();
  state.path = path;
}

}  // namespace analytics
}  // namespace tarsel
