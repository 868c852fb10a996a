#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "library/LibraryScan.h"
#include "library/TreeCursor.h"
#include "library/TreeNode.h"
#include "tests/TempFolder.h"
#include "tests/library/LibraryFiles.h"

using namespace velmora;
using namespace velmora::test;
using Paths = std::vector<std::string>;

namespace {
constexpr bool kNativeSeparatorIsSlash = std::filesystem::path::preferred_separator == '/';
}  // namespace

TEST(FolderScan, SortsByteWiseKeepsPatternsFoldersAndVolumesOnceAndGivesBackslashPaths) {
  TempFolder dir;
  makeTree(dir.path(), {"b.mid", "A.mid", "x.MID", "sub\\", "Vol", "x.mid.bak", "readme.txt", ".mid", "V\\Kick\\p.mid"});
  auto root = scanFolder(dir.path());
  EXPECT_EQ(names(*root, false), (Paths{".mid", "A.mid", "b.mid", "x.MID"}));
  EXPECT_EQ(names(*root, true), (Paths{"V", "Vol", "sub"}));
  if (kNativeSeparatorIsSlash) {
    // A backslash inside a name would read as a folder separator in relative paths.
    std::ofstream(dir.path() / "sub" / "x\\y.mid") << "x";
    std::filesystem::create_directory(dir.path() / "sub" / "f\\g");
    LibraryScan scan;
    root->refresh(scan);
    EXPECT_EQ(scan.notes().size(), 2u);
    EXPECT_FALSE(scan.lostAny());
    ASSERT_NE(root->findFolder("sub"), nullptr);
    EXPECT_EQ(root->findFolder("sub")->firstLeaf(), nullptr);
    EXPECT_EQ(root->findFolder("sub")->firstFolder(), nullptr);
  }
  EXPECT_NE(dynamic_cast<VolumeNode*>(root->findFolder("Vol")), nullptr);
  EXPECT_NE(dynamic_cast<FolderNode*>(root->findFolder("sub")), nullptr);

  // Paths are relative with backslashes; file-system paths are native.
  TransitNode* v = root->findFolder("V");
  ASSERT_NE(v, nullptr);
  TransitNode* kick = v->findFolder("Kick");
  ASSERT_TRUE(kick && kick->firstLeaf());
  EXPECT_EQ(kick->getPath(), "V\\Kick\\");
  EXPECT_EQ(kick->firstLeaf()->getPath(), "V\\Kick\\p.mid");
  EXPECT_EQ(kick->firstLeaf()->getPath(v), "Kick\\p.mid");
  EXPECT_EQ(root->getPath(), "");
  EXPECT_TRUE(std::filesystem::equivalent(kick->firstLeaf()->fsPath(), dir.path() / "V" / "Kick" / "p.mid"));

  // A missing folder gives an empty root; an empty path must not list the file-system root.
  const auto none = scanFolder(dir.path() / "none");
  EXPECT_EQ(none->first(none.get()), nullptr);
  EXPECT_EQ(scanFolder("")->firstFolder(), nullptr);

  // Duplicate names are rejected at insertion, each list on its own.
  FileBaseNode node("n", nullptr);
  EXPECT_TRUE(node.insertLeaf(std::make_unique<InFileTerminalNode>("b", nullptr)));
  EXPECT_TRUE(node.insertLeaf(std::make_unique<InFileTerminalNode>("a", nullptr)));
  EXPECT_FALSE(node.insertLeaf(std::make_unique<InFileTerminalNode>("b", nullptr)));
  EXPECT_TRUE(node.insertFolder(std::make_unique<FileBaseNode>("b", nullptr)));  // the other list
  EXPECT_FALSE(node.insertFolder(std::make_unique<FileBaseNode>("b", nullptr)));
  EXPECT_EQ(names(node, false), (Paths{"a", "b"}));
  ASSERT_NE(node.firstLeaf(), nullptr);
  EXPECT_EQ(node.firstLeaf()->parent(), &node);
}

TEST(Walk, VisitsLeavesBeforeSubFoldersAndSkipsEmptyFolders) {
  TempFolder dir;
  makeTree(dir.path(), {"top.mid", "V1\\a.mid", "V1\\b.mid", "V1\\e1\\", "V1\\e2\\deeper\\", "V1\\k\\c.mid",
                        "V1\\z\\", "V2\\d.mid", "V3\\"});
  auto root = scanFolder(dir.path());
  const Paths all{"top.mid", "V1\\a.mid", "V1\\b.mid", "V1\\k\\c.mid", "V2\\d.mid"};
  EXPECT_EQ(walk(root.get()), all);
  EXPECT_EQ(walkBackward(root.get()), all);

  // Bounded walks never leave the bound, in either direction.
  TransitNode* v1 = root->findFolder("V1");
  ASSERT_NE(v1, nullptr);
  EXPECT_EQ(walk(v1), (Paths{"V1\\a.mid", "V1\\b.mid", "V1\\k\\c.mid"}));
  EXPECT_EQ(walkBackward(v1), walk(v1));
  TransitNode* k = v1->findFolder("k");
  ASSERT_NE(k, nullptr);
  EXPECT_EQ(walk(k), (Paths{"V1\\k\\c.mid"}));
}

TEST(TreeCursor, StepsFindsByPathAndComparesAndPathsFindTheirDeepestFolder) {
  TempFolder dir;
  makeTree(dir.path(), {"V\\a.mid", "V\\e\\", "V\\s\\b.mid", "V\\Kick\\x\\", "W\\c.mid"});
  auto root = scanFolder(dir.path());
  TreeCursor cursor(root->findFolder("V"));
  ASSERT_EQ(nameOf(cursor.first()), "a.mid");
  TreeCursor copy = cursor;
  EXPECT_TRUE(copy == cursor);
  EXPECT_EQ(nameOf(cursor.next()), "b.mid");
  EXPECT_FALSE(copy == cursor);
  EXPECT_EQ(cursor.next(), nullptr);
  EXPECT_TRUE(cursor.atEnd());

  EXPECT_TRUE(cursor.findLeaf("s\\b.mid"));
  EXPECT_EQ(pathOf(cursor.leaf()), "V\\s\\b.mid");
  EXPECT_FALSE(cursor.findLeaf("c.mid"));  // outside the bound: the cursor stays
  EXPECT_EQ(nameOf(cursor.leaf()), "b.mid");
  EXPECT_TRUE(cursor.findLeaf("missing\\a.mid"));  // a missing folder keeps the lookup in place
  EXPECT_EQ(nameOf(cursor.leaf()), "a.mid");

  // Bounded to an empty folder between a leaf and a full folder: nothing either way.
  TreeCursor empty(findDeepestFolder(root.get(), "V\\e\\"));
  ASSERT_EQ(empty.bound()->getName(), "e");
  EXPECT_EQ(empty.first(), nullptr);
  EXPECT_EQ(empty.last(), nullptr);

  // The deepest folder of a path stops at its first missing component.
  for (const auto& [path, deepest] : {std::pair{"V\\Kick\\x\\", "V\\Kick\\x\\"}, {"V\\Nope\\x\\", "V\\"},
                                      {"V\\Kick\\file.mid", "V\\Kick\\"}})
    EXPECT_EQ(findDeepestFolder(root.get(), path)->getPath(), deepest) << path;
  EXPECT_EQ(findDeepestFolder(root.get(), ""), root.get());
  EXPECT_EQ(findDeepestFolder(root->findFolder("V"), "V\\Kick\\", 2)->getPath(), "V\\Kick\\");
}

TEST(Rescan, KeepsSurvivingNodesAndReplacesRenamedOnesAndFoldersTurnedVolumes) {
  TempFolder dir;
  makeTree(dir.path(), {"V\\a.mid", "V\\b.mid", "V\\sub\\c.mid", "Rock\\Kick\\p.mid"});
  auto root = scanFolder(dir.path());
  TransitNode* v = root->findFolder("V");
  ASSERT_NE(v, nullptr);
  TerminalNode* a = v->findLeaf("a.mid");
  TransitNode* sub = v->findFolder("sub");
  ASSERT_TRUE(a && sub && sub->findLeaf("c.mid"));
  TerminalNode* c = sub->findLeaf("c.mid");

  std::filesystem::rename(dir.path() / "V" / "b.mid", dir.path() / "V" / "B2.mid");
  makeTree(dir.path(), {"V\\sub\\d.mid"});
  std::filesystem::rename(dir.path() / "Rock", dir.path() / "src");  // a folder becomes a volume of its name
  packFolderAsVolume(dir.path() / "src", dir.path(), "Rock");
  std::filesystem::remove_all(dir.path() / "src");
  root->refresh();

  EXPECT_EQ(root->findFolder("V"), v);
  EXPECT_EQ(v->findLeaf("a.mid"), a);
  EXPECT_EQ(v->findFolder("sub"), sub);
  EXPECT_EQ(sub->findLeaf("c.mid"), c);
  EXPECT_EQ(names(*v, false), (Paths{"B2.mid", "a.mid"}));
  EXPECT_EQ(walk(root.get()), (Paths{"Rock\\Kick\\p.mid", "V\\B2.mid", "V\\a.mid", "V\\sub\\c.mid", "V\\sub\\d.mid"}));
  EXPECT_NE(dynamic_cast<VolumeNode*>(root->findFolder("Rock")), nullptr);
  ASSERT_NE(v->findLeaf("B2.mid"), nullptr);
  EXPECT_EQ(v->findLeaf("B2.mid")->parent(), v);
}

TEST(Rescan, ANodeBoundStopsAScanAndFolderLinksReachEachRealFolderOnce) {
  TempFolder dir;
  makeTree(dir.path(), {"V\\a.mid", "V\\11\\p.mid"});
  // A scan stops at its node bound, with a note.
  LibraryScan small(2);
  auto root = std::make_unique<FolderNode>(dir.path().string(), nullptr);
  root->refresh(small);
  ASSERT_TRUE(small.lostAny());
  EXPECT_NE(small.notes().front().text.find("more than 2 "), std::string::npos);
  EXPECT_LE(walk(root.get()).size(), 1u);

  // A link back to an ancestor, and folders 0..11 each linking twice to the next: followed
  // naively, the one pattern at the end would be reached 2^11 times.
  std::error_code ec;
  std::filesystem::create_directory_symlink(dir.path(), dir.path() / "V" / "loop", ec);
  if (ec) GTEST_SKIP() << "no folder links here";
  for (int i = 0; i < 11; ++i) {
    const auto folder = dir.path() / "V" / std::to_string(i);
    std::filesystem::create_directory(folder);
    for (const char* link : {"a", "b"})
      std::filesystem::create_directory_symlink(dir.path() / "V" / std::to_string(i + 1), folder / link);
  }
  root->refresh();
  EXPECT_EQ(walk(root.get()), (Paths{"V\\a.mid", "V\\11\\p.mid"}));
}
