// The drop shadow around an installer window: its settings (each setter keeps
// the previous value when the new one is outside its range) and the shadow
// bitmap drawn from them or from a nine-grid image.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "ui/framework/canvas.h"
#include "ui/framework/paint_manager.h"

class CWindowShadow {
 public:
  static constexpr int kDefaultSize = 0;
  static constexpr int kDefaultSharpness = 5;
  static constexpr int kDefaultDarkness = 150;
  static constexpr int kDefaultOffsetX = 5;
  static constexpr int kDefaultOffsetY = 5;

  // Each returns false (and keeps the old value) outside its range.
  bool SetSize(int size);            // -20 to 20
  bool SetSharpness(int sharpness);  // 0 to 20
  bool SetDarkness(int darkness);    // 0 to 255
  bool SetPosition(int x, int y);    // each -20 to 20
  // A Windows colour value (red in the lowest byte); the top byte is not used.
  void SetColor(uint32_t colorRef) { color_ = colorRef; }
  void SetImage(const std::wstring& image) { image_ = image; }
  void SetImageCorner(const ui::Rect& corner) { corner_ = corner; }

  int GetSize() const { return size_; }
  int GetSharpness() const { return sharpness_; }
  int GetDarkness() const { return darkness_; }
  int GetOffsetX() const { return offsetX_; }
  int GetOffsetY() const { return offsetY_; }
  uint32_t GetColor() const { return color_; }
  const std::wstring& GetImage() const { return image_; }
  const ui::Rect& GetImageCorner() const { return corner_; }

  // Reads "showshadow", "shadowimage", "shadowcorner", "shadowsize",
  // "shadowsharpness", "shadowdarkness", "shadowposition" and "shadowcolor"
  // from the layout's window attributes. The shadow is made only when
  // "showshadow" is "true" (any letter case); returns whether it is.
  bool Configure(const ui::PaintManager& manager);
  bool IsCreated() const { return created_; }

  // How far the shadow reaches beyond each side of the window.
  ui::Rect Margins() const;
  // The shadow bitmap for a window of the given size, with the window at
  // (Margins().left, Margins().top). Images come from the manager's skin.
  ui::Image Render(ui::Size window, ui::PaintManager* manager) const;

 private:
  int size_ = kDefaultSize;
  int sharpness_ = kDefaultSharpness;
  int darkness_ = kDefaultDarkness;
  int offsetX_ = kDefaultOffsetX, offsetY_ = kDefaultOffsetY;
  uint32_t color_ = 0;
  std::wstring image_;
  ui::Rect corner_;
  bool created_ = false;
};
