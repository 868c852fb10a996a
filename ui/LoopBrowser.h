// The loop browser without its window: the tree of the loops folder (folders, and loop files
// shown by their name less the extension), its selection, and the file commands of the browser
// strip: load the selected loop, Save, Save As, Save New and Delete. It drives the engine only
// through ControlApi and asks the user only through platform::Prompt.
//
// Loop files are written whole: the loop is written into memory, then the bytes go to a
// temporary file that is renamed over the old one, so a failed or killed save leaves the loop
// that was there. The slices' edited flags are cleared only once the file is in place.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/Prompt.h"
#include "platform/UiQueue.h"

namespace velmora {

class ControlApi;

class LoopBrowser {
 public:
  static constexpr char kExtension[] = ".tbk";
  static constexpr char kSaveFilter[] = "Tamborak Loops (.tbk)|*.tbk|All Files (*.*)|*.*||";

  // Command ids of the browser strip and its keys.
  enum Command : int {
    kTreeSelection = 4012,  // the tree's selection changed
    kSaveButton = 4013,     // Save As; with Shift, Save
    kDeleteButton = 4016,
    kSave = 4100,     // Shift+S
    kSaveAs = 4101,   // S
    kSaveNew = 4102,  // Insert
    kDelete = 4103,   // Delete
  };

  struct Item {
    std::string name;  // a folder's name, or a loop file's name less the extension
    // Relative to the loops folder, backslash separated: a folder's path ends with a backslash,
    // a loop's is its file name as on disk.
    std::string path;
    int depth = 0;  // 0 for what lies in the loops folder itself
    bool loop = false;
  };

  // `folder` is the loops folder (native, ending with a separator); it is created when missing.
  // The tree is read at once. [main-thread, not real-time safe: file I/O]
  LoopBrowser(ControlApi& engine, platform::Prompt& prompt, std::string folder);
  LoopBrowser(const LoopBrowser&) = delete;
  LoopBrowser& operator=(const LoopBrowser&) = delete;
  // [main-thread]
  ~LoopBrowser();

  // Reads the tree again, keeping the selection when its item still exists. Folders come before
  // loops, each in byte order of their names; a folder reached twice (through links) is listed
  // once. [main-thread, not real-time safe: file I/O]
  void rescan();
  // Rescans whenever names below the loops folder change: the watcher posts to `queue`, whose
  // pumping thread rescans. The queue must outlive the watch: stopWatching() or the browser's end.
  // [main-thread, not real-time safe]
  void startWatching(platform::UiQueue& queue = platform::UiQueue::main());
  void stopWatching();

  // Items in tree order: each folder followed by what it holds. [main-thread]
  const std::vector<Item>& items() const { return items_; }
  // The item with this relative path, or -1. [main-thread]
  int find(const std::string& path) const;
  // The selected item, or -1. [main-thread]
  int selection() const { return selection_; }
  const std::string& folder() const { return folder_; }

  // Selects item `index` (-1 or out of range: nothing). When it is a loop, reads its file and
  // loads it, announced; true when it was loaded. A file that cannot be read, is too large or
  // holds no valid loop changes nothing. [main-thread, not real-time safe: file I/O]
  bool select(int index);

  // Runs a command of the strip; `shift` tells whether Shift was held on the Save button.
  // False for an unknown command or one that did not complete. [main-thread, not real-time safe]
  bool command(int id, bool shift = false);
  // Writes the loop over the selected loop's file; without a loop selected, Save As.
  bool save();
  // Asks for a path (starting at the selected loop or the automatic name) and writes there;
  // Cancel writes nothing and gives false.
  bool saveAs();
  // Writes to the automatic name in the target folder, without asking, and selects the file.
  bool saveNew();
  // Asks whether to delete the selected loop; on Yes deletes its file. False without a loop
  // selected, on No, or when the file could not be deleted (then the user is told).
  bool deleteSelected();

  // The first "loop%02d" name (loop01, loop02, ... loop100, ...) that no item of the target
  // folder carries, compared without regard to case, and that names no file there. The target
  // folder is the selected folder, the selected loop's folder, or the loops folder.
  // [main-thread]
  std::string automaticName() const;
  // The relative path of the target folder ("" for the loops folder itself). [main-thread]
  std::string targetFolder() const;

 private:
  class Watch;

  // The native path of a relative path.
  std::string nativePath(const std::string& relative) const;
  // Writes the loop to the native path, then rescans and selects the file when it lies in the
  // loops folder; a failure is reported through the prompt.
  bool writeLoop(const std::string& path);
  // The relative path of a native path inside the loops folder; nothing outside it.
  std::optional<std::string> relativeOf(const std::string& path) const;
  void report(const std::string& text);

  ControlApi& engine_;
  platform::Prompt& prompt_;
  std::string folder_;
  std::vector<Item> items_;
  int selection_ = -1;
  std::unique_ptr<Watch> watch_;
};

}  // namespace velmora
