#include "loops/DrumMap.h"

#include <algorithm>

#include "io/Record.h"

namespace velmora {

const std::uint8_t DrumMap::kEditorKeys[kEditorRows] = {70, 64, 63, 62, 56, 54, 51, 46, 42, 39, 38, 36};

void DrumMap::reset() {
  for (int k = 0; k < kKeys; ++k) setNote(k, k);
  name_.clear();
}

void DrumMap::assign(const DrumMap& other) {
  for (int k = 0; k < kKeys; ++k) setNote(k, other.note(k));
  name_ = other.name_;
}

bool DrumMap::adjustRow(int row, int delta) {
  if (row < 0 || row >= kEditorRows) return false;
  const int key = kEditorKeys[row];
  setNote(key, std::clamp(note(key) + delta, 0, 127));
  return true;
}

void DrumMap::save(CUniStream& stream) const {
  record::putU32(stream, 1);
  record::putText(stream, name_);
  std::uint8_t entries[kKeys];
  for (int k = 0; k < kKeys; ++k) entries[k] = note(k);
  stream.write(entries, kKeys);
}

bool DrumMap::load(CUniStream& stream) {
  std::uint32_t version;
  std::string name;
  std::uint8_t entries[kKeys];
  if (!record::getU32(stream, version) || !record::getText(stream, name, kMaxNameLength) ||
      stream.read(entries, kKeys) != kKeys)
    return false;
  name.resize(std::min(name.find('\0'), name.size()));
  name_ = std::move(name);
  for (int k = 0; k < kKeys; ++k) setNote(k, entries[k]);
  return true;
}

bool DrumMap::operator==(const DrumMap& other) const {
  if (name_ != other.name_) return false;
  for (int k = 0; k < kKeys; ++k)
    if (note(k) != other.note(k)) return false;
  return true;
}

}  // namespace velmora
