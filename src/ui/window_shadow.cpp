#include "ui/window_shadow.h"

#include <algorithm>
#include <cmath>
#include <cwchar>
#include <cwctype>

namespace {

bool EqualsIgnoringCase(const std::wstring& a, const wchar_t* b) {
  std::wstring_view bv(b);
  if (a.size() != bv.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::towlower(static_cast<wint_t>(a[i])) != std::towlower(static_cast<wint_t>(bv[i]))) return false;
  }
  return true;
}

// Decimal integer as wcstol reads it, saturated to 32 bits; false without digits.
bool ReadInt(const std::wstring& text, int& out) {
  const wchar_t* begin = text.c_str();
  wchar_t* end = nullptr;
  long long v = std::wcstoll(begin, &end, 10);
  if (end == begin) return false;
  out = static_cast<int>(std::clamp<long long>(v, INT32_MIN, INT32_MAX));
  return true;
}

}  // namespace

bool CWindowShadow::SetSize(int size) {
  if (size < -20 || size > 20) return false;
  size_ = size;
  return true;
}

bool CWindowShadow::SetSharpness(int sharpness) {
  if (sharpness < 0 || sharpness > 20) return false;
  sharpness_ = sharpness;
  return true;
}

bool CWindowShadow::SetDarkness(int darkness) {
  if (darkness < 0 || darkness > 255) return false;
  darkness_ = darkness;
  return true;
}

bool CWindowShadow::SetPosition(int x, int y) {
  if (x < -20 || x > 20 || y < -20 || y > 20) return false;
  offsetX_ = x;
  offsetY_ = y;
  return true;
}

bool CWindowShadow::Configure(const ui::PaintManager& manager) {
  created_ = EqualsIgnoringCase(manager.GetWindowAttribute(L"showshadow"), L"true");
  if (!created_) return false;
  std::wstring v = manager.GetWindowAttribute(L"shadowimage");
  if (!v.empty()) SetImage(v);
  v = manager.GetWindowAttribute(L"shadowcorner");
  if (!v.empty()) {
    int n[4] = {0, 0, 0, 0};
    if (ui::ParseInts(v, n, 4) == 4) SetImageCorner(ui::Rect{n[0], n[1], n[2], n[3]});
  }
  // "shadowholeoffset" is read by layouts but has no effect.
  int value = 0;
  if (ReadInt(manager.GetWindowAttribute(L"shadowsize"), value)) SetSize(value);
  if (ReadInt(manager.GetWindowAttribute(L"shadowsharpness"), value)) SetSharpness(value);
  if (ReadInt(manager.GetWindowAttribute(L"shadowdarkness"), value)) SetDarkness(value);
  v = manager.GetWindowAttribute(L"shadowposition");
  if (!v.empty()) {
    int n[2] = {0, 0};
    if (ui::ParseInts(v, n, 2) == 2) SetPosition(n[0], n[1]);
  }
  v = manager.GetWindowAttribute(L"shadowcolor");
  if (!v.empty()) {
    size_t start = v[0] == L'#' ? 1 : 0;
    const wchar_t* begin = v.c_str() + start;
    wchar_t* end = nullptr;
    unsigned long long c = std::wcstoull(begin, &end, 16);
    if (end != begin) SetColor(static_cast<uint32_t>(c));
  }
  return true;
}

ui::Rect CWindowShadow::Margins() const {
  // The shadow grows by `size` and fades out over `sharpness` pixels.
  const int reach = std::max(0, size_ + sharpness_);
  return ui::Rect{std::max(0, reach - offsetX_), std::max(0, reach - offsetY_), std::max(0, reach + offsetX_),
                  std::max(0, reach + offsetY_)};
}

ui::Image CWindowShadow::Render(ui::Size window, ui::PaintManager* manager) const {
  ui::Rect m = Margins();
  ui::Canvas canvas(window.cx + m.left + m.right, window.cy + m.top + m.bottom);
  if (!image_.empty() && manager) {
    if (auto image = manager->GetImage(image_)) {
      canvas.DrawImage(*image, ui::Rect{0, 0, canvas.Width(), canvas.Height()}, ui::Rect{0, 0, image->width, image->height},
                       corner_);
    }
    return canvas.Pixels();
  }
  // The shadow's core: the window rectangle moved by the offset, grown by size.
  const float left = static_cast<float>(m.left + offsetX_ - size_);
  const float top = static_cast<float>(m.top + offsetY_ - size_);
  const float right = static_cast<float>(m.left + offsetX_ + window.cx + size_);
  const float bottom = static_cast<float>(m.top + offsetY_ + window.cy + size_);
  const float fade = static_cast<float>(std::max(1, sharpness_));
  const uint8_t r = color_ & 0xFF, g = (color_ >> 8) & 0xFF, b = (color_ >> 16) & 0xFF;
  auto& px = canvas.MutablePixels();
  for (int y = 0; y < canvas.Height(); ++y) {
    for (int x = 0; x < canvas.Width(); ++x) {
      float cx = x + 0.5f, cy = y + 0.5f;
      float dx = std::max({left - cx, 0.0f, cx - right});
      float dy = std::max({top - cy, 0.0f, cy - bottom});
      float d = std::sqrt(dx * dx + dy * dy);
      float k = std::clamp(1.0f - d / fade, 0.0f, 1.0f);
      k = k * k * (3 - 2 * k);  // smooth edge
      uint8_t* p = &px.pixels[(static_cast<size_t>(y) * px.width + x) * 4];
      p[0] = r;
      p[1] = g;
      p[2] = b;
      p[3] = static_cast<uint8_t>(darkness_ * k);
    }
  }
  return canvas.Pixels();
}
