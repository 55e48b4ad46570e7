#include "ui/framework/window.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>

#include "platform/resources.h"
#include "platform/utf.h"
#include "ui/framework/markup.h"
#include "ui/framework/skin_archive.h"

namespace ui {
namespace {

std::function<void()>& SkinFailureHandler() {
  static std::function<void()> handler;
  return handler;
}

void OnSkinFailure() {
  if (SkinFailureHandler()) {
    SkinFailureHandler()();
    return;
  }
  ShowErrorBox(L"Skin", L"加载资源文件失败");
  std::exit(1);
}

}  // namespace

void SetSkinFailureHandlerForTesting(std::function<void()> handler) { SkinFailureHandler() = std::move(handler); }

LayoutWindowBase::LayoutWindowBase() = default;

LayoutWindowBase::~LayoutWindowBase() {
  DestroyWindow();
  manager_.DetachRoot();
}

LayoutWindowBase* LayoutWindowBase::GetParentWindow() const { return WindowFromHandle(parentHwnd_); }

WindowHandle LayoutWindowBase::Create(LayoutWindowBase* parent, const std::wstring& title, uint32_t style,
                                      uint32_t exStyle, int x, int y, int width, int height) {
  if (hwnd_) return hwnd_;
  parentHwnd_ = parent ? parent->GetHWND() : 0;
  title_ = title;
  style_ = style;
  exStyle_ = exStyle;
  hwnd_ = RegisterWindow(this);
  manager_.SetWindow(this);
  manager_.SetHandle(hwnd_);
  manager_.AddNotifier(this);
  bounds_ = Rect{x == CW_USEDEFAULT ? 0 : x, y == CW_USEDEFAULT ? 0 : y, 0, 0};
  bounds_.right = bounds_.left + (width == CW_USEDEFAULT ? 400 : std::clamp(width, 0, 8192));
  bounds_.bottom = bounds_.top + (height == CW_USEDEFAULT ? 300 : std::clamp(height, 0, 8192));
  native_ = CurrentBackend().CreateNativeWindow(this, bounds_);
  if (!native_) {
    WindowHandle h = hwnd_;
    hwnd_ = 0;
    manager_.SetHandle(0);
    UnregisterWindow(h);
    return 0;
  }
  native_->SetTitle(title_);
  BuildContent();
  return hwnd_;
}

void LayoutWindowBase::BuildContent() {
  if (GetResourceType() == kSkinResourceArchive && !skin::OpenFromResource(GetResourceId())) {
    return;  // no skin: a window without content
  }
  std::string xml;
  std::unique_ptr<Control> root;
  if (skin::ReadFile(GetSkinFile(), xml)) {
    root = BuildLayout(xml, manager_, [this](const std::wstring& cls) { return CreateCustomControl(cls); });
  }
  if (!root) {
    OnSkinFailure();
    return;
  }
  manager_.AttachRoot(std::move(root));
  Size size = manager_.GetInitSize();
  if (size.cx > 0 && size.cy > 0) MoveWindow(bounds_.left, bounds_.top, size.cx, size.cy);
  manager_.SetClientSize(Size{bounds_.Width(), bounds_.Height()});
  OnLayoutReady();
  if (hwnd_) manager_.SendNotify(manager_.GetRoot(), L"windowinit");
}

void LayoutWindowBase::OnControlClick(Notification& n) {
  if (!n.sender) return;
  const std::wstring& name = n.sender->GetName();
  if (name == L"closebtn") Close(1);
  else if (name == L"minbtn") SendMessage(WM_SYSCOMMAND, SC_MINIMIZE, 0);
}

void LayoutWindowBase::OnNotification(Notification& n) {
  if (n.type == L"click") OnControlClick(n);
}

LRESULT LayoutWindowBase::HandleMessage(uint32_t message, WPARAM wParam, LPARAM lParam) {
  if ((message == WM_KEYDOWN || message == WM_KEYUP || message == WM_SYSKEYDOWN || message == WM_CHAR) &&
      FilterKey(message, wParam, lParam)) {
    return 0;
  }
  return HandleWindowMessage(message, wParam, lParam);
}

LRESULT LayoutWindowBase::HandleWindowMessage(uint32_t message, WPARAM wParam, LPARAM lParam) {
  bool handled = false;
  LRESULT result = HandleOtherMessage(message, wParam, lParam, handled);
  if (handled) return result;
  switch (message) {
    case WM_CLOSE:
      modalResult_ = static_cast<int>(wParam);
      if (ownerDisabled_) {
        ownerDisabled_ = false;
        if (LayoutWindowBase* owner = GetParentWindow()) {
          owner->EnableWindow(true);
          owner->SetForeground();
        }
      }
      DestroyWindow();
      return 0;
    case WM_TIMER:
      manager_.OnWindowTimer(static_cast<uint32_t>(wParam));
      return 0;
    case WM_FRAMEWORK_NOTIFY:
      manager_.DispatchQueuedNotifications();
      return 0;
    case WM_FRAMEWORK_TEXT:
      while (!pendingText_.empty()) {
        std::wstring text = std::move(pendingText_.front());
        pendingText_.pop_front();
        if (enabled_) manager_.HandleText(text);
      }
      return 0;
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
    case WM_MOUSELEAVE:
    case WM_KEYDOWN:
    case WM_CHAR:
      InputMessage(message, wParam, lParam);
      return 0;
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == SC_MINIMIZE) Minimize();
      else if ((wParam & 0xFFF0) == SC_CLOSE) PostMessage(WM_CLOSE);
      return 0;
    default:
      return 0;
  }
}

void LayoutWindowBase::InputMessage(uint32_t message, WPARAM wParam, LPARAM lParam) {
  if (!enabled_) return;  // an owner under a modal window takes no input
  switch (message) {
    case WM_MOUSELEAVE:
      manager_.HandleMouseLeave();
      break;
    case WM_KEYDOWN:
      manager_.HandleKey(static_cast<uint32_t>(wParam), static_cast<uint32_t>(lParam) & (kModShift | kModControl));
      break;
    case WM_CHAR:
      if (wParam >= 0x20 && wParam != 0x7F) manager_.HandleText(std::wstring(1, static_cast<wchar_t>(wParam)));
      break;
    default:
      if (manager_.IsUpdateNeeded()) Render();
      manager_.HandleMouse(message, Point{LoWordSigned(lParam), HiWordSigned(lParam)},
                           (wParam & 0x4 ? kModShift : 0) | (wParam & 0x8 ? kModControl : 0));
      break;
  }
}

void LayoutWindowBase::ShowWindow(bool show) {
  if (!hwnd_) return;
  visible_ = show;
  if (native_) native_->Show(show);
  manager_.Invalidate();
  if (show) {
    PaintIfNeeded();
    NotifyWindowShown(this);
  }
}

int LayoutWindowBase::ShowModal() {
  if (!hwnd_) return -1;
  WindowHandle self = hwnd_;
  WindowHandle owner = parentHwnd_;
  if (LayoutWindowBase* parent = GetParentWindow()) {
    parent->EnableWindow(false);
    ownerDisabled_ = true;
  }
  ShowWindow(true);
  RunLoopUntilDestroyed(self);
  if (LayoutWindowBase* parent = WindowFromHandle(owner)) {
    parent->EnableWindow(true);
    parent->SetForeground();
  }
  if (IsWindow()) ownerDisabled_ = false;
  return modalResult_;
}

void LayoutWindowBase::Close(int result) { PostMessage(WM_CLOSE, static_cast<WPARAM>(result), 0); }

void LayoutWindowBase::DestroyWindow() {
  if (!hwnd_) return;
  WindowHandle h = hwnd_;
  hwnd_ = 0;
  visible_ = false;
  manager_.SetHandle(0);
  native_.reset();
  UnregisterWindow(h);  // from now on posts to the window fail
  pendingText_.clear();
  for (const Message& m : MessageQueue::ForCurrentThread()->TakeAll(h)) OnDiscardedMessage(m);
  OnFinalMessage();
}

void LayoutWindowBase::CenterWindow() {
  Rect work = CurrentBackend().WorkArea();
  Rect area = work;
  LayoutWindowBase* owner = GetParentWindow();
  if (owner && owner->IsVisible() && !owner->IsMinimized()) area = owner->GetWindowRect();
  const int w = bounds_.Width(), h = bounds_.Height();
  int x = area.left + (area.Width() - w) / 2;
  int y = area.top + (area.Height() - h) / 2;
  // Never beyond the work area.
  x = std::max(work.left, std::min(x, work.right - w));
  y = std::max(work.top, std::min(y, work.bottom - h));
  MoveWindow(x, y, w, h);
}

bool LayoutWindowBase::SetIcon(int resourceId) {
  platform::ResourceBytes bytes;
  if (!platform::FindResourceBytes(L"ICON", resourceId, bytes)) return false;
  auto image = DecodeImage(bytes.data, bytes.size);
  if (!image) return false;
  if (native_) native_->SetIcon(*image);
  return true;
}

bool LayoutWindowBase::PostMessage(uint32_t message, WPARAM wParam, LPARAM lParam) {
  return hwnd_ && ui::PostMessage(hwnd_, message, wParam, lParam);
}

LRESULT LayoutWindowBase::SendMessage(uint32_t message, WPARAM wParam, LPARAM lParam) {
  if (!hwnd_) return 0;
  return HandleMessage(message, wParam, lParam);
}

void LayoutWindowBase::SetForeground() {
  if (native_) native_->Raise();
}

void LayoutWindowBase::Minimize() {
  if (native_) native_->Minimize();
}

bool LayoutWindowBase::IsMinimized() const { return native_ && native_->IsMinimized(); }

void LayoutWindowBase::MoveWindow(int x, int y, int width, int height) {
  bounds_ = Rect{x, y, x + std::clamp(width, 0, 8192), y + std::clamp(height, 0, 8192)};
  if (native_) native_->SetBounds(bounds_);
  manager_.SetClientSize(Size{bounds_.Width(), bounds_.Height()});
}

const Canvas& LayoutWindowBase::Render() {
  manager_.SetClientSize(Size{bounds_.Width(), bounds_.Height()});
  manager_.Render(canvas_);
  Size corner = manager_.GetRoundCorner();
  canvas_.ApplyRoundCorners(corner.cx, corner.cy);
  return canvas_;
}

void LayoutWindowBase::PaintIfNeeded() {
  if (!hwnd_ || !visible_ || !manager_.IsDirty()) return;
  Render();
  if (native_) native_->Present(canvas_);
}

bool LayoutWindowBase::SaveScreenshot(const std::wstring& path) {
  std::string png = EncodePng(Render().Pixels());
  if (png.empty()) return false;
  std::ofstream out(platform::FsPath(path), std::ios::binary | std::ios::trunc);
  out.write(png.data(), static_cast<std::streamsize>(png.size()));
  return static_cast<bool>(out);
}

void LayoutWindowBase::PostClick(Point pt) {
  LPARAM at = MakeLParam(pt.x, pt.y);
  PostMessage(WM_MOUSEMOVE, 0, at);
  PostMessage(WM_LBUTTONDOWN, 0x1, at);
  PostMessage(WM_LBUTTONUP, 0, at);
}

bool LayoutWindowBase::PostClickOn(const std::wstring& controlName) {
  if (manager_.IsUpdateNeeded()) Render();
  Control* c = FindControl(controlName);
  if (!c || !c->IsVisible()) return false;
  const Rect& r = c->GetPos();
  PostClick(Point{r.left + r.Width() / 2, r.top + r.Height() / 2});
  return true;
}

void LayoutWindowBase::PostKey(uint32_t virtualKey, uint32_t modifiers) {
  PostMessage(WM_KEYDOWN, virtualKey, static_cast<LPARAM>(modifiers));
}

void LayoutWindowBase::PostText(const std::wstring& text) {
  if (!hwnd_ || text.empty()) return;
  pendingText_.push_back(text);
  PostMessage(WM_FRAMEWORK_TEXT);
}

}  // namespace ui
