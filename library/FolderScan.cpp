// Rescanning a folder node from disk.
#include <algorithm>
#include <filesystem>
#include <system_error>
#include <vector>

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

// True when the linked folder is `node` itself or one of its ancestors on disk: descending into
// it would loop.
bool linksBack(const fs::path& link, const TransitNode* node) {
  std::error_code ec;
  const fs::path target = fs::canonical(link, ec);
  if (ec) return true;
  for (; node; node = node->parent()) {
    const fs::path here = fs::canonical(fs::path(node->fsPath()), ec);
    if (!ec && here == target) return true;
  }
  return false;
}

// The entries of one folder that the tree shows, sorted by name. Nothing when it cannot be
// listed.
std::vector<Entry> listFolder(const TransitNode& folder) {
  std::vector<Entry> entries;
  std::error_code ec;
  fs::directory_iterator it(fs::path(folder.fsPath()), ec);
  for (const fs::directory_iterator end; !ec && it != end; it.increment(ec)) {
    std::string name;
    try {
      name = it->path().filename().string();
    } catch (const std::exception&) {
      continue;  // a name the narrow character set cannot hold
    }
    std::error_code typeError;
    if (it->is_directory(typeError)) {
      if (it->is_symlink(typeError) && linksBack(it->path(), &folder)) continue;
      entries.push_back({std::move(name), EntryKind::kFolder});
    } else if (it->is_regular_file(typeError)) {
      if (name.find('.') == std::string::npos)
        entries.push_back({std::move(name), EntryKind::kVolume});
      else if (hasMidiExtension(name))
        entries.push_back({std::move(name), EntryKind::kLeaf});
    }
  }
  std::sort(entries.begin(), entries.end(),
            [](const Entry& a, const Entry& b) { return platform::byteCompare(a.name, b.name) < 0; });
  return entries;
}

}  // namespace

void FolderNode::refresh() {
  FolderNode fresh(name_, nullptr);
  if (depth() < kMaxTreeDepth) {
    for (Entry& e : listFolder(*this)) {
      switch (e.kind) {
        case EntryKind::kFolder: fresh.insertFolder(std::make_unique<FolderNode>(std::move(e.name), &fresh)); break;
        case EntryKind::kVolume: fresh.insertFolder(std::make_unique<VolumeNode>(std::move(e.name), &fresh)); break;
        case EntryKind::kLeaf: fresh.insertLeaf(std::make_unique<TerminalNode>(std::move(e.name), &fresh)); break;
      }
    }
  }
  mergeFrom(fresh);
  TransitNode::refresh();
}

}  // namespace velmora
