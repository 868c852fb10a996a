// The host integration: reading the host's track settings and transport from the host itself.
// It is not built: the plug-in runs with it switched off, and every caller takes its fallback
// (the MIDI filter interface and the host's windows).
#pragma once

namespace velmora::host {

// Whether the host integration is on. [any thread, real-time safe]
bool hostIntegrationOn();

}  // namespace velmora::host
