// The installer's dialogs: one class serves the message boxes whose caption
// and text the caller fills in and the dialogs whose texts are fixed in their
// layouts. ShowMessageBox shows one modally and says which button closed it.
#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "ui/skin_frame.h"

inline constexpr int32_t kMessageBoxOk = 0;      // "okBtn"
inline constexpr int32_t kMessageBoxCancel = 1;  // "cancelBtn", or closed without a click
inline constexpr int32_t kMessageBoxOther = 2;   // any other clickable control ("closebtn")

class CMessageBoxWnd : public CSkinFrame {
 public:
  explicit CMessageBoxWnd(SkinDescriptor descriptor) : CSkinFrame(std::move(descriptor)) {}

  void OnLayoutReady() override;
  void OnControlClick(ui::Notification& notification) override;

  int32_t Result() const { return result_; }
  ui::Control* OkButton() const { return okBtn_; }
  ui::Control* CancelButton() const { return cancelBtn_; }
  ui::Control* TextLabel() const { return textLbl_; }
  ui::Control* CaptionLabel() const { return captionLbl_; }

 private:
  int32_t result_ = kMessageBoxCancel;
  ui::Control* okBtn_ = nullptr;
  ui::Control* cancelBtn_ = nullptr;
  ui::Control* textLbl_ = nullptr;
  ui::Control* captionLbl_ = nullptr;
};

// Shows the dialog of the descriptor over the parent (may be null) and runs it
// modally. An absent text or caption keeps the layout's own. Returns 0, 1 or 2
// (see above); 1 when the dialog cannot be created.
int32_t ShowMessageBox(ui::LayoutWindowBase* parent, const SkinDescriptor& descriptor,
                       const std::optional<std::wstring>& text = std::nullopt,
                       const std::optional<std::wstring>& caption = std::nullopt);
