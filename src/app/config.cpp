#include "app/config.h"

#include <cmath>

#include "platform/files.h"
#include "platform/ini.h"
#include "platform/number_text.h"
#include "platform/process_info.h"
#include "utils/system_identity.h"

#ifndef MIRELO_DEFAULT_DOWNLOAD_URL
#define MIRELO_DEFAULT_DOWNLOAD_URL L"http://dl.mirelo.example/software/449?route=${ROUTE}"
#endif

namespace {

constexpr wchar_t kSection[] = L"Install";
constexpr wchar_t kRoutePlaceholder[] = L"${ROUTE}";

std::wstring FileNamePart(const std::wstring& path) {
  size_t slash = path.find_last_of(L'/');
  return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

std::wstring FolderPart(const std::wstring& path) {
  size_t slash = path.find_last_of(L'/');
  return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

InstallerConfiguration MakeGlobalConfig() {
  InstallerConfiguration config;
  config.SetBuiltInDefaults();
  LoadInstallerConfig(config, platform::ExecutablePath());
  return config;
}

}  // namespace

InstallerConfiguration InstallerConfig = MakeGlobalConfig();

const wchar_t* DefaultDownloadUrl() { return MIRELO_DEFAULT_DOWNLOAD_URL; }

void InstallerConfiguration::SetBuiltInDefaults() {
  productName = kProductName;
  productVersion = kProductVersion;
  installerFileName = FileNamePart(platform::ExecutablePath());
  dlAppNameSuffix = L".downloader";
  dlAppVersion.clear();
  instCmd.clear();
  downloadUrl = ResolveDownloadRoute(DefaultDownloadUrl());
  downloadType = 1;
  isCheckNet = false;
  isEnableAppAnalytics = true;
  downloadScale = kDefaultDownloadScale;
  networkReady = true;
  abGroup = L"IN";
  languageIndex = -1;
  insNew = false;
}

std::wstring ResolveDownloadRoute(const std::wstring& text, const std::wstring& osVersionName) {
  if (text.find(kRoutePlaceholder) == std::wstring::npos) return text;
  const std::wstring route =
      osVersionName.find(L"XP") != std::wstring::npos ? L"download_silent_xp" : L"download_silent";
  std::wstring result = text;
  const size_t placeholderLength = std::char_traits<wchar_t>::length(kRoutePlaceholder);
  for (size_t at = result.find(kRoutePlaceholder); at != std::wstring::npos; at = result.find(kRoutePlaceholder)) {
    result.replace(at, placeholderLength, route);
  }
  return result;
}

std::wstring ResolveDownloadRoute(const std::wstring& text) {
  if (text.find(kRoutePlaceholder) == std::wstring::npos) return text;
  return ResolveDownloadRoute(text, Utils::OsVersionName().name);
}

double SanitizeDownloadScale(double value) { return std::isfinite(value) ? value : kDefaultDownloadScale; }

void LoadInstallerConfig(InstallerConfiguration& config, const std::wstring& executablePath) {
  config.installerFileName = FileNamePart(executablePath);
  const std::wstring folder = FolderPart(executablePath);
  const std::wstring file = folder + L"/" + kConfigFileName;
  if (!executablePath.empty() && platform::IsRegularFile(file)) {
    config.downloadUrl =
        ResolveDownloadRoute(platform::ReadProfileString(kSection, L"DownloadUrl", DefaultDownloadUrl(), file));
    config.downloadType = platform::ReadProfileInt(kSection, L"DownloadType", 1, file);
    config.isCheckNet = platform::ReadProfileString(kSection, L"IsCheckNet", L"true", file) == L"true";
    config.isEnableAppAnalytics =
        platform::ReadProfileString(kSection, L"IsEnableAppAnalytics", L"true", file) == L"true";
    config.dlAppNameSuffix = platform::ReadProfileString(kSection, L"DlAppNameSuffix", L".downloader", file);
    config.dlAppVersion = platform::ReadProfileString(kSection, L"m_DlAppVersion", L"", file);
    config.downloadScale =
        SanitizeDownloadScale(platform::ParseDoublePrefix(platform::ReadProfileString(kSection, L"DownloadScale", L"0.7", file)));
    config.instCmd = platform::ReadProfileString(kSection, L"InstCmd", L"", file);
  }
  config.productName = kProductName;
  config.productVersion = kProductVersion;
}

void LoadInstallerConfig() { LoadInstallerConfig(InstallerConfig, platform::ExecutablePath()); }
