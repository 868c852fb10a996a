// The shipped library, generated from data/patterns and scanned from disk: its
// layout, file names that tell the truth about their notes, enough patterns in every variation
// range, velocities shaped by the beat, and byte-identical output from the same sources.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "library/PatternSignature.h"
#include "library/PatternTree.h"
#include "midi/MidiTrack.h"
#include "platform/Numeric.h"
#include "tests/Golden.h"
#include "tests/TempFolder.h"
#include "tests/engine/EngineFixture.h"
#include "tests/library/LibraryFiles.h"
#include "tools/patterns/LibraryGenerator.h"
#include "tools/patterns/PatternMidi.h"

using namespace velmora;
using namespace velmora::patterns;
namespace fs = std::filesystem;

namespace {

// Every pattern below `root` by its relative path, with its bytes.
std::map<std::string, std::string> flatten(const TransitNode& root) {
  std::map<std::string, std::string> out;
  for (const TerminalNode* leaf = root.first(&root); leaf; leaf = leaf->next(&root))
    out[leaf->getPath(&root)] = test::leafBytes(*leaf);
  return out;
}

std::vector<const TransitNode*> children(const TransitNode& node) {
  std::vector<const TransitNode*> out;
  for (const TransitNode* c = node.firstFolder(); c; c = c->nextSibling()) out.push_back(c);
  return out;
}

bool isStep(int time) { return time >= 0 && time % kStepTicks == 0 && time / kStepTicks < kStepsPerBar; }

class DefaultLibrary : public ::testing::Test {
 protected:
  // Generated once, written to disk and scanned as the plug-in scans it.
  static void SetUpTestSuite() {
    library_ = new GeneratedLibrary;
    folder_ = new test::TempFolder;
    std::string error;
    ASSERT_TRUE(buildLibrary(TAMBORAK_PATTERN_SOURCES, *library_, error)) << error;
    ASSERT_TRUE(writeLibrary(*library_, folder_->path(), error)) << error;
    root_ = test::scanFolder(folder_->path()).release();
  }
  static void TearDownTestSuite() {
    delete root_;
    delete folder_;
    delete library_;
  }
  // Every kind folder (third level) of every volume.
  static std::vector<const TransitNode*> kindFolders() {
    std::vector<const TransitNode*> out;
    for (const TransitNode* v : children(*root_))
      for (const TransitNode* p : children(*v))
        for (const TransitNode* k : children(*p)) out.push_back(k);
    return out;
  }
  inline static GeneratedLibrary* library_ = nullptr;
  inline static test::TempFolder* folder_ = nullptr;
  inline static FolderNode* root_ = nullptr;
};

}  // namespace

TEST_F(DefaultLibrary, HasAVolumeForEachRuleSetWithTheFourPartsAndEveryKind) {
  std::set<int> ruleSets;
  ASSERT_EQ(children(*root_).size(), 3u);
  for (const TransitNode* v : children(*root_)) {
    const int lead = platform::atoiWin(v->getName());
    ruleSets.insert(lead == 8 ? 1 : lead == 16 ? 2 : 0);
    EXPECT_EQ(test::names(*v, true), (std::vector<std::string>{"1.Kick", "2.Snare", "3.Cymbal", "4.Percussion", "5.Fill"}))
        << v->getName();
    EXPECT_EQ(test::names(*v, false), (std::vector<std::string>{"Default.mid"})) << v->getName();
    std::set<std::string> kinds;
    for (const TransitNode* p : children(*v))
      for (const TransitNode* k : children(*p)) {
        EXPECT_NE(findKind(k->getName()), nullptr) << k->getName();
        EXPECT_TRUE(kinds.insert(k->getName()).second) << k->getName();
      }
    EXPECT_EQ(kinds.size(), static_cast<std::size_t>(kPatternKindCount)) << v->getName();
  }
  EXPECT_EQ(ruleSets, (std::set<int>{0, 1, 2}));
}

TEST_F(DefaultLibrary, EveryFileNameTellsTheStepsKeysAndCountOfItsNotes) {
  for (const TransitNode* folder : kindFolders()) {
    const PatternKind* kind = findKind(folder->getName());
    ASSERT_NE(kind, nullptr);
    const bool openHiHat = folder->getName() == "HH_Op";
    int number = 0;
    for (const TerminalNode* leaf = folder->firstLeaf(); leaf; leaf = leaf->nextSibling()) {
      const std::string& name = leaf->getName();
      SCOPED_TRACE(leaf->getPath(root_));
      const PatternSignature sig = parseSignature(name);
      EXPECT_EQ(sig.patternNumber, ++number);
      const int group = nameFieldValue(name, kFieldGroup);
      EXPECT_TRUE(group >= 0 && group <= 2);
      EXPECT_EQ(nameField(name, kFieldGrid).size(), 16u);
      CMidiTrack track;
      ASSERT_TRUE(leaf->readMidi(&track));
      EXPECT_EQ((std::vector<long>{long(track.division()), track.numerator(), track.denominator(), track.BarCount()}),
                (std::vector<long>{kPatternDivision, 4, 4, 1}));
      std::uint32_t hits = 0, opens = 0;
      for (const MidiEvent& e : track) {
        ASSERT_TRUE(e.isNote());
        EXPECT_EQ(e.channel, kDrumChannel);
        EXPECT_TRUE(isStep(e.time)) << e.time;
        EXPECT_TRUE(e.data2 >= 1 && e.data2 <= 127);
        const std::uint32_t bit = stepBit(e.time / kStepTicks);
        EXPECT_FALSE((hits | opens) & bit) << "two notes on step " << e.time / kStepTicks;
        if (openHiHat && e.data1 == kind->keys[1]) {
          opens |= bit;
        } else {
          EXPECT_TRUE(std::find(kind->keys, kind->keys + kind->keyCount, e.data1) != kind->keys + kind->keyCount)
              << int(e.data1);
          EXPECT_TRUE(!openHiHat || e.data1 == kind->keys[0]);
          hits |= bit;
        }
      }
      EXPECT_EQ(sig.hitMask, hits);
      EXPECT_EQ(sig.accentMask, opens);
      EXPECT_EQ(static_cast<std::uint32_t>(sig.nameStrokes), track.eventCount());
    }
  }
}

// Every variation range offers choices in every kind folder, beats sound louder than off-beats,
// and most fills lead in after the downbeat (the generator holds each fill's own shape).
TEST_F(DefaultLibrary, EveryKindFolderHasChoicesInEachGroupAndLouderBeats) {
  const std::set<std::string> mainKinds = {"Kick", "Snare", "HH_Cl", "HH_Op"};
  for (const TransitNode* folder : kindFolders()) {
    SCOPED_TRACE(folder->getPath(root_));
    int perGroup[3] = {}, total = 0, leadIns = 0;
    double sum[2] = {}, count[2] = {};
    for (const TerminalNode* leaf = folder->firstLeaf(); leaf; leaf = leaf->nextSibling(), ++total) {
      ++perGroup[nameFieldValue(leaf->getName(), kFieldGroup)];
      CMidiTrack track;
      ASSERT_TRUE(leaf->readMidi(&track));
      leadIns += track.begin() == track.end() || track.begin()->time > 0;
      for (const MidiEvent& e : track) {
        const bool onBeat = e.time % (4 * kStepTicks) == 0;
        sum[onBeat] += e.data2;
        ++count[onBeat];
      }
    }
    const bool fills = folder->getName() == "Fill";
    EXPECT_GE(total, mainKinds.count(folder->getName()) ? 30 : fills ? 24 : 12);
    EXPECT_TRUE(!fills || leadIns * 4 > total * 3) << leadIns << " of " << total << " fills lead in late";
    for (int g = 0; g < 3; ++g) EXPECT_GE(perGroup[g], g == 0 && fills ? 8 : 3) << "group " << g;
    ASSERT_TRUE(count[0] && count[1]);
    EXPECT_GT(sum[1] / count[1], sum[0] / count[0] + 8);
  }
}

TEST_F(DefaultLibrary, TheSameSourcesGiveTheSameBytes) {
  GeneratedLibrary again;
  test::TempFolder temp;
  std::string error;
  ASSERT_TRUE(buildLibrary(TAMBORAK_PATTERN_SOURCES, again, error) && writeLibrary(again, temp.path(), error)) << error;
  const auto first = flatten(*root_);
  EXPECT_GT(first.size(), 600u);
  EXPECT_TRUE(first == flatten(*test::scanFolder(temp.path())));
  // Per volume its pattern count and a 64-bit FNV-1a digest of its paths and bytes, kept in the
  // test data: what the library plays does not change unnoticed.
  std::map<std::string, std::pair<int, std::uint64_t>> digests;
  for (const auto& [path, bytes] : first) {
    auto& [count, hash] = digests.try_emplace(path.substr(0, path.find('\\')), 0, 14695981039346656037u).first->second;
    ++count;
    for (const char c : path + '\0' + bytes) hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211u;
  }
  std::string listing;
  for (const auto& [volume, digest] : digests)
    listing += volume + " " + std::to_string(digest.first) + " " + std::to_string(digest.second) + "\n";
  EXPECT_TRUE(test::matchesGolden(listing, "tools/default-library.txt")) << listing;
  EXPECT_NE(dynamic_cast<VolumeNode*>(root_->findFolder("Latin")), nullptr) << "Latin ships packed";
  for (std::size_t v = 0; v < again.volumes.size(); ++v) {
    if (!again.volumes[v].packed) continue;
    const std::string bytes = packedVolume(again.volumes[v].folder);
    EXPECT_EQ(bytes, packedVolume(library_->volumes[v].folder));
    EXPECT_EQ(test::readWholeFile(temp.path() / again.volumes[v].folder.name), bytes);
    std::string reread, packError;  // the volume as the tree read it packs to the same bytes: nothing lost or left over
    ASSERT_NE(root_->findFolder(again.volumes[v].folder.name), nullptr);
    EXPECT_TRUE(packVolume(*root_->findFolder(again.volumes[v].folder.name), reread, packError)) << packError;
    EXPECT_EQ(reread, bytes);
  }
}

// Selecting a volume loads its "Default.mid": kick, snare and closed hi-hat play the first
// pattern of their kind folder together, the percussion slices are muted; the file lies outside
// the kind folders, so no slice is ever offered it as a pattern.
using DefaultLoop = test::EngineTest;

TEST_F(DefaultLoop, EveryVolumeStartsWithItsDefaultLoop) {
  ComRef<IMfxEventFilter> face = makeEngine();
  Tamborak& engine = engineOf(face);
  const char* const kinds[kSlotCount] = {"4.Percussion\\Cowbell\\", "4.Percussion\\Maracas\\",
                                         "4.Percussion\\Conga\\",   "3.Cymbal\\HH_Cl\\",
                                         "2.Snare\\Snare\\",        "1.Kick\\Kick\\"};
  std::vector<std::string> volumes;
  {
    std::lock_guard guard(engine.getPatternLibrary().lock());
    for (const TransitNode* v : children(*engine.getPatternLibrary().root())) volumes.push_back(v->getName());
  }
  ASSERT_EQ(volumes.size(), 3u);
  for (const std::string& volume : volumes) {
    SCOPED_TRACE(volume);
    engine.setVolume(volume);  // the first volume was selected when the engine was made
    for (int i = 0; i < kSlotCount; ++i) {
      const Looper& slice = *engine.getSlice(i);
      EXPECT_EQ(slice.folder(), volume + "\\" + kinds[i]) << "slice " << i;
      EXPECT_EQ(slice.file().substr(0, 3), "01_") << "slice " << i;
      EXPECT_GT(slice.track().eventCount(), 0u) << "slice " << i;
      EXPECT_EQ(slice.muted(), i < kSlotCymbal) << "slice " << i;
      EXPECT_FALSE(slice.edited() || slice.ownEvents()) << "slice " << i;
    }
    Looper& kick = *engine.getSlice(kSlotKick);
    for (int step = 0; step < 80; ++step) {
      kick.nextPattern(false, 1, false);
      EXPECT_EQ(kick.file().find("Default"), std::string::npos);
    }
  }
}
