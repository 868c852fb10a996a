#include "ui/Pictures.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace velmora::ui {

namespace {

std::vector<Point> ellipsePoints(double cx, double cy, double rx, double ry, int steps = 20) {
  std::vector<Point> points;
  for (int i = 0; i < steps; ++i) {
    const double a = 2 * 3.14159265358979 * i / steps;
    points.push_back({static_cast<int>(std::lround(cx + rx * std::cos(a))), static_cast<int>(std::lround(cy + ry * std::sin(a)))});
  }
  return points;
}

void ring(Canvas& c, double cx, double cy, double rx, double ry, Color color) {
  const std::vector<Point> p = ellipsePoints(cx, cy, rx, ry);
  for (std::size_t i = 0; i < p.size(); ++i) c.line(p[i], p[(i + 1) % p.size()], color);
}

constexpr Color kWood{176, 120, 64}, kMetal{214, 180, 70}, kMetalDark{150, 120, 40}, kSkin{236, 232, 220},
    kShell{170, 50, 45}, kInk{40, 40, 40};

// A cymbal seen from the side at (cx, cy), on a stand down to `foot`.
void cymbal(Canvas& c, int cx, int cy, int rx, int foot) {
  c.line({cx, cy}, {cx, foot}, kInk);
  c.polygon({{cx - rx, cy + 1}, {cx, cy - 2}, {cx + rx, cy + 1}, {cx, cy + 2}}, kMetal);
  c.line({cx - rx, cy + 1}, {cx + rx, cy + 1}, kMetalDark);
}

}  // namespace

void fillEllipse(Canvas& c, const Rect& r, Color color) {
  c.polygon(ellipsePoints((r.left + r.right - 1) / 2.0, (r.top + r.bottom - 1) / 2.0, (r.width() - 1) / 2.0, (r.height() - 1) / 2.0),
            color);
}

int KindImages::cellOf(const std::string& kind) {
  std::string k;
  for (char ch : kind) k += static_cast<char>(ch >= 'A' && ch <= 'Z' ? ch - 'A' + 'a' : ch);
  auto has = [&](const char* s) { return k.find(s) != std::string::npos; };
  if (has("fill")) return -1;
  if (has("kick") || has("bass")) return kKick;
  if (has("snare") || has("rim")) return kSnare;
  if (has("op")) return has("hh") || has("hat") ? kOpenHiHat : kOther;
  if (has("hh") || has("hat")) return kHiHat;
  if (has("ride") || has("crash") || has("cym")) return kRide;
  if (has("clap")) return kClaps;
  if (has("conga") || has("bongo") || has("tom")) return kConga;
  if (has("cowbell") || has("bell")) return kCowbell;
  if (has("marac") || has("shak") || has("cabasa")) return kMaracas;
  if (has("tamb")) return kTambourine;
  return kOther;
}

void KindImages::drawCell(Canvas& c, int cell, Point at) const {
  const int x = at.x, y = at.y;
  switch (cell) {
    case kKick:
      fillEllipse(c, {x + 5, y + 1, x + 27, y + 23}, kShell);
      fillEllipse(c, {x + 8, y + 4, x + 24, y + 20}, kSkin);
      ring(c, x + 15.5, y + 11.5, 7.5, 7.5, kShell);
      c.line({x + 10, y + 22}, {x + 6, y + 24}, kInk);
      c.line({x + 21, y + 22}, {x + 25, y + 24}, kInk);
      break;
    case kSnare:
      c.fill({x + 5, y + 9, x + 27, y + 19}, Color{190, 190, 198});
      fillEllipse(c, {x + 5, y + 18, x + 27, y + 22}, Color{150, 150, 160});
      fillEllipse(c, {x + 5, y + 6, x + 27, y + 12}, kSkin);
      ring(c, x + 15.5, y + 8.5, 10.5, 2.5, kInk);
      for (int i = 0; i < 4; ++i) c.line({x + 8 + i * 5, y + 11}, {x + 8 + i * 5, y + 20}, kInk);
      c.line({x + 3, y + 1}, {x + 14, y + 7}, kWood);
      c.line({x + 28, y + 1}, {x + 18, y + 7}, kWood);
      break;
    case kHiHat:
      cymbal(c, x + 15, y + 8, 12, y + 24);
      cymbal(c, x + 15, y + 10, 12, y + 24);
      break;
    case kOpenHiHat:
      cymbal(c, x + 15, y + 5, 12, y + 24);
      cymbal(c, x + 15, y + 12, 12, y + 24);
      break;
    case kRide:
      c.line({x + 15, y + 9}, {x + 15, y + 24}, kInk);
      c.polygon({{x + 1, y + 11}, {x + 15, y + 5}, {x + 29, y + 11}, {x + 15, y + 13}}, kMetal);
      fillEllipse(c, {x + 13, y + 5, x + 18, y + 9}, kMetalDark);
      break;
    case kClaps:
      c.polygon({{x + 4, y + 20}, {x + 9, y + 4}, {x + 15, y + 5}, {x + 14, y + 22}}, Color{230, 180, 150});
      c.polygon({{x + 27, y + 20}, {x + 22, y + 4}, {x + 16, y + 5}, {x + 17, y + 22}}, Color{215, 160, 130});
      c.line({x + 15, y + 1}, {x + 15, y + 3}, kInk);
      c.line({x + 11, y + 1}, {x + 12, y + 3}, kInk);
      c.line({x + 20, y + 1}, {x + 19, y + 3}, kInk);
      break;
    case kConga:
      c.polygon({{x + 8, y + 4}, {x + 23, y + 4}, {x + 25, y + 12}, {x + 21, y + 24}, {x + 10, y + 24}, {x + 6, y + 12}}, kWood);
      fillEllipse(c, {x + 8, y + 2, x + 24, y + 7}, kSkin);
      c.line({x + 7, y + 12}, {x + 24, y + 12}, kInk);
      break;
    case kCowbell:
      c.polygon({{x + 10, y + 4}, {x + 21, y + 4}, {x + 26, y + 21}, {x + 5, y + 21}}, Color{120, 120, 128});
      c.polygon({{x + 11, y + 6}, {x + 15, y + 6}, {x + 13, y + 19}, {x + 8, y + 19}}, Color{175, 175, 185});
      c.fill({x + 13, y + 1, x + 18, y + 4}, kInk);
      break;
    case kMaracas:
      fillEllipse(c, {x + 3, y + 2, x + 15, y + 14}, Color{220, 90, 40});
      fillEllipse(c, {x + 16, y + 4, x + 28, y + 16}, Color{230, 170, 40});
      c.line({x + 10, y + 13}, {x + 7, y + 24}, kWood);
      c.line({x + 21, y + 15}, {x + 24, y + 24}, kWood);
      break;
    case kTambourine:
      ring(c, x + 15.5, y + 12.5, 11.5, 10.5, kWood);
      ring(c, x + 15.5, y + 12.5, 9.5, 8.5, kWood);
      for (int i = 0; i < 6; ++i) {
        const double a = i * 3.14159265358979 / 3;
        const int jx = static_cast<int>(std::lround(x + 15.5 + 10.5 * std::cos(a))), jy = static_cast<int>(std::lround(y + 12.5 + 9.5 * std::sin(a)));
        c.fill({jx - 1, jy - 1, jx + 2, jy + 2}, kMetal);
      }
      break;
    default:  // a note head and stem
      fillEllipse(c, {x + 8, y + 15, x + 17, y + 22}, kInk);
      c.line({x + 16, y + 18}, {x + 16, y + 3}, kInk);
      c.line({x + 16, y + 3}, {x + 23, y + 8}, kInk);
      break;
  }
}

const KindImages& kindImages() {
  static const KindImages images;
  return images;
}

void drawComposePicture(Canvas& c, const Rect& r, bool pressed) {
  const int d = pressed ? 1 : 0;
  const int cx = (r.left + r.right) / 2 + d, top = r.top + r.height() / 3 + d, w = r.width() * 2 / 5;
  const int bottom = r.bottom - r.height() / 6 + d;
  // Drum shell, top skin, hoop lines.
  c.fill({cx - w, top, cx + w + 1, bottom}, kShell);
  fillEllipse(c, {cx - w, bottom - 5, cx + w + 1, bottom + 4}, kShell);
  for (int i = -2; i <= 2; ++i) c.line({cx + i * w / 3, top + 2}, {cx + i * w / 3, bottom + 1}, Color{120, 30, 28});
  fillEllipse(c, {cx - w, top - 5, cx + w + 1, top + 6}, kSkin);
  ring(c, cx + 0.5, top + 0.5, w, 5.5, kInk);
  // Sticks crossing above.
  c.line({cx - w, r.top + 4 + d}, {cx + 3, top - 1}, kWood);
  c.line({cx - w + 1, r.top + 4 + d}, {cx + 4, top - 1}, kWood);
  c.line({cx + w, r.top + 4 + d}, {cx - 3, top - 1}, kWood);
  c.line({cx + w - 1, r.top + 4 + d}, {cx - 4, top - 1}, kWood);
  // Spark.
  const int sx = r.right - 9 + d, sy = r.top + 8 + d;
  c.polygon({{sx, sy - 5}, {sx + 1, sy - 1}, {sx + 5, sy}, {sx + 1, sy + 1}, {sx, sy + 5}, {sx - 1, sy + 1}, {sx - 5, sy}, {sx - 1, sy - 1}},
            Color{240, 170, 20});
}

void drawAboutPicture(Canvas& c, const Rect& r, bool pressed) {
  const int d = pressed ? 1 : 0;
  const int size = std::min(r.width(), r.height()) - 6;
  const int cx = (r.left + r.right) / 2 + d, cy = (r.top + r.bottom) / 2 + d;
  fillEllipse(c, {cx - size / 2, cy - size / 2, cx + size / 2 + 1, cy + size / 2 + 1}, colors::kAccent);
  c.text({cx - size / 2, cy - size / 2, cx + size / 2 + 1, cy + size / 2 + 1}, "T", colors::kAccentText, Align::kCenter, FontStyle::kBold);
}

void drawMuteLamp(Canvas& c, const Rect& r, bool playing) {
  const Rect lamp = r.inset(2);
  c.fill(lamp, playing ? colors::kOn : Color{110, 40, 36});
  c.line({lamp.left + 1, lamp.top + 1}, {lamp.left + 1, lamp.bottom - 2}, playing ? Color{160, 230, 160} : Color{150, 70, 64});
}

void drawDie(Canvas& c, const Rect& r, bool pressed) {
  const int d = pressed ? 1 : 0;
  const int cx = (r.left + r.right) / 2 + d, cy = (r.top + r.bottom) / 2 + d;
  const Rect face{cx - 4, cy - 4, cx + 5, cy + 5};
  c.fill(face, colors::kLight);
  c.frame(face, kInk);
  c.fill({cx - 2, cy - 2, cx - 1, cy - 1}, kInk);
  c.fill({cx, cy, cx + 1, cy + 1}, kInk);
  c.fill({cx + 2, cy + 2, cx + 3, cy + 3}, kInk);
}

void drawArrow(Canvas& c, const Rect& r, bool right, Color color) {
  const int cx = (r.left + r.right) / 2, cy = (r.top + r.bottom) / 2;
  if (right) c.polygon({{cx - 2, cy - 4}, {cx + 2, cy}, {cx - 2, cy + 4}}, color);
  else c.polygon({{cx + 2, cy - 4}, {cx - 2, cy}, {cx + 2, cy + 4}}, color);
}

// A floppy disk.
void drawSavePicture(Canvas& c, const Rect& r, bool pressed) {
  const Rect d = r.inset(4).offset(pressed ? 1 : 0, pressed ? 1 : 0);
  c.fill(d, Color{44, 70, 120});
  c.fill({d.left + 3, d.top, d.right - 3, d.top + d.height() / 3}, Color{220, 222, 226});
  c.fill({d.left + 2, d.bottom - d.height() / 3, d.right - 2, d.bottom - 1}, colors::kLight);
}

// A cross.
void drawDeletePicture(Canvas& c, const Rect& r, bool pressed) {
  const Rect d = r.inset(5).offset(pressed ? 1 : 0, pressed ? 1 : 0);
  for (int w = 0; w < 2; ++w) {
    c.line({d.left + w, d.top}, {d.right - 2 + w, d.bottom - 1}, colors::kOff);
    c.line({d.right - 2 + w, d.top}, {d.left + w, d.bottom - 1}, colors::kOff);
  }
}

}  // namespace velmora::ui
