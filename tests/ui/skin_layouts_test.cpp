// The built-in skin: every layout, its window values and named controls.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "ui/frame_support.h"
#include "ui/framework/markup.h"
#include "ui/ui_test_support.h"

namespace {

struct Named {
  const wchar_t* name;
  const wchar_t* cls;
  const wchar_t* text;  // null: not checked
};

struct LayoutCase {
  const wchar_t* file;  // as the installer's code names it
  int width, height, captionBottom, cornerX, cornerY;
  int shadowSize, sharpness, darkness, offsetX, offsetY;
  uint32_t color;
  std::map<int, int> fontSizes;
  std::vector<Named> controls;
};

const std::vector<LayoutCase>& Layouts() {
  static const std::vector<LayoutCase> cases = {
      {L"MainWnd.xml", 600, 400, 35, 1, 0, 6, 10, 20, 1, 1, 0x26003B76,
       {{0, 14}, {1, 18}, {2, 14}, {3, 12}, {4, 24}, {5, 32}, {6, 16}},
       {{L"winCtn", L"VerticalLayout", nullptr},
        {L"titleTabLt", L"TabLayout", nullptr},
        {L"backBtn", L"Button", nullptr},
        {L"titleGrpCtn", L"HorizontalLayout", nullptr},
        {L"minbtn", L"Button", nullptr},
        {L"closebtn", L"Button", nullptr},
        {L"mainTabLt", L"TabLayout", nullptr},
        {L"defaultInstallBtn", L"Button", nullptr},
        {L"tipLbl", L"Label", nullptr},
        {L"treatyCb", L"CheckBox", L"已同意"},
        {L"treatyBtn", L"CheckBox", L"《用户许可协议》"},
        {L"customeBtn", L"Button", L"自定义安装"},
        {L"installDirEdit", L"Edit", nullptr},
        {L"chDirBtn", L"Button", nullptr},
        {L"createDSCb", L"CheckBox", L"创建桌面快捷方式"},
        {L"createQSCb", L"CheckBox", L"添加到快速启动栏"},
        {L"customeInstallBtn", L"Button", nullptr},
        {L"progressAnLb", L"SequenceLabel", nullptr},
        {L"progressLb", L"Label", L"正在安装中:0%，请稍候..."},
        {L"installPrg", L"Progress", nullptr},
        {L"openProduceBtn", L"Button", nullptr}}},
      {L"ExitTipWnd.xml", 360, 180, 30, 2, 2, 6, 10, 20, 1, 1, 0x26003B76,
       {{0, 14}, {1, 16}, {2, 14}, {3, 14}, {4, 12}, {5, 30}},
       {{L"okBtn", L"Button", L"是"},
        {L"cancelBtn", L"Button", L"否"},
        {L"closebtn", L"Button", nullptr},
        {L"abcc", L"Label", L"您确定要退出安装吗？"}}},
      {L"InstalledPathTipWnd.xml", 400, 180, 30, 1, 0, 6, 10, 10, 1, 1, 0xFFEDF0F4,
       {{0, 16}, {1, 16}},
       {{L"cancelBtn", L"Button", L"打开软件"}, {L"okBtn", L"Button", L"安装最新版本"}, {L"closebtn", L"Button", nullptr}}},
      {L"NetworkTipWnd.xml", 360, 180, 30, 2, 2, 6, 10, 20, 1, 1, 0x26003B76,
       {{0, 14}, {1, 14}},
       {{L"cancelBtn", L"Button", L"稍后再试"}, {L"okBtn", L"Button", L"重新安装"}, {L"closebtn", L"Button", nullptr}}},
      {L"MessageBox1Wnd.xml", 360, 180, 30, 2, 2, 6, 10, 20, 1, 1, 0x26003B76,
       {{0, 14}, {1, 16}},
       {{L"captionLbl", L"Label", L"CAPTION"}, {L"textLbl", L"Label", L"TEXT"}, {L"closebtn", L"Button", nullptr}}},
      {L"MessageBox2Wnd.xml", 360, 180, 30, 2, 2, 6, 10, 20, 1, 1, 0x26003B76,
       {{0, 14}, {1, 14}},
       {{L"captionLbl", L"Label", L"CAPTION"}, {L"textLbl", L"Label", L"TEXT"}, {L"closebtn", L"Button", nullptr}}},
  };
  return cases;
}

// Every text shown by a layout (its labels and buttons), for the fixed texts.
std::set<std::wstring> Texts(ui::LayoutWindowBase& w) {
  std::set<std::wstring> texts;
  w.GetPaintManager().GetRoot()->ForEach([&](ui::Control* c) {
    if (!c->GetText().empty()) texts.insert(c->GetText());
  });
  return texts;
}

TEST(BuiltInSkin, EveryLayoutHasItsWindowValuesFontsAndNamedControls) {
  for (const auto& lc : Layouts()) {
    SCOPED_TRACE(testing::Message() << platform::WideToUtf8(lc.file));
    uitest::TestFrame w(lc.file);
    ASSERT_NE(w.Create(nullptr, L"t", ui::WS_OVERLAPPEDWINDOW, 0), 0u);
    ASSERT_EQ(w.readyCalls, 1);
    EXPECT_EQ(w.GetWindowClassName(), std::wstring(lc.file).substr(0, std::wcslen(lc.file) - 4));
    auto& pm = w.GetPaintManager();
    EXPECT_EQ(w.GetWindowRect().Width(), lc.width);
    EXPECT_EQ(w.GetWindowRect().Height(), lc.height);
    EXPECT_EQ(pm.GetCaptionRect(), (ui::Rect{0, 0, 0, lc.captionBottom}));
    EXPECT_EQ(pm.GetRoundCorner().cx, lc.cornerX);
    EXPECT_EQ(pm.GetRoundCorner().cy, lc.cornerY);
    const CWindowShadow& s = w.Shadow();
    EXPECT_TRUE(s.IsCreated());
    EXPECT_EQ(s.GetSize(), lc.shadowSize);
    EXPECT_EQ(s.GetSharpness(), lc.sharpness);
    EXPECT_EQ(s.GetDarkness(), lc.darkness);
    EXPECT_EQ(s.GetOffsetX(), lc.offsetX);
    EXPECT_EQ(s.GetOffsetY(), lc.offsetY);
    EXPECT_EQ(s.GetColor(), lc.color);
    for (auto [id, size] : lc.fontSizes) {
      EXPECT_EQ(pm.GetFont(id).size, size) << id;
      EXPECT_EQ(pm.GetFont(id).face, L"微软雅黑");
    }
    EXPECT_EQ(pm.GetFont(-1).size, lc.fontSizes.at(0));  // font 0 is the default
    for (const auto& n : lc.controls) {
      ui::Control* c = w.FindControl(n.name);
      ASSERT_NE(c, nullptr) << platform::WideToUtf8(n.name);
      EXPECT_EQ(c->GetClass(), n.cls) << platform::WideToUtf8(n.name);
      if (n.text) {
        EXPECT_EQ(c->GetText(), n.text) << platform::WideToUtf8(n.name);
      }
    }
    // The caption and maximise box are gone from the frame's style.
    EXPECT_EQ(w.GetStyle() & (ui::WS_CAPTION | ui::WS_MAXIMIZEBOX), 0u);
  }
}

TEST(BuiltInSkin, MainWindowDetailsAndDialogFixedTexts) {
  uitest::TestFrame main(L"MainWnd.xml");
  ASSERT_NE(main.Create(nullptr, L"米瑞洛", ui::WS_OVERLAPPEDWINDOW | ui::WS_VISIBLE, 0), 0u);
  main.Render();
  auto pos = [&](const wchar_t* n) { return main.FindControl(n)->GetPos(); };
  EXPECT_EQ(main.FindControl(L"winCtn")->GetBkImage(), L"res\\mainWnd\\bg1.png");
  EXPECT_EQ(pos(L"titleTabLt").Width(), 200);
  EXPECT_EQ(pos(L"minbtn").Width(), 24);
  EXPECT_EQ(pos(L"closebtn").Height(), 24);
  EXPECT_EQ(pos(L"defaultInstallBtn").Width(), 200);
  EXPECT_EQ(main.FindControl(L"defaultInstallBtn")->GetFont(), 6);
  EXPECT_EQ(main.FindControl(L"defaultInstallBtn")->GetTextColor(), 0xFFFFFFFFu);
  EXPECT_FALSE(main.FindControl(L"tipLbl")->IsVisible());
  EXPECT_FALSE(main.FindControl(L"treatyCb")->IsVisible());  // inside the hidden row
  EXPECT_TRUE(static_cast<ui::CheckBox*>(main.FindControl(L"treatyCb")->GetInterface(L"CheckBox"))->IsSelected());
  EXPECT_EQ(main.FindControl(L"treatyBtn")->GetFont(), 2);
  auto* tabs = static_cast<ui::TabLayout*>(main.FindControl(L"mainTabLt")->GetInterface(L"TabLayout"));
  ASSERT_EQ(tabs->GetCount(), 4);
  EXPECT_EQ(tabs->GetCurSel(), 0);
  tabs->SelectItem(1);
  main.Render();
  EXPECT_EQ(pos(L"installDirEdit").Width(), 340);
  EXPECT_EQ(pos(L"chDirBtn").Width(), 81);
  tabs->SelectItem(2);
  main.Render();
  EXPECT_EQ(pos(L"progressAnLb"), (ui::Rect{pos(L"progressAnLb").left, pos(L"progressAnLb").top,
                                             pos(L"progressAnLb").left + 160, pos(L"progressAnLb").top + 160}));
  EXPECT_EQ(pos(L"progressLb").Width(), 360);
  EXPECT_EQ(main.FindControl(L"progressLb")->GetFont(), 1);
  EXPECT_EQ(pos(L"installPrg").Width(), 520);
  EXPECT_EQ(pos(L"installPrg").Height(), 8);
  auto* prg = static_cast<ui::Progress*>(main.FindControl(L"installPrg")->GetInterface(L"Progress"));
  EXPECT_FALSE(prg->IsStretchForeImage());
  auto* anim = static_cast<CSequenceLabelUI*>(main.FindControl(L"progressAnLb")->GetInterface(L"SequenceLabel"));
  ASSERT_NE(anim, nullptr);
  EXPECT_EQ(anim->GetSequenceBkImage(), L"res\\mainWnd\\installBtnAnimate\\%.3d.png");
  EXPECT_EQ(anim->GetSequenceCount(), 25);
  EXPECT_EQ(anim->GetSequenceSpan(), 24);
  EXPECT_FALSE(anim->Animation().backAndForth_);
  EXPECT_TRUE(anim->Animation().autostart_);
  EXPECT_TRUE(anim->Animation().loop_);
  EXPECT_TRUE(Texts(main).count(L"安装完成"));
  EXPECT_EQ(main.FindControl(L"progressLb")->GetTextStyle() & ui::DT_CENTER, ui::DT_CENTER);

  struct Fixed {
    const wchar_t* layout;
    std::vector<const wchar_t*> texts;
  } fixed[] = {
      {L"ExitTipWnd.xml", {L"温馨提示", L"您确定要退出安装吗？"}},
      {L"InstalledPathTipWnd.xml", {L"温馨提示", L"检测到计算机中已存在此软件，是否为您更新为最新版本？"}},
      {L"NetworkTipWnd.xml", {L"温馨提示", L"当前网络环境较差，请在网络通畅时进行重试"}},
  };
  for (const auto& f : fixed) {
    uitest::TestFrame d(f.layout);
    ASSERT_NE(d.Create(nullptr, L"d", 0, 0), 0u);
    auto texts = Texts(d);
    for (const wchar_t* t : f.texts) EXPECT_TRUE(texts.count(t)) << platform::WideToUtf8(t);
    EXPECT_EQ(d.FindControl(L"textLbl"), nullptr);
    EXPECT_EQ(d.FindControl(L"captionLbl"), nullptr);
  }
}

TEST(BuiltInSkin, ArchiveHoldsEveryImageTheLayoutsName) {
  ui::skin::ResetForTesting();
  ASSERT_TRUE(ui::skin::OpenFromResource(147));
  // The images only used for disabled buttons are absent on purpose.
  const std::set<std::wstring> absent = {L"res\\common\\closebtn4.png", L"res\\common\\minbtn4.png",
                                         L"res\\common\\closebtnM_4.png"};
  int checked = 0;
  for (const auto& lc : Layouts()) {
    uitest::TestFrame w(lc.file);
    ASSERT_NE(w.Create(nullptr, L"t", 0, 0), 0u);
    w.GetPaintManager().GetRoot()->ForEach([&](ui::Control* c) {
      for (const wchar_t* attr : {L"bkimage", L"normalimage", L"hotimage", L"pushedimage", L"disabledimage",
                                  L"selectedimage", L"foreimage"}) {
        std::wstring imageText = c->GetLayoutAttribute(attr);
        if (imageText.empty()) continue;
        size_t q = imageText.find(L"file='");
        std::wstring file = q == std::wstring::npos ? imageText : imageText.substr(q + 6, imageText.find(L'\'', q + 6) - q - 6);
        std::string bytes;
        bool found = ui::skin::ReadFile(file, bytes);
        EXPECT_EQ(found, !absent.count(file)) << platform::WideToUtf8(file);
        if (found) {
          EXPECT_NE(ui::DecodeImage(bytes.data(), bytes.size()), nullptr) << platform::WideToUtf8(file);
        }
        ++checked;
      }
    });
  }
  EXPECT_GT(checked, 40);
  std::string bytes;
  for (int i = 0; i < 25; ++i) {
    wchar_t name[64];
    std::swprintf(name, 64, L"res/mainWnd/installBtnAnimate/%03d.png", i);
    ASSERT_TRUE(ui::skin::ReadFile(name, bytes)) << i;
    auto image = ui::DecodeImage(bytes.data(), bytes.size());
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->width, 160);
  }
  for (const wchar_t* bg : {L"res/mainWnd/bg1.png", L"res/mainWnd/bg2.png", L"res/mainWnd/bg3.png", L"res/mainWnd/bg4.png"}) {
    ASSERT_TRUE(ui::skin::ReadFile(bg, bytes));
    auto image = ui::DecodeImage(bytes.data(), bytes.size());
    EXPECT_EQ(image->width, 600);
    EXPECT_EQ(image->height, 400);
  }
  EXPECT_TRUE(ui::skin::ReadFile(L"project.skin", bytes));
  EXPECT_FALSE(ui::skin::ReadFile(L"language.json", bytes));  // the shipped skin has no languages
}

TEST(BuiltInSkin, ArchiveIsOpenedOnceForSeveralWindows) {
  ui::skin::ResetForTesting();
  uitest::TestFrame main(L"MainWnd.xml");
  ASSERT_NE(main.Create(nullptr, L"main", 0, 0), 0u);
  uitest::TestFrame dialog(L"ExitTipWnd.xml");
  ASSERT_NE(dialog.Create(&main, L"dialog", 0, 0), 0u);
  uitest::TestFrame second(L"MessageBox1Wnd.xml");
  ASSERT_NE(second.Create(&main, L"dialog", 0, 0), 0u);
  EXPECT_EQ(ui::skin::OpenCount(), 1);
}

}  // namespace
