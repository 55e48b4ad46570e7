// The window base of every skinned window: builds its content from a layout of
// the skin, routes window messages and notifications, runs modal loops.
#pragma once
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>

#include "ui/framework/backend.h"
#include "ui/framework/canvas.h"
#include "ui/framework/control.h"
#include "ui/framework/message_loop.h"
#include "ui/framework/paint_manager.h"

namespace ui {

// Where a window's skin comes from: 4 = an archive in a resource of the executable.
inline constexpr int kSkinResourceArchive = 4;
// Framework-internal message: queued notifications are waiting.
inline constexpr uint32_t WM_FRAMEWORK_NOTIFY = WM_APP + 0x3F0;
// Framework-internal message: typed or committed text is waiting in the window.
inline constexpr uint32_t WM_FRAMEWORK_TEXT = WM_APP + 0x3F1;

class LayoutWindowBase : public NotifyListener {
 public:
  LayoutWindowBase();
  ~LayoutWindowBase() override;
  LayoutWindowBase(const LayoutWindowBase&) = delete;
  LayoutWindowBase& operator=(const LayoutWindowBase&) = delete;

  // What the window's skin is.
  virtual std::wstring GetWindowClassName() const = 0;
  virtual std::wstring GetSkinFolder() const { return L""; }
  virtual std::wstring GetSkinFile() const = 0;
  virtual int GetResourceType() const { return kSkinResourceArchive; }
  virtual int GetResourceId() const { return 147; }

  // Custom layout elements ("SequenceLabel", ...); null for unknown names.
  virtual std::unique_ptr<Control> CreateCustomControl(const std::wstring& className) { return nullptr; }
  // The layout is built and attached; controls can be looked up.
  virtual void OnLayoutReady() {}
  // Default: "closebtn" closes, "minbtn" minimises.
  virtual void OnControlClick(Notification& notification);
  // Every notification; the default turns "click" into OnControlClick.
  virtual void OnNotification(Notification& notification);
  // Window messages. Overrides call the base for the framework's handling.
  virtual LRESULT HandleWindowMessage(uint32_t message, WPARAM wParam, LPARAM lParam);
  // Messages the framework does not know (WM_USER + n, ...); set handled when used.
  virtual LRESULT HandleOtherMessage(uint32_t message, WPARAM wParam, LPARAM lParam, bool& handled) {
    handled = false;
    return 0;
  }
  // Keyboard filter, before any other handling; true swallows the key.
  virtual bool FilterKey(uint32_t message, WPARAM wParam, LPARAM lParam) { return false; }
  // Messages still queued for the window when it is destroyed, in posting
  // order; a window that receives records by pointer releases them here (posts
  // after the destruction fail, so the poster keeps those). A window whose
  // object dies with its window must call DestroyWindow() in its own destructor
  // for this to reach its override.
  virtual void OnDiscardedMessage(const Message& message) {}
  // The last call for a destroyed window.
  virtual void OnFinalMessage() {}

  void Notify(Notification& notification) final { OnNotification(notification); }

  // Creates the window and builds its content. Returns the handle, 0 on failure.
  WindowHandle Create(LayoutWindowBase* parent, const std::wstring& title, uint32_t style, uint32_t exStyle,
                      int x = CW_USEDEFAULT, int y = CW_USEDEFAULT, int width = CW_USEDEFAULT,
                      int height = CW_USEDEFAULT);
  WindowHandle GetHWND() const { return hwnd_; }
  bool IsWindow() const { return hwnd_ != 0; }
  LayoutWindowBase* GetParentWindow() const;
  void ShowWindow(bool show = true);
  bool IsVisible() const { return visible_; }
  // Shows the window, disables the owner and pumps messages until the window is
  // destroyed; a WM_QUIT ends the loop and is posted again. Returns the result
  // given with the closing WM_CLOSE (its wParam).
  int ShowModal();
  // Posts WM_CLOSE with the result.
  void Close(int result = 1);
  void DestroyWindow();
  // Centres over the owner (when present and not minimised) or on the work
  // area; never beyond the work area.
  void CenterWindow();
  // Sets the window icon from a resource ("ICON", id) of the executable.
  bool SetIcon(int resourceId);
  // Text input (typed characters or input-method text) for the focused control.
  void PostText(const std::wstring& text);
  bool PostMessage(uint32_t message, WPARAM wParam = 0, LPARAM lParam = 0);
  LRESULT SendMessage(uint32_t message, WPARAM wParam = 0, LPARAM lParam = 0);
  uint32_t GetStyle() const { return style_; }
  void SetStyle(uint32_t style) { style_ = style; }
  uint32_t GetExStyle() const { return exStyle_; }
  void SetExStyle(uint32_t exStyle) { exStyle_ = exStyle; }
  void EnableWindow(bool enable) { enabled_ = enable; }
  bool IsWindowEnabled() const { return enabled_; }
  void SetForeground();
  void Minimize();
  bool IsMinimized() const;
  Rect GetWindowRect() const { return bounds_; }
  void MoveWindow(int x, int y, int width, int height);
  const std::wstring& GetTitle() const { return title_; }
  PaintManager& GetPaintManager() { return manager_; }
  Control* FindControl(const std::wstring& name) const { return manager_.FindControl(name); }

  // Renders the content now and returns the canvas (client area).
  const Canvas& Render();
  // Saves the rendered content as a PNG file.
  bool SaveScreenshot(const std::wstring& path);
  // What the native window shows now (a real screenshot); false when headless.
  bool CaptureScreen(Image& out) const { return native_ && native_->Capture(out); }
  // Paints and shows the content when something changed.
  void PaintIfNeeded();

  // The window's message handler (window thread).
  LRESULT HandleMessage(uint32_t message, WPARAM wParam, LPARAM lParam);

  // Simulated input posted to this window (tests, tools). Key messages carry
  // the modifiers in lParam (kModShift, kModControl).
  void PostClick(Point pt);
  bool PostClickOn(const std::wstring& controlName);
  void PostKey(uint32_t virtualKey, uint32_t modifiers = 0);

 private:
  void BuildContent();
  void InputMessage(uint32_t message, WPARAM wParam, LPARAM lParam);

  WindowHandle hwnd_ = 0;
  WindowHandle parentHwnd_ = 0;
  std::wstring title_;
  uint32_t style_ = 0, exStyle_ = 0;
  bool visible_ = false, enabled_ = true;
  int modalResult_ = 0;
  Rect bounds_;
  PaintManager manager_;
  Canvas canvas_;
  bool ownerDisabled_ = false;
  std::deque<std::wstring> pendingText_;
  std::unique_ptr<NativeWindow> native_;
};

// What happens when a layout cannot be built from the skin: the message box
// "加载资源文件失败" (caption "Skin") and the end of the process with code 1.
// Tests replace the ending.
void SetSkinFailureHandlerForTesting(std::function<void()> handler);

}  // namespace ui
