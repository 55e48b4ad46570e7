#include "ui/message_box.h"

#include <memory>

void CMessageBoxWnd::OnLayoutReady() {
  CSkinFrame::OnLayoutReady();
  SetStyle((GetStyle() & ~(ui::WS_CAPTION | ui::WS_MAXIMIZEBOX)) | ui::WS_CLIPSIBLINGS | ui::WS_CLIPCHILDREN);
  SetExStyle(GetExStyle() & ~ui::WS_EX_TOPMOST);
  okBtn_ = FindControl(L"okBtn");
  cancelBtn_ = FindControl(L"cancelBtn");
  textLbl_ = FindControl(L"textLbl");
  captionLbl_ = FindControl(L"captionLbl");
}

void CMessageBoxWnd::OnControlClick(ui::Notification& notification) {
  const std::wstring name = notification.sender ? notification.sender->GetName() : std::wstring();
  if (name == L"okBtn") {
    PostMessage(ui::WM_CLOSE, 1, 0);
    result_ = kMessageBoxOk;
  } else if (name == L"cancelBtn") {
    PostMessage(ui::WM_CLOSE, 1, 0);
    result_ = kMessageBoxCancel;
  } else {
    CSkinFrame::OnControlClick(notification);
    result_ = kMessageBoxOther;
  }
}

int32_t ShowMessageBox(ui::LayoutWindowBase* parent, const SkinDescriptor& descriptor,
                       const std::optional<std::wstring>& text, const std::optional<std::wstring>& caption) {
  auto dialog = std::make_unique<CMessageBoxWnd>(descriptor);
  if (!dialog->Create(parent, L"消息框", ui::WS_OVERLAPPEDWINDOW | ui::WS_VISIBLE, 0)) return dialog->Result();
  if (text && dialog->TextLabel()) dialog->TextLabel()->SetText(*text);
  if (caption && dialog->CaptionLabel()) dialog->CaptionLabel()->SetText(*caption);
  dialog->CenterWindow();
  dialog->ShowModal();
  return dialog->Result();
}
