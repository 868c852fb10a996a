#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "io/Record.h"
#include "library/FileBytes.h"
#include "library/TreeNode.h"
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

  std::string again;
  packVolume(*volume, again);
  EXPECT_EQ(again, lib.image);
}

TEST(Volume, EveryTruncationEndsCleanlyKeepingOnlyCompleteLeaves) {
  PackedLibrary lib({"a.mid", "b.mid", "F\\c.mid", "F\\G\\d.mid"});
  const std::string record = lib.image.substr(kVolumeSignatureLength);
  for (std::size_t cut = 0; cut < record.size(); ++cut) {
    FileBaseNode node("Vol", nullptr);
    EXPECT_FALSE(readRecord(node, record, cut)) << cut;
    for (TerminalNode* leaf = node.first(&node); leaf; leaf = leaf->next(&node))
      EXPECT_EQ(leafBytes(*leaf), "data of " + leaf->getPath(&node)) << cut;
  }
  FileBaseNode whole("Vol", nullptr);
  EXPECT_TRUE(readRecord(whole, record));
  EXPECT_EQ(walk(&whole, &whole).size(), 4u);
}

TEST(Volume, HostileSizesStopReadingWithoutReadingPastTheData) {
  // A complete leaf, then one whose size claims far more than follows.
  const std::string record = text("ok.mid") + u32(2) + "hi" + text("big.mid") + u32(0xFFFFFFF0u) + "abc";
  FileBaseNode node("Vol", nullptr);
  EXPECT_FALSE(readRecord(node, record));
  EXPECT_EQ(test::names(node, false), (Paths{"ok.mid"}));

  FileBaseNode named("Vol", nullptr);
  EXPECT_FALSE(readRecord(named, u32(0) + u32(0x7FFFFFFFu) + "F"));
  EXPECT_EQ(named.firstFolder(), nullptr);
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

TEST(Volume, DuplicateAndEmptyLeavesInsideAVolume) {
  const std::string record = text("a.mid") + u32(1) + "1" + text("a.mid") + u32(1) + "2" + text("z.mid") + u32(0) +
                             u32(0) + u32(0);
  FileBaseNode node("Vol", nullptr);
  EXPECT_TRUE(readRecord(node, record));
  EXPECT_EQ(test::names(node, false), (Paths{"a.mid", "z.mid"}));
  EXPECT_EQ(leafBytes(*node.findLeaf("a.mid")), "1");  // the first one wins
  EXPECT_EQ(static_cast<InFileTerminalNode*>(node.findLeaf("z.mid"))->dataSize(), 0u);
}

TEST(Volume, WrongSignatureOrShortFileGivesAnEmptyListedVolume) {
  test::TempFolder dir;
  test::writeFile(dir.path(), "Bad", std::string("Velmora Tamborak Volumx") + u32(0) + u32(0));
  test::writeFile(dir.path(), "Short", "Velmora");
  const auto root = test::scanFolder(dir.path());
  EXPECT_EQ(test::names(*root, true), (Paths{"Bad", "Short"}));
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

TEST(Volume, LeafWhoseFileVanishedIsPackedWithSizeZero) {
  test::TempFolder dir;
  makeTree(dir.path(), {"gone.mid"});
  const auto root = test::scanFolder(dir.path());
  std::filesystem::remove(dir.path() / "gone.mid");
  std::string image;
  packVolume(*root, image);
  EXPECT_EQ(image, std::string(kVolumeSignature) + text("gone.mid") + u32(0) + u32(0) + u32(0));
}
