// tamborak kit: imports drum samplers' kit descriptions as note-name sets and drum maps in the
// engine's folders (or another, as the build does for the shipped kits), and lists the sets and
// maps installed.
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "app/CliSupport.h"
#include "app/LibraryCommands.h"
#include "app/LoopCommands.h"
#include "io/UniStream.h"
#include "kits/KitImport.h"
#include "library/LibraryFolders.h"
#include "loops/DrumMapStore.h"
#include "midi/NoteNamesProvider.h"
#include "platform/FileAccess.h"
#include "platform/SafeSave.h"
#include "platform/System.h"

namespace velmora::app {

namespace {

namespace fs = std::filesystem;

constexpr char kNoteNamesExtension[] = ".txt";
constexpr std::size_t kMaxKitTitle = 100;

// A title that is also a plain file name in both folders.
bool usableTitle(const std::string& title) {
  if (title.empty() || title.size() > kMaxKitTitle || title[0] == '.' || title == DrumMapStore::kDefaultName) return false;
  for (unsigned char c : title)
    if (c < 0x20 || c == 0x7F || c == '/' || c == '\\' || c == ':' || c == '*' || c == '?' || c == '"' || c == '<' ||
        c == '>' || c == '|')
      return false;
  return true;
}

bool writeFile(const std::string& path, const std::string& bytes, bool force, std::string& error) {
  if (force) return platform::saveFileWhole(path, bytes, error);
  bool exists = false;
  if (platform::saveNewFileWhole(path, bytes, error, exists)) return true;
  if (exists) error = "exists (use --force to replace it)";
  return false;
}

// Where a kit's set and map go: the library's folders, or FOLDER/NoteNames and FOLDER/DrumMaps.
struct KitTarget {
  std::string noteNames;
  std::string drumMaps;
};

// Imports one kit file into `target` under `name` (the kit's own name when empty), reporting what
// it placed. [main-thread, not real-time safe]
int importKitFile(const std::string& file, const std::string& name, bool force, const KitTarget& target) {
  std::string bytes, error;
  if (platform::readRegularFile(file, kits::kMaxKitFileSize, "", bytes, error) != platform::FileRead::kRead)
    return fail(file + ": " + error);
  kits::Kit kit;
  if (!kits::readKit(bytes, kit, error)) return fail(file + ": " + error);
  std::string title = name.empty() ? kit.name : name;
  if (title.empty()) title = fs::path(file).stem().string();
  if (!usableTitle(title))
    return !name.empty() ? usageError("kit", "'" + title + "' cannot name a file")
                         : fail(file + ": the kit's name '" + title + "' cannot name a file (give --name)");

  const DrumMapStore store(target.drumMaps);
  std::error_code ec;
  fs::create_directories(fs::path(target.noteNames), ec);
  const std::string namesPath = target.noteNames + title + kNoteNamesExtension;
  const std::string mapPath = store.pathOf(title);
  if (!force)
    for (const std::string& path : {namesPath, mapPath})
      if (fs::exists(fs::symlink_status(fs::path(path), ec)))
        return fail(path + ": exists (use --force to replace it)");

  kits::KitImport imported = kits::importKit(kit);
  imported.map.setName(title);
  std::string mapBytes;
  CUniString stream(mapBytes);
  imported.map.save(stream);
  if (!writeFile(namesPath, imported.noteNames, force, error)) return fail(namesPath + ": " + error);
  if (!writeFile(mapPath, mapBytes, force, error)) return fail(mapPath + ": " + error);

  std::printf("kit \"%s\": %zu instruments\n", shown(title).c_str(), kit.instruments.size());
  std::string unplaced;
  for (const kits::KitPlacement& p : imported.placements) {
    if (p.note >= 0) {
      std::printf("  %-16s key %2d -> note %3d %s\n", p.kind.c_str(), p.key, p.note, shown(p.instrument).c_str());
      continue;
    }
    if (!unplaced.empty()) unplaced += ", ";
    unplaced += p.kind;
  }
  if (!unplaced.empty()) std::printf("not placed (these keys keep their own note): %s\n", unplaced.c_str());
  std::printf("wrote %s\nwrote %s\n", shown(namesPath).c_str(), shown(mapPath).c_str());
  return 0;
}

int importCommand(const Options& options) {
  if (options.positional.empty()) return usageError("kit", "import needs a FILE");
  if (options.has("--name") && options.positional.size() != 1) return usageError("kit", "--name takes one FILE");
  KitTarget target;
  if (options.has("--into")) {
    const fs::path into(options.value("--into"));
    target = {(into / "NoteNames" / "").string(), (into / "DrumMaps" / "").string()};
  } else {
    const LibraryFolders folders = findLibraryFolders(platform::moduleFolder());
    target = {folders.noteNames, folders.drumMaps};
  }
  // Every file is tried; the first failure decides the exit status.
  int status = 0;
  for (const std::string& file : options.positional) {
    const int result = importKitFile(file, options.value("--name"), options.has("--force"), target);
    if (status == 0) status = result;
  }
  return status;
}

int listCommand(const Options& options) {
  if (!options.positional.empty()) return usageError("kit", "list takes no FILE");
  const LibraryFolders folders = findLibraryFolders(platform::moduleFolder());
  NoteNamesProvider provider;
  provider.scanFolders({folders.noteNames, folders.kitNoteNames});
  std::printf("note-name sets (%s", shown(folders.noteNames).c_str());
  if (!folders.kitNoteNames.empty()) std::printf(", shipped %s", shown(folders.kitNoteNames).c_str());
  std::printf("):\n");
  for (const NoteNames& set : provider.fileSets()) std::printf("  %s\n", shown(set.title()).c_str());
  std::printf("drum maps (%s", shown(folders.drumMaps).c_str());
  if (!folders.kitDrumMaps.empty()) std::printf(", shipped %s", shown(folders.kitDrumMaps).c_str());
  std::printf("):\n");
  for (const std::string& name : DrumMapStore(folders.drumMaps, folders.kitDrumMaps).list())
    if (name != DrumMapStore::kDefaultName) std::printf("  %s\n", shown(name).c_str());
  return 0;
}

}  // namespace

int kitCommand(const std::vector<std::string>& args) {
  Options options;
  std::string error;
  if (!parseOptions(args, {"--name", "--into"}, {"--force", "--help"}, options, error)) return usageError("kit", error);
  if (options.has("--help")) {
    std::fputs(commandHelp("kit"), stdout);
    return 0;
  }
  const std::string action = options.positional.empty() ? "" : options.positional[0];
  if (!options.positional.empty()) options.positional.erase(options.positional.begin());
  if (action == "import") return importCommand(options);
  if (action == "list") {
    if (options.has("--name") || options.has("--force") || options.has("--into"))
      return usageError("kit", "list takes no options");
    return listCommand(options);
  }
  return usageError("kit", "needs 'import FILE...' or 'list'");
}

}  // namespace velmora::app
