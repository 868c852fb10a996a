#include "platform/FileAccess.h"

#include <algorithm>
#include <filesystem>
#include <new>

#include "platform/RegularFile.h"

namespace velmora::platform {

namespace {

// Appends up to `count` bytes of the file to `bytes`; false with `error` on a read error.
bool readInto(RegularFile& file, std::string& bytes, std::uint64_t count, std::string& error) {
  constexpr std::size_t kBlock = 64 * 1024;
  while (count > 0) {
    const std::size_t old = bytes.size();
    const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(kBlock, count));
    bytes.resize(old + want);
    const std::int64_t got = file.read(bytes.data() + old, want, error);
    bytes.resize(old + static_cast<std::size_t>(std::max<std::int64_t>(got, 0)));
    if (got < 0) return false;
    if (got == 0) break;
    count -= static_cast<std::uint64_t>(got);
  }
  return true;
}

std::string tooLargeText(std::uint64_t maxBytes) {
  return "larger than " + std::to_string(maxBytes) + " bytes (" + std::to_string(maxBytes >> 20) +
         " MiB), the most accepted";
}

FileRead refuse(FileRead why, std::string& bytes) {
  bytes.clear();
  bytes.shrink_to_fit();
  return why;
}

}  // namespace

bool sameRegularFile(const std::string& a, const std::string& b) {
  namespace fs = std::filesystem;
  std::error_code ec;
  FileIdentity ia, ib;
  const bool hasA = fileIdentity(a, ia), hasB = fileIdentity(b, ib);
  if (hasA || hasB) return hasA && hasB && ia == ib && fs::is_regular_file(a, ec);
  const std::string ta = linkTarget(a), tb = linkTarget(b);
  if (ta.empty() || tb.empty()) return false;
  const fs::path ca = fs::weakly_canonical(fs::absolute(ta, ec), ec), cb = fs::weakly_canonical(fs::absolute(tb, ec), ec);
  return !ec && ca == cb;
}

FileRead readRegularFile(const std::string& path, std::uint64_t maxBytes, std::string_view start,
                         std::string& bytes, std::string& error) {
  bytes.clear();
  error.clear();
  RegularFile file;
  if (const FileRead opened = file.open(path, error); opened != FileRead::kRead) return opened;
  try {
    if (!start.empty()) {
      if (!readInto(file, bytes, start.size(), error)) return refuse(FileRead::kFailed, bytes);
      if (bytes != start) return refuse(FileRead::kWrongStart, bytes);
    }
    // The size may change while we read: read to the end, but never more than the limit.
    if (file.size() > maxBytes) {
      error = tooLargeText(maxBytes);
      return refuse(FileRead::kTooLarge, bytes);
    }
    bytes.reserve(static_cast<std::size_t>(file.size()));
    const std::uint64_t room = bytes.size() > maxBytes ? 0 : maxBytes - bytes.size() + 1;  // one more shows growth
    if (!readInto(file, bytes, room, error)) return refuse(FileRead::kFailed, bytes);
    if (bytes.size() > maxBytes) {
      error = tooLargeText(maxBytes);
      return refuse(FileRead::kTooLarge, bytes);
    }
  } catch (const std::bad_alloc&) {
    error = "not enough memory to read it";
    return refuse(FileRead::kFailed, bytes);
  }
  return FileRead::kRead;
}

}  // namespace velmora::platform
