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

// The user's folders over the shipped kits: both offered, the user's files hide shipped ones of
// the same name, saving goes to the user's folder and a shipped map cannot be deleted.
TEST(KitImport, ShippedKitsAreOfferedBesideTheUsersOwnWhichHideThemByName) {
  test::TempFolder folder;
  const std::filesystem::path user = folder.path() / "user", shipped = folder.path() / "Kits";
  const auto slashed = [](const std::filesystem::path& path) { return (path / "").string(); };
  KitImport imported = importKit(readData("lv2-drums.midnam"));
  for (const auto& dir : {user / "NoteNames", shipped / "NoteNames", shipped / "DrumMaps"})
    std::filesystem::create_directories(dir);
  for (const char* title : {"Studio Kit", "Other Kit"})
    std::ofstream(shipped / "NoteNames" / (std::string(title) + ".txt"), std::ios::binary) << imported.noteNames;
  std::ofstream(user / "NoteNames" / "Studio Kit.txt", std::ios::binary) << "36 My Kick\n";

  NoteNamesProvider provider;
  provider.scanFolders({slashed(user / "NoteNames"), slashed(shipped / "NoteNames")});
  NoteNames set;
  ASSERT_EQ(provider.fileSets().size(), 2u);
  ASSERT_TRUE(provider.find("Other Kit", &set));
  EXPECT_EQ(set.ownName(42) + "," + set.ownName(61) + "," + set.ownName(60), "ClosedHat,Maracas,");
  ASSERT_TRUE(provider.find("Studio Kit", &set));
  EXPECT_EQ(set.ownName(36) + "," + set.ownName(42), "My Kick,");

  const DrumMapStore shippedStore(slashed(shipped / "DrumMaps"));
  const DrumMapStore store(slashed(user / "DrumMaps"), slashed(shipped / "DrumMaps"));
  std::string error;
  for (const char* name : {"Studio Kit", "Other Kit"}) ASSERT_TRUE(shippedStore.save(name, imported.map, error)) << error;
  DrumMap mine;
  ASSERT_TRUE(store.save("Studio Kit", mine, error)) << error;
  EXPECT_EQ(store.list(), (std::vector<std::string>{"Studio Kit", "Other Kit", DrumMapStore::kDefaultName}));
  DrumMap loaded;
  ASSERT_TRUE(store.load("Other Kit", loaded));
  EXPECT_EQ(loaded.note(70), 61);
  ASSERT_TRUE(store.load("Studio Kit", loaded));
  EXPECT_EQ(loaded.note(70), 70);

  platform::ScriptedPrompt prompt{platform::PromptAnswer::kYes, platform::PromptAnswer::kYes};
  EXPECT_FALSE(store.remove("Other Kit", prompt)) << "a shipped map is not the user's to delete";
  EXPECT_TRUE(prompt.asked().empty());
  EXPECT_TRUE(store.remove("Studio Kit", prompt));
  ASSERT_TRUE(store.load("Studio Kit", loaded));
  EXPECT_EQ(loaded.note(70), 61) << "the shipped map shows again";
  EXPECT_TRUE(std::filesystem::exists(shipped / "DrumMaps" / "Studio Kit.tbm"));
}

#ifdef TAMBORAK_SHIPPED_KITS
// The kits the build ships: one set and one map per description, and the AVL kits play the keys
// where avldrums.lv2 has its instruments.
TEST(KitImport, TheShippedKitsHaveASetAndAMapForEveryDescription) {
  const std::filesystem::path kits = TAMBORAK_SHIPPED_KITS;
  std::size_t descriptions = 0;
  for (const auto& entry : std::filesystem::directory_iterator(TAMBORAK_KIT_SOURCES)) {
    ++descriptions;
    Kit kit;
    std::string error;
    ASSERT_TRUE(readKit(test::readWholeFile(entry.path()), kit, error)) << entry.path() << ": " << error;
    EXPECT_TRUE(std::filesystem::is_regular_file(kits / "NoteNames" / (kit.name + ".txt"))) << kit.name;
  }
  NoteNamesProvider provider;
  provider.scanFolders({(kits / "NoteNames" / "").string()});
  const DrumMapStore store((kits / "DrumMaps" / "").string());
  EXPECT_EQ(provider.fileSets().size(), descriptions);
  EXPECT_EQ(store.list().size(), descriptions + 1);
  for (const NoteNames& set : provider.fileSets()) {
    DrumMap map;
    ASSERT_TRUE(store.load(set.title(), map)) << set.title();
    EXPECT_NE(set.ownName(map.note(36)), "") << set.title() << ": the kick goes to one of the kit's instruments";
  }
  DrumMap pearl;
  ASSERT_TRUE(store.load("AVL Black Pearl", pearl));
  std::map<int, int> notes;
  for (int key : {36, 38, 39, 42, 46, 51, 54, 56, 70}) notes[key] = pearl.note(key);
  EXPECT_EQ(notes, (std::map<int, int>{{36, 36}, {38, 38}, {39, 39}, {42, 42}, {46, 46}, {51, 51}, {54, 54},
                                       {56, 56}, {70, 61}}));
}
#endif
