// The registry on POSIX: one text file, "registry.reg", in the folder named by
// TAMBORAK_CONFIG_DIR, else $XDG_CONFIG_HOME/tamborak, else ~/.config/tamborak. Reads take a
// shared flock on "registry.lock" beside it; every change takes an exclusive one, reads the file,
// applies the change and saves the file whole (temporary file + rename), so processes serialise
// and a killed process leaves the old file or the new one. A damaged file is reported once on
// standard error, read as empty, and kept as "registry.reg.damaged" before a save replaces it.
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <mutex>
#include <set>

#include "platform/RegFile.h"
#include "platform/Registry.h"
#include "platform/SafeSave.h"
#include "platform/System.h"

namespace velmora::platform {
namespace {

namespace fs = std::filesystem;

struct Store {
  fs::path folder, file, lock, damaged;
};

Store currentStore() {
  fs::path folder;
  const char* own = std::getenv("TAMBORAK_CONFIG_DIR");
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  if (own && *own) {
    folder = own;
  } else if (xdg && *xdg) {
    folder = fs::path(xdg) / "tamborak";
  } else {
    const char* home = std::getenv("HOME");
    if (!home || !*home) {
      const passwd* pw = getpwuid(getuid());
      home = pw ? pw->pw_dir : "/tmp";
    }
    folder = fs::path(home) / ".config" / "tamborak";
  }
  return {folder, folder / "registry.reg", folder / "registry.lock", folder / "registry.reg.damaged"};
}

// An flock on the lock file, released when the object goes.
class FileLock {
 public:
  FileLock(const fs::path& path, bool exclusive) {
    fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd_ < 0) return;
    while (flock(fd_, exclusive ? LOCK_EX : LOCK_SH) != 0) {
      if (errno == EINTR) continue;
      ::close(fd_);
      fd_ = -1;
      return;
    }
  }
  ~FileLock() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;
  bool held() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

// Open handles: handle number to full key path. Roots are not listed.
std::mutex handlesMutex;
std::map<RegKey, std::string> handles;
RegKey nextHandle = 1;

// Damaged texts already reported, so that each damage gives one line, not one per read.
std::mutex reportedMutex;
std::set<std::size_t> reported;

bool pathOf(RegKey key, std::string& path) {
  if (key == kCurrentUser) path = "HKEY_CURRENT_USER";
  else if (key == kLocalMachine) path = "HKEY_LOCAL_MACHINE";
  else if (key == kClassesRoot) path = "HKEY_CLASSES_ROOT";
  else {
    std::lock_guard<std::mutex> lock(handlesMutex);
    const auto it = handles.find(key);
    if (it == handles.end()) return false;
    path = it->second;
  }
  return true;
}

RegKey newHandle(const std::string& path) {
  std::lock_guard<std::mutex> lock(handlesMutex);
  handles.emplace(nextHandle, path);
  return nextHandle++;
}

bool isRoot(std::string_view path) { return path.find('\\') == std::string_view::npos; }

// The result for a key the tree lists no values for: the key exists (only keys below it are
// listed) or it was deleted.
std::int32_t missingKeyCode(const regfile::Tree& tree, const std::string& path) {
  return isRoot(path) || regfile::keyExists(tree, path) ? kErrorFileNotFound : kErrorKeyDeleted;
}

// Reads and parses the file; a missing file is an empty tree. False when the file is damaged
// (the tree is then empty); the damage is reported once.
bool loadTree(const Store& store, regfile::Tree& tree) {
  tree.clear();
  std::ifstream in(store.file, std::ios::binary);
  if (!in) return true;
  std::string text;
  in.seekg(0, std::ios::end);
  const auto size = static_cast<std::streamoff>(in.tellg());
  regfile::ParseError error;
  bool ok = false;
  if (size >= 0 && static_cast<std::uint64_t>(size) <= regfile::kMaxTextBytes) {
    in.seekg(0);
    text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    ok = regfile::parse(text, tree, error);
  } else {
    error.what = "the file is larger than 64 MiB";
  }
  if (ok) return true;
  const std::size_t id = std::hash<std::string>()(store.file.string() + '\n' + text + error.what);
  std::lock_guard<std::mutex> lock(reportedMutex);
  if (reported.insert(id).second)
    std::fprintf(stderr, "%s:%zu: %s; its settings are read as empty and the file is kept as %s when settings are next saved\n",
                 store.file.c_str(), error.line, error.what.c_str(), store.damaged.filename().c_str());
  return false;
}

// Reads the tree under a shared lock.
void readTree(regfile::Tree& tree) {
  const Store store = currentStore();
  tree.clear();
  std::error_code ec;
  if (!fs::exists(store.file, ec)) return;
  FileLock lock(store.lock, false);
  loadTree(store, tree);
}

// Applies `change` to the tree under an exclusive lock and saves the file when the change says
// it changed something (change gives a result code and sets `changed`).
std::int32_t modifyTree(const std::function<std::int32_t(regfile::Tree&, bool& changed)>& change) {
  const Store store = currentStore();
  std::error_code ec;
  fs::create_directories(store.folder, ec);
  FileLock lock(store.lock, true);
  if (!lock.held()) {
    trace("%s: %s\n", store.lock.c_str(), lastErrorText().c_str());
    return kErrorRegistryIoFailed;
  }
  regfile::Tree tree;
  const bool sound = loadTree(store, tree);
  bool changed = false;
  const std::int32_t result = change(tree, changed);
  if (!changed) return result;
  if (!sound) fs::rename(store.file, store.damaged, ec);
  // Temporary files of saves killed half-way; no save runs while we hold the lock.
  for (const auto& entry : fs::directory_iterator(store.folder, ec))
    if (entry.path().filename().string().rfind("registry.reg.tmp", 0) == 0) fs::remove(entry.path(), ec);
  std::string error;
  if (!saveFileWhole(store.file.string(), regfile::format(tree), error)) {
    trace("%s\n", error.c_str());
    return kErrorRegistryIoFailed;
  }
  return result;
}

std::int32_t openOrCreate(RegKey parent, const std::string& subkey, RegKey& result, bool create) {
  result = kNoKey;
  std::string base, path;
  if (!pathOf(parent, base)) return kErrorInvalidHandle;
  if (!regfile::joinKeyPath(base, subkey, path)) return kErrorBadPathname;
  std::int32_t code = kErrorSuccess;
  if (create) {
    code = modifyTree([&](regfile::Tree& tree, bool& changed) {
      if (!isRoot(path) && !regfile::keyExists(tree, path)) changed = tree.try_emplace(path).second;
      return kErrorSuccess;
    });
  } else if (!isRoot(path)) {
    regfile::Tree tree;
    readTree(tree);
    if (!regfile::keyExists(tree, path)) code = kErrorFileNotFound;
  }
  if (code == kErrorSuccess) result = newHandle(path);
  return code;
}

}  // namespace

std::int32_t regOpenKey(RegKey parent, const std::string& subkey, std::uint32_t, RegKey& result) {
  return openOrCreate(parent, subkey, result, false);
}

std::int32_t regCreateKey(RegKey parent, const std::string& subkey, std::uint32_t, RegKey& result) {
  return openOrCreate(parent, subkey, result, true);
}

void regCloseKey(RegKey key) {
  std::lock_guard<std::mutex> lock(handlesMutex);
  handles.erase(key);
}

std::int32_t regQueryValue(RegKey key, const std::string& name, std::uint32_t& type, std::string& data) {
  std::string path;
  if (!pathOf(key, path)) return kErrorInvalidHandle;
  regfile::Tree tree;
  readTree(tree);
  const auto k = tree.find(path);
  if (k == tree.end()) return missingKeyCode(tree, path);
  const auto v = k->second.find(name);
  if (v == k->second.end()) return kErrorFileNotFound;
  type = v->second.type;
  data = v->second.data;
  return kErrorSuccess;
}

std::int32_t regSetValue(RegKey key, const std::string& name, std::uint32_t type, std::string_view data) {
  std::string path;
  if (!pathOf(key, path)) return kErrorInvalidHandle;
  if (!regfile::isValidValueName(name)) return kErrorInvalidParameter;
  return modifyTree([&](regfile::Tree& tree, bool& changed) {
    if (!isRoot(path) && !regfile::keyExists(tree, path)) return kErrorKeyDeleted;
    regfile::Values& values = tree[path];
    regfile::Value value{type, std::string(data)};
    const auto it = values.find(name);
    if (it != values.end()) it->second = std::move(value);
    else values.emplace(name, std::move(value));
    changed = true;
    return kErrorSuccess;
  });
}

std::int32_t regDeleteValue(RegKey key, const std::string& name) {
  std::string path;
  if (!pathOf(key, path)) return kErrorInvalidHandle;
  return modifyTree([&](regfile::Tree& tree, bool& changed) {
    const auto k = tree.find(path);
    if (k == tree.end()) return missingKeyCode(tree, path);
    changed = k->second.erase(name) != 0;
    return changed ? kErrorSuccess : kErrorFileNotFound;
  });
}

std::int32_t regDeleteTree(RegKey parent, const std::string& subkey) {
  std::string base, path;
  if (!pathOf(parent, base)) return kErrorInvalidHandle;
  if (subkey.empty()) return kErrorInvalidParameter;
  if (!regfile::joinKeyPath(base, subkey, path)) return kErrorBadPathname;
  return modifyTree([&](regfile::Tree& tree, bool& changed) {
    changed = regfile::removeKeyTree(tree, path);
    return changed ? kErrorSuccess : kErrorFileNotFound;
  });
}

}  // namespace velmora::platform
