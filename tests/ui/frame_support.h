// A frame window like the installer's own: custom animation elements, counts
// of its initialisation.
#pragma once
#include <cwctype>
#include <memory>
#include <string>

#include "ui/sequence_controls.h"
#include "ui/skin_frame.h"

namespace uitest {

inline bool SameText(const std::wstring& a, const wchar_t* b) {
  std::wstring_view bv(b);
  if (a.size() != bv.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::towlower(static_cast<wint_t>(a[i])) != std::towlower(static_cast<wint_t>(bv[i]))) return false;
  }
  return true;
}

class TestFrame : public CSkinFrame {
 public:
  explicit TestFrame(const std::wstring& layout) : CSkinFrame(MakeSkinDescriptor(layout)) {}
  std::unique_ptr<ui::Control> CreateCustomControl(const std::wstring& cls) override {
    if (SameText(cls, L"SequenceLabel")) return std::make_unique<CSequenceLabelUI>();
    if (SameText(cls, L"SequenceButton")) return std::make_unique<CSequenceButtonUI>();
    return nullptr;
  }
  void OnLayoutReady() override {
    CSkinFrame::OnLayoutReady();
    ++readyCalls;
  }
  int readyCalls = 0;
};

}  // namespace uitest
