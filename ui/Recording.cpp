#include "ui/Recording.h"

#include <algorithm>

#include "ui/DialogWindow.h"

namespace velmora::ui {

void RecordingCanvas::fill(const Rect& r, Color c) { ops_.push_back({Op::kFill, r, c, {}, -1}); }
void RecordingCanvas::frame(const Rect& r, Color c) { ops_.push_back({Op::kFrame, r, c, {}, -1}); }
void RecordingCanvas::line(Point a, Point b, Color c) { ops_.push_back({Op::kLine, {a.x, a.y, b.x, b.y}, c, {}, -1}); }

void RecordingCanvas::polygon(const std::vector<Point>& points, Color c) {
  Rect bounds;
  if (!points.empty()) bounds = {points[0].x, points[0].y, points[0].x, points[0].y};
  for (const Point& p : points)
    bounds = {std::min(bounds.left, p.x), std::min(bounds.top, p.y), std::max(bounds.right, p.x + 1), std::max(bounds.bottom, p.y + 1)};
  ops_.push_back({Op::kPolygon, bounds, c, {}, -1});
}

void RecordingCanvas::text(const Rect& r, const std::string& text, Color c, Align, FontStyle) {
  ops_.push_back({Op::kText, r, c, text, -1});
}

int RecordingCanvas::textWidth(const std::string& text, FontStyle) { return static_cast<int>(text.size()) * 6; }
void RecordingCanvas::pushClip(const Rect& r) { clips_.push_back(r); }
void RecordingCanvas::popClip() {
  if (!clips_.empty()) clips_.pop_back();
}

void RecordingCanvas::image(const ImageStrip& strip, int cell, Point at) {
  ops_.push_back({Op::kImage, {at.x, at.y, at.x + strip.cellWidth(), at.y + strip.cellHeight()}, {}, {}, cell});
}

std::vector<std::string> RecordingCanvas::texts() const {
  std::vector<std::string> out;
  for (const Op& op : ops_)
    if (op.kind == Op::kText) out.push_back(op.text);
  return out;
}

bool RecordingCanvas::drewText(const std::string& text, const Rect& within) const {
  for (const Op& op : ops_)
    if (op.kind == Op::kText && op.text == text &&
        (within.empty() || (within.contains({op.rect.left, op.rect.top}) && op.rect.right <= within.right && op.rect.bottom <= within.bottom)))
      return true;
  return false;
}

void RecordingServices::invalidate(const Rect&) { ++invalidations; }

std::uint32_t RecordingServices::trackMenu(const Menu& menu, Point) {
  menus.push_back(menu);
  if (menuChoices.empty()) return 0;
  const std::uint32_t choice = menuChoices.front();
  menuChoices.pop_front();
  return choice;
}

void RecordingServices::runModal(DialogWindow& dialog) {
  modals.push_back(dialog.title());
  if (onModal) onModal(dialog);
}

}  // namespace velmora::ui
