#include "ui/Accelerators.h"

#include "ui/CommandIds.h"
#include "ui/Geometry.h"

namespace velmora::ui {

int translateAccelerator(const AcceleratorTable& table, int key, unsigned mods) {
  for (const Accelerator& a : table)
    if (a.key == key && a.mods == mods) return a.command;
  return 0;
}

const AcceleratorTable& panelAccelerators() {
  static const AcceleratorTable table = [] {
    AcceleratorTable t{{'S', kNoMods, cmd::kLoopSaveAs},       {'S', kShift, cmd::kLoopSave},
                       {keys::kDelete, kNoMods, cmd::kLoopDelete}, {keys::kInsert, kNoMods, cmd::kLoopInsert},
                       {keys::kSpace, kNoMods, cmd::kTogglePlayback}, {keys::kDown, kNoMods, cmd::kNextSlice},
                       {keys::kUp, kNoMods, cmd::kPreviousSlice}};
    // Digits 1-9 and 0 (main keys and keypad, plain, with Shift or with Ctrl) recall pads 0-9.
    for (int digit = 0; digit <= 9; ++digit) {
      const int pad = cmd::kQuickPad0 + (digit == 0 ? 9 : digit - 1);
      for (unsigned mods : {unsigned{kNoMods}, unsigned{kShift}, unsigned{kCtrl}}) {
        t.push_back({'0' + digit, mods, pad});
        t.push_back({keys::kNumpad0 + digit, mods, pad});
      }
    }
    for (unsigned mods : {unsigned{kNoMods}, unsigned{kShift}, unsigned{kCtrl}, unsigned{kAlt}, unsigned{kShift | kAlt}})
      t.push_back({keys::kReturn, mods, cmd::kCompose});
    return t;
  }();
  return table;
}

const AcceleratorTable& rowAccelerators() {
  static const AcceleratorTable table{
      {'M', kNoMods, cmd::kMute},          {'M', kCtrl, cmd::kSolo},
      {'P', kNoMods, cmd::kComposePart},   {'P', kCtrl, cmd::kIdrc},
      {keys::kDown, kNoMods, cmd::kNextSlice}, {keys::kUp, kNoMods, cmd::kPreviousSlice},
      {keys::kLeft, kNoMods, cmd::kPreviousPattern}, {keys::kLeft, kCtrl, cmd::kPreviousPattern},
      {keys::kRight, kNoMods, cmd::kNextPattern},    {keys::kRight, kCtrl, cmd::kNextPattern},
      {keys::kTab, kNoMods, cmd::kFocusNext},        {keys::kTab, kShift, cmd::kFocusPrevious},
      {keys::kBack, kNoMods, cmd::kClearPattern},    {keys::kBack, kCtrl, cmd::kClearLoop},
      {'C', kCtrl, cmd::kCopyLoop},                  {'V', kCtrl, cmd::kPasteLoop},
  };
  return table;
}

}  // namespace velmora::ui
