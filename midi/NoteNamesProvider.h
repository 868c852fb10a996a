// Every note-name set on offer, by title: the drum sampler's two pad sets (while its pad-name
// interface is installed), the text files of the note-names folders, and either the host's
// instrument definitions (while the host offers them) or the built-in General MIDI set.
// [main-thread; not real-time safe: asks the host and the sampler, reads files]
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "midi/NoteNameSources.h"
#include "midi/NoteNames.h"

namespace velmora {

inline constexpr std::string_view kPadDrumsTitle = "DR-008 Drums";
inline constexpr std::string_view kPadDefaultTitle = "DR-008 Default";

class NoteNamesProvider {
 public:
  NoteNamesProvider() = default;
  NoteNamesProvider(const NoteNamesProvider&) = delete;
  NoteNamesProvider& operator=(const NoteNamesProvider&) = delete;
  virtual ~NoteNamesProvider() = default;

  // Replaces the file sets by the "*.txt" files of `folders` (native paths), in title order; the
  // title of a set is its file name less ".txt". Of files with the same title, the one in the
  // earlier folder is taken. A file titled like a set already on offer is skipped, except
  // "General MIDI Drums", which replaces the built-in set. Missing folders give no file sets.
  void scanFolders(const std::vector<std::string>& folders);
  // Install or drop (null) the host's instrument definitions and the sampler's pad names.
  void setHostLists(std::shared_ptr<const HostNoteNameLists> lists) { hostLists_ = std::move(lists); }
  void setPadSource(std::shared_ptr<const PadNameSource> pads) { padSource_ = std::move(pads); }
  // Drops the file sets and both sources.
  void clear();

  // Number of titles on offer, at least 1.
  int count() const;
  // Title number `index` of the list; false when there is none or the host cannot answer.
  bool titleAt(int index, std::string& title) const;
  // Whether a set of that title is on offer; with a target, fills it. A title found nowhere fills
  // the target with the General MIDI set while the host's definitions are installed, and leaves
  // it alone otherwise.
  bool find(const std::string& title, NoteNames* target) const;

  const std::vector<NoteNames>& fileSets() const { return fileSets_; }

 private:
  // The built-in set is listed after the file sets when the host offers none of its own and no
  // file replaces it.
  bool listsBuiltIn() const;
  int hostCount() const;
  bool fillFromHost(int index, std::string title, NoteNames& target) const;
  void fillFromPads(NoteNames& target, bool withSamples) const;

  std::vector<NoteNames> fileSets_;
  std::shared_ptr<const HostNoteNameLists> hostLists_;
  std::shared_ptr<const PadNameSource> padSource_;
};

}  // namespace velmora
