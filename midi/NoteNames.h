// One set of drum note names: 128 names by key with a title, as picked by the user from the
// note-name sources (text files, the host's instrument definitions, the drum sampler's pads, the
// built-in General MIDI set). A key without a name of its own shows its pitch name.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "io/UniStream.h"

namespace velmora {

class NoteNamesProvider;

inline constexpr int kNoteNameKeys = 128;
// Longest name that a text file gives a key; longer names are cut.
inline constexpr std::size_t kMaxNoteNameLength = 255;
// Longest title that a stored set may carry.
inline constexpr std::uint32_t kMaxStoredTitle = 4096;
inline constexpr std::string_view kGeneralMidiDrumsTitle = "General MIDI Drums";

// "C0" for key 0, "C#5" for key 61: note letter of key mod 12, octave key / 12. [any-thread]
std::string pitchName(int key);
// The built-in drum name of keys 35 to 81 (at most 19 characters), the pitch name of any other
// key. [any-thread]
std::string drumName(int key);

class NoteNames {
 public:
  // An untitled set with no names.
  NoteNames() { reset(); }
  NoteNames(const NoteNames&) = default;
  NoteNames& operator=(const NoteNames&) = default;
  virtual ~NoteNames() = default;

  // Every name empty, every key without a name of its own, no title kept, no pad-name mark.
  // [main-thread]
  void reset();
  // Gives `key` (0..127; others are ignored) the name as its own. [main-thread]
  void setName(int key, std::string text);
  // Gives `key` a name that is only shown, not offered as the key's own. [main-thread]
  void setShownName(int key, std::string text);
  void setTitle(std::string title) { title_ = std::move(title); }
  const std::string& title() const { return title_; }
  // Set only for the drum sampler's pad set, whose names change with the samples loaded.
  bool padNameMark() const { return padNameMark_ != 0; }
  void setPadNameMark(bool mark) { padNameMark_ = mark ? 1 : 0; }

  // The key's own name; empty when it has none. [any-thread]
  std::string ownName(int key) const;
  // The name to show: the own name, else a shown-only name, else the pitch name. [any-thread]
  std::string displayName(int key) const;

  // Reads names from a note-name text file: lines of a key number, blanks or colons, and the
  // name, ended by CR or LF. Keys outside 0..127 are ignored, names are cut at 255 bytes, a last
  // line without an end is not used. [main-thread, not real-time safe]
  void parse(CUniStream& stream);
  // The built-in General MIDI drum set. [main-thread]
  void fillGeneralMidi();

  // The title as a stored text. [main-thread]
  void saveTitle(CUniStream& stream) const;
  // Reads a stored title and lets `provider` fill this set by it; gives the provider's result.
  // An unreadable title leaves the set as it was and gives false. [main-thread, not real-time safe]
  bool loadTitle(CUniStream& stream, const NoteNamesProvider& provider);

  friend bool operator==(const NoteNames&, const NoteNames&) = default;

 private:
  bool valid(int key) const { return key >= 0 && key < kNoteNameKeys; }

  std::array<std::string, kNoteNameKeys> names_;
  std::array<std::uint8_t, kNoteNameKeys> defaults_;  // 1 = the key has no name of its own
  std::string title_;
  std::uint8_t padNameMark_ = 0;
};

}  // namespace velmora
