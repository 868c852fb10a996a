// The default pattern library generator: reads the readable sources (a volume list, then per
// volume the part folders holding one kind file each), turns every pattern line into a one-bar
// MIDI file named by its signature, and writes each volume as a folder of pattern files or packed
// into one volume file. Iteration is sorted and nothing depends on the clock, so the same
// sources always give the same bytes.
#pragma once

#include <array>
#include <filesystem>
#include <string>
#include <vector>

#include "tools/patterns/VolumePack.h"

namespace velmora::patterns {

// How many patterns one kind folder received, by group.
struct KindCount {
  std::string volume, part, kind;
  std::array<int, 3> perGroup{};
};

// A whole generated library held in memory: one folder per volume, packed or not.
struct GeneratedLibrary {
  struct Volume {
    PackFolder folder;  // named after the volume; part folders, kind folders, pattern files
    bool packed = false;
  };
  std::vector<Volume> volumes;
  std::vector<KindCount> counts;
};

// [main-thread, not real-time safe] Reads and checks every source below `sources` into `out`.
// False with "FILE: line N: what" in `error` at the first fault; nothing is written.
bool buildLibrary(const std::filesystem::path& sources, GeneratedLibrary& out, std::string& error);

// [main-thread, not real-time safe] Writes the library into `target` (created when missing).
// Each volume first replaces whatever held its name there, folder or file. False with `error`
// when a file cannot be written.
bool writeLibrary(const GeneratedLibrary& library, const std::filesystem::path& target, std::string& error);

}  // namespace velmora::patterns
