// The SDL2 window backend: borderless windows whose caption area drags the
// window, rounded corners through a window shape where the system offers one,
// and an event wait that sleeps until input, a posted message or a timer.
#include <SDL2/SDL.h>
#include <SDL2/SDL_shape.h>

#include <algorithm>
#include <map>

#include "platform/utf.h"
#include "ui/framework/backend.h"
#include "ui/framework/message_loop.h"
#include "ui/framework/window.h"

namespace ui {
namespace {

uint32_t g_wakeEvent = 0;

SDL_Surface* SurfaceOf(const Image& image) {
  return SDL_CreateRGBSurfaceWithFormatFrom(const_cast<uint8_t*>(image.pixels.data()), image.width, image.height, 32,
                                            image.width * 4, SDL_PIXELFORMAT_RGBA32);
}

SDL_HitTestResult HitTest(SDL_Window* window, const SDL_Point* area, void* data);

class SdlWindow : public NativeWindow {
 public:
  SdlWindow(LayoutWindowBase* owner, SDL_Window* window, bool shaped) : owner_(owner), window_(window), shaped_(shaped) {
    SDL_SetWindowHitTest(window_, HitTest, this);
  }
  ~SdlWindow() override { SDL_DestroyWindow(window_); }
  void Show(bool show) override {
    if (show) SDL_ShowWindow(window_);
    else SDL_HideWindow(window_);
  }
  void SetBounds(const Rect& bounds) override {
    SDL_SetWindowPosition(window_, bounds.left, bounds.top);
    SDL_SetWindowSize(window_, std::max(1, bounds.Width()), std::max(1, bounds.Height()));
    shapeSize_ = Size{};
  }
  Rect GetBounds() const override {
    int x = 0, y = 0, w = 0, h = 0;
    SDL_GetWindowPosition(window_, &x, &y);
    SDL_GetWindowSize(window_, &w, &h);
    return Rect{x, y, x + w, y + h};
  }
  void Present(const Canvas& canvas) override {
    const Image& image = canvas.Pixels();
    if (image.width <= 0 || image.height <= 0) return;
    SDL_Surface* source = SurfaceOf(image);
    if (!source) return;
    if (shaped_ && (shapeSize_.cx != image.width || shapeSize_.cy != image.height)) {
      SDL_WindowShapeMode mode;
      mode.mode = ShapeModeBinarizeAlpha;
      mode.parameters.binarizationCutoff = 128;
      if (SDL_SetWindowShape(window_, source, &mode) == 0) shapeSize_ = Size{image.width, image.height};
      else shaped_ = false;
    }
    SDL_Surface* target = SDL_GetWindowSurface(window_);
    if (target) {
      SDL_SetSurfaceBlendMode(source, SDL_BLENDMODE_NONE);
      SDL_BlitSurface(source, nullptr, target, nullptr);
      SDL_UpdateWindowSurface(window_);
    }
    SDL_FreeSurface(source);
  }
  void SetTitle(const std::wstring& title) override { SDL_SetWindowTitle(window_, platform::WideToUtf8(title).c_str()); }
  void SetIcon(const Image& icon) override {
    SDL_Surface* surface = SurfaceOf(icon);
    if (!surface) return;
    SDL_SetWindowIcon(window_, surface);
    SDL_FreeSurface(surface);
  }
  void Minimize() override { SDL_MinimizeWindow(window_); }
  void Raise() override { SDL_RaiseWindow(window_); }
  bool IsMinimized() const override { return SDL_GetWindowFlags(window_) & SDL_WINDOW_MINIMIZED; }
  bool Capture(Image& out) const override {
    SDL_Surface* surface = SDL_GetWindowSurface(window_);
    if (!surface) return false;
    SDL_Surface* copy = SDL_ConvertSurfaceFormat(surface, SDL_PIXELFORMAT_RGBA32, 0);
    if (!copy) return false;
    SDL_LockSurface(copy);
    out.width = copy->w;
    out.height = copy->h;
    out.pixels.resize(static_cast<size_t>(copy->w) * copy->h * 4);
    for (int y = 0; y < copy->h; ++y) {
      const uint8_t* row = static_cast<const uint8_t*>(copy->pixels) + static_cast<size_t>(y) * copy->pitch;
      std::copy(row, row + copy->w * 4, out.pixels.begin() + static_cast<ptrdiff_t>(y) * copy->w * 4);
    }
    SDL_UnlockSurface(copy);
    SDL_FreeSurface(copy);
    return true;
  }
  uint32_t Id() const { return SDL_GetWindowID(window_); }
  LayoutWindowBase* Owner() const { return owner_; }

 private:
  LayoutWindowBase* owner_;
  SDL_Window* window_;
  bool shaped_;
  Size shapeSize_;
};

SDL_HitTestResult HitTest(SDL_Window*, const SDL_Point* area, void* data) {
  auto* self = static_cast<SdlWindow*>(data);
  LayoutWindowBase* owner = self->Owner();
  if (owner->IsWindowEnabled() && owner->GetPaintManager().IsCaptionPoint(Point{area->x, area->y})) {
    return SDL_HITTEST_DRAGGABLE;
  }
  return SDL_HITTEST_NORMAL;
}

uint32_t VirtualKey(SDL_Keycode key) {
  if (key >= SDLK_a && key <= SDLK_z) return static_cast<uint32_t>('A' + (key - SDLK_a));
  if (key >= SDLK_0 && key <= SDLK_9) return static_cast<uint32_t>('0' + (key - SDLK_0));
  switch (key) {
    case SDLK_ESCAPE: return VK_ESCAPE;
    case SDLK_RETURN:
    case SDLK_KP_ENTER: return VK_RETURN;
    case SDLK_TAB: return VK_TAB;
    case SDLK_SPACE: return VK_SPACE;
    case SDLK_BACKSPACE: return VK_BACK;
    case SDLK_DELETE: return VK_DELETE;
    case SDLK_LEFT: return VK_LEFT;
    case SDLK_RIGHT: return VK_RIGHT;
    case SDLK_UP: return VK_UP;
    case SDLK_DOWN: return VK_DOWN;
    case SDLK_HOME: return VK_HOME;
    case SDLK_END: return VK_END;
    case SDLK_F4: return VK_F4;
    default: return 0;
  }
}

class SdlBackend : public Backend {
 public:
  SdlBackend() : queue_(MessageQueue::ForCurrentThread()) {
    queue_->SetNativeHooks([this] { Pump(); },
                           [](uint32_t ms) { SDL_WaitEventTimeout(nullptr, ms == UINT32_MAX ? -1 : static_cast<int>(ms)); },
                           [] {
                             SDL_Event e{};
                             e.type = g_wakeEvent;
                             SDL_PushEvent(&e);
                           });
  }
  // SDL stays initialised for the rest of the process: the display libraries it
  // loads are not unloaded while other parts may still hold their data.
  ~SdlBackend() override { queue_->SetNativeHooks({}, {}, {}); }
  bool IsHeadless() const override { return false; }

  std::unique_ptr<NativeWindow> CreateNativeWindow(LayoutWindowBase* owner, const Rect& bounds) override {
    const uint32_t flags = SDL_WINDOW_BORDERLESS | SDL_WINDOW_HIDDEN;
    std::string title = platform::WideToUtf8(owner->GetTitle());
    int w = std::max(1, bounds.Width()), h = std::max(1, bounds.Height());
    bool shaped = true;
    SDL_Window* window = SDL_CreateShapedWindow(title.c_str(), bounds.left, bounds.top, static_cast<unsigned>(w),
                                                static_cast<unsigned>(h), flags);
    if (!window) {
      shaped = false;
      window = SDL_CreateWindow(title.c_str(), bounds.left, bounds.top, w, h, flags);
    }
    if (!window) return nullptr;
    auto native = std::make_unique<SdlWindow>(owner, window, shaped);
    windows_[native->Id()] = owner->GetHWND();
    return native;
  }

  Rect WorkArea() const override {
    SDL_Rect r{0, 0, 0, 0};
    if (SDL_GetDisplayUsableBounds(0, &r) != 0) return Rect{0, 0, 1280, 800};
    return Rect{r.x, r.y, r.x + r.w, r.y + r.h};
  }

  std::wstring GetClipboardText() override {
    char* text = SDL_GetClipboardText();
    std::wstring out = text ? platform::Utf8ToWide(text) : std::wstring();
    SDL_free(text);
    return out;
  }
  void SetClipboardText(const std::wstring& text) override {
    SDL_SetClipboardText(platform::WideToUtf8(text).c_str());
  }

 private:
  // The window (by its framework handle) that an event belongs to; messages
  // to a window that is gone are dropped by the dispatch.
  WindowHandle Target(uint32_t windowId) const {
    auto it = windows_.find(windowId);
    return it == windows_.end() ? 0 : it->second;
  }

  void Post(WindowHandle hwnd, uint32_t message, WPARAM w, LPARAM l) {
    if (hwnd) queue_->Post(Message{hwnd, message, w, l}, false);
  }

  void Pump() {
    SDL_Event e;
    while (SDL_PollEvent(&e)) {
      switch (e.type) {
        case SDL_MOUSEMOTION:
          Post(Target(e.motion.windowID), WM_MOUSEMOVE, 0, MakeLParam(e.motion.x, e.motion.y));
          break;
        case SDL_MOUSEBUTTONDOWN:
          if (e.button.button == SDL_BUTTON_LEFT) {
            Post(Target(e.button.windowID), e.button.clicks == 2 ? WM_LBUTTONDBLCLK : WM_LBUTTONDOWN, 1,
                 MakeLParam(e.button.x, e.button.y));
          }
          break;
        case SDL_MOUSEBUTTONUP:
          if (e.button.button == SDL_BUTTON_LEFT) {
            Post(Target(e.button.windowID), WM_LBUTTONUP, 0, MakeLParam(e.button.x, e.button.y));
          }
          break;
        case SDL_KEYDOWN: {
          uint32_t vk = VirtualKey(e.key.keysym.sym);
          uint32_t mods = (e.key.keysym.mod & KMOD_SHIFT ? kModShift : 0) | (e.key.keysym.mod & KMOD_CTRL ? kModControl : 0);
          if (vk == VK_F4 && (e.key.keysym.mod & KMOD_ALT)) {
            Post(Target(e.key.windowID), WM_CLOSE, 0, 0);
          } else if (vk) {
            Post(Target(e.key.windowID), WM_KEYDOWN, vk, static_cast<LPARAM>(mods));
          }
          break;
        }
        case SDL_TEXTINPUT: {
          WindowHandle hwnd = Target(e.text.windowID);
          if (LayoutWindowBase* w = WindowFromHandle(hwnd)) w->PostText(platform::Utf8ToWide(e.text.text));
          break;
        }
        case SDL_WINDOWEVENT: {
          WindowHandle hwnd = Target(e.window.windowID);
          if (e.window.event == SDL_WINDOWEVENT_CLOSE) Post(hwnd, WM_CLOSE, 0, 0);
          else if (e.window.event == SDL_WINDOWEVENT_LEAVE) Post(hwnd, WM_MOUSELEAVE, 0, 0);
          else if (e.window.event == SDL_WINDOWEVENT_EXPOSED || e.window.event == SDL_WINDOWEVENT_SHOWN ||
                   e.window.event == SDL_WINDOWEVENT_RESTORED) {
            if (LayoutWindowBase* w = WindowFromHandle(hwnd)) w->GetPaintManager().Invalidate();
          }
          break;
        }
        default:
          break;  // wake-ups and everything else
      }
    }
  }

  std::shared_ptr<MessageQueue> queue_;
  std::map<uint32_t, WindowHandle> windows_;
};

}  // namespace

std::unique_ptr<Backend> CreateSdlBackend() {
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return nullptr;
  if (g_wakeEvent == 0) g_wakeEvent = SDL_RegisterEvents(1);
  return std::make_unique<SdlBackend>();
}

void ShowSdlErrorBox(const std::wstring& caption, const std::wstring& text) {
  SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, platform::WideToUtf8(caption).c_str(),
                           platform::WideToUtf8(text).c_str(), nullptr);
}

}  // namespace ui
