// Plain geometry, colours, keys and mouse input of the control library. Coordinates are pixels
// of the panel, y growing downwards; a rectangle holds [left, right) x [top, bottom).
#pragma once

#include <cstdint>

namespace velmora::ui {

struct Point {
  int x = 0, y = 0;
};

struct Rect {
  int left = 0, top = 0, right = 0, bottom = 0;

  int width() const { return right - left; }
  int height() const { return bottom - top; }
  bool empty() const { return right <= left || bottom <= top; }
  bool contains(Point p) const { return p.x >= left && p.x < right && p.y >= top && p.y < bottom; }
  Rect offset(int dx, int dy) const { return {left + dx, top + dy, right + dx, bottom + dy}; }
  Rect inset(int d) const { return {left + d, top + d, right - d, bottom - d}; }
  Rect intersect(const Rect& o) const;
  bool operator==(const Rect&) const = default;
};

inline Rect Rect::intersect(const Rect& o) const {
  Rect r{left > o.left ? left : o.left, top > o.top ? top : o.top, right < o.right ? right : o.right,
         bottom < o.bottom ? bottom : o.bottom};
  if (r.empty()) r = {r.left, r.top, r.left, r.top};
  return r;
}

struct Color {
  std::uint8_t r = 0, g = 0, b = 0;
  bool operator==(const Color&) const = default;
};

// The panel's palette.
namespace colors {
inline constexpr Color kFace{212, 208, 200};      // background of the panel and the rows
inline constexpr Color kLight{255, 255, 255};
inline constexpr Color kShadow{128, 128, 128};
inline constexpr Color kDark{64, 64, 64};
inline constexpr Color kText{0, 0, 0};
inline constexpr Color kGreyText{150, 150, 150};
inline constexpr Color kField{244, 242, 236};      // list and field interiors
inline constexpr Color kAccent{44, 96, 170};       // selection, highlighted pad, thumbs
inline constexpr Color kAccentText{255, 255, 255};
inline constexpr Color kOn{70, 170, 80};           // a slice that plays
inline constexpr Color kOff{190, 60, 50};          // a muted slice
inline constexpr Color kFocus{230, 150, 30};       // the focused row's frame
}  // namespace colors

// Virtual key codes (the values Windows uses, so that a Win32 backend passes them through).
namespace keys {
inline constexpr int kBack = 0x08, kTab = 0x09, kReturn = 0x0D, kEscape = 0x1B, kSpace = 0x20;
inline constexpr int kLeft = 0x25, kUp = 0x26, kRight = 0x27, kDown = 0x28;
inline constexpr int kInsert = 0x2D, kDelete = 0x2E;
inline constexpr int kNumpad0 = 0x60, kAdd = 0x6B, kSubtract = 0x6D;
}  // namespace keys

// Modifier keys held, as a bit set.
enum Modifiers : unsigned { kNoMods = 0, kShift = 1, kCtrl = 2, kAlt = 4 };

enum class MouseButton { kLeft, kRight };

}  // namespace velmora::ui
