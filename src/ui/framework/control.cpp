#include "ui/framework/control.h"

#include <algorithm>
#include <cwctype>

#include "ui/framework/backend.h"
#include "ui/framework/paint_manager.h"

namespace ui {
namespace {

bool Is(std::wstring_view a, std::wstring_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::towlower(static_cast<wint_t>(a[i])) != std::towlower(static_cast<wint_t>(b[i]))) return false;
  }
  return true;
}

int ToInt(std::wstring_view v) {
  int out = 0;
  ParseInts(v, &out, 1);
  return out;
}

Rect ToRect(std::wstring_view v) {
  int n[4] = {0, 0, 0, 0};
  ParseInts(v, n, 4);
  return Rect{n[0], n[1], n[2], n[3]};
}

// Moves a layout coordinate, kept within a range where sums cannot overflow.
int Advance(int at, int64_t by) { return static_cast<int>(std::clamp<int64_t>(at + by, -(1 << 28), 1 << 28)); }

Argb ToColor(std::wstring_view v, Argb fallback) {
  Argb c = fallback;
  ParseColor(v, c);
  return c;
}

// Reads "key='value'" pairs of an image attribute.
bool ImageSpecValue(const std::wstring& imageText, const wchar_t* key, std::wstring& value) {
  size_t keyLen = std::wcslen(key);
  size_t i = 0;
  while (i < imageText.size()) {
    while (i < imageText.size() && imageText[i] == L' ') ++i;
    size_t eq = imageText.find(L'=', i);
    if (eq == std::wstring::npos || eq + 1 >= imageText.size()) return false;
    std::wstring name = imageText.substr(i, eq - i);
    while (!name.empty() && name.back() == L' ') name.pop_back();
    wchar_t quote = imageText[eq + 1];
    if (quote != L'\'' && quote != L'"') return false;
    size_t end = imageText.find(quote, eq + 2);
    if (end == std::wstring::npos) return false;
    if (name.size() == keyLen && Is(name, key)) {
      value = imageText.substr(eq + 2, end - eq - 2);
      return true;
    }
    i = end + 1;
  }
  return false;
}

}  // namespace

bool ParseBool(std::wstring_view value) { return Is(value, L"true"); }

// ---------------------------------------------------------------- Control

Control::Control() = default;

Control::~Control() {
  if (manager_) manager_->ReapControl(this);
}

void* Control::GetInterface(std::wstring_view name) {
  if (Is(name, L"Control")) return this;
  return nullptr;
}

void Control::SetText(const std::wstring& text) {
  if (text_ == text) return;
  text_ = text;
  Invalidate();
}

std::wstring Control::DisplayText() const { return language::Resolve(GetText()); }

void Control::SetVisible(bool visible) {
  if (visible_ == visible) return;
  visible_ = visible;
  if (!IsVisible() && manager_ && manager_->GetFocus() == this) manager_->SetFocus(nullptr);
  NeedParentUpdate();
}

void Control::SetInternVisible(bool visible) {
  internVisible_ = visible;
  if (!IsVisible() && manager_ && manager_->GetFocus() == this) manager_->SetFocus(nullptr);
}

void Control::SetEnabled(bool enabled) {
  if (enabled_ == enabled) return;
  enabled_ = enabled;
  Invalidate();
}

void Control::SetFocus() {
  if (manager_) manager_->SetFocus(this);
}

void Control::SetFixedWidth(int width) {
  if (width < 0) return;
  fixedWidth_ = width;
  if (float_) xy_.right = xy_.left + width;
  NeedParentUpdate();
}

void Control::SetFixedHeight(int height) {
  if (height < 0) return;
  fixedHeight_ = height;
  if (float_) xy_.bottom = xy_.top + height;
  NeedParentUpdate();
}

void Control::SetPos(const Rect& rect) {
  pos_ = rect;
  Invalidate();
}

void Control::SetBkImage(const std::wstring& image) {
  if (bkImage_ == image) return;
  bkImage_ = image;
  Invalidate();
}

void Control::SetBkColor(Argb color) {
  bkColor_ = color;
  Invalidate();
}

void Control::SetFont(int index) {
  font_ = index;
  Invalidate();
}

void Control::SetTextColor(Argb color) {
  textColor_ = color;
  Invalidate();
}

void Control::SetManager(PaintManager* manager, Control* parent) {
  manager_ = manager;
  parent_ = parent;
  if (manager_) manager_->InitControl(this, parent);
}

void Control::Invalidate() {
  if (manager_) manager_->Invalidate();
}

void Control::NeedParentUpdate() {
  if (manager_) manager_->NeedUpdate();
}

void Control::NeedUpdate() {
  if (manager_) manager_->NeedUpdate();
}

std::wstring Control::GetLayoutAttribute(std::wstring_view name) const {
  for (const auto& [n, v] : attributes_) {
    if (Is(n, name)) return v;
  }
  return L"";
}

void Control::NoteLayoutAttribute(std::wstring_view name, std::wstring_view value) {
  for (auto& [n, v] : attributes_) {
    if (Is(n, name)) {
      v = value;
      return;
    }
  }
  attributes_.emplace_back(name, value);
}

void Control::SetAttribute(std::wstring_view name, std::wstring_view value) {
  if (Is(name, L"name")) name_ = value;
  else if (Is(name, L"text")) text_ = value;
  else if (Is(name, L"userdata")) userData_ = value;
  else if (Is(name, L"tooltip")) toolTip_ = value;
  else if (Is(name, L"pos")) {
    Rect r = ToRect(value);
    xy_ = r;
    fixedWidth_ = std::max(0, r.right - r.left);
    fixedHeight_ = std::max(0, r.bottom - r.top);
  } else if (Is(name, L"padding")) padding_ = ToRect(value);
  else if (Is(name, L"width")) fixedWidth_ = std::max(0, ToInt(value));
  else if (Is(name, L"height")) fixedHeight_ = std::max(0, ToInt(value));
  else if (Is(name, L"minwidth")) minWidth_ = ToInt(value);
  else if (Is(name, L"maxwidth")) maxWidth_ = ToInt(value);
  else if (Is(name, L"minheight")) minHeight_ = ToInt(value);
  else if (Is(name, L"maxheight")) maxHeight_ = ToInt(value);
  else if (Is(name, L"visible")) visible_ = ParseBool(value);
  else if (Is(name, L"enabled")) enabled_ = ParseBool(value);
  else if (Is(name, L"mouse")) mouseEnabled_ = ParseBool(value);
  else if (Is(name, L"float")) float_ = ParseBool(value);
  else if (Is(name, L"bkcolor")) bkColor_ = ToColor(value, bkColor_);
  else if (Is(name, L"bordercolor")) borderColor_ = ToColor(value, borderColor_);
  else if (Is(name, L"bordersize")) borderSize_ = ToInt(value);
  else if (Is(name, L"borderround")) borderRound_ = ToInt(value);
  else if (Is(name, L"bkimage")) bkImage_ = value;
  else if (Is(name, L"font")) font_ = ToInt(value);
  else if (Is(name, L"textcolor")) textColor_ = ToColor(value, textColor_);
  else if (Is(name, L"disabledtextcolor")) disabledTextColor_ = ToColor(value, disabledTextColor_);
  else if (Is(name, L"textpadding")) textPadding_ = ToRect(value);
}

void Control::DoEvent(Event& event) {
  switch (event.type) {
    case EventType::SetFocus:
      focused_ = true;
      Invalidate();
      break;
    case EventType::KillFocus:
      focused_ = false;
      Invalidate();
      break;
    case EventType::Timer:
      if (manager_) manager_->SendNotify(this, L"timer", event.wParam, event.lParam);
      break;
    default:
      break;
  }
}

bool Control::Activate() { return IsVisible() && IsEnabled(); }

void Control::Paint(Canvas& canvas, const Rect& dirty) {
  if (!IsVisible() || pos_.Intersect(dirty).Empty()) return;
  PaintBkColor(canvas);
  PaintBkImage(canvas);
  PaintStatusImage(canvas);
  PaintText(canvas);
  PaintBorder(canvas);
}

void Control::PaintBkColor(Canvas& canvas) {
  if (bkColor_ >> 24) canvas.FillRoundRect(pos_, borderRound_ / 2, bkColor_);
}

void Control::PaintBkImage(Canvas& canvas) {
  if (!bkImage_.empty()) DrawImage(canvas, bkImage_);
}

void Control::PaintBorder(Canvas& canvas) {
  if (borderSize_ > 0 && (borderColor_ >> 24)) canvas.DrawBorder(pos_, borderSize_, borderColor_);
}

bool Control::DrawImage(Canvas& canvas, const std::wstring& imageText) {
  if (imageText.empty() || !manager_) return false;
  std::wstring file = imageText, value;
  Rect dest = pos_, source{0, 0, 1 << 20, 1 << 20}, corner;
  int fade = 255;
  if (imageText.find(L'=') != std::wstring::npos) {
    if (!ImageSpecValue(imageText, L"file", file)) return false;
    if (ImageSpecValue(imageText, L"dest", value)) {
      Rect d = ToRect(value);
      dest = Rect{pos_.left + d.left, pos_.top + d.top, pos_.left + d.right, pos_.top + d.bottom};
    }
    if (ImageSpecValue(imageText, L"source", value)) source = ToRect(value);
    if (ImageSpecValue(imageText, L"corner", value)) corner = ToRect(value);
    if (ImageSpecValue(imageText, L"fade", value)) fade = std::clamp(ToInt(value), 0, 255);
  }
  auto image = manager_->GetImage(file);
  if (!image) return false;
  canvas.DrawImage(*image, dest, source, corner, static_cast<uint8_t>(fade));
  return true;
}

Control* Control::FindControlAt(Point pt) {
  if (!IsVisible() || !mouseEnabled_ || !pos_.Contains(pt)) return nullptr;
  return this;
}

void Control::ForEach(const std::function<void(Control*)>& visit) { visit(this); }

// ---------------------------------------------------------------- Container

void* Container::GetInterface(std::wstring_view name) {
  if (Is(name, L"Container")) return this;
  return Control::GetInterface(name);
}

void Container::Add(std::unique_ptr<Control> child) {
  if (!child) return;
  Control* raw = child.get();
  children_.push_back(std::move(child));
  if (manager_) raw->SetManager(manager_, this);
  else raw->SetManager(nullptr, this);
  NeedUpdate();
}

Control* Container::GetItemAt(int index) const {
  if (index < 0 || index >= GetCount()) return nullptr;
  return children_[static_cast<size_t>(index)].get();
}

int Container::GetItemIndex(const Control* child) const {
  for (size_t i = 0; i < children_.size(); ++i) {
    if (children_[i].get() == child) return static_cast<int>(i);
  }
  return -1;
}

void Container::SetManager(PaintManager* manager, Control* parent) {
  Control::SetManager(manager, parent);
  for (auto& c : children_) c->SetManager(manager, this);
}

void Container::SetInternVisible(bool visible) {
  Control::SetInternVisible(visible);
  for (auto& c : children_) c->SetInternVisible(IsVisible());
}

void Container::SetVisible(bool visible) {
  Control::SetVisible(visible);
  for (auto& c : children_) c->SetInternVisible(IsVisible());
}

void Container::SetAttribute(std::wstring_view name, std::wstring_view value) {
  if (Is(name, L"inset")) inset_ = ToRect(value);
  else if (Is(name, L"childpadding")) childPadding_ = ToInt(value);
  else Control::SetAttribute(name, value);
}

void Container::PlaceFloating(const Rect& inner) {
  for (auto& c : children_) {
    if (!c->IsFloat()) continue;
    const Rect& xy = c->GetFloatPos();
    c->SetPos(Rect{inner.left + xy.left, inner.top + xy.top, inner.left + xy.left + c->GetFixedWidth(),
                   inner.top + xy.top + c->GetFixedHeight()});
  }
}

void Container::SetPos(const Rect& rect) {
  Control::SetPos(rect);
  Rect inner = rect.Deflate(inset_);
  for (auto& c : children_) {
    if (c->IsFloat()) continue;
    c->SetPos(inner.Deflate(c->GetPadding()));
  }
  PlaceFloating(inner);
}

void Container::Paint(Canvas& canvas, const Rect& dirty) {
  if (!IsVisible()) return;
  Rect area = pos_.Intersect(dirty);
  if (area.Empty()) return;
  Control::Paint(canvas, dirty);
  Rect oldClip = canvas.Clip();
  for (auto& c : children_) {
    if (!c->IsVisible()) continue;
    canvas.SetClip(oldClip.Intersect(area));
    c->Paint(canvas, area);
  }
  canvas.SetClip(oldClip);
}

Control* Container::FindControlAt(Point pt) {
  if (!IsVisible() || !pos_.Contains(pt)) return nullptr;
  for (auto it = children_.rbegin(); it != children_.rend(); ++it) {
    if (Control* found = (*it)->FindControlAt(pt)) return found;
  }
  return mouseEnabled_ ? this : nullptr;
}

void Container::ForEach(const std::function<void(Control*)>& visit) {
  visit(this);
  for (auto& c : children_) c->ForEach(visit);
}

// ---------------------------------------------------------------- layouts

void* VerticalLayout::GetInterface(std::wstring_view name) {
  if (Is(name, L"VerticalLayout")) return this;
  return Container::GetInterface(name);
}

void VerticalLayout::SetPos(const Rect& rect) {
  Control::SetPos(rect);
  Rect inner = rect.Deflate(inset_);
  std::vector<Control*> items;
  for (auto& c : children_) {
    if (c->IsVisible() && !c->IsFloat()) items.push_back(c.get());
  }
  int64_t fixed = 0;
  int adjustable = 0;
  std::vector<Size> sizes;
  for (Control* c : items) {
    Rect pad = c->GetPadding();
    Size sz = c->EstimateSize(Size{inner.Width() - pad.left - pad.right, inner.Height()});
    sizes.push_back(sz);
    if (sz.cy == 0) ++adjustable;
    fixed += int64_t{sz.cy} + pad.top + pad.bottom;
  }
  if (!items.empty()) fixed += int64_t{childPadding_} * static_cast<int64_t>(items.size() - 1);
  int remain = static_cast<int>(std::clamp<int64_t>(inner.Height() - fixed, 0, inner.Height() > 0 ? inner.Height() : 0));
  int expand = adjustable ? remain / adjustable : 0;
  int y = inner.top, seen = 0;
  for (size_t i = 0; i < items.size(); ++i) {
    Control* c = items[i];
    Rect pad = c->GetPadding();
    int h = sizes[i].cy;
    if (h == 0) {
      ++seen;
      h = seen == adjustable ? remain - expand * (adjustable - 1) : expand;
    }
    int avail = inner.Width() - pad.left - pad.right;
    int w = sizes[i].cx > 0 ? std::min(sizes[i].cx, std::max(0, avail)) : avail;
    c->SetPos(Rect{inner.left + pad.left, y + pad.top, inner.left + pad.left + w, y + pad.top + h});
    y = Advance(y, int64_t{pad.top} + h + pad.bottom + childPadding_);
  }
  PlaceFloating(inner);
}

void* HorizontalLayout::GetInterface(std::wstring_view name) {
  if (Is(name, L"HorizontalLayout")) return this;
  return Container::GetInterface(name);
}

void HorizontalLayout::SetPos(const Rect& rect) {
  Control::SetPos(rect);
  Rect inner = rect.Deflate(inset_);
  std::vector<Control*> items;
  for (auto& c : children_) {
    if (c->IsVisible() && !c->IsFloat()) items.push_back(c.get());
  }
  int64_t fixed = 0;
  int adjustable = 0;
  std::vector<Size> sizes;
  for (Control* c : items) {
    Rect pad = c->GetPadding();
    Size sz = c->EstimateSize(Size{inner.Width(), inner.Height() - pad.top - pad.bottom});
    sizes.push_back(sz);
    if (sz.cx == 0) ++adjustable;
    fixed += int64_t{sz.cx} + pad.left + pad.right;
  }
  if (!items.empty()) fixed += int64_t{childPadding_} * static_cast<int64_t>(items.size() - 1);
  int remain = static_cast<int>(std::clamp<int64_t>(inner.Width() - fixed, 0, inner.Width() > 0 ? inner.Width() : 0));
  int expand = adjustable ? remain / adjustable : 0;
  int x = inner.left, seen = 0;
  for (size_t i = 0; i < items.size(); ++i) {
    Control* c = items[i];
    Rect pad = c->GetPadding();
    int w = sizes[i].cx;
    if (w == 0) {
      ++seen;
      w = seen == adjustable ? remain - expand * (adjustable - 1) : expand;
    }
    int avail = inner.Height() - pad.top - pad.bottom;
    int h = sizes[i].cy > 0 ? std::min(sizes[i].cy, std::max(0, avail)) : avail;
    c->SetPos(Rect{x + pad.left, inner.top + pad.top, x + pad.left + w, inner.top + pad.top + h});
    x = Advance(x, int64_t{pad.left} + w + pad.right + childPadding_);
  }
  PlaceFloating(inner);
}

void* TabLayout::GetInterface(std::wstring_view name) {
  if (Is(name, L"TabLayout")) return this;
  return Container::GetInterface(name);
}

void TabLayout::SetAttribute(std::wstring_view name, std::wstring_view value) {
  if (Is(name, L"selectedid")) curSel_ = ToInt(value);
  else Container::SetAttribute(name, value);
}

void TabLayout::DoInit() {
  if (curSel_ < 0 || curSel_ >= GetCount()) curSel_ = 0;
  for (int i = 0; i < GetCount(); ++i) children_[static_cast<size_t>(i)]->SetVisible(i == curSel_);
}

bool TabLayout::SelectItem(int index, bool notify) {
  if (index < 0 || index >= GetCount()) return false;
  if (index == curSel_) return true;
  int old = curSel_;
  curSel_ = index;
  for (int i = 0; i < GetCount(); ++i) children_[static_cast<size_t>(i)]->SetVisible(i == curSel_);
  NeedUpdate();
  if (notify && manager_) manager_->SendNotify(this, L"tabselect", static_cast<WPARAM>(curSel_), old);
  return true;
}

void TabLayout::SetPos(const Rect& rect) {
  Control::SetPos(rect);
  Rect inner = rect.Deflate(inset_);
  for (auto& c : children_) {
    if (c->IsFloat()) continue;
    c->SetPos(inner.Deflate(c->GetPadding()));
  }
  PlaceFloating(inner);
}

// ---------------------------------------------------------------- Label

Label::Label() { textStyle_ = DT_VCENTER | DT_SINGLELINE; }

void* Label::GetInterface(std::wstring_view name) {
  if (Is(name, L"Label")) return this;
  return Control::GetInterface(name);
}

void Label::SetAttribute(std::wstring_view name, std::wstring_view value) {
  if (Is(name, L"align")) {
    textStyle_ &= ~(DT_CENTER | DT_RIGHT);
    if (value.find(L"center") != std::wstring_view::npos) textStyle_ |= DT_CENTER;
    else if (value.find(L"right") != std::wstring_view::npos) textStyle_ |= DT_RIGHT;
  } else if (Is(name, L"valign")) {
    textStyle_ &= ~(DT_VCENTER | DT_BOTTOM);
    if (value.find(L"center") != std::wstring_view::npos) textStyle_ |= DT_VCENTER;
    else if (value.find(L"bottom") != std::wstring_view::npos) textStyle_ |= DT_BOTTOM;
  } else if (Is(name, L"endellipsis")) {
    if (ParseBool(value)) textStyle_ |= DT_END_ELLIPSIS;
    else textStyle_ &= ~DT_END_ELLIPSIS;
  } else if (Is(name, L"wordbreak") || Is(name, L"multiline")) {
    if (ParseBool(value)) {
      textStyle_ &= ~DT_SINGLELINE;
      textStyle_ |= DT_WORDBREAK;
    } else {
      textStyle_ &= ~DT_WORDBREAK;
      textStyle_ |= DT_SINGLELINE;
    }
  } else if (Is(name, L"autocalcwidth")) {
    autoCalcWidth_ = ParseBool(value);
  } else {
    Control::SetAttribute(name, value);
  }
}

Size Label::EstimateSize(Size available) const {
  Size size = Control::EstimateSize(available);
  if (autoCalcWidth_ && manager_) {
    size.cx = manager_->MeasureText(this, DisplayText()).cx + textPadding_.left + textPadding_.right;
  }
  return size;
}

void Label::PaintText(Canvas& canvas) {
  std::wstring text = DisplayText();
  if (text.empty() || !manager_) return;
  Argb color = IsEnabled() ? textColor_ : disabledTextColor_;
  DrawText(canvas, pos_.Deflate(textPadding_), manager_->GetFont(font_), text, color, textStyle_);
}

// ---------------------------------------------------------------- Button

Button::Button() { textStyle_ = DT_SINGLELINE | DT_VCENTER | DT_CENTER; }

void* Button::GetInterface(std::wstring_view name) {
  if (Is(name, L"Button")) return this;
  return Label::GetInterface(name);
}

void Button::SetAttribute(std::wstring_view name, std::wstring_view value) {
  if (Is(name, L"normalimage")) normalImage_ = value;
  else if (Is(name, L"hotimage")) hotImage_ = value;
  else if (Is(name, L"pushedimage")) pushedImage_ = value;
  else if (Is(name, L"focusedimage")) focusedImage_ = value;
  else if (Is(name, L"disabledimage")) disabledImage_ = value;
  else if (Is(name, L"foreimage")) foreImage_ = value;
  else if (Is(name, L"hotforeimage")) hotForeImage_ = value;
  else if (Is(name, L"hottextcolor")) hotTextColor_ = ToColor(value, 0);
  else if (Is(name, L"pushedtextcolor")) pushedTextColor_ = ToColor(value, 0);
  else if (Is(name, L"focusedtextcolor")) focusedTextColor_ = ToColor(value, 0);
  else if (Is(name, L"keyboard")) keyboardEnabled_ = ParseBool(value);
  else Label::SetAttribute(name, value);
}

void Button::SetNormalImage(const std::wstring& image) {
  normalImage_ = image;
  Invalidate();
}

void Button::DoEvent(Event& event) {
  switch (event.type) {
    case EventType::MouseEnter:
      hot_ = true;
      Invalidate();
      return;
    case EventType::MouseLeave:
      hot_ = false;
      pushed_ = false;
      Invalidate();
      return;
    case EventType::ButtonDown:
    case EventType::DoubleClick:
      pushed_ = true;
      Invalidate();
      return;
    case EventType::MouseMove:
      return;
    case EventType::ButtonUp:
      if (pushed_) {
        pushed_ = false;
        Invalidate();
        if (pos_.Contains(event.pt)) Activate();
      }
      return;
    case EventType::KeyDown:
      if (event.key == VK_RETURN || event.key == VK_SPACE) {
        Activate();
        return;
      }
      break;
    default:
      break;
  }
  Label::DoEvent(event);
}

bool Button::Activate() {
  if (!Control::Activate()) return false;
  if (manager_) manager_->SendNotify(this, L"click");
  return true;
}

void Button::PaintStatusImage(Canvas& canvas) {
  if (!IsEnabled()) {
    if (DrawImage(canvas, disabledImage_)) return;
  } else if (pushed_) {
    if (DrawImage(canvas, pushedImage_)) return;
  } else if (hot_) {
    if (DrawImage(canvas, hotImage_)) return;
  } else if (focused_) {
    if (DrawImage(canvas, focusedImage_)) return;
  }
  DrawImage(canvas, normalImage_);
  if (hot_ && IsEnabled() && DrawImage(canvas, hotForeImage_)) return;
  DrawImage(canvas, foreImage_);
}

void Button::PaintText(Canvas& canvas) {
  std::wstring text = DisplayText();
  if (text.empty() || !manager_) return;
  Argb color = textColor_;
  if (!IsEnabled()) color = disabledTextColor_;
  else if (pushed_ && pushedTextColor_) color = pushedTextColor_;
  else if (hot_ && hotTextColor_) color = hotTextColor_;
  else if (focused_ && focusedTextColor_) color = focusedTextColor_;
  DrawText(canvas, pos_.Deflate(textPadding_), manager_->GetFont(font_), text, color, textStyle_);
}

// ---------------------------------------------------------------- CheckBox

void* CheckBox::GetInterface(std::wstring_view name) {
  if (Is(name, L"CheckBox") || Is(name, L"Option")) return this;
  return Button::GetInterface(name);
}

void CheckBox::SetAttribute(std::wstring_view name, std::wstring_view value) {
  if (Is(name, L"selected")) selected_ = ParseBool(value);
  else if (Is(name, L"group")) group_ = value;
  else if (Is(name, L"selectedimage")) selectedImage_ = value;
  else if (Is(name, L"selectedhotimage")) selectedHotImage_ = value;
  else if (Is(name, L"selectedpushedimage")) selectedPushedImage_ = value;
  else if (Is(name, L"selectedtextcolor")) selectedTextColor_ = ToColor(value, 0);
  else Button::SetAttribute(name, value);
}

void CheckBox::Selected(bool selected, bool notify) {
  if (selected_ == selected) return;
  selected_ = selected;
  if (selected_ && !group_.empty() && manager_ && manager_->GetRoot()) {
    manager_->GetRoot()->ForEach([this, notify](Control* c) {
      if (c == this) return;
      auto* other = static_cast<CheckBox*>(c->GetInterface(L"CheckBox"));
      if (other && other->group_ == group_ && other->selected_) other->Selected(false, notify);
    });
  }
  Invalidate();
  if (notify && manager_) manager_->SendNotify(this, L"selectchanged");
}

bool CheckBox::Activate() {
  if (!Button::Activate()) return false;
  if (!group_.empty()) Selected(true);
  else Selected(!selected_);
  return true;
}

void CheckBox::PaintStatusImage(Canvas& canvas) {
  if (selected_) {
    if (pushed_ && DrawImage(canvas, selectedPushedImage_)) return;
    if (hot_ && DrawImage(canvas, selectedHotImage_)) return;
    if (DrawImage(canvas, selectedImage_)) return;
  }
  Button::PaintStatusImage(canvas);
}

void CheckBox::PaintText(Canvas& canvas) {
  if (selected_ && selectedTextColor_ && IsEnabled()) {
    std::wstring text = DisplayText();
    if (!text.empty() && manager_) {
      DrawText(canvas, pos_.Deflate(textPadding_), manager_->GetFont(font_), text, selectedTextColor_, textStyle_);
    }
    return;
  }
  Button::PaintText(canvas);
}

// ---------------------------------------------------------------- Progress

void* Progress::GetInterface(std::wstring_view name) {
  if (Is(name, L"Progress")) return this;
  return Label::GetInterface(name);
}

void Progress::SetValue(int value) {
  value = std::clamp(value, min_, std::max(min_, max_));
  if (value == value_) return;
  value_ = value;
  Invalidate();
}

void Progress::SetForeImage(const std::wstring& image) {
  foreImage_ = image;
  Invalidate();
}

void Progress::SetAttribute(std::wstring_view name, std::wstring_view value) {
  if (Is(name, L"foreimage")) foreImage_ = value;
  else if (Is(name, L"forecolor")) foreColor_ = ToColor(value, 0);
  else if (Is(name, L"hor")) horizontal_ = ParseBool(value);
  else if (Is(name, L"min")) min_ = ToInt(value);
  else if (Is(name, L"max")) max_ = ToInt(value);
  else if (Is(name, L"value")) value_ = ToInt(value);
  else if (Is(name, L"isstretchfore")) stretchFore_ = ParseBool(value);
  else Label::SetAttribute(name, value);
  if (max_ < min_) max_ = min_;
  value_ = std::clamp(value_, min_, max_);
}

void Progress::PaintStatusImage(Canvas& canvas) {
  if (max_ <= min_) return;
  const int64_t span = max_ - min_, done = value_ - min_;
  Rect fore = pos_;
  if (horizontal_) fore.right = pos_.left + static_cast<int>(pos_.Width() * done / span);
  else fore.top = pos_.bottom - static_cast<int>(pos_.Height() * done / span);
  if (fore.Empty()) return;
  if (foreColor_ >> 24) canvas.FillRect(fore, foreColor_);
  if (foreImage_.empty() || !manager_) return;
  // The image attribute may carry its own parameters; take the file name from it.
  std::wstring file = foreImage_;
  if (file.find(L'=') != std::wstring::npos) {
    std::wstring value;
    if (!ImageSpecValue(foreImage_, L"file", value)) return;
    file = value;
  }
  auto image = manager_->GetImage(file);
  if (!image) return;
  if (stretchFore_) {
    canvas.DrawImage(*image, fore, Rect{0, 0, image->width, image->height}, Rect{});
  } else {
    // The foreground keeps its size: the finished part shows the image's same part.
    Rect source = horizontal_ ? Rect{0, 0, fore.Width(), image->height}
                              : Rect{0, image->height - fore.Height(), image->width, image->height};
    Rect dest = horizontal_ ? Rect{fore.left, fore.top, fore.left + std::min(fore.Width(), image->width), fore.bottom}
                            : fore;
    canvas.DrawImage(*image, dest, source, Rect{});
  }
}

}  // namespace ui
