// Small facts about the computer: the private temporary folder, GUID texts and
// the operating-system version name.
#pragma once
#include <cstdint>
#include <string>

namespace Utils {

// Name of the private temporary folder inside the system's temporary path.
inline constexpr wchar_t kInstallerTempFolderName[] = L"~TarselTemp.92482B06FB471E17";

// The installer's private temporary folder, ending with a separator, or empty
// when it cannot be had. The folder is created with mode 0700; an existing one
// that is a symbolic link, belongs to another user or is writable by group or
// others is refused (empty), so nobody else can place files the installer runs.
// At most 259 characters.
std::wstring InstallerTempFolder();

// A new GUID as 32 hexadecimal digits, "%08X%04X%04x%02X..." (third group lower case).
std::wstring NewGuidText();
// The same text for given GUID fields (data1, data2, data3, data4[8]).
std::wstring FormatGuidText(uint32_t data1, uint16_t data2, uint16_t data3, const uint8_t data4[8]);

struct OsVersion {
  std::wstring family;  // "Linux"
  std::wstring name;    // "major.minor.patch" of the kernel release; "XP-" when unknown
};
OsVersion OsVersionName();

}  // namespace Utils
