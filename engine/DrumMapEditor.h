// The loop's drum map as the options dialog edits it: in place, row by row, from and into the
// named maps of the drum-map folder, and back to where the edit began. [main-thread, not
// real-time safe: the named maps are files]
#pragma once

#include <string>
#include <vector>

#include "platform/Prompt.h"

namespace velmora {

class DrumMapEditor {
 public:
  virtual ~DrumMapEditor() = default;

  // The editor's rows, top first, and the instrument key of each.
  virtual int rowCount() const = 0;
  virtual int rowKey(int row) const = 0;
  // The output note the map gives `key`.
  virtual int note(int key) const = 0;
  // Adds `delta` to the note of row `row`, clamped to 0..127; false for a row outside.
  virtual bool adjustRow(int row, int delta) = 0;
  // The map's name, or the default name while it has none.
  virtual std::string name() const = 0;

  // The named maps of the folder, and reading, writing and deleting one (see DrumMapStore):
  // load is false, the map unchanged, when the file cannot be read; save is false with `error`
  // said (empty: nothing to say); remove asks through `prompt` first.
  virtual std::vector<std::string> storedNames() const = 0;
  virtual bool load(const std::string& name) = 0;
  virtual bool save(const std::string& name, std::string& error) = 0;
  virtual bool remove(const std::string& name, platform::Prompt& prompt) = 0;

  // The map as it was when the editor was made, announced as a drum-map change.
  virtual void restore() = 0;
};

}  // namespace velmora
