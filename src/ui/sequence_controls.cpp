#include "ui/sequence_controls.h"

#include <algorithm>
#include <cwchar>
#include <cwctype>

#include "ui/framework/paint_manager.h"

namespace {

bool EqualsIgnoringCase(std::wstring_view a, std::wstring_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::towlower(static_cast<wint_t>(a[i])) != std::towlower(static_cast<wint_t>(b[i]))) return false;
  }
  return true;
}

// A decimal integer read the way wcstol reads it (32-bit, saturated); 0 without digits.
int32_t ReadDecimal(std::wstring_view value) {
  std::wstring text(value);
  wchar_t* end = nullptr;
  long long v = std::wcstoll(text.c_str(), &end, 10);
  return static_cast<int32_t>(std::clamp<long long>(v, INT32_MIN, INT32_MAX));
}

uint32_t TimerPeriod(int32_t period) {
  // The system's timer limits: below 10 ms counts as 10 ms.
  return period < 10 ? 10u : static_cast<uint32_t>(period);
}

// The timer glue both controls share.
void StartSequenceTimer(ui::Control* control, const SequenceAnimation& animation) {
  if (ui::PaintManager* manager = control->GetManager()) {
    manager->SetTimer(control, kSequenceTimerId, TimerPeriod(animation.period_));
  }
}

void StepSequence(ui::Control* control, SequenceAnimation& animation) {
  bool stop = false;
  std::wstring frame = animation.Step(stop);
  if (stop) {
    if (ui::PaintManager* manager = control->GetManager()) manager->KillTimer(control, kSequenceTimerId);
    return;
  }
  if (frame.empty()) return;
  control->SetBkImage(frame);
  control->Invalidate();
}

}  // namespace

std::wstring FormatFrameName(const std::wstring& pattern, int32_t frame) {
  std::wstring out;
  bool used = false;
  for (size_t i = 0; i < pattern.size(); ++i) {
    wchar_t c = pattern[i];
    if (c != L'%') {
      out.push_back(c);
      continue;
    }
    if (i + 1 < pattern.size() && pattern[i + 1] == L'%') {
      out.push_back(L'%');
      ++i;
      continue;
    }
    // %[flags][width][.precision](d|i)
    size_t j = i + 1;
    std::wstring conversion = L"%";
    while (j < pattern.size() && std::wcschr(L"-+ 0#", pattern[j]) && conversion.size() < 6) conversion.push_back(pattern[j++]);
    size_t digits = 0;
    while (j < pattern.size() && std::iswdigit(static_cast<wint_t>(pattern[j])) && digits < 3) {
      conversion.push_back(pattern[j++]);
      ++digits;
    }
    if (j < pattern.size() && pattern[j] == L'.') {
      conversion.push_back(pattern[j++]);
      digits = 0;
      while (j < pattern.size() && std::iswdigit(static_cast<wint_t>(pattern[j])) && digits < 3) {
        conversion.push_back(pattern[j++]);
        ++digits;
      }
    }
    if (!used && j < pattern.size() && (pattern[j] == L'd' || pattern[j] == L'i')) {
      conversion.push_back(L'd');
      wchar_t buffer[512];
      int n = std::swprintf(buffer, 512, conversion.c_str(), static_cast<int>(frame));
      if (n > 0) out.append(buffer, static_cast<size_t>(std::min(n, 511)));
      used = true;
      i = j;
      continue;
    }
    out.push_back(c);  // not a conversion we fill: keep the text as it is
  }
  if (out.size() > 259) out.resize(259);
  return out;
}

bool SequenceAnimation::SetAttribute(std::wstring_view name, std::wstring_view value) {
  if (name == L"sequencebkimage") pattern_ = value;  // exact name only
  else if (EqualsIgnoringCase(name, L"sequencecount")) count_ = ReadDecimal(value);
  else if (EqualsIgnoringCase(name, L"sequencespan")) period_ = ReadDecimal(value);
  else if (EqualsIgnoringCase(name, L"sequenceloop")) loop_ = value != L"false";
  else if (EqualsIgnoringCase(name, L"autostart")) autostart_ = value != L"false";
  else if (EqualsIgnoringCase(name, L"sequenceround")) backAndForth_ = value != L"false";
  else return false;
  return true;
}

std::wstring SequenceAnimation::Step(bool& stop) {
  stop = false;
  if (pattern_.empty()) return L"";
  if (forward_ && static_cast<int64_t>(next_) > static_cast<int64_t>(count_) - 1) {
    if (backAndForth_) {
      forward_ = false;
      next_ = count_ - 2;
    } else {
      next_ = 0;
      if (!loop_) {
        stop = true;
        return L"";
      }
    }
  }
  // Back at the start. With fewer than two frames the way back starts below
  // zero; counting that as the start keeps the frames bounded.
  if (!forward_ && next_ <= 0) {
    if (backAndForth_) forward_ = true;
    next_ = 0;
    if (!loop_) {
      stop = true;
      return L"";
    }
  }
  int32_t frame = next_;
  next_ += forward_ ? 1 : -1;
  return FormatFrameName(pattern_, frame);
}

// ---------------------------------------------------------------- label

CSequenceLabelUI::~CSequenceLabelUI() {
  if (manager_) manager_->KillTimer(this, kSequenceTimerId);
}

void* CSequenceLabelUI::GetInterface(std::wstring_view name) {
  if (name == GetClass()) return this;
  return ui::Label::GetInterface(name);
}

void CSequenceLabelUI::SetAttribute(std::wstring_view name, std::wstring_view value) {
  if (!animation_.SetAttribute(name, value)) ui::Label::SetAttribute(name, value);
}

void CSequenceLabelUI::DoInit() {
  ui::Label::DoInit();
  if (animation_.autostart_) StartSequenceTimer(this, animation_);
}

void CSequenceLabelUI::Start() {
  animation_.Reset();
  StartSequenceTimer(this, animation_);
}

void CSequenceLabelUI::DoEvent(ui::Event& event) {
  ui::Label::DoEvent(event);
  if (event.type == ui::EventType::Timer) StepSequence(this, animation_);
}

// ---------------------------------------------------------------- button

void* CSequenceButtonUI::GetInterface(std::wstring_view name) {
  if (name == GetClass()) return this;
  return ui::Button::GetInterface(name);
}

void CSequenceButtonUI::SetAttribute(std::wstring_view name, std::wstring_view value) {
  if (!animation_.SetAttribute(name, value)) ui::Button::SetAttribute(name, value);
}

void CSequenceButtonUI::DoInit() {
  ui::Button::DoInit();
  if (animation_.autostart_) StartSequenceTimer(this, animation_);
}

void CSequenceButtonUI::Start() {
  animation_.Reset();
  StartSequenceTimer(this, animation_);
}

void CSequenceButtonUI::DoEvent(ui::Event& event) {
  ui::Button::DoEvent(event);
  if (event.type == ui::EventType::Timer) StepSequence(this, animation_);
}
