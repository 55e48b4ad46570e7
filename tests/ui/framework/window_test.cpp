#include <gtest/gtest.h>

#include <thread>

#include "utils/thread.h"
#include "ui/ui_test_support.h"

namespace {

constexpr char kForm[] = R"(<Window size="300,200" caption="0,0,0,30">
  <VerticalLayout name="root">
    <HorizontalLayout height="30"><Control /><Button name="closebtn" width="30" /></HorizontalLayout>
    <HorizontalLayout height="40">
      <Button name="btn" text="b" width="60" />
      <CheckBox name="cb" text="c" width="60" />
      <Edit name="edit" width="120" maxchar="8" />
    </HorizontalLayout>
    <HorizontalLayout height="30">
      <Combo name="combo" width="100"><Item text="zero"/><Item text="one"/><Item text="two"/></Combo>
      <Button name="off" width="60" enabled="false" />
    </HorizontalLayout>
    <TabLayout name="tabs"><Control/><Control/><Control/></TabLayout>
  </VerticalLayout></Window>)";

class WindowTest : public ::testing::Test {
 protected:
  WindowTest() : skin_({{"form.xml", kForm}}) {
    EXPECT_NE(w_.Create(nullptr, L"form", ui::WS_OVERLAPPEDWINDOW, 0), 0u);
    w_.ShowWindow(true);
    w_.notifications.clear();
  }
  ~WindowTest() override { ui::PumpPendingMessages(); }
  std::vector<std::wstring> Pump() {
    w_.notifications.clear();
    ui::PumpPendingMessages();
    return w_.Types();
  }
  template <class T>
  T* Get(const wchar_t* name, const wchar_t* cls) {
    return static_cast<T*>(w_.FindControl(name)->GetInterface(cls));
  }
  uitest::ScopedSkin skin_;
  uitest::LayoutWindow w_{L"form.xml"};
};

TEST_F(WindowTest, ClicksAndKeysBecomeNotifications) {
  EXPECT_EQ(w_.layoutReadyCalls, 1);
  ASSERT_TRUE(w_.PostClickOn(L"btn"));
  EXPECT_EQ(Pump(), (std::vector<std::wstring>{L"click"}));
  EXPECT_EQ(w_.notifications[0].sender, w_.FindControl(L"btn"));

  ASSERT_TRUE(w_.PostClickOn(L"cb"));
  EXPECT_EQ(Pump(), (std::vector<std::wstring>{L"click", L"selectchanged"}));
  EXPECT_TRUE(Get<ui::CheckBox>(L"cb", L"CheckBox")->IsSelected());

  ASSERT_TRUE(w_.PostClickOn(L"off"));  // disabled: nothing
  EXPECT_TRUE(Pump().empty());

  // Press inside, release outside: no click.
  auto r = w_.FindControl(L"btn")->GetPos();
  w_.PostMessage(ui::WM_LBUTTONDOWN, 1, ui::MakeLParam(r.left + 2, r.top + 2));
  w_.PostMessage(ui::WM_LBUTTONUP, 0, ui::MakeLParam(250, 150));
  EXPECT_TRUE(Pump().empty());

  // Tab moves the focus through the focusable controls; Enter and Space activate.
  w_.GetPaintManager().SetFocus(nullptr);
  w_.PostKey(ui::VK_TAB);
  Pump();
  EXPECT_EQ(w_.GetPaintManager().GetFocus(), w_.FindControl(L"closebtn"));
  w_.PostKey(ui::VK_TAB);
  w_.PostKey(ui::VK_RETURN);
  EXPECT_EQ(Pump(), (std::vector<std::wstring>{L"click"}));
  EXPECT_EQ(w_.notifications[0].sender, w_.FindControl(L"btn"));
  w_.PostKey(ui::VK_TAB);
  w_.PostKey(ui::VK_SPACE);
  EXPECT_EQ(Pump(), (std::vector<std::wstring>{L"click", L"selectchanged"}));
  w_.PostKey(ui::VK_TAB, ui::kModShift);
  Pump();
  EXPECT_EQ(w_.GetPaintManager().GetFocus(), w_.FindControl(L"btn"));
}

TEST_F(WindowTest, TabsCheckBoxesAndCombosNotifyOnlyWhenAsked) {
  auto* tabs = Get<ui::TabLayout>(L"tabs", L"TabLayout");
  EXPECT_TRUE(tabs->SelectItem(2));
  EXPECT_FALSE(tabs->SelectItem(3));
  EXPECT_TRUE(tabs->SelectItem(2));  // already shown: no change, no notification
  EXPECT_TRUE(tabs->SelectItem(0, false));
  ASSERT_EQ(w_.notifications.size(), 1u);
  EXPECT_EQ(w_.notifications[0].type, L"tabselect");
  EXPECT_EQ(w_.notifications[0].wParam, 2u);
  EXPECT_EQ(tabs->GetCurSel(), 0);

  w_.notifications.clear();
  auto* cb = Get<ui::CheckBox>(L"cb", L"CheckBox");
  cb->SetCheck(true, false);
  cb->SetCheck(true);  // unchanged
  cb->SetCheck(false);
  EXPECT_EQ(w_.Types(), (std::vector<std::wstring>{L"selectchanged"}));
  EXPECT_FALSE(cb->GetCheck());

  w_.notifications.clear();
  auto* combo = Get<ui::Combo>(L"combo", L"Combo");
  EXPECT_TRUE(combo->SelectItem(2));
  EXPECT_FALSE(combo->SelectItem(5));
  EXPECT_EQ(combo->GetText(), L"two");
  ASSERT_EQ(w_.Types(), (std::vector<std::wstring>{L"itemselect"}));
  EXPECT_EQ(w_.notifications[0].wParam, 2u);
  EXPECT_NE(w_.GetPaintManager().GetFocus(), combo);  // selection does not take the focus
  // The list opens on a click and a click on an item selects it.
  ASSERT_TRUE(w_.PostClickOn(L"combo"));
  Pump();
  ASSERT_TRUE(combo->IsDropped());
  ui::Rect list = combo->DropDownRect();
  w_.PostClick(ui::Point{list.left + 10, list.top + 1 + 24 + 5});
  EXPECT_EQ(Pump(), (std::vector<std::wstring>{L"itemselect"}));
  EXPECT_EQ(combo->GetCurSel(), 1);
  EXPECT_FALSE(combo->IsDropped());
}

TEST_F(WindowTest, EditTakesTextWithCaretSelectionAndClipboard) {
  auto* edit = Get<ui::Edit>(L"edit", L"Edit");
  ASSERT_TRUE(w_.PostClickOn(L"edit"));
  Pump();
  EXPECT_EQ(w_.GetPaintManager().GetFocus(), edit);
  w_.PostText(L"安装");       // input-method text
  w_.PostText(L"ab\r\nc");  // control characters are dropped
  w_.PostKey(ui::VK_LEFT);
  w_.PostKey(ui::VK_BACK);
  Pump();
  EXPECT_EQ(edit->GetText(), L"安装ac");
  EXPECT_EQ(edit->GetCaret(), 3u);
  w_.PostKey(ui::VK_HOME);
  w_.PostKey(ui::VK_RIGHT, ui::kModShift);
  w_.PostKey(ui::VK_RIGHT, ui::kModShift);
  w_.PostKey(ui::VK_C, ui::kModControl);
  w_.PostKey(ui::VK_END);
  w_.PostKey(ui::VK_V, ui::kModControl);
  Pump();
  EXPECT_EQ(edit->GetText(), L"安装ac安装");
  ui::CurrentBackend().SetClipboardText(L"0123456789");
  w_.PostKey(ui::VK_V, ui::kModControl);  // only what fits in maxchar 8
  w_.PostKey(ui::VK_A, ui::kModControl);
  Pump();
  EXPECT_EQ(edit->GetText(), L"安装ac安装01");
  EXPECT_EQ(edit->GetSel(), (std::pair<size_t, size_t>{0, 8}));
  w_.PostText(L"x");
  Pump();
  EXPECT_EQ(edit->GetText(), L"x");
}

TEST_F(WindowTest, ControlTimersArriveAsTimerNotificationsOnTheFakeClock) {
  uitest::FakeUiTime time;
  ui::Control* root = w_.FindControl(L"root");
  auto& pm = w_.GetPaintManager();
  ASSERT_TRUE(pm.SetTimer(root, 10, 100));
  ASSERT_TRUE(pm.SetTimer(w_.FindControl(L"btn"), 11, 250));
  time.AdvanceAndPump(99);
  EXPECT_TRUE(w_.notifications.empty());
  time.AdvanceAndPump(1);
  ASSERT_EQ(w_.Types(), (std::vector<std::wstring>{L"timer"}));
  EXPECT_EQ(w_.notifications[0].sender, root);
  EXPECT_EQ(w_.notifications[0].wParam, 10u);
  time.AdvanceAndPump(150);
  ASSERT_EQ(w_.notifications.size(), 3u);  // 10 at 200, 11 at 250
  EXPECT_EQ(w_.notifications[2].wParam, 11u);
  EXPECT_TRUE(pm.KillTimer(root, 10));
  EXPECT_FALSE(pm.KillTimer(root, 10));
  time.AdvanceAndPump(1000);  // a late timer fires once, not once per missed period
  EXPECT_EQ(w_.notifications.size(), 4u);
}

TEST_F(WindowTest, QueuedNotificationsFromOtherThreadsArriveInOrderOnTheWindowThread) {
  auto& pm = w_.GetPaintManager();
  std::thread::id windowThread = std::this_thread::get_id();
  std::vector<std::thread::id> seen;
  Utils::Thread worker(nullptr, L"ABDEF", [&](void*) -> uint32_t {
    pm.SendNotify(nullptr, L"checknet", 0x10000, 0, true);
    pm.SendNotify(nullptr, L"install", 1, 0, true);
    return 0;
  });
  worker.Resume();
  worker.Join();
  EXPECT_TRUE(w_.notifications.empty());  // nothing until the window thread pumps
  EXPECT_EQ(Pump(), (std::vector<std::wstring>{L"checknet", L"install"}));
  EXPECT_EQ(w_.notifications[0].wParam, 0x10000u);
  EXPECT_EQ(w_.notifications[0].sender, w_.FindControl(L"root"));
  (void)windowThread;
  (void)seen;
}

TEST_F(WindowTest, CloseDestroysAndPostsToAGoneWindowFail) {
  ui::WindowHandle h = w_.GetHWND();
  ASSERT_TRUE(w_.PostClickOn(L"closebtn"));  // default click handling closes
  Pump();
  EXPECT_FALSE(w_.IsWindow());
  EXPECT_FALSE(ui::IsWindow(h));
  EXPECT_FALSE(ui::PostMessage(h, ui::WM_USER + 1));
}

// Posted records travel by pointer; the window releases those it never handled.
class RecordWindow : public uitest::LayoutWindow {
 public:
  using uitest::LayoutWindow::LayoutWindow;
  ~RecordWindow() override { DestroyWindow(); }
  ui::LRESULT HandleOtherMessage(uint32_t msg, ui::WPARAM w, ui::LPARAM l, bool& handled) override {
    if (msg == ui::WM_USER + 1000) {
      handled = true;
      std::unique_ptr<int> record(reinterpret_cast<int*>(l));
      handledRecords.push_back(*record);
      if (*record == 1) DestroyWindow();
    }
    return 0;
  }
  void OnDiscardedMessage(const ui::Message& m) override {
    if (m.message == ui::WM_USER + 1000) {
      std::unique_ptr<int> record(reinterpret_cast<int*>(m.lParam));
      discardedRecords.push_back(*record);
    }
  }
  std::vector<int> handledRecords, discardedRecords;
};

TEST(WindowLifetime, RecordsQueuedForADestroyedWindowAreHandedBackOnce) {
  uitest::ScopedSkin skin({{"form.xml", kForm}});
  RecordWindow w(L"form.xml");
  ASSERT_NE(w.Create(nullptr, L"w", 0, 0), 0u);
  for (int i = 1; i <= 3; ++i) {
    auto record = std::make_unique<int>(i);
    if (w.PostMessage(ui::WM_USER + 1000, 0, reinterpret_cast<ui::LPARAM>(record.get()))) record.release();
  }
  ui::PumpPendingMessages();
  EXPECT_EQ(w.handledRecords, std::vector<int>{1});
  EXPECT_EQ(w.discardedRecords, (std::vector<int>{2, 3}));
  auto late = std::make_unique<int>(4);
  EXPECT_FALSE(w.PostMessage(ui::WM_USER + 1000, 0, reinterpret_cast<ui::LPARAM>(late.get())));
}

// A window that opens a nested modal window from a message.
class Host : public uitest::LayoutWindow {
 public:
  using uitest::LayoutWindow::LayoutWindow;
  ui::LRESULT HandleOtherMessage(uint32_t msg, ui::WPARAM w, ui::LPARAM l, bool& handled) override {
    if (msg != ui::WM_USER + 5) return uitest::LayoutWindow::HandleOtherMessage(msg, w, l, handled);
    handled = true;
    uitest::LayoutWindow child(L"form.xml");
    child.Create(this, L"child", 0, 0);
    child.PostMessage(ui::WM_USER + 6);
    ui::PostQuitMessage(3);  // met by the child's loop
    innerResult = child.ShowModal();
    childStillOpen = child.IsWindow();
    return 0;
  }
  bool childStillOpen = false;
  int innerResult = 0;
};

TEST(ModalLoop, ReturnsTheCloseResultAndDisablesTheOwnerMeanwhile) {
  uitest::ScopedSkin skin({{"form.xml", kForm}});
  uitest::LayoutWindow owner(L"form.xml");
  owner.Create(nullptr, L"owner", 0, 0);
  owner.ShowWindow(true);
  uitest::LayoutWindow dialog(L"form.xml");
  dialog.Create(&owner, L"dialog", 0, 0);
  bool ownerDisabled = false;
  ui::SetWindowShownHookForTesting([&](ui::LayoutWindowBase* shown) {
    if (shown != &dialog) return;
    ownerDisabled = !owner.IsWindowEnabled();
    owner.PostClickOn(L"btn");  // input to a disabled owner is ignored
    dialog.Close(42);
  });
  EXPECT_EQ(dialog.ShowModal(), 42);
  ui::SetWindowShownHookForTesting(nullptr);
  EXPECT_TRUE(ownerDisabled);
  EXPECT_TRUE(owner.IsWindowEnabled());
  EXPECT_TRUE(owner.notifications.empty() || owner.Types() == std::vector<std::wstring>{L"windowinit"});
}

TEST(ModalLoop, QuitMetByANestedLoopEndsEveryLoopAndStaysPosted) {
  uitest::ScopedSkin skin({{"form.xml", kForm}});
  Host host(L"form.xml");
  host.Create(nullptr, L"host", 0, 0);
  host.PostMessage(ui::WM_USER + 5);
  EXPECT_FALSE(ui::RunLoopUntilDestroyed(host.GetHWND()));  // the outer loop sees the quit too
  EXPECT_TRUE(host.childStillOpen);
  EXPECT_TRUE(host.IsWindow());
  EXPECT_TRUE(host.IsWindowEnabled());
  ui::Message msg;
  ASSERT_TRUE(ui::MessageQueue::ForCurrentThread()->Peek(msg));  // still there for the next loop
  EXPECT_EQ(msg.message, ui::WM_QUIT);
  EXPECT_EQ(msg.wParam, 3u);
}

TEST(MessageLoop, SleepsUntilTheNextTimerInsteadOfPolling) {
  uitest::ScopedSkin skin({{"form.xml", kForm}});
  uitest::FakeUiTime time;
  uitest::LayoutWindow w(L"form.xml");
  w.Create(nullptr, L"w", 0, 0);
  // A timer that closes the window on its third tick.
  int ticks = 0;
  struct Closer : ui::NotifyListener {
    uitest::LayoutWindow* w;
    int* ticks;
    void Notify(ui::Notification& n) override {
      if (n.type == L"timer" && ++*ticks == 3) w->Close(0);
    }
  } closer;
  closer.w = &w;
  closer.ticks = &ticks;
  w.GetPaintManager().AddNotifier(&closer);
  w.GetPaintManager().SetTimer(w.FindControl(L"root"), 1, 500);
  uint64_t before = time.Clock().SleptMs();
  EXPECT_TRUE(ui::RunLoopUntilDestroyed(w.GetHWND()));
  EXPECT_EQ(ticks, 3);
  EXPECT_EQ(time.Clock().SleptMs() - before, 1500u);  // three waits of one period, no spinning
}

}  // namespace
