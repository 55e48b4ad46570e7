#include "ui/framework/paint_manager.h"

#include <algorithm>
#include <cwctype>

#include "ui/framework/skin_archive.h"
#include "ui/framework/window.h"
#include "utils/clock.h"

namespace ui {

namespace language {
namespace {
std::mutex& Lock() {
  static std::mutex lock;
  return lock;
}
std::map<int, std::wstring>& Table() {
  static std::map<int, std::wstring> table;
  return table;
}
}  // namespace

void SetText(int id, const std::wstring& text) {
  std::lock_guard<std::mutex> guard(Lock());
  Table()[id] = text;
}

std::wstring GetText(int id) {
  std::lock_guard<std::mutex> guard(Lock());
  auto it = Table().find(id);
  return it == Table().end() ? std::wstring() : it->second;
}

bool HasText(int id) {
  std::lock_guard<std::mutex> guard(Lock());
  return Table().count(id) != 0;
}

void Clear() {
  std::lock_guard<std::mutex> guard(Lock());
  Table().clear();
}

std::wstring Resolve(const std::wstring& text) {
  if (text.find(L"%{") == std::wstring::npos) return text;
  std::wstring out;
  size_t i = 0;
  while (i < text.size()) {
    if (text[i] == L'%' && i + 2 < text.size() && text[i + 1] == L'{') {
      size_t j = i + 2;
      long long id = 0;
      while (j < text.size() && text[j] >= L'0' && text[j] <= L'9' && j - i < 12) id = id * 10 + (text[j++] - L'0');
      if (j > i + 2 && j < text.size() && text[j] == L'}' && id <= 0x7FFFFFFF) {
        std::lock_guard<std::mutex> guard(Lock());
        auto it = Table().find(static_cast<int>(id));
        if (it != Table().end()) {
          out += it->second;
          i = j + 1;
          continue;
        }
      }
    }
    out.push_back(text[i++]);
  }
  return out;
}
}  // namespace language

namespace {
bool SameName(const std::wstring& a, const std::wstring& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::towlower(static_cast<wint_t>(a[i])) != std::towlower(static_cast<wint_t>(b[i]))) return false;
  }
  return true;
}
}  // namespace

PaintManager::PaintManager() {
  defaultFont_.face = L"微软雅黑";
  defaultFont_.size = 12;
}

PaintManager::~PaintManager() { DetachRoot(); }

void PaintManager::AttachRoot(std::unique_ptr<Control> root) {
  DetachRoot();
  root_ = std::move(root);
  if (!root_) return;
  root_->SetManager(this, nullptr);
  root_->ForEach([](Control* c) { c->DoInit(); });
  NeedUpdate();
}

void PaintManager::DetachRoot() {
  if (!root_) return;
  // Destroying the tree reaps every control (timers, names, focus).
  root_.reset();
  names_.clear();
  focus_ = hot_ = pushed_ = nullptr;
  droppedCombo_ = nullptr;
}

Control* PaintManager::FindControl(const std::wstring& name) const {
  auto it = names_.find(name);
  return it == names_.end() ? nullptr : it->second;
}

Control* PaintManager::FindControlAt(Point pt) const {
  if (droppedCombo_ && droppedCombo_->DropDownRect().Contains(pt)) return droppedCombo_;
  return root_ ? root_->FindControlAt(pt) : nullptr;
}

void PaintManager::InitControl(Control* control, Control*) {
  if (!control->GetName().empty()) {
    // One entry per control; a later control with the same name does not replace the first.
    bool present = false;
    auto range = names_.equal_range(control->GetName());
    for (auto it = range.first; it != range.second; ++it) present = present || it->second == control;
    if (!present) names_.emplace(control->GetName(), control);
  }
}

void PaintManager::ReapControl(Control* control) {
  for (auto it = names_.begin(); it != names_.end();) {
    it = it->second == control ? names_.erase(it) : std::next(it);
  }
  KillTimers(control);
  if (focus_ == control) focus_ = nullptr;
  if (hot_ == control) hot_ = nullptr;
  if (pushed_ == control) pushed_ = nullptr;
  if (droppedCombo_ == control) droppedCombo_ = nullptr;
  std::lock_guard<std::mutex> guard(asyncLock_);
  asyncQueue_.erase(std::remove_if(asyncQueue_.begin(), asyncQueue_.end(),
                                   [control](const Notification& n) { return n.sender == control; }),
                    asyncQueue_.end());
}

void PaintManager::SetWindowAttribute(const std::wstring& name, const std::wstring& value) {
  windowAttributes_.emplace_back(name, value);
  int n[4] = {0, 0, 0, 0};
  if (SameName(name, L"size")) {
    // A window is never larger than a big screen.
    if (ParseInts(value, n, 2) == 2) initSize_ = Size{std::clamp(n[0], 0, 8192), std::clamp(n[1], 0, 8192)};
  } else if (SameName(name, L"caption")) {
    ParseInts(value, n, 4);
    caption_ = Rect{n[0], n[1], n[2], n[3]};
  } else if (SameName(name, L"roundcorner")) {
    ParseInts(value, n, 2);
    roundCorner_ = Size{n[0], n[1]};
  }
}

std::wstring PaintManager::GetWindowAttribute(const std::wstring& name) const {
  for (const auto& [n, v] : windowAttributes_) {
    if (SameName(n, name)) return v;
  }
  return L"";
}

void PaintManager::AddFont(int id, const FontSpec& font, bool isDefault) {
  if (id >= 0) fonts_[id] = font;
  if (isDefault) defaultFont_ = font;
}

const FontSpec& PaintManager::GetFont(int id) const {
  auto it = fonts_.find(id);
  return it == fonts_.end() ? defaultFont_ : it->second;
}

Size PaintManager::MeasureText(const Control* control, const std::wstring& text) const {
  return ui::MeasureText(GetFont(control ? control->GetFont() : -1), text);
}

std::shared_ptr<Image> PaintManager::GetImage(const std::wstring& name) {
  std::wstring key = name;
  for (auto& c : key) c = c == L'\\' ? L'/' : static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
  auto it = images_.find(key);
  if (it != images_.end()) return it->second;
  std::shared_ptr<Image> image;
  std::string bytes;
  if (skin::ReadFile(name, bytes)) image = DecodeImage(bytes.data(), bytes.size());
  images_[key] = image;
  return image;
}

void PaintManager::SetFocus(Control* control) {
  if (control == focus_) return;
  if (control && (!control->IsVisible() || !control->IsEnabled())) return;
  Control* old = focus_;
  focus_ = control;
  if (old) {
    Event e{EventType::KillFocus, old};
    old->DoEvent(e);
  }
  if (focus_) {
    Event e{EventType::SetFocus, focus_};
    focus_->DoEvent(e);
  }
  Invalidate();
}

void PaintManager::MoveFocus(bool forward) {
  if (!root_) return;
  std::vector<Control*> order;
  root_->ForEach([&order](Control* c) {
    if (c->IsFocusable() && c->IsVisible() && c->IsEnabled()) order.push_back(c);
  });
  if (order.empty()) return;
  auto it = std::find(order.begin(), order.end(), focus_);
  size_t index;
  if (it == order.end()) index = forward ? 0 : order.size() - 1;
  else {
    size_t at = static_cast<size_t>(it - order.begin());
    index = forward ? (at + 1) % order.size() : (at + order.size() - 1) % order.size();
  }
  SetFocus(order[index]);
}

void PaintManager::HandleMouse(uint32_t message, Point pt, uint32_t modifiers) {
  Control* target = FindControlAt(pt);
  if (target && !target->IsEnabled()) target = nullptr;
  auto send = [&](Control* c, EventType type) {
    if (!c) return;
    Event e{type, c, pt};
    e.modifiers = modifiers;
    e.timestamp = Utils::NowTickMs();
    c->DoEvent(e);
  };
  switch (message) {
    case WM_MOUSEMOVE:
      if (target != hot_) {
        Control* old = hot_;
        hot_ = target;
        send(old, EventType::MouseLeave);
        send(hot_, EventType::MouseEnter);
      }
      send(pushed_ ? pushed_ : target, EventType::MouseMove);
      break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      if (droppedCombo_ && target != droppedCombo_) droppedCombo_->SetDropped(false);
      if (target != hot_) {
        Control* old = hot_;
        hot_ = target;
        send(old, EventType::MouseLeave);
        send(hot_, EventType::MouseEnter);
      }
      pushed_ = target;
      if (target && target->IsFocusable()) SetFocus(target);
      send(target, message == WM_LBUTTONDOWN ? EventType::ButtonDown : EventType::DoubleClick);
      break;
    case WM_LBUTTONUP: {
      Control* c = pushed_;
      pushed_ = nullptr;
      send(c, EventType::ButtonUp);
      break;
    }
    default:
      break;
  }
}

void PaintManager::HandleMouseLeave() {
  if (hot_) {
    Control* old = hot_;
    hot_ = nullptr;
    Event e{EventType::MouseLeave, old};
    old->DoEvent(e);
  }
}

void PaintManager::HandleKey(uint32_t key, uint32_t modifiers) {
  if (key == VK_TAB && !droppedCombo_) {
    MoveFocus(!(modifiers & kModShift));
    return;
  }
  Control* target = droppedCombo_ ? droppedCombo_ : focus_;
  if (!target) return;
  Event e{EventType::KeyDown, target};
  e.key = key;
  e.modifiers = modifiers;
  e.timestamp = Utils::NowTickMs();
  target->DoEvent(e);
}

void PaintManager::HandleText(const std::wstring& text) {
  if (!focus_) return;
  Event e{EventType::Char, focus_};
  e.text = text;
  e.timestamp = Utils::NowTickMs();
  focus_->DoEvent(e);
}

bool PaintManager::IsCaptionPoint(Point pt) const {
  if (caption_.bottom <= caption_.top) return false;
  if (pt.x < caption_.left || pt.x >= clientSize_.cx - caption_.right || pt.y < caption_.top || pt.y >= caption_.bottom)
    return false;
  Control* c = FindControlAt(pt);
  if (!c) return true;
  // Interactive controls keep their clicks.
  return !(c->GetInterface(L"Button") || c->GetInterface(L"Edit") || c->GetInterface(L"Combo"));
}

bool PaintManager::SetTimer(Control* control, uint32_t id, uint32_t elapseMs) {
  if (!control || elapseMs == 0) return false;
  uint32_t windowTimerId = 0;
  for (const auto& t : timers_) {
    if (t.control == control && t.id == id) windowTimerId = t.windowTimerId;
  }
  if (!windowTimerId) {
    windowTimerId = nextTimerId_++;
    timers_.push_back(Timer{control, id, windowTimerId});
  }
  if (window_ && window_->GetHWND()) MessageQueue::ForCurrentThread()->SetTimer(window_->GetHWND(), windowTimerId, elapseMs);
  return true;
}

bool PaintManager::KillTimer(Control* control, uint32_t id) {
  for (auto it = timers_.begin(); it != timers_.end(); ++it) {
    if (it->control == control && it->id == id) {
      if (window_ && window_->GetHWND()) MessageQueue::ForCurrentThread()->KillTimer(window_->GetHWND(), it->windowTimerId);
      timers_.erase(it);
      return true;
    }
  }
  return false;
}

void PaintManager::KillTimers(Control* control) {
  for (auto it = timers_.begin(); it != timers_.end();) {
    if (it->control == control) {
      if (window_ && window_->GetHWND()) MessageQueue::ForCurrentThread()->KillTimer(window_->GetHWND(), it->windowTimerId);
      it = timers_.erase(it);
    } else {
      ++it;
    }
  }
}

bool PaintManager::HasTimer(const Control* control, uint32_t id) const {
  for (const auto& t : timers_) {
    if (t.control == control && t.id == id) return true;
  }
  return false;
}

void PaintManager::OnWindowTimer(uint32_t windowTimerId) {
  for (const auto& t : timers_) {
    if (t.windowTimerId == windowTimerId) {
      Event e{EventType::Timer, t.control};
      e.wParam = t.id;
      e.timestamp = Utils::NowTickMs();
      t.control->DoEvent(e);  // may kill the timer: do not touch `t` afterwards
      return;
    }
  }
}

void PaintManager::AddNotifier(NotifyListener* listener) {
  if (std::find(listeners_.begin(), listeners_.end(), listener) == listeners_.end()) listeners_.push_back(listener);
}

void PaintManager::SendNotify(Control* sender, const std::wstring& type, WPARAM wParam, LPARAM lParam, bool async) {
  Notification n;
  n.type = type;
  n.sender = sender;
  n.wParam = wParam;
  n.lParam = lParam;
  SendNotify(n, async);
}

void PaintManager::SendNotify(Notification& n, bool async) {
  n.timestamp = Utils::NowTickMs();
  if (async) {
    WindowHandle hwnd = 0;
    {
      std::lock_guard<std::mutex> guard(asyncLock_);
      asyncQueue_.push_back(n);
      hwnd = hwnd_;
    }
    if (hwnd) ui::PostMessage(hwnd, WM_FRAMEWORK_NOTIFY);
    return;
  }
  if (!n.sender) n.sender = root_.get();
  auto listeners = listeners_;
  for (auto* l : listeners) l->Notify(n);
}

void PaintManager::DispatchQueuedNotifications() {
  for (;;) {
    Notification n;
    {
      std::lock_guard<std::mutex> guard(asyncLock_);
      if (asyncQueue_.empty()) return;
      n = asyncQueue_.front();
      asyncQueue_.pop_front();
    }
    SendNotify(n, false);
  }
}

void PaintManager::SetClientSize(Size size) {
  if (size.cx == clientSize_.cx && size.cy == clientSize_.cy) return;
  clientSize_ = size;
  NeedUpdate();
}

void PaintManager::Render(Canvas& canvas) {
  if (canvas.Width() != clientSize_.cx || canvas.Height() != clientSize_.cy) canvas.Resize(clientSize_.cx, clientSize_.cy);
  Rect all{0, 0, clientSize_.cx, clientSize_.cy};
  if (root_ && needUpdate_) {
    root_->SetPos(all);
    needUpdate_ = false;
  }
  canvas.SetClip(all);
  canvas.Clear(0);
  if (root_) root_->Paint(canvas, all);
  if (droppedCombo_) droppedCombo_->PaintDropDown(canvas);
  dirty_ = false;
}

}  // namespace ui
