#include "ui/DialogControls.h"

#include <algorithm>

#include "ui/Menu.h"

namespace velmora::ui {

namespace {

constexpr Color kSelectionGrey{200, 200, 196};

void sunkenField(Canvas& c, const Rect& r, bool enabled) {
  c.fill(r, enabled ? colors::kField : colors::kFace);
  c.edge(r, true);
}

}  // namespace

// ---- CheckBox

CheckBox::CheckBox(ControlOwner& owner, int id, Rect rect, std::string label)
    : Control(owner, id, rect), label_(std::move(label)) {}

void CheckBox::setChecked(bool on) {
  if (on == checked_) return;
  checked_ = on;
  invalidate();
}

void CheckBox::paint(Canvas& c) {
  const Rect r = rect();
  c.fill(r, colors::kFace);
  const int size = 13, top = r.top + (r.height() - size) / 2;
  const Rect box{r.left, top, r.left + size, top + size};
  sunkenField(c, box, enabled());
  const Color ink = enabled() ? colors::kText : colors::kGreyText;
  if (checked_) {
    // A tick of two strokes, two pixels thick.
    for (int d = 0; d < 2; ++d) {
      c.line({box.left + 3, box.top + 6 + d}, {box.left + 5, box.top + 8 + d}, ink);
      c.line({box.left + 5, box.top + 8 + d}, {box.left + 10, box.top + 3 + d}, ink);
    }
  }
  const Rect label{box.right + 5, r.top, r.right, r.bottom};
  c.text(label, label_, ink, Align::kLeft, FontStyle::kNormal);
  if (focused_) c.frame({label.left - 2, r.top, std::min(r.right, label.left + c.textWidth(label_, FontStyle::kNormal) + 3), r.bottom}, colors::kShadow);
}

bool CheckBox::mouseDown(Point, MouseButton button, unsigned) {
  if (!enabled() || button != MouseButton::kLeft) return false;
  setChecked(!checked_);
  notify(Notify::kClicked);
  return false;
}

bool CheckBox::key(int vk, unsigned mods) {
  if (vk != keys::kSpace || mods != kNoMods || !enabled()) return false;
  setChecked(!checked_);
  notify(Notify::kClicked);
  return true;
}

void CheckBox::setFocused(bool on) {
  focused_ = on;
  invalidate();
}

// ---- EditBox

EditBox::EditBox(ControlOwner& owner, int id, Rect rect, bool digits, std::size_t maxLength)
    : Control(owner, id, rect), digits_(digits), maxLength_(maxLength) {}

void EditBox::setText(std::string text) {
  text_ = std::move(text);
  invalidate();
}

void EditBox::paint(Canvas& c) {
  const Rect r = rect();
  sunkenField(c, r, enabled());
  const Rect area = textArea();
  const Rect inner{area.left + 4, area.top, area.right - 3, area.bottom};
  const Color ink = enabled() ? colors::kText : colors::kGreyText;
  if (focused_ && replace_ && !text_.empty()) {
    const int w = std::min(inner.width(), c.textWidth(text_, FontStyle::kNormal));
    c.fill({inner.left - 1, inner.top + 2, inner.left + w + 1, inner.bottom - 2}, colors::kAccent);
    c.text(inner, text_, colors::kAccentText, Align::kLeft, FontStyle::kNormal);
    return;
  }
  c.text(inner, text_, ink, Align::kLeft, FontStyle::kNormal);
  if (focused_) {
    const int x = std::min(inner.right - 1, inner.left + c.textWidth(text_, FontStyle::kNormal) + 1);
    c.line({x, inner.top + 3}, {x, inner.bottom - 4}, colors::kText);
  }
}

bool EditBox::mouseDown(Point, MouseButton button, unsigned) { return enabled() && button == MouseButton::kLeft; }

bool EditBox::key(int vk, unsigned mods) {
  if (!enabled() || mods & (kCtrl | kAlt)) return false;
  if (vk != keys::kBack) return false;
  if (replace_) text_.clear();
  else if (!text_.empty()) text_.pop_back();
  replace_ = false;
  invalidate();
  return true;
}

bool EditBox::character(char c) {
  if (!enabled() || static_cast<unsigned char>(c) < 0x20) return false;
  std::string next = replace_ ? std::string() : text_;
  const bool allowed = !digits_ || (c >= '0' && c <= '9') || (c == '-' && next.empty());
  if (!allowed || next.size() >= maxLength_) {
    owner_.services().beep();
    return true;
  }
  next += c;
  text_ = std::move(next);
  replace_ = false;
  invalidate();
  return true;
}

void EditBox::setFocused(bool on) {
  focused_ = on;
  replace_ = on;
  invalidate();
}

// ---- ComboEdit

ComboEdit::ComboEdit(ControlOwner& owner, int id, Rect rect) : EditBox(owner, id, rect, false, 255) {}

void ComboEdit::setItems(std::vector<std::string> items) {
  items_ = std::move(items);
  std::sort(items_.begin(), items_.end());
  items_.erase(std::unique(items_.begin(), items_.end()), items_.end());
}

void ComboEdit::addItem(const std::string& item) {
  if (contains(item)) return;
  items_.insert(std::upper_bound(items_.begin(), items_.end(), item), item);
}

void ComboEdit::removeItem(const std::string& item) { items_.erase(std::remove(items_.begin(), items_.end(), item), items_.end()); }

bool ComboEdit::contains(const std::string& item) const { return std::find(items_.begin(), items_.end(), item) != items_.end(); }

Rect ComboEdit::arrowArea() const {
  const Rect r = rect();
  return {r.right - r.height(), r.top, r.right, r.bottom};
}

Rect ComboEdit::textArea() const {
  const Rect r = rect();
  return {r.left, r.top, r.right - r.height(), r.bottom};
}

void ComboEdit::paint(Canvas& c) {
  EditBox::paint(c);
  const Rect a = arrowArea().inset(1);
  c.fill(a, colors::kFace);
  c.edge(a, false);
  const int cx = (a.left + a.right) / 2, cy = (a.top + a.bottom) / 2;
  c.polygon({{cx - 4, cy - 2}, {cx + 4, cy - 2}, {cx, cy + 2}}, enabled() ? colors::kText : colors::kGreyText);
}

bool ComboEdit::mouseDown(Point p, MouseButton button, unsigned mods) {
  if (!arrowArea().contains(p)) return EditBox::mouseDown(p, button, mods);
  if (!enabled() || button != MouseButton::kLeft || items_.empty()) return false;
  Menu menu;
  for (std::size_t i = 0; i < items_.size(); ++i)
    menu.appendItem(static_cast<std::uint32_t>(i + 1), items_[i], i > 0 && i % 24 == 0, items_[i] == text());
  const std::uint32_t chosen = owner_.services().trackMenu(menu, {rect().left, rect().bottom});
  if (chosen == 0 || chosen > items_.size()) return false;
  setText(items_[chosen - 1]);
  notify(Notify::kChanged);
  return false;
}

// ---- ReportList

ReportList::ReportList(ControlOwner& owner, int id, Rect rect, std::array<std::string, 2> headers)
    : Control(owner, id, rect), headers_(std::move(headers)) {}

void ReportList::clear() {
  rows_.clear();
  selection_ = -1;
  top_ = 0;
  invalidate();
}

void ReportList::addRow(std::string first, std::string second, int data) {
  rows_.push_back({{std::move(first), std::move(second)}, data});
  invalidate();
}

void ReportList::setText(int row, int column, std::string text) {
  if (row < 0 || row >= rowCount() || column < 0 || column > 1) return;
  rows_[static_cast<std::size_t>(row)].text[static_cast<std::size_t>(column)] = std::move(text);
  invalidate();
}

const std::string& ReportList::text(int row, int column) const {
  static const std::string none;
  if (row < 0 || row >= rowCount() || column < 0 || column > 1) return none;
  return rows_[static_cast<std::size_t>(row)].text[static_cast<std::size_t>(column)];
}

int ReportList::data(int row) const { return row < 0 || row >= rowCount() ? -1 : rows_[static_cast<std::size_t>(row)].data; }

int ReportList::visibleRows() const { return std::max(1, (rect().height() - 2 - kRowHeight) / kRowHeight); }

void ReportList::select(int row) {
  if (row < 0 || row >= rowCount()) return;
  selection_ = row;
  ensureVisible(row);
  invalidate();
}

void ReportList::ensureVisible(int row) {
  if (row < 0 || row >= rowCount()) return;
  if (row < top_) top_ = row;
  else if (row >= top_ + visibleRows()) top_ = row - visibleRows() + 1;
  invalidate();
}

void ReportList::paint(Canvas& c) {
  const Rect r = rect();
  sunkenField(c, r, enabled());
  const Rect inner = r.inset(1);
  ClipScope clip(c, inner);
  int first = firstWidth_;
  if (first < 0) {
    first = c.textWidth(headers_[0], FontStyle::kNormal);
    for (const Row& row : rows_) first = std::max(first, c.textWidth(row.text[0], FontStyle::kNormal));
    first += 12;
  }
  const int split = std::min(inner.left + first, inner.right - kScrollBar);
  // The header, raised, one cell per column.
  const Rect header{inner.left, inner.top, inner.right, inner.top + kRowHeight};
  const Rect cells[2] = {{inner.left, header.top, split, header.bottom}, {split, header.top, inner.right, header.bottom}};
  for (int i = 0; i < 2; ++i) {
    c.fill(cells[i], colors::kFace);
    c.edge(cells[i], false);
    c.text({cells[i].left + 5, cells[i].top, cells[i].right - 3, cells[i].bottom}, headers_[static_cast<std::size_t>(i)],
           colors::kText, Align::kLeft, FontStyle::kNormal);
  }
  const Color ink = enabled() ? colors::kText : colors::kGreyText;
  for (int row = top_; row < rowCount() && row < top_ + visibleRows(); ++row) {
    const int y = header.bottom + (row - top_) * kRowHeight;
    const Rect line{inner.left, y, inner.right - kScrollBar, y + kRowHeight};
    const bool selected = row == selection_;
    if (selected) c.fill(line, focused_ ? colors::kAccent : kSelectionGrey);
    const Color rowInk = selected && focused_ ? colors::kAccentText : ink;
    const Row& item = rows_[static_cast<std::size_t>(row)];
    c.text({line.left + 5, y, split - 3, y + kRowHeight}, item.text[0], rowInk, Align::kLeft, FontStyle::kNormal);
    c.text({split + 5, y, line.right - 3, y + kRowHeight}, item.text[1], rowInk, Align::kLeft, FontStyle::kNormal);
  }
  // The vertical scroll bar: a track and a thumb over the shown part.
  const Rect bar{inner.right - kScrollBar, header.bottom, inner.right, inner.bottom};
  c.fill(bar, Color{226, 224, 218});
  if (rowCount() > visibleRows()) {
    const int span = bar.height();
    const int thumbTop = bar.top + span * top_ / rowCount();
    const int thumbBottom = bar.top + span * std::min(rowCount(), top_ + visibleRows()) / rowCount();
    const Rect thumb{bar.left + 1, thumbTop, bar.right - 1, std::max(thumbTop + 6, thumbBottom)};
    c.fill(thumb, colors::kFace);
    c.edge(thumb, false);
  }
}

bool ReportList::mouseDown(Point p, MouseButton, unsigned) {
  if (!enabled()) return false;
  const int y = p.y - (rect().top + 1 + kRowHeight);
  if (y >= 0 && p.x < rect().right - 1 - kScrollBar) select(top_ + y / kRowHeight);
  return false;
}

void ReportList::wheel(int notches) {
  const int most = std::max(0, rowCount() - visibleRows());
  top_ = std::clamp(top_ - notches, 0, most);
  invalidate();
}

bool ReportList::key(int vk, unsigned mods) {
  if (!enabled() || mods != kNoMods) return false;
  switch (vk) {
    case keys::kUp: select(selection_ <= 0 ? 0 : selection_ - 1); return true;
    case keys::kDown: select(selection_ + 1 >= rowCount() ? rowCount() - 1 : selection_ + 1); return true;
    case keys::kAdd:
    case keys::kSubtract:
      if (selection_ >= 0) notify(vk == keys::kAdd ? Notify::kStepUp : Notify::kStepDown);
      return true;
    default: return false;
  }
}

void ReportList::setFocused(bool on) {
  focused_ = on;
  invalidate();
}

}  // namespace velmora::ui
