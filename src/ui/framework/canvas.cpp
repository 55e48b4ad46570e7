#include "ui/framework/canvas.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <cwctype>

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#define STBI_NO_STDIO
#include <stb/stb_image.h>
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STBI_WRITE_NO_STDIO
#include <stb/stb_image_write.h>

namespace ui {

bool ParseColor(std::wstring_view text, Argb& out) {
  size_t i = 0;
  while (i < text.size() && (text[i] == L' ' || text[i] == L'\t')) ++i;
  if (i < text.size() && text[i] == L'#') {
    ++i;
  } else if (i + 1 < text.size() && text[i] == L'0' && (text[i + 1] == L'x' || text[i + 1] == L'X')) {
    i += 2;
  }
  uint64_t value = 0;
  size_t digits = 0;
  for (; i < text.size() && digits < 9; ++i, ++digits) {
    wchar_t c = text[i];
    int d;
    if (c >= L'0' && c <= L'9') d = c - L'0';
    else if (c >= L'a' && c <= L'f') d = c - L'a' + 10;
    else if (c >= L'A' && c <= L'F') d = c - L'A' + 10;
    else break;
    value = value * 16 + static_cast<uint64_t>(d);
  }
  if (digits == 0 || digits > 8) return false;
  if (digits <= 6) value |= 0xFF000000u;
  out = static_cast<Argb>(value);
  return true;
}

namespace {
constexpr long long kMaxLayoutNumber = 1000000;
}  // namespace

int ParseInts(std::wstring_view text, int* out, int count) {
  int n = 0;
  size_t i = 0;
  while (n < count && i < text.size()) {
    while (i < text.size() && text[i] == L' ') ++i;
    bool neg = false;
    if (i < text.size() && (text[i] == L'-' || text[i] == L'+')) {
      neg = text[i] == L'-';
      ++i;
    }
    if (i >= text.size() || text[i] < L'0' || text[i] > L'9') break;
    long long v = 0;
    while (i < text.size() && text[i] >= L'0' && text[i] <= L'9') {
      if (v <= kMaxLayoutNumber) v = v * 10 + (text[i] - L'0');
      ++i;
    }
    v = std::min<long long>(v, kMaxLayoutNumber);  // sizes beyond any screen are cut
    out[n++] = static_cast<int>(neg ? -v : v);
    while (i < text.size() && text[i] == L' ') ++i;
    if (i < text.size()) ++i;  // one separator character
  }
  return n;
}

std::shared_ptr<Image> DecodeImage(const void* data, size_t size) {
  if (!data || size == 0 || size > 64u * 1024 * 1024) return nullptr;
  int w = 0, h = 0, comp = 0;
  if (!stbi_info_from_memory(static_cast<const stbi_uc*>(data), static_cast<int>(size), &w, &h, &comp)) return nullptr;
  if (w <= 0 || h <= 0 || static_cast<int64_t>(w) * h > 16 * 1024 * 1024) return nullptr;
  stbi_uc* pixels = stbi_load_from_memory(static_cast<const stbi_uc*>(data), static_cast<int>(size), &w, &h, &comp, 4);
  if (!pixels) return nullptr;
  auto image = std::make_shared<Image>();
  image->width = w;
  image->height = h;
  image->pixels.assign(pixels, pixels + static_cast<size_t>(w) * h * 4);
  stbi_image_free(pixels);
  return image;
}

namespace {
void AppendBytes(void* context, void* data, int size) {
  static_cast<std::string*>(context)->append(static_cast<const char*>(data), static_cast<size_t>(size));
}
}  // namespace

std::string EncodePng(const Image& image) {
  std::string out;
  if (image.width <= 0 || image.height <= 0) return out;
  stbi_write_png_to_func(AppendBytes, &out, image.width, image.height, 4, image.pixels.data(), image.width * 4);
  return out;
}

void Canvas::Resize(int width, int height) {
  image_.width = std::max(0, width);
  image_.height = std::max(0, height);
  image_.pixels.assign(static_cast<size_t>(image_.width) * image_.height * 4, 0);
  clip_ = Rect{0, 0, image_.width, image_.height};
}

void Canvas::SetClip(const Rect& clip) { clip_ = clip.Intersect(Rect{0, 0, image_.width, image_.height}); }

void Canvas::Clear(Argb color) {
  for (size_t i = 0; i < image_.pixels.size(); i += 4) {
    image_.pixels[i] = (color >> 16) & 0xFF;
    image_.pixels[i + 1] = (color >> 8) & 0xFF;
    image_.pixels[i + 2] = color & 0xFF;
    image_.pixels[i + 3] = (color >> 24) & 0xFF;
  }
}

inline void Canvas::BlendPixel(uint8_t* p, uint32_t r, uint32_t g, uint32_t b, uint32_t a) {
  if (a == 0) return;
  if (a == 255 || p[3] == 0) {
    p[0] = static_cast<uint8_t>(r);
    p[1] = static_cast<uint8_t>(g);
    p[2] = static_cast<uint8_t>(b);
    p[3] = static_cast<uint8_t>(a);
    return;
  }
  uint32_t da = p[3];
  if (da == 255) {
    uint32_t ia = 255 - a;
    p[0] = static_cast<uint8_t>((r * a + p[0] * ia + 127) / 255);
    p[1] = static_cast<uint8_t>((g * a + p[1] * ia + 127) / 255);
    p[2] = static_cast<uint8_t>((b * a + p[2] * ia + 127) / 255);
    return;
  }
  // General case: straight-alpha "over".
  uint32_t dw = da * (255 - a) / 255;
  uint32_t oa = a + dw;
  p[0] = static_cast<uint8_t>((r * a + p[0] * dw) / oa);
  p[1] = static_cast<uint8_t>((g * a + p[1] * dw) / oa);
  p[2] = static_cast<uint8_t>((b * a + p[2] * dw) / oa);
  p[3] = static_cast<uint8_t>(oa);
}

void Canvas::FillRect(const Rect& rect, Argb color) {
  Rect r = rect.Intersect(clip_);
  if (r.Empty()) return;
  uint32_t a = color >> 24, cr = (color >> 16) & 0xFF, cg = (color >> 8) & 0xFF, cb = color & 0xFF;
  if (a == 0) return;
  for (int y = r.top; y < r.bottom; ++y) {
    uint8_t* p = &image_.pixels[(static_cast<size_t>(y) * image_.width + r.left) * 4];
    for (int x = r.left; x < r.right; ++x, p += 4) BlendPixel(p, cr, cg, cb, a);
  }
}

void Canvas::FillRoundRect(const Rect& rect, int radius, Argb color) {
  if (radius <= 0) {
    FillRect(rect, color);
    return;
  }
  Rect r = rect.Intersect(clip_);
  if (r.Empty()) return;
  radius = std::min({radius, rect.Width() / 2, rect.Height() / 2});
  uint32_t a = color >> 24, cr = (color >> 16) & 0xFF, cg = (color >> 8) & 0xFF, cb = color & 0xFF;
  const float rad = static_cast<float>(radius);
  for (int y = r.top; y < r.bottom; ++y) {
    uint8_t* p = &image_.pixels[(static_cast<size_t>(y) * image_.width + r.left) * 4];
    float py = static_cast<float>(y) + 0.5f;
    for (int x = r.left; x < r.right; ++x, p += 4) {
      float px = static_cast<float>(x) + 0.5f;
      float cx = std::clamp(px, rect.left + rad, rect.right - rad);
      float cy = std::clamp(py, rect.top + rad, rect.bottom - rad);
      float dx = px - cx, dy = py - cy;
      float d = std::sqrt(dx * dx + dy * dy) - rad;  // signed distance to the edge
      float cover = std::clamp(0.5f - d, 0.0f, 1.0f);
      if (cover <= 0.0f) continue;
      BlendPixel(p, cr, cg, cb, static_cast<uint32_t>(a * cover + 0.5f));
    }
  }
}

void Canvas::DrawBorder(const Rect& rect, int width, Argb color) {
  if (width <= 0) return;
  FillRect(Rect{rect.left, rect.top, rect.right, rect.top + width}, color);
  FillRect(Rect{rect.left, rect.bottom - width, rect.right, rect.bottom}, color);
  FillRect(Rect{rect.left, rect.top + width, rect.left + width, rect.bottom - width}, color);
  FillRect(Rect{rect.right - width, rect.top + width, rect.right, rect.bottom - width}, color);
}

void Canvas::DrawImage(const Image& image, const Rect& dest, const Rect& sourceIn, const Rect& cornerIn, uint8_t fade) {
  Rect source = sourceIn.Intersect(Rect{0, 0, image.width, image.height});
  if (source.Empty() || dest.Empty()) return;
  Rect corner = cornerIn;
  // Corners larger than the source or the destination cannot be kept.
  if (corner.left + corner.right >= source.Width() || corner.left + corner.right > dest.Width()) corner.left = corner.right = 0;
  if (corner.top + corner.bottom >= source.Height() || corner.top + corner.bottom > dest.Height()) corner.top = corner.bottom = 0;
  // Three columns and rows of the nine-grid: [source range] -> [dest range].
  int sx[4] = {source.left, source.left + corner.left, source.right - corner.right, source.right};
  int dx[4] = {dest.left, dest.left + corner.left, dest.right - corner.right, dest.right};
  int sy[4] = {source.top, source.top + corner.top, source.bottom - corner.bottom, source.bottom};
  int dy[4] = {dest.top, dest.top + corner.top, dest.bottom - corner.bottom, dest.bottom};
  for (int row = 0; row < 3; ++row) {
    for (int col = 0; col < 3; ++col) {
      Rect d{dx[col], dy[row], dx[col + 1], dy[row + 1]};
      int sw = sx[col + 1] - sx[col], sh = sy[row + 1] - sy[row];
      if (d.Empty() || sw <= 0 || sh <= 0) continue;
      Rect visible = d.Intersect(clip_);
      if (visible.Empty()) continue;
      for (int y = visible.top; y < visible.bottom; ++y) {
        int srcY = sy[row] + static_cast<int>(static_cast<int64_t>(y - d.top) * sh / d.Height());
        const uint8_t* srow = &image.pixels[static_cast<size_t>(srcY) * image.width * 4];
        uint8_t* p = &image_.pixels[(static_cast<size_t>(y) * image_.width + visible.left) * 4];
        for (int x = visible.left; x < visible.right; ++x, p += 4) {
          int srcX = sx[col] + static_cast<int>(static_cast<int64_t>(x - d.left) * sw / d.Width());
          const uint8_t* s = srow + srcX * 4;
          uint32_t a = fade == 255 ? s[3] : s[3] * fade / 255u;
          BlendPixel(p, s[0], s[1], s[2], a);
        }
      }
    }
  }
}

void Canvas::BlendMask(const uint8_t* mask, int width, int height, int pitch, int x, int y, Argb color) {
  Rect r = Rect{x, y, x + width, y + height}.Intersect(clip_);
  if (r.Empty()) return;
  uint32_t a = color >> 24, cr = (color >> 16) & 0xFF, cg = (color >> 8) & 0xFF, cb = color & 0xFF;
  for (int py = r.top; py < r.bottom; ++py) {
    const uint8_t* m = mask + static_cast<size_t>(py - y) * pitch + (r.left - x);
    uint8_t* p = &image_.pixels[(static_cast<size_t>(py) * image_.width + r.left) * 4];
    for (int px = r.left; px < r.right; ++px, p += 4, ++m) {
      if (*m) BlendPixel(p, cr, cg, cb, a * *m / 255u);
    }
  }
}

void Canvas::ApplyRoundCorners(int radiusX, int radiusY) {
  // The layouts give the corner ellipse's size; its half is the radius.
  float rx = static_cast<float>(radiusX) / 2.0f, ry = static_cast<float>(radiusY) / 2.0f;
  if (rx < 1.0f || ry < 1.0f) return;
  const int w = image_.width, h = image_.height;
  int spanX = static_cast<int>(std::ceil(rx)), spanY = static_cast<int>(std::ceil(ry));
  for (int y = 0; y < h; ++y) {
    bool top = y < spanY, bottom = y >= h - spanY;
    if (!top && !bottom) continue;
    for (int x = 0; x < w; ++x) {
      bool left = x < spanX, right = x >= w - spanX;
      if (!left && !right) continue;
      float cx = left ? rx : w - rx, cy = top ? ry : h - ry;
      float nx = (x + 0.5f - cx) / rx, ny = (y + 0.5f - cy) / ry;
      if ((left ? x + 0.5f < cx : x + 0.5f > cx) && (top ? y + 0.5f < cy : y + 0.5f > cy)) {
        float d = std::sqrt(nx * nx + ny * ny);
        float cover = std::clamp((1.0f - d) * std::min(rx, ry) + 0.5f, 0.0f, 1.0f);
        uint8_t* p = &image_.pixels[(static_cast<size_t>(y) * w + x) * 4];
        p[3] = static_cast<uint8_t>(p[3] * cover);
      }
    }
  }
}

}  // namespace ui
