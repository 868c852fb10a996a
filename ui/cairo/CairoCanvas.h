// The canvas over a Cairo image surface (Linux): the panel drawn into memory and written as PNG.
// [any-thread, one at a time]
#pragma once

#include <functional>
#include <string>

#include "ui/Canvas.h"

typedef struct _cairo cairo_t;

namespace velmora::ui {

class CairoCanvas : public Canvas {
 public:
  // Draws onto `cr`, which the caller owns.
  explicit CairoCanvas(cairo_t* cr);
  void fill(const Rect& r, Color c) override;
  void frame(const Rect& r, Color c) override;
  void line(Point a, Point b, Color c) override;
  void polygon(const std::vector<Point>& points, Color c) override;
  void text(const Rect& r, const std::string& text, Color c, Align align, FontStyle style) override;
  int textWidth(const std::string& text, FontStyle style) override;
  void pushClip(const Rect& r) override;
  void popClip() override;

 private:
  void font(FontStyle style);
  cairo_t* cr_;
  int depth_ = 0;
};

// Draws `width` by `height` pixels with `draw` into an image and gives it as PNG bytes;
// false with `error` when Cairo fails (out of memory). [any-thread, not real-time safe]
bool renderPng(int width, int height, const std::function<void(Canvas&)>& draw, std::string& png, std::string& error);

// Frees the caches Cairo and fontconfig keep for the whole process (fonts, patterns), so that a
// leak checker sees none; call once, when no canvas is left and none will be made.
// [main-thread, not real-time safe]
void releaseCairoCaches();

}  // namespace velmora::ui
