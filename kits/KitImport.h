// From a kit's instruments to what the engine offers: a note-name set (the text the note-names
// folder holds) and a drum map sending each key our patterns play to the kit's instrument whose
// name fits it best.
#pragma once

#include <string>
#include <vector>

#include "kits/KitReaders.h"
#include "loops/DrumMap.h"

namespace velmora::kits {

struct KitPlacement {
  int key = 0;        // the pattern key (General MIDI)
  std::string kind;   // what it plays, e.g. "closed hi-hat"
  int note = -1;      // the kit's note; -1 when no instrument fits
  std::string instrument;
};

struct KitImport {
  std::string noteNames;  // note-name text: "NOTE NAME" lines, the first instrument of a note wins
  DrumMap map;            // unnamed; keys no instrument fits keep their own note
  std::vector<KitPlacement> placements;  // one per key of DrumMap::kEditorKeys, from kick upwards
};

// [any-thread, not real-time safe]
KitImport importKit(const Kit& kit);

}  // namespace velmora::kits
