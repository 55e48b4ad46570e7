// Layout XML -> control tree. The root element "Window" carries the window's
// attributes and its "Font" elements; its first control element is the content.
#pragma once
#include <functional>
#include <memory>
#include <string>

#include "ui/framework/control.h"
#include "ui/framework/paint_manager.h"

namespace ui {

using ControlFactory = std::function<std::unique_ptr<Control>(const std::wstring& className)>;

// Creates a standard control for an element name, or null when unknown.
std::unique_ptr<Control> CreateStandardControl(const std::wstring& className);

// Parses the layout, stores the window attributes and fonts in the manager and
// returns the content tree (not yet attached). Unknown elements go to the
// factory; elements neither knows are skipped. Null when the text is not a
// layout (not XML, no "Window" root, no content, or beyond the size limits).
std::unique_ptr<Control> BuildLayout(const std::string& xml, PaintManager& manager, const ControlFactory& factory);

}  // namespace ui
