// The registry on POSIX: one text file, "registry.reg", in the folder named by
// TAMBORAK_CONFIG_DIR, else $XDG_CONFIG_HOME/tamborak, else ~/.config/tamborak. Reads take a
// shared flock on "registry.lock" beside it; every change takes an exclusive one, reads the file,
// applies the change and saves the file whole (temporary file + rename), so processes serialise
// and a killed process leaves the old file or the new one; a change that changes nothing saves
// nothing. A damaged file is reported once on standard error, read as empty, and kept as
// "registry.reg.damaged" before a save replaces it. A file that cannot be read at all (no
// permission, a folder in its place) is reported once and never written: while it cannot be
// read, the process keeps its changes in memory.
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
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

// Problems already reported, so that each gives one line, not one per read.
std::mutex reportedMutex;
std::set<std::size_t> reported;

void reportOnce(const std::string& identity, const std::string& line) {
  std::lock_guard<std::mutex> lock(reportedMutex);
  if (reported.insert(std::hash<std::string>()(identity)).second) std::fprintf(stderr, "tamborak: %s\n", line.c_str());
}

// The settings of this process for each file that cannot be read, by file path: they start
// empty and take this process's changes until the file can be read again.
std::mutex sessionMutex;
std::map<std::string, regfile::Tree> sessionTrees;

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

enum class Read { kMissing, kRead, kFailed };

// The bytes of the file; kFailed with `problem` set when it exists and cannot be read as a file.
Read readText(const fs::path& file, std::string& text, std::string& problem) {
  text.clear();
  // Non-blocking, so that a pipe in the file's place cannot hang the open.
  const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    if (errno == ENOENT) return Read::kMissing;
    problem = std::string("cannot be read: ") + std::strerror(errno);
    return Read::kFailed;
  }
  struct stat st {};
  if (fstat(fd, &st) != 0) problem = std::string("cannot be read: ") + std::strerror(errno);
  else if (S_ISDIR(st.st_mode)) problem = "is a folder, not a settings file";
  else if (!S_ISREG(st.st_mode)) problem = "cannot be read: not a regular file";
  // Reading stops once the text is past the limit: such a file is rejected as damaged anyway.
  char buffer[65536];
  while (problem.empty() && text.size() <= regfile::kMaxTextBytes) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) problem = std::string("cannot be read: ") + std::strerror(errno);
    if (n <= 0) break;
    text.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(fd);
  return problem.empty() ? Read::kRead : Read::kFailed;
}

enum class Load { kSound, kDamaged, kUnreadable };

// Reads and parses the file into `tree`; a missing file is an empty tree. A damaged file gives
// an empty tree; a file that cannot be read gives this process's settings for it. Both are
// reported once.
Load loadTree(const Store& store, regfile::Tree& tree) {
  tree.clear();
  std::string text, problem;
  const Read read = readText(store.file, text, problem);
  if (read == Read::kFailed) {
    reportOnce(store.file.string() + '\n' + problem,
               store.file.string() + ": " + problem +
                   "; it is left untouched, and settings changed in this session are kept in memory until it can be read");
    std::lock_guard<std::mutex> lock(sessionMutex);
    tree = sessionTrees[store.file.string()];
    return Load::kUnreadable;
  }
  {
    std::lock_guard<std::mutex> lock(sessionMutex);
    sessionTrees.erase(store.file.string());
  }
  if (read == Read::kMissing) return Load::kSound;
  regfile::ParseError error;
  if (text.size() > regfile::kMaxTextBytes) error.what = "the file is larger than 64 MiB";
  else if (regfile::parse(text, tree, error)) return Load::kSound;
  char line[32];
  std::snprintf(line, sizeof line, ":%zu: ", error.line);
  reportOnce(store.file.string() + '\n' + text + error.what,
             store.file.string() + line + error.what + "; its settings are read as empty and the file is kept as " +
                 store.damaged.filename().string() + " when settings are next saved");
  return Load::kDamaged;
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
// it changed something (change gives a result code and sets `changed`). While the file cannot
// be read, the changed tree stays in memory instead.
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
  const Load load = loadTree(store, tree);
  bool changed = false;
  const std::int32_t result = change(tree, changed);
  if (!changed) return result;
  if (load == Load::kUnreadable) {
    std::lock_guard<std::mutex> session(sessionMutex);
    sessionTrees[store.file.string()] = std::move(tree);
    return result;
  }
  if (load == Load::kDamaged) fs::rename(store.file, store.damaged, ec);
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
    if (it == values.end()) values.emplace(name, std::move(value));
    else if (it->second == value) return kErrorSuccess;  // stored as it is: nothing to save
    else it->second = std::move(value);
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
