// Where note-name sets come from besides text files: the host's instrument definitions and the
// drum sampler's pad names. Each host adapter implements these over what its host offers.
// [main-thread; not real-time safe: the implementations ask the host]
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace velmora {

// The sampler's pads; its pad set names keys 24 on.
inline constexpr int kPadNameCount = 96;

// The host's instrument definitions: numbered sets, each with a title and names by key.
class HostNoteNameLists {
 public:
  virtual ~HostNoteNameLists() = default;
  // The number of sets; false when the host cannot tell.
  virtual bool count(int& sets) const = 0;
  // The title of set `index`; false when there is none or the host cannot tell.
  virtual bool title(int index, std::string& title) const = 0;
  // The names of set `index` from key 0 on, at most `keys` of them; an empty entry where the
  // host could not name that key. False when the set cannot be read.
  virtual bool names(int index, int keys, std::vector<std::optional<std::string>>& names) const = 0;
};

// The drum sampler's pad names.
class PadNameSource {
 public:
  virtual ~PadNameSource() = default;
  // The label of each pad; false when the sampler cannot give them.
  virtual bool labels(std::array<std::string, kPadNameCount>& labels) const = 0;
  // The sample loaded on `pad` (0..kPadNameCount-1), empty when none; false when the sampler
  // cannot tell.
  virtual bool sample(int pad, std::string& sample) const = 0;
};

}  // namespace velmora
