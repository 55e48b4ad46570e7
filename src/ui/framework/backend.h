// The screen side of the framework: a native window that shows a rendered
// canvas and turns native input into window messages. Two backends exist: an
// SDL2 window and a headless one (no display, used by tests and tools).
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "ui/framework/canvas.h"
#include "ui/framework/geometry.h"

namespace ui {

class LayoutWindowBase;

class NativeWindow {
 public:
  virtual ~NativeWindow() = default;
  virtual void Show(bool show) = 0;
  virtual void SetBounds(const Rect& bounds) = 0;
  virtual Rect GetBounds() const = 0;
  virtual void Present(const Canvas& canvas) = 0;
  virtual void SetTitle(const std::wstring& title) = 0;
  virtual void SetIcon(const Image& icon) = 0;
  virtual void Minimize() = 0;
  virtual void Raise() = 0;
  virtual bool IsMinimized() const = 0;
  // What the screen shows of the window now; false when the backend cannot tell.
  virtual bool Capture(Image& out) const { return false; }
};

class Backend {
 public:
  virtual ~Backend() = default;
  virtual bool IsHeadless() const = 0;
  virtual std::unique_ptr<NativeWindow> CreateNativeWindow(LayoutWindowBase* window, const Rect& bounds) = 0;
  // The usable area of the primary screen.
  virtual Rect WorkArea() const = 0;
  virtual std::wstring GetClipboardText() = 0;
  virtual void SetClipboardText(const std::wstring& text) = 0;
};

// Shows a system error box (a diagnostic line when headless).
void ShowErrorBox(const std::wstring& caption, const std::wstring& text);
// The backend in use on this process (headless until another is chosen).
Backend& CurrentBackend();
// Chooses the SDL2 window backend; false when no display can be opened (the
// headless backend stays).
bool UseSdlBackend();
void UseHeadlessBackend();
// Called when any window is shown (tests use it to act on modal windows).
void SetWindowShownHookForTesting(std::function<void(LayoutWindowBase*)> hook);
void NotifyWindowShown(LayoutWindowBase* window);

}  // namespace ui
