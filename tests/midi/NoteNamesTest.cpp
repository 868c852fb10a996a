#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <set>

#include "io/Record.h"
#include "midi/NoteNamesProvider.h"
#include "tests/TempFolder.h"

using namespace velmora;

namespace {

using Names = std::map<int, std::string>;

Names ownNames(const NoteNames& set) {
  Names names;
  for (int key = 0; key < kNoteNameKeys; ++key)
    if (!set.ownName(key).empty()) names[key] = set.ownName(key);
  return names;
}

NoteNames parsed(const std::string& text) {
  NoteNames set;
  CUniMemoryReader reader(text.data(), static_cast<std::uint32_t>(text.size()));
  set.parse(reader);
  return set;
}

// The host's instrument definitions: sets of a title and names by key (none: the host cannot
// name that key), or unreadable as a whole.
struct HostStub final : HostNoteNameLists {
  struct Set {
    std::string title;
    std::vector<std::optional<std::string>> names;
    bool unreadable = false;
  };
  bool count(int& count) const override {
    count = static_cast<int>(sets.size());
    return !failCount;
  }
  bool title(int index, std::string& title) const override {
    if (index < 0 || index >= static_cast<int>(sets.size())) return false;
    title = sets[static_cast<std::size_t>(index)].title;
    return true;
  }
  bool names(int index, int, std::vector<std::optional<std::string>>& names) const override {
    names = sets.at(static_cast<std::size_t>(index)).names;
    return !sets.at(static_cast<std::size_t>(index)).unreadable;
  }
  std::vector<Set> sets;
  bool failCount = false;
};

// The sampler's pad names: pad p is labelled "P<p>" and only pad 0 holds a sample.
struct PadStub final : PadNameSource {
  bool labels(std::array<std::string, kPadNameCount>& labels) const override {
    for (int p = 0; p < kPadNameCount; ++p) labels[static_cast<std::size_t>(p)] = std::string(1, 'P').append(std::to_string(p));
    return true;
  }
  bool sample(int pad, std::string& sample) const override {
    sample = pad == 0 ? "Kick.wav" : "";
    return true;
  }
};

std::vector<std::string> titles(const NoteNamesProvider& provider) {
  std::vector<std::string> list;
  for (int i = 0; i < provider.count(); ++i) {
    std::string title;
    list.push_back(provider.titleAt(i, title) ? title : "<none>");
  }
  return list;
}

void writeFile(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

}  // namespace

TEST(NoteNames, TextFormatFollowsTheLineStates) {
  const std::string longName(300, 'x');
  const std::string veryLong(10000, 'y');
  const struct {
    std::string text;
    Names names;
  } cases[] = {
      {"36 Kick\n38:Snare\n", {{36, "Kick"}, {38, "Snare"}}},
      {"36Kick\n", {{36, "ick"}}},                         // the byte ending the number is lost
      {"36\n37 Snare\n", {{36, "37 Snare"}}},              // a bare number takes the next line
      {"36\r\n37 Snare\n", {{37, "Snare"}}},               // ... unless the line ends in CR LF
      {"36 Kick\r\n38\t: \tSnare \r\n", {{36, "Kick"}, {38, "Snare "}}},
      {"36 Kick", {}},                                     // no final line end
      {"36 Kick\r", {{36, "Kick"}}},
      {"  \t40 Tom\n\n\n", {{40, "Tom"}}},
      {"# 36 Kick\nx36 Kick\n-1 Low\n", {}},
      {"128 High\n127 Top\n0 Bottom\n007 Seven\n", {{127, "Top"}, {0, "Bottom"}, {7, "Seven"}}},
      {"4294967332 Wrap\n99999999999999999999999 Big\n", {}},
      {"36 Kick\n36 Bass\n", {{36, "Bass"}}},
      {std::string("36 A\0B\n", 7), {{36, std::string("A\0B", 3)}}},
      {std::string("\0" "36 Kick\n37 K\n", 14), {{37, "K"}}},
      {"36:\n37 Snare\n", {{37, "Snare"}}},
      {"36 " + longName + "\n", {{36, longName.substr(0, 255)}}},
      {"36 " + veryLong + "\n37 Z\n", {{36, veryLong.substr(0, 255)}, {37, "Z"}}},
  };
  for (const auto& c : cases) EXPECT_EQ(ownNames(parsed(c.text)), c.names) << c.text.substr(0, 40);
}

TEST(NoteNames, NamesTitlesResetAndCopy) {
  NoteNames set;
  EXPECT_EQ(set.displayName(61), "C#5");
  EXPECT_EQ(set.displayName(0), "C0");
  EXPECT_EQ(set.displayName(127), "G10");
  set.setName(36, "Kick");
  set.setShownName(37, "Pad");
  set.setName(200, "Ignored");
  set.setTitle("Mine");
  set.setPadNameMark(true);
  EXPECT_EQ(set.ownName(37), "");
  EXPECT_EQ(set.displayName(37), "Pad");
  EXPECT_EQ(ownNames(set), (Names{{36, "Kick"}}));
  NoteNames copy = set;
  EXPECT_EQ(copy, set);
  EXPECT_TRUE(copy.padNameMark());
  copy.reset();
  EXPECT_EQ(copy, NoteNames());
  EXPECT_EQ(copy.displayName(37), "C#3");

  NoteNames gm;
  gm.fillGeneralMidi();
  EXPECT_EQ(gm.title(), "General MIDI Drums");
  EXPECT_EQ(gm.displayName(34), "A#2");
  std::set<std::string> distinct;
  for (int key = 35; key <= 81; ++key) {
    EXPECT_EQ(gm.ownName(key), drumName(key));
    EXPECT_TRUE(!drumName(key).empty() && drumName(key).size() <= 19) << key;
    distinct.insert(drumName(key));
  }
  EXPECT_EQ(distinct.size(), 47u);
  EXPECT_EQ(ownNames(gm).size(), 47u);
  EXPECT_EQ(drumName(82), "A#6");
}

TEST(NoteNamesProvider, ListsAndFillsByTitleAcrossTheSources) {
  test::TempFolder temp;
  const std::string folder = (temp.path() / "NoteNames").string() + static_cast<char>(std::filesystem::path::preferred_separator);
  NoteNamesProvider provider;
  provider.scanFolders({folder});  // not there yet
  EXPECT_EQ(titles(provider), (std::vector<std::string>{"General MIDI Drums"}));

  std::filesystem::create_directory(folder);
  writeFile(folder + "Rock Kit.txt", "36 Rock Kick\n");
  provider.scanFolders({folder});
  EXPECT_EQ(titles(provider), (std::vector<std::string>{"Rock Kit", "General MIDI Drums"}));

  writeFile(folder + "General MIDI Drums.txt", "36 My Kick\n");
  writeFile(folder + "Host Kit.txt", "36 File Kick\n");
  writeFile(folder + "Studio.TXT", "40 Rim\n");
  writeFile(folder + "notes.md", "36 No\n");
  std::filesystem::create_directory(folder + "Folder.txt");
  auto host = std::make_shared<HostStub>();
  host->sets = {{"Host Kit", {"0", "Kick0", "", "3", std::nullopt}}, {"0..127", {"0", "1", "Two"}}, {"Broken", {"Hat"}, true}};
  provider.setHostLists(host);
  provider.scanFolders({folder});  // the host's "Host Kit" hides the file of that title
  EXPECT_EQ(titles(provider), (std::vector<std::string>{"General MIDI Drums", "Rock Kit", "Studio", "Host Kit",
                                                        "0..127", "Broken"}));

  NoteNames target;
  EXPECT_TRUE(provider.find("General MIDI Drums", &target));
  EXPECT_EQ(ownNames(target), (Names{{36, "My Kick"}}));
  EXPECT_TRUE(provider.find("Host Kit", &target));
  EXPECT_EQ(target.title(), "Host Kit");
  EXPECT_EQ(ownNames(target), (Names{{1, "Kick0"}}));  // "0" at key 0 and "3" at key 3 are placeholders
  EXPECT_EQ(std::tuple(target.displayName(2), target.displayName(3), target.displayName(4)), std::tuple("", "D#0", "E0"));
  EXPECT_TRUE(provider.find("0..127", &target));
  EXPECT_EQ(ownNames(target), (Names{{0, "0"}, {1, "1"}, {2, "Two"}}));
  EXPECT_FALSE(provider.find("Broken", &target));
  EXPECT_EQ(target, NoteNames());
  EXPECT_FALSE(provider.find("Gone", &target));
  NoteNames gm;
  gm.fillGeneralMidi();
  EXPECT_EQ(target, gm);
  EXPECT_FALSE(provider.find("Gone", nullptr));

  host->failCount = true;
  EXPECT_EQ(provider.count(), 3);
  EXPECT_FALSE(provider.find("Host Kit", nullptr));

  auto pads = std::make_shared<PadStub>();
  provider.setPadSource(pads);
  host->failCount = false;
  EXPECT_EQ(titles(provider)[0], "DR-008 Drums");
  EXPECT_EQ(titles(provider)[1], "DR-008 Default");
  EXPECT_EQ(titles(provider)[5], "Host Kit");
  EXPECT_TRUE(provider.find("DR-008 Drums", &target));
  EXPECT_TRUE(target.padNameMark());
  EXPECT_EQ(target.ownName(24), "P0: Kick.wav");
  EXPECT_EQ(target.ownName(25), "");
  EXPECT_EQ(target.displayName(25), "P1");
  EXPECT_TRUE(provider.find("DR-008 Default", &target));
  EXPECT_FALSE(target.padNameMark());
  EXPECT_EQ(ownNames(target).size(), 96u);
  EXPECT_EQ(target.ownName(24 + 95), "P95");

  provider.clear();
  EXPECT_EQ(std::pair(pads.use_count(), host.use_count()), std::pair(1L, 1L));
  EXPECT_EQ(titles(provider), (std::vector<std::string>{"General MIDI Drums"}));
}

TEST(NoteNamesProvider, StoredTitleLoadsItsSetOrFallsBack) {
  NoteNamesProvider provider;
  NoteNames mine;
  mine.setTitle("Mine");
  std::string bytes;
  CUniString out(bytes);
  mine.saveTitle(out);
  EXPECT_EQ(bytes, std::string("\x04\0\0\0Mine", 8));

  const auto load = [&](const std::string& stored, NoteNames& set) {
    CUniMemoryReader in(stored.data(), static_cast<std::uint32_t>(stored.size()));
    return set.loadTitle(in, provider);
  };
  NoteNames current;
  current.setName(36, "Kept");
  EXPECT_FALSE(load(bytes, current));  // no source offers "Mine", no host: unchanged
  EXPECT_EQ(ownNames(current), (Names{{36, "Kept"}}));
  EXPECT_FALSE(load(std::string("\x05\0\0\0Mine", 8), current));  // short
  EXPECT_FALSE(load(std::string("\xFF\xFF\xFF\x7F", 4), current));
  EXPECT_EQ(ownNames(current), (Names{{36, "Kept"}}));
  EXPECT_TRUE(load(std::string(4, '\0'), current));  // the empty title is the built-in set
  EXPECT_EQ(current.title(), "General MIDI Drums");

  auto host = std::make_shared<HostStub>();
  provider.setHostLists(host);
  current.setName(36, "Kept");
  EXPECT_FALSE(load(bytes, current));  // with the host: the General MIDI set
  EXPECT_EQ(current.ownName(36), drumName(36));
  host->sets = {{"Mine", {"a"}}};
  EXPECT_TRUE(load(bytes, current));
  EXPECT_EQ(ownNames(current), (Names{{0, "a"}}));
}
