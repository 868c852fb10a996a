// Engine operations the rows and the panel use besides ControlApi: the note menu, the loop on the
// clipboard, and saving the loop under a new name. TamborakEditing serves them from the engine.
// [main-thread]
#pragma once

#include "engine/ListControls.h"

namespace velmora {
class Tamborak;
}

namespace velmora::ui {

class LoopEditing {
 public:
  virtual ~LoopEditing() = default;
  // The instrument popup of a slice (items kNoteMenuBase + mapIndex * 128 + key).
  virtual void fillNoteMenu(PopupMenu& menu, int mapIndex, int currentKey) = 0;
  virtual bool copyLoop() = 0;
  virtual bool pasteLoop() = 0;
  // Saves the loop under a name the user chooses; false when nothing was written.
  virtual bool saveLoopAs() = 0;
};

class TamborakEditing : public LoopEditing {
 public:
  explicit TamborakEditing(Tamborak& engine) : engine_(engine) {}
  void fillNoteMenu(PopupMenu& menu, int mapIndex, int currentKey) override;
  bool copyLoop() override;
  bool pasteLoop() override;
  bool saveLoopAs() override;

 private:
  Tamborak& engine_;
};

}  // namespace velmora::ui
