// DrumMap: on which output note each drum instrument key is played, with the name the map was
// loaded or saved under. The engine holds one for the whole loop and every slice one of its own.
// Entries are atomic bytes, so the render pass reads them while the user interface edits the map;
// the name belongs to the user-interface thread.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <string>

#include "io/UniStream.h"

namespace velmora {

class DrumMap {
 public:
  static constexpr int kKeys = 128;
  // The instrument keys of the drum-map editor, one per row from the top.
  static constexpr int kEditorRows = 12;
  static const std::uint8_t kEditorKeys[kEditorRows];
  // Longest name a record may carry.
  static constexpr std::uint32_t kMaxNameLength = 0xFFFF;

  // The default map: identity, no name. [main-thread]
  DrumMap() { reset(); }
  DrumMap(const DrumMap& other) { assign(other); }
  DrumMap& operator=(const DrumMap& other) {
    if (this != &other) assign(other);
    return *this;
  }
  virtual ~DrumMap() = default;

  // Identity table, empty name. [main-thread]
  void reset();
  // Copies name and table. [main-thread]
  void assign(const DrumMap& other);

  // The output note for `key` (taken as 7 bits). [any-thread, real-time safe]
  std::uint8_t note(int key) const { return table_[static_cast<std::size_t>(key & 0x7F)].load(std::memory_order_relaxed); }
  // Entry key = note (both taken as 7 bits). [main-thread]
  void setNote(int key, int note) {
    table_[static_cast<std::size_t>(key & 0x7F)].store(static_cast<std::uint8_t>(note & 0x7F), std::memory_order_relaxed);
  }
  // Adds `delta` to the entry of the editor row `row`, clamped to 0..127; false for a row
  // outside the editor. [main-thread]
  bool adjustRow(int row, int delta);

  const std::string& name() const { return name_; }
  void setName(std::string name) { name_ = std::move(name); }

  // The record: version 1, name (length and bytes), 128 entries. [main-thread]
  void save(CUniStream& stream) const;
  // Reads a record. The name ends at its first zero byte; entries are taken as 7 bits. False
  // (map unchanged) when the record is short or its name longer than kMaxNameLength.
  // [main-thread, not real-time safe]
  bool load(CUniStream& stream);

  bool operator==(const DrumMap& other) const;

 private:
  std::array<std::atomic<std::uint8_t>, kKeys> table_;
  std::string name_;
};

}  // namespace velmora
