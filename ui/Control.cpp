#include "ui/Control.h"

namespace velmora::ui {

void Control::setEnabled(bool on) {
  if (on == enabled_) return;
  enabled_ = on;
  invalidate();
}

std::string tipTitle(const std::string& tip) { return tip.substr(0, tip.find('\n')); }

std::string tipDescription(const std::string& tip) {
  const std::size_t at = tip.find('\n');
  return at == std::string::npos ? std::string() : tip.substr(at + 1);
}

void Canvas::edge(const Rect& r, bool sunken) {
  const Color topLeft = sunken ? colors::kShadow : colors::kLight;
  const Color bottomRight = sunken ? colors::kLight : colors::kShadow;
  line({r.left, r.top}, {r.right - 1, r.top}, topLeft);
  line({r.left, r.top}, {r.left, r.bottom - 1}, topLeft);
  line({r.left, r.bottom - 1}, {r.right - 1, r.bottom - 1}, bottomRight);
  line({r.right - 1, r.top}, {r.right - 1, r.bottom - 1}, bottomRight);
}

}  // namespace velmora::ui
