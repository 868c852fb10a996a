// tamborak kit: imports a drum sampler's kit description as a note-name set and a drum map in
// the engine's folders, and lists the sets and maps installed there.
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

int importCommand(const Options& options) {
  if (options.positional.size() != 1) return usageError("kit", "import needs one FILE");
  const std::string& file = options.positional[0];
  std::string bytes, error;
  if (platform::readRegularFile(file, kits::kMaxKitFileSize, "", bytes, error) != platform::FileRead::kRead)
    return fail(file + ": " + error);
  kits::Kit kit;
  if (!kits::readKit(bytes, kit, error)) return fail(file + ": " + error);
  std::string title = options.has("--name") ? options.value("--name") : kit.name;
  if (title.empty()) title = fs::path(file).stem().string();
  if (!usableTitle(title))
    return options.has("--name") ? usageError("kit", "'" + title + "' cannot name a file")
                                 : fail(file + ": the kit's name '" + title + "' cannot name a file (give --name)");

  const LibraryFolders folders = findLibraryFolders(platform::moduleFolder());
  const DrumMapStore store(folders.drumMaps);
  std::error_code ec;
  fs::create_directories(fs::path(folders.noteNames), ec);
  const std::string namesPath = folders.noteNames + title + kNoteNamesExtension;
  const std::string mapPath = store.pathOf(title);
  const bool force = options.has("--force");
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
  std::vector<std::string> unplaced;
  for (const kits::KitPlacement& p : imported.placements) {
    if (p.note < 0) {
      unplaced.push_back(p.kind);
      continue;
    }
    std::printf("  %-16s key %2d -> note %3d %s\n", p.kind.c_str(), p.key, p.note, shown(p.instrument).c_str());
  }
  if (!unplaced.empty()) {
    std::string list;
    for (const std::string& kind : unplaced) list += (list.empty() ? "" : ", ") + kind;
    std::printf("not placed (these keys keep their own note): %s\n", list.c_str());
  }
  std::printf("wrote %s\nwrote %s\n", shown(namesPath).c_str(), shown(mapPath).c_str());
  return 0;
}

int listCommand(const Options& options) {
  if (!options.positional.empty()) return usageError("kit", "list takes no FILE");
  const LibraryFolders folders = findLibraryFolders(platform::moduleFolder());
  NoteNamesProvider provider;
  provider.scanFolder(folders.noteNames);
  std::printf("note-name sets (%s):\n", shown(folders.noteNames).c_str());
  for (const NoteNames& set : provider.fileSets()) std::printf("  %s\n", shown(set.title()).c_str());
  std::printf("drum maps (%s):\n", shown(folders.drumMaps).c_str());
  for (const std::string& name : DrumMapStore(folders.drumMaps).list())
    if (name != DrumMapStore::kDefaultName) std::printf("  %s\n", shown(name).c_str());
  return 0;
}

}  // namespace

int kitCommand(const std::vector<std::string>& args) {
  Options options;
  std::string error;
  if (!parseOptions(args, {"--name"}, {"--force", "--help"}, options, error)) return usageError("kit", error);
  if (options.has("--help")) {
    std::fputs(commandHelp("kit"), stdout);
    return 0;
  }
  const std::string action = options.positional.empty() ? "" : options.positional[0];
  if (!options.positional.empty()) options.positional.erase(options.positional.begin());
  if (action == "import") return importCommand(options);
  if (action == "list") {
    if (options.has("--name") || options.has("--force")) return usageError("kit", "list takes no options");
    return listCommand(options);
  }
  return usageError("kit", "needs 'import FILE' or 'list'");
}

}  // namespace velmora::app
