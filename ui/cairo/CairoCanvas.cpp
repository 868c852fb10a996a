#include "ui/cairo/CairoCanvas.h"

#include <cairo.h>
#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cstdlib>
#include <memory>

namespace velmora::ui {

namespace {

void source(cairo_t* cr, Color c) { cairo_set_source_rgb(cr, c.r / 255.0, c.g / 255.0, c.b / 255.0); }

constexpr char kFontFamily[] = "DejaVu Sans";

}  // namespace

CairoCanvas::CairoCanvas(cairo_t* cr) : cr_(cr) {
  cairo_font_options_t* options = cairo_font_options_create();
  cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
  cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_SLIGHT);
  cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_ON);
  cairo_set_font_options(cr_, options);
  cairo_font_options_destroy(options);
  cairo_set_line_width(cr_, 1.0);
}

void CairoCanvas::fill(const Rect& r, Color c) {
  if (r.empty()) return;
  source(cr_, c);
  cairo_rectangle(cr_, r.left, r.top, r.width(), r.height());
  cairo_fill(cr_);
}

void CairoCanvas::frame(const Rect& r, Color c) {
  if (r.empty()) return;
  source(cr_, c);
  cairo_rectangle(cr_, r.left + 0.5, r.top + 0.5, r.width() - 1, r.height() - 1);
  cairo_stroke(cr_);
}

void CairoCanvas::line(Point a, Point b, Color c) {
  source(cr_, c);
  if (a.x == b.x || a.y == b.y) {
    // Axis-aligned lines cover whole pixels, both ends included.
    cairo_rectangle(cr_, std::min(a.x, b.x), std::min(a.y, b.y), std::abs(b.x - a.x) + 1, std::abs(b.y - a.y) + 1);
    cairo_fill(cr_);
    return;
  }
  cairo_move_to(cr_, a.x + 0.5, a.y + 0.5);
  cairo_line_to(cr_, b.x + 0.5, b.y + 0.5);
  cairo_stroke(cr_);
}

void CairoCanvas::polygon(const std::vector<Point>& points, Color c) {
  if (points.size() < 3) return;
  source(cr_, c);
  cairo_move_to(cr_, points[0].x + 0.5, points[0].y + 0.5);
  for (std::size_t i = 1; i < points.size(); ++i) cairo_line_to(cr_, points[i].x + 0.5, points[i].y + 0.5);
  cairo_close_path(cr_);
  cairo_fill_preserve(cr_);
  cairo_stroke(cr_);
}

void CairoCanvas::font(FontStyle style) {
  cairo_select_font_face(cr_, kFontFamily, CAIRO_FONT_SLANT_NORMAL,
                         style == FontStyle::kBold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_font_size(cr_, style == FontStyle::kSmall ? 9.5 : 11.0);
}

int CairoCanvas::textWidth(const std::string& text, FontStyle style) {
  font(style);
  cairo_text_extents_t e;
  cairo_text_extents(cr_, text.c_str(), &e);
  return static_cast<int>(e.x_advance + 0.5);
}

void CairoCanvas::text(const Rect& r, const std::string& text, Color c, Align align, FontStyle style) {
  if (text.empty() || r.empty()) return;
  font(style);
  cairo_text_extents_t e;
  cairo_text_extents(cr_, text.c_str(), &e);
  cairo_font_extents_t f;
  cairo_font_extents(cr_, &f);
  double x = r.left;
  if (align == Align::kCenter) x = r.left + (r.width() - e.x_advance) / 2;
  else if (align == Align::kRight) x = r.right - e.x_advance;
  if (x < r.left) x = r.left;  // too long: keep the start, cut the end
  const double baseline = r.top + (r.height() + f.ascent - f.descent) / 2;
  cairo_save(cr_);
  cairo_rectangle(cr_, r.left, r.top, r.width(), r.height());
  cairo_clip(cr_);
  source(cr_, c);
  cairo_move_to(cr_, static_cast<int>(x + 0.5), static_cast<int>(baseline + 0.5));
  cairo_show_text(cr_, text.c_str());
  cairo_new_path(cr_);
  cairo_restore(cr_);
}

void CairoCanvas::pushClip(const Rect& r) {
  cairo_save(cr_);
  cairo_rectangle(cr_, r.left, r.top, r.width(), r.height());
  cairo_clip(cr_);
  ++depth_;
}

void CairoCanvas::popClip() {
  if (depth_ == 0) return;
  --depth_;
  cairo_restore(cr_);
}

bool renderPng(int width, int height, const std::function<void(Canvas&)>& draw, std::string& png, std::string& error) {
  std::unique_ptr<cairo_surface_t, decltype(&cairo_surface_destroy)> surface(
      cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height), &cairo_surface_destroy);
  if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) {
    error = cairo_status_to_string(cairo_surface_status(surface.get()));
    return false;
  }
  {
    std::unique_ptr<cairo_t, decltype(&cairo_destroy)> cr(cairo_create(surface.get()), &cairo_destroy);
    CairoCanvas canvas(cr.get());
    draw(canvas);
    if (cairo_status(cr.get()) != CAIRO_STATUS_SUCCESS) {
      error = cairo_status_to_string(cairo_status(cr.get()));
      return false;
    }
  }
  cairo_surface_flush(surface.get());
  png.clear();
  const cairo_status_t status = cairo_surface_write_to_png_stream(
      surface.get(),
      [](void* closure, const unsigned char* data, unsigned int length) {
        static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
        return CAIRO_STATUS_SUCCESS;
      },
      &png);
  if (status != CAIRO_STATUS_SUCCESS) {
    error = cairo_status_to_string(status);
    return false;
  }
  return true;
}

void releaseCairoCaches() {
  cairo_debug_reset_static_data();
  FcFini();
}

}  // namespace velmora::ui
