#include "utils/system_identity.h"

#include <cwchar>

#include "platform/files.h"
#include "platform/system_info.h"

namespace Utils {

std::wstring InstallerTempFolder() {
  std::wstring base = platform::TempPath();
  if (base.empty()) return {};
  std::wstring folder = base + kInstallerTempFolderName + L"/";
  if (folder.size() > 259) return {};
  if (!platform::EnsurePrivateDirectory(folder)) return {};
  return folder;
}

std::wstring FormatGuidText(uint32_t data1, uint16_t data2, uint16_t data3, const uint8_t data4[8]) {
  wchar_t buf[40];
  std::swprintf(buf, 40, L"%08X%04X%04x%02X%02X%02X%02X%02X%02X%02X%02X", data1, data2, data3, data4[0], data4[1],
                data4[2], data4[3], data4[4], data4[5], data4[6], data4[7]);
  return buf;
}

std::wstring NewGuidText() {
  platform::GuidBytes g = platform::NewGuid();
  return FormatGuidText(g.data1, g.data2, g.data3, g.data4);
}

OsVersion OsVersionName() {
  OsVersion v{L"Linux", L"XP-"};
  platform::KernelVersion k = platform::GetKernelVersion();
  if (!k.known) return v;
  v.name = std::to_wstring(k.major) + L"." + std::to_wstring(k.minor) + L"." + std::to_wstring(k.patch);
  return v;
}

}  // namespace Utils
