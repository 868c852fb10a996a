// The canvas over a Windows device context: the panel painted with GDI (into the page window's
// off-screen bitmap). Texts are UTF-8 and drawn as UTF-16. [main-thread]
#pragma once

#include <windows.h>

#include <vector>

#include "ui/Canvas.h"

namespace velmora::ui {

class GdiCanvas : public Canvas {
 public:
  // Draws onto `dc`, which the caller owns; the fonts live as long as the canvas.
  explicit GdiCanvas(HDC dc);
  ~GdiCanvas() override;
  GdiCanvas(const GdiCanvas&) = delete;
  GdiCanvas& operator=(const GdiCanvas&) = delete;

  void fill(const Rect& r, Color c) override;
  void frame(const Rect& r, Color c) override;
  void line(Point a, Point b, Color c) override;
  void polygon(const std::vector<Point>& points, Color c) override;
  void text(const Rect& r, const std::string& text, Color c, Align align, FontStyle style) override;
  int textWidth(const std::string& text, FontStyle style) override;
  void pushClip(const Rect& r) override;
  void popClip() override;

 private:
  HFONT font(FontStyle style);
  HDC dc_;
  HFONT fonts_[3] = {};
  std::vector<int> saved_;
};

}  // namespace velmora::ui
