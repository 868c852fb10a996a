#include "library/LibraryFolders.h"

#include <filesystem>
#include <mutex>

#include "library/PatternTree.h"
#include "platform/System.h"

namespace velmora {

namespace {
namespace fs = std::filesystem;

std::mutex foldersLock;
LibraryFolders folders;

constexpr char kSep = static_cast<char>(fs::path::preferred_separator);

std::string withSeparator(std::string folder) {
  if (folder.empty() || folder.back() != kSep) folder += kSep;
  return folder;
}

std::string child(const std::string& folder, const char* name) { return withSeparator(folder) + name + kSep; }

bool isFolder(const std::string& path) {
  std::error_code ec;
  return !path.empty() && fs::is_directory(fs::path(path), ec);
}

// The folder `name` beside the program, else the first one in a shared data folder, else the one
// beside the program (missing); `shared`, when given, tells which.
std::string shippedFolder(const LibraryPlaces& places, const char* name, bool* shared = nullptr) {
  const std::string own = child(places.program, name);
  if (isFolder(own)) return own;
  for (const std::string& folder : places.sharedData)
    if (isFolder(child(folder, name))) {
      if (shared) *shared = true;
      return child(folder, name);
    }
  return own;
}
}  // namespace

LibraryPlaces LibraryPlaces::of(const std::string& program) {
  LibraryPlaces places;
  places.program = program;
  places.programWritable = platform::canCreateFilesIn(program);
  places.userData = platform::userDataFolder();
  places.sharedData = platform::sharedDataFolders();
  return places;
}

LibraryFolders libraryFoldersFor(const LibraryPlaces& places) {
  LibraryFolders result;
  bool shared = false;
  result.patterns = shippedFolder(places, "Patterns", &shared);
  const std::string kits = shippedFolder(places, "Kits");
  if (isFolder(kits)) {
    result.kitNoteNames = child(kits, "NoteNames");
    result.kitDrumMaps = child(kits, "DrumMaps");
  }
  const bool beside = (places.programWritable && !shared) || places.userData.empty();
  const std::string base = beside ? places.program : places.userData;
  result.loops = child(base, "Loops");
  result.drumMaps = child(base, "DrumMaps");
  result.noteNames = child(base, "NoteNames");
  return result;
}

LibraryFolders findLibraryFolders(const std::string& programFolder) {
  return libraryFoldersFor(LibraryPlaces::of(programFolder));
}

std::string findPatternsFolder(const std::string& programFolder) {
  LibraryPlaces places;
  places.program = programFolder;
  places.sharedData = platform::sharedDataFolders();
  return shippedFolder(places, "Patterns");
}

LibraryFolders libraryFolders() {
  std::lock_guard guard(foldersLock);
  return folders;
}

void initLibrary(const std::string& programFolder, const std::string& patternsFolder) {
  const std::string program = programFolder.empty() ? platform::moduleFolder() : programFolder;
  LibraryFolders computed = findLibraryFolders(program);
  if (!patternsFolder.empty()) computed.patterns = withSeparator(patternsFolder);
  // The user's own folders are made on first use; beside the program they ship with it. A folder
  // that cannot be made shows up later as a failed save, with its reason.
  if (computed.loops != child(program, "Loops"))
    for (const std::string* folder : {&computed.loops, &computed.drumMaps, &computed.noteNames}) {
      std::error_code ec;
      fs::create_directories(fs::path(*folder), ec);
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
