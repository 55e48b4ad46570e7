#include "ui/language.h"

#include <json/json.h>

#include <cstring>
#include <memory>

#include "app/config.h"
#include "platform/files.h"
#include "platform/ini.h"
#include "platform/process_info.h"
#include "platform/utf.h"
#include "ui/framework/skin_archive.h"

namespace {

struct LocaleId {
  const char* name;
  uint16_t langId;
};

// Locales the installer knows, by "language_COUNTRY", then by language alone.
constexpr LocaleId kLocales[] = {
    {"en_US", 1033}, {"en_GB", 2057}, {"en_AU", 3081}, {"en_CA", 4105}, {"zh_CN", 2052}, {"zh_SG", 4100},
    {"zh_TW", 1028}, {"zh_HK", 3076}, {"id_ID", 1057}, {"tr_TR", 1055}, {"de_DE", 1031}, {"de_CH", 2055},
    {"de_AT", 3079}, {"fr_FR", 1036}, {"fr_BE", 2060}, {"fr_CA", 3084}, {"fr_CH", 4108}, {"es_ES", 3082},
    {"es_MX", 2058}, {"es_GT", 4106}, {"es_CR", 5130}, {"es_PA", 6154}, {"es_DO", 7178}, {"es_VE", 8202},
    {"es_CO", 9226}, {"es_PE", 10250}, {"es_AR", 11274}, {"es_EC", 12298}, {"es_CL", 13322}, {"es_UY", 14346},
    {"es_PY", 15370}, {"es_BO", 16394}, {"es_SV", 17418}, {"es_HN", 18442}, {"es_NI", 19466}, {"es_PR", 20490},
    {"pt_BR", 1046}, {"pt_PT", 2070}, {"ja_JP", 1041}, {"ko_KR", 1042}, {"pl_PL", 1045}, {"nl_NL", 1043},
    {"nl_BE", 2067}, {"it_IT", 1040}, {"ru_RU", 1049},
    {"en", 1033}, {"zh", 2052}, {"id", 1057}, {"tr", 1055}, {"de", 1031}, {"fr", 1036}, {"es", 3082},
    {"pt", 2070}, {"ja", 1041}, {"ko", 1042}, {"pl", 1045}, {"nl", 1043}, {"it", 1040}, {"ru", 1049},
};

ui::Combo* LanguageCombo(ui::PaintManager& window) {
  ui::Control* c = window.FindControl(L"languageCombo");
  return c ? static_cast<ui::Combo*>(c->GetInterface(L"Combo")) : nullptr;
}

}  // namespace

int LoadLanguage(int index, const std::wstring& code) {
  if (!code.empty()) {
    index = 0;
    for (int i = 0; i < kLanguageCount; ++i) {
      if (code == kLanguageCodes[static_cast<size_t>(i)]) index = i;
    }
  } else if (index < 0 || index >= kLanguageCount) {
    index = 0;
  }
  std::string bytes;
  if (!ui::skin::ReadFile(L"language.json", bytes) || bytes.empty() || bytes.size() > kMaxLanguageFileBytes) return 0;
  Json::CharReaderBuilder builder;
  std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
  Json::Value root;
  std::string errors;
  if (!reader->parse(bytes.data(), bytes.data() + bytes.size(), &root, &errors)) return index;
  if (!root.isArray() && !root.isObject()) return index;
  const std::string wanted = platform::WideToUtf8(kLanguageCodes[static_cast<size_t>(index)]);
  for (const auto& entry : root) {
    if (!entry.isObject()) continue;
    const Json::Value& id = entry["id"];
    const Json::Value& text = entry[wanted];
    if (!id.isInt() || !text.isString()) continue;
    ui::language::SetText(id.asInt(), platform::Utf8ToWide(text.asString()));
  }
  return index;
}

void ApplyLanguage(ui::PaintManager& window, int index) {
  index = LoadLanguage(index, L"");
  window.NeedUpdate();
  for (const wchar_t* name : {L"lbLanguage", L"lbInstallPath", L"backBtn"}) {
    ui::Control* c = window.FindControl(name);
    if (!c) continue;
    c->SetFixedWidth(window.MeasureText(c, c->DisplayText()).cx + c->GetTextPadding().left);
  }
  InstallerConfig.languageIndex = index;
}

void InitLanguageCombo(ui::PaintManager& window) {
  ui::Combo* combo = LanguageCombo(window);
  if (!combo) return;
  int index = InstallerConfig.languageIndex;
  if (index == -1) index = SystemLanguageIndex();
  combo->SelectItem(index, false, true);
  ApplyLanguage(window, index);
}

int LanguageIndexForLangId(uint16_t langId) {
  switch (langId) {
    case 1033: return 0;
    case 1028: return 2;
    case 1057: return 3;
    case 1055: return 4;
    case 1031: return 5;
    case 1036: return 6;
    case 1046: return 8;
    case 1041: return 9;
    case 1042: return 10;
    case 1045: return 11;
    case 1043:
    case 2067: return 12;
    case 1040: return 13;
    default: break;
  }
  // Spanish: 1034 and every regional variant from 2058 to 20490.
  if (langId == 1034 || ((langId & 0x3FF) == 0x0A && langId >= 2058 && langId <= 20490)) return 7;
  return 0;
}

uint16_t LangIdForLocale(const std::string& locale) {
  std::string name = locale.substr(0, locale.find_first_of(".@"));
  for (const auto& l : kLocales) {
    if (name == l.name) return l.langId;
  }
  std::string language = name.substr(0, name.find('_'));
  for (const auto& l : kLocales) {
    if (language == l.name) return l.langId;
  }
  return 0;
}

uint16_t UserDefaultUILanguage() {
  for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    std::string value;
    if (platform::GetEnv(variable, value) && !value.empty()) {
      uint16_t id = LangIdForLocale(value);
      return id ? id : 1033;
    }
  }
  return 1033;
}

int SystemLanguageIndex() { return LanguageIndexForLangId(UserDefaultUILanguage()); }

int ReadInstalledLanguage(ui::PaintManager& window, const std::wstring& folder) {
  std::wstring code;
  std::wstring path = folder;
  if (!path.empty() && path.back() != L'/') path += L'/';
  path += L"config.ini";
  if (platform::IsRegularFile(path)) code = platform::ReadProfileString(L"Install", L"Language", L"en-US", path);
  window.NeedUpdate();
  return LoadLanguage(0, code);
}

std::wstring InstallationLanguage(ui::PaintManager& window) {
  ui::Combo* combo = LanguageCombo(window);
  if (!combo) return L"";
  int sel = combo->GetCurSel();
  if (sel < 0 || sel >= kLanguageCount) return L"";
  return kLanguageCodes[static_cast<size_t>(sel)];
}
