// Readers of the kit descriptions that drum samplers install: a DrumGizmo MIDI map, a Hydrogen
// drumkit.xml and a MIDNAM note-name document (what LV2 drum plug-ins such as AVL Drumkits hand
// to their host). Each gives the kit's instruments as note and name; damaged, hostile or huge
// input gives false and one line saying what is wrong.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace velmora::kits {

inline constexpr std::size_t kMaxKitFileSize = 4u << 20;
inline constexpr std::size_t kMaxKitInstruments = 1024;
inline constexpr std::size_t kMaxKitNameLength = 255;

struct KitInstrument {
  int note = 0;  // 0..127
  std::string name;
  friend bool operator==(const KitInstrument&, const KitInstrument&) = default;
};

struct Kit {
  std::string name;  // empty when the file names none
  std::vector<KitInstrument> instruments;
};

// <midimap><map note="36" instr="KDrumL"/>...</midimap>: one instrument per map entry.
// [any-thread, not real-time safe]
bool readDrumGizmoMidiMap(std::string_view bytes, Kit& kit, std::string& error);
// <drumkit_info><name/><instrumentList><instrument><name/>...: an instrument plays on its
// <midiOutNote> where the kit gives its instruments notes of their own; where that field is
// missing or out of range, or every instrument gives the same note (Hydrogen's unset default),
// on 36 + its place in the list.
// [any-thread, not real-time safe]
bool readHydrogenKit(std::string_view bytes, Kit& kit, std::string& error);
// <MIDINameDocument>...<NoteNameList Name="..."><Note Number="36" Name="Kick"/>: the first note
// list; the kit is named by the list, else by the document's <Model>. [any-thread, not real-time safe]
bool readMidnam(std::string_view bytes, Kit& kit, std::string& error);
// Any of the three, told apart by the root element; a kit without instruments is an error too.
// [any-thread, not real-time safe]
bool readKit(std::string_view bytes, Kit& kit, std::string& error);

}  // namespace velmora::kits
