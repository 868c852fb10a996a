// The shipped library, generated from data/patterns: its layout, file names that tell the truth
// about their notes, enough patterns in every variation range, velocities shaped by the beat,
// and byte-identical output from the same sources.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>

#include "io/Record.h"
#include "library/PatternSignature.h"
#include "midi/MidiTrack.h"
#include "platform/Numeric.h"
#include "tests/TempFolder.h"
#include "tools/patterns/LibraryGenerator.h"
#include "tools/patterns/PatternMidi.h"

using namespace velmora;
using namespace velmora::patterns;
namespace fs = std::filesystem;

namespace {

std::string readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Reads a content record; false when it is cut short.
bool readRecord(CUniStream& s, PackFolder& folder) {
  for (int list = 0; list < 2; ++list) {
    for (;;) {
      std::string name;
      if (!record::getText(s, name, 1000)) return false;
      if (name.empty()) break;
      if (list == 0) {
        std::string bytes;
        if (!record::getText(s, bytes, 1 << 20)) return false;
        folder.files.push_back({name, bytes});
      } else {
        folder.folders.push_back({name, {}, {}});
        if (!readRecord(s, folder.folders.back())) return false;
      }
    }
  }
  return true;
}

// A volume file read back into the folder form.
void readPacked(const std::string& bytes, PackFolder& volume) {
  const std::size_t n = std::strlen(kVolumeSignature);
  EXPECT_EQ(bytes.substr(0, n), kVolumeSignature) << volume.name;
  CUniMemoryReader s(bytes.data() + n, static_cast<std::uint32_t>(bytes.size() - n));
  EXPECT_TRUE(readRecord(s, volume) && s.remaining() == 0) << volume.name;
}

// Every file of the volumes by its relative path.
void flatten(const PackFolder& folder, const std::string& path, std::map<std::string, std::string>& out) {
  for (const auto& f : folder.files) out[path + f.name] = f.bytes;
  for (const auto& c : folder.folders) flatten(c, path + c.name + "\\", out);
}
std::map<std::string, std::string> flatten(const std::vector<PackFolder>& volumes) {
  std::map<std::string, std::string> out;
  for (const auto& v : volumes) flatten(v, v.name + "\\", out);
  return out;
}

// The volumes as the library sees them: a packed volume is read back from its bytes.
std::vector<PackFolder> volumesOf(const GeneratedLibrary& library) {
  std::vector<PackFolder> volumes;
  for (const auto& v : library.volumes) {
    if (v.packed) {
      volumes.push_back({v.folder.name, {}, {}});
      readPacked(packVolume(v.folder), volumes.back());
    } else {
      volumes.push_back(v.folder);
    }
  }
  std::sort(volumes.begin(), volumes.end(),
            [](const PackFolder& a, const PackFolder& b) { return platform::byteCompare(a.name, b.name) < 0; });
  return volumes;
}

// Every file written below `root` by its path in the library, a volume file unpacked.
std::map<std::string, std::string> flattenWritten(const fs::path& root) {
  std::vector<PackFolder> volumes;
  std::map<std::string, std::string> out;
  for (const auto& e : fs::recursive_directory_iterator(root)) {
    if (!e.is_regular_file()) continue;
    const fs::path relative = fs::relative(e.path(), root);
    if (relative.has_parent_path()) {
      std::string name = relative.generic_string();
      std::replace(name.begin(), name.end(), '/', '\\');
      out[name] = readFile(e.path());
    } else {
      volumes.push_back({relative.string(), {}, {}});
      readPacked(readFile(e.path()), volumes.back());
    }
  }
  out.merge(flatten(volumes));
  return out;
}

const PackFolder* child(const PackFolder& f, const std::string& name) {
  for (const auto& c : f.folders)
    if (c.name == name) return &c;
  return nullptr;
}

struct KindFolder {
  std::string volume, part;
  const PackFolder* folder;
};

class DefaultLibrary : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    library_ = new GeneratedLibrary;
    std::string error;
    ASSERT_TRUE(buildLibrary(TAMBORAK_PATTERN_SOURCES, *library_, error)) << error;
    volumes_ = new std::vector<PackFolder>(volumesOf(*library_));
  }
  static void TearDownTestSuite() {
    delete volumes_;
    delete library_;
  }
  static std::vector<KindFolder> kindFolders() {
    std::vector<KindFolder> out;
    for (const auto& v : *volumes_)
      for (const auto& p : v.folders)
        for (const auto& k : p.folders) out.push_back({v.name, p.name, &k});
    return out;
  }
  static GeneratedLibrary* library_;
  static std::vector<PackFolder>* volumes_;
};
GeneratedLibrary* DefaultLibrary::library_ = nullptr;
std::vector<PackFolder>* DefaultLibrary::volumes_ = nullptr;

bool isStep(int time) { return time >= 0 && time % kStepTicks == 0 && time / kStepTicks < kStepsPerBar; }

}  // namespace

TEST_F(DefaultLibrary, HasAVolumeForEachRuleSetWithThePartsAndKindsSlicesStartIn) {
  std::set<int> ruleSets;
  ASSERT_EQ(volumes_->size(), 3u);
  for (const auto& v : *volumes_) {
    const int lead = platform::atoiWin(v.name);
    ruleSets.insert(lead == 8 ? 1 : lead == 16 ? 2 : 0);
    std::vector<std::string> parts;
    for (const auto& p : v.folders) parts.push_back(p.name);
    EXPECT_EQ(parts, (std::vector<std::string>{"1.Kick", "2.Snare", "3.Cymbal", "4.Percussion"})) << v.name;
    EXPECT_TRUE(v.files.empty()) << v.name;
    // A part folder alone descends into its first kind folder in byte order.
    const std::pair<const char*, const char*> firstKind[] = {
        {"1.Kick", "Kick"}, {"2.Snare", "Snare"}, {"3.Cymbal", "HH_Cl"}};
    for (const auto& [part, kind] : firstKind) {
      const PackFolder* p = child(v, part);
      ASSERT_TRUE(p && !p->folders.empty()) << v.name << "\\" << part;
      EXPECT_EQ(p->folders.front().name, kind) << v.name << "\\" << part;
    }
    std::set<std::string> kinds;
    for (const auto& p : v.folders)
      for (const auto& k : p.folders) {
        EXPECT_NE(findKind(k.name), nullptr) << k.name;
        EXPECT_TRUE(kinds.insert(k.name).second) << k.name;
      }
    EXPECT_EQ(kinds.size(), static_cast<std::size_t>(kPatternKindCount)) << v.name;
    for (int slot = 0; slot < kSlotCount; ++slot) {
      std::string path = defaultPartFolder(slot);
      const PackFolder* f = &v;
      for (std::size_t at; f && (at = path.find('\\')) != std::string::npos; path.erase(0, at + 1))
        f = child(*f, path.substr(0, at));
      EXPECT_TRUE(f && (!f->folders.empty() || !f->files.empty())) << v.name << " slot " << slot;
    }
  }
  EXPECT_EQ(ruleSets, (std::set<int>{0, 1, 2}));
}

TEST_F(DefaultLibrary, EveryFileNameTellsTheStepsKeysAndCountOfItsNotes) {
  for (const auto& [volume, part, folder] : kindFolders()) {
    const PatternKind* kind = findKind(folder->name);
    ASSERT_NE(kind, nullptr);
    const bool openHiHat = folder->name == "HH_Op";
    int number = 0;
    for (const auto& file : folder->files) {
      SCOPED_TRACE(volume + "\\" + part + "\\" + folder->name + "\\" + file.name);
      const PatternSignature sig = parseSignature(file.name);
      EXPECT_EQ(sig.patternNumber, ++number);
      const int group = nameFieldValue(file.name, kFieldGroup);
      EXPECT_TRUE(group >= 0 && group <= 2);
      EXPECT_EQ(nameField(file.name, kFieldGrid).size(), 16u);
      CMidiTrack track;
      CUniMemoryReader s(file.bytes.data(), static_cast<std::uint32_t>(file.bytes.size()));
      ASSERT_EQ(track.LoadSmf(s), 0);
      EXPECT_EQ(track.division(), static_cast<std::uint32_t>(kPatternDivision));
      EXPECT_EQ(track.numerator(), 4);
      EXPECT_EQ(track.denominator(), 4);
      EXPECT_EQ(track.BarCount(), 1);
      std::uint32_t hits = 0, opens = 0;
      for (const MidiEvent& e : track) {
        ASSERT_TRUE(e.isNote());
        EXPECT_EQ(e.channel, kDrumChannel);
        EXPECT_TRUE(isStep(e.time)) << e.time;
        EXPECT_GE(e.data2, 1);
        EXPECT_LE(e.data2, 127);
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

TEST_F(DefaultLibrary, EveryVariationRangeOffersChoicesInEveryKindFolder) {
  const std::set<std::string> mainKinds = {"Kick", "Snare", "HH_Cl", "HH_Op"};
  for (const auto& [volume, part, folder] : kindFolders()) {
    SCOPED_TRACE(volume + "\\" + part + "\\" + folder->name);
    int perGroup[3] = {};
    for (const auto& file : folder->files) ++perGroup[nameFieldValue(file.name, kFieldGroup)];
    EXPECT_GE(folder->files.size(), mainKinds.count(folder->name) ? 30u : 12u);
    for (int g = 0; g < 3; ++g) EXPECT_GE(perGroup[g], 3) << "group " << g;
  }
}

TEST_F(DefaultLibrary, BeatsSoundLouderThanOffBeats) {
  for (const auto& [volume, part, folder] : kindFolders()) {
    SCOPED_TRACE(volume + "\\" + part + "\\" + folder->name);
    double sum[2] = {}, count[2] = {};
    for (const auto& file : folder->files) {
      CMidiTrack track;
      CUniMemoryReader s(file.bytes.data(), static_cast<std::uint32_t>(file.bytes.size()));
      ASSERT_EQ(track.LoadSmf(s), 0);
      for (const MidiEvent& e : track) {
        const bool onBeat = e.time % (4 * kStepTicks) == 0;
        sum[onBeat] += e.data2;
        ++count[onBeat];
      }
    }
    if (count[0] && count[1]) {
      EXPECT_GT(sum[1] / count[1], sum[0] / count[0] + 8);
    }
  }
}

TEST_F(DefaultLibrary, TheSameSourcesGiveTheSameBytes) {
  GeneratedLibrary again;
  std::string error;
  ASSERT_TRUE(buildLibrary(TAMBORAK_PATTERN_SOURCES, again, error)) << error;
  const auto first = flatten(*volumes_);
  EXPECT_GT(first.size(), 600u);
  EXPECT_TRUE(first == flatten(volumesOf(again)));
  for (std::size_t v = 0; v < again.volumes.size(); ++v) {
    if (again.volumes[v].packed) {
      EXPECT_EQ(packVolume(again.volumes[v].folder), packVolume(library_->volumes[v].folder));
    }
  }
}

TEST_F(DefaultLibrary, IsWrittenAsFoldersAndOneVolumeFile) {
  test::TempFolder temp;
  std::string error;
  ASSERT_TRUE(writeLibrary(*library_, temp.path(), error)) << error;
  EXPECT_TRUE(fs::is_regular_file(temp.path() / "Latin"));
  EXPECT_TRUE(fs::is_directory(temp.path() / "8 Beat Rock" / "1.Kick" / "Kick"));
  EXPECT_TRUE(flattenWritten(temp.path()) == flatten(*volumes_));
}
