#include "install/install_records.h"

#include <cwchar>
#include <vector>

#include "app/config.h"
#include "install/accounts.h"
#include "install/download_installer.h"
#include "platform/files.h"
#include "platform/ini.h"
#include "platform/process_info.h"
#include "platform/registry.h"
#include "platform/known_folders.h"
#include "utils/system_identity.h"

namespace {

constexpr size_t kMaxPath = 259;

std::wstring Limit(std::wstring path) {
  if (path.size() > kMaxPath) path.resize(kMaxPath);
  return path;
}

// The levels of a path after removing empty levels and "."; ".." removes the
// level before it.
std::vector<std::wstring> Levels(const std::wstring& path) {
  std::vector<std::wstring> levels;
  size_t i = 0;
  while (i <= path.size()) {
    size_t end = path.find(L'/', i);
    if (end == std::wstring::npos) end = path.size();
    std::wstring level = path.substr(i, end - i);
    if (level == L"..") {
      if (!levels.empty()) levels.pop_back();
    } else if (!level.empty() && level != L".") {
      levels.push_back(level);
    }
    i = end + 1;
  }
  return levels;
}

}  // namespace

std::wstring JoinPath(const std::wstring& first, const std::wstring& second) {
  if (first.empty()) return second;
  if (first.back() == L'/') return first + second;
  return first + L"/" + second;
}

bool SameFolder(const std::wstring& a, const std::wstring& b) {
  if (a.empty() || b.empty()) return false;
  bool absoluteA = a.front() == L'/';
  bool absoluteB = b.front() == L'/';
  return absoluteA == absoluteB && Levels(a) == Levels(b);
}

std::pair<bool, std::wstring> ReadRegistryValue(const std::wstring& name) {
  std::wstring value;
  if (!platform::ReadRegistryString(kRegistryKey, name, value)) return {false, L""};
  return {true, value};
}

bool WriteRegistryValue(const std::wstring& name, const std::wstring& text) {
  return platform::WriteRegistryString(kRegistryKey, name, text);
}

RegisteredInstall ReadInstallRecords() {
  RegisteredInstall r;
  r.folder = Limit(ReadRegistryValue(kInstallPathValue).second);
  r.removerRecord = Limit(ReadRegistryValue(kUninstallEpValue).second);
  if (r.removerRecord.empty() && !r.folder.empty()) r.removerRecord = Limit(r.folder + L"/uninst.ep");
  return r;
}

std::wstring DefaultInstallDir(const RegisteredInstall& registered, AccountFlags& flags) {
  flags.adminAccount = IsConsoleUserAdmin();
  flags.elevated = IsProcessAdmin();
  if (!registered.folder.empty() && platform::PathExists(registered.removerRecord)) return registered.folder;
  std::wstring base;
  std::wstring appData;
  if (flags.adminAccount && flags.elevated && platform::AppDataFolder(appData)) {
    base = JoinPath(appData, L"quillon");
  } else if (!platform::ProgramFilesX86Folder(base)) {
    platform::ProgramFilesFolder(base);
  }
  return Limit(JoinPath(base, kProductName));
}

bool IsDefaultFolder(const std::wstring& folder, const RegisteredInstall& registered, AccountFlags& flags) {
  return SameFolder(DefaultInstallDir(registered, flags), folder);
}

std::wstring CustomInstallFolder(const std::wstring& editText, const RegisteredInstall& registered,
                                 AccountFlags& flags) {
  std::wstring text = editText;
  for (wchar_t& c : text) {
    if (c == L'\\') c = L'/';
  }
  if (IsDefaultFolder(text, registered, flags)) return DefaultInstallDir(registered, flags);
  return Limit(JoinPath(text, kProductName));
}

bool SkipRemovalForFolder(const std::wstring& chosenFolder, const RegisteredInstall& registered) {
  if (!SameFolder(registered.folder, chosenFolder)) return false;
  std::wstring value =
      platform::ReadProfileString(L"Uninstall", L"IsOverride", L"true", JoinPath(chosenFolder, L"set.ini"), 20);
  return value == L"false";
}

std::wstring DataFolder() {
  std::wstring base;
  if (!platform::AppDataFolder(base)) platform::CommonDocumentsFolder(base);
  return Limit(JoinPath(JoinPath(base, L"TarselData"), kProductName));
}

void WriteSettingsFile(const std::wstring& installFolder) {
  std::wstring settings = JoinPath(installFolder, L"set.ini");
  std::wstring self = platform::ExecutablePath();
  std::wstring selfName = self.substr(self.find_last_of(L'/') + 1);
  platform::WriteProfileString(L"Install", L"APPStore", selfName, settings);
  platform::WriteProfileString(L"Install", L"AppName", kProductName, settings);
  platform::WriteProfileString(L"Install", L"DeviceID", Utils::NewGuidText(), settings);
  std::wstring dataFolder = DataFolder();
  if (!CreateFolderWithParents(dataFolder)) return;
  std::wstring analytics = dataFolder + L"/TZAnalytics.ini";
  platform::WriteProfileString(L"Install", L"TZAnalyticsIni", analytics, settings);
  platform::LocalTime t = platform::NowLocal();
  wchar_t stamp[64];
  std::swprintf(stamp, 64, L"%d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute, t.second);
  platform::WriteProfileString(L"Init", L"UpdateTime", stamp, analytics);
}

std::wstring WriteInstallRecords(const std::wstring& installFolder, const std::wstring& reportedRemover) {
  WriteRegistryValue(kInstallPathValue, installFolder);
  std::wstring record = reportedRemover.empty() ? installFolder + L"/uninst.ep" : reportedRemover;
  if (platform::PathExists(record)) WriteRegistryValue(kUninstallEpValue, record);
  return record;
}
