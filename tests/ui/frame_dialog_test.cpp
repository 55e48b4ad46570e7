// The frame base (shadow settings, Escape) and the dialogs.
#include <gtest/gtest.h>

#include "ui/frame_support.h"
#include "ui/message_box.h"
#include "ui/ui_test_support.h"

namespace {

std::string WindowWith(const std::string& attributes) {
  return "<Window size=\"100,50\" " + attributes + "><VerticalLayout/></Window>";
}

TEST(SkinFrame, ShadowTakesInRangeValuesAndKeepsDefaultsOtherwise) {
  struct Case {
    const char* attributes;
    bool created;
    int size, sharpness, darkness, x, y;
    uint32_t color;
  } cases[] = {
      {"", false, 0, 5, 150, 5, 5, 0},
      {"showshadow=\"TRUE\"", true, 0, 5, 150, 5, 5, 0},
      {"showshadow=\"yes\" shadowsize=\"6\"", false, 0, 5, 150, 5, 5, 0},
      {"showshadow=\"true\" shadowsize=\"30\" shadowdarkness=\"300\"", true, 0, 5, 150, 5, 5, 0},
      {"showshadow=\"true\" shadowsize=\"-20\" shadowsharpness=\"21\" shadowdarkness=\"255\"", true, -20, 5, 255, 5, 5, 0},
      {"showshadow=\"true\" shadowsize=\"-21\" shadowsharpness=\"0\" shadowdarkness=\"-1\"", true, 0, 0, 150, 5, 5, 0},
      {"showshadow=\"true\" shadowposition=\"-20,20\" shadowcolor=\"#26003B76\"", true, 0, 5, 150, -20, 20, 0x26003B76},
      {"showshadow=\"true\" shadowposition=\"21,1\" shadowcolor=\"ff0000\"", true, 0, 5, 150, 5, 5, 0xFF0000},
      {"showshadow=\"true\" shadowposition=\"3\" shadowholeoffset=\"1,2,3,4\"", true, 0, 5, 150, 5, 5, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.attributes);
    uitest::ScopedSkin skin({{"w.xml", WindowWith(c.attributes)}});
    uitest::TestFrame w(L"w.xml");
    ASSERT_NE(w.Create(nullptr, L"w", 0, 0), 0u);
    const CWindowShadow& s = w.Shadow();
    EXPECT_EQ(s.IsCreated(), c.created);
    EXPECT_EQ(s.GetSize(), c.size);
    EXPECT_EQ(s.GetSharpness(), c.sharpness);
    EXPECT_EQ(s.GetDarkness(), c.darkness);
    EXPECT_EQ(s.GetOffsetX(), c.x);
    EXPECT_EQ(s.GetOffsetY(), c.y);
    EXPECT_EQ(s.GetColor(), c.color);
  }
}

TEST(SkinFrame, ShadowBitmapSurroundsTheWindowInItsColour) {
  CWindowShadow s;
  ASSERT_TRUE(s.SetSize(6));
  ASSERT_TRUE(s.SetSharpness(10));
  ASSERT_TRUE(s.SetDarkness(120));
  ASSERT_TRUE(s.SetPosition(1, 1));
  s.SetColor(0x26003B76);  // red 0x76 in the lowest byte
  ui::Rect m = s.Margins();
  ui::Image img = s.Render(ui::Size{100, 50}, nullptr);
  EXPECT_EQ(img.width, 100 + m.left + m.right);
  EXPECT_EQ(img.height, 50 + m.top + m.bottom);
  auto px = [&](int x, int y) { return &img.pixels[(static_cast<size_t>(y) * img.width + x) * 4]; };
  const uint8_t* inside = px(m.left + 50, m.top + 25);
  EXPECT_EQ(inside[0], 0x76);
  EXPECT_EQ(inside[1], 0x3B);
  EXPECT_EQ(inside[2], 0x00);
  EXPECT_EQ(inside[3], 120);
  EXPECT_EQ(px(0, 0)[3], 0);  // fades out at the edge
  EXPECT_GT(px(m.left + 50, m.top + 50 + 3)[3], px(m.left + 50, m.top + 50 + 12)[3]);
}

TEST(SkinFrame, EscapeNeverClosesAWindow) {
  uitest::TestFrame w(L"MainWnd.xml");
  ASSERT_NE(w.Create(nullptr, L"w", ui::WS_OVERLAPPEDWINDOW, 0), 0u);
  w.ShowWindow(true);
  w.PostKey(ui::VK_ESCAPE);
  w.PostMessage(ui::WM_KEYDOWN, ui::VK_ESCAPE, 0);
  ui::PumpPendingMessages();
  EXPECT_TRUE(w.IsWindow());
  EXPECT_TRUE(w.FilterKey(ui::WM_KEYDOWN, ui::VK_ESCAPE, 0));
  EXPECT_FALSE(w.FilterKey(ui::WM_KEYDOWN, ui::VK_RETURN, 0));
  EXPECT_FALSE(w.FilterKey(ui::WM_KEYUP, ui::VK_ESCAPE, 0));
}

TEST(SkinFrame, WithoutTheSkinResourceTheWindowHasNoContent) {
  uitest::ScopedSkin none(uitest::ScopedSkin::NoSkin{});
  uitest::TestFrame w(L"MainWnd.xml");
  ASSERT_NE(w.Create(nullptr, L"w", 0, 0), 0u);
  EXPECT_EQ(w.readyCalls, 0);
  EXPECT_EQ(w.GetPaintManager().GetRoot(), nullptr);
  EXPECT_EQ(w.FindControl(L"closebtn"), nullptr);
}

TEST(SkinFrameDeathTest, ALayoutThatCannotBeBuiltEndsTheProcessWithCode1) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  uitest::ScopedSkin skin({{"broken.xml", "<Window><VerticalLayout>"}});
  EXPECT_EXIT(
      {
        uitest::TestFrame w(L"broken.xml");
        w.Create(nullptr, L"w", 0, 0);
      },
      testing::ExitedWithCode(1), "");
  EXPECT_EXIT(
      {
        uitest::TestFrame w(L"absent.xml");
        w.Create(nullptr, L"w", 0, 0);
      },
      testing::ExitedWithCode(1), "");
}

// Acts on every dialog when it is shown.
class DialogDriver {
 public:
  explicit DialogDriver(std::function<void(CMessageBoxWnd*)> act) {
    ui::SetWindowShownHookForTesting([act](ui::LayoutWindowBase* w) {
      if (auto* box = dynamic_cast<CMessageBoxWnd*>(w)) act(box);
    });
  }
  ~DialogDriver() { ui::SetWindowShownHookForTesting(nullptr); }
};

TEST(ShowMessageBox, ResultTellsWhichButtonClosedTheDialog) {
  uitest::TestFrame owner(L"MainWnd.xml");
  ASSERT_NE(owner.Create(nullptr, L"owner", 0, 0), 0u);
  owner.ShowWindow(true);
  struct Case {
    const wchar_t* layout;
    const wchar_t* click;
    int32_t result;
  } cases[] = {
      {L"ExitTipWnd.xml", L"okBtn", 0},          {L"ExitTipWnd.xml", L"cancelBtn", 1},
      {L"ExitTipWnd.xml", L"closebtn", 2},       {L"NetworkTipWnd.xml", L"okBtn", 0},
      {L"InstalledPathTipWnd.xml", L"cancelBtn", 1}, {L"MessageBox2Wnd.xml", L"closebtn", 2},
  };
  for (const auto& c : cases) {
    bool ownerDisabled = false;
    DialogDriver driver([&](CMessageBoxWnd* box) {
      ownerDisabled = !owner.IsWindowEnabled();
      box->PostKey(ui::VK_ESCAPE);  // swallowed: the dialog stays
      ASSERT_TRUE(box->PostClickOn(c.click));
    });
    EXPECT_EQ(ShowMessageBox(&owner, MakeSkinDescriptor(c.layout)), c.result)
        << platform::WideToUtf8(c.layout) << " " << platform::WideToUtf8(c.click);
    EXPECT_TRUE(ownerDisabled);
    EXPECT_TRUE(owner.IsWindowEnabled());
  }
}

TEST(ShowMessageBox, CloseRequestFromElsewhereGivesOne) {
  DialogDriver driver([](CMessageBoxWnd* box) { box->PostMessage(ui::WM_CLOSE); });
  EXPECT_EQ(ShowMessageBox(nullptr, MakeSkinDescriptor(L"MessageBox1Wnd.xml"), L"x", L"y"), 1);
}

TEST(ShowMessageBox, FillsTextAndCaptionOnlyWhereTheLayoutHasThem) {
  std::wstring text, caption, exitTexts;
  DialogDriver driver([&](CMessageBoxWnd* box) {
    if (box->TextLabel()) text = box->TextLabel()->GetText();
    if (box->CaptionLabel()) caption = box->CaptionLabel()->GetText();
    if (!box->TextLabel()) {
      box->GetPaintManager().GetRoot()->ForEach([&](ui::Control* c) { exitTexts += c->GetText() + L"|"; });
    }
    box->PostClickOn(L"okBtn");
  });
  EXPECT_EQ(ShowMessageBox(nullptr, MakeSkinDescriptor(L"MessageBox2Wnd.xml"), L"无效路径", L"温馨提示"), 0);
  EXPECT_EQ(text, L"无效路径");
  EXPECT_EQ(caption, L"温馨提示");
  ShowMessageBox(nullptr, MakeSkinDescriptor(L"MessageBox1Wnd.xml"), L"安装程序检测到米瑞洛\r\n正在运行，请退出程序后再安装");
  EXPECT_EQ(text, L"安装程序检测到米瑞洛\r\n正在运行，请退出程序后再安装");
  EXPECT_EQ(caption, L"CAPTION");  // no caption given: the layout's own stays
  EXPECT_EQ(ShowMessageBox(nullptr, MakeSkinDescriptor(L"ExitTipWnd.xml"), L"T", L"C"), 0);
  EXPECT_NE(exitTexts.find(L"您确定要退出安装吗？"), std::wstring::npos);
  EXPECT_NE(exitTexts.find(L"温馨提示"), std::wstring::npos);
  EXPECT_EQ(exitTexts.find(L"|T|"), std::wstring::npos);
}

TEST(ShowMessageBox, DialogIsCentredOverItsOwnerWithinTheWorkArea) {
  uitest::TestFrame owner(L"MainWnd.xml");
  ASSERT_NE(owner.Create(nullptr, L"owner", 0, 0), 0u);
  owner.ShowWindow(true);
  ui::Rect dialog;
  DialogDriver driver([&](CMessageBoxWnd* box) {
    dialog = box->GetWindowRect();
    box->PostClickOn(L"okBtn");
  });
  owner.MoveWindow(100, 100, 600, 400);
  ShowMessageBox(&owner, MakeSkinDescriptor(L"ExitTipWnd.xml"));
  EXPECT_EQ(dialog, (ui::Rect{220, 210, 580, 390}));
  owner.MoveWindow(-500, -300, 600, 400);  // partly off screen: kept inside the work area
  ShowMessageBox(&owner, MakeSkinDescriptor(L"ExitTipWnd.xml"));
  EXPECT_EQ(dialog.left, 0);
  EXPECT_EQ(dialog.top, 0);
  owner.Minimize();  // a minimised owner: centred on the work area
  ShowMessageBox(&owner, MakeSkinDescriptor(L"ExitTipWnd.xml"));
  ui::Rect work = ui::CurrentBackend().WorkArea();
  EXPECT_EQ(dialog.left, (work.Width() - 360) / 2);
}

}  // namespace
