#include <gtest/gtest.h>

#include "support/temp_dir.h"
#include "ui/framework/markup.h"
#include "ui/framework/text_render.h"
#include "ui/ui_test_support.h"

namespace {

using uitest::PixelArgb;

std::unique_ptr<uitest::LayoutWindow> OpenWindow(const std::wstring& layout) {
  auto w = std::make_unique<uitest::LayoutWindow>(layout);
  EXPECT_NE(w->Create(nullptr, L"t", ui::WS_OVERLAPPEDWINDOW, 0), 0u);
  w->Render();
  return w;
}

TEST(Layout, PlacesChildrenByFixedSizesPaddingAndStretch) {
  uitest::ScopedSkin skin({{"l.xml", R"(<Window size="300,200">
    <VerticalLayout name="root" inset="10,10,10,10" childpadding="5">
      <Control name="top" height="20" />
      <HorizontalLayout name="row" childpadding="4">
        <Control name="a" width="50" padding="3,2,0,0" />
        <Control name="b" />
        <Control name="c" />
        <Control name="hidden" width="40" visible="false" />
        <Control name="fl" float="true" pos="5,6,25,16" />
      </HorizontalLayout>
      <Control name="bottom" height="30" width="100" />
    </VerticalLayout></Window>)"}});
  auto w = OpenWindow(L"l.xml");
  auto pos = [&](const wchar_t* name) { return w->FindControl(name)->GetPos(); };
  EXPECT_EQ(pos(L"root"), (ui::Rect{0, 0, 300, 200}));
  EXPECT_EQ(pos(L"top"), (ui::Rect{10, 10, 290, 30}));
  // Rows share what is left: 180 - 20 - 30 - 2 * 5 = 120.
  EXPECT_EQ(pos(L"row"), (ui::Rect{10, 35, 290, 155}));
  EXPECT_EQ(pos(L"bottom"), (ui::Rect{10, 160, 110, 190}));
  // 280 wide: a takes 3 + 50, the two stretching ones share 280 - 53 - 8 = 219.
  EXPECT_EQ(pos(L"a"), (ui::Rect{13, 37, 63, 155}));
  EXPECT_EQ(pos(L"b"), (ui::Rect{67, 35, 176, 155}));
  EXPECT_EQ(pos(L"c"), (ui::Rect{180, 35, 290, 155}));
  EXPECT_EQ(pos(L"fl"), (ui::Rect{15, 41, 35, 51}));
  // Showing a control lays the row out again.
  w->FindControl(L"hidden")->SetVisible(true);
  w->Render();
  EXPECT_EQ(pos(L"hidden"), (ui::Rect{250, 35, 290, 155}));
  EXPECT_LT(pos(L"c").right, 250);
}

TEST(Paint, DrawsColoursImagesNineGridProgressAndCorners) {
  // A 10x10 image: red border of 2, blue inside (for the nine-grid).
  ui::Canvas framed(10, 10);
  framed.Clear(0xFFFF0000);
  framed.FillRect(ui::Rect{2, 2, 8, 8}, 0xFF0000FF);
  uitest::ScopedSkin skin({{"l.xml", R"(<Window size="200,100" roundcorner="20,20">
    <VerticalLayout bkcolor="#FF00FF00">
      <HorizontalLayout height="40">
        <Control name="grid" width="40" bkimage="file='res\framed.png' corner='2,2,2,2'" />
        <Control name="missing" width="40" bkcolor="#FF101010" bkimage="res\none.png" />
        <Progress name="prg" width="100" value="30" foreimage="res\fore.png" isstretchfore="false" />
      </HorizontalLayout>
      <Progress name="prg2" height="10" value="50" foreimage="res\fore.png" />
      <Control />
    </VerticalLayout></Window>)"},
                           {"res/framed.png", ui::EncodePng(framed.Pixels())},
                           {"res/fore.png", uitest::SolidPng(100, 40, 0xFFFFFF00)}});
  auto w = OpenWindow(L"l.xml");
  const ui::Canvas& c = w->Render();
  ASSERT_EQ(c.Width(), 200);
  EXPECT_EQ(PixelArgb(c, 100, 80), 0xFF00FF00u);  // background colour
  EXPECT_EQ(PixelArgb(c, 1, 20), 0xFFFF0000u);    // nine-grid: border kept 2 wide
  EXPECT_EQ(PixelArgb(c, 3, 20), 0xFF0000FFu);    // ... the middle stretched
  EXPECT_EQ(PixelArgb(c, 37, 20), 0xFF0000FFu);
  EXPECT_EQ(PixelArgb(c, 38, 20), 0xFFFF0000u);
  EXPECT_EQ(PixelArgb(c, 60, 20), 0xFF101010u);   // a missing image is not drawn
  EXPECT_EQ(PixelArgb(c, 81, 20), 0xFFFFFF00u);  // progress 30 of 100 px from x 80
  EXPECT_EQ(PixelArgb(c, 109, 20), 0xFFFFFF00u);
  EXPECT_EQ(PixelArgb(c, 111, 20), 0xFF00FF00u);
  EXPECT_EQ(PixelArgb(c, 99, 45), 0xFFFFFF00u);   // stretched foreground: half of 200
  EXPECT_EQ(PixelArgb(c, 101, 45), 0xFF00FF00u);
  EXPECT_EQ(PixelArgb(c, 0, 0) >> 24, 0u);        // rounded corner cut away
  EXPECT_EQ(PixelArgb(c, 199, 99) >> 24, 0u);
  EXPECT_EQ(PixelArgb(c, 10, 10) >> 24, 0xFFu);

  auto* prg = static_cast<ui::Progress*>(w->FindControl(L"prg")->GetInterface(L"Progress"));
  for (auto [set, expect] : {std::pair{150, 100}, std::pair{-5, 0}, std::pair{70, 70}}) {
    prg->SetValue(set);
    EXPECT_EQ(prg->GetValue(), expect);
  }
}

// Counts pixels that differ from the background inside a rectangle.
int InkIn(const ui::Canvas& c, ui::Rect r, uint32_t background) {
  int n = 0;
  for (int y = r.top; y < r.bottom; ++y) {
    for (int x = r.left; x < r.right; ++x) n += PixelArgb(c, x, y) != background;
  }
  return n;
}

TEST(Text, ChineseFaceFallsBackToAFontThatHasTheGlyphs) {
  ui::FontFile file = ui::ResolveFontFile(L"微软雅黑");
  ASSERT_FALSE(file.path.empty());
  EXPECT_NE(file.path.find("wqy"), std::string::npos) << file.path;
  ui::FontSpec font{L"微软雅黑", 14};
  ui::Size one = ui::MeasureText(font, L"米");
  ui::Size three = ui::MeasureText(font, L"米瑞洛");
  EXPECT_GT(one.cx, 8);
  EXPECT_GT(one.cy, 10);
  EXPECT_GE(three.cx, 3 * one.cx - 1);
  ui::FontSpec big{L"微软雅黑", 28};
  EXPECT_GT(ui::MeasureText(big, L"米瑞洛").cx, three.cx);
  // Word breaking makes several lines of a long text in a narrow box.
  ui::Size box = ui::MeasureTextBox(font, L"检测到计算机中已存在此软件，是否为您更新为最新版本？", 120, ui::DT_WORDBREAK);
  EXPECT_LE(box.cx, 120);
  EXPECT_GE(box.cy, 3 * one.cy);
  EXPECT_EQ(ui::MeasureTextBox(font, L"一\r\n二\n三", 0, 0).cy, 3 * one.cy);
}

TEST(Text, LabelsAlignTextAndResolveLanguagePlaceholders) {
  ui::language::Clear();
  ui::language::SetText(7, L"你好");
  uitest::ScopedSkin skin({{"l.xml", R"(<Window size="300,90">
    <VerticalLayout bkcolor="#FFFFFFFF">
      <Label name="left" height="30" text="米瑞洛" textcolor="#FF000000" />
      <Label name="right" height="30" text="米瑞洛" align="right" textcolor="#FF000000" />
      <Label name="lang" height="30" text="%{7}-%{8}" textcolor="#FF000000" />
    </VerticalLayout></Window>)"}});
  auto w = OpenWindow(L"l.xml");
  const ui::Canvas& c = w->Render();
  EXPECT_GT(InkIn(c, ui::Rect{0, 0, 60, 30}, 0xFFFFFFFF), 20);
  EXPECT_EQ(InkIn(c, ui::Rect{150, 0, 300, 30}, 0xFFFFFFFF), 0);
  EXPECT_EQ(InkIn(c, ui::Rect{0, 30, 150, 60}, 0xFFFFFFFF), 0);
  EXPECT_GT(InkIn(c, ui::Rect{240, 30, 300, 60}, 0xFFFFFFFF), 20);
  EXPECT_EQ(w->FindControl(L"lang")->DisplayText(), L"你好-%{8}");
  EXPECT_EQ(ui::language::Resolve(L"%{7}%{x}%{}%{99999999999999}%"), L"你好%{x}%{}%{99999999999999}%");
  ui::language::Clear();
}

TEST(Screenshot, WritesTheRenderedWindowAsPng) {
  testsupport::TempDir dir;
  uitest::ScopedSkin skin({{"l.xml", R"(<Window size="64,32"><Control bkcolor="#FF336699"/></Window>)"}});
  auto w = OpenWindow(L"l.xml");
  auto path = dir / "shot.png";
  ASSERT_TRUE(w->SaveScreenshot(path.wstring()));
  std::string png = testsupport::ReadFile(path);
  auto image = ui::DecodeImage(png.data(), png.size());
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->width, 64);
  EXPECT_EQ(image->height, 32);
  EXPECT_EQ(image->pixels[0], 0x33);
  EXPECT_EQ(image->pixels[3], 0xFF);
}

}  // namespace
