// Layout XML from the skin: building, laying out and painting any text must
// neither crash nor hang.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

#include "ui/framework/markup.h"
#include "ui/framework/paint_manager.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ui::PaintManager pm;
  auto root = ui::BuildLayout(std::string(reinterpret_cast<const char*>(data), size), pm, nullptr);
  if (!root) return 0;
  pm.AttachRoot(std::move(root));
  ui::Size size2 = pm.GetInitSize();
  pm.SetClientSize(ui::Size{std::clamp(size2.cx, 1, 800), std::clamp(size2.cy, 1, 600)});
  ui::Canvas canvas;
  pm.Render(canvas);
  return 0;
}
