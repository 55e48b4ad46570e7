// Fonts and text: layout font names are resolved through fontconfig (with
// WenQuanYi Micro Hei as the fallback so that Chinese text always shows),
// measured and drawn with SDL_ttf into a canvas.
#pragma once
#include <cstdint>
#include <string>

#include "ui/framework/canvas.h"
#include "ui/framework/geometry.h"

namespace ui {

// Text styles, with the values of the Windows text-drawing flags.
enum TextStyle : uint32_t {
  DT_LEFT = 0x0,
  DT_CENTER = 0x1,
  DT_RIGHT = 0x2,
  DT_VCENTER = 0x4,
  DT_BOTTOM = 0x8,
  DT_WORDBREAK = 0x10,
  DT_SINGLELINE = 0x20,
  DT_END_ELLIPSIS = 0x8000,
};

struct FontSpec {
  std::wstring face;
  int size = 12;
  bool bold = false;
  bool underline = false;
  bool italic = false;
};

// The font file (and face index inside a collection) for a face name: the
// face itself when the system has it and it covers Chinese, otherwise
// WenQuanYi Micro Hei, otherwise any Chinese-capable face. Empty when none.
struct FontFile {
  std::string path;
  int index = 0;
};
FontFile ResolveFontFile(const std::wstring& face);

// Size of a single line of text.
Size MeasureText(const FontSpec& font, const std::wstring& text);
// Size of text laid out in a box of the given width with the given style
// (wrapping with DT_WORDBREAK, honouring line breaks unless DT_SINGLELINE).
Size MeasureTextBox(const FontSpec& font, const std::wstring& text, int width, uint32_t style);
// Draws text into the rectangle (limited by the canvas clip).
void DrawText(Canvas& canvas, const Rect& rect, const FontSpec& font, const std::wstring& text, Argb color,
              uint32_t style);

}  // namespace ui
