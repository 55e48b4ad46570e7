// The frame base of every installer window: answers the framework's questions
// from its skin descriptor, removes the caption and maximise box, configures
// the drop shadow from the layout and swallows the Escape key.
#pragma once
#include <string>

#include "ui/framework/window.h"
#include "ui/skin_descriptor.h"
#include "ui/window_shadow.h"

class CSkinFrame : public ui::LayoutWindowBase {
 public:
  explicit CSkinFrame(SkinDescriptor descriptor) : descriptor_(std::move(descriptor)) {}

  std::wstring GetWindowClassName() const override { return descriptor_.windowClassName; }
  std::wstring GetSkinFolder() const override { return descriptor_.archiveFileName; }
  std::wstring GetSkinFile() const override { return descriptor_.layoutFile; }
  int GetResourceType() const override { return descriptor_.resourceKind; }
  int GetResourceId() const override { return descriptor_.resourceId; }

  // Frame set-up; derived windows call it first from their own OnLayoutReady.
  void OnLayoutReady() override;
  // Escape never closes or cancels an installer window.
  bool FilterKey(uint32_t message, ui::WPARAM wParam, ui::LPARAM lParam) override;

  const SkinDescriptor& Descriptor() const { return descriptor_; }
  const CWindowShadow& Shadow() const { return shadow_; }

 private:
  SkinDescriptor descriptor_;
  CWindowShadow shadow_;
};
