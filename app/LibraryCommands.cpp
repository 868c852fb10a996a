// The library commands of the command-line program: packing and listing volume files, and the
// pattern counts of a library folder.
#include "app/LibraryCommands.h"

#include <cstdio>
#include <filesystem>
#include <string>

#include "library/FileBytes.h"
#include "library/LibraryFolders.h"
#include "library/LibrarySummary.h"
#include "library/TreeNode.h"
#include "platform/SafeSave.h"
#include "platform/System.h"

namespace velmora::app {

namespace {

namespace fs = std::filesystem;

int fail(const std::string& message) {
  std::fprintf(stderr, "tamborak: %s\n", message.c_str());
  return 1;
}

bool isFolder(const std::string& path) {
  std::error_code ec;
  return fs::is_directory(fs::path(path), ec);
}

struct Counts {
  std::size_t leaves = 0, folders = 0;
};

Counts count(const TransitNode& node) {
  Counts c;
  for (const TerminalNode* leaf = node.firstLeaf(); leaf; leaf = leaf->nextSibling()) ++c.leaves;
  for (const TransitNode* folder = node.firstFolder(); folder; folder = folder->nextSibling()) {
    const Counts below = count(*folder);
    c.leaves += below.leaves;
    c.folders += below.folders + 1;
  }
  return c;
}

void listLeaves(const TransitNode& volume) {
  for (const TerminalNode* leaf = volume.first(&volume); leaf; leaf = leaf->next(&volume)) {
    const auto* held = dynamic_cast<const InFileTerminalNode*>(leaf);
    std::printf("%10u  %s\n", held ? held->dataSize() : 0u, leaf->getPath(&volume).c_str());
  }
}

}  // namespace

int packVolumeCommand(const std::string& folder, const std::string& out) {
  if (!isFolder(folder)) return fail(folder + ": not a folder");
  FolderNode root(folder, nullptr);
  root.refresh();
  std::string image;
  packVolume(root, image);
  std::string error;
  if (!platform::saveFileWhole(out, image, error)) return fail("cannot write the volume: " + error);
  const Counts c = count(root);
  std::printf("%s: %zu patterns in %zu folders, %zu bytes\n", out.c_str(), c.leaves, c.folders, image.size());
  if (fs::path(out).filename().string().find('.') != std::string::npos)
    std::fprintf(stderr, "tamborak: note: %s has a '.' in its name; the library reads only names without one as volumes\n",
                 out.c_str());
  return 0;
}

int listVolumeCommand(const std::string& file) {
  std::string bytes;
  if (!readFileBytes(file, bytes)) return fail(file + ": cannot open: " + platform::lastErrorText());
  if (!isVolumeImage(bytes))
    return fail(file + ": not a volume file (it does not start with \"" + kVolumeSignature + "\")");
  FileBaseNode volume(fs::path(file).filename().string(), nullptr);
  CUniMemoryReader reader = volumeContents(bytes);
  const bool complete = volume.deserialize(reader);
  listLeaves(volume);
  const Counts c = count(volume);
  std::printf("%zu patterns in %zu folders\n", c.leaves, c.folders);
  if (!complete)
    return fail(file + ": damaged volume: a record breaks off, nests too deep or states a size beyond the end "
                "(reading stopped at byte " + std::to_string(kVolumeSignatureLength + reader.position()) + " of " +
                std::to_string(bytes.size()) + "); listed what was read before it");
  if (reader.remaining() != 0)
    std::fprintf(stderr, "tamborak: %s: note: %u bytes after the end of the volume are ignored\n", file.c_str(),
                 reader.remaining());
  return 0;
}

int librarySummaryCommand(const std::string& folderArgument) {
  const std::string folder =
      folderArgument.empty() ? libraryFoldersBeside(platform::moduleFolder()).patterns : folderArgument;
  if (!isFolder(folder)) return fail(folder + ": no pattern library there (not a folder)");
  FolderNode root(folder, nullptr);
  root.refresh();
  std::printf("pattern library: %s\n", folder.c_str());
  std::size_t total = 0;
  const auto volumes = summarizeLibrary(root);
  for (const VolumeSummary& v : volumes) {
    std::printf("%s%s: %zu patterns\n", v.name.c_str(), v.packed ? " (volume file)" : "", v.patterns);
    for (const KindCount& k : v.kinds)
      std::printf("  %-32s %6zu   group 0: %zu, 1: %zu, 2: %zu\n", k.folder.empty() ? "." : k.folder.c_str(),
                  k.patterns, k.groups[0], k.groups[1], k.groups[2]);
    total += v.patterns;
  }
  std::printf("%zu patterns in %zu volumes\n", total, volumes.size());
  return 0;
}

}  // namespace velmora::app
