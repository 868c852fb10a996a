// The drum-map folder: named maps stored as "<name>.tbm" files holding one drum-map record. The
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

  // Keeps the folder path (native, ending with a separator) and creates the folder; an existing
  // folder is fine. [main-thread, not real-time safe]
  explicit DrumMapStore(std::string folder);

  // The names of the map files in the order the system lists them (extension matched without
  // regard to case, folders skipped), then "<default>". [main-thread, not real-time safe]
  std::vector<std::string> list() const;
  // "<default>" resets `map`. Otherwise reads the named file into `map` and names it `name`;
  // false (map unchanged) when the file is missing, damaged or the name unusable.
  // [main-thread, not real-time safe: file I/O]
  bool load(const std::string& name, DrumMap& map) const;
  // Names `map` `name` and writes it whole to its file (temporary file, then rename). False for
  // "<default>", an unusable name or a failed write (then `error` says why).
  // [main-thread, not real-time safe: file I/O]
  bool save(const std::string& name, DrumMap& map, std::string& error) const;
  // Asks whether to delete the named map; on Yes deletes its file and gives whether that worked.
  // False for "<default>", an unusable name or No. [main-thread, not real-time safe: asks, file I/O]
  bool remove(const std::string& name, platform::Prompt& prompt) const;

  // The file of a map name. [any-thread]
  std::string pathOf(const std::string& name) const { return folder_ + name + kExtension; }
  const std::string& folder() const { return folder_; }

 private:
  // A name that is a plain file name: not empty, not "<default>", no separator or drive colon.
  static bool usable(const std::string& name);

  std::string folder_;
};

}  // namespace velmora
