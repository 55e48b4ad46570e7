// An RGBA drawing surface, decoded images and the drawing operations the
// controls use. Pixels are stored as R, G, B, A bytes with straight alpha.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "ui/framework/geometry.h"

namespace ui {

struct Image {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> pixels;  // width * height * 4
};

// Decodes PNG (or any format stb_image reads) bytes; null when they are not an image.
std::shared_ptr<Image> DecodeImage(const void* data, size_t size);
// Encodes RGBA pixels as PNG bytes.
std::string EncodePng(const Image& image);

class Canvas {
 public:
  Canvas() = default;
  Canvas(int width, int height) { Resize(width, height); }
  void Resize(int width, int height);
  int Width() const { return image_.width; }
  int Height() const { return image_.height; }
  const Image& Pixels() const { return image_; }
  Image& MutablePixels() { return image_; }

  // All drawing is limited to the clip rectangle (the whole canvas by default).
  void SetClip(const Rect& clip);
  const Rect& Clip() const { return clip_; }

  void Clear(Argb color);
  void FillRect(const Rect& rect, Argb color);
  // Rectangle with rounded corners of the given radius, anti-aliased.
  void FillRoundRect(const Rect& rect, int radius, Argb color);
  void DrawBorder(const Rect& rect, int width, Argb color);
  // Draws the `source` part of the image into `dest`, keeping the `corner`
  // margins (left, top, right, bottom) unscaled (nine-grid). `fade` 0..255
  // scales the image's alpha.
  void DrawImage(const Image& image, const Rect& dest, const Rect& source, const Rect& corner, uint8_t fade = 255);
  // Blends a coverage mask (one byte per pixel, `pitch` bytes a row) in a colour.
  void BlendMask(const uint8_t* mask, int width, int height, int pitch, int x, int y, Argb color);
  // Makes the pixels outside a rounded rectangle of the whole canvas transparent.
  void ApplyRoundCorners(int radiusX, int radiusY);

 private:
  void BlendPixel(uint8_t* p, uint32_t r, uint32_t g, uint32_t b, uint32_t a);
  Image image_;
  Rect clip_;
};

}  // namespace ui
