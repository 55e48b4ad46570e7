#include <gtest/gtest.h>

#include "ui/framework/markup.h"
#include "ui/framework/skin_archive.h"
#include "ui/ui_test_support.h"

namespace {

TEST(SkinArchive, LookupIgnoresCaseAndAcceptsEitherSeparator) {
  std::string archive = ui::Build7zArchive({{"mainWnd.xml", "<Window/>"},
                                            {"res/mainWnd/bg1.png", "png-bytes"},
                                            {"res/common/Cb1.png", ""}});
  auto skin = ui::SkinArchive::Open(archive.data(), archive.size());
  ASSERT_NE(skin, nullptr);
  ASSERT_EQ(skin->Entries().size(), 3u);
  struct Case {
    const wchar_t* request;
    bool found;
    const char* bytes;
  } cases[] = {
      {L"MainWnd.xml", true, "<Window/>"},
      {L"mainwnd.XML", true, "<Window/>"},
      {L"res\\mainWnd\\bg1.png", true, "png-bytes"},
      {L"RES/MAINWND/BG1.PNG", true, "png-bytes"},
      {L"res\\common\\Cb1.png", true, ""},
      {L"res/mainWnd", false, ""},           // a folder is not a file
      {L"mainWnd.xml ", false, ""},          // same text, other length
      {L"/res/mainWnd/bg1.png", false, ""},  // paths are relative to the root
      {L"res\\common\\closebtn4.png", false, ""},
  };
  for (const auto& c : cases) {
    std::string bytes = "untouched";
    EXPECT_EQ(skin->Find(c.request, bytes), c.found) << c.request;
    if (c.found) {
      EXPECT_EQ(bytes, c.bytes) << c.request;
    }
  }
  // Entries keep their archive index, path length with the terminating zero and size.
  const auto& e = skin->Entries()[1];
  EXPECT_EQ(e.path, L"res/mainWnd/bg1.png");
  EXPECT_EQ(e.pathLength, e.path.size() + 1);
  EXPECT_EQ(e.size, 9u);
}

TEST(SkinArchive, RefusesBytesThatAreNotAnArchive) {
  std::string archive = ui::Build7zArchive({{"a.xml", std::string(5000, 'x')}});
  std::string truncated = archive.substr(0, archive.size() / 2);
  EXPECT_EQ(ui::SkinArchive::Open("", 0), nullptr);
  EXPECT_EQ(ui::SkinArchive::Open("not an archive", 14), nullptr);
  EXPECT_EQ(ui::SkinArchive::Open(truncated.data(), truncated.size()), nullptr);
}

TEST(SkinArchive, ProcessSkinIsOpenedOnceFromTheResource) {
  uitest::ScopedSkin skin({{"a.xml", "first"}});
  EXPECT_TRUE(ui::skin::OpenFromResource(147));
  EXPECT_TRUE(ui::skin::OpenFromResource(147));
  EXPECT_TRUE(ui::skin::OpenFromBuffer(std::vector<uint8_t>{1, 2, 3}));  // ignored: already open
  EXPECT_EQ(ui::skin::OpenCount(), 1);
  std::string bytes;
  EXPECT_TRUE(ui::skin::ReadFile(L"A.XML", bytes));
  EXPECT_EQ(bytes, "first");
  EXPECT_TRUE(ui::skin::OpenFromResource(148));  // the open skin serves every later window
  EXPECT_EQ(ui::skin::OpenCount(), 1);
}

TEST(SkinArchive, MissingOrEmptyResourceLeavesTheSkinClosed) {
  uitest::ScopedSkin none(uitest::ScopedSkin::NoSkin{});
  EXPECT_FALSE(ui::skin::OpenFromResource(147));
  platform::RegisterResource(L"ZIPRES", 147, "", 0);
  EXPECT_FALSE(ui::skin::OpenFromResource(147));
  EXPECT_FALSE(ui::skin::IsOpen());
}

constexpr char kLayout[] = R"(<?xml version="1.0" encoding="UTF-8"?>
<Window size="320,200" caption="0,0,0,30" roundcorner="4,4" showshadow="true" shadowsize="3">
  <Font id="0" name="微软雅黑" size="14" default="true"/>
  <Font id="3" name="Missing Face" size="20" bold="true" underline="true"/>
  <VerticalLayout name="root" bkcolor="#FFFFFFFF" inset="2,2,2,2">
    <Label name="title" text="标题" font="3" height="30" userdata="%d%%" />
    <Control name="unknownAttrs" foo="bar" height="1" />
    <Gadget name="custom" text="from factory" />
    <Mystery name="skipped"><Button name="insideSkipped"/></Mystery>
    <HorizontalLayout height="40">
      <Button name="ok" text="OK" width="80" />
      <CheckBox name="cb" selected="true" text="c" />
      <Edit name="edit" text="abc" maxchar="5" />
      <Progress name="prg" value="40" isstretchfore="false" foreimage="fore.png" />
      <Combo name="combo"><ListLabelElement text="one"/><ListLabelElement text="two"/></Combo>
    </HorizontalLayout>
    <TabLayout name="tabs" selectedid="1"><Control name="p0"/><Control name="p1"/></TabLayout>
  </VerticalLayout>
</Window>)";

TEST(Markup, BuildsTheTreeWithAttributesFontsAndCustomElements) {
  ui::PaintManager pm;
  std::vector<std::wstring> asked;
  auto root = ui::BuildLayout(kLayout, pm, [&asked](const std::wstring& cls) -> std::unique_ptr<ui::Control> {
    asked.push_back(cls);
    if (cls == L"Gadget") return std::make_unique<ui::Label>();
    return nullptr;
  });
  ASSERT_NE(root, nullptr);
  pm.AttachRoot(std::move(root));
  EXPECT_EQ((std::vector<std::wstring>{L"Gadget", L"Mystery"}), asked);
  EXPECT_EQ(pm.GetInitSize().cx, 320);
  EXPECT_EQ(pm.GetCaptionRect().bottom, 30);
  EXPECT_EQ(pm.GetRoundCorner().cx, 4);
  EXPECT_EQ(pm.GetWindowAttribute(L"SHOWSHADOW"), L"true");
  EXPECT_EQ(pm.GetFont(3).size, 20);
  EXPECT_TRUE(pm.GetFont(3).bold && pm.GetFont(3).underline);
  EXPECT_EQ(pm.GetFont(-1).size, 14);  // the default font
  EXPECT_EQ(pm.GetFont(9).size, 14);   // unknown index: default

  EXPECT_EQ(pm.FindControl(L"custom")->GetText(), L"from factory");
  EXPECT_EQ(pm.FindControl(L"skipped"), nullptr);
  EXPECT_EQ(pm.FindControl(L"insideSkipped"), nullptr);
  EXPECT_EQ(pm.FindControl(L"nothing"), nullptr);
  EXPECT_EQ(pm.FindControl(L"title")->GetUserData(), L"%d%%");
  EXPECT_EQ(pm.FindControl(L"title")->GetClass(), L"Label");
  EXPECT_EQ(pm.FindControl(L"unknownAttrs")->GetLayoutAttribute(L"foo"), L"bar");
  auto* cb = static_cast<ui::CheckBox*>(pm.FindControl(L"cb")->GetInterface(L"CheckBox"));
  ASSERT_NE(cb, nullptr);
  EXPECT_TRUE(cb->IsSelected());
  auto* prg = static_cast<ui::Progress*>(pm.FindControl(L"prg")->GetInterface(L"Progress"));
  EXPECT_EQ(prg->GetValue(), 40);
  EXPECT_FALSE(prg->IsStretchForeImage());
  auto* combo = static_cast<ui::Combo*>(pm.FindControl(L"combo")->GetInterface(L"Combo"));
  EXPECT_EQ(combo->GetCount(), 2);
  EXPECT_EQ(combo->GetItemText(1), L"two");
  auto* tabs = static_cast<ui::TabLayout*>(pm.FindControl(L"tabs")->GetInterface(L"TabLayout"));
  EXPECT_EQ(tabs->GetCurSel(), 1);
  EXPECT_FALSE(pm.FindControl(L"p0")->IsVisible());
  EXPECT_TRUE(pm.FindControl(L"p1")->IsVisible());
  // Interface queries answer for the class and its bases only.
  EXPECT_NE(pm.FindControl(L"ok")->GetInterface(L"Label"), nullptr);
  EXPECT_EQ(pm.FindControl(L"ok")->GetInterface(L"CheckBox"), nullptr);
}

TEST(Markup, RejectsTextsThatAreNotLayouts) {
  const char* cases[] = {
      "",
      "not xml at all",
      "<Window><VerticalLayout>",                  // unterminated
      "<Dialog><VerticalLayout/></Dialog>",        // no Window root
      "<Window size=\"10,10\"><Font id=\"0\"/></Window>",  // no content
  };
  for (const char* xml : cases) {
    ui::PaintManager pm;
    EXPECT_EQ(ui::BuildLayout(xml, pm, nullptr), nullptr) << xml;
  }
  // Deep nesting is refused instead of recursing without bound.
  std::string deep = "<Window>";
  for (int i = 0; i < 200; ++i) deep += "<VerticalLayout>";
  for (int i = 0; i < 200; ++i) deep += "</VerticalLayout>";
  deep += "</Window>";
  ui::PaintManager pm;
  EXPECT_EQ(ui::BuildLayout(deep, pm, nullptr), nullptr);
}

}  // namespace
