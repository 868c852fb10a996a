#include <gtest/gtest.h>

#include <filesystem>

#include "io/Record.h"
#include "loops/DrumMapStore.h"
#include "loops/FillShape.h"
#include "tests/Golden.h"
#include "tests/TempFolder.h"
#include "tests/library/LibraryFiles.h"

using namespace velmora;
using platform::PromptAnswer;

namespace {

bool isIdentity(const DrumMap& map) {
  for (int k = 0; k < DrumMap::kKeys; ++k)
    if (map.note(k) != k) return false;
  return true;
}

std::string mapRecord(std::uint32_t nameLength, const std::string& name, int entryBase) {
  std::string bytes;
  CUniString s(bytes);
  record::putU32(s, 1);
  record::putU32(s, nameLength);
  s.write(name.data(), static_cast<std::uint32_t>(name.size()));
  for (int k = 0; k < DrumMap::kKeys; ++k) record::putU8(s, static_cast<std::uint8_t>(entryBase + k));
  return bytes;
}

}  // namespace

TEST(DrumMap, RecordKeepsNameAndSevenBitEntries) {
  DrumMap map;
  map.setNote(36, 40);
  map.setName("kit");
  EXPECT_TRUE(map.adjustRow(0, 1));  // key 70
  EXPECT_EQ(map.note(70), 71);
  EXPECT_FALSE(map.adjustRow(12, 1));
  for (const auto& [start, delta, expected] : {std::tuple{127, 1, 127}, {0, -1, 0}, {5, -9, 0}, {100, 30, 127}}) {
    map.setNote(36, start);
    map.adjustRow(11, delta);  // key 36
    EXPECT_EQ(map.note(36), expected) << start << delta;
  }

  // Saving is held to a stored file by the store's test; here loading, of whole and hostile records.
  struct Hostile {
    std::string bytes;
    bool loads;
    std::string name;
    int key72;  // what key 72 reads: its entry is 130 + 72 = 202 in the full record
  };
  const std::string full = mapRecord(5, std::string("Ro\0ck", 5), 130);
  for (const Hostile& h : {Hostile{full, true, "Ro", 202 & 0x7F}, {full.substr(0, full.size() - 1), false, "kit", 72},
                           {mapRecord(0xFFFFFFFFu, "", 0), false, "kit", 72}, {mapRecord(0, "", 0).substr(0, 6), false, "kit", 72}}) {
    DrumMap target;
    target.setName("kit");
    CUniMemoryReader reader(h.bytes.data(), static_cast<std::uint32_t>(h.bytes.size()));
    EXPECT_EQ(target.load(reader), h.loads) << h.bytes.size();
    EXPECT_EQ(target.name(), h.name);
    EXPECT_EQ(target.note(72), h.key72);
    for (int k = 0; k < DrumMap::kKeys; ++k) ASSERT_LT(target.note(k), 128) << k;
  }
}

TEST(FillShape, StepsByClassWithinOneBarAndSilencedKeys) {
  CMidiTrack track;
  for (auto [time, key] : {std::pair{0, 36}, {1919, 38}, {2160, 45}, {-120, 46}, {1440, 66}})
    track.Insert(noteEvent(time, 9, key, 100, 10));
  DrumMap map;
  EXPECT_EQ(fillShape(track, 480, map), (FillShape{0xA009, 0x8000, 0x0001, 0x2000, 0x0001, 0x0008, false}));
  map.setNote(66, 0);
  EXPECT_TRUE(fillShape(track, 480, map).silenced);
  EXPECT_EQ(fillShape(track, 0, map), FillShape{});
}

TEST(DrumMapStore, ListsLoadsSavesAndRemovesWithConsent) {
  test::TempFolder root;
  const std::string folder = (root.path() / "DrumMaps").string() + std::string(1, std::filesystem::path::preferred_separator);
  DrumMapStore store(folder);
  ASSERT_TRUE(std::filesystem::is_directory(folder));
  test::writeFile(folder, "A.tbm", "x");
  std::filesystem::create_directories(std::filesystem::path(folder) / "B.tbm");
  test::writeFile(folder, "C.txt", "x");
  EXPECT_EQ(store.list(), (std::vector<std::string>{"A", "<default>"}));

  DrumMap map;
  map.setNote(38, 40);
  std::string error;
  ASSERT_TRUE(store.save("Rock", map, error)) << error;
  EXPECT_EQ(map.name(), "Rock");
  const std::string file = test::readWholeFile(store.pathOf("Rock"));
  ASSERT_EQ(file.size(), 140u);
  EXPECT_EQ(file.substr(0, 12), std::string("\1\0\0\0\4\0\0\0Rock", 12));
  EXPECT_EQ(file[12 + 38], 40);
  EXPECT_TRUE(test::matchesGolden(file, "loops/Rock.tbm"));

  DrumMap loaded;
  std::filesystem::copy_file(store.pathOf("Rock"), store.pathOf("Jazz"));
  ASSERT_TRUE(store.load("Jazz", loaded));
  EXPECT_EQ(loaded.name(), "Jazz");  // the name asked for, not the one inside
  EXPECT_EQ(loaded.note(38), 40);
  DrumMap resaved = loaded;
  ASSERT_TRUE(store.save("Rock", resaved, error)) << error;
  EXPECT_EQ(test::readWholeFile(store.pathOf("Rock")), file);
  for (const std::string bad : {"A", "missing", "../DrumMaps/Rock", ""}) {
    EXPECT_FALSE(store.load(bad, loaded)) << bad;
    EXPECT_EQ(loaded.name(), "Jazz");
  }
  EXPECT_TRUE(store.load("<default>", loaded));
  EXPECT_TRUE(isIdentity(loaded));
  EXPECT_EQ(loaded.name(), "");
  EXPECT_FALSE(store.save("<default>", map, error));
  EXPECT_FALSE(store.save("sub/x", map, error));

  platform::ScriptedPrompt prompt{PromptAnswer::kNo, PromptAnswer::kYes};
  EXPECT_FALSE(store.remove("<default>", prompt));
  EXPECT_TRUE(prompt.asked().empty());
  EXPECT_FALSE(store.remove("Rock", prompt));
  EXPECT_TRUE(std::filesystem::exists(store.pathOf("Rock")));
  EXPECT_TRUE(store.remove("Rock", prompt));
  EXPECT_FALSE(std::filesystem::exists(store.pathOf("Rock")));
  prompt.script(PromptAnswer::kYes);
  EXPECT_FALSE(store.remove("Rock", prompt));  // gone: nothing to ask about
  ASSERT_EQ(prompt.asked().size(), 2u);
  EXPECT_EQ(prompt.asked()[0].text, "Are you sure you want to delete drum map \"Rock\"?");
  EXPECT_EQ(prompt.asked()[0].buttons, platform::PromptButtons::kYesNo);
  std::vector<std::string> names = store.list();
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"<default>", "A", "Jazz"}));
}
