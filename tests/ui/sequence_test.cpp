// Frame-sequence animation: frame order, attribute rules, timers.
#include <gtest/gtest.h>

#include "ui/frame_support.h"
#include "ui/ui_test_support.h"

namespace {

struct FrameRun {
  std::vector<int> frames;  // frame numbers drawn, in order
  int stoppedAt = -1;       // tick at which the timer was stopped
};

FrameRun Ticks(SequenceAnimation a, int ticks) {
  FrameRun run;
  a.pattern_ = L"%d";
  for (int i = 0; i < ticks; ++i) {
    bool stop = false;
    std::wstring frame = a.Step(stop);
    if (stop) {
      run.stoppedAt = i;
      break;
    }
    if (!frame.empty()) run.frames.push_back(std::stoi(frame));
  }
  return run;
}

SequenceAnimation Make(int count, bool loop, bool round) {
  SequenceAnimation a(24, round);
  a.count_ = count;
  a.loop_ = loop;
  return a;
}

TEST(SequenceAnimation, FrameOrderFollowsLoopAndBackAndForth) {
  struct Case {
    const char* what;
    int count;
    bool loop, round;
    int ticks;
    std::vector<int> frames;
    int stoppedAt;
  } cases[] = {
      {"loop", 4, true, false, 10, {0, 1, 2, 3, 0, 1, 2, 3, 0, 1}, -1},
      {"back and forth", 4, true, true, 10, {0, 1, 2, 3, 2, 1, 0, 1, 2, 3}, -1},
      {"one pass", 4, false, false, 10, {0, 1, 2, 3}, 4},
      {"one pass back and forth", 4, false, true, 10, {0, 1, 2, 3, 2, 1}, 6},
      {"no frames, looping", 0, true, false, 3, {0, 0, 0}, -1},
      {"no frames, one pass", 0, false, false, 3, {}, 0},
      {"one frame back and forth", 1, true, true, 6, {0, 0, 0, 0, 0, 0}, -1},
      {"no frames back and forth", 0, true, true, 5, {0, 0, 0, 0, 0}, -1},
      {"one frame back and forth once", 1, false, true, 6, {0}, 1},
  };
  for (const auto& c : cases) {
    FrameRun run = Ticks(Make(c.count, c.loop, c.round), c.ticks);
    EXPECT_EQ(run.frames, c.frames) << c.what;
    EXPECT_EQ(run.stoppedAt, c.stoppedAt) << c.what;
  }
  // Frames never run away below zero, however long it runs.
  FrameRun longRun = Ticks(Make(1, true, true), 1000);
  EXPECT_EQ(*std::min_element(longRun.frames.begin(), longRun.frames.end()), 0);
  EXPECT_EQ(*std::max_element(longRun.frames.begin(), longRun.frames.end()), 0);
}

TEST(SequenceAnimation, EmptyPatternDoesNothing) {
  SequenceAnimation a(30, false);
  a.count_ = 5;
  bool stop = true;
  EXPECT_EQ(a.Step(stop), L"");
  EXPECT_FALSE(stop);
  EXPECT_EQ(a.next_, 0);
}

TEST(SequenceAnimation, AttributeRules) {
  struct Case {
    const wchar_t* name;
    const wchar_t* value;
    bool taken;
  } cases[] = {
      {L"sequencebkimage", L"a%d.png", true}, {L"SequenceBkImage", L"b%d.png", false},
      {L"SEQUENCECOUNT", L"12", true},        {L"sequencespan", L"  40ms", true},
      {L"sequenceloop", L"False", true},      {L"AutoStart", L"", true},
      {L"sequenceround", L"false", true},     {L"text", L"x", false},
  };
  SequenceAnimation a(30, true);
  for (const auto& c : cases) EXPECT_EQ(a.SetAttribute(c.name, c.value), c.taken) << platform::WideToUtf8(c.name);
  EXPECT_EQ(a.pattern_, L"a%d.png");
  EXPECT_EQ(a.count_, 12);
  EXPECT_EQ(a.period_, 40);
  EXPECT_TRUE(a.loop_);       // "False" is not "false"
  EXPECT_TRUE(a.autostart_);  // empty is not "false"
  EXPECT_FALSE(a.backAndForth_);
  struct Number {
    const wchar_t* text;
    int value;
  } numbers[] = {{L"abc", 0}, {L"-3", -3}, {L"7x", 7}, {L"", 0}, {L"99999999999", 2147483647}};
  for (const auto& n : numbers) {
    a.SetAttribute(L"sequencecount", n.text);
    EXPECT_EQ(a.count_, n.value) << platform::WideToUtf8(n.text);
  }
}

TEST(SequenceAnimation, FrameNamesFormatOneNumberSafely) {
  struct Case {
    const wchar_t* pattern;
    int frame;
    const wchar_t* name;
  } cases[] = {
      {L"res\\mainWnd\\installBtnAnimate\\%.3d.png", 7, L"res\\mainWnd\\installBtnAnimate\\007.png"},
      {L"f%d.png", 123, L"f123.png"},
      {L"f%03d-%d.png", 5, L"f005-%d.png"},  // one number only
      {L"%s%n%x.png", 1, L"%s%n%x.png"},    // other conversions stay text
      {L"100%%_%d", 2, L"100%_2"},
      {L"%.3d", -1, L"-001"},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatFrameName(c.pattern, c.frame), c.name) << platform::WideToUtf8(c.pattern);
  EXPECT_EQ(FormatFrameName(std::wstring(400, L'a') + L"%d", 1).size(), 259u);
}

TEST(SequenceControls, ShippedAnimationRunsOnTheTimerAndRestartsFromTheFirstFrame) {
  uitest::FakeUiTime time;
  uitest::TestFrame w(L"MainWnd.xml");
  ASSERT_NE(w.Create(nullptr, L"w", 0, 0), 0u);
  auto* anim = static_cast<CSequenceLabelUI*>(w.FindControl(L"progressAnLb")->GetInterface(L"SequenceLabel"));
  ASSERT_NE(anim, nullptr);
  EXPECT_EQ(anim->GetClass(), L"SequenceLabel");
  EXPECT_NE(anim->GetInterface(L"Label"), nullptr);
  EXPECT_TRUE(w.GetPaintManager().HasTimer(anim, kSequenceTimerId));  // autostart
  std::vector<std::wstring> shown;
  for (int i = 0; i < 27; ++i) {
    time.AdvanceAndPump(24);
    shown.push_back(anim->GetBkImage());
  }
  EXPECT_EQ(shown[0], L"res\\mainWnd\\installBtnAnimate\\000.png");
  EXPECT_EQ(shown[24], L"res\\mainWnd\\installBtnAnimate\\024.png");
  EXPECT_EQ(shown[25], L"res\\mainWnd\\installBtnAnimate\\000.png");
  time.AdvanceAndPump(23);  // not yet due
  EXPECT_EQ(anim->GetBkImage(), L"res\\mainWnd\\installBtnAnimate\\001.png");
  anim->Start();
  time.AdvanceAndPump(24);
  EXPECT_EQ(anim->GetBkImage(), L"res\\mainWnd\\installBtnAnimate\\000.png");
  w.GetPaintManager().KillTimer(anim, kSequenceTimerId);  // the window stops it directly
  time.AdvanceAndPump(240);
  EXPECT_EQ(anim->GetBkImage(), L"res\\mainWnd\\installBtnAnimate\\000.png");
}

TEST(SequenceControls, ButtonAnimatesBackAndForthAndLabelNeverDrawsItsText) {
  uitest::FakeUiTime time;
  uitest::ScopedSkin skin({{"s.xml", R"(<Window size="120,40"><HorizontalLayout bkcolor="#FFFFFFFF">
      <SequenceButton name="b" width="40" sequencebkimage="f%d.png" sequencecount="3" sequencespan="50" autostart="true" />
      <SequenceLabel name="l" width="40" text="米瑞洛" textcolor="#FF000000" />
      <sequencelabel name="l2" width="40" text="" />
    </HorizontalLayout></Window>)"}});
  uitest::TestFrame w(L"s.xml");
  ASSERT_NE(w.Create(nullptr, L"w", 0, 0), 0u);
  auto* button = static_cast<CSequenceButtonUI*>(w.FindControl(L"b")->GetInterface(L"SequenceButton"));
  ASSERT_NE(button, nullptr);
  EXPECT_EQ(button->GetSequenceSpan(), 50);
  std::wstring frames;
  for (int i = 0; i < 6; ++i) {
    time.AdvanceAndPump(50);
    frames += button->GetBkImage();
  }
  EXPECT_EQ(frames, L"f0.pngf1.pngf2.pngf1.pngf0.pngf1.png");
  // Label defaults: no autostart, period 30, one direction.
  auto* label = static_cast<CSequenceLabelUI*>(w.FindControl(L"l")->GetInterface(L"SequenceLabel"));
  EXPECT_FALSE(w.GetPaintManager().HasTimer(label, kSequenceTimerId));
  EXPECT_EQ(label->GetSequenceSpan(), 30);
  EXPECT_FALSE(label->Animation().backAndForth_);
  const ui::Canvas& c = w.Render();
  for (int y = 0; y < 40; ++y) {
    for (int x = 40; x < 120; ++x) ASSERT_EQ(uitest::PixelArgb(c, x, y), 0xFFFFFFFFu) << x << "," << y;
  }
  // A destroyed label leaves no timer behind.
  label->Start();
  EXPECT_TRUE(w.GetPaintManager().HasTimer(label, kSequenceTimerId));
  w.GetPaintManager().DetachRoot();
  time.AdvanceAndPump(100);
}

}  // namespace
