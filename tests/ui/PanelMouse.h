// The mouse as a window backend hands it to the panel, checked by each backend's test: a right
// click on a mute button solos and the next left click counts; a quick second click counts; an
// open parameter box applies when the next press goes to another row or to a panel control.
#pragma once

#include <string>

#include "ui/Geometry.h"

namespace velmora::test {

// Read back by a backend's test: the muted slices (bit n: slice n), slice 0's pattern and
// velocity adjustment, quantize.
struct PanelFacts {
  int muted;
  std::string pattern;
  int velocity;
  bool quantize;
};

// `press(right, point, times)` clicks `times` times in a row, `type(digits)` types, `facts()`
// handles what was sent and reads back, `check(ok, what)` reports.
template <class Press, class Type, class Facts, class Check>
void checkPanelMouse(Press press, Type type, Facts facts, Check check) {
  constexpr ui::Point quantize{105, 65};
  // In row `row` at x: mute 5, previous 125, next 169, strokes 285, parameter 412.
  const auto at = [](int row, int x) { return ui::Point{12 + x, 151 + 33 * row}; };
  const PanelFacts before = facts();
  press(true, at(0, 5), 1);
  press(false, quantize, 1);
  const PanelFacts solo = facts();
  check(solo.muted == 0x3E && solo.quantize != before.quantize, "a right click on a mute button solos and the next click counts");
  press(false, at(0, 169), 1);
  const std::string next = facts().pattern;
  press(false, at(0, 125), 2);
  press(false, quantize, 2);
  const PanelFacts back = facts();
  check(next != solo.pattern && back.pattern != solo.pattern && back.quantize == solo.quantize,
        "two quick clicks on a button are two clicks");
  press(false, at(0, 412), 2);
  type("12");
  press(false, at(1, 285), 1);
  press(false, quantize, 1);
  const PanelFacts typed = facts();
  check(before.velocity != 12 && typed.velocity == 12 && typed.quantize == before.quantize,
        "a typed parameter applies when the next press goes elsewhere");
}

}  // namespace velmora::test
