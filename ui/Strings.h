// The string table of the panel and the rows: for each identifier its tooltip title, a line
// feed, and the description the status line shows. [any-thread]
#pragma once

#include <string>

#include "ui/WindowServices.h"

namespace velmora::ui {

// The string of `id` ("" when there is none); the quick pads 7000-7100 share the string 7000.
std::string loadString(int id);

// The title and text of the dialogs the window backends show as message boxes.
std::string dialogTitle(Dialog dialog);
std::string dialogText(Dialog dialog);
// Shows `dialog` as a message box through `services`' prompt. [main-thread, modal]
void showDialogMessage(WindowServices& services, Dialog dialog);

}  // namespace velmora::ui
