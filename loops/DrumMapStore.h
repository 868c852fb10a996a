// The drum-map folder: named maps stored as "<name>.tbm" files holding one drum-map record, over an
// optional read-only folder of shipped maps, which a user's map of the same name hides. The
// pseudo-name "<default>" stands for the identity map and is never a file.
#pragma once

#include <string>
#include <vector>

#include "loops/DrumMap.h"
#include "platform/Prompt.h"

namespace velmora {

class DrumMapStore {
 public:
  static constexpr char kDefaultName[] = "<default>";
  static constexpr char kExtension[] = ".tbm";

  // Keeps the folder paths (native, ending with a separator; `shipped` may be empty) and creates
  // the user's folder; an existing folder is fine. [main-thread, not real-time safe]
  explicit DrumMapStore(std::string folder, std::string shipped = std::string());

  // The names of the user's map files in the order the system lists them (extension matched
  // without regard to case, folders skipped), then the shipped ones not hidden by them, then
  // "<default>". [main-thread, not real-time safe]
  std::vector<std::string> list() const;
  // "<default>" resets `map`. Otherwise reads the named file (the user's, else the shipped one)
  // into `map` and names it `name`; false (map unchanged) when the file is missing, damaged or
  // the name unusable.
  // [main-thread, not real-time safe: file I/O]
  bool load(const std::string& name, DrumMap& map) const;
  // Names `map` `name` and writes it whole to the user's file (temporary file, then rename). False for
  // "<default>", an unusable name or a failed write (then `error` says why).
  // [main-thread, not real-time safe: file I/O]
  bool save(const std::string& name, DrumMap& map, std::string& error) const;
  // Asks whether to delete the user's named map; on Yes deletes its file and gives whether that
  // worked. False without asking for "<default>", an unusable name or a map the user has no file
  // of (a shipped one); false for No. [main-thread, not real-time safe: asks, file I/O]
  bool remove(const std::string& name, platform::Prompt& prompt) const;

  // The user's file of a map name. [any-thread]
  std::string pathOf(const std::string& name) const { return folder_ + name + kExtension; }
  const std::string& folder() const { return folder_; }

 private:
  // A name that is a plain file name: not empty, not "<default>", no separator or drive colon.
  static bool usable(const std::string& name);

  // Whether the user's folder has an entry of that map name.
  bool hasOwn(const std::string& name) const;
  // The names of the map files in `folder`.
  static std::vector<std::string> namesIn(const std::string& folder);

  std::string folder_;
  std::string shipped_;
};

}  // namespace velmora
