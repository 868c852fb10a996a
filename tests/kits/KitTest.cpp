#include <gtest/gtest.h>

#include <fstream>
#include <map>

#include "kits/KitImport.h"
#include "loops/DrumMapStore.h"
#include "midi/NoteNamesProvider.h"
#include "tests/TempFolder.h"

using namespace velmora;
using namespace velmora::kits;

namespace {

Kit readData(const std::string& file) {
  Kit kit;
  std::string error;
  EXPECT_TRUE(readKit(test::readWholeFile(test::testDataPath("kits/" + file)), kit, error)) << file << ": " << error;
  return kit;
}

// The kit's note of each pattern key that was placed.
std::map<int, int> placed(const KitImport& imported) {
  std::map<int, int> notes;
  for (const KitPlacement& p : imported.placements)
    if (p.note >= 0) notes[p.key] = p.note;
  return notes;
}

}  // namespace

TEST(KitImport, EachFormatGivesItsInstrumentsAndPlacesTheKeysByName) {
  struct Case {
    std::string file, name;
    std::vector<KitInstrument> first;  // the kit's first instruments
    std::map<int, int> notes;          // pattern key -> kit note, for every key placed
  };
  const Case cases[] = {
      // Several notes for one instrument; the stick and the bell are not the snare and the ride.
      {"drumgizmo-midimap.xml", "", {{35, "KDrumL"}, {36, "KDrumL"}, {38, "Snare"}},
       {{36, 36}, {38, 38}, {42, 42}, {46, 46}, {51, 51}}},
      // Own notes; the rim shot is no snare, a control character in a name is a blank, an out-of-range note falls back to 36 + place, the
      // pedal hat stands in for the closed one; clap, ride and percussion have no instrument.
      {"hydrogen-own-notes.xml", "Garage & Bells", {{35, "Bass Drum"}, {40, "Snare Rimshot"}, {37, "Snare"}, {44, "Hat Pedal"}, {40, "Cowbell"}},
       {{36, 35}, {38, 37}, {42, 44}, {56, 40}}},
      // Hydrogen's unset note (60 for all) means 36 + the instrument's place.
      {"hydrogen-default-notes.xml", "Plain Kit", {{36, "Kick"}, {37, "Clap"}, {38, "Closed HH"}, {39, "Open HH"}},
       {{36, 36}, {39, 37}, {42, 38}, {46, 39}}},
      // The first note list only, named by its list; the semi-open hat is the open one.
      {"lv2-drums.midnam", "Studio Kit", {{36, "KickDrum"}, {37, "SnareSidestk"}, {38, "SnareCtr"}},
       {{36, 36}, {38, 38}, {39, 39}, {42, 42}, {46, 46}, {51, 51}, {54, 54}, {56, 56}, {70, 61}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    const Kit kit = readData(c.file);
    EXPECT_EQ(kit.name, c.name);
    ASSERT_GE(kit.instruments.size(), c.first.size());
    EXPECT_EQ(std::vector<KitInstrument>(kit.instruments.begin(), kit.instruments.begin() + static_cast<long>(c.first.size())), c.first);
    const KitImport imported = importKit(kit);
    EXPECT_EQ(placed(imported), c.notes);
    ASSERT_EQ(imported.placements.size(), static_cast<std::size_t>(DrumMap::kEditorRows));
    for (int key = 0; key < DrumMap::kKeys; ++key)
      EXPECT_EQ(imported.map.note(key), c.notes.count(key) ? c.notes.at(key) : key) << key;
  }
}

TEST(KitImport, TheShippedKitDescriptionsReadAndTheAvlKitsPlayEveryKindButTheCongas) {
  const auto folder = test::testDataPath("../../data/kits");
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    SCOPED_TRACE(entry.path().string());
    Kit kit;
    std::string error;
    ASSERT_TRUE(readKit(test::readWholeFile(entry.path()), kit, error)) << error;
    EXPECT_FALSE(kit.name.empty());
    ++files;
    if (kit.name.rfind("AVL ", 0) != 0) continue;
    std::map<int, int> expected{{36, 36}, {38, 38}, {39, 39}, {42, 42}, {46, 46}, {51, 51}, {54, 54}, {56, 56}, {70, 61}};
    EXPECT_EQ(placed(importKit(kit)), expected);
  }
  EXPECT_EQ(files, 16);
}

TEST(KitImport, DamagedHostileAndHugeFilesGiveOneError) {
  std::string deep = "<midimap>";
  for (int i = 0; i < 40; ++i) deep += "<a>";
  std::string many = "<midimap>";
  for (int i = 0; i < 1100; ++i) many += "<map note=\"36\" instr=\"K\"/>";
  many += "</midimap>";
  const std::pair<std::string, std::string> cases[] = {
      {"", "no XML element"},
      {"plain text", "not an XML file"},
      {"<midimap><map note=\"36\" instr=\"K\"/>", "ends inside <midimap>"},
      {"<midimap><map note=\"36\" instr=\"K", "ends inside a tag"},
      {"<midimap><map note=\"128\" instr=\"K\"/></midimap>", "<map> with no note 0..127"},
      {"<midimap><map note=\"-1\" instr=\"K\"/></midimap>", "<map> with no note 0..127"},
      {"<midimap><map note=\"36\"/></midimap>", "<map> with no instr"},
      {"<midimap><map note=\"36\" instr=\" : \"/></midimap>", "<map> with no instr"},
      {"<midimap><map note=\"36\" instr=\"&bogus;\"/></midimap>", "unknown entity"},
      {"<midimap><map note=\"36\" instr=\"&#0;\"/></midimap>", "out of range"},
      {"<midimap><map note=\"36\" instr=\"K\"></midimap>", "does not close <map>"},
      {"<midimap></midimap><midimap/>", "second root"},
      {"<midimap/>", "no instrument"},
      {"<drumkit_info><instrumentList/></drumkit_info>", "no instrument"},
      {"<MIDINameDocument><NoteNameList><Note Number=\"x\" Name=\"K\"/></NoteNameList></MIDINameDocument>", "<Note> with no Number 0..127"},
      {"<other/>", "not a kit description"},
      {deep, "nested too deep"},
      {many, "more than 1024 instruments"},
      {"<midimap a=\"" + std::string(5000, 'x') + "\"/>", "too long"},
      {"<midimap>" + std::string(kMaxKitFileSize, ' ') + "</midimap>", "larger than 4 MiB"},
  };
  for (const auto& [bytes, message] : cases) {
    Kit kit{"kept", {{1, "kept"}}};
    std::string error;
    EXPECT_FALSE(readKit(bytes, kit, error)) << bytes.substr(0, 80);
    EXPECT_NE(error.find(message), std::string::npos) << bytes.substr(0, 80) << ": " << error;
    EXPECT_EQ(kit.name, "kept");
  }
  // Every cut of a good file fails cleanly or reads a kit; none reads past the cut.
  for (const char* file : {"drumgizmo-midimap.xml", "hydrogen-own-notes.xml", "lv2-drums.midnam"}) {
    const std::string whole = test::readWholeFile(test::testDataPath(std::string("kits/") + file));
    for (std::size_t n = 0; n + 1 < whole.size(); ++n) {
      const std::string cut = whole.substr(0, n);
      Kit kit;
      std::string error;
      EXPECT_FALSE(readKit(cut, kit, error)) << file << " cut at " << n;
    }
  }
}

TEST(KitImport, AnImportedKitIsOfferedByTheNoteNameProviderAndTheDrumMapStore) {
  test::TempFolder folder;
  const Kit kit = readData("lv2-drums.midnam");
  KitImport imported = importKit(kit);
  std::filesystem::create_directory(folder.path() / "NoteNames");
  std::ofstream(folder.path() / "NoteNames" / "Studio Kit.txt", std::ios::binary) << imported.noteNames;
  NoteNamesProvider provider;
  provider.scanFolder((folder.path() / "NoteNames").string() + "/");
  NoteNames set;
  ASSERT_TRUE(provider.find("Studio Kit", &set));
  EXPECT_EQ(set.ownName(42), "ClosedHat");
  EXPECT_EQ(set.ownName(61), "Maracas");
  EXPECT_EQ(set.ownName(60), "");

  const DrumMapStore store((folder.path() / "DrumMaps").string() + "/");
  std::string error;
  ASSERT_TRUE(store.save("Studio Kit", imported.map, error)) << error;
  DrumMap loaded;
  ASSERT_TRUE(store.load("Studio Kit", loaded));
  EXPECT_EQ(loaded.note(70), 61);
}
