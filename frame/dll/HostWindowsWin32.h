// The host's windows, its menu commands and the integration's message box inside a Windows host.
#pragma once

namespace velmora {

// Installs them for the process. [main-thread, not real-time safe; once, at start-up]
void installHostWindows();

}  // namespace velmora
