#include "tools/patterns/LibraryGenerator.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <mutex>
#include <system_error>

#include "platform/Numeric.h"
#include "platform/SafeSave.h"
#include "tools/patterns/DefaultLoop.h"
#include "tools/patterns/PatternGrid.h"
#include "tools/patterns/PatternMidi.h"
#include "tools/patterns/PatternSource.h"

namespace fs = std::filesystem;

namespace velmora::patterns {
namespace {

constexpr std::uintmax_t kLargestSource = 1 << 20;

// False with the path and the system's message in `error` when `ec` holds an error.
bool succeeded(const std::error_code& ec, const fs::path& path, std::string& error) {
  if (ec) error = path.string() + ": " + ec.message();
  return !ec;
}

bool readText(const fs::path& file, std::string& text, std::string& error) {
  std::error_code ec;
  const std::uintmax_t size = fs::file_size(file, ec);
  if (ec || size > kLargestSource) {
    error = file.string() + ": " + (ec ? ec.message() : "larger than a source file can be");
    return false;
  }
  std::ifstream in(file, std::ios::binary);
  text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  if (!in && !in.eof()) {
    error = file.string() + ": cannot be read";
    return false;
  }
  return true;
}

// The entries of `folder`, in ascending byte order of their names.
bool sortedEntries(const fs::path& folder, std::vector<fs::directory_entry>& entries, std::string& error) {
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) entries.push_back(*it);
  if (!succeeded(ec, folder, error)) return false;
  std::sort(entries.begin(), entries.end(), [](const fs::directory_entry& a, const fs::directory_entry& b) {
    return platform::byteCompare(a.path().filename().string(), b.path().filename().string()) < 0;
  });
  return true;
}

// Reads `file` and parses it with `parse` (parsePatternSource or parseVolumeList); messages
// name the file.
template <typename Item>
bool parseFile(const fs::path& file, bool (*parse)(std::string_view, std::vector<Item>&, std::string&),
               std::vector<Item>& items, std::string& error) {
  std::string text;
  if (!readText(file, text, error)) return false;
  if (!parse(text, items, error)) {
    error = file.string() + ": " + error;
    return false;
  }
  if (items.empty()) {
    error = file.string() + ": is empty";
    return false;
  }
  return true;
}

int digitsOf(std::size_t n) { return static_cast<int>(std::to_string(n).size()); }

// One kind file into one kind folder of pattern files.
bool buildKind(const fs::path& file, const std::string& kind, PackFolder& folder, KindCount& count,
               std::string& error) {
  std::vector<SourcePattern> patterns;
  if (!parseFile(file, parsePatternSource, patterns, error)) return false;
  const int width = std::max(2, digitsOf(patterns.size()));
  int number = 0;
  const bool fills = platform::equalsIgnoringCase(kind, "Fill");
  std::vector<std::vector<Stroke>> made;
  for (const SourcePattern& p : patterns) {
    std::vector<Stroke> strokes;
    std::string midi, fault;
    if (strokesOf(kind, p.grid, strokes, fault) && patternMidi(kind, strokes, p.title, midi, fault) && fills) {
      fault = fillFault(strokes);
      // A fill that differs from an earlier one in one step only is heard as the same fill.
      for (std::size_t i = 0; i < made.size() && fault.empty(); ++i)
        if (nearCopies(made[i], strokes)) fault = "the fill is a near-copy of line " + std::to_string(patterns[i].line);
    }
    if (!fault.empty()) {
      error = file.string() + ": line " + std::to_string(p.line) + ": " + fault;
      return false;
    }
    folder.files.push_back({patternFileName(++number, width, strokes, p.group, p.title), std::move(midi)});
    ++count.perGroup[static_cast<std::size_t>(p.group)];
    if (fills) made.push_back(std::move(strokes));
  }
  return true;
}

// A part folder of the sources holds one "<kind>.txt" file per kind folder.
bool buildPart(const fs::path& source, const std::string& volume, PackFolder& part, std::vector<KindCount>& counts,
               std::string& error) {
  std::vector<fs::directory_entry> entries;
  if (!sortedEntries(source, entries, error)) return false;
  for (const auto& entry : entries) {
    const fs::path& path = entry.path();
    const std::string kind = path.stem().string();
    if (!entry.is_regular_file() || path.extension() != ".txt") {
      error = path.string() + ": a part folder holds only kind files named <kind>.txt";
      return false;
    }
    if (strokeCharacters(kind).empty()) {
      error = path.string() + ": '" + kind + "' is not a pattern kind";
      return false;
    }
    PackFolder folder{kind, {}, {}};
    KindCount count{volume, part.name, kind, {}};
    if (!buildKind(path, kind, folder, count, error)) return false;
    part.folders.push_back(std::move(folder));
    counts.push_back(count);
  }
  return true;
}

bool buildVolume(const fs::path& source, PackFolder& volume, std::vector<KindCount>& counts, std::string& error) {
  std::vector<fs::directory_entry> entries;
  if (!sortedEntries(source, entries, error)) return false;
  for (const auto& entry : entries) {
    const std::string name = entry.path().filename().string();
    if (!entry.is_directory() || !validFolderName(name)) {
      error = entry.path().string() + ": a volume holds only part folders";
      return false;
    }
    PackFolder part{name, {}, {}};
    if (!buildPart(entry.path(), volume.name, part, counts, error)) return false;
    volume.folders.push_back(std::move(part));
  }
  if (volume.folders.empty()) {
    error = source.string() + ": the volume has no part folder";
    return false;
  }
  return true;
}

bool makeFolder(const fs::path& path, std::string& error) {
  std::error_code ec;
  fs::create_directories(path, ec);
  return succeeded(ec, path, error);
}

bool save(const fs::path& path, const std::string& bytes, std::string& error) {
  return platform::saveFileWhole(path.string(), bytes, error);
}

bool writeFolder(const PackFolder& folder, const fs::path& path, std::string& error) {
  if (!makeFolder(path, error)) return false;
  for (const PackFile& file : folder.files)
    if (!save(path / file.name, file.bytes, error)) return false;
  for (const PackFolder& child : folder.folders)
    if (!writeFolder(child, path / child.name, error)) return false;
  return true;
}

// Adds each volume's default loop at its top. The slices read the volumes from memory, as the
// library tree reads them from a volume file.
bool addDefaultLoops(GeneratedLibrary& library, std::string& error) {
  PatternTree tree;
  tree.setRoot(std::string());  // an unnamed root lists no folder and watches nothing
  {
    std::lock_guard guard(tree.lock());
    for (const auto& volume : library.volumes) tree.root()->insertFolder(volumeTree(volume.folder, tree.root()));
  }
  for (auto& volume : library.volumes) {
    std::string block;
    if (!defaultLoopBlock(tree, volume.folder.name, block, error)) return false;
    volume.folder.files.push_back({kDefaultLoopName, std::move(block)});
  }
  return true;
}

}  // namespace

bool buildLibrary(const fs::path& sources, GeneratedLibrary& out, std::string& error) {
  std::vector<VolumeEntry> volumes;
  if (!parseFile(sources / "volumes.txt", parseVolumeList, volumes, error)) return false;
  GeneratedLibrary library;
  for (const VolumeEntry& v : volumes) {
    GeneratedLibrary::Volume volume{{v.name, {}, {}}, v.packed};
    if (!buildVolume(sources / v.name, volume.folder, library.counts, error)) return false;
    library.volumes.push_back(std::move(volume));
  }
  if (!addDefaultLoops(library, error)) return false;
  out = std::move(library);
  return true;
}

bool writeLibrary(const GeneratedLibrary& library, const fs::path& target, std::string& error) {
  if (!makeFolder(target, error)) return false;
  for (const auto& volume : library.volumes) {
    const fs::path path = target / volume.folder.name;
    std::error_code ec;
    fs::remove_all(path, ec);
    if (!succeeded(ec, path, error)) return false;
    if (volume.packed ? !save(path, packedVolume(volume.folder), error) : !writeFolder(volume.folder, path, error))
      return false;
  }
  return true;
}

}  // namespace velmora::patterns
