// Backends that draw and serve nothing but keep what was asked of them: a canvas that records
// its drawing operations and window services with scripted menu choices and answers. Tests and
// the headless panel use them. [any-thread, one at a time]
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "ui/Canvas.h"
#include "ui/WindowServices.h"

namespace velmora::ui {

class RecordingCanvas : public Canvas {
 public:
  struct Op {
    enum Kind { kFill, kFrame, kLine, kPolygon, kText, kImage } kind;
    Rect rect;  // the shape's bounds (a line's end points as left/top and right/bottom)
    Color color;
    std::string text;  // texts only
    int cell = -1;     // images only
  };

  void fill(const Rect& r, Color c) override;
  void frame(const Rect& r, Color c) override;
  void line(Point a, Point b, Color c) override;
  void polygon(const std::vector<Point>& points, Color c) override;
  void text(const Rect& r, const std::string& text, Color c, Align align, FontStyle style) override;
  int textWidth(const std::string& text, FontStyle style) override;
  void pushClip(const Rect& r) override;
  void popClip() override;
  void image(const ImageStrip& strip, int cell, Point at) override;

  const std::vector<Op>& ops() const { return ops_; }
  // Every text drawn, in order; whether `text` was drawn inside `within` (anywhere when empty).
  std::vector<std::string> texts() const;
  bool drewText(const std::string& text, const Rect& within = {}) const;
  int clipDepth() const { return static_cast<int>(clips_.size()); }
  void clear() { ops_.clear(); }

 private:
  std::vector<Op> ops_;
  std::vector<Rect> clips_;
};

class RecordingServices : public WindowServices {
 public:
  void invalidate(const Rect& r) override;
  void setTimer(int id, int periodMs) override { timers[id] = periodMs; }
  void killTimer(int id) override { timers.erase(id); }
  void captureMouse() override { captured = true; }
  void releaseMouse() override { captured = false; }
  void showTooltip(const std::string& tip, const Rect&) override { tooltip = tip; }
  void setWindowText(const std::string& text) override { windowText = text; }
  // Keeps the menu and answers with the next scripted choice (0 once they are used up).
  std::uint32_t trackMenu(const Menu& menu, Point at) override;
  void runDialog(Dialog dialog) override { dialogs.push_back(dialog); }
  // Keeps the dialog's title and lets `onModal` drive it (nothing happens without one).
  void runModal(DialogWindow& dialog) override;
  platform::Prompt& prompt() override { return scriptedPrompt; }
  bool clipboardHas(const std::string& format) override { return clipboardFormats.count(format) != 0; }
  void startDrag() override { ++drags; }
  void beep() override { ++beeps; }

  std::map<int, int> timers;
  bool captured = false;
  std::string tooltip, windowText;
  std::vector<Menu> menus;
  std::deque<std::uint32_t> menuChoices;
  std::vector<Dialog> dialogs;
  std::vector<std::string> modals;
  std::function<void(DialogWindow&)> onModal;
  platform::ScriptedPrompt scriptedPrompt;
  std::set<std::string> clipboardFormats;
  int drags = 0, beeps = 0, invalidations = 0;
};

}  // namespace velmora::ui
