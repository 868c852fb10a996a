#include "ui/LoopEditing.h"

namespace velmora::ui {

void TamborakEditing::fillNoteMenu(PopupMenu& menu, int mapIndex, int currentKey) {
  engine_.fillNoteMenu(menu, mapIndex, currentKey);
}
bool TamborakEditing::copyLoop() { return engine_.copyLoop(); }
bool TamborakEditing::pasteLoop() { return engine_.pasteLoop(); }
bool TamborakEditing::saveLoopAs() { return engine_.saveLoopAs(); }

}  // namespace velmora::ui
