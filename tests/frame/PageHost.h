// The editor page driven in a window of the test host; `shot` receives a screenshot (BMP) of the
// loop in the file `loop` (none: the engine's own).
#pragma once

#include <string>

namespace velmora {

void drivePanelPage(const std::string& shot, const std::string& loop);

}  // namespace velmora
