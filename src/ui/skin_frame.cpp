#include "ui/skin_frame.h"

SkinDescriptor MakeSkinDescriptor(const std::wstring& layoutFile) {
  SkinDescriptor d;
  d.resourceKind = kSkinResourceKindArchive;
  d.resourceId = kSkinArchiveResourceId;
  d.layoutFile = layoutFile;
  size_t dot = layoutFile.rfind(L'.');
  d.windowClassName = dot == std::wstring::npos ? layoutFile : layoutFile.substr(0, dot);
  return d;
}

void CSkinFrame::OnLayoutReady() {
  SetStyle(GetStyle() & ~(ui::WS_CAPTION | ui::WS_MAXIMIZEBOX));
  shadow_.Configure(GetPaintManager());
}

bool CSkinFrame::FilterKey(uint32_t message, ui::WPARAM wParam, ui::LPARAM) {
  return message == ui::WM_KEYDOWN && wParam == ui::VK_ESCAPE;
}
