// Where the strokes of a slice sit in its strokes view: the drawing area, one row per key with
// the highest row index on top, and the cycle spread across the width. The view paints with it
// and the slice's editing operations map pointer positions back to times and keys with it.
// Coordinates are the view's own, with (0, 0) its top left corner. [main-thread]
#pragma once

#include <cstdint>

#include "loops/StrokeTiming.h"

namespace velmora {

struct StrokeGeometry {
  // The view's area shrunk by one pixel on every side.
  int left = 0, top = 0, right = 0, bottom = 0;
  // Left end of the time axis and its width in pixels.
  int x0 = 0, width = 0;
  // Rows, the distance between row centres and the top row's centre.
  int rows = 0, step = 0, y0 = 0;
  // Cycle length in pattern ticks (at least 1), the pattern's and the host's resolution.
  std::int32_t length = 1;
  std::int32_t patternTicksPerQuarter = 1;
  std::int32_t hostTicksPerQuarter = 1;

  // Rows and spacing for a view of `viewWidth` x `viewHeight` pixels with `rowCount` rows.
  static StrokeGeometry make(int viewWidth, int viewHeight, int rowCount) {
    StrokeGeometry g;
    g.left = 1;
    g.top = 1;
    g.right = viewWidth - 1;
    g.bottom = viewHeight - 1;
    g.x0 = g.left + 6;
    g.width = g.right - g.left - 12;
    g.rows = rowCount;
    const int span = g.bottom - g.top - 13;
    int rem = span;
    if (rowCount > 1) {
      g.step = span / (rowCount - 1);
      rem = span % (rowCount - 1);
    }
    g.y0 = (rem + 1) / 2 + g.top + 6;
    return g;
  }

  // Centre of the row of index `index` (0 is the bottom row).
  int rowCentre(int index) const { return y0 + (rows - 1 - index) * step; }
  // Offset of time t (pattern ticks) from the axis' left end, truncated.
  int offsetOf(std::int32_t t) const { return scale(t, width, length); }
};

}  // namespace velmora
