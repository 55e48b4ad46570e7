// The process-wide configuration record: built-in defaults, then the file
// "TarselInstallerConfig.ini" beside the executable (section "Install"), then
// the command line. Filled during static initialisation; read-only once the
// main window exists.
#pragma once
#include <cstdint>
#include <string>

struct InstallerConfiguration {
  std::wstring productName;
  std::wstring productVersion;
  std::wstring installerFileName;
  std::wstring dlAppNameSuffix;
  std::wstring dlAppVersion;
  std::wstring instCmd;
  std::wstring downloadUrl;
  int32_t downloadType = 1;
  bool isCheckNet = false;
  bool isEnableAppAnalytics = true;
  double downloadScale = 0.7;
  bool networkReady = true;
  std::wstring abGroup;
  int32_t languageIndex = -1;
  bool insNew = false;

  // Sets every field to its built-in default, field by field in declaration order.
  void SetBuiltInDefaults();
};

extern InstallerConfiguration InstallerConfig;

inline constexpr wchar_t kConfigFileName[] = L"TarselInstallerConfig.ini";
inline constexpr wchar_t kProductName[] = L"Mirelo Studio";
inline constexpr wchar_t kProductVersion[] = L"1.7.9";
inline constexpr double kDefaultDownloadScale = 0.7;

// The built-in package address (before route resolution); a build may set its own.
const wchar_t* DefaultDownloadUrl();

// Replaces every "${ROUTE}" with "download_silent", or "download_silent_xp"
// when the system's version name contains "XP".
std::wstring ResolveDownloadRoute(const std::wstring& text);
std::wstring ResolveDownloadRoute(const std::wstring& text, const std::wstring& osVersionName);

// Reads the configuration file beside the given executable into the record.
// A missing file keeps the record's values. Sets installerFileName and the fixed names.
void LoadInstallerConfig(InstallerConfiguration& config, const std::wstring& executablePath);
// The static-initialisation step for the global record (own executable path).
void LoadInstallerConfig();

// Download scale after the non-finite rule: not-a-number and infinity become 0.7.
double SanitizeDownloadScale(double value);
