#include "ui/win32/GdiCanvas.h"

#include <string>

namespace velmora::ui {

namespace {

COLORREF colour(Color c) { return RGB(c.r, c.g, c.b); }

std::wstring wide(const std::string& text) {
  if (text.empty()) return {};
  const int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring out(static_cast<std::size_t>(n > 0 ? n : 0), L'\0');
  if (n > 0) MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
  return out;
}

}  // namespace

GdiCanvas::GdiCanvas(HDC dc) : dc_(dc) {
  SetBkMode(dc_, TRANSPARENT);
}

GdiCanvas::~GdiCanvas() {
  for (HFONT f : fonts_)
    if (f) DeleteObject(f);
}

HFONT GdiCanvas::font(FontStyle style) {
  const int index = static_cast<int>(style);
  if (!fonts_[index]) {
    // Tahoma 8 point at 96 dots per inch; the small style a point less.
    const int height = style == FontStyle::kSmall ? -10 : -11;
    fonts_[index] = CreateFontW(height, 0, 0, 0, style == FontStyle::kBold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE,
                                DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                DEFAULT_PITCH | FF_SWISS, L"Tahoma");
  }
  return fonts_[index];
}

void GdiCanvas::fill(const Rect& r, Color c) {
  const RECT box{r.left, r.top, r.right, r.bottom};
  HBRUSH brush = CreateSolidBrush(colour(c));
  FillRect(dc_, &box, brush);
  DeleteObject(brush);
}

void GdiCanvas::frame(const Rect& r, Color c) {
  const RECT box{r.left, r.top, r.right, r.bottom};
  HBRUSH brush = CreateSolidBrush(colour(c));
  FrameRect(dc_, &box, brush);
  DeleteObject(brush);
}

void GdiCanvas::line(Point a, Point b, Color c) {
  HPEN pen = CreatePen(PS_SOLID, 1, colour(c));
  HGDIOBJ old = SelectObject(dc_, pen);
  MoveToEx(dc_, a.x, a.y, nullptr);
  LineTo(dc_, b.x, b.y);
  SetPixel(dc_, b.x, b.y, colour(c));  // LineTo leaves the last pixel out; the canvas includes it
  SelectObject(dc_, old);
  DeleteObject(pen);
}

void GdiCanvas::polygon(const std::vector<Point>& points, Color c) {
  if (points.size() < 3) return;
  std::vector<POINT> corners;
  corners.reserve(points.size());
  for (const Point& p : points) corners.push_back({p.x, p.y});
  HBRUSH brush = CreateSolidBrush(colour(c));
  HPEN pen = CreatePen(PS_SOLID, 1, colour(c));
  HGDIOBJ oldBrush = SelectObject(dc_, brush), oldPen = SelectObject(dc_, pen);
  Polygon(dc_, corners.data(), static_cast<int>(corners.size()));
  SelectObject(dc_, oldBrush);
  SelectObject(dc_, oldPen);
  DeleteObject(brush);
  DeleteObject(pen);
}

void GdiCanvas::text(const Rect& r, const std::string& text, Color c, Align align, FontStyle style) {
  const std::wstring w = wide(text);
  RECT box{r.left, r.top, r.right, r.bottom};
  HGDIOBJ old = SelectObject(dc_, font(style));
  SetTextColor(dc_, colour(c));
  const UINT horizontal = align == Align::kCenter ? DT_CENTER : align == Align::kRight ? DT_RIGHT : DT_LEFT;
  DrawTextW(dc_, w.c_str(), static_cast<int>(w.size()), &box, horizontal | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  SelectObject(dc_, old);
}

int GdiCanvas::textWidth(const std::string& text, FontStyle style) {
  const std::wstring w = wide(text);
  HGDIOBJ old = SelectObject(dc_, font(style));
  SIZE size{};
  GetTextExtentPoint32W(dc_, w.c_str(), static_cast<int>(w.size()), &size);
  SelectObject(dc_, old);
  return size.cx;
}

void GdiCanvas::pushClip(const Rect& r) {
  saved_.push_back(SaveDC(dc_));
  IntersectClipRect(dc_, r.left, r.top, r.right, r.bottom);
}

void GdiCanvas::popClip() {
  if (saved_.empty()) return;
  RestoreDC(dc_, saved_.back());
  saved_.pop_back();
}

}  // namespace velmora::ui
