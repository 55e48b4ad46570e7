// Helpers of the window tests: skins made in the test, a fake clock that the
// message loop sleeps on, and a window built from any layout of the skin.
#pragma once
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/resources.h"
#include "platform/utf.h"
#include "ui/framework/canvas.h"
#include "ui/framework/message_loop.h"
#include "ui/framework/skin_archive.h"
#include "ui/framework/window.h"
#include "utils/clock.h"

namespace uitest {

// A PNG of one colour (0xAARRGGBB).
inline std::string SolidPng(int width, int height, uint32_t argb) {
  ui::Canvas canvas(width, height);
  canvas.Clear(argb);
  return ui::EncodePng(canvas.Pixels());
}

// Installs an archive built from the files as the executable's skin resource
// ("ZIPRES" 147) and closes any open skin; restores the previous state after.
class ScopedSkin {
 public:
  using File = std::pair<std::string, std::string>;
  explicit ScopedSkin(std::initializer_list<File> files, int id = 147) : ScopedSkin(std::vector<File>(files), id) {}
  explicit ScopedSkin(const std::vector<File>& files, int id = 147) : id_(id), archive_(ui::Build7zArchive(files)) {
    hadPrevious_ = platform::FindResourceBytes(L"ZIPRES", id_, previous_);
    platform::RegisterResource(L"ZIPRES", id_, archive_.data(), archive_.size());
    ui::skin::ResetForTesting();
  }
  // No skin resource at all.
  struct NoSkin {};
  explicit ScopedSkin(NoSkin) : id_(147) {
    hadPrevious_ = platform::FindResourceBytes(L"ZIPRES", id_, previous_);
    platform::UnregisterResource(L"ZIPRES", id_);
    ui::skin::ResetForTesting();
  }
  ScopedSkin(const ScopedSkin&) = delete;
  ScopedSkin& operator=(const ScopedSkin&) = delete;
  ~ScopedSkin() {
    if (hadPrevious_) platform::RegisterResource(L"ZIPRES", id_, previous_.data, previous_.size);
    else platform::UnregisterResource(L"ZIPRES", id_);
    ui::skin::ResetForTesting();
  }
  const std::string& Archive() const { return archive_; }

 private:
  int id_;
  std::string archive_;
  bool hadPrevious_ = false;
  platform::ResourceBytes previous_;
};

// A fake clock that also serves the message loop's idle wait, so loops that
// wait for timers advance the fake time instead of sleeping.
class FakeUiTime {
 public:
  FakeUiTime() : scoped_(clock_.Hooks()) {
    auto hooks = clock_.Hooks();
    ui::SetIdleWaitForTesting([sleep = hooks.sleep](uint32_t ms) { sleep(ms); });
  }
  ~FakeUiTime() { ui::SetIdleWaitForTesting(nullptr); }
  // Advances the time and handles what became due.
  void AdvanceAndPump(uint32_t ms) {
    clock_.Advance(ms);
    ui::PumpPendingMessages();
  }
  Utils::FakeClock& Clock() { return clock_; }

 private:
  Utils::FakeClock clock_;
  Utils::ScopedClockForTesting scoped_;
};

// A window for any layout file; custom elements through an optional factory.
class LayoutWindow : public ui::LayoutWindowBase {
 public:
  using Factory = std::function<std::unique_ptr<ui::Control>(const std::wstring&)>;
  explicit LayoutWindow(std::wstring layout, Factory factory = nullptr)
      : layout_(std::move(layout)), factory_(std::move(factory)) {}
  std::wstring GetWindowClassName() const override { return L"TestWnd"; }
  std::wstring GetSkinFile() const override { return layout_; }
  std::unique_ptr<ui::Control> CreateCustomControl(const std::wstring& cls) override {
    return factory_ ? factory_(cls) : nullptr;
  }
  void OnLayoutReady() override { ++layoutReadyCalls; }
  void OnNotification(ui::Notification& n) override {
    notifications.push_back(n);
    ui::LayoutWindowBase::OnNotification(n);
  }
  std::vector<std::wstring> Types() const {
    std::vector<std::wstring> out;
    for (const auto& n : notifications) out.push_back(n.type);
    return out;
  }

  int layoutReadyCalls = 0;
  std::vector<ui::Notification> notifications;

 private:
  std::wstring layout_;
  Factory factory_;
};

// Pixel (R, G, B, A) of a canvas.
inline uint32_t PixelArgb(const ui::Canvas& canvas, int x, int y) {
  const auto& img = canvas.Pixels();
  const uint8_t* p = &img.pixels[(static_cast<size_t>(y) * img.width + x) * 4];
  return (uint32_t{p[3]} << 24) | (uint32_t{p[0]} << 16) | (uint32_t{p[1]} << 8) | p[2];
}

}  // namespace uitest
