// Interface languages: the fourteen languages the installer knows, the texts
// of "language.json" in the skin, the language combo box of the main window,
// and the languages of the system and of an earlier installation.
#pragma once
#include <array>
#include <cstdint>
#include <string>

#include "ui/framework/paint_manager.h"

inline constexpr int kLanguageCount = 14;
inline constexpr std::array<const wchar_t*, kLanguageCount> kLanguageCodes = {
    L"en-US", L"zh-CN", L"zh-TW", L"id-ID", L"tr-TR", L"de-DE", L"fr-FR",
    L"es-ES", L"pt-PT", L"ja-JP", L"ko-KR", L"pl-PL", L"nl-NL", L"it-IT"};
inline constexpr size_t kMaxLanguageFileBytes = 4194304;

// Chooses the index (the code's position when a code is given, 0 when it is
// unknown; otherwise the index when it is 0 to 13, else 0) and registers the
// texts of "language.json" in that language as numbered texts. Returns the
// index, or 0 when the file is missing, empty or too large; an unparsable
// file registers nothing and the index is still returned.
int LoadLanguage(int index, const std::wstring& code);
// Loads the language, lays the window out again, fits "lbLanguage",
// "lbInstallPath" and "backBtn" to their texts and stores the index in
// InstallerConfig.languageIndex.
void ApplyLanguage(ui::PaintManager& window, int index);
// With a "languageCombo": selects the configured (or the system's) language
// with an "itemselect" notification, then applies it.
void InitLanguageCombo(ui::PaintManager& window);
// The index for the system's user-interface language.
int SystemLanguageIndex();
// The index for a Windows language identifier (0 for unlisted ones).
int LanguageIndexForLangId(uint16_t langId);
// The user-interface language identifier of this session, from the locale
// variables LC_ALL, LC_MESSAGES and LANG ("es_MX.UTF-8" -> 2058); 1033 when unknown.
uint16_t UserDefaultUILanguage();
// The language identifier for a locale name such as "es_MX.UTF-8" or "de"; 0 when unknown.
uint16_t LangIdForLocale(const std::string& locale);
// The language of an earlier installation ("config.ini" in its folder,
// section "Install", key "Language"), loaded after marking the window for a
// new layout.
int ReadInstalledLanguage(ui::PaintManager& window, const std::wstring& folder);
// The code of the language selected in "languageCombo"; empty without one.
std::wstring InstallationLanguage(ui::PaintManager& window);
