#include "ui/framework/backend.h"

#include <mutex>

#include "app/log.h"

namespace ui {
namespace {

class HeadlessWindow : public NativeWindow {
 public:
  explicit HeadlessWindow(const Rect& bounds) : bounds_(bounds) {}
  void Show(bool show) override {
    shown_ = show;
    if (show) minimized_ = false;
  }
  void SetBounds(const Rect& bounds) override { bounds_ = bounds; }
  Rect GetBounds() const override { return bounds_; }
  void Present(const Canvas&) override {}
  void SetTitle(const std::wstring&) override {}
  void SetIcon(const Image&) override {}
  void Minimize() override { minimized_ = true; }
  void Raise() override { minimized_ = false; }
  bool IsMinimized() const override { return minimized_; }

 private:
  Rect bounds_;
  bool shown_ = false, minimized_ = false;
};

class HeadlessBackend : public Backend {
 public:
  bool IsHeadless() const override { return true; }
  std::unique_ptr<NativeWindow> CreateNativeWindow(LayoutWindowBase*, const Rect& bounds) override {
    return std::make_unique<HeadlessWindow>(bounds);
  }
  // A virtual screen, so that centring gives sensible positions without a display.
  Rect WorkArea() const override { return Rect{0, 0, 1280, 800}; }
  std::wstring GetClipboardText() override {
    std::lock_guard<std::mutex> guard(lock_);
    return clipboard_;
  }
  void SetClipboardText(const std::wstring& text) override {
    std::lock_guard<std::mutex> guard(lock_);
    clipboard_ = text;
  }

 private:
  std::mutex lock_;
  std::wstring clipboard_;
};

struct BackendState {
  std::unique_ptr<Backend> current;
  std::function<void(LayoutWindowBase*)> shownHook;
};

BackendState& State() {
  static BackendState state;
  return state;
}

}  // namespace

// Defined by the SDL backend's file.
std::unique_ptr<Backend> CreateSdlBackend();
void ShowSdlErrorBox(const std::wstring& caption, const std::wstring& text);

Backend& CurrentBackend() {
  auto& s = State();
  if (!s.current) s.current = std::make_unique<HeadlessBackend>();
  return *s.current;
}

bool UseSdlBackend() {
  auto backend = CreateSdlBackend();
  if (!backend) return false;
  State().current = std::move(backend);
  return true;
}

void UseHeadlessBackend() { State().current = std::make_unique<HeadlessBackend>(); }

void ShowErrorBox(const std::wstring& caption, const std::wstring& text) {
  if (!CurrentBackend().IsHeadless()) {
    ShowSdlErrorBox(caption, text);
    return;
  }
  MIRELO_LOG(L"ShowErrorBox", L"%ls: %ls", caption.c_str(), text.c_str());
}

void SetWindowShownHookForTesting(std::function<void(LayoutWindowBase*)> hook) { State().shownHook = std::move(hook); }

void NotifyWindowShown(LayoutWindowBase* window) {
  if (State().shownHook) State().shownHook(window);
}

}  // namespace ui
