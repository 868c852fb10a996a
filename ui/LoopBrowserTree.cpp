// The loop browser's tree: reading the loops folder into items, paths between the tree and the
// file system, and the automatic names of new loops.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <set>
#include <system_error>

#include "engine/LoopFolder.h"
#include "ui/LoopBrowser.h"
#include "platform/FileAccess.h"
#include "platform/Numeric.h"

namespace velmora {

namespace fs = std::filesystem;

namespace {

// Bounds that keep a hostile folder (link loops, millions of files) from exhausting the stack or
// memory; real loop folders are far below them.
constexpr int kMaxDepth = 32;
constexpr std::size_t kMaxItems = 100000;

bool isLoopFile(const std::string& name) {
  constexpr std::size_t length = sizeof LoopBrowser::kExtension - 1;
  return name.size() > length &&
         platform::equalsIgnoringCase(std::string_view(name).substr(name.size() - length), LoopBrowser::kExtension);
}

struct TreeScan {
  std::vector<LoopBrowser::Item>& items;
  std::set<platform::FileIdentity> seen;
};

void sortNames(std::vector<std::string>& names) {
  std::sort(names.begin(), names.end(),
            [](const std::string& a, const std::string& b) { return platform::byteCompare(a, b) < 0; });
}

void scanFolder(const fs::path& folder, const std::string& relative, int depth, TreeScan& scan) {
  platform::FileIdentity identity;
  if (depth > kMaxDepth || !platform::fileIdentity(folder.string(), identity) || !scan.seen.insert(identity).second)
    return;
  std::vector<std::string> folders, loops;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    std::string name;
    try {
      name = it->path().filename().string();
    } catch (const std::system_error&) {
      continue;  // a name the narrow character set cannot hold
    }
    if (!isLoopTreeName(name)) continue;  // a backslash would split its relative path
    std::error_code typeError;
    if (it->is_directory(typeError))
      folders.push_back(name);
    else if (isLoopFile(name) && it->is_regular_file(typeError))
      loops.push_back(name);
  }
  sortNames(folders);
  sortNames(loops);
  for (const std::string& name : folders) {
    if (scan.items.size() >= kMaxItems) return;
    scan.items.push_back({name, relative + name + "\\", depth, false});
    scanFolder(folder / name, relative + name + "\\", depth + 1, scan);
  }
  for (const std::string& name : loops) {
    if (scan.items.size() >= kMaxItems) return;
    scan.items.push_back({name.substr(0, name.size() - (sizeof LoopBrowser::kExtension - 1)), relative + name, depth, true});
  }
}

// The relative path of the folder holding an item ("" for the loops folder).
std::string parentOf(const LoopBrowser::Item& item) {
  const std::string path = item.loop ? item.path : item.path.substr(0, item.path.size() - 1);
  const std::size_t slash = path.rfind('\\');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// The folder path without its trailing separators, which lexical comparison would count.
fs::path withoutTrailingSeparator(const std::string& folder) {
  fs::path path(folder);
  while (!path.has_filename() && path.has_relative_path()) path = path.parent_path();
  return path;
}

}  // namespace

void LoopBrowser::rescan() {
  const std::string selected = selection_ >= 0 ? items_[static_cast<std::size_t>(selection_)].path : std::string();
  std::vector<Item> fresh;
  TreeScan scan{fresh, {}};
  scanFolder(withoutTrailingSeparator(folder_), std::string(), 0, scan);
  items_ = std::move(fresh);
  selection_ = selected.empty() ? -1 : find(selected);
}

int LoopBrowser::find(const std::string& path) const {
  for (std::size_t i = 0; i < items_.size(); ++i)
    if (items_[i].path == path) return static_cast<int>(i);
  return -1;
}

std::string LoopBrowser::targetFolder() const {
  if (selection_ < 0) return std::string();
  const Item& item = items_[static_cast<std::size_t>(selection_)];
  return item.loop ? parentOf(item) : item.path;
}

std::string LoopBrowser::automaticName() const {
  const std::string target = targetFolder();
  for (unsigned n = 1;; ++n) {
    char name[32];
    std::snprintf(name, sizeof name, "loop%02u", n);
    const bool carried = std::any_of(items_.begin(), items_.end(), [&](const Item& item) {
      return parentOf(item) == target && platform::equalsIgnoringCase(item.name, name);
    });
    std::error_code ec;  // a path that cannot be examined counts as free: writing it then reports why
    if (!carried && !fs::exists(fs::path(nativePath(target + name + kExtension)), ec)) return name;
  }
}

std::string LoopBrowser::nativePath(const std::string& relative) const { return folder_ + nativeLoopPath(relative); }

std::optional<std::string> LoopBrowser::relativeOf(const std::string& path) const {
  std::error_code ec;
  const fs::path base = fs::weakly_canonical(withoutTrailingSeparator(folder_), ec);
  if (ec) return std::nullopt;
  const fs::path full = fs::weakly_canonical(fs::path(path), ec);
  if (ec) return std::nullopt;
  const fs::path relative = full.lexically_relative(base);
  if (relative.empty() || *relative.begin() == "..") return std::nullopt;
  std::string text = relative.generic_string();
  std::replace(text.begin(), text.end(), '/', '\\');
  return text;
}

}  // namespace velmora
