#include "ui/Tooltip.h"

#include <algorithm>

namespace velmora::ui {

void paintTooltip(Canvas& canvas, const std::string& tip, const Rect& area, const Rect& bounds) {
  constexpr Color kFace{255, 255, 225}, kFrame{90, 90, 90}, kInk{20, 20, 20};
  constexpr int kHeight = 18;
  const std::string first = tip.substr(0, tip.find('\n'));
  if (first.empty()) return;
  const int width = canvas.textWidth(first, FontStyle::kNormal) + 10;
  const int left = std::clamp(area.left, bounds.left, std::max(bounds.left, bounds.right - width));
  int top = area.bottom + 2;
  if (top + kHeight > bounds.bottom) top = std::max(bounds.top, area.top - kHeight - 2);
  const Rect box{left, top, left + width, top + kHeight};
  canvas.fill(box, kFace);
  canvas.frame(box, kFrame);
  canvas.text({box.left + 5, box.top, box.right - 2, box.bottom}, first, kInk, Align::kLeft, FontStyle::kNormal);
}

}  // namespace velmora::ui
