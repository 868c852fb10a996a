// Packing a generated volume into one volume file: the signature, then the content record of the
// volume's top folder (leaves, a zero length, folders, a zero length; names and sizes as 32-bit
// little-endian lengths). Entries are written in ascending byte order of their names, the order
// the library tree keeps, so the same folder always packs to the same bytes.
#pragma once

#include <string>
#include <vector>

#include "io/UniStream.h"

namespace velmora::patterns {

struct PackFile {
  std::string name;
  std::string bytes;
};

struct PackFolder {
  std::string name;
  std::vector<PackFile> files;
  std::vector<PackFolder> folders;
};

// The characters every volume file starts with.
inline constexpr char kVolumeSignature[] = "Velmora Tamborak Volume";

// [any thread, not real-time safe] Writes the content record of `folder` (its own name is not
// written: the parent writes it).
void writeContentRecord(CUniStream& stream, const PackFolder& folder);

// [any thread, not real-time safe] The bytes of a volume file: signature and content record.
std::string packVolume(const PackFolder& top);

}  // namespace velmora::patterns
