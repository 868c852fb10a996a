#include "tools/patterns/VolumePack.h"

#include <algorithm>
#include <cstring>

#include "io/Record.h"
#include "platform/Numeric.h"

namespace velmora::patterns {
namespace {

// Pointers to `items` in ascending byte order of their names.
template <typename T>
std::vector<const T*> byName(const std::vector<T>& items) {
  std::vector<const T*> sorted;
  for (const T& item : items) sorted.push_back(&item);
  std::sort(sorted.begin(), sorted.end(),
            [](const T* a, const T* b) { return platform::byteCompare(a->name, b->name) < 0; });
  return sorted;
}

void putBytes(CUniStream& stream, const std::string& bytes) {
  record::putU32(stream, static_cast<std::uint32_t>(bytes.size()));
  if (!bytes.empty()) stream.write(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
}

}  // namespace

void writeContentRecord(CUniStream& stream, const PackFolder& folder) {
  for (const PackFile* file : byName(folder.files)) {
    putBytes(stream, file->name);
    putBytes(stream, file->bytes);
  }
  record::putU32(stream, 0);
  for (const PackFolder* child : byName(folder.folders)) {
    putBytes(stream, child->name);
    writeContentRecord(stream, *child);
  }
  record::putU32(stream, 0);
}

std::string packVolume(const PackFolder& top) {
  std::string bytes;
  CUniString stream(bytes);
  stream.write(kVolumeSignature, static_cast<std::uint32_t>(std::strlen(kVolumeSignature)));
  writeContentRecord(stream, top);
  return bytes;
}

}  // namespace velmora::patterns
