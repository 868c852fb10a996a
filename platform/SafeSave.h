// Saving a whole file so that a crash or a kill at any moment leaves either the old file or the
// new one whole, never a mix: the bytes go to a temporary file beside it, are flushed to disk,
// and the temporary file is renamed over the old one; the rename itself is flushed too (the
// folder on POSIX, a write-through move on Windows), so that it survives a power loss.
//
// On POSIX a save follows symbolic links and replaces the file at their end (the links stay),
// keeps the mode and, where allowed, the owner of the file it replaces, and writes a device,
// pipe or socket in place (no temporary file, no rename). A file with several hard links is
// replaced at the name saved to only: the other names keep the old file. Temporary files are
// created exclusively under an unpredictable name, never through a link, and are removed on
// every failure.
#pragma once

#include <string>
#include <string_view>

namespace velmora::platform {

// [any-thread, not real-time safe] True on success; on failure the old file is untouched, the
// temporary file is removed and `error` says what failed. When only the last flush (of the
// folder) fails, the new file is in place, but the result is false and `error` says so.
bool saveFileWhole(const std::string& path, std::string_view bytes, std::string& error);

// [any-thread, not real-time safe] As saveFileWhole, but never replaces a file: when something
// already has the name (or takes it meanwhile), nothing changes, the result is false and
// `exists` is set. The file system must support hard links on POSIX.
bool saveNewFileWhole(const std::string& path, std::string_view bytes, std::string& error, bool& exists);

// A temporary file that another program fills, saved afterwards as saveFileWhole saves; removed
// when dropped uncommitted. [any-thread, one thread at a time, not real-time safe]
class TemporaryFile {
 public:
  TemporaryFile() = default;
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;
  ~TemporaryFile() { discard(); }

  // Creates the file holding `bytes`, beside the file a save to `target` replaces (in the
  // system's temporary folder when that is a device or pipe); false with `error` naming
  // `target` when it cannot.
  bool create(const std::string& target, std::string_view bytes, std::string& error);
  // The temporary file's native path; empty when there is none.
  const std::string& path() const { return path_; }
  // Puts the file's contents at the target as saveFileWhole would; the temporary file is gone
  // afterwards either way. False with `error` naming the target (also without a file created).
  bool commit(std::string& error);
  // Removes the temporary file, if any.
  void discard();

 private:
  std::string target_, path_;
  int slot_ = -1;  // in the list of live temporary files
};

// [main-thread, not real-time safe] For a program (never a plug-in): when SIGINT or SIGTERM (on
// Windows a console break) ends the process, the temporary files still live are removed first,
// and the process then ends as the signal asks. Signals the program ignores stay ignored.
void removeTemporaryFilesOnSignals();

// For the systems' implementations: the list of live temporary files that the signal handler
// removes. holdTemporary gives a slot (-1 when the list is full or the path too long);
// forEachLiveTemporary is async-signal-safe. [any-thread]
int holdTemporary(const std::string& path);
void releaseTemporary(int slot);
void forEachLiveTemporary(void (*remove)(const char* path));

}  // namespace velmora::platform
