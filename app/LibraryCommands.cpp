// The library commands of the command-line program: packing and listing volume files, and the
// pattern counts of a library folder. Every name that comes from a file or folder is printed
// through shown(), so a name cannot drive the terminal.
#include "app/LibraryCommands.h"

#include "app/CliSupport.h"

#include <cstdio>
#include <filesystem>
#include <string>

#include "library/LibraryFolders.h"
#include "library/LibraryScan.h"
#include "library/LibrarySummary.h"
#include "library/TreeNode.h"
#include "platform/FileAccess.h"
#include "platform/SafeSave.h"
#include "platform/System.h"

namespace velmora::app {

namespace {

namespace fs = std::filesystem;

// Prints the scan's notes (skipped names as warnings); false when content was lost.
bool reportNotes(const LibraryScan& scan) {
  for (const LibraryScan::Note& note : scan.notes())
    std::fprintf(stderr, "tamborak: %s%s\n", note.lost ? "" : "warning: ", shown(note.text).c_str());
  return !scan.lostAny();
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
    std::printf("%10u  %s\n", held ? held->dataSize() : 0u, shown(leaf->getPath(&volume)).c_str());
  }
}

// True when the bytes from `i` start a whole, valid UTF-8 sequence that a terminal shows as a
// character: not a C0 or C1 control, not DEL, not overlong, no surrogate, nothing past U+10FFFF;
// its length in `length`.
bool printableSequence(std::string_view text, std::size_t i, std::size_t& length) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[i + k]); };
  const unsigned char c = byte(0);
  if (c < 0x80) {
    length = 1;
    return c >= 0x20 && c != 0x7F;
  }
  length = c >= 0xC2 && c <= 0xDF ? 2 : c >= 0xE0 && c <= 0xEF ? 3 : c >= 0xF0 && c <= 0xF4 ? 4 : 0;
  if (length == 0 || i + length > text.size()) return false;
  for (std::size_t k = 1; k < length; ++k)
    if ((byte(k) & 0xC0) != 0x80) return false;
  // The second byte's range rules out overlong forms (E0, F0), surrogates (ED) and code points
  // past U+10FFFF (F4); U+0080..U+009F are the C1 controls.
  const unsigned char second = byte(1);
  return !((c == 0xC2 && second < 0xA0) || (c == 0xE0 && second < 0xA0) || (c == 0xED && second >= 0xA0) ||
           (c == 0xF0 && second < 0x90) || (c == 0xF4 && second >= 0x90));
}

}  // namespace

std::string shown(std::string_view text) {
  static const char kHex[] = "0123456789abcdef";
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0, n = 0; i < text.size(); i += n) {
    if (printableSequence(text, i, n)) {
      out.append(text.substr(i, n));
      continue;
    }
    const auto c = static_cast<unsigned char>(text[i]);
    out += {'\\', 'x', kHex[c >> 4], kHex[c & 15]};
    n = 1;
  }
  return out;
}

int packVolumeCommand(const std::string& folder, const std::string& out) {
  if (!isFolder(folder)) return fail(folder + ": not a folder");
  FolderNode root(folder, nullptr);
  LibraryScan scan;
  scan.leaveOut(out);  // packing into the folder packed: the previous output is no pattern
  root.refresh(scan);
  if (!reportNotes(scan)) return fail(out + ": not written: the volume would miss what could not be read");
  std::string image, error;
  if (!packVolume(root, image, error)) return fail(out + ": not written: " + error);
  if (!platform::saveFileWhole(out, image, error)) return fail("cannot write the volume: " + error);
  const Counts c = count(root);
  std::printf("%s: %s in %s, %zu bytes\n", shown(out).c_str(), counted(c.leaves, "pattern").c_str(),
              counted(c.folders, "folder").c_str(), image.size());
  if (fs::path(out).filename().string().find('.') != std::string::npos)
    std::fprintf(stderr, "tamborak: note: %s has a '.' in its name; the library reads only names without one as volumes\n",
                 shown(out).c_str());
  return 0;
}

int listVolumeCommand(const std::string& file) {
  std::string bytes, error;
  switch (platform::readRegularFile(file, kMaxLibraryFileBytes, {kVolumeSignature, kVolumeSignatureLength}, bytes,
                                    error)) {
    case platform::FileRead::kRead: break;
    case platform::FileRead::kWrongStart:
      return fail(file + ": not a volume file (it does not start with \"" + kVolumeSignature + "\")");
    default: return fail(file + ": " + error);
  }
  FileBaseNode volume(fs::path(file).filename().string(), nullptr);
  CUniMemoryReader reader = volumeContents(bytes);
  LibraryScan scan;
  const bool complete = volume.deserialize(reader, scan);
  reportNotes(scan);
  listLeaves(volume);
  const Counts c = count(volume);
  std::printf("%s in %s\n", counted(c.leaves, "pattern").c_str(), counted(c.folders, "folder").c_str());
  if (!complete)
    return fail(file + ": damaged volume: a record breaks off, nests too deep or states a size beyond the end "
                "(reading stopped at byte " + std::to_string(kVolumeSignatureLength + reader.position()) + " of " +
                std::to_string(bytes.size()) + "); listed what was read before it");
  if (reader.remaining() != 0)
    std::fprintf(stderr, "tamborak: %s: note: %u bytes after the end of the volume are ignored\n", shown(file).c_str(),
                 reader.remaining());
  return 0;
}

int librarySummaryCommand(const std::string& folderArgument, bool json) {
  const std::string folder =
      folderArgument.empty() ? findPatternsFolder(platform::moduleFolder()) : folderArgument;
  if (!isFolder(folder)) return fail(folder + ": no pattern library there (not a folder)");
  FolderNode root(folder, nullptr);
  LibraryScan scan;
  root.refresh(scan);
  reportNotes(scan);
  std::size_t total = 0;
  const auto volumes = summarizeLibrary(root);
  if (json) {
    std::printf("{\"library\": %s, \"volumes\": [", jsonString(folder).c_str());
    for (std::size_t i = 0; i < volumes.size(); ++i) {
      const VolumeSummary& v = volumes[i];
      std::printf("%s\n  {\"name\": %s, \"packed\": %s, \"patterns\": %zu, \"kinds\": [", i ? "," : "",
                  jsonString(v.name).c_str(), v.packed ? "true" : "false", v.patterns);
      for (std::size_t k = 0; k < v.kinds.size(); ++k)
        std::printf("%s{\"folder\": %s, \"patterns\": %zu, \"groups\": [%zu, %zu, %zu]}", k ? ", " : "",
                    jsonString(v.kinds[k].folder).c_str(), v.kinds[k].patterns, v.kinds[k].groups[0],
                    v.kinds[k].groups[1], v.kinds[k].groups[2]);
      std::printf("]}");
      total += v.patterns;
    }
    std::printf("\n], \"patterns\": %zu}\n", total);
    return 0;
  }
  std::printf("pattern library: %s\n", shown(folder).c_str());
  for (const VolumeSummary& v : volumes) {
    std::printf("%s%s: %s\n", shown(v.name).c_str(), v.packed ? " (volume file)" : "",
                counted(v.patterns, "pattern").c_str());
    for (const KindCount& k : v.kinds)
      std::printf("  %-32s %6zu   group 0: %zu, 1: %zu, 2: %zu\n", k.folder.empty() ? "." : shown(k.folder).c_str(),
                  k.patterns, k.groups[0], k.groups[1], k.groups[2]);
    total += v.patterns;
  }
  std::printf("%s in %s\n", counted(total, "pattern").c_str(), counted(volumes.size(), "volume").c_str());
  return 0;
}

}  // namespace velmora::app
