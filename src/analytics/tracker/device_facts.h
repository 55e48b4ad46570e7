// Facts about the machine that the tracker reports: system name and version,
// 64-bit, user agent, locale, screen size, its data folder and new ids.
#pragma once
#include <string>

namespace tarsel {
namespace analytics {

// Name "Linux" and the kernel release as major.minor.patch ("XP-" when unknown).
void getOsNameAndVersion(std::string& name, std::string& version);
bool isWow64System();  // true on a 64-bit machine
// "Mozilla/5.0(" + name + " " + version + "; Win64;)" (or "; Win32;)").
std::string getUserAgent();
std::string formatUserAgent(const std::string& name, const std::string& version, bool is64);
// From LC_ALL, LC_MESSAGES or LANG (first one set): "es_MX.UTF-8" gives es, MX,
// es_MX. False (outputs unchanged) when no language and country can be read.
bool getSystemLocale(std::string& language, std::string& country, std::string& locale);
// Splits at the first "_"; false when there is none.
bool splitLocale(const std::string& locale, std::string& language, std::string& country);
// "LOCALAPPDATA" when set, else ${XDG_DATA_HOME:-~/.local/share}; empty when none is known.
std::string getBaseFolder();
// A GUID in upper-case "8-4-4-4-12" form.
std::string newDistinctId();

// The primary screen size; 0 x 0 until the user interface reports it. A
// running tracker sends the new size with every later event.
void SetPrimaryScreenSize(int width, int height);
void getPrimaryScreenSize(int& width, int& height);

// Path of the running executable (its folder holds "Set.ini"); tests may replace it.
std::wstring trackerExecutablePath();
void SetExecutablePathForTesting(const std::wstring& path);

}  // namespace analytics
}  // namespace tarsel
