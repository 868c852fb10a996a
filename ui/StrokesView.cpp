#include "ui/StrokesView.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iterator>

#include "platform/Numeric.h"

namespace velmora::ui {

namespace {

constexpr Color kBeatLine{140, 149, 106}, kRowLine{163, 170, 136}, kGridLine{172, 180, 150}, kMarker{255, 0, 0},
    kCursor{255, 255, 255};
constexpr int kNewVelocity = 100;

// Background by muted (or no slice), edit mode, selected.
constexpr Color kBackgrounds[2][2][2] = {
    {{{212, 228, 156}, {226, 237, 188}}, {{240, 240, 180}, {244, 244, 202}}},  // playing
    {{{187, 200, 145}, {200, 209, 165}}, {{200, 200, 144}, {204, 204, 154}}},  // muted or none
};

// Disc colours per shade, loudest first, for a playing and a muted slice; and their highlights.
constexpr Color kDisc[2][StrokeSprites::kShades] = {{{28, 36, 14}, {84, 98, 44}, {146, 158, 104}},
                                                    {{64, 64, 60}, {112, 112, 106}, {164, 164, 156}}};
constexpr Color kGlint[2][StrokeSprites::kShades] = {{{110, 124, 80}, {150, 166, 104}, {196, 206, 160}},
                                                     {{140, 140, 134}, {174, 174, 168}, {206, 206, 200}}};

std::string format(const char* pattern, int a, int b = 0) {
  char text[64];
  std::snprintf(text, sizeof text, pattern, a, b);
  return text;
}

const StrokeSprites& sprites() {
  static const StrokeSprites strip;
  return strip;
}

}  // namespace

// ---- Sprites

void StrokeSprites::drawCell(Canvas& c, int cell, Point at) const {
  const int muted = cell >= kShades ? 1 : 0, shade = cell % kShades;
  const int x = at.x, y = at.y, e = kSize - 1;
  c.polygon({{x + 3, y}, {x + e - 3, y}, {x + e, y + 3}, {x + e, y + e - 3}, {x + e - 3, y + e}, {x + 3, y + e},
             {x, y + e - 3}, {x, y + 3}},
            kDisc[muted][shade]);
  c.fill({x + 2, y + 2, x + 4, y + 4}, kGlint[muted][shade]);
}

int StrokeSprites::columnOf(int velocity, int floor) {
  const int last = kShades - 1;
  if (floor >= 127 || velocity <= floor) return last;
  return (127 - velocity) * last / (127 - floor);
}

// ---- EventBar

EventBar::EventBar(ControlOwner& owner, int id, Rect rect, std::function<void(const std::string&)> status)
    : Control(owner, id, rect), status_(std::move(status)) {}

void EventBar::setSlice(SliceApi* slice) {
  slice_ = slice;
  gesture_ = Gesture::kNone;
  stroke_.reset();
  invalidate();
}

void EventBar::setSelected(bool on) {
  if (on == selected_) return;
  selected_ = on;
  invalidate();
}

void EventBar::setEditMode(bool on) {
  if (on == editMode_) return;
  editMode_ = on;
  if (slice_) slice_->setStandardRows(on);
  invalidate();
}

void EventBar::setGrid(int grid) {
  if (grid == grid_) return;
  grid_ = grid;
  invalidate();
}

StrokeGeometry EventBar::geometry() const { return slice_->strokeGeometry(rect().width(), rect().height()); }

StrokeGeometry EventBar::frame() const { return StrokeGeometry::make(rect().width(), rect().height(), 0); }

Rect EventBar::cursorStrip(int cursor) const {
  const int x = rect().left + frame().x0 + cursor;
  return {x, rect().top + 1, x + 1, rect().bottom - 1};
}

void EventBar::showPosition(std::int32_t position, std::int32_t length) {
  if (length <= 0) return;
  const int target = platform::mulDiv(frame().width, position, length);
  if (target == cursor_) return;
  // No XOR drawing on every canvas: the strip the cursor leaves is repainted instead.
  owner_.services().invalidate(cursorStrip(cursor_));
  const int ahead = target - cursor_;
  cursor_ = ahead >= 1 && ahead <= 3 ? cursor_ + 1 : target;
  owner_.services().invalidate(cursorStrip(cursor_));
}

// ---- Painting

Color EventBar::background() const {
  const bool quiet = !slice_ || slice_->muted();
  return kBackgrounds[quiet ? 1 : 0][editMode_ ? 1 : 0][selected_ ? 1 : 0];
}

void EventBar::paint(Canvas& c) {
  const Rect r = rect();
  const Rect in = r.inset(1);
  c.line({r.left, r.top}, {r.right - 2, r.top}, colors::kShadow);
  c.line({r.left, r.top}, {r.left, r.bottom - 2}, colors::kShadow);
  c.line({r.left, r.bottom - 1}, {r.right - 1, r.bottom - 1}, colors::kLight);
  c.line({r.right - 1, r.top}, {r.right - 1, r.bottom - 1}, colors::kLight);
  c.fill(in, background());
  if (!slice_) return;
  const StrokeGeometry g = geometry();
  ClipScope clip(c, in);
  paintLines(c, g, r.left, r.top);
  if (!slice_->hasEvents()) return;
  paintStrokes(c, g, r.left, r.top);
  const int x = r.left + g.x0 + cursor_;
  c.line({x, in.top}, {x, in.bottom - 1}, kCursor);
}

void EventBar::paintLines(Canvas& c, const StrokeGeometry& g, int ox, int oy) const {
  const int top = oy + g.top, bottom = oy + g.bottom - 1;
  if (slice_->standardRows() && g.rows >= 2)
    for (int row = 0; row < g.rows; ++row) {
      const int y = oy + g.rowCentre(row);
      c.line({ox + g.left, y}, {ox + g.right - 1, y}, kRowLine);
    }
  const int bars = std::max(slice_->barCount(), 1), beats = std::max(slice_->beatsPerBar(), 1);
  // The lines dividing every bar into `parts`.
  auto divide = [&](int parts, Color color) {
    if (parts < 1) return;
    for (int b = 1; b <= bars; ++b) {
      const int xs = g.x0 + platform::mulDiv(g.width, b - 1, bars), xe = g.x0 + platform::mulDiv(g.width, b, bars);
      for (int j = 0; j <= parts; ++j) {
        const int x = ox + xs + platform::mulDiv(xe - xs, j, parts);
        c.line({x, top}, {x, bottom}, color);
      }
    }
  };
  if (grid_ >= 1) divide(scale(g.length, grid_, 4 * std::int64_t{g.patternTicksPerQuarter}) / bars, kGridLine);
  divide(beats, kBeatLine);
  for (int b = 1; b < bars; ++b) {
    const int x = ox + g.x0 + platform::mulDiv(g.width, b, bars);
    c.line({x, top}, {x, bottom}, kBeatLine);
  }
}

void EventBar::paintStrokes(Canvas& c, const StrokeGeometry& g, int ox, int oy) const {
  const int s = StrokeSprites::kSize;
  const bool muted = slice_->muted();
  const int floor = slice_->displayMinVelo();
  auto draw = [&](int x, int y, int velocity, int count) {
    c.image(sprites(), StrokeSprites::cellOf(muted, StrokeSprites::columnOf(velocity, floor)), {x, y});
    if (count < 2) return;
    const int cx = x + s / 2, cy = y + s / 2;
    const Point p[] = {{cx - 1, cy - 6}, {cx - 6, cy - 1}, {cx - 6, cy + 1}, {cx - 1, cy + 6}, {cx + 1, cy + 6},
                       {cx + 6, cy + 1}, {cx + 6, cy - 1}, {cx + 1, cy - 6}, {cx, cy - 6},     {cx - 6, cy},
                       {cx, cy + 6},     {cx + 6, cy},     {cx, cy - 6}};
    for (std::size_t i = 1; i < std::size(p); ++i) c.line(p[i - 1], p[i], kMarker);
  };
  const std::vector<SliceApi::ShownStroke> strokes = slice_->shownStrokes();
  for (int row = 0; row < g.rows; ++row) {
    const int key = slice_->rowKey(row);
    if (key < 0) continue;
    const int y = oy + g.rowCentre(row) - s / 2;
    int groupX = 0, groupVelocity = 0, count = 0;
    for (const SliceApi::ShownStroke& e : strokes) {
      if (e.key != key) continue;
      std::int32_t t = e.time;
      if (t < 0) t += g.length;
      else if (t >= g.length) t -= g.length;
      const int x = ox + g.x0 - s / 2 + platform::mulDiv(t, g.width, g.length);
      if (count > 0 && x == groupX) {
        ++count;
        groupVelocity = e.velocity;
        continue;
      }
      if (count > 0) draw(groupX, y, groupVelocity, count);
      groupX = x;
      groupVelocity = e.velocity;
      count = 1;
    }
    if (count > 0) draw(groupX, y, groupVelocity, count);
  }
}

// ---- Gestures

bool EventBar::mouseDown(Point p, MouseButton button, unsigned mods) {
  if (button != MouseButton::kLeft) return false;
  down_ = local(p);
  buttonDown_ = true;
  if (!editMode_ || !slice_) return false;
  if (mods & kCtrl) {
    gesture_ = Gesture::kErase;
  } else {
    stroke_ = slice_->hitTest(geometry(), down_.x, down_.y);
    gesture_ = stroke_ ? Gesture::kDecide : Gesture::kInsert;
    if (stroke_) startVelocity_ = stroke_->velocity;
  }
  run(down_);
  return true;
}

void EventBar::mouseMove(Point p) {
  if (!editMode_ || !slice_ || !buttonDown_) return;
  run(local(p));
}

void EventBar::mouseUp(Point) {
  gesture_ = Gesture::kNone;
  buttonDown_ = false;
  stroke_.reset();
}

bool EventBar::doubleClick(Point p, unsigned) {
  if (!editMode_ || !slice_) return false;
  gesture_ = Gesture::kErase;
  run(local(p));
  return false;
}

void EventBar::run(Point at) {
  if (gesture_ == Gesture::kNone) return;
  const bool wasEdited = slice_->edited();
  step(geometry(), at);
  invalidate();
  if (!wasEdited && slice_->edited()) notify(Notify::kEdited);
}

void EventBar::step(const StrokeGeometry& g, Point at) {
  SliceApi& slice = *slice_;
  switch (gesture_) {
    case Gesture::kNone: return;
    case Gesture::kErase:
      if (const auto s = slice.hitTest(g, at.x, at.y)) slice.eraseStroke(*s);
      return;
    case Gesture::kInsert: {
      if (grid_ >= 1) {
        const std::int32_t t = slice.xToTime(g, at.x, grid_);
        const int key = slice.yToRow(g, at.y);
        stroke_ = slice.findStroke(t, key);
        if (!stroke_) stroke_ = slice.insertStroke(g, t, key, kNewVelocity);
      } else {
        stroke_ = slice.insertStrokeAt(g, at.x, at.y, kNewVelocity);
      }
      if (!stroke_) {
        owner_.services().beep();
        gesture_ = Gesture::kNone;
        return;
      }
      startVelocity_ = stroke_->velocity;
      gesture_ = Gesture::kDecide;
      return;
    }
    case Gesture::kDecide: {
      const int dx = at.x - down_.x, dy = at.y - down_.y;
      if (2 * std::abs(dx) <= kDragWidth && 2 * std::abs(dy) <= kDragHeight) return;
      gesture_ = std::abs(dx) < std::abs(dy) ? Gesture::kVelocity : grid_ >= 1 ? Gesture::kPaint : Gesture::kTime;
      startVelocity_ = stroke_->velocity;
      step(g, at);
      return;
    }
    case Gesture::kVelocity:
      stroke_ = slice.setStrokeVelocity(*stroke_, startVelocity_ + (down_.y - at.y));
      if (!stroke_) {
        gesture_ = Gesture::kNone;
        return;
      }
      status_(format("Velocity: %d", stroke_->velocity));
      return;
    case Gesture::kTime: {
      stroke_ = slice.moveStroke(g, *stroke_, slice.xToTime(g, at.x, grid_));
      if (!stroke_) {
        gesture_ = Gesture::kNone;
        return;
      }
      const SliceApi::BeatPosition p = slice.beatPosition(g, stroke_->time);
      status_(format("Position: %d:%d", p.beat, p.tick));
      return;
    }
    case Gesture::kPaint: {
      const std::int32_t t = slice.xToTime(g, at.x, grid_);
      const int key = slice.yToRow(g, at.y);
      if (!slice.findStroke(t, key)) slice.insertStroke(g, t, key, kNewVelocity);
      return;
    }
  }
}

}  // namespace velmora::ui
