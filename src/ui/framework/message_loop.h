// Window messages between threads: one queue per UI thread, thread-safe
// posting by window handle, window timers, and the loops that pump them. The
// loop sleeps until a message, a native event or the next timer is due.
#pragma once
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "ui/framework/messages.h"

namespace ui {

using WindowHandle = uintptr_t;  // 0 = no window
class LayoutWindowBase;

struct Message {
  WindowHandle hwnd = 0;
  uint32_t message = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
};

class MessageQueue {
 public:
  // The calling thread's queue (created on first use).
  static std::shared_ptr<MessageQueue> ForCurrentThread();

  // `wake` false: the caller is the native event pump itself (no need to wake it).
  void Post(const Message& message, bool wake = true);
  // Waits for the next message (a posted one or a due timer); false for WM_QUIT.
  bool Get(Message& out);
  // Takes the next message without waiting; false when there is none.
  bool Peek(Message& out);
  // Window timers (WM_TIMER with the id as wParam), one per (window, id).
  void SetTimer(WindowHandle hwnd, uint32_t id, uint32_t elapseMs);
  void KillTimer(WindowHandle hwnd, uint32_t id);
  void KillTimers(WindowHandle hwnd);
  // Removes and returns the posted messages for a window (in posting order).
  std::vector<Message> TakeAll(WindowHandle hwnd);
  // Milliseconds until the next timer is due (UINT32_MAX when none).
  uint32_t NextTimerDelay();
  // Hooks of the native backend: how to turn pending native events into
  // messages, how to wait for native events and how to wake such a wait from
  // another thread.
  void SetNativeHooks(std::function<void()> pump, std::function<void(uint32_t)> wait, std::function<void()> wake);

 private:
  bool TakeLocked(Message& out);
  uint32_t NextTimerDelayLocked(uint64_t now) const;
  void PumpNative();
  struct Timer {
    WindowHandle hwnd;
    uint32_t id;
    uint32_t elapse;
    uint64_t due;
  };
  std::mutex lock_;
  std::condition_variable signal_;
  std::deque<Message> messages_;
  std::vector<Timer> timers_;
  std::function<void()> nativePump_;
  std::function<void(uint32_t)> nativeWait_;
  std::function<void()> nativeWake_;
};

// Posts to any window from any thread; false when the window does not exist.
bool PostMessage(WindowHandle hwnd, uint32_t message, WPARAM wParam = 0, LPARAM lParam = 0);
// Posts WM_QUIT to the calling thread's queue.
void PostQuitMessage(int exitCode);
// Hands a message to its window (window thread); messages to destroyed windows are dropped.
void DispatchMessage(const Message& message);
// Handles every message that is ready now, without waiting; false when WM_QUIT
// was met (it is posted again so that an outer loop sees it).
bool PumpPendingMessages();
// Runs the thread's messages until the window no longer exists or WM_QUIT
// arrives (posted again after the loop). Returns false for WM_QUIT.
bool RunLoopUntilDestroyed(WindowHandle hwnd);
bool IsWindow(WindowHandle hwnd);
// The window object for a handle on the calling thread (null when gone).
LayoutWindowBase* WindowFromHandle(WindowHandle hwnd);

// Registration of windows (used by the window base).
WindowHandle RegisterWindow(LayoutWindowBase* window);
void UnregisterWindow(WindowHandle hwnd);
// Paints every window of this thread that needs it.
void PaintDirtyWindows();

// Tests: replaces the real wait for the next timer (a fake clock advances instead).
void SetIdleWaitForTesting(std::function<void(uint32_t)> wait);

}  // namespace ui
