// Rescanning a folder node from disk.
#include <algorithm>
#include <filesystem>
#include <system_error>
#include <vector>

#include "library/LibraryScan.h"
#include "library/TreeNode.h"
#include "platform/Numeric.h"

namespace velmora {

namespace fs = std::filesystem;

namespace {

enum class EntryKind { kFolder, kVolume, kLeaf };

struct Entry {
  std::string name;
  EntryKind kind;
};

bool hasMidiExtension(const std::string& name) {
  const std::size_t dot = name.rfind('.');
  return dot != std::string::npos && platform::equalsIgnoringCase(std::string_view(name).substr(dot), ".mid");
}

// The entries of one folder that the tree shows, sorted by name. Nothing when it cannot be
// listed. Folders are claimed for this scan as they are listed, so a folder that links lead to
// appears once, wherever the scan met it first.
std::vector<Entry> listFolder(const TransitNode& folder, LibraryScan& scan) {
  std::vector<Entry> entries;
  const std::string path = folder.fsPath();
  std::error_code ec;
  fs::directory_iterator it(fs::path(path), ec);
  for (const fs::directory_iterator end; !ec && it != end; it.increment(ec)) {
    std::string name;
    try {
      name = it->path().filename().string();
    } catch (const std::system_error&) {
      continue;  // a name the narrow character set cannot hold
    }
    std::error_code typeError;
    EntryKind kind;
    if (it->is_directory(typeError)) {
      kind = EntryKind::kFolder;
    } else if (it->is_regular_file(typeError)) {
      if (name.find('.') == std::string::npos)
        kind = EntryKind::kVolume;
      else if (hasMidiExtension(name))
        kind = EntryKind::kLeaf;
      else
        continue;
    } else {
      // A link to nothing, or to itself, holds nothing; any other doubt may hide a pattern.
      if (typeError && typeError != std::errc::no_such_file_or_directory &&
          typeError != std::errc::too_many_symbolic_link_levels)
        scan.lost(path + name + ": cannot tell what it is: " + typeError.message());
      continue;
    }
    if (!isStorableName(name)) {
      scan.skipped(path + name + ": left out: a backslash in a name would read as a folder separator");
      continue;
    }
    const std::string entryPath = path + name;
    if (kind == EntryKind::kFolder ? !scan.enterFolder(entryPath) : scan.isLeftOut(entryPath)) continue;
    if (!scan.takeNode()) break;
    entries.push_back({std::move(name), kind});
  }
  if (ec) scan.lost((path.empty() ? "." : path) + ": cannot list the folder: " + ec.message());
  std::sort(entries.begin(), entries.end(),
            [](const Entry& a, const Entry& b) { return platform::byteCompare(a.name, b.name) < 0; });
  return entries;
}

}  // namespace

void FolderNode::rescan(LibraryScan& scan) {
  FolderNode fresh(name_, nullptr);
  if (depth() < kMaxTreeDepth) {
    for (Entry& e : listFolder(*this, scan)) {
      switch (e.kind) {
        case EntryKind::kFolder: fresh.insertFolder(std::make_unique<FolderNode>(std::move(e.name), &fresh)); break;
        case EntryKind::kVolume: fresh.insertFolder(std::make_unique<VolumeNode>(std::move(e.name), &fresh)); break;
        case EntryKind::kLeaf: fresh.insertLeaf(std::make_unique<TerminalNode>(std::move(e.name), &fresh)); break;
      }
    }
  } else {
    scan.lost(fsPath() + ": left out: folders nest deeper than " + std::to_string(kMaxTreeDepth) + " levels");
  }
  mergeFrom(fresh);
  TransitNode::rescan(scan);
}

}  // namespace velmora
