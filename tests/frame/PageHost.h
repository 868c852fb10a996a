// The editor page driven in a window of the test host; `shot` receives a screenshot (BMP).
#pragma once

#include <string>

namespace velmora {

void drivePanelPage(const std::string& shot);

}  // namespace velmora
