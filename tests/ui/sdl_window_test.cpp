// The main layout in a real SDL window (run under xvfb-run): shown, painted,
// captured from the screen and closed through the modal loop.
#include <gtest/gtest.h>

#include "support/temp_dir.h"
#include "ui/frame_support.h"
#include "ui/ui_test_support.h"

// The X and SDL libraries keep allocations for the life of the process.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libX11\nleak:libSDL2\nleak:libxcb\nleak:libdbus\nleak:libXi\nleak:libXext\nleak:libXrandr\n";
}

namespace {

TEST(SdlWindow, MainLayoutOpensPaintsCapturesAndCloses) {
  if (!ui::UseSdlBackend()) GTEST_SKIP() << "no display (run under xvfb-run -a)";
  ASSERT_FALSE(ui::CurrentBackend().IsHeadless());
  testsupport::TempDir dir;
  {
    uitest::TestFrame w(L"MainWnd.xml");
    ASSERT_NE(w.Create(nullptr, L"米瑞洛", ui::WS_OVERLAPPEDWINDOW | ui::WS_VISIBLE, 0), 0u);
    EXPECT_TRUE(w.SetIcon(145));
    w.CenterWindow();
    ui::Rect work = ui::CurrentBackend().WorkArea();
    EXPECT_GT(work.Width(), 0);
    ui::Image screen;
    bool captured = false;
    ui::SetWindowShownHookForTesting([&](ui::LayoutWindowBase* shown) {
      if (shown != &w) return;
      ui::PumpPendingMessages();
      w.PaintIfNeeded();
      captured = w.CaptureScreen(screen);
      // The caption area drags the window; buttons in it keep their clicks.
      EXPECT_TRUE(w.GetPaintManager().IsCaptionPoint(ui::Point{300, 10}));
      EXPECT_FALSE(w.GetPaintManager().IsCaptionPoint(ui::Point{300, 100}));
      ui::Rect close = w.FindControl(L"closebtn")->GetPos();
      EXPECT_FALSE(w.GetPaintManager().IsCaptionPoint(ui::Point{close.left + 5, close.top + 5}));
      w.PostKey(ui::VK_ESCAPE);  // ignored
      w.PostClickOn(L"closebtn");
    });
    w.ShowModal();
    ui::SetWindowShownHookForTesting(nullptr);
    EXPECT_FALSE(w.IsWindow());
    ASSERT_TRUE(captured);
    ASSERT_EQ(screen.width, 600);
    ASSERT_EQ(screen.height, 400);
    // The screen shows what the framework painted: blue title area, white lower part.
    const uint8_t* top = &screen.pixels[(static_cast<size_t>(60) * 600 + 40) * 4];
    const uint8_t* bottom = &screen.pixels[(static_cast<size_t>(380) * 600 + 40) * 4];
    EXPECT_GT(top[2], top[0] + 60);
    EXPECT_GT(bottom[0], 230);
    EXPECT_GT(bottom[1], 230);
    ui::Image shot = screen;
    std::string png = ui::EncodePng(shot);
    testsupport::WriteFile(dir / "main.png", png);
    EXPECT_GT(png.size(), 1000u);
  }
  ui::UseHeadlessBackend();
}

}  // namespace
