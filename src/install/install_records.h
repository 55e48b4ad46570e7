// Records of an installation: two values under the per-user registry key, the
// settings file "set.ini" in the installation folder, and the analytics file
// in the maker's data folder; and the rules that derive the default and
// custom installation folders from them.
#pragma once
#include <string>
#include <utility>

inline constexpr wchar_t kRegistryKey[] = L"Software\\TarselSoft\\Mirelo Studio";
inline constexpr wchar_t kInstallPathValue[] = L"InstallPath";
inline constexpr wchar_t kUninstallEpValue[] = L"UnInstallEp";

// Registered at start-up: the folder and the remover record of an earlier installation.
struct RegisteredInstall {
  std::wstring folder;
  std::wstring removerRecord;
};

// The two account checks, refreshed by DefaultInstallDir.
struct AccountFlags {
  bool adminAccount = false;
  bool elevated = false;
};

// Reads "InstallPath" and "UnInstallEp"; when only the folder is registered,
// the remover record is the folder + "/uninst.ep".
RegisteredInstall ReadInstallRecords();

// Refreshes the account flags, then: the registered folder when its remover
// record exists; else, for an administrator account in an elevated process,
// APPDATA + "quillon"; else the program-files folder (x86 first); each joined
// with "Mirelo Studio".
std::wstring DefaultInstallDir(const RegisteredInstall& registered, AccountFlags& flags);
// True when the folder denotes the default folder.
bool IsDefaultFolder(const std::wstring& folder, const RegisteredInstall& registered, AccountFlags& flags);
// The folder for a custom installation typed as text: the default folder when
// the text denotes it; otherwise the text with "\" turned into "/", joined
// with "Mirelo Studio".
std::wstring CustomInstallFolder(const std::wstring& editText, const RegisteredInstall& registered,
                                 AccountFlags& flags);
// True when the chosen folder is the registered one and its settings file says
// "IsOverride" = "false" in section "Uninstall": the earlier version is then
// not removed before installing over it.
bool SkipRemovalForFolder(const std::wstring& chosenFolder, const RegisteredInstall& registered);

// True when two paths denote the same folder (compared by their text, after
// removing empty levels, "." and "..").
bool SameFolder(const std::wstring& a, const std::wstring& b);
// Joins with one "/" between the parts unless the first ends with one.
std::wstring JoinPath(const std::wstring& first, const std::wstring& second);

// Writes "APPStore", "AppName", "DeviceID" (new every time) into set.ini; when
// the data folder exists or can be made, also "TZAnalyticsIni" and the
// analytics file's "UpdateTime".
void WriteSettingsFile(const std::wstring& installFolder);
// Writes "InstallPath", then "UnInstallEp" when the remover record (the
// reported one, else the folder + "/uninst.ep") names an existing file.
// Returns the remover record used.
std::wstring WriteInstallRecords(const std::wstring& installFolder, const std::wstring& reportedRemover);

// APPDATA (else the common documents folder) + "TarselData" + "Mirelo Studio".
std::wstring DataFolder();

// The registry values of the key above.
std::pair<bool, std::wstring> ReadRegistryValue(const std::wstring& name);
bool WriteRegistryValue(const std::wstring& name, const std::wstring& text);
