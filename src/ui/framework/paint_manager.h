// Per-window manager of the control tree: names, fonts, images, focus, mouse
// state, timers, notifications, layout and painting.
#pragma once
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "ui/framework/canvas.h"
#include "ui/framework/control.h"
#include "ui/framework/message_loop.h"
#include "ui/framework/text_render.h"

namespace ui {

class LayoutWindowBase;

class NotifyListener {
 public:
  virtual ~NotifyListener() = default;
  virtual void Notify(Notification& notification) = 0;
};

// The numbered texts that layouts show through "%{n}" placeholders (one table
// for the process; used on the window thread).
namespace language {
void SetText(int id, const std::wstring& text);
// The text, or empty when there is none.
std::wstring GetText(int id);
bool HasText(int id);
void Clear();
// Replaces every "%{n}" whose number has a text; other text is left as it is.
std::wstring Resolve(const std::wstring& text);
}  // namespace language

class PaintManager {
 public:
  PaintManager();
  ~PaintManager();
  PaintManager(const PaintManager&) = delete;
  PaintManager& operator=(const PaintManager&) = delete;

  void SetWindow(LayoutWindowBase* window) { window_ = window; }
  LayoutWindowBase* GetWindow() const { return window_; }
  // The window's handle, used to wake its thread for queued notifications.
  void SetHandle(WindowHandle hwnd) {
    std::lock_guard<std::mutex> guard(asyncLock_);
    hwnd_ = hwnd;
  }

  // Takes the tree, attaches every control and initialises it.
  void AttachRoot(std::unique_ptr<Control> root);
  Control* GetRoot() const { return root_.get(); }
  // Drops the tree (timers, queued notifications and focus with it).
  void DetachRoot();
  Control* FindControl(const std::wstring& name) const;
  Control* FindControlAt(Point pt) const;
  // Registers a control's name (done by AttachRoot; call for controls added later).
  void InitControl(Control* control, Control* parent);
  // Forgets a control that is being destroyed.
  void ReapControl(Control* control);

  // Window attributes of the layout's root element.
  void SetWindowAttribute(const std::wstring& name, const std::wstring& value);
  std::wstring GetWindowAttribute(const std::wstring& name) const;
  const std::vector<std::pair<std::wstring, std::wstring>>& WindowAttributes() const { return windowAttributes_; }
  Size GetInitSize() const { return initSize_; }
  Rect GetCaptionRect() const { return caption_; }
  Size GetRoundCorner() const { return roundCorner_; }

  // Fonts by index; index -1 or unknown gives the default font.
  void AddFont(int id, const FontSpec& font, bool isDefault);
  const FontSpec& GetFont(int id) const;
  // Width and height of a text in a control's font.
  Size MeasureText(const Control* control, const std::wstring& text) const;

  // Images from the skin (cached; a missing image gives null and is not drawn).
  std::shared_ptr<Image> GetImage(const std::wstring& name);

  // Focus and keyboard.
  Control* GetFocus() const { return focus_; }
  void SetFocus(Control* control);
  // Moves the focus to the next (or previous) focusable control.
  void MoveFocus(bool forward);

  // Input from the window (client coordinates).
  void HandleMouse(uint32_t message, Point pt, uint32_t modifiers);
  void HandleKey(uint32_t key, uint32_t modifiers);
  void HandleText(const std::wstring& text);
  void HandleMouseLeave();
  Control* GetHot() const { return hot_; }
  // True when the point is in the caption area and not over an active control.
  bool IsCaptionPoint(Point pt) const;

  // Timers of controls; arrive as a Timer event to the control.
  bool SetTimer(Control* control, uint32_t id, uint32_t elapseMs);
  bool KillTimer(Control* control, uint32_t id);
  void KillTimers(Control* control);
  bool HasTimer(const Control* control, uint32_t id) const;
  // A window timer fired (the framework's timer id).
  void OnWindowTimer(uint32_t windowTimerId);

  // Notifications: sent at once to every listener, or queued to the window's
  // thread (posting is safe from any thread; the sender must be a control of
  // this window or null for the root).
  void AddNotifier(NotifyListener* listener);
  void SendNotify(Control* sender, const std::wstring& type, WPARAM wParam = 0, LPARAM lParam = 0,
                  bool async = false);
  void SendNotify(Notification& notification, bool async = false);
  // Delivers the queued notifications (window thread).
  void DispatchQueuedNotifications();

  // Layout and painting.
  void NeedUpdate() { needUpdate_ = true; Invalidate(); }
  bool IsUpdateNeeded() const { return needUpdate_; }
  void Invalidate() { dirty_ = true; }
  bool IsDirty() const { return dirty_; }
  void SetClientSize(Size size);
  Size GetClientSize() const { return clientSize_; }
  // Lays out when needed and paints the whole tree into the canvas.
  void Render(Canvas& canvas);
  // A combo box whose list is open (painted on top).
  void SetDroppedCombo(Combo* combo) { droppedCombo_ = combo; Invalidate(); }

 private:
  struct Timer {
    Control* control;
    uint32_t id;
    uint32_t windowTimerId;
  };

  LayoutWindowBase* window_ = nullptr;
  std::unique_ptr<Control> root_;
  std::multimap<std::wstring, Control*> names_;
  std::vector<std::pair<std::wstring, std::wstring>> windowAttributes_;
  Size initSize_, clientSize_;
  Rect caption_;
  Size roundCorner_;
  std::map<int, FontSpec> fonts_;
  FontSpec defaultFont_;
  std::map<std::wstring, std::shared_ptr<Image>> images_;
  Control* focus_ = nullptr;
  Control* hot_ = nullptr;
  Control* pushed_ = nullptr;
  Combo* droppedCombo_ = nullptr;
  std::vector<Timer> timers_;
  uint32_t nextTimerId_ = 0x1000;
  std::vector<NotifyListener*> listeners_;
  std::mutex asyncLock_;
  std::deque<Notification> asyncQueue_;
  WindowHandle hwnd_ = 0;  // guarded by asyncLock_
  bool needUpdate_ = true, dirty_ = true;
};

}  // namespace ui
