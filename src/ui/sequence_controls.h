// Frame-sequence animation controls: a label and a button that swap their
// background image on a timer through numbered frames of the skin.
#pragma once
#include <cstdint>
#include <string>

#include "ui/framework/control.h"

inline constexpr uint32_t kSequenceTimerId = 2100;

// The animation state and its timer step, shared by both controls.
class SequenceAnimation {
 public:
  SequenceAnimation(int32_t period, bool backAndForth) : period_(period), backAndForth_(backAndForth) {}

  // Layout attributes; false for names that are not the animation's.
  bool SetAttribute(std::wstring_view name, std::wstring_view value);
  // One timer step: the frame name to show next, or empty when nothing is
  // drawn. `stop` is set when the timer must end.
  std::wstring Step(bool& stop);
  void Reset() { next_ = 0; }

  std::wstring pattern_;
  int32_t count_ = 0;
  int32_t period_;
  bool loop_ = true;
  bool autostart_ = false;
  bool backAndForth_;
  bool forward_ = true;
  int32_t next_ = 0;
};

// Formats a frame name from a pattern with one integer conversion ("%.3d",
// "%d", "%03d", ...); "%%" gives "%". Any other conversion is copied as text,
// so a pattern can never read arguments it was not given. At most 259 characters.
std::wstring FormatFrameName(const std::wstring& pattern, int32_t frame);

class CSequenceLabelUI : public ui::Label {
 public:
  CSequenceLabelUI() : animation_(30, false) {}
  ~CSequenceLabelUI() override;
  std::wstring_view GetClass() const override { return L"SequenceLabel"; }
  void* GetInterface(std::wstring_view name) override;

  void SetSequenceBkImage(const std::wstring& pattern) { animation_.pattern_ = pattern; }
  const std::wstring& GetSequenceBkImage() const { return animation_.pattern_; }
  void SetSequenceCount(int32_t count) { animation_.count_ = count; }
  int32_t GetSequenceCount() const { return animation_.count_; }
  void SetSequenceSpan(int32_t period) { animation_.period_ = period; }
  int32_t GetSequenceSpan() const { return animation_.period_; }
  void SetAttribute(std::wstring_view name, std::wstring_view value) override;
  void DoInit() override;
  void DoEvent(ui::Event& event) override;
  // The label never draws its text.
  void PaintText(ui::Canvas& canvas) override {}

  // Restarts the animation from the first frame.
  void Start();
  const SequenceAnimation& Animation() const { return animation_; }

 private:
  SequenceAnimation animation_;
};

class CSequenceButtonUI : public ui::Button {
 public:
  CSequenceButtonUI() : animation_(60, true) {}
  std::wstring_view GetClass() const override { return L"SequenceButton"; }
  void* GetInterface(std::wstring_view name) override;

  void SetSequenceBkImage(const std::wstring& pattern) { animation_.pattern_ = pattern; }
  const std::wstring& GetSequenceBkImage() const { return animation_.pattern_; }
  void SetSequenceCount(int32_t count) { animation_.count_ = count; }
  int32_t GetSequenceCount() const { return animation_.count_; }
  void SetSequenceSpan(int32_t period) { animation_.period_ = period; }
  int32_t GetSequenceSpan() const { return animation_.period_; }
  void SetAttribute(std::wstring_view name, std::wstring_view value) override;
  void DoInit() override;
  void DoEvent(ui::Event& event) override;

  void Start();
  const SequenceAnimation& Animation() const { return animation_; }

 private:
  SequenceAnimation animation_;
};
