// Saving a whole file so that a crash or a kill at any moment leaves either the old file or the
// new one whole, never a mix: the bytes go to a temporary file beside it, are flushed to disk,
// and the temporary file is renamed over the old one.
#pragma once

#include <string>
#include <string_view>

namespace velmora::platform {

// [any thread, not real-time safe] True on success; on failure the old file is untouched, the
// temporary file is removed and `error` says what failed.
bool saveFileWhole(const std::string& path, std::string_view bytes, std::string& error);

}  // namespace velmora::platform
