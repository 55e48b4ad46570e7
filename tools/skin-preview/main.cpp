// Renders a layout of the built-in skin without a display, so that designers
// and reviewers can see every window without running an installation.
//   skin-preview --layout NAME [--page N] [--text control=TEXT]... [--shadow] --out FILE.png
#include <cstdio>
#include <cstdlib>
#include <cwctype>
#include <fstream>
#include <string>
#include <vector>

#include "platform/utf.h"
#include "ui/framework/message_loop.h"
#include "ui/framework/skin_archive.h"
#include "ui/sequence_controls.h"
#include "ui/skin_frame.h"

namespace {

bool SameText(const std::wstring& a, const wchar_t* b) {
  std::wstring_view bv(b);
  if (a.size() != bv.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::towlower(static_cast<wint_t>(a[i])) != std::towlower(static_cast<wint_t>(bv[i]))) return false;
  }
  return true;
}

class PreviewWindow : public CSkinFrame {
 public:
  explicit PreviewWindow(const std::wstring& layout) : CSkinFrame(MakeSkinDescriptor(layout)) {}
  std::unique_ptr<ui::Control> CreateCustomControl(const std::wstring& cls) override {
    if (SameText(cls, L"SequenceLabel")) return std::make_unique<CSequenceLabelUI>();
    if (SameText(cls, L"SequenceButton")) return std::make_unique<CSequenceButtonUI>();
    return nullptr;
  }
};

int Usage() {
  std::fprintf(stderr,
               "usage: skin-preview --layout NAME [--page N] [--text control=TEXT]... [--shadow] --out FILE.png\n"
               "  NAME     a layout of the built-in skin, e.g. MainWnd.xml or ExitTipWnd (\".xml\" optional)\n"
               "  --page   for a layout with the tab layout \"mainTabLt\": the page to show (as the installer shows it)\n"
               "  --text   replaces the text of a named control (repeatable)\n"
               "  --shadow draws the window over its drop shadow\n");
  return 2;
}

// The page as the installer's main window presents it: background and title bar per page.
void ShowPage(PreviewWindow& w, int page) {
  auto* tabs = static_cast<ui::TabLayout*>(w.FindControl(L"mainTabLt")->GetInterface(L"TabLayout"));
  tabs->SelectItem(page, false);
  static const wchar_t* backgrounds[] = {L"res\\mainWnd\\bg1.png", L"res\\mainWnd\\bg2.png", L"res\\mainWnd\\bg3.png",
                                         L"res\\mainWnd\\bg4.png"};
  if (ui::Control* bg = w.FindControl(L"winCtn")) bg->SetBkImage(backgrounds[page >= 0 && page < 4 ? page : 0]);
  if (ui::Control* t = w.FindControl(L"titleTabLt")) {
    if (auto* title = static_cast<ui::TabLayout*>(t->GetInterface(L"TabLayout"))) title->SelectItem(page == 1 ? 1 : page == 3 ? 2 : 0, false);
  }
  if (ui::Control* g = w.FindControl(L"titleGrpCtn")) g->SetVisible(page != 2);
  if (ui::Control* b = w.FindControl(L"backBtn")) b->SetVisible(page == 1);
}

}  // namespace

int main(int argc, char** argv) {
  std::wstring layout, out;
  int page = -1;
  bool shadow = false;
  std::vector<std::pair<std::wstring, std::wstring>> texts;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    auto next = [&]() -> std::wstring { return i + 1 < argc ? platform::Utf8ToWide(argv[++i]) : L""; };
    if (arg == "--layout") layout = next();
    else if (arg == "--out") out = next();
    else if (arg == "--page") page = std::atoi(platform::WideToUtf8(next()).c_str());
    else if (arg == "--shadow") shadow = true;
    else if (arg == "--text") {
      std::wstring t = next();
      size_t eq = t.find(L'=');
      if (eq == std::wstring::npos) return Usage();
      texts.emplace_back(t.substr(0, eq), t.substr(eq + 1));
    } else {
      return Usage();
    }
  }
  if (layout.empty() || out.empty()) return Usage();
  if (layout.size() < 4 || !SameText(layout.substr(layout.size() - 4), L".xml")) layout += L".xml";

  std::string probe;
  if (!ui::skin::OpenFromResource(147) || !ui::skin::ReadFile(layout, probe)) {
    std::fprintf(stderr, "skin-preview: no layout %s in the built-in skin\n", platform::WideToUtf8(layout).c_str());
    return 1;
  }
  PreviewWindow w(layout);
  if (!w.Create(nullptr, L"skin-preview", ui::WS_OVERLAPPEDWINDOW, 0) || !w.GetPaintManager().GetRoot()) {
    std::fprintf(stderr, "skin-preview: cannot build %s\n", platform::WideToUtf8(layout).c_str());
    return 1;
  }
  if (page >= 0) {
    ui::Control* tabs = w.FindControl(L"mainTabLt");
    if (!tabs || !tabs->GetInterface(L"TabLayout") ||
        page >= static_cast<ui::TabLayout*>(tabs->GetInterface(L"TabLayout"))->GetCount()) {
      std::fprintf(stderr, "skin-preview: no page %d in \"mainTabLt\"\n", page);
      return 1;
    }
    ShowPage(w, page);
  }
  for (const auto& [name, text] : texts) {
    ui::Control* c = w.FindControl(name);
    if (!c) {
      std::fprintf(stderr, "skin-preview: no control \"%s\"\n", platform::WideToUtf8(name).c_str());
      return 1;
    }
    c->SetText(text);
  }
  const ui::Canvas& canvas = w.Render();
  ui::Image image = canvas.Pixels();
  if (shadow && w.Shadow().IsCreated()) {
    ui::Rect m = w.Shadow().Margins();
    ui::Canvas composed;
    composed.Resize(canvas.Width() + m.left + m.right, canvas.Height() + m.top + m.bottom);
    // A light desk behind, so that the shadow can be seen.
    composed.Clear(0xFFF0F2F5);
    ui::Image s = w.Shadow().Render(ui::Size{canvas.Width(), canvas.Height()}, &w.GetPaintManager());
    composed.DrawImage(s, ui::Rect{0, 0, s.width, s.height}, ui::Rect{0, 0, s.width, s.height}, ui::Rect{});
    composed.DrawImage(image, ui::Rect{m.left, m.top, m.left + image.width, m.top + image.height},
                       ui::Rect{0, 0, image.width, image.height}, ui::Rect{});
    image = composed.Pixels();
  }
  std::string png = ui::EncodePng(image);
  std::ofstream file(platform::FsPath(out), std::ios::binary | std::ios::trunc);
  file.write(png.data(), static_cast<std::streamsize>(png.size()));
  if (!file) {
    std::fprintf(stderr, "skin-preview: cannot write %s\n", platform::WideToUtf8(out).c_str());
    return 1;
  }
  return 0;
}
