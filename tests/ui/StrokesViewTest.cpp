// The strokes view on a real engine slice: each gesture family driven through the panel's mouse
// calls, what it does to the slice's events, flags and the status text; and what a repaint
// draws.
#include <functional>
#include <string>
#include <vector>

#include "tests/ui/PanelFixture.h"
#include "ui/CommandIds.h"
#include "ui/StrokesView.h"

namespace velmora::test {
namespace {

using ui::MouseButton;
namespace cmd = ui::cmd;

constexpr int kRow = 5;  // the bass drum: one row in edit mode

class StrokesTest : public PanelTest {
 protected:
  void SetUp() override {
    PanelTest::SetUp();
    click(cmd::kEdit);
    empty();
  }
  // No strokes, one bar long: a controller record (neither shown nor hit) at the bar's last tick.
  void empty() {
    slice(kRow).setEdited(false);
    slice(kRow).clearPattern();
    slice(kRow).setIdrcOff(false);
    MidiEvent end;
    end.type = kEventController;
    end.time = 4 * static_cast<std::int32_t>(slice(kRow).track().division()) - 1;
    slice(kRow).editTrack([&](CMidiTrack& t) { t.Insert(end); });
  }
  ui::EventBar& bar() { return panel().row(kRow)->strokes(); }
  StrokeGeometry geometry() { return bar().geometry(); }
  void setGrid(int entry) { panel().gridList().choose(entry); }  // 0 off, 3 sixteen cells
  // The panel point `dx` pixels into the time axis, on row `row`.
  ui::Point at(int dx, int row = 0) {
    const ui::Rect r = bar().rect();
    return {r.left + 6 + dx, r.top + geometry().rowCentre(row)};
  }
  // A stroke's centre.
  ui::Point on(std::int32_t t, int row = 0) { return at(geometry().offsetOf(t), row); }
  void press(ui::Point p, unsigned mods = ui::kNoMods) {
    panel().mouseDown(p, MouseButton::kLeft, mods);
    panel().mouseUp(p);
  }
  void drag(ui::Point from, const std::vector<ui::Point>& path) {
    panel().mouseDown(from, MouseButton::kLeft, ui::kNoMods);
    for (ui::Point p : path) panel().mouseMove(p);
    panel().mouseUp(path.back());
  }
  std::vector<MidiEvent> notes() {
    std::vector<MidiEvent> out;
    for (const MidiEvent& e : slice(kRow).track())
      if (e.isNote()) out.push_back(e);
    return out;
  }
  std::vector<std::int32_t> times() {
    std::vector<std::int32_t> out;
    for (const MidiEvent& e : notes()) out.push_back(e.time);
    return out;
  }
  std::vector<int> cells() {
    ui::RecordingCanvas canvas = paintBar();
    std::vector<int> out;
    for (const auto& op : canvas.ops())
      if (op.kind == ui::RecordingCanvas::Op::kImage) out.push_back(op.cell);
    return out;
  }
  ui::RecordingCanvas paintBar() {
    ui::RecordingCanvas canvas;
    bar().paint(canvas);
    return canvas;
  }
};

TEST_F(StrokesTest, GesturesChangeTheSlicesEvents) {
  const StrokeGeometry g0 = geometry();
  ASSERT_EQ(g0.length, 4 * g0.patternTicksPerQuarter);  // one bar of 4/4
  ASSERT_EQ(g0.width, 200);
  const std::int32_t L = g0.length, q = g0.patternTicksPerQuarter, cell = L / 16;
  const int key = slice(kRow).rowKey(0);
  // The pixel nearest to a fraction of the way from cell line k to k + 1 of the 16-cell grid.
  auto between = [&](int k, int quarters) { return static_cast<int>((std::int64_t{k} * cell + quarters * cell / 4) * 200 / L); };
  struct Case {
    const char* what;
    int grid;                   // grid list entry
    std::function<void()> act;  // on an empty slice
    std::vector<std::int32_t> times;
    std::function<void()> check;
  } cases[] = {
      {"click inserts a sixteenth of velocity 100", 0, [&] { press(at(100)); }, {L / 2},
       [&] {
         const MidiEvent e = notes().at(0);
         EXPECT_EQ(e.data1, key);
         EXPECT_EQ(e.data2, 100);
         EXPECT_EQ(e.channel, 9);
         EXPECT_EQ(e.data3, 64);
         EXPECT_EQ(e.duration, static_cast<std::uint32_t>(q / 4));
       }},
      {"three quarters to the next grid line snaps forward", 3, [&] { press(at(between(4, 3))); }, {5 * cell}, {}},
      {"a quarter past a grid line snaps back", 3, [&] { press(at(between(4, 1))); }, {4 * cell}, {}},
      {"the first tick with the grid gives 0", 3, [&] { press(at(0)); }, {0}, {}},
      {"near the cycle end the stroke ends inside it", 0, [&] { press(at(199)); }, {199 * L / 200},
       [&] {
         EXPECT_EQ(notes().at(0).duration, static_cast<std::uint32_t>(L - 199 * L / 200 - 1));
         EXPECT_EQ(geometry().length, L);
       }},
      {"dragging up 30 pixels from 100 gives 127", 0,
       [&] {
         press(on(0));
         drag(on(0), {{on(0).x, on(0).y - 1}, {on(0).x, on(0).y - 30}});
       },
       {0}, [&] { EXPECT_EQ(notes().at(0).data2, 127); EXPECT_EQ(panel().windowText(), "Velocity: 127"); }},
      {"dragging down 120 pixels gives 1", 0, [&] { drag(at(0), {{at(0).x, at(0).y + 120}}); }, {0},
       [&] { EXPECT_EQ(notes().at(0).data2, 1); EXPECT_EQ(panel().windowText(), "Velocity: 1"); }},
      {"dragging sideways moves the stroke and shows its beat", 0, [&] { drag(at(0), {at(1), at(50)}); }, {L / 4},
       [&] { EXPECT_EQ(panel().windowText(), "Position: 2:0"); }},
      {"a long stroke dragged to the end keeps the cycle", 0,
       [&] {
         press(at(0));
         slice(kRow).editTrack([](CMidiTrack& t) { t.begin()->duration = 1000; });
         drag(on(0), {at(199)});
       },
       {199 * L / 200}, [&] { EXPECT_EQ(geometry().length, L); }},
      {"dragging sideways with the grid fills the cells it crosses", 3,
       [&] { drag(at(0), {at(5), at(13), at(14), at(26), at(38), at(50), at(51)}); }, {0, cell, 2 * cell, 3 * cell, 4 * cell},
       {}},
      {"painting over cells again with swing on adds nothing", 3,
       [&] {
         engine().setSwingPc(100, false);
         for (int pass = 0; pass < 2; ++pass) drag(at(0), {at(13), at(26), at(13), at(0)});
         engine().setSwingPc(0, false);
       },
       {0, cell, 2 * cell}, {}},
      {"Ctrl+click erases a stroke", 0, [&] { press(at(100)); press(on(L / 2), ui::kCtrl); }, {}, {}},
      {"a double click erases the stroke", 0, [&] { press(at(100)); panel().doubleClick(on(L / 2)); }, {}, {}},
      {"Ctrl+click beside the strokes does nothing", 0, [&] { press(at(100)); press(at(150), ui::kCtrl); }, {L / 2}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    empty();
    setGrid(c.grid);
    c.act();
    EXPECT_EQ(times(), c.times);
    if (c.check) c.check();
    EXPECT_FALSE(services_.captured);
  }
  EXPECT_EQ(services_.beeps, 0);
}

TEST_F(StrokesTest, AnEditMarksTheSliceAndComposingLeavesItAlone) {
  press(at(0), ui::kCtrl);  // nothing to erase: the slice stays as it was
  EXPECT_FALSE(slice(kRow).edited());
  EXPECT_TRUE(notes().empty());

  press(at(100));
  EXPECT_TRUE(slice(kRow).edited());
  EXPECT_TRUE(slice(kRow).ownEvents());
  EXPECT_TRUE(slice(kRow).idrcOff());
  EXPECT_EQ(panel().row(kRow)->patternText(), "--- *");
  const std::vector<std::int32_t> before = times();
  engine().compose(nullptr);
  EXPECT_EQ(times(), before);

  // Without edit mode a click inserts nothing and the view does not hold the mouse.
  click(cmd::kEdit);
  press(at(150));
  EXPECT_EQ(times(), before);
  EXPECT_FALSE(services_.captured);
}

TEST_F(StrokesTest, PaintingShowsStrokesGroupsAndShades) {
  auto count = [](const ui::RecordingCanvas& c, ui::RecordingCanvas::Op::Kind kind, ui::Color color) {
    return std::count_if(c.ops().begin(), c.ops().end(), [&](const auto& op) { return op.kind == kind && op.color == color; });
  };
  const ui::Color red{255, 0, 0}, beat{140, 149, 106};
  // No strokes: background and beat lines (4 of a bar, both ends), no sprites.
  slice(kRow).clearPattern();
  ui::RecordingCanvas empty = paintBar();
  EXPECT_TRUE(cells().empty());
  EXPECT_EQ(count(empty, ui::RecordingCanvas::Op::kLine, beat), 5);
  EXPECT_EQ(empty.ops().at(4).color, (ui::Color{240, 240, 180}));  // playing, edit mode, not selected

  // Two strokes at one time: one sprite with the 12 segments of the red marker. Shades: loud
  // strokes in column 0, strokes at the display floor (20) in the softest column.
  this->empty();
  const std::int32_t L = geometry().length;
  press(at(100));
  slice(kRow).insertStroke(geometry(), L / 2, slice(kRow).rowKey(0), 110);
  press(at(0));
  slice(kRow).editTrack([](CMidiTrack& t) { t.begin()->data2 = 20; });
  EXPECT_EQ(cells(), (std::vector<int>{ui::StrokeSprites::kShades - 1, 0}));
  EXPECT_EQ(count(paintBar(), ui::RecordingCanvas::Op::kLine, red), 12);
  slice(kRow).setMutedSilently(true);
  EXPECT_EQ(cells(), (std::vector<int>{2 * ui::StrokeSprites::kShades - 1, ui::StrokeSprites::kShades}));
  // The sprites sit where playback puts the strokes: a time offset moves them right.
  auto spriteLeft = [&] {
    const auto canvas = paintBar();
    for (const auto& op : canvas.ops())
      if (op.kind == ui::RecordingCanvas::Op::kImage) return op.rect.left;
    return -1;
  };
  const int unshifted = spriteLeft();
  slice(kRow).setParameter(Looper::kTimeOffset, Looper::kOffsetTicksPerQuarter / 2);
  EXPECT_GT(spriteLeft(), unshifted + 5);
  slice(kRow).setParameter(Looper::kTimeOffset, 0);

  // With a display floor of 0: velocity 127 loudest, velocity 1 rounds down to the next column.
  EXPECT_EQ(ui::StrokeSprites::columnOf(127, 0), 0);
  EXPECT_EQ(ui::StrokeSprites::columnOf(1, 0), 126 * (ui::StrokeSprites::kShades - 1) / 127);

  // The play cursor steps one pixel when just behind, jumps otherwise.
  bar().showPosition(L, L * 2);
  EXPECT_EQ(bar().cursor(), 100);
  bar().showPosition(L + 3 * L / 100, L * 2);
  EXPECT_EQ(bar().cursor(), 101);
  bar().showPosition(L + 5 * L / 100, L * 2);
  EXPECT_EQ(bar().cursor(), 105);
}

}  // namespace
}  // namespace velmora::test
