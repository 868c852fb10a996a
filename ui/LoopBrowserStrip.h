// The loop browser strip of the panel: a drop-down tree of the loops folder and two small
// buttons, Save and Delete, flush right. Choosing a loop in the tree loads it; the buttons and
// the strip's keys (S Save As, Shift+S Save, Insert Save New, Delete) run the file commands of
// velmora::LoopBrowser. Keys the strip does not take go on to the panel. [main-thread]
#pragma once

#include <functional>
#include <memory>

#include "ui/LoopBrowser.h"
#include "ui/Accelerators.h"
#include "ui/Controls.h"

namespace velmora::ui {

// A drop-down tree: the closed field shows the selected item; a click opens folders and files,
// indented by depth, as a menu, and the choice is reported (kChanged).
class FlatTreeCombo : public Control {
 public:
  FlatTreeCombo(ControlOwner& owner, int id, Rect rect, const velmora::LoopBrowser& source);
  void paint(Canvas& canvas) override;
  bool mouseDown(Point p, MouseButton button, unsigned mods) override;
  // The item chosen last from the menu.
  int chosen() const { return chosen_; }
  // The menu the field opens: item i has command i + 1.
  Menu menu() const;

 private:
  const velmora::LoopBrowser& source_;
  int chosen_ = -1;
};

class LoopBrowser : public ControlOwner {
 public:
  static constexpr Color kBackground{140, 148, 124};
  // Tree, Save and Delete as laid out in a strip of the natural width, in strip pixels.
  static constexpr Rect kTreeRect{0, 3, 360, 24}, kSaveRect{363, 3, 384, 24}, kDeleteRect{384, 3, 405, 24};
  static constexpr int kNaturalWidth = 438;
  static int naturalHeight() { return 24; }
  // The strip's own keys.
  static const AcceleratorTable& accelerators();

  // `files` (not owned) holds the tree and runs the commands.
  LoopBrowser(velmora::LoopBrowser& files, WindowServices& services);
  ~LoopBrowser() override;
  // Where the keys the strip does not take go (the panel); it says whether they were taken.
  void setParentKeys(std::function<bool(int, unsigned)> parentKeys) { parentKeys_ = std::move(parentKeys); }

  // Places the strip at `r`: the buttons keep their size and move so that Delete ends at the
  // right edge; the tree's right edge moves with them.
  void create(const Rect& r);
  const Rect& rect() const { return rect_; }
  velmora::LoopBrowser& files() { return files_; }
  FlatTreeCombo& tree() { return *tree_; }
  Button& saveButton() { return *save_; }
  Button& deleteButton() { return *delete_; }

  void paint(Canvas& canvas);
  // The control that takes the press (to follow the moves and the release), or nullptr.
  Control* mouseDown(Point p, MouseButton button, unsigned mods);
  Control* controlAt(Point p);
  // The strip's table first, then the panel.
  bool key(int vk, unsigned mods);
  // A file command of the strip (4012-4016, 4100-4103); false when it did not complete.
  bool command(int id, unsigned mods = kNoMods);

  // ControlOwner
  void onNotify(Control& control, Notify what) override;
  WindowServices& services() override { return services_; }

 private:
  velmora::LoopBrowser& files_;
  WindowServices& services_;
  std::function<bool(int, unsigned)> parentKeys_;
  Rect rect_;
  std::unique_ptr<FlatTreeCombo> tree_;
  std::unique_ptr<Button> save_, delete_;
};

class TamborakPanel;

// The strip over the engine's loops folder, attached to `panel` and following the folder's changes
// while it lives; the windows that show a panel keep one. [main-thread, not real-time safe: reads
// the folder]
class PanelLoopBrowser {
 public:
  PanelLoopBrowser(TamborakPanel& panel, ControlApi& engine, WindowServices& services);
  ~PanelLoopBrowser();
  PanelLoopBrowser(const PanelLoopBrowser&) = delete;
  PanelLoopBrowser& operator=(const PanelLoopBrowser&) = delete;

 private:
  TamborakPanel& panel_;
  velmora::LoopBrowser files_;
  LoopBrowser strip_;
};

}  // namespace velmora::ui
