// Saving a whole file so that a crash or a kill at any moment leaves either the old file or the
// new one whole, never a mix: the bytes go to a temporary file beside it, are flushed to disk,
// and the temporary file is renamed over the old one; the rename itself is flushed too (the
// folder on POSIX, a write-through move on Windows), so that it survives a power loss.
#pragma once

#include <string>
#include <string_view>

namespace velmora::platform {

// [any thread, not real-time safe] True on success; on failure the old file is untouched, the
// temporary file is removed and `error` says what failed. When only the last flush (of the
// folder) fails, the new file is in place, but the result is false and `error` says so.
bool saveFileWhole(const std::string& path, std::string_view bytes, std::string& error);

// [any thread, not real-time safe] As saveFileWhole, but never replaces a file: when something
// already has the name (or takes it meanwhile), nothing changes, the result is false and
// `exists` is set. The file system must support hard links on POSIX.
bool saveNewFileWhole(const std::string& path, std::string_view bytes, std::string& error, bool& exists);

}  // namespace velmora::platform
