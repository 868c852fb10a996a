#include "ui/DialogWindow.h"

#include <algorithm>

#include "ui/DialogControls.h"

namespace velmora::ui {

DialogWindow::DialogWindow(WindowServices& services, std::string title, int width, int height)
    : services_(services), title_(std::move(title)), width_(width), height_(height) {}

DialogWindow::~DialogWindow() = default;

void DialogWindow::paint(Canvas& c) {
  c.fill(bounds(), colors::kFace);
  for (const auto& [r, caption] : groups_) {
    // An etched frame whose top line is broken by the caption.
    const int mid = r.top + 7;
    const Rect frame{r.left, mid, r.right, r.bottom};
    c.frame(frame.offset(1, 1), colors::kLight);
    c.frame(frame, colors::kShadow);
    const int w = c.textWidth(caption, FontStyle::kNormal);
    c.fill({r.left + 6, r.top, r.left + 12 + w, r.top + 15}, colors::kFace);
    c.text({r.left + 9, r.top, r.left + 12 + w, r.top + 15}, caption, colors::kText, Align::kLeft, FontStyle::kNormal);
  }
  for (const auto& control : controls_) control->paint(c);
}

Control* DialogWindow::control(int id) {
  for (const auto& control : controls_)
    if (control->id() == id) return control.get();
  return nullptr;
}

Control* DialogWindow::controlAt(Point p) {
  for (auto it = controls_.rbegin(); it != controls_.rend(); ++it)
    if ((*it)->rect().contains(p)) return it->get();
  return nullptr;
}

void DialogWindow::setFocus(Control* control) {
  if (control == focused_) return;
  if (focused_) {
    focused_->focusLost();
    if (auto* f = dynamic_cast<Focusable*>(focused_)) f->setFocused(false);
  }
  focused_ = control;
  if (auto* f = dynamic_cast<Focusable*>(focused_)) f->setFocused(true);
}

void DialogWindow::mouseDown(Point p, MouseButton button, unsigned mods) {
  Control* target = controlAt(p);
  if (!target || !target->enabled()) return;
  if (dynamic_cast<Focusable*>(target)) setFocus(target);
  if (target->mouseDown(p, button, mods)) captured_ = target;
}

void DialogWindow::mouseMove(Point p) {
  if (captured_) captured_->mouseMove(p);
}

void DialogWindow::mouseUp(Point p) {
  Control* target = captured_;
  captured_ = nullptr;
  if (target) target->mouseUp(p);
}

void DialogWindow::doubleClick(Point p) {
  if (Control* target = controlAt(p); target && target->enabled() && target->doubleClick(p, kNoMods)) captured_ = target;
}

void DialogWindow::wheel(Point p, int notches) {
  if (Control* target = controlAt(p); target && target->enabled()) target->wheel(notches);
}

bool DialogWindow::key(int vk, unsigned mods) {
  if (focused_ && focused_->key(vk, mods)) return true;
  if (mods != kNoMods && mods != kShift) return false;
  switch (vk) {
    case keys::kReturn: ok(); return true;
    case keys::kEscape: cancel(); return true;
    case keys::kTab: {
      // The next (Shift: previous) enabled control that takes the focus, in the order added.
      std::vector<Control*> ring;
      for (const auto& control : controls_)
        if (control->enabled() && dynamic_cast<Focusable*>(control.get())) ring.push_back(control.get());
      if (ring.empty()) return true;
      const auto at = std::find(ring.begin(), ring.end(), focused_);
      const auto n = static_cast<std::ptrdiff_t>(ring.size());
      std::ptrdiff_t i = at == ring.end() ? 0 : (at - ring.begin()) + (mods == kShift ? n - 1 : 1);
      setFocus(ring[static_cast<std::size_t>(i % n)]);
      return true;
    }
    default: return false;
  }
}

bool DialogWindow::character(char c) { return focused_ && focused_->character(c); }

}  // namespace velmora::ui
