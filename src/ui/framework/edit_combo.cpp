// The text entry and the combo box.
#include <algorithm>
#include <cwctype>

#include "ui/framework/backend.h"
#include "ui/framework/control.h"
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

}  // namespace

// ---------------------------------------------------------------- Edit

Edit::Edit() {
  textStyle_ = DT_SINGLELINE | DT_VCENTER;
  textPadding_ = Rect{4, 2, 4, 2};
}

void* Edit::GetInterface(std::wstring_view name) {
  if (Is(name, L"Edit")) return this;
  return Label::GetInterface(name);
}

void Edit::SetText(const std::wstring& text) {
  std::wstring clean;
  for (wchar_t c : text) {
    if (c != L'\r' && c != L'\n') clean.push_back(c);
  }
  if (clean.size() > maxChar_) clean.resize(maxChar_);
  Label::SetText(clean);
  caret_ = anchor_ = text_.size();
}

void Edit::SetAttribute(std::wstring_view name, std::wstring_view value) {
  if (Is(name, L"maxchar")) {
    int n = 0;
    ParseInts(value, &n, 1);
    if (n > 0) maxChar_ = static_cast<size_t>(n);
  } else if (Is(name, L"readonly")) {
    readOnly_ = ParseBool(value);
  } else if (Is(name, L"password")) {
    password_ = ParseBool(value);
  } else if (Is(name, L"normalimage")) {
    normalImage_ = value;
  } else if (Is(name, L"hotimage")) {
    hotImage_ = value;
  } else if (Is(name, L"focusedimage")) {
    focusedImage_ = value;
  } else if (Is(name, L"disabledimage")) {
    disabledImage_ = value;
  } else if (Is(name, L"nativebkcolor")) {
    ParseColor(value, nativeBkColor_);
  } else {
    Label::SetAttribute(name, value);
    if (Is(name, L"text")) caret_ = anchor_ = text_.size();
  }
}

std::pair<size_t, size_t> Edit::GetSel() const { return {std::min(caret_, anchor_), std::max(caret_, anchor_)}; }

void Edit::SetSel(size_t start, size_t end) {
  anchor_ = std::min(start, text_.size());
  caret_ = std::min(end, text_.size());
  Invalidate();
}

void Edit::ReplaceSel(const std::wstring& input) {
  if (readOnly_) return;
  std::wstring text;
  for (wchar_t c : input) {
    if (c >= 0x20 && c != 0x7F) text.push_back(c);  // no control characters in one line
  }
  auto [start, end] = GetSel();
  std::wstring next = text_.substr(0, start) + text + text_.substr(end);
  if (next.size() > maxChar_) {
    size_t room = maxChar_ > text_.size() - (end - start) ? maxChar_ - (text_.size() - (end - start)) : 0;
    text.resize(std::min(text.size(), room));
    next = text_.substr(0, start) + text + text_.substr(end);
  }
  text_ = next;
  caret_ = anchor_ = start + text.size();
  Invalidate();
  if (manager_) manager_->SendNotify(this, L"textchanged");
}

size_t Edit::CaretFromX(int x) const {
  if (!manager_) return 0;
  const int left = pos_.left + textPadding_.left;
  std::wstring shown = password_ ? std::wstring(text_.size(), L'*') : text_;
  size_t best = 0;
  int bestDist = std::abs(x - left);
  for (size_t i = 1; i <= shown.size(); ++i) {
    int w = manager_->MeasureText(this, shown.substr(0, i)).cx;
    int dist = std::abs(x - (left + w));
    if (dist < bestDist) {
      best = i;
      bestDist = dist;
    }
  }
  return best;
}

void Edit::DoEvent(Event& event) {
  if (!IsEnabled()) return Label::DoEvent(event);
  switch (event.type) {
    case EventType::MouseEnter:
      hot_ = true;
      Invalidate();
      return;
    case EventType::MouseLeave:
      hot_ = false;
      Invalidate();
      return;
    case EventType::ButtonDown:
    case EventType::DoubleClick:
      SetFocus();
      caret_ = CaretFromX(event.pt.x);
      if (!(event.modifiers & kModShift)) anchor_ = caret_;
      if (event.type == EventType::DoubleClick) SetSel(0, text_.size());
      selecting_ = true;
      Invalidate();
      return;
    case EventType::MouseMove:
      if (selecting_) {
        caret_ = CaretFromX(event.pt.x);
        Invalidate();
      }
      return;
    case EventType::ButtonUp:
      selecting_ = false;
      return;
    case EventType::Char:
      ReplaceSel(event.text);
      return;
    case EventType::KeyDown: {
      const bool shift = event.modifiers & kModShift, ctrl = event.modifiers & kModControl;
      auto move = [&](size_t to) {
        caret_ = to;
        if (!shift) anchor_ = caret_;
        Invalidate();
      };
      switch (event.key) {
        case VK_LEFT:
          if (!shift && caret_ != anchor_) return move(GetSel().first);
          return move(caret_ > 0 ? caret_ - 1 : 0);
        case VK_RIGHT:
          if (!shift && caret_ != anchor_) return move(GetSel().second);
          return move(std::min(text_.size(), caret_ + 1));
        case VK_HOME:
          return move(0);
        case VK_END:
          return move(text_.size());
        case VK_BACK:
          if (readOnly_) return;
          if (caret_ == anchor_ && caret_ > 0) anchor_ = caret_ - 1;
          ReplaceSel(L"");
          return;
        case VK_DELETE:
          if (readOnly_) return;
          if (caret_ == anchor_ && caret_ < text_.size()) anchor_ = caret_ + 1;
          ReplaceSel(L"");
          return;
        case VK_A:
          if (ctrl) SetSel(0, text_.size());
          return;
        case VK_C:
        case VK_X:
          if (ctrl && !password_) {
            auto [s, e] = GetSel();
            if (e > s) CurrentBackend().SetClipboardText(text_.substr(s, e - s));
            if (event.key == VK_X) ReplaceSel(L"");
          }
          return;
        case VK_V:
          if (ctrl) ReplaceSel(CurrentBackend().GetClipboardText());
          return;
        case VK_RETURN:
          if (manager_) manager_->SendNotify(this, L"return");
          return;
        default:
          return;
      }
    }
    default:
      break;
  }
  Label::DoEvent(event);
}

void Edit::PaintStatusImage(Canvas& canvas) {
  if (!IsEnabled() && DrawImage(canvas, disabledImage_)) return;
  if (focused_ && DrawImage(canvas, focusedImage_)) return;
  if (hot_ && DrawImage(canvas, hotImage_)) return;
  if (DrawImage(canvas, normalImage_)) return;
  if (nativeBkColor_ >> 24) canvas.FillRect(pos_, nativeBkColor_);
}

void Edit::PaintText(Canvas& canvas) {
  if (!manager_) return;
  Rect box = pos_.Deflate(textPadding_);
  if (box.Empty()) return;
  std::wstring shown = password_ ? std::wstring(text_.size(), L'*') : text_;
  const FontSpec& font = manager_->GetFont(font_);
  auto widthOf = [&](size_t n) { return n == 0 ? 0 : ui::MeasureText(font, shown.substr(0, n)).cx; };
  // Scroll so that the caret stays inside the box.
  int caretX = widthOf(caret_);
  int scroll = std::max(0, caretX - box.Width() + 2);
  int lineHeight = ui::MeasureText(font, L"Ag").cy;
  int top = box.top + (box.Height() - lineHeight) / 2;
  Rect oldClip = canvas.Clip();
  canvas.SetClip(oldClip.Intersect(box));
  auto [s, e] = GetSel();
  if (focused_ && e > s) {
    canvas.FillRect(Rect{box.left - scroll + widthOf(s), top, box.left - scroll + widthOf(e), top + lineHeight},
                    0xFF9CC3F5);
  }
  Argb color = IsEnabled() ? textColor_ : disabledTextColor_;
  DrawText(canvas, Rect{box.left - scroll, box.top, box.right + 4096, box.bottom}, font, shown, color,
           DT_SINGLELINE | DT_VCENTER);
  if (focused_ && !readOnly_) {
    int x = box.left - scroll + caretX;
    canvas.FillRect(Rect{x, top, x + 1, top + lineHeight}, 0xFF333333);
  }
  canvas.SetClip(oldClip);
}

// ---------------------------------------------------------------- Combo

Combo::Combo() {
  textPadding_ = Rect{6, 0, 24, 0};
  textStyle_ = DT_SINGLELINE | DT_VCENTER;
}

void* Combo::GetInterface(std::wstring_view name) {
  if (Is(name, L"Combo")) return this;
  return Container::GetInterface(name);
}

void Combo::AddItem(const std::wstring& text) {
  auto item = std::make_unique<Label>();
  item->SetText(text);
  item->SetVisible(false);
  Add(std::move(item));
}

std::wstring Combo::GetItemText(int index) const {
  Control* item = GetItemAt(index);
  return item ? item->DisplayText() : std::wstring();
}

std::wstring Combo::GetText() const { return curSel_ >= 0 ? GetItemText(curSel_) : text_; }

bool Combo::SelectItem(int index, bool takeFocus, bool notify) {
  if (index < 0 || index >= GetCount()) return false;
  if (takeFocus) SetFocus();
  if (index == curSel_) return true;
  int old = curSel_;
  curSel_ = index;
  Invalidate();
  if (notify && manager_) manager_->SendNotify(this, L"itemselect", static_cast<WPARAM>(curSel_), old);
  return true;
}

void Combo::SetDropped(bool dropped) {
  if (dropped_ == dropped) return;
  dropped_ = dropped;
  hotItem_ = curSel_;
  if (manager_) manager_->SetDroppedCombo(dropped ? this : nullptr);
}

void Combo::SetAttribute(std::wstring_view name, std::wstring_view value) {
  if (Is(name, L"normalimage")) normalImage_ = value;
  else if (Is(name, L"hotimage")) hotImage_ = value;
  else if (Is(name, L"pushedimage")) pushedImage_ = value;
  else if (Is(name, L"disabledimage")) disabledImage_ = value;
  else if (Is(name, L"itemheight")) ParseInts(value, &itemHeight_, 1);
  else if (Is(name, L"itembkcolor")) ParseColor(value, itemBkColor_);
  else if (Is(name, L"itemhotbkcolor")) ParseColor(value, itemHotBkColor_);
  else if (Is(name, L"itemtextcolor")) ParseColor(value, itemTextColor_);
  else if (Is(name, L"selectedid")) {
    int n = -1;
    ParseInts(value, &n, 1);
    curSel_ = n;
  } else if (Is(name, L"align") || Is(name, L"valign")) {
  } else Container::SetAttribute(name, value);
}

void Combo::SetPos(const Rect& rect) { Control::SetPos(rect); }

Rect Combo::DropDownRect() const {
  int count = std::min(GetCount(), 10);
  int height = count * itemHeight_ + 2;
  Rect r{pos_.left, pos_.bottom, pos_.right, pos_.bottom + height};
  if (manager_ && r.bottom > manager_->GetClientSize().cy && pos_.top - height >= 0) {
    r = Rect{pos_.left, pos_.top - height, pos_.right, pos_.top};
  }
  return r;
}

int Combo::ItemAt(Point pt) const {
  Rect r = DropDownRect();
  if (!r.Contains(pt)) return -1;
  int index = (pt.y - r.top - 1) / std::max(1, itemHeight_);
  return index < GetCount() ? index : -1;
}

Control* Combo::FindControlAt(Point pt) {
  if (!IsVisible()) return nullptr;
  if (pos_.Contains(pt) || (dropped_ && DropDownRect().Contains(pt))) return this;
  return nullptr;
}

bool Combo::Activate() {
  if (!Control::Activate()) return false;
  SetDropped(!dropped_);
  return true;
}

void Combo::DoEvent(Event& event) {
  if (!IsEnabled()) return Control::DoEvent(event);
  switch (event.type) {
    case EventType::MouseEnter:
      hot_ = true;
      Invalidate();
      return;
    case EventType::MouseLeave:
      hot_ = false;
      Invalidate();
      return;
    case EventType::MouseMove:
      if (dropped_) {
        int item = ItemAt(event.pt);
        if (item != hotItem_) {
          hotItem_ = item;
          Invalidate();
        }
      }
      return;
    case EventType::ButtonDown:
      SetFocus();
      return;
    case EventType::ButtonUp:
      if (dropped_ && DropDownRect().Contains(event.pt)) {
        int item = ItemAt(event.pt);
        SetDropped(false);
        if (item >= 0) SelectItem(item);
      } else if (pos_.Contains(event.pt)) {
        Activate();
      }
      return;
    case EventType::KeyDown:
      if (event.key == VK_DOWN || event.key == VK_UP) {
        int next = curSel_ + (event.key == VK_DOWN ? 1 : -1);
        if (next >= 0 && next < GetCount()) SelectItem(next);
        return;
      }
      if (event.key == VK_RETURN || event.key == VK_SPACE) {
        if (dropped_ && hotItem_ >= 0) {
          int item = hotItem_;
          SetDropped(false);
          SelectItem(item);
        } else {
          Activate();
        }
        return;
      }
      if (event.key == VK_ESCAPE && dropped_) {
        SetDropped(false);
        return;
      }
      break;
    case EventType::KillFocus:
      SetDropped(false);
      break;
    default:
      break;
  }
  Control::DoEvent(event);
}

void Combo::Paint(Canvas& canvas, const Rect& dirty) {
  if (!IsVisible() || pos_.Intersect(dirty).Empty()) return;
  PaintBkColor(canvas);
  PaintBkImage(canvas);
  bool drawn = false;
  if (!IsEnabled()) drawn = DrawImage(canvas, disabledImage_);
  else if (dropped_) drawn = DrawImage(canvas, pushedImage_);
  else if (hot_) drawn = DrawImage(canvas, hotImage_);
  if (!drawn && !DrawImage(canvas, normalImage_)) {
    canvas.FillRect(pos_, 0xFFFFFFFF);
    canvas.DrawBorder(pos_, 1, hot_ || focused_ ? 0xFF3D8BF2 : 0xFFCCD3DD);
  }
  // The arrow: a small downward triangle at the right.
  int cx = pos_.right - 12, cy = pos_.top + pos_.Height() / 2 - 2;
  for (int i = 0; i < 4; ++i) canvas.FillRect(Rect{cx - 4 + i, cy + i, cx + 5 - i, cy + i + 1}, 0xFF666666);
  std::wstring text = GetText();
  if (!text.empty() && manager_) {
    DrawText(canvas, pos_.Deflate(textPadding_), manager_->GetFont(font_), text,
             IsEnabled() ? textColor_ : disabledTextColor_, textStyle_);
  }
  PaintBorder(canvas);
}

void Combo::PaintDropDown(Canvas& canvas) {
  if (!dropped_ || !manager_) return;
  Rect r = DropDownRect();
  Rect oldClip = canvas.Clip();
  canvas.SetClip(Rect{0, 0, canvas.Width(), canvas.Height()});
  canvas.FillRect(r, itemBkColor_);
  canvas.DrawBorder(r, 1, 0xFFCCD3DD);
  for (int i = 0; i < GetCount() && i < 10; ++i) {
    Rect item{r.left + 1, r.top + 1 + i * itemHeight_, r.right - 1, r.top + 1 + (i + 1) * itemHeight_};
    if (i == hotItem_) canvas.FillRect(item, itemHotBkColor_);
    DrawText(canvas, item.Deflate(Rect{textPadding_.left, 0, 4, 0}), manager_->GetFont(font_), GetItemText(i),
             itemTextColor_, DT_SINGLELINE | DT_VCENTER);
  }
  canvas.SetClip(oldClip);
}

}  // namespace ui
