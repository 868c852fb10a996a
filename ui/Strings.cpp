#include "ui/Strings.h"

#include <map>

#include "ui/CommandIds.h"

namespace velmora::ui {

namespace {

const std::map<int, std::string>& table() {
  static const std::map<int, std::string> strings{
      {cmd::kCompose, "Compose Loop\nCompose a new loop from the pattern library [Enter]"},
      {cmd::kOptions, "Options\nDrum maps and other options"},
      {cmd::kAbout, "About Tamborak\nProgram version and credits"},
      {cmd::kDragHandle, "Drag out Loop\nDrag the loop into a track as a MIDI file"},
      {cmd::kSwing, "Swing (Shuffle)\nDelay every second step of the swing grid"},
      {cmd::kVeloPad, "Main dynamics\nVelocity dynamics (left-right) around a centre (up-down)"},
      {cmd::kHumanize, "Humanize\nRandom variation of the velocities"},
      {cmd::kHumanizeTrend, "Humanize Velo Tendency\nWhether humanized velocities lean louder (up) or softer (down)"},
      {cmd::kQuantize, "Quantize\nMove the strokes onto the grid"},
      {cmd::kMode, "Select Mode\nThe pattern volume and its composition rules"},
      {cmd::kControlSelect, "Control selection\nWhich slice parameter the rows show: velocity, dynamics or time"},
      {cmd::kNoteNames, "Note Names\nSelect Drumset Note Names List from currently installed Instrument Definitions"},
      {cmd::kSmallVariations, "Small variations\nCompose from patterns of small variation"},
      {cmd::kMediumVariations, "Medium variations\nCompose from patterns of medium variation"},
      {cmd::kLargeVariations, "Large variations\nCompose from patterns of large variation"},
      {cmd::kReset, "Reset\nGlobal controls and slice parameters back to their defaults"},
      {cmd::kHelp, "Help\nOpen the help file"},
      {cmd::kEdit,
       "On/Off Edit Mode\nIn Edit Mode: click to insert beat; drag to change Velo/Time; double-click to erase "
       "[<Ctrl>+click]"},
      {cmd::kGrid, "Grid Resolution\nSelect Snap to Grid interval."},
      {cmd::kPhrase, "Phrase length\nBars in a phrase; the end of each phrase plays the fill (Off: no fills)"},
      {cmd::kFillLength, "Fill length\nHow much of a phrase's last bar the fill takes: one beat, two beats or the bar"},
      {cmd::kCrash, "Crash after fill\nA crash on the downbeat that follows each fill"},
      {cmd::kQuickPad0, "Quick Pad Panel\nQuick Pads for storing and instant recalling Loops [1,2,3,...,0]"},
      {cmd::kMute, "Mute/Solo\nClick to Mute/Unmute Slice [M]; right-click - Solo/Unsolo Slice [Ctrl+M]"},
      {cmd::kFillMuteTip, "Mute/Solo fill\nClick to mute the fill: no fills play [M]; right-click - Solo/Unsolo the fill [Ctrl+M]"},
      {cmd::kIdrc, "On/Off IDRC\nClick to disable/enable Auto-compose algorithm for the Slice [<Ctrl>+P]"},
      {cmd::kComposePart, "Compose part\nClick to compose drum part [P]"},
      {cmd::kPartList, "Select Part\nClick to select drum Part for the Slice"},
      {cmd::kStrokesMax, "Strokes max\nSet maximum number of strokes in patterns"},
      {cmd::kStrokesMin, "Strokes min\nSet minimum number of strokes in patterns"},
      {cmd::kPreviousPattern, "Previous pattern\nSelect previous pattern [<left arrow>]"},
      {cmd::kPatternSelector,
       "Pattern selector\nDisplays pattern number [click to open pattern list; <left/right arrows> - select pattern]"},
      {cmd::kNextPattern, "Next pattern\nSelect next pattern [<right arrow>]"},
      {cmd::kStrokesView,
       "Strokes view\nDisplays rhythmic/dynamics content of current pattern ([Backspace] - clear pattern)"},
      {cmd::kParameterTip,
       "Adjust velocity\nAdd/reduce velocity values of notes (<+>/<->(numpad); double-click to enter value)"},
      {cmd::kParameterTip + 1,
       "Dynamics strength, %\nSet the strength of main dynamics applied to the Slice(<+>/<->(numpad); double-click to enter "
       "value)"},
      {cmd::kParameterTip + 2,
       "Time offset\nApply offset to the start time of notes (<+>/<->(numpad); double-click to enter value)"},
      {cmd::kNoteSelector, "Note Name\nDisplays output Drum sound name (click to change/select)"},
      {cmd::kLoopTree, "Save/Load Loop\nSave/Load current Drum Loop and controls as a Tamborak file"},
      {cmd::kLoopSaveButton, "Save As Loop\nSave As current Loop [S]; <Shift>+click - Save Loop [<Shift>+S]"},
      {cmd::kLoopDeleteButton, "Delete Loop\nDelete Loop from tree"},
  };
  return strings;
}

}  // namespace

std::string loadString(int id) {
  if (id >= cmd::kQuickPad0 && id <= 7100) id = cmd::kQuickPad0;
  const auto it = table().find(id);
  return it == table().end() ? std::string() : it->second;
}

std::string dialogTitle(Dialog dialog) {
  switch (dialog) {
    case Dialog::kAbout: return "Tamborak";
    case Dialog::kHelp: return "Tamborak help";
    case Dialog::kOptions: return "Tamborak options";
  }
  return "Tamborak";
}

std::string dialogText(Dialog dialog) {
  switch (dialog) {
    case Dialog::kAbout:
      return "A drum-loop composer.\nComposes loops from a library of one-bar patterns and plays them with the song.";
    case Dialog::kHelp:
      return "Compose Loop (Enter) composes a new loop; each row's P composes its slice.\n"
             "1-0 recall quick pads (also with Shift or Ctrl); the pad left keeps its loop. S saves the loop.\n"
             "Right-click a row or the panel for more.";
    case Dialog::kOptions:
      return "The options are kept with the plug-in's settings in this version.";
  }
  return {};
}

void showDialogMessage(WindowServices& services, Dialog dialog) {
  services.prompt().ask(dialogText(dialog), dialogTitle(dialog), platform::PromptButtons::kOk,
                        platform::PromptIcon::kInformation);
}

}  // namespace velmora::ui
