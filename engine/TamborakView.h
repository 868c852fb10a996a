// A user-interface view registered with the engine (the editor panel): the engine tells it what
// to show again after a change, posts quick-pad changes to its window, asks the user through it,
// and lets it go when the host disconnects.
#pragma once

#include <string>

#include "platform/Prompt.h"
#include "platform/UiQueue.h"

namespace velmora {

class TamborakView {
 public:
  // What changed and must be shown again.
  enum class Item {
    kSwing,
    kSwingGrid,
    kVeloDyn,
    kVeloCenter,
    kHumanize,
    kHumanizeTrend,
    kQuantize,
    kVolume,
    kPatternGroup,
    kNoteNames,  // the note-name set
    kDrumMap,    // the notes the loop's drum map plays
    kLoop,       // the whole loop, after a loop was read
    kPhrase,     // phrase length, fill length and crash
  };

  virtual ~TamborakView() = default;

  // The window that "Velmora_ViewsSetLoopIdx" is posted to. [any-thread]
  virtual platform::UiTarget window() const = 0;
  // Shows the engine's current value of `item` again. [main-thread]
  virtual void refresh(Item item) = 0;
  // Whether unsaved stroke edits may be dropped (the panel asks the user). [main-thread, not
  // real-time safe: may wait for the user]
  virtual bool confirmDiscard() = 0;
  // Where the engine's slices ask the user; nullptr when the view cannot ask. [main-thread]
  virtual platform::Prompt* prompt() = 0;
  // Shows `text` as the view's title (the composer's result in its test mode). [main-thread]
  virtual void setWindowText(const std::string&) {}
  // The host disconnects: the view lets go of the engine and leaves its views list
  // (removeView). [main-thread]
  virtual void detach() = 0;
};

}  // namespace velmora
