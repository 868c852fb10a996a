// A page window that records what the page asks of it, in place of the system's window.
#pragma once

#include "frame/PageWindow.h"
#include "ui/Recording.h"

namespace velmora::test {

struct RecordingPageWindow : PageWindow {
  ui::WindowServices& services() override { return recorded; }
  bool create(HWND, const ui::Rect& r) override { return made = true, at = r, true; }
  bool created() const override { return made; }
  void show(bool value) override { visible = value; }
  void move(const ui::Rect& r) override { at = r; }
  void setPanel(ui::TamborakPanel* shown) override { panel = shown; }
  ui::RecordingServices recorded;
  ui::TamborakPanel* panel = nullptr;
  bool made = false, visible = false;
  ui::Rect at{};
};

}  // namespace velmora::test
