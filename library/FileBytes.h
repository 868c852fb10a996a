// Reading a whole file into memory, for readers that parse through a bounded memory stream.
#pragma once

#include <string>

namespace velmora {

// [any thread, not real-time safe: file I/O] Reads the file at the native path into `bytes`.
// False (bytes empty) when it cannot be opened.
bool readFileBytes(const std::string& path, std::string& bytes);

}  // namespace velmora
