// The loop editing the rows and the panel run: the note menu, the loop on the clipboard, and
// saving the loop under a new name. TamborakEditing passes them to the engine's control API;
// tests put their own in its place. [main-thread]
#pragma once

#include "engine/ControlApi.h"

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
  explicit TamborakEditing(ControlApi& engine) : engine_(engine) {}
  void fillNoteMenu(PopupMenu& menu, int mapIndex, int currentKey) override;
  bool copyLoop() override;
  bool pasteLoop() override;
  bool saveLoopAs() override;

 private:
  ControlApi& engine_;
};

}  // namespace velmora::ui
