#include "library/LibraryFolders.h"

#include <filesystem>
#include <mutex>

#include "library/PatternTree.h"
#include "platform/System.h"

namespace velmora {

namespace {
std::mutex foldersLock;
LibraryFolders folders;
}  // namespace

LibraryFolders libraryFolders() {
  std::lock_guard guard(foldersLock);
  return folders;
}

LibraryFolders libraryFoldersBeside(const std::string& programFolder) {
  const char sep = static_cast<char>(std::filesystem::path::preferred_separator);
  LibraryFolders result;
  result.program = programFolder;
  result.patterns = programFolder + sep + "Patterns" + sep;
  result.loops = programFolder + sep + "Loops" + sep;
  result.drumMaps = programFolder + sep + "DrumMaps" + sep;
  result.noteNames = programFolder + sep + "NoteNames" + sep;
  return result;
}

void initLibrary(const std::string& programFolder, const std::string& patternsFolder) {
  LibraryFolders computed = libraryFoldersBeside(programFolder.empty() ? platform::moduleFolder() : programFolder);
  if (!patternsFolder.empty()) {
    const char sep = static_cast<char>(std::filesystem::path::preferred_separator);
    computed.patterns = patternsFolder.back() == sep ? patternsFolder : patternsFolder + sep;
  }
  {
    std::lock_guard guard(foldersLock);
    folders = computed;
  }
  patternTree().setRoot(computed.patterns);
}

void resetLibrary() {
  {
    std::lock_guard guard(foldersLock);
    folders = LibraryFolders();
  }
  patternTree().clearRoot();
}

}  // namespace velmora
