#include "ui/framework/message_loop.h"

#include <chrono>
#include <map>
#include <thread>

#include "ui/framework/window.h"
#include "utils/clock.h"

namespace ui {
namespace {

struct Registered {
  LayoutWindowBase* window;
  std::shared_ptr<MessageQueue> queue;
  std::thread::id thread;
};

struct Registry {
  std::mutex lock;
  std::map<WindowHandle, Registered> windows;
  WindowHandle next = 0x10000;
  std::function<void(uint32_t)> idleWait;
};

Registry& GetRegistry() {
  static Registry* registry = new Registry();  // outlives every window and static destructor
  return *registry;
}

std::function<void(uint32_t)> IdleWaitHook() {
  auto& r = GetRegistry();
  std::lock_guard<std::mutex> guard(r.lock);
  return r.idleWait;
}

}  // namespace

std::shared_ptr<MessageQueue> MessageQueue::ForCurrentThread() {
  thread_local std::shared_ptr<MessageQueue> queue = std::make_shared<MessageQueue>();
  return queue;
}

void MessageQueue::SetNativeHooks(std::function<void()> pump, std::function<void(uint32_t)> wait,
                                  std::function<void()> wake) {
  std::lock_guard<std::mutex> guard(lock_);
  nativePump_ = std::move(pump);
  nativeWait_ = std::move(wait);
  nativeWake_ = std::move(wake);
}

void MessageQueue::Post(const Message& message, bool wakeNative) {
  std::function<void()> wake;
  {
    std::lock_guard<std::mutex> guard(lock_);
    messages_.push_back(message);
    if (wakeNative) wake = nativeWake_;
  }
  signal_.notify_all();
  if (wake) wake();
}

uint32_t MessageQueue::NextTimerDelayLocked(uint64_t now) const {
  uint64_t best = UINT32_MAX;
  for (const auto& t : timers_) best = std::min<uint64_t>(best, t.due > now ? t.due - now : 0);
  return static_cast<uint32_t>(best);
}

uint32_t MessageQueue::NextTimerDelay() {
  std::lock_guard<std::mutex> guard(lock_);
  return NextTimerDelayLocked(Utils::NowTickMs());
}

bool MessageQueue::TakeLocked(Message& out) {
  if (!messages_.empty()) {
    out = messages_.front();
    messages_.pop_front();
    return true;
  }
  if (timers_.empty()) return false;
  const uint64_t now = Utils::NowTickMs();
  Timer* due = nullptr;
  for (auto& t : timers_) {
    if (t.due <= now && (!due || t.due < due->due)) due = &t;
  }
  if (!due) return false;
  // A late timer fires once and is rescheduled from now (no bursts).
  due->due = now + due->elapse;
  out = Message{due->hwnd, WM_TIMER, due->id, 0};
  return true;
}

void MessageQueue::PumpNative() {
  std::function<void()> pump;
  {
    std::lock_guard<std::mutex> guard(lock_);
    pump = nativePump_;
  }
  if (pump) pump();
}

bool MessageQueue::Peek(Message& out) {
  PumpNative();
  std::lock_guard<std::mutex> guard(lock_);
  return TakeLocked(out);
}

bool MessageQueue::Get(Message& out) {
  for (;;) {
    PumpNative();
    {
      std::lock_guard<std::mutex> guard(lock_);
      if (TakeLocked(out)) return out.message != WM_QUIT;
    }
    // Nothing to do: paint what changed, then sleep until a message, a native
    // event or the next timer.
    PaintDirtyWindows();
    std::unique_lock<std::mutex> lock(lock_);
    if (!messages_.empty()) continue;
    uint32_t delay = NextTimerDelayLocked(Utils::NowTickMs());
    if (delay == 0) continue;
    if (nativeWait_) {
      auto wait = nativeWait_;
      lock.unlock();
      wait(delay);
      continue;
    }
    auto testWait = IdleWaitHook();
    if (testWait && delay != UINT32_MAX) {
      lock.unlock();
      testWait(delay);
      continue;
    }
    if (delay == UINT32_MAX) signal_.wait(lock, [this] { return !messages_.empty(); });
    else signal_.wait_for(lock, std::chrono::milliseconds(delay), [this] { return !messages_.empty(); });
  }
}

void MessageQueue::SetTimer(WindowHandle hwnd, uint32_t id, uint32_t elapseMs) {
  std::lock_guard<std::mutex> guard(lock_);
  elapseMs = std::max<uint32_t>(elapseMs, 1);
  const uint64_t due = Utils::NowTickMs() + elapseMs;
  for (auto& t : timers_) {
    if (t.hwnd == hwnd && t.id == id) {
      t.elapse = elapseMs;
      t.due = due;
      return;
    }
  }
  timers_.push_back(Timer{hwnd, id, elapseMs, due});
}

void MessageQueue::KillTimer(WindowHandle hwnd, uint32_t id) {
  std::lock_guard<std::mutex> guard(lock_);
  std::erase_if(timers_, [&](const Timer& t) { return t.hwnd == hwnd && t.id == id; });
}

std::vector<Message> MessageQueue::TakeAll(WindowHandle hwnd) {
  std::lock_guard<std::mutex> guard(lock_);
  std::vector<Message> taken;
  for (auto it = messages_.begin(); it != messages_.end();) {
    if (it->hwnd == hwnd) {
      taken.push_back(*it);
      it = messages_.erase(it);
    } else {
      ++it;
    }
  }
  return taken;
}

void MessageQueue::KillTimers(WindowHandle hwnd) {
  std::lock_guard<std::mutex> guard(lock_);
  std::erase_if(timers_, [&](const Timer& t) { return t.hwnd == hwnd; });
}

bool PostMessage(WindowHandle hwnd, uint32_t message, WPARAM wParam, LPARAM lParam) {
  std::shared_ptr<MessageQueue> queue;
  {
    auto& r = GetRegistry();
    std::lock_guard<std::mutex> guard(r.lock);
    auto it = r.windows.find(hwnd);
    if (it == r.windows.end()) return false;
    queue = it->second.queue;
  }
  queue->Post(Message{hwnd, message, wParam, lParam});
  return true;
}

void PostQuitMessage(int exitCode) {
  MessageQueue::ForCurrentThread()->Post(Message{0, WM_QUIT, static_cast<WPARAM>(exitCode), 0});
}

LayoutWindowBase* WindowFromHandle(WindowHandle hwnd) {
  auto& r = GetRegistry();
  std::lock_guard<std::mutex> guard(r.lock);
  auto it = r.windows.find(hwnd);
  if (it == r.windows.end() || it->second.thread != std::this_thread::get_id()) return nullptr;
  return it->second.window;
}

bool IsWindow(WindowHandle hwnd) {
  auto& r = GetRegistry();
  std::lock_guard<std::mutex> guard(r.lock);
  return hwnd != 0 && r.windows.count(hwnd) != 0;
}

void DispatchMessage(const Message& message) {
  if (LayoutWindowBase* window = WindowFromHandle(message.hwnd)) {
    window->HandleMessage(message.message, message.wParam, message.lParam);
  }
}

bool PumpPendingMessages() {
  auto queue = MessageQueue::ForCurrentThread();
  Message msg;
  while (queue->Peek(msg)) {
    if (msg.message == WM_QUIT) {
      queue->Post(msg);
      return false;
    }
    DispatchMessage(msg);
  }
  PaintDirtyWindows();
  return true;
}

bool RunLoopUntilDestroyed(WindowHandle hwnd) {
  auto queue = MessageQueue::ForCurrentThread();
  Message msg;
  while (IsWindow(hwnd)) {
    if (!queue->Get(msg)) {
      queue->Post(msg);  // the quit request belongs to an outer loop as well
      return false;
    }
    DispatchMessage(msg);
  }
  return true;
}

WindowHandle RegisterWindow(LayoutWindowBase* window) {
  auto queue = MessageQueue::ForCurrentThread();
  auto& r = GetRegistry();
  std::lock_guard<std::mutex> guard(r.lock);
  WindowHandle hwnd = r.next;
  r.next += 4;
  r.windows[hwnd] = Registered{window, queue, std::this_thread::get_id()};
  return hwnd;
}

void UnregisterWindow(WindowHandle hwnd) {
  {
    auto& r = GetRegistry();
    std::lock_guard<std::mutex> guard(r.lock);
    r.windows.erase(hwnd);
  }
  MessageQueue::ForCurrentThread()->KillTimers(hwnd);
}

void PaintDirtyWindows() {
  std::vector<WindowHandle> mine;
  {
    auto& r = GetRegistry();
    std::lock_guard<std::mutex> guard(r.lock);
    for (auto& [hwnd, reg] : r.windows) {
      if (reg.thread == std::this_thread::get_id()) mine.push_back(hwnd);
    }
  }
  for (WindowHandle hwnd : mine) {
    if (LayoutWindowBase* w = WindowFromHandle(hwnd)) w->PaintIfNeeded();
  }
}

void SetIdleWaitForTesting(std::function<void(uint32_t)> wait) {
  auto& r = GetRegistry();
  std::lock_guard<std::mutex> guard(r.lock);
  r.idleWait = std::move(wait);
}

}  // namespace ui
