// The control tree: the base control, containers and layouts, and the standard
// controls the layouts use. Controls are owned by their parent container; the
// root is owned by the window's paint manager.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "ui/framework/canvas.h"
#include "ui/framework/geometry.h"
#include "ui/framework/messages.h"
#include "ui/framework/text_render.h"

namespace ui {

class PaintManager;
class Control;

// A notification from a control to its window.
struct Notification {
  std::wstring type;        // "click", "selectchanged", "tabselect", "timer", "itemselect", "windowinit", ...
  Control* sender = nullptr;
  uint64_t timestamp = 0;   // tick count when it was raised
  Point pt;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
};

enum class EventType {
  MouseMove,
  MouseEnter,
  MouseLeave,
  ButtonDown,
  ButtonUp,
  DoubleClick,
  KeyDown,
  Char,  // text typed or committed by an input method (`text`)
  SetFocus,
  KillFocus,
  Timer,  // wParam = timer id
};

inline constexpr uint32_t kModShift = 1, kModControl = 2;

struct Event {
  EventType type = EventType::MouseMove;
  Control* sender = nullptr;
  Point pt;
  uint32_t key = 0;        // virtual key for KeyDown
  uint32_t modifiers = 0;  // kModShift | kModControl
  std::wstring text;       // for Char
  WPARAM wParam = 0;
  LPARAM lParam = 0;
  uint64_t timestamp = 0;
};

class Control {
 public:
  Control();
  virtual ~Control();
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  // Class name and interface queries ("Control", "Label", "Button", ...).
  virtual std::wstring_view GetClass() const { return L"Control"; }
  virtual void* GetInterface(std::wstring_view name);

  const std::wstring& GetName() const { return name_; }
  void SetName(const std::wstring& name) { name_ = name; }

  // The text as set; DisplayText() has the language placeholders resolved.
  virtual std::wstring GetText() const { return text_; }
  virtual void SetText(const std::wstring& text);
  std::wstring DisplayText() const;
  const std::wstring& GetUserData() const { return userData_; }
  void SetUserData(const std::wstring& data) { userData_ = data; }
  const std::wstring& GetToolTip() const { return toolTip_; }

  virtual bool IsVisible() const { return visible_ && internVisible_; }
  virtual void SetVisible(bool visible);
  // Visibility imposed by a parent (hidden tab pages).
  virtual void SetInternVisible(bool visible);
  bool IsEnabled() const { return enabled_; }
  virtual void SetEnabled(bool enabled);
  bool IsFocused() const { return focused_; }
  void SetFocus();
  bool IsMouseEnabled() const { return mouseEnabled_; }
  virtual bool IsFocusable() const { return false; }
  bool IsFloat() const { return float_; }
  // Position of a floating control relative to its parent ("pos" attribute).
  const Rect& GetFloatPos() const { return xy_; }

  int GetFixedWidth() const { return fixedWidth_; }
  void SetFixedWidth(int width);
  int GetFixedHeight() const { return fixedHeight_; }
  void SetFixedHeight(int height);
  Rect GetPadding() const { return padding_; }
  const Rect& GetPos() const { return pos_; }
  virtual void SetPos(const Rect& rect);
  // Size wanted inside the available space (0 = take what the layout gives).
  virtual Size EstimateSize(Size available) const { return Size{fixedWidth_, fixedHeight_}; }

  const std::wstring& GetBkImage() const { return bkImage_; }
  void SetBkImage(const std::wstring& image);
  Argb GetBkColor() const { return bkColor_; }
  void SetBkColor(Argb color);

  // Font index of the window's font table (-1 = the default font).
  int GetFont() const { return font_; }
  void SetFont(int index);
  Argb GetTextColor() const { return textColor_; }
  void SetTextColor(Argb color);
  uint32_t GetTextStyle() const { return textStyle_; }
  Rect GetTextPadding() const { return textPadding_; }

  Control* GetParent() const { return parent_; }
  PaintManager* GetManager() const { return manager_; }
  virtual void SetManager(PaintManager* manager, Control* parent);

  // Requests a repaint of the control (redraw).
  void Invalidate();
  // Requests a new layout of the parent (size or visibility changed).
  void NeedParentUpdate();
  void NeedUpdate();

  // Layout attributes; unknown names are ignored.
  virtual void SetAttribute(std::wstring_view name, std::wstring_view value);
  // Every attribute as written in the layout (for window code that reads its own).
  std::wstring GetLayoutAttribute(std::wstring_view name) const;
  // Keeps an attribute as written in the layout (done by the layout builder).
  void NoteLayoutAttribute(std::wstring_view name, std::wstring_view value);

  // Called once after the whole tree is built and attached to a window.
  virtual void DoInit() {}
  virtual void DoEvent(Event& event);
  // Called for a click or a keyboard activation; false when it does nothing.
  virtual bool Activate();

  virtual void Paint(Canvas& canvas, const Rect& dirty);
  virtual void PaintBkColor(Canvas& canvas);
  virtual void PaintBkImage(Canvas& canvas);
  virtual void PaintStatusImage(Canvas& canvas) {}
  virtual void PaintText(Canvas& canvas) {}
  virtual void PaintBorder(Canvas& canvas);

  // Draws an image attribute ("name" or "file='name' corner='l,t,r,b' dest='...' source='...' fade='n'")
  // into the control; false when the image is missing.
  bool DrawImage(Canvas& canvas, const std::wstring& imageText);

  // The deepest visible, mouse-enabled control at the point, or null.
  virtual Control* FindControlAt(Point pt);
  // Calls the visitor for this control and every descendant (depth first).
  virtual void ForEach(const std::function<void(Control*)>& visit);

 protected:
  std::wstring name_, text_, userData_, toolTip_;
  PaintManager* manager_ = nullptr;
  Control* parent_ = nullptr;
  Rect pos_;
  Rect padding_;
  Rect xy_;  // "pos" of a floating control, relative to its parent
  int fixedWidth_ = 0, fixedHeight_ = 0;
  int minWidth_ = 0, maxWidth_ = 99999, minHeight_ = 0, maxHeight_ = 99999;
  bool visible_ = true, internVisible_ = true, enabled_ = true, focused_ = false;
  bool mouseEnabled_ = true, float_ = false;
  Argb bkColor_ = 0, borderColor_ = 0, textColor_ = 0xFF000000, disabledTextColor_ = 0xFFA7A6AA;
  int borderSize_ = 0, borderRound_ = 0;
  std::wstring bkImage_;
  int font_ = -1;
  uint32_t textStyle_ = DT_VCENTER | DT_SINGLELINE;
  Rect textPadding_;
  std::vector<std::pair<std::wstring, std::wstring>> attributes_;
};

// A control with children, all laid out over its whole inner area.
class Container : public Control {
 public:
  std::wstring_view GetClass() const override { return L"Container"; }
  void* GetInterface(std::wstring_view name) override;
  void Add(std::unique_ptr<Control> child);
  int GetCount() const { return static_cast<int>(children_.size()); }
  Control* GetItemAt(int index) const;
  int GetItemIndex(const Control* child) const;
  void SetManager(PaintManager* manager, Control* parent) override;
  void SetInternVisible(bool visible) override;
  void SetVisible(bool visible) override;
  void SetAttribute(std::wstring_view name, std::wstring_view value) override;
  void SetPos(const Rect& rect) override;
  void Paint(Canvas& canvas, const Rect& dirty) override;
  Control* FindControlAt(Point pt) override;
  void ForEach(const std::function<void(Control*)>& visit) override;
  Rect GetInset() const { return inset_; }

 protected:
  // Places the floating children inside the rectangle.
  void PlaceFloating(const Rect& inner);
  std::vector<std::unique_ptr<Control>> children_;
  Rect inset_;
  int childPadding_ = 0;
};

class VerticalLayout : public Container {
 public:
  std::wstring_view GetClass() const override { return L"VerticalLayout"; }
  void* GetInterface(std::wstring_view name) override;
  void SetPos(const Rect& rect) override;
};

class HorizontalLayout : public Container {
 public:
  std::wstring_view GetClass() const override { return L"HorizontalLayout"; }
  void* GetInterface(std::wstring_view name) override;
  void SetPos(const Rect& rect) override;
};

// Shows one child at a time.
class TabLayout : public Container {
 public:
  std::wstring_view GetClass() const override { return L"TabLayout"; }
  void* GetInterface(std::wstring_view name) override;
  int GetCurSel() const { return curSel_; }
  // Shows the item; sends "tabselect" (wParam new index, lParam old index)
  // when notifying. False for an index out of range.
  bool SelectItem(int index, bool notify = true);
  void SetAttribute(std::wstring_view name, std::wstring_view value) override;
  void DoInit() override;
  void SetPos(const Rect& rect) override;

 private:
  int curSel_ = 0;
};

class Label : public Control {
 public:
  Label();
  std::wstring_view GetClass() const override { return L"Label"; }
  void* GetInterface(std::wstring_view name) override;
  void SetAttribute(std::wstring_view name, std::wstring_view value) override;
  void PaintText(Canvas& canvas) override;
  Size EstimateSize(Size available) const override;

 protected:
  bool autoCalcWidth_ = false;
};

class Button : public Label {
 public:
  Button();
  std::wstring_view GetClass() const override { return L"Button"; }
  void* GetInterface(std::wstring_view name) override;
  bool IsFocusable() const override { return keyboardEnabled_; }
  void SetAttribute(std::wstring_view name, std::wstring_view value) override;
  void DoEvent(Event& event) override;
  bool Activate() override;
  void PaintStatusImage(Canvas& canvas) override;
  void PaintText(Canvas& canvas) override;
  void SetNormalImage(const std::wstring& image);
  bool IsHot() const { return hot_; }
  bool IsPushed() const { return pushed_; }

 protected:
  bool hot_ = false, pushed_ = false, keyboardEnabled_ = true;
  std::wstring normalImage_, hotImage_, pushedImage_, focusedImage_, disabledImage_, foreImage_, hotForeImage_;
  Argb hotTextColor_ = 0, pushedTextColor_ = 0, focusedTextColor_ = 0;
};

// A button with a selected state; buttons with the same "group" behave like
// option buttons (selecting one clears the others).
class CheckBox : public Button {
 public:
  std::wstring_view GetClass() const override { return L"CheckBox"; }
  void* GetInterface(std::wstring_view name) override;
  bool IsSelected() const { return selected_; }
  // Changes the state; sends "selectchanged" when notifying and the state changed.
  void Selected(bool selected, bool notify = true);
  bool GetCheck() const { return selected_; }
  void SetCheck(bool check, bool notify = true) { Selected(check, notify); }
  void SetAttribute(std::wstring_view name, std::wstring_view value) override;
  bool Activate() override;
  void PaintStatusImage(Canvas& canvas) override;
  void PaintText(Canvas& canvas) override;

 protected:
  bool selected_ = false;
  std::wstring group_, selectedImage_, selectedHotImage_, selectedPushedImage_;
  Argb selectedTextColor_ = 0;
};

class Progress : public Label {
 public:
  std::wstring_view GetClass() const override { return L"Progress"; }
  void* GetInterface(std::wstring_view name) override;
  int GetValue() const { return value_; }
  void SetValue(int value);
  int GetMinValue() const { return min_; }
  int GetMaxValue() const { return max_; }
  const std::wstring& GetForeImage() const { return foreImage_; }
  void SetForeImage(const std::wstring& image);
  bool IsStretchForeImage() const { return stretchFore_; }
  void SetAttribute(std::wstring_view name, std::wstring_view value) override;
  void PaintStatusImage(Canvas& canvas) override;

 private:
  int min_ = 0, max_ = 100, value_ = 0;
  bool horizontal_ = true, stretchFore_ = true;
  std::wstring foreImage_;
  Argb foreColor_ = 0;
};

// One-line text entry with caret, selection, clipboard and input-method text.
class Edit : public Label {
 public:
  Edit();
  std::wstring_view GetClass() const override { return L"Edit"; }
  void* GetInterface(std::wstring_view name) override;
  bool IsFocusable() const override { return true; }
  void SetText(const std::wstring& text) override;
  void SetAttribute(std::wstring_view name, std::wstring_view value) override;
  void DoEvent(Event& event) override;
  void PaintStatusImage(Canvas& canvas) override;
  void PaintText(Canvas& canvas) override;
  size_t GetCaret() const { return caret_; }
  // Selected range [start, end).
  std::pair<size_t, size_t> GetSel() const;
  void SetSel(size_t start, size_t end);
  void ReplaceSel(const std::wstring& text);
  bool IsReadOnly() const { return readOnly_; }
  void SetReadOnly(bool readOnly) { readOnly_ = readOnly; }
  size_t GetMaxChar() const { return maxChar_; }

 private:
  size_t CaretFromX(int x) const;
  size_t caret_ = 0, anchor_ = 0;
  size_t maxChar_ = 255;
  bool readOnly_ = false, password_ = false, selecting_ = false;
  std::wstring normalImage_, hotImage_, focusedImage_, disabledImage_;
  Argb nativeBkColor_ = 0xFFFFFFFF;
  bool hot_ = false;
};

// A drop-down list of text items. The list opens over the window's content.
class Combo : public Container {
 public:
  Combo();
  std::wstring_view GetClass() const override { return L"Combo"; }
  void* GetInterface(std::wstring_view name) override;
  bool IsFocusable() const override { return true; }
  int GetCurSel() const { return curSel_; }
  // Selects an item; sends "itemselect" (wParam new, lParam old) when notifying
  // and the selection changed. Does not take the focus unless asked.
  bool SelectItem(int index, bool takeFocus = false, bool notify = true);
  // Adds an item with a text (a Label child).
  void AddItem(const std::wstring& text);
  std::wstring GetItemText(int index) const;
  std::wstring GetText() const override;
  bool IsDropped() const { return dropped_; }
  void SetDropped(bool dropped);
  void SetAttribute(std::wstring_view name, std::wstring_view value) override;
  void SetPos(const Rect& rect) override;
  void DoEvent(Event& event) override;
  bool Activate() override;
  void Paint(Canvas& canvas, const Rect& dirty) override;
  // The drop-down list, painted over everything else.
  void PaintDropDown(Canvas& canvas);
  Rect DropDownRect() const;
  Control* FindControlAt(Point pt) override;
  int ItemAt(Point pt) const;

 private:
  int curSel_ = -1, hotItem_ = -1;
  int itemHeight_ = 24;
  bool dropped_ = false, hot_ = false;
  std::wstring normalImage_, hotImage_, pushedImage_, disabledImage_;
  Argb itemBkColor_ = 0xFFFFFFFF, itemHotBkColor_ = 0xFFE5F1FB, itemTextColor_ = 0xFF333333;
};

// Reads an attribute value as a bool: "true" (any case) is true.
bool ParseBool(std::wstring_view value);

}  // namespace ui
