#include "library/FileBytes.h"

#include <algorithm>
#include <cstdint>

#include "io/File.h"

namespace velmora {

bool readFileBytes(const std::string& path, std::string& bytes) {
  bytes.clear();
  io::File file(path, io::File::kGenericRead, io::File::kOpenExisting);
  if (!file.isOpen()) return false;
  // Read to the end rather than trusting the size, which may change while we read.
  constexpr std::size_t kBlock = 64 * 1024;
  constexpr std::size_t kMaxBytes = 0xFFFFFFFFu;  // sizes are stored in 32 bits
  for (;;) {
    const std::size_t old = bytes.size();
    const std::size_t want = std::min(kBlock, kMaxBytes - old);
    if (want == 0) break;
    bytes.resize(old + want);
    const std::uint32_t got = file.read(bytes.data() + old, static_cast<std::uint32_t>(want));
    bytes.resize(old + got);
    if (got < want) break;
  }
  return true;
}

}  // namespace velmora
