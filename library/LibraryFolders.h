// The library folders beside the program file: patterns, loops, drum maps and note names.
#pragma once

#include <string>

namespace velmora {

struct LibraryFolders {
  std::string program;   // the folder of the program's module, no trailing separator
  std::string patterns;  // native paths ending with a separator
  std::string loops;
  std::string drumMaps;
  std::string noteNames;
};

// The folders computed by the last initLibrary (all empty before). [any-thread]
LibraryFolders libraryFolders();

// The folders beside `programFolder`. [any-thread]
LibraryFolders libraryFoldersBeside(const std::string& programFolder);

// Library start-up, run by the first engine of the process: computes the folders beside
// `programFolder` (the program's module folder when empty) and roots the process's pattern tree
// at the patterns folder (nothing is rescanned when it is already rooted there). A non-empty
// `patternsFolder` replaces the patterns folder beside the program.
// [main-thread, not real-time safe: scans the disk]
void initLibrary(const std::string& programFolder = std::string(), const std::string& patternsFolder = std::string());

// Forgets the folders and unroots the process's pattern tree, as before the first initLibrary
// (tests start from a clean process this way). [main-thread, not real-time safe]
void resetLibrary();

}  // namespace velmora
