// The library folders: the shipped pattern library and kits, and the folders where the user's
// loops, drum maps and note names go.
#pragma once

#include <string>
#include <vector>

namespace velmora {

struct LibraryFolders {
  std::string patterns;  // native paths ending with a separator
  std::string loops;
  std::string drumMaps;
  std::string noteNames;
  // The note-name sets and drum maps shipped for known drum kits, read beside the user's own
  // (whose files win on a clash of names); empty when none are installed.
  std::string kitNoteNames;
  std::string kitDrumMaps;
};

// Where the library may be: the program's own folder, whether the user can write there, the
// user's data folder and the system's shared data folders.
struct LibraryPlaces {
  std::string program;                  // the folder of the program's module
  bool programWritable = false;         // the user can create files in `program`
  std::string userData;                 // e.g. ~/.local/share/tamborak; empty when unknown
  std::vector<std::string> sharedData;  // e.g. /usr/share/tamborak, first match wins

  // The places of this process for the program folder `program`. [any-thread, not real-time
  // safe: probes the disk]
  static LibraryPlaces of(const std::string& program);
};

// The shipped patterns are the "Patterns" folder beside the program, else the first one in a
// shared data folder; the shipped kits are the "Kits" folder found the same way. Loops, drum maps and note names stay beside the program while the user can
// write there and the program does not use a shared library (a build tree or a copied folder, as
// before); installed for the whole machine, they go to the user's data folder. [any-thread, not
// real-time safe: looks at the disk]
LibraryFolders libraryFoldersFor(const LibraryPlaces& places);

// libraryFoldersFor the places of this process with program folder `programFolder`.
// [any-thread, not real-time safe]
LibraryFolders findLibraryFolders(const std::string& programFolder);

// The shipped patterns of libraryFoldersFor, found without probing whether the user can write
// beside the program. [any-thread, not real-time safe: looks at the disk]
std::string findPatternsFolder(const std::string& programFolder);

// The folders computed by the last initLibrary (all empty before). [any-thread]
LibraryFolders libraryFolders();

// Library start-up, run by the first engine of the process: finds the folders for
// `programFolder` (the program's module folder when empty), creates the user's folders when they
// are used, and roots the process's pattern tree at the patterns folder (nothing is rescanned
// when it is already rooted there). A non-empty `patternsFolder` replaces the shipped patterns.
// [main-thread, not real-time safe: scans the disk]
void initLibrary(const std::string& programFolder = std::string(), const std::string& patternsFolder = std::string());

// Forgets the folders and unroots the process's pattern tree, as before the first initLibrary
// (tests start from a clean process this way). [main-thread, not real-time safe]
void resetLibrary();

}  // namespace velmora
