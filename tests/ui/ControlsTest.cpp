// The flat controls on their own: what a press, a drag, a key or a menu choice makes each report,
// the values and texts they then hold, and pictures that stay inside their cells.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <utility>
#include <vector>

#include "ui/Accelerators.h"
#include "ui/CommandIds.h"
#include "ui/Controls.h"
#include "ui/Pictures.h"
#include "ui/Recording.h"

namespace velmora::ui {
namespace {

// An owner that keeps every notification as (id, what).
struct Owner : ControlOwner {
  void onNotify(Control& c, Notify what) override { got.emplace_back(c.id(), what); }
  WindowServices& services() override { return window; }
  RecordingServices window;
  std::vector<std::pair<int, Notify>> got;
};

TEST(Controls, SlidersAndThePadMapThePointerOntoTheirRangesAndReportEachMoveThenTheEnd) {
  Owner o;
  VSlider swing(o, 1, {0, 0, 20, 116}, "Swing", 0, 100);  // track: y 20 (100) to 112 (0)
  const Rect t = swing.track();
  ASSERT_EQ(t.bottom - t.top, 92);
  struct Case {
    int y, value;
  } cases[] = {{t.bottom, 0}, {t.top, 100}, {t.top - 50, 100}, {t.bottom + 50, 0}, {(t.top + t.bottom) / 2, 50}, {t.bottom - 55, 60}};
  ASSERT_TRUE(swing.mouseDown({10, t.bottom}, MouseButton::kLeft, kNoMods));
  for (const Case& c : cases) {
    swing.mouseMove({10, c.y});
    EXPECT_EQ(swing.value(), c.value) << "y " << c.y;
  }
  swing.mouseUp({10, 0});
  EXPECT_EQ(o.got.back(), std::make_pair(1, Notify::kEndTrack));
  EXPECT_EQ(std::count(o.got.begin(), o.got.end(), std::make_pair(1, Notify::kTrack)), 4) << "one per change";
  swing.mouseMove({10, t.top});
  EXPECT_EQ(swing.value(), 60) << "moves after the release change nothing";
  swing.wheel(3);
  EXPECT_EQ(swing.value(), 63);

  Pad2D pad(o, 2, {0, 0, 106, 122}, "Dyn", -100, 200, -100, 100);  // area inset: x 3..102, y 19..118
  ASSERT_TRUE(pad.mouseDown({3, 118}, MouseButton::kLeft, kNoMods));
  EXPECT_EQ(std::make_pair(pad.x(), pad.y()), std::make_pair(-100, -100));
  pad.mouseMove({102, 19});
  EXPECT_EQ(std::make_pair(pad.x(), pad.y()), std::make_pair(200, 100));
  pad.mouseMove({500, -500});
  EXPECT_EQ(std::make_pair(pad.x(), pad.y()), std::make_pair(200, 100)) << "clamped";
  EXPECT_FALSE(pad.mouseDown({50, 5}, MouseButton::kLeft, kNoMods)) << "the label is not the pad";

  HumanizeSlider h(o, 3010, 3011, {0, 0, 54, 104}, "Humanize");
  ASSERT_TRUE(h.mouseDown({h.trendSlider().rect().left + 2, h.trendSlider().track().top}, MouseButton::kLeft, kNoMods));
  h.mouseUp({0, 0});
  EXPECT_EQ(h.trend(), 100);
  EXPECT_EQ(h.amount(), 0) << "the trend part moved alone";
  EXPECT_EQ(o.got.back().first, 3011);
}

TEST(Controls, ButtonsReportAClickReleasedInsideAndOnlyTheButtonsTheyTake) {
  Owner o;
  Button b(o, 7, {0, 0, 20, 20}, "B");
  struct Case {
    const char* what;
    MouseButton button;
    Point release;
    bool rightClicks, enabled;
    bool clicked;
  } cases[] = {
      {"left inside", MouseButton::kLeft, {5, 5}, false, true, true},
      {"left released outside", MouseButton::kLeft, {40, 5}, false, true, false},
      {"right on a plain button", MouseButton::kRight, {5, 5}, false, true, false},
      {"right where taken", MouseButton::kRight, {5, 5}, true, true, true},
      {"disabled", MouseButton::kLeft, {5, 5}, false, false, false},
  };
  for (const Case& c : cases) {
    o.got.clear();
    b.setRightClicks(c.rightClicks);
    b.setEnabled(c.enabled);
    if (b.mouseDown({5, 5}, c.button, kCtrl)) b.mouseUp(c.release);
    EXPECT_EQ(!o.got.empty(), c.clicked) << c.what;
    if (c.clicked) {
      EXPECT_EQ(b.lastMods(), unsigned{kCtrl}) << c.what;
    }
  }
}

TEST(Controls, ADropListOffersItsItemsAsAMenuAndStepsWithThePlusAndMinusKeys) {
  Owner o;
  DropList list(o, 9, {0, 0, 40, 20});
  list.setTooltip("Tip\nHelp");
  list.setItems({"8", "6", "4"});
  list.select(1);
  o.window.menuChoices = {3};
  list.mouseDown({5, 5}, MouseButton::kLeft, kNoMods);
  ASSERT_EQ(o.window.menus.size(), 1u);
  const Menu& m = o.window.menus[0];
  ASSERT_EQ(m.items.size(), 3u);
  EXPECT_TRUE(m.items[1].checked && !m.items[0].checked);
  EXPECT_EQ(list.shownText(), "4");
  EXPECT_EQ(o.got, (std::vector<std::pair<int, Notify>>{{9, Notify::kChanged}}));

  struct Case {
    bool swapped;
    int key, from, to;
  } cases[] = {{false, keys::kSubtract, 2, 1}, {false, keys::kAdd, 1, 2}, {false, keys::kAdd, 2, 2},
               {true, keys::kAdd, 2, 1},       {true, keys::kSubtract, 0, 1}, {false, keys::kAdd, -1, 0}};
  for (const Case& c : cases) {
    list.setSwapPlusMinus(c.swapped);
    list.select(c.from);
    EXPECT_TRUE(list.key(c.key, kNoMods));
    EXPECT_EQ(list.selection(), c.to) << c.key << " from " << c.from << (c.swapped ? " swapped" : "");
  }
  EXPECT_FALSE(list.key(keys::kAdd, kCtrl));
  EXPECT_EQ(list.tooltip(), "Tip\nHelp");
  list.setTextTooltip(true);
  EXPECT_EQ(list.tooltip(), "8");
  list.select(-1);
  EXPECT_EQ(list.tooltip(), "Tip\nHelp") << "no text: the string of the id";
}

TEST(Controls, TheNumberFieldsEditBoxTakesDigitsAndSignsStepsAndAppliesOnEnterOrLeavingOnly) {
  Owner o;
  NumberField f(o, 4047, {0, 0, 32, 20});
  f.setText("12");
  EXPECT_TRUE(f.key(keys::kAdd, kNoMods));
  EXPECT_TRUE(f.key(keys::kSubtract, kNoMods));
  EXPECT_EQ(o.got, (std::vector<std::pair<int, Notify>>{{4047, Notify::kStepUp}, {4047, Notify::kStepDown}}));
  o.got.clear();

  struct Case {
    const char* what;
    std::string typed;
    std::vector<int> keys;
    int notches;
    int finish;  // kReturn, kEscape, or 0: focus leaves
    bool applied;
    int value;
  } cases[] = {
      {"typed over the selection", "-7", {}, 0, keys::kReturn, true, -7},
      {"letters beep and are dropped", "3a5", {}, 0, keys::kReturn, true, 35},
      {"up, keypad plus and the wheel step", "", {keys::kUp, keys::kAdd, keys::kDown}, 3, keys::kReturn, true, 16},
      {"escape closes without applying", "99", {}, 0, keys::kEscape, false, 0},
      {"leaving applies", "40", {}, 0, 0, true, 40},
      {"a lone sign reads as 0", "-", {}, 0, keys::kReturn, true, 0},
      {"backspace over the selection empties it", "", {keys::kBack}, 0, keys::kReturn, true, 0},
  };
  for (const Case& c : cases) {
    o.got.clear();
    f.doubleClick({5, 5}, kNoMods);
    ASSERT_TRUE(f.editing()) << c.what;
    for (char ch : c.typed) f.character(ch);
    for (int k : c.keys) f.key(k, kNoMods);
    f.wheel(c.notches);
    if (c.finish) f.key(c.finish, kNoMods);
    else f.focusLost();
    EXPECT_FALSE(f.editing()) << c.what;
    EXPECT_EQ(!o.got.empty(), c.applied) << c.what;
    if (c.applied) {
      EXPECT_EQ(f.editValue(), c.value) << c.what;
    }
  }
  EXPECT_EQ(o.window.beeps, 1);
}

TEST(Controls, NumbersAreReadAsAtoiReadsThem) {
  const std::pair<const char*, int> cases[] = {{"42", 42}, {" -13x", -13}, {"+7", 7}, {"", 0}, {"x1", 0},
                                               {"99999999999", INT_MAX}, {"-99999999999", INT_MIN}};
  for (const auto& [text, value] : cases) EXPECT_EQ(readInt(text), value) << text;
}

// The keys the panel's tests press run through these tables too; here the pads' other keys, the
// modifiers a key ignores and those that turn it off.
TEST(Controls, AcceleratorTablesGiveTheirCommandsForExactlyTheirModifiers) {
  struct Case {
    bool row;
    int key;
    unsigned mods;
    int command;
  } cases[] = {
      {false, 'S', kCtrl, 0}, {false, '1', kNoMods, 7000}, {false, '0', kNoMods, 7009}, {false, '3', kShift, 7002},
      {false, keys::kNumpad0 + 9, kCtrl, 7008}, {false, keys::kNumpad0, kNoMods, 7009}, {false, '5', kAlt, 0},
      {false, keys::kReturn, kShift | kAlt, 3000}, {false, keys::kReturn, kCtrl | kAlt, 0}, {false, 'R', kNoMods, 0},
      {true, keys::kLeft, kCtrl, 4018}, {true, 'C', kCtrl, 4002}, {true, 'V', kCtrl, 4003}, {true, 'V', kNoMods, 0},
      {true, 'X', kNoMods, 0},
  };
  for (const Case& c : cases)
    EXPECT_EQ(translateAccelerator(c.row ? rowAccelerators() : panelAccelerators(), c.key, c.mods), c.command)
        << (c.row ? "row " : "panel ") << c.key << " mods " << c.mods;
}

TEST(Controls, EveryKindImageStaysInsideItsCellAndKindNamesFindTheirImages) {
  const KindImages& images = kindImages();
  ASSERT_EQ(std::make_pair(images.cellWidth(), images.cellHeight()), std::make_pair(31, 25));
  for (int cell = 0; cell < images.cellCount(); ++cell) {
    RecordingCanvas canvas;
    images.drawCell(canvas, cell, {100, 50});
    ASSERT_FALSE(canvas.ops().empty()) << cell;
    for (const RecordingCanvas::Op& op : canvas.ops()) {
      const Rect r = op.rect;
      EXPECT_TRUE(std::min(r.left, r.right) >= 100 && std::max(r.left, r.right) <= 131 && std::min(r.top, r.bottom) >= 50 &&
                  std::max(r.top, r.bottom) <= 75)
          << "cell " << cell << " draws at " << r.left << "," << r.top << "-" << r.right << "," << r.bottom;
    }
  }
  const std::pair<const char*, int> kinds[] = {{"Kick", KindImages::kKick}, {"HH_Cl", KindImages::kHiHat},
                                               {"HH_Op", KindImages::kOpenHiHat}, {"Ride", KindImages::kRide},
                                               {"Tambourine", KindImages::kTambourine}, {"universal", KindImages::kOther}};
  for (const auto& [name, cell] : kinds) EXPECT_EQ(KindImages::cellOf(name), cell) << name;
}

}  // namespace
}  // namespace velmora::ui
