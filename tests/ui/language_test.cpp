// Interface languages on a skin made in the test.
#include <gtest/gtest.h>

#include <cstdlib>

#include "app/config.h"
#include "support/temp_dir.h"
#include "ui/frame_support.h"
#include "ui/framework/markup.h"
#include "ui/language.h"
#include "ui/ui_test_support.h"

namespace {

std::string LanguageLayout() {
  std::string items;
  for (const wchar_t* code : kLanguageCodes) items += "<Item text=\"" + platform::WideToUtf8(code) + "\"/>";
  return R"(<Window size="300,100"><Font id="0" name="微软雅黑" size="14" default="true"/><VerticalLayout>
      <Combo name="languageCombo" height="24">)" + items + R"(</Combo>
      <Label name="lbLanguage" text="%{1}" height="24" textpadding="6,0,0,0" />
      <Button name="backBtn" text="%{2}" height="24" />
      <Label name="lbInstallPath" text="fixed" height="24" />
    </VerticalLayout></Window>)";
}

const char kLanguageJson[] = R"([
  {"id": 1, "en-US": "Language", "de-DE": "Sprache", "ja-JP": "言語", "es-ES": "Idioma"},
  {"id": 2, "en-US": "Back", "de-DE": "Zurück"},
  {"id": 104, "en-US": "Not enough disk space", "de-DE": "Nicht genug Speicherplatz", "zh-CN": "磁盘空间不足"},
  {"id": "bad", "en-US": "ignored"},
  "not an entry"
])";

class LanguageTest : public ::testing::Test {
 protected:
  explicit LanguageTest(std::string json = kLanguageJson)
      : skin_({{"main.xml", LanguageLayout()}, {"language.json", json}}) {
    ui::language::Clear();
    InstallerConfig.languageIndex = -1;
    EXPECT_NE(w_.Create(nullptr, L"w", 0, 0), 0u);
    w_.GetPaintManager().AddNotifier(&listener_);
  }
  ~LanguageTest() override {
    ui::language::Clear();
    InstallerConfig.languageIndex = -1;
  }
  ui::Combo* Combo() {
    return static_cast<ui::Combo*>(w_.FindControl(L"languageCombo")->GetInterface(L"Combo"));
  }
  struct Listener : ui::NotifyListener {
    std::vector<std::pair<std::wstring, ui::WPARAM>> seen;
    void Notify(ui::Notification& n) override { seen.emplace_back(n.type, n.wParam); }
  } listener_;
  uitest::ScopedSkin skin_;
  uitest::TestFrame w_{L"main.xml"};
};

TEST_F(LanguageTest, ConfiguredLanguageSelectsTheComboAndTheTexts) {
  InstallerConfig.languageIndex = 5;  // "-language 5"
  InitLanguageCombo(w_.GetPaintManager());
  EXPECT_EQ(Combo()->GetCurSel(), 5);
  EXPECT_EQ(listener_.seen, (std::vector<std::pair<std::wstring, ui::WPARAM>>{{L"itemselect", 5}}));
  EXPECT_NE(w_.GetPaintManager().GetFocus(), Combo());
  EXPECT_EQ(InstallationLanguage(w_.GetPaintManager()), L"de-DE");
  EXPECT_EQ(InstallerConfig.languageIndex, 5);
  EXPECT_EQ(ui::language::GetText(104), L"Nicht genug Speicherplatz");
  EXPECT_EQ(w_.FindControl(L"lbLanguage")->DisplayText(), L"Sprache");
  // Labels are fitted to their text plus the left text padding.
  ui::Control* label = w_.FindControl(L"lbLanguage");
  EXPECT_EQ(label->GetFixedWidth(), w_.GetPaintManager().MeasureText(label, L"Sprache").cx + 6);
  ui::Control* back = w_.FindControl(L"backBtn");
  EXPECT_EQ(back->GetFixedWidth(), w_.GetPaintManager().MeasureText(back, L"Zurück").cx);
  EXPECT_GT(w_.FindControl(L"lbInstallPath")->GetFixedWidth(), 0);
}

TEST_F(LanguageTest, SystemLanguageDecidesWithoutAnOption) {
  struct Case {
    uint16_t langId;
    int index;
  } cases[] = {{2058, 7}, {1034, 7}, {20490, 7}, {3082, 7}, {2052, 0}, {1033, 0}, {1028, 2}, {1046, 8},
               {2070, 0}, {2067, 12}, {1049, 0}, {0, 0}, {1041, 9}};
  for (const auto& c : cases) EXPECT_EQ(LanguageIndexForLangId(c.langId), c.index) << c.langId;
  struct Locale {
    const char* value;
    uint16_t langId;
  } locales[] = {{"es_MX.UTF-8", 2058}, {"zh_CN.UTF-8", 2052}, {"de_AT@euro", 3079}, {"es", 3082},
                 {"C", 0},              {"", 0},              {"xx_YY", 0}};
  for (const auto& l : locales) EXPECT_EQ(LangIdForLocale(l.value), l.langId) << l.value;

  const char* saved[3] = {std::getenv("LC_ALL"), std::getenv("LC_MESSAGES"), std::getenv("LANG")};
  std::string keep[3] = {saved[0] ? saved[0] : "", saved[1] ? saved[1] : "", saved[2] ? saved[2] : ""};
  unsetenv("LC_ALL");
  unsetenv("LC_MESSAGES");
  setenv("LANG", "es_MX.UTF-8", 1);
  EXPECT_EQ(SystemLanguageIndex(), 7);
  InitLanguageCombo(w_.GetPaintManager());
  EXPECT_EQ(InstallationLanguage(w_.GetPaintManager()), L"es-ES");
  EXPECT_EQ(ui::language::GetText(1), L"Idioma");
  setenv("LANG", "zh_CN.UTF-8", 1);
  EXPECT_EQ(SystemLanguageIndex(), 0);
  const char* names[3] = {"LC_ALL", "LC_MESSAGES", "LANG"};
  for (int i = 0; i < 3; ++i) {
    if (saved[i]) {
      setenv(names[i], keep[i].c_str(), 1);
    } else {
      unsetenv(names[i]);
    }
  }
}

TEST_F(LanguageTest, EarlierInstallationLanguageComesFromItsConfigFile) {
  testsupport::TempDir dir;
  EXPECT_EQ(ReadInstalledLanguage(w_.GetPaintManager(), dir.wstr()), 0);  // no config.ini
  testsupport::WriteFile(dir / "config.ini", "[Install]\r\nLanguage=ja-JP\r\n");
  int index = ReadInstalledLanguage(w_.GetPaintManager(), dir.wstr());
  EXPECT_EQ(index, 9);
  EXPECT_TRUE(w_.GetPaintManager().IsUpdateNeeded());
  EXPECT_EQ(ui::language::GetText(1), L"言語");
  Combo()->SelectItem(index);
  EXPECT_EQ(InstallationLanguage(w_.GetPaintManager()), L"ja-JP");
  testsupport::WriteFile(dir / "config.ini", "[Install]\r\nOther=1\r\n");  // default "en-US"
  EXPECT_EQ(ReadInstalledLanguage(w_.GetPaintManager(), dir.wstr()), 0);
  testsupport::WriteFile(dir / "config.ini", "[Install]\r\nLanguage=xx-XX\r\n");
  EXPECT_EQ(ReadInstalledLanguage(w_.GetPaintManager(), dir.wstr()), 0);
}

TEST_F(LanguageTest, LoadLanguageIndexRules) {
  struct Case {
    int index;
    const wchar_t* code;
    int result;
  } cases[] = {{3, L"", 3},       {14, L"", 0},       {-1, L"", 0},      {0, L"zh-TW", 2},
               {9, L"de-DE", 5}, {5, L"DE-de", 0},  {5, L"fr", 0},     {13, L"", 13}};
  for (const auto& c : cases) EXPECT_EQ(LoadLanguage(c.index, c.code), c.result) << platform::WideToUtf8(c.code);
  LoadLanguage(9, L"");
  LoadLanguage(1, L"");
  EXPECT_EQ(ui::language::GetText(104), L"磁盘空间不足");
  EXPECT_EQ(ui::language::GetText(1), L"言語");  // no zh-CN text: the earlier one stays
}

class BrokenLanguageFile : public LanguageTest {
 protected:
  BrokenLanguageFile() : LanguageTest("[{\"id\": 1, \"en-US\": \"x\"") {}
};

TEST_F(BrokenLanguageFile, UnparsableFileRegistersNothingButKeepsTheIndex) {
  EXPECT_EQ(LoadLanguage(4, L""), 4);
  EXPECT_FALSE(ui::language::HasText(1));
}

class HugeLanguageFile : public LanguageTest {
 protected:
  HugeLanguageFile()
      : LanguageTest("[{\"id\": 104, \"en-US\": \"x\"}]" + std::string(kMaxLanguageFileBytes, ' ')) {}
};

TEST_F(HugeLanguageFile, FileOverFourMebibytesIsNotRead) {
  EXPECT_EQ(LoadLanguage(4, L""), 0);
  EXPECT_FALSE(ui::language::HasText(104));
}

TEST(Language, NoComboMeansNoInstallationLanguage) {
  uitest::ScopedSkin skin({{"plain.xml", "<Window size=\"10,10\"><VerticalLayout/></Window>"}});
  uitest::TestFrame w(L"plain.xml");
  ASSERT_NE(w.Create(nullptr, L"w", 0, 0), 0u);
  InstallerConfig.languageIndex = 5;
  InitLanguageCombo(w.GetPaintManager());  // nothing to do
  EXPECT_EQ(InstallerConfig.languageIndex, 5);
  EXPECT_EQ(InstallationLanguage(w.GetPaintManager()), L"");
  EXPECT_EQ(LoadLanguage(5, L""), 0);  // no language file
  InstallerConfig.languageIndex = -1;
}

}  // namespace
