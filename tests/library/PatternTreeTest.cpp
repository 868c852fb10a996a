#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "library/PatternTree.h"
#include "tests/TempFolder.h"
#include "tests/library/LibraryFiles.h"

using namespace velmora;
using namespace std::chrono_literals;
using velmora::test::makeTree;

namespace {

struct Library {
  test::TempFolder dir;
  platform::UiQueue queue;
  PatternTree tree{queue};
  int rescans = 0;
  platform::UiTarget updater = platform::kNoTarget;

  explicit Library(std::initializer_list<std::string> entries) {
    makeTree(dir.path(), entries);
    tree.setRoot(dir.path().string());
  }
  // The tree-updater window of the engine: rescans on the change message.
  void listen() {
    updater = queue.createTarget([this](platform::UiMessage message, std::uintptr_t, std::intptr_t) {
      if (message == PatternTree::changedMessage()) ++rescans, tree.refresh();
    });
    tree.setNotifyWindow(updater);
  }
  // Waits until a message is queued (at most 5 s) without running it.
  bool awaitMessage() {
    for (auto until = std::chrono::steady_clock::now() + 5s; std::chrono::steady_clock::now() < until;) {
      if (queue.pending()) return true;
      std::this_thread::sleep_for(5ms);
    }
    return false;
  }
};

struct RecordingPicker : FolderPicker {
  std::vector<std::string> items;
  int selected = -2;
  void addItem(const std::string& name) override { items.push_back(name); }
  void select(int index) override { selected = index; }
};

}  // namespace

TEST(PatternTree, NormalizePathCompletesDownwardsToTheLevelsAsked) {
  Library lib({"Pop\\1.Kick\\Kick\\k.mid", "Pop\\2.Snare\\Snare\\s.mid", "Pop\\2.Snare\\Brush\\b.mid", "Rock\\"});
  std::string path = "Pop\\";
  EXPECT_FALSE(lib.tree.normalizePath(path, 3));
  EXPECT_EQ(path, "Pop\\1.Kick\\Kick\\");

  path = "Pop\\2.Snare\\Snare\\";
  EXPECT_TRUE(lib.tree.normalizePath(path, 3));
  EXPECT_EQ(path, "Pop\\2.Snare\\Snare\\");

  path = "Pop\\9.Gone\\Snare\\x.mid";
  EXPECT_FALSE(lib.tree.normalizePath(path, 3));
  EXPECT_EQ(path, "Pop\\1.Kick\\Kick\\");

  path = "Rock\\";  // no child folder to descend into
  EXPECT_TRUE(lib.tree.normalizePath(path, 3));
  EXPECT_EQ(path, "Rock\\");
}

TEST(PatternTree, CursorFirstVolumeFolderChoicesAndRescanOnlyForANewRoot) {
  Library lib({"Pop\\1.Kick\\k1.mid", "Pop\\1.Kick\\k2.mid", "Pop\\2.Snare\\s.mid", "Rock\\r.mid"});
  EXPECT_EQ(lib.tree.firstVolumePath(), "Pop\\");

  TreeCursor cursor = lib.tree.cursorAt("Pop\\1.Kick\\missing\\");
  ASSERT_FALSE(cursor.atEnd());
  EXPECT_EQ(test::pathOf(cursor.leaf()), "Pop\\1.Kick\\k1.mid");
  EXPECT_EQ(test::nameOf(cursor.next()), "k2.mid");
  EXPECT_TRUE(cursor.next() == nullptr);

  RecordingPicker picker;
  lib.tree.fillFolderChoices(picker, "Pop\\", "2.Snare");
  EXPECT_EQ(picker.items, (std::vector<std::string>{"1.Kick", "2.Snare"}));
  EXPECT_EQ(picker.selected, 1);
  RecordingPicker none;
  lib.tree.fillFolderChoices(none, "", "nothing");
  EXPECT_EQ(none.selected, -1);

  PatternTree empty;
  EXPECT_TRUE(empty.cursorAt("x\\").atEnd());
  EXPECT_EQ(empty.firstVolumePath(), "");

  // Setting the same root again does not rescan.
  EXPECT_EQ(lib.tree.scanCount(), 1u);
  lib.tree.setRoot(lib.dir.path().string());
  EXPECT_EQ(lib.tree.scanCount(), 1u);
  lib.tree.setRoot((lib.dir.path() / "Rock").string());
  EXPECT_EQ(lib.tree.scanCount(), 2u);
  EXPECT_EQ(test::pathOf(lib.tree.cursorAt("").leaf()), "r.mid");
}

TEST(PatternTree, AChangeOnDiskLeadsToExactlyOneRescanWhichPicksUpLaterChanges) {
  Library lib({"V\\Kick\\a.mid"});
  lib.listen();
  test::writeFile(lib.dir.path(), "V\\Kick\\b.mid");
  ASSERT_TRUE(lib.awaitMessage());
  // A second change before the rescan runs is picked up by it, with no rescan of its own.
  std::filesystem::create_directories(lib.dir.path() / "V" / "New");
  test::writeFile(lib.dir.path(), "V\\New\\two.mid");
  lib.queue.pump();
  EXPECT_EQ(lib.rescans, 1);
  EXPECT_EQ(test::walk(lib.tree.root()), (std::vector<std::string>{"V\\Kick\\a.mid", "V\\Kick\\b.mid", "V\\New\\two.mid"}));
  EXPECT_EQ(lib.queue.waitAndPump(300ms), 0u);
  EXPECT_EQ(lib.rescans, 1);

  // The re-armed watch covers the folder created meanwhile.
  test::writeFile(lib.dir.path(), "V\\New\\three.mid");
  ASSERT_TRUE(lib.awaitMessage());
  lib.queue.pump();
  EXPECT_EQ(lib.rescans, 2);
}

TEST(PatternTree, ChangeWithoutANotifyWindowIsDroppedAndStoppingIsImmediate) {
  auto started = std::chrono::steady_clock::now();
  {
    Library lib({"V\\"});
    lib.tree.setNotifyWindow(12345);  // not a target: none
    test::writeFile(lib.dir.path(), "V\\a.mid");
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(lib.queue.pending(), 0u);
    started = std::chrono::steady_clock::now();
  }
  EXPECT_LT(std::chrono::steady_clock::now() - started, 500ms);
}
