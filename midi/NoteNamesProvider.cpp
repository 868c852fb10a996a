#include "midi/NoteNamesProvider.h"

#include <algorithm>
#include <filesystem>
#include <optional>

#include "platform/File.h"
#include "platform/Numeric.h"

namespace velmora {

namespace {

constexpr std::string_view kNumberedSetTitle = "0..127";
constexpr int kFirstPadKey = 24;

// Whether `text` is nothing but the decimal number `value`.
bool isNumber(const std::string& text, int value) {
  if (text.empty() || text.size() > 9) return false;
  int parsed = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    parsed = parsed * 10 + (c - '0');
  }
  return parsed == value;
}

bool hasTextExtension(const std::string& name) {
  return name.size() >= 4 && platform::equalsIgnoringCase(std::string_view(name).substr(name.size() - 4), ".txt");
}

}  // namespace

void NoteNamesProvider::scanFolders(const std::vector<std::string>& folders) {
  fileSets_.clear();
  struct File {
    std::string name;
    std::size_t folder;
  };
  std::vector<File> files;
  for (std::size_t index = 0; index < folders.size(); ++index) {
    std::error_code ec;
    std::filesystem::directory_iterator it(std::filesystem::path(folders[index]), ec);
    for (const std::filesystem::directory_iterator end; !ec && it != end; it.increment(ec)) {
      std::error_code typeError;
      if (!it->is_regular_file(typeError)) continue;
      try {
        std::string name = it->path().filename().string();
        if (hasTextExtension(name)) files.push_back({std::move(name), index});
      } catch (const std::exception&) {
        // a name the narrow character set cannot hold
      }
    }
  }
  // Same titles sort by folder, so the first folder's set is taken and later ones are skipped.
  std::sort(files.begin(), files.end(), [](const File& a, const File& b) {
    return platform::byteCompare(a.name, b.name) < 0 || (a.name == b.name && a.folder < b.folder);
  });
  for (const File& file : files) {
    std::string title = file.name.substr(0, file.name.size() - 4);
    if (title != kGeneralMidiDrumsTitle && find(title, nullptr)) continue;
    NoteNames set;
    io::File input((std::filesystem::path(folders[file.folder]) / file.name).string(), io::File::kGenericRead,
                   io::File::kOpenExisting);
    UniStream<io::File> stream(input);
    set.parse(stream);
    set.setTitle(std::move(title));
    fileSets_.push_back(std::move(set));
  }
}

void NoteNamesProvider::clear() {
  fileSets_.clear();
  hostLists_.reset();
  padSource_.reset();
}

bool NoteNamesProvider::listsBuiltIn() const {
  if (hostLists_) return false;
  return std::none_of(fileSets_.begin(), fileSets_.end(),
                      [](const NoteNames& set) { return set.title() == kGeneralMidiDrumsTitle; });
}

int NoteNamesProvider::hostCount() const {
  int count = 0;
  if (!hostLists_ || !hostLists_->count(count) || count < 0) return 0;
  return count;
}

int NoteNamesProvider::count() const {
  const int total = hostCount() + (padSource_ ? 2 : 0) + static_cast<int>(fileSets_.size()) + (listsBuiltIn() ? 1 : 0);
  return std::max(total, 1);
}

bool NoteNamesProvider::titleAt(int index, std::string& title) const {
  if (index < 0) return false;
  if (padSource_) {
    if (index < 2) {
      title = index == 0 ? kPadDrumsTitle : kPadDefaultTitle;
      return true;
    }
    index -= 2;
  }
  if (index < static_cast<int>(fileSets_.size())) {
    title = fileSets_[static_cast<std::size_t>(index)].title();
    return true;
  }
  index -= static_cast<int>(fileSets_.size());
  if (!hostLists_) {
    if (index != 0 || !listsBuiltIn()) return false;
    title = kGeneralMidiDrumsTitle;
    return true;
  }
  return hostLists_->title(index, title);
}

bool NoteNamesProvider::find(const std::string& title, NoteNames* target) const {
  if (padSource_ && (title == kPadDrumsTitle || title == kPadDefaultTitle)) {
    if (target) fillFromPads(*target, title == kPadDrumsTitle);
    return true;
  }
  for (const NoteNames& set : fileSets_) {
    if (set.title() != title) continue;
    if (target) *target = set;
    return true;
  }
  if (!hostLists_) {
    if (!title.empty() && title != kGeneralMidiDrumsTitle) return false;
    if (target) target->fillGeneralMidi();
    return true;
  }
  const int count = hostCount();
  for (int i = 0; i < count; ++i) {
    std::string name;
    if (!hostLists_->title(i, name) || name != title) continue;
    return target ? fillFromHost(i, std::move(name), *target) : true;
  }
  if (target) target->fillGeneralMidi();
  return false;
}

bool NoteNamesProvider::fillFromHost(int index, std::string title, NoteNames& target) const {
  target.reset();
  std::vector<std::optional<std::string>> names;
  if (!hostLists_->names(index, kNoteNameKeys, names)) return false;
  const bool numbered = title == kNumberedSetTitle;
  target.setTitle(std::move(title));
  for (int key = 0; key < std::min(static_cast<int>(names.size()), kNoteNameKeys); ++key) {
    std::optional<std::string>& name = names[static_cast<std::size_t>(key)];
    if (!name) continue;
    if (!numbered && isNumber(*name, key)) continue;  // the host's placeholder for an unnamed key
    target.setName(key, std::move(*name));
  }
  return true;
}

void NoteNamesProvider::fillFromPads(NoteNames& target, bool withSamples) const {
  target.reset();
  target.setTitle(std::string(withSamples ? kPadDrumsTitle : kPadDefaultTitle));
  target.setPadNameMark(withSamples);
  std::array<std::string, kPadNameCount> labels;
  if (!padSource_->labels(labels)) return;
  for (int pad = 0; pad < kPadNameCount; ++pad) {
    std::string& label = labels[static_cast<std::size_t>(pad)];
    std::string sample;
    if (!withSamples) {
      target.setName(pad + kFirstPadKey, std::move(label));
    } else if (padSource_->sample(pad, sample) && !sample.empty()) {
      target.setName(pad + kFirstPadKey, label + ": " + sample);
    } else {
      target.setShownName(pad + kFirstPadKey, std::move(label));
    }
  }
}

}  // namespace velmora
