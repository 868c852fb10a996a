// The drum-sampler link as the sampler meets it in the Windows test host.
#pragma once

#include <filesystem>

namespace velmora {

// Creates the link through COM with presets waiting beside the DLL in `folder`; with
// `withWindow` (a display is needed) it also shows the link's page in a window of its own.
void driveDrLink(const std::filesystem::path& folder, bool withWindow);

}  // namespace velmora
