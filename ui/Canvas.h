// The canvas the controls paint on: fills, frames, lines, polygons, text and pictures, with a
// stack of clip rectangles. Backends: a recording canvas (tests), a Cairo image (PNG on Linux);
// a Win32 GDI device context or an X11 window are further backends behind the same interface.
#pragma once

#include <string>
#include <vector>

#include "ui/Geometry.h"

namespace velmora::ui {

class Canvas;

enum class Align { kLeft, kCenter, kRight };
enum class FontStyle { kNormal, kBold, kSmall };

// A strip of equally sized pictures (cells) drawn by our own code through a canvas, such as the
// instrument kind images: cell `n` of the strip is drawn into a rectangle of the cell size.
class ImageStrip {
 public:
  virtual ~ImageStrip() = default;
  virtual int cellWidth() const = 0;
  virtual int cellHeight() const = 0;
  virtual int cellCount() const = 0;
  // Draws cell `cell` (0..cellCount-1) with its top left corner at `at`.
  virtual void drawCell(Canvas& canvas, int cell, Point at) const = 0;
};

class Canvas {
 public:
  virtual ~Canvas() = default;
  virtual void fill(const Rect& r, Color c) = 0;
  // A one-pixel frame just inside `r`.
  virtual void frame(const Rect& r, Color c) = 0;
  virtual void line(Point a, Point b, Color c) = 0;
  // A filled polygon.
  virtual void polygon(const std::vector<Point>& points, Color c) = 0;
  // One line of text, vertically centred in `r`, cut at its edges.
  virtual void text(const Rect& r, const std::string& text, Color c, Align align, FontStyle style) = 0;
  // Width of `text` in pixels. [any-thread]
  virtual int textWidth(const std::string& text, FontStyle style) = 0;
  // Drawing outside the clip is dropped; clips nest.
  virtual void pushClip(const Rect& r) = 0;
  virtual void popClip() = 0;
  // Cell `cell` of `strip` at `at`. Backends may cache the cells; by default the strip draws.
  virtual void image(const ImageStrip& strip, int cell, Point at) { strip.drawCell(*this, cell, at); }

  // A raised (or, pressed, sunken) 3D edge round `r`.
  void edge(const Rect& r, bool sunken);
};

// Clips the canvas for its lifetime.
class ClipScope {
 public:
  ClipScope(Canvas& canvas, const Rect& r) : canvas_(canvas) { canvas_.pushClip(r); }
  ~ClipScope() { canvas_.popClip(); }
  ClipScope(const ClipScope&) = delete;
  ClipScope& operator=(const ClipScope&) = delete;

 private:
  Canvas& canvas_;
};

}  // namespace velmora::ui
