// TamborakPanel: the plug-in's editor: the global controls of the loop, the six slice rows in a
// column with the fill's row under them, the quick pads, the phrase controls, the drag handle and
// the status line. It reads every value from the
// engine and writes changes back at once, and is a view of the engine, refreshed on its items.
// Painting and input come from a window backend through paint(), the mouse and key calls and
// onTimer(). [main-thread]
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/ControlApi.h"
#include "engine/TamborakView.h"
#include "platform/UiQueue.h"
#include "ui/Controls.h"
#include "ui/LoopEditing.h"
#include "ui/LooperView.h"

namespace velmora::ui {

class LoopBrowser;

class TamborakPanel : public RowOwner, public TamborakView {
 public:
  static constexpr int kWidth = 560, kHeight = 447;
  static constexpr int kPlayTimer = 1, kPlayTimerMs = 10;
  static constexpr int kSliceCount = 6;
  // The slice rows and the fill's row (row kSliceCount, over the engine's slice kSliceCount).
  static constexpr int kRowCount = kSliceCount + 1;

  // Registers with the engine as a view and builds the controls and the rows.
  TamborakPanel(ControlApi& engine, LoopEditing& editing, WindowServices& services,
                platform::UiQueue& queue = platform::UiQueue::main());
  ~TamborakPanel() override;
  TamborakPanel(const TamborakPanel&) = delete;
  TamborakPanel& operator=(const TamborakPanel&) = delete;

  static Rect bounds() { return {0, 0, kWidth, kHeight}; }
  // Where the compose and options buttons, the drag handle and quick pad `pad` (0-9) sit, for
  // window hosts that click them.
  static constexpr Rect kComposeRect{12, 8, 68, 64}, kOptionsRect{12, 70, 68, 89}, kDragRect{436, 56, 548, 112};
  static Rect padRect(int pad);

  // The page is shown: the quick pad highlighted, the control selection on "Velo", every
  // control refreshed, the play-position timer started. deactivate() stops the timer. On a
  // panel already shown, activate() refreshes it and keeps the control selection.
  void activate();
  void deactivate();
  void onTimer(int id);
  // What the play-position timer runs instead of asking the engine for the song position (a
  // panel whose engine does not play gets the positions elsewhere); empty: the engine's.
  void setPlayClock(std::function<void()> clock) { playClock_ = std::move(clock); }

  void paint(Canvas& canvas);
  // A press anywhere but on the focused row's focused control first takes the focus from that
  // control (an open parameter box applies its number). The control that takes a press gets the
  // moves and the release of that button; a release of the other button is ignored.
  void mouseDown(Point p, MouseButton button, unsigned mods);
  void mouseMove(Point p);
  void mouseUp(Point p, MouseButton button = MouseButton::kLeft);
  // The second left press of a double click: a press, unless the control under it gives double
  // clicks a meaning of its own (the parameter field, the strokes view).
  void doubleClick(Point p, unsigned mods = kNoMods);
  void wheel(Point p, int notches);
  // A key for the panel (its focused row first); false when nothing takes it.
  bool key(int vk, unsigned mods);
  bool character(char c);
  // Runs a command of the panel as a button or an accelerator does.
  void command(int id, unsigned mods = kNoMods);
  // The panel's background menu.
  Menu contextMenu() const;

  // The loop browser window takes commands 4100-4103; until one is attached they go nowhere.
  void setLoopBrowser(std::function<void(int)> browser) { loopBrowser_ = std::move(browser); }
  // Places the loop browser strip (not owned; nullptr removes it) at loopBrowserRect(): it is
  // painted, takes presses and, once pressed, the keys, and runs commands 4100-4103.
  void attachLoopBrowser(LoopBrowser* strip);
  static Rect loopBrowserRect();
  bool loopBrowserFocused() const { return browser_ && browserFocused_; }

  // State, for the window backends and the tests.
  const std::string& windowText() const { return windowText_; }
  const std::string& statusText() const { return status_->text(); }
  int focusedRow() const { return focusedRow_; }
  int highlightedPad() const;
  bool editMode() const { return edit_->checked(); }
  LooperView* row(int index);
  Control* control(int id);
  Control* controlAt(Point p);
  DropList& modeList() { return *mode_; }
  DropList& controlSelection() { return *controlSelect_; }
  DropList& noteNamesList() { return *noteNames_; }
  DropList& gridList() { return *grid_; }

  // RowOwner
  void onNotify(Control& control, Notify what) override;
  WindowServices& services() override { return services_; }
  void rowCommand(LooperView& row, int command) override;
  bool translateAccelerator(int key, unsigned mods) override;
  void rowFocused(LooperView& row) override;
  // TamborakView
  platform::UiTarget window() const override { return target_; }
  void refresh(Item item) override;
  bool confirmDiscard() override;
  platform::Prompt* prompt() override { return &services_.prompt(); }
  void setWindowText(const std::string& text) override;
  void detach() override;

 private:
  void build();
  void refreshAll();
  void refreshVolumes();
  void highlightPad(int index);
  void focusRow(int index);
  void showValue(int id);
  void showTip(Control* control, Point p);
  // A key for the focused row, then the panel's table.
  bool rowKey(int vk, unsigned mods);
  void press(Point p, MouseButton button, unsigned mods, bool twice);

  ControlApi* engine_;
  LoopEditing& editing_;
  WindowServices& services_;
  platform::UiQueue& queue_;
  platform::UiTarget target_ = platform::kNoTarget;
  platform::UiMessage setLoopIdxMessage_ = 0;

  std::unique_ptr<Button> compose_, options_, about_, quantize_, reset_, help_, edit_;
  std::array<std::unique_ptr<Button>, 3> variations_;
  std::array<std::unique_ptr<Button>, 10> pads_;
  std::unique_ptr<Label> status_;
  std::vector<std::unique_ptr<Label>> headings_;
  std::unique_ptr<DragHandle> handle_;
  std::unique_ptr<VSlider> swing_;
  std::unique_ptr<Pad2D> veloPad_;
  std::unique_ptr<HumanizeSlider> humanize_;
  std::unique_ptr<DropList> mode_, controlSelect_, noteNames_, grid_, phrase_, fillLength_;
  std::unique_ptr<Button> crash_;
  std::vector<Control*> controls_;
  std::array<std::unique_ptr<LooperView>, kRowCount> rows_;

  int focusedRow_ = 0;
  Control* captured_ = nullptr;
  MouseButton capturedBy_ = MouseButton::kLeft;
  Control* hovered_ = nullptr;
  std::string windowText_;
  std::function<void(int)> loopBrowser_;
  std::function<void()> playClock_;
  bool shown_ = false;
  LoopBrowser* browser_ = nullptr;
  bool browserFocused_ = false;
};

}  // namespace velmora::ui
