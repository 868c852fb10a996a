#include "ui/Controls.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <utility>

namespace velmora::ui {

namespace {

int clampTo(int v, int low, int high) { return std::min(std::max(v, low), high); }

// Value of position `pos` along [from, to] mapped onto [low, high], rounded to nearest.
int mapPosition(int pos, int from, int to, int low, int high) {
  if (to <= from) return low;
  const long long span = static_cast<long long>(high - low) * (clampTo(pos, from, to) - from);
  const long long length = to - from;
  return low + static_cast<int>((span * 2 + length) / (2 * length));
}

void thumb(Canvas& c, const Rect& r, bool active) {
  c.fill(r, active ? colors::kAccent : colors::kFace);
  c.edge(r, false);
}

}  // namespace

int readInt(const std::string& text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  long long v = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    v = v * 10 + (text[i] - '0');
    if (v > INT_MAX) {
      v = static_cast<long long>(INT_MAX) + (negative ? 1 : 0);
      break;
    }
  }
  return static_cast<int>(negative ? -v : v);
}

// ---- Button

Button::Button(ControlOwner& owner, int id, Rect rect, std::string label, Style style)
    : Control(owner, id, rect), label_(std::move(label)), style_(style) {}

void Button::setLabel(std::string label) {
  if (label == label_) return;
  label_ = std::move(label);
  invalidate();
}

void Button::setChecked(bool on) {
  if (on == checked_) return;
  checked_ = on;
  invalidate();
}

void Button::paint(Canvas& c) {
  const Rect r = rect();
  const bool sunken = pressed_ || (style_ == Style::kToggle && checked_);
  if (style_ == Style::kField) {
    c.fill(r, colors::kField);
    c.edge(r, true);
  } else if (style_ == Style::kPad && checked_) {
    c.fill(r, colors::kAccent);
    c.edge(r, true);
  } else {
    c.fill(r, sunken ? Color{196, 192, 184} : colors::kFace);
    c.edge(r, sunken);
  }
  if (picture_) {
    picture_(c, r, sunken, checked_);
    return;
  }
  const Color ink = !enabled() ? colors::kGreyText : (style_ == Style::kPad && checked_) ? colors::kAccentText : colors::kText;
  const Rect inner = style_ == Style::kField ? Rect{r.left + 4, r.top, r.right - 3, r.bottom} : r.offset(sunken ? 1 : 0, sunken ? 1 : 0);
  c.text(inner, label_, ink, style_ == Style::kField ? Align::kLeft : Align::kCenter,
         style_ == Style::kPad ? FontStyle::kBold : FontStyle::kNormal);
}

bool Button::mouseDown(Point, MouseButton button, unsigned mods) {
  if (!enabled() || (button == MouseButton::kRight && !rightClicks_)) return false;
  lastButton_ = button;
  lastMods_ = mods;
  pressed_ = true;
  invalidate();
  return true;
}

void Button::mouseMove(Point p) {
  const bool inside = rect().contains(p);
  if (inside == pressed_) return;
  pressed_ = inside;
  invalidate();
}

void Button::mouseUp(Point p) {
  pressed_ = false;
  invalidate();
  if (rect().contains(p)) notify(Notify::kClicked);
}

// ---- Label

Label::Label(ControlOwner& owner, int id, Rect rect, std::string text, Align align, FontStyle style, bool sunken)
    : Control(owner, id, rect), text_(std::move(text)), align_(align), style_(style), sunken_(sunken) {}

void Label::setText(std::string text) {
  if (text == text_) return;
  text_ = std::move(text);
  invalidate();
}

void Label::paint(Canvas& c) {
  Rect r = rect();
  c.fill(r, colors::kFace);
  if (sunken_) {
    c.edge(r, true);
    r = {r.left + 4, r.top, r.right - 4, r.bottom};
  }
  c.text(r, text_, enabled() ? colors::kText : colors::kGreyText, align_, style_);
}

// ---- VSlider

namespace {
constexpr int kLabelHeight = 16, kThumbHeight = 8;
}

VSlider::VSlider(ControlOwner& owner, int id, Rect rect, std::string label, int low, int high)
    : Control(owner, id, rect), label_(std::move(label)), low_(low), high_(high), value_(low) {}

void VSlider::setValue(int value) {
  value = clampTo(value, low_, high_);
  if (value == value_) return;
  value_ = value;
  invalidate();
}

Rect VSlider::track() const {
  const Rect r = rect();
  return {r.left, r.top + (label_.empty() ? 0 : kLabelHeight) + kThumbHeight / 2, r.right, r.bottom - kThumbHeight / 2};
}

void VSlider::paint(Canvas& c) {
  const Rect r = rect();
  c.fill(r, colors::kFace);
  if (!label_.empty()) c.text({r.left - 8, r.top, r.right + 8, r.top + kLabelHeight}, label_, colors::kText, Align::kCenter, FontStyle::kSmall);
  const Rect t = track();
  const int mid = (t.left + t.right) / 2;
  const Rect groove{mid - 2, t.top, mid + 2, t.bottom};
  c.fill(groove, colors::kField);
  c.edge(groove, true);
  // Ticks at the ends and the middle.
  for (int k = 0; k <= 4; ++k) {
    const int y = t.bottom - (t.bottom - t.top) * k / 4;
    c.line({t.left + 1, y}, {t.left + (k % 2 ? 3 : 5), y}, colors::kShadow);
  }
  const int y = t.bottom - mapPosition(value_, low_, high_, 0, t.bottom - t.top);
  thumb(c, {t.left + 2, y - kThumbHeight / 2, t.right - 2, y + kThumbHeight / 2}, dragging_);
}

void VSlider::moveTo(Point p) {
  const Rect t = track();
  const int v = mapPosition(t.bottom - p.y, 0, t.bottom - t.top, low_, high_);
  if (v == value_) return;
  value_ = v;
  invalidate();
  notify(Notify::kTrack);
}

bool VSlider::mouseDown(Point p, MouseButton button, unsigned) {
  if (!enabled() || button != MouseButton::kLeft) return false;
  dragging_ = true;
  invalidate();
  moveTo(p);
  return true;
}

void VSlider::mouseMove(Point p) {
  if (dragging_) moveTo(p);
}

void VSlider::mouseUp(Point) {
  if (!dragging_) return;
  dragging_ = false;
  invalidate();
  notify(Notify::kEndTrack);
}

void VSlider::wheel(int notches) {
  const int v = clampTo(value_ + notches, low_, high_);
  if (v == value_) return;
  value_ = v;
  invalidate();
  notify(Notify::kTrack);
  notify(Notify::kEndTrack);
}

// ---- HumanizeSlider

namespace {

Rect amountRect(Rect r) { return {r.left, r.top, r.right - 16, r.bottom}; }
Rect trendRect(Rect r) { return {r.right - 14, r.top + kLabelHeight, r.right, r.bottom}; }

}  // namespace

HumanizeSlider::HumanizeSlider(ControlOwner& owner, int id, int trendId, Rect rect, std::string label)
    : Control(owner, id, rect),
      amount_(owner, id, amountRect(rect), std::move(label), 0, 127),
      trend_(owner, trendId, trendRect(rect), "", -100, 100) {}

std::string HumanizeSlider::tooltipAt(Point p) const {
  return trend_.rect().contains(p) ? trend_.tooltip() : amount_.tooltip();
}

void HumanizeSlider::paint(Canvas& c) {
  c.fill(rect(), colors::kFace);
  amount_.paint(c);
  trend_.paint(c);
  // The tendency's middle mark.
  const Rect t = trend_.track();
  const int mid = (t.top + t.bottom) / 2;
  c.line({t.right - 3, mid}, {t.right, mid}, colors::kDark);
}

bool HumanizeSlider::mouseDown(Point p, MouseButton button, unsigned mods) {
  active_ = trend_.rect().contains(p) ? &trend_ : amount_.rect().contains(p) ? &amount_ : nullptr;
  return active_ && active_->mouseDown(p, button, mods);
}

void HumanizeSlider::mouseMove(Point p) {
  if (active_) active_->mouseMove(p);
}

void HumanizeSlider::mouseUp(Point p) {
  if (active_) active_->mouseUp(p);
  active_ = nullptr;
}

// ---- Pad2D

Pad2D::Pad2D(ControlOwner& owner, int id, Rect rect, std::string label, int xLow, int xHigh, int yLow, int yHigh)
    : Control(owner, id, rect), label_(std::move(label)), xLow_(xLow), xHigh_(xHigh), yLow_(yLow), yHigh_(yHigh),
      x_(xLow), y_(yLow) {}

Rect Pad2D::area() const {
  const Rect r = rect();
  return {r.left, r.top + kLabelHeight, r.right, r.bottom};
}

void Pad2D::setValues(int x, int y) {
  x = clampTo(x, xLow_, xHigh_);
  y = clampTo(y, yLow_, yHigh_);
  if (x == x_ && y == y_) return;
  x_ = x;
  y_ = y;
  invalidate();
}

void Pad2D::paint(Canvas& c) {
  const Rect r = rect();
  c.fill(r, colors::kFace);
  c.text({r.left, r.top, r.right, r.top + kLabelHeight}, label_, colors::kText, Align::kCenter, FontStyle::kSmall);
  const Rect a = area();
  c.fill(a, colors::kField);
  c.edge(a, true);
  const Rect in = a.inset(3);
  // Grid: quarters, the zero lines darker.
  for (int k = 1; k < 4; ++k) {
    const int gx = in.left + in.width() * k / 4, gy = in.top + in.height() * k / 4;
    c.line({gx, in.top}, {gx, in.bottom - 1}, Color{222, 220, 214});
    c.line({in.left, gy}, {in.right - 1, gy}, Color{222, 220, 214});
  }
  const int zx = in.left + mapPosition(0, xLow_, xHigh_, 0, in.width() - 1);
  const int zy = in.bottom - 1 - mapPosition(0, yLow_, yHigh_, 0, in.height() - 1);
  if (xLow_ < 0) c.line({zx, in.top}, {zx, in.bottom - 1}, colors::kGreyText);
  if (yLow_ < 0) c.line({in.left, zy}, {in.right - 1, zy}, colors::kGreyText);
  const int px = in.left + mapPosition(x_, xLow_, xHigh_, 0, in.width() - 1);
  const int py = in.bottom - 1 - mapPosition(y_, yLow_, yHigh_, 0, in.height() - 1);
  c.line({px, in.top}, {px, in.bottom - 1}, Color{150, 170, 205});
  c.line({in.left, py}, {in.right - 1, py}, Color{150, 170, 205});
  c.fill({px - 3, py - 3, px + 4, py + 4}, dragging_ ? colors::kFocus : colors::kAccent);
}

void Pad2D::moveTo(Point p) {
  const Rect in = area().inset(3);
  const int x = mapPosition(p.x, in.left, in.right - 1, xLow_, xHigh_);
  const int y = mapPosition(in.bottom - 1 - p.y, 0, in.height() - 1, yLow_, yHigh_);
  if (x == x_ && y == y_) return;
  x_ = x;
  y_ = y;
  invalidate();
  notify(Notify::kTrack);
}

bool Pad2D::mouseDown(Point p, MouseButton button, unsigned) {
  if (!enabled() || button != MouseButton::kLeft || !area().contains(p)) return false;
  dragging_ = true;
  moveTo(p);
  return true;
}

void Pad2D::mouseMove(Point p) {
  if (dragging_) moveTo(p);
}

void Pad2D::mouseUp(Point) {
  if (!dragging_) return;
  dragging_ = false;
  invalidate();
  notify(Notify::kEndTrack);
}

// ---- DropList

DropList::DropList(ControlOwner& owner, int id, Rect rect) : Control(owner, id, rect) {}

void DropList::setItems(const std::vector<std::string>& items) {
  items_ = items;
  selection_ = -1;
  invalidate();
}

void DropList::addItem(const std::string& name) {
  items_.push_back(name);
  invalidate();
}

void DropList::clear() { setItems({}); }

void DropList::select(int index) {
  selection_ = index >= 0 && index < static_cast<int>(items_.size()) ? index : -1;
  invalidate();
}

bool DropList::selectedText(std::string& text) const {
  if (selection_ < 0) return false;
  text = items_[static_cast<std::size_t>(selection_)];
  return true;
}

void DropList::setPlaceholder(std::string text) {
  placeholder_ = std::move(text);
  invalidate();
}

const std::string& DropList::shownText() const {
  return selection_ >= 0 ? items_[static_cast<std::size_t>(selection_)] : placeholder_;
}

void DropList::setImages(const ImageStrip* strip, std::function<int(const std::string&)> cellOf) {
  images_ = strip;
  cellOf_ = std::move(cellOf);
}

std::string DropList::tooltip() const {
  if (textTooltip_ && !shownText().empty()) return shownText();
  return Control::tooltip();
}

void DropList::paint(Canvas& c) {
  const Rect r = rect();
  c.fill(r, colors::kField);
  c.edge(r, true);
  const bool narrow = r.width() < 30;  // the stroke-limit lists: a smaller arrow leaves room for two digits
  const int arrowLeft = r.right - (narrow ? 7 : 9);
  Rect textRect{r.left + (narrow ? 2 : 3), r.top, arrowLeft, r.bottom};
  if (images_ && cellOf_ && !shownText().empty()) {
    const int cell = cellOf_(shownText());
    if (cell >= 0) {
      const int w = images_->cellWidth(), h = images_->cellHeight();
      ClipScope clip(c, r.inset(1));
      c.image(*images_, cell, {r.left + 1 + std::max(0, (arrowLeft - r.left - 1 - w) / 2), r.top + (r.height() - h) / 2});
      textRect = {};
    }
  }
  if (!textRect.empty())
    c.text(textRect, shownText(), enabled() ? colors::kText : colors::kGreyText, Align::kLeft,
           r.height() < 18 || narrow ? FontStyle::kSmall : FontStyle::kNormal);
  // The drop arrow.
  const int cy = (r.top + r.bottom) / 2;
  const int w = narrow ? 4 : 6;
  c.polygon({{arrowLeft, cy - w / 3}, {arrowLeft + w, cy - w / 3}, {arrowLeft + w / 2, cy + w / 3 + 1}},
            enabled() ? colors::kDark : colors::kGreyText);
}

void DropList::choose(int index) {
  if (index < 0 || index >= static_cast<int>(items_.size())) return;
  select(index);
  notify(Notify::kChanged);
}

bool DropList::mouseDown(Point, MouseButton button, unsigned) {
  if (!enabled() || button != MouseButton::kLeft || items_.empty()) return false;
  Menu menu;
  for (std::size_t i = 0; i < items_.size(); ++i)
    menu.appendItem(static_cast<std::uint32_t>(i + 1), items_[i], i > 0 && i % 24 == 0, static_cast<int>(i) == selection_);
  const std::uint32_t chosen = owner_.services().trackMenu(menu, {rect().left, rect().bottom});
  if (chosen != 0) choose(static_cast<int>(chosen) - 1);
  return false;  // the menu ran its own loop: nothing more to follow
}

bool DropList::key(int vk, unsigned mods) {
  if (mods != kNoMods || (vk != keys::kAdd && vk != keys::kSubtract) || items_.empty()) return false;
  const bool plus = (vk == keys::kAdd) != swapPlusMinus_;
  const int last = static_cast<int>(items_.size()) - 1;
  const int next = selection_ < 0 ? (plus ? 0 : last) : clampTo(selection_ + (plus ? 1 : -1), 0, last);
  if (next != selection_) choose(next);
  return true;
}

// ---- DragHandle

DragHandle::DragHandle(ControlOwner& owner, int id, Rect rect, std::string label)
    : Control(owner, id, rect), label_(std::move(label)) {}

void DragHandle::paint(Canvas& c) {
  const Rect r = rect();
  c.fill(r, colors::kFace);
  c.edge(r, false);
  // Grip: a field of raised dots above the label.
  const int rows = std::max(1, (r.height() - 20) / 5);
  for (int row = 0; row < rows; ++row)
    for (int x = r.left + 6; x + 2 < r.right - 4; x += 5) {
      const int y = r.top + 5 + row * 5;
      c.fill({x, y, x + 2, y + 2}, colors::kLight);
      c.fill({x + 1, y + 1, x + 3, y + 3}, colors::kShadow);
    }
  c.text({r.left, r.bottom - 16, r.right, r.bottom - 2}, label_, colors::kText, Align::kCenter, FontStyle::kSmall);
}

bool DragHandle::mouseDown(Point p, MouseButton button, unsigned) {
  if (!enabled() || button != MouseButton::kLeft) return false;
  start_ = p;
  armed_ = true;
  return true;
}

void DragHandle::mouseMove(Point p) {
  if (!armed_ || (std::abs(p.x - start_.x) < 4 && std::abs(p.y - start_.y) < 4)) return;
  armed_ = false;
  notify(Notify::kDrag);
}

void DragHandle::mouseUp(Point) { armed_ = false; }

// ---- NumberField

NumberField::NumberField(ControlOwner& owner, int id, Rect rect) : Control(owner, id, rect) {}

void NumberField::setText(std::string text) {
  if (text == text_) return;
  text_ = std::move(text);
  invalidate();
}

void NumberField::paint(Canvas& c) {
  const Rect r = rect();
  c.fill(r, editing_ ? colors::kLight : colors::kField);
  c.edge(r, true);
  const Rect inner{r.left + 2, r.top, r.right - 3, r.bottom};
  if (editing_ && selectedAll_) {
    const int w = std::min(inner.width(), c.textWidth(edit_, FontStyle::kNormal) + 2);
    c.fill({inner.right - w, r.top + 3, inner.right, r.bottom - 3}, colors::kAccent);
    c.text(inner, edit_, colors::kAccentText, Align::kRight, FontStyle::kNormal);
  } else {
    c.text(inner, editing_ ? edit_ : text_, colors::kText, Align::kRight, FontStyle::kNormal);
  }
}

bool NumberField::mouseDown(Point, MouseButton button, unsigned) { return enabled() && button == MouseButton::kLeft; }

bool NumberField::doubleClick(Point, unsigned) {
  if (!enabled() || text_.empty()) return false;
  editing_ = true;
  selectedAll_ = true;
  edit_ = text_;
  invalidate();
  return false;
}

void NumberField::step(int delta) {
  const long long v = static_cast<long long>(readInt(edit_)) + delta;
  edit_ = std::to_string(clampTo(static_cast<int>(std::clamp<long long>(v, INT_MIN, INT_MAX)), INT_MIN, INT_MAX));
  selectedAll_ = false;
  invalidate();
}

void NumberField::apply() {
  editing_ = false;
  editValue_ = readInt(edit_);
  invalidate();
  notify(Notify::kEdited);
}

void NumberField::wheel(int notches) {
  if (editing_ && notches != 0) step(notches);
}

bool NumberField::key(int vk, unsigned mods) {
  if (!editing_) {
    if (mods != kNoMods || !enabled() || text_.empty()) return false;
    if (vk == keys::kAdd) notify(Notify::kStepUp);
    else if (vk == keys::kSubtract) notify(Notify::kStepDown);
    else return false;
    return true;
  }
  switch (vk) {
    case keys::kUp:
    case keys::kAdd: step(1); return true;
    case keys::kDown:
    case keys::kSubtract: step(-1); return true;
    case keys::kReturn: apply(); return true;
    case keys::kEscape:
      editing_ = false;
      invalidate();
      return true;
    case keys::kBack:
      if (selectedAll_) edit_.clear();
      else if (!edit_.empty()) edit_.pop_back();
      selectedAll_ = false;
      invalidate();
      return true;
    default: return true;  // the box keeps every other key; characters arrive separately
  }
}

bool NumberField::character(char ch) {
  if (!editing_) return false;
  if ((ch >= '0' && ch <= '9') || ch == '+' || ch == '-') {
    if (selectedAll_) edit_.clear();
    selectedAll_ = false;
    if (edit_.size() < 12) edit_ += ch;
    invalidate();
  } else {
    owner_.services().beep();
  }
  return true;
}

void NumberField::focusLost() {
  if (editing_) apply();
}

}  // namespace velmora::ui
