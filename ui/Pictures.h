// The panel's pictures, drawn by our own code through the canvas: the compose button, the
// instrument kind images (31 by 25 pixels each), the mute and IDRC switches, the arrows, and
// the glyphs of the about button and the drag handle. [main-thread]
#pragma once

#include <string>

#include "ui/Canvas.h"

namespace velmora::ui {

// The kind images, one cell per instrument kind.
class KindImages : public ImageStrip {
 public:
  enum Cell { kKick, kSnare, kHiHat, kOpenHiHat, kRide, kClaps, kConga, kCowbell, kMaracas, kTambourine, kOther, kCount };
  int cellWidth() const override { return 31; }
  int cellHeight() const override { return 25; }
  int cellCount() const override { return kCount; }
  void drawCell(Canvas& canvas, int cell, Point at) const override;
  // The cell of a kind folder's name ("Kick", "HH_Op", ...); kOther for names it does not know;
  // -1 for a fill, whose list shows its name instead (a fill plays many instruments).
  static int cellOf(const std::string& kind);
};

const KindImages& kindImages();

// The compose button's face: a drum with sticks and a spark.
void drawComposePicture(Canvas& c, const Rect& r, bool pressed);
// A save button's face: a floppy disk.
void drawSavePicture(Canvas& c, const Rect& r, bool pressed);
// A delete button's face: a red cross.
void drawDeletePicture(Canvas& c, const Rect& r, bool pressed);
// The about button's face: the program's small mark.
void drawAboutPicture(Canvas& c, const Rect& r, bool pressed);
// A slice's mute switch: a lamp, green while the slice plays, dark red while muted.
void drawMuteLamp(Canvas& c, const Rect& r, bool playing);
// A slice's compose button: a small die.
void drawDie(Canvas& c, const Rect& r, bool pressed);
// A left- or right-pointing arrow centred in `r`.
void drawArrow(Canvas& c, const Rect& r, bool right, Color color);
// A polygon approximating the ellipse inside `r`.
void fillEllipse(Canvas& c, const Rect& r, Color color);

}  // namespace velmora::ui
