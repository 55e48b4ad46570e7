// Points, rectangles and colours of the framework.
#pragma once
#include <algorithm>
#include <cstdint>
#include <string_view>

namespace ui {

struct Point {
  int x = 0, y = 0;
};

struct Size {
  int cx = 0, cy = 0;
};

struct Rect {
  int left = 0, top = 0, right = 0, bottom = 0;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  bool Empty() const { return right <= left || bottom <= top; }
  bool Contains(Point p) const { return p.x >= left && p.x < right && p.y >= top && p.y < bottom; }
  Rect Intersect(const Rect& o) const {
    Rect r{std::max(left, o.left), std::max(top, o.top), std::min(right, o.right), std::min(bottom, o.bottom)};
    if (r.Empty()) return Rect{};
    return r;
  }
  Rect Deflate(const Rect& by) const { return Rect{left + by.left, top + by.top, right - by.right, bottom - by.bottom}; }
  Rect Offset(int dx, int dy) const { return Rect{left + dx, top + dy, right + dx, bottom + dy}; }
  bool operator==(const Rect&) const = default;
};

// Colours are 0xAARRGGBB, as the layouts write them ("#FF1E7AE6").
using Argb = uint32_t;

// Parses "#AARRGGBB", "#RRGGBB" (opaque) or "0x..." hexadecimal text.
bool ParseColor(std::wstring_view text, Argb& out);

// Parses up to `count` integers separated by single non-digit characters
// ("1,2,3,4"); returns how many were read. Values are limited to +-1000000.
int ParseInts(std::wstring_view text, int* out, int count);

}  // namespace ui
