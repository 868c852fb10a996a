#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "io/Record.h"
#include "library/LibraryScan.h"
#include "library/TreeNode.h"
#include "tests/Golden.h"
#include "tests/TempFolder.h"
#include "tests/library/LibraryFiles.h"

using namespace velmora;
using velmora::test::makeTree;
using velmora::test::leafBytes;
using velmora::test::walk;
using Paths = std::vector<std::string>;

namespace {

// A library folder with one packed volume "Vol" made from `source`.
struct PackedLibrary {
  test::TempFolder source, library;
  std::string image;
  std::unique_ptr<FolderNode> root;

  explicit PackedLibrary(std::initializer_list<std::string> entries) {
    makeTree(source.path(), entries);
    image = test::packFolderAsVolume(source.path(), library.path(), "Vol");
    root = test::scanFolder(library.path());
  }
  VolumeNode* volume() const { return dynamic_cast<VolumeNode*>(root->findFolder("Vol")); }
};

std::string u32(std::uint32_t v) {
  std::string s;
  CUniString stream(s);
  record::putU32(stream, v);
  return s;
}

std::string text(const std::string& t) { return u32(static_cast<std::uint32_t>(t.size())) + t; }

// Reads a volume's content record into a fresh node; gives whether it read whole.
bool readRecord(FileBaseNode& node, const std::string& record, std::size_t size = std::string::npos) {
  CUniMemoryReader reader(record.data(), static_cast<std::uint32_t>(std::min(size, record.size())));
  return node.deserialize(reader);
}

}  // namespace

TEST(Volume, PackAndReadBackGivesTheSameTreeAndTheSameBytes) {
  PackedLibrary lib({"Kick\\1_4_1000100010001000_0#A.mid", "Kick\\2.mid", "Perc\\Conga\\c.mid", "Perc\\Conga\\deep\\d.mid",
                     "Default.mid", "Empty\\"});
  VolumeNode* volume = lib.volume();
  ASSERT_NE(volume, nullptr);
  EXPECT_EQ(walk(volume, volume), (Paths{"Default.mid", "Kick\\1_4_1000100010001000_0#A.mid", "Kick\\2.mid",
                                         "Perc\\Conga\\c.mid", "Perc\\Conga\\deep\\d.mid"}));
  EXPECT_NE(volume->findFolder("Empty"), nullptr);
  for (TerminalNode* leaf = volume->first(volume); leaf; leaf = leaf->next(volume))
    EXPECT_EQ(leafBytes(*leaf), "data of " + leaf->getPath(volume));

  std::string again, error;
  EXPECT_TRUE(packVolume(*volume, again, error)) << error;
  EXPECT_EQ(again, lib.image);
  EXPECT_TRUE(test::matchesGolden(lib.image, "library/volume.bin"));
}

TEST(Volume, EveryTruncationEndsCleanlyKeepingExactlyTheCompleteLeaves) {
  PackedLibrary lib({"a.mid", "b.mid", "F\\c.mid", "F\\G\\d.mid", "F\\G\\e.mid"});
  const std::string record = lib.image.substr(kVolumeSignatureLength);
  for (std::size_t cut = 0; cut < record.size(); ++cut) {
    // A leaf stays once its last byte is in, even when its folder breaks off later, so the kept
    // leaves only grow as the cut moves later.
    Paths complete;
    for (const std::string path : {"a.mid", "b.mid", "F\\c.mid", "F\\G\\d.mid", "F\\G\\e.mid"})
      if (record.find("data of " + path) + 8 + path.size() <= cut) complete.push_back(path);
    FileBaseNode node("Vol", nullptr);
    EXPECT_FALSE(readRecord(node, record, cut)) << cut;
    EXPECT_EQ(walk(&node, &node), complete) << cut;
    for (TerminalNode* leaf = node.first(&node); leaf; leaf = leaf->next(&node))
      EXPECT_EQ(leafBytes(*leaf), "data of " + leaf->getPath(&node)) << cut;
  }
  FileBaseNode whole("Vol", nullptr);
  EXPECT_TRUE(readRecord(whole, record));
  EXPECT_EQ(walk(&whole, &whole).size(), 5u);
}

TEST(Volume, HandMadeRecordsKeepWhatIsWholeAndNeverReadPastTheData) {
  const std::string slashes = text("a\\b.mid") + u32(1) + "x" + text("c.mid") + u32(0) + u32(0) + text("F\\G") +
                              text("d.mid") + u32(0) + u32(0) + u32(0) + text("H") + u32(0) + u32(0) + u32(0);
  const struct {
    const char* name;
    std::string record;
    bool whole;
    Paths leaves, folders;  // leaves as "path=bytes"
  } cases[] = {
      {"a size far beyond the data", text("ok.mid") + u32(2) + "hi" + text("big.mid") + u32(0xFFFFFFF0u) + "abc",
       false, {"ok.mid=hi"}, {}},
      {"a name far beyond the data", u32(0) + u32(0x7FFFFFFFu) + "F", false, {}, {}},
      {"names with a backslash are read past and dropped", slashes, true, {"c.mid="}, {"H"}},
      {"the first of two leaves of a name wins", text("a.mid") + u32(1) + "1" + text("a.mid") + u32(1) + "2" +
       text("z.mid") + u32(0) + u32(0) + u32(0), true, {"a.mid=1", "z.mid="}, {}},
  };
  for (const auto& c : cases) {
    FileBaseNode node("Vol", nullptr);
    EXPECT_EQ(readRecord(node, c.record), c.whole) << c.name;
    Paths leaves;
    for (TerminalNode* leaf = node.first(&node); leaf; leaf = leaf->next(&node))
      leaves.push_back(leaf->getPath(&node) + "=" + leafBytes(*leaf));
    EXPECT_EQ(leaves, c.leaves) << c.name;
    EXPECT_EQ(test::names(node, true), c.folders) << c.name;
  }
  // The node bound ends the reading.
  LibraryScan scan(3);
  FileBaseNode bounded("Vol", nullptr);
  CUniMemoryReader reader(slashes.data(), static_cast<std::uint32_t>(slashes.size()));
  EXPECT_FALSE(bounded.deserialize(reader, scan));
  EXPECT_EQ(walk(&bounded, &bounded), (Paths{"c.mid"}));
  EXPECT_TRUE(scan.lostAny());
}

TEST(Volume, DeepNestingIsCutOffInsteadOfExhaustingTheStack) {
  std::string record;
  for (int i = 0; i < 200000; ++i) record += u32(0) + text("f");
  FileBaseNode node("Vol", nullptr);
  EXPECT_FALSE(readRecord(node, record));
  int depth = 0;
  for (TransitNode* f = node.firstFolder(); f; f = f->firstFolder()) ++depth;
  EXPECT_LT(depth, kMaxTreeDepth);
}

TEST(Volume, WrongSignatureShortOrOversizedFileGivesAnEmptyListedVolume) {
  test::TempFolder dir, source;
  test::writeFile(dir.path(), "Bad", std::string("Velmora Tamborak Volumx") + u32(0) + u32(0));
  test::writeFile(dir.path(), "Short", "Velmora");
  makeTree(source.path(), {"p.mid"});
  test::packFolderAsVolume(source.path(), dir.path(), "Huge");
  std::filesystem::resize_file(dir.path() / "Huge", (std::uintmax_t{64} << 20) + 1);  // sparse where it can be
  const auto root = test::scanFolder(dir.path());
  EXPECT_EQ(test::names(*root, true), (Paths{"Bad", "Huge", "Short"}));
  EXPECT_EQ(root->first(root.get()), nullptr);
}

TEST(InFileTerminalNodeStream, ReadsWithinTheDataAndRewindsOnClose) {
  const std::string record = u32(5) + "hello";
  InFileTerminalNode leaf("x.mid", nullptr);
  CUniMemoryReader reader(record.data(), static_cast<std::uint32_t>(record.size()));
  ASSERT_TRUE(leaf.readContents(reader));
  InFileTerminalNode::Stream stream(leaf);
  char buf[8] = {};
  EXPECT_EQ(stream.read(buf, 3), 3u);
  EXPECT_EQ(stream.read(buf + 3, 8), 2u);
  EXPECT_EQ(std::string(buf, 5), "hello");
  EXPECT_EQ(stream.read(buf, 1), 0u);
  EXPECT_EQ(stream.write("x", 1), 0u);
  stream.close();
  EXPECT_EQ(stream.read(buf, 1), 1u);
  EXPECT_EQ(buf[0], 'h');
}

TEST(Volume, PackingFailsNamingAPatternThatCannotBeRead) {
  test::TempFolder dir;
  makeTree(dir.path(), {"gone.mid", "F\\ok.mid"});
  std::error_code ec;
  std::filesystem::create_symlink("/proc/self/mem", dir.path() / "F" / "mem.mid", ec);  // fails every read
  const auto root = test::scanFolder(dir.path());
  std::filesystem::remove(dir.path() / "gone.mid");
  std::string image, error;
  EXPECT_FALSE(packVolume(*root, image, error));
  EXPECT_NE(error.find("gone.mid: "), std::string::npos) << error;
  ASSERT_NE(root->findFolder("F"), nullptr);
  if (!root->findFolder("F")->findLeaf("mem.mid")) return;  // no such file on this system
  error.clear();
  EXPECT_FALSE(packVolume(*root->findFolder("F"), image, error));
  EXPECT_NE(error.find("mem.mid: "), std::string::npos) << error;
}
