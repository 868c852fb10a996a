// Kit descriptions (DrumGizmo MIDI maps, Hydrogen drumkit.xml, MIDNAM documents) from arbitrary
// bytes: each reader must end cleanly, and a kit read must give notes 0..127, short names and a
// note-name text that reads back with the same names.
#include <cstdint>
#include <cstdlib>

#include "kits/KitImport.h"
#include "midi/NoteNames.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace velmora::kits;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  Kit kit;
  std::string error;
  // Each reader on its own, so that a root element does not hide the others' paths.
  readDrumGizmoMidiMap(bytes, kit, error);
  readHydrogenKit(bytes, kit, error);
  readMidnam(bytes, kit, error);
  if (!readKit(bytes, kit, error)) {
    if (error.empty()) std::abort();
    return 0;
  }
  if (kit.instruments.empty() || kit.instruments.size() > kMaxKitInstruments || kit.name.size() > kMaxKitNameLength)
    std::abort();
  for (const KitInstrument& instrument : kit.instruments)
    if (instrument.note < 0 || instrument.note > 127 || instrument.name.empty() ||
        instrument.name.size() > kMaxKitNameLength)
      std::abort();
  const KitImport imported = importKit(kit);
  velmora::NoteNames names;
  velmora::CUniMemoryReader reader(imported.noteNames.data(), static_cast<std::uint32_t>(imported.noteNames.size()));
  names.parse(reader);
  for (const KitInstrument& instrument : kit.instruments)
    if (names.ownName(instrument.note).empty()) std::abort();
  return 0;
}
