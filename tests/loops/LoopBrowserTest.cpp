// The loop browser over a real engine and the default library: the tree of the loops folder,
// automatic names, Save / Save As / Save New, delete, loading on selection, files that are not
// loops, and saves that fail.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "loops/LoopBrowser.h"
#include "midi/MidiTrack.h"
#include "tests/TempFolder.h"
#include "tests/engine/EngineFixture.h"
#include "tests/library/LibraryFiles.h"

using namespace velmora;
using test::readWholeFile;
namespace fs = std::filesystem;

namespace {

// A panel view that asks through a scripted prompt.
class AskingView : public test::RecordingView {
 public:
  AskingView(ITamborak& engine, platform::Prompt& prompt) : RecordingView(engine), prompt_(prompt) {}
  platform::Prompt* prompt() override { return &prompt_; }

 private:
  platform::Prompt& prompt_;
};

class LoopBrowserTest : public test::EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    face_ = makeEngine();
    loops_ = temp_.path() / "Loops";
  }
  void TearDown() override {
    face_.reset();
    EngineTest::TearDown();
  }
  Tamborak& engine() { return engineOf(face_); }
  std::string folder() const { return loops_.string() + "/"; }
  // The loop as the engine would write it now.
  std::string current() {
    std::string bytes;
    CUniString stream(bytes);
    engine().saveLoop(stream, false);
    return bytes;
  }
  static std::vector<std::string> paths(const LoopBrowser& browser) {
    std::vector<std::string> out;
    for (const LoopBrowser::Item& item : browser.items()) out.push_back(item.path);
    return out;
  }

  test::TempFolder temp_;
  fs::path loops_;
  ComRef<ITamborak> face_;
  platform::ScriptedPrompt prompt_;
};

}  // namespace

TEST_F(LoopBrowserTest, SaveNewTakesTheFirstFreeNameOfTheTargetFolderAndSelectionLoads) {
  LoopBrowser browser(engine(), prompt_, folder());
  ASSERT_TRUE(fs::is_directory(loops_));  // made when the browser is built
  EXPECT_TRUE(browser.items().empty());

  ASSERT_TRUE(browser.command(LoopBrowser::kSaveNew));
  const std::string saved = current();
  EXPECT_EQ(readWholeFile(loops_ / "loop01.tbk"), saved);
  fs::copy_file(loops_ / "loop01.tbk", loops_ / "LOOP03.TBK");  // names count without regard to case
  fs::create_directory(loops_ / "sub");
  test::writeFile(loops_, "notes.txt", "not a loop");
  browser.rescan();
  EXPECT_EQ(paths(browser), (std::vector<std::string>{"sub\\", "LOOP03.TBK", "loop01.tbk"}));
  EXPECT_EQ(browser.items()[1].name, "LOOP03");
  EXPECT_EQ(browser.selection(), browser.find("loop01.tbk"));  // kept by the rescan

  for (const char* expected : {"loop02.tbk", "loop04.tbk"}) {
    ASSERT_TRUE(browser.command(LoopBrowser::kSaveNew));
    EXPECT_TRUE(fs::is_regular_file(loops_ / expected)) << expected;
    EXPECT_EQ(browser.selection(), browser.find(expected));
  }
  ASSERT_FALSE(browser.select(browser.find("sub\\")));  // a folder loads nothing
  EXPECT_EQ(browser.targetFolder(), "sub\\");
  ASSERT_TRUE(browser.command(LoopBrowser::kSaveNew));
  EXPECT_EQ(browser.selection(), browser.find("sub\\loop01.tbk"));
  EXPECT_EQ(browser.items()[static_cast<std::size_t>(browser.selection())].depth, 1);
  EXPECT_TRUE(prompt_.asked().empty() && prompt_.savesAsked().empty());

  // Selecting a loop reads it into the engine, announced.
  Looper& kick = *engine().getSlice(5);
  const std::string kickFile = kick.file();
  kick.nextPattern(false, 3, false);
  ASSERT_NE(kick.file(), kickFile);
  test::RecordingView view(engine());
  engine().addView(&view);
  EXPECT_TRUE(browser.select(browser.find("LOOP03.TBK")));
  EXPECT_EQ(kick.file(), kickFile);
  EXPECT_EQ(current(), saved);
  EXPECT_EQ(std::count(view.refreshed.begin(), view.refreshed.end(), TamborakView::Item::kLoop), 1);
  engine().removeView(&view);
}

TEST_F(LoopBrowserTest, SaveAsAsksForAPathAndSaveWritesTheSelectedLoop) {
  LoopBrowser browser(engine(), prompt_, folder());
  fs::create_directory(loops_ / "sub");
  browser.rescan();

  // Shift+S with nothing selected, and the Shift+click with a folder selected, are Save As.
  prompt_.scriptPath(std::nullopt);
  EXPECT_FALSE(browser.command(LoopBrowser::kSave));
  ASSERT_EQ(prompt_.savesAsked().size(), 1u);
  const platform::SavePathRequest& first = prompt_.savesAsked()[0];
  EXPECT_EQ(first.filter, "Tamborak Loops (.tbk)|*.tbk|All Files (*.*)|*.*||");
  EXPECT_EQ(first.extension, ".tbk");
  EXPECT_EQ(first.initialName, "loop01");
  EXPECT_EQ(first.initialFolder, folder());
  EXPECT_EQ(paths(browser), (std::vector<std::string>{"sub\\"}));  // Cancel wrote nothing

  browser.select(browser.find("sub\\"));
  prompt_.scriptPath((loops_ / "sub" / "mine.tbk").string());
  EXPECT_TRUE(browser.command(LoopBrowser::kSaveButton, true));
  ASSERT_EQ(prompt_.savesAsked().size(), 2u);
  EXPECT_EQ(prompt_.savesAsked()[1].initialFolder, folder() + "sub/");
  EXPECT_EQ(browser.selection(), browser.find("sub\\mine.tbk"));
  EXPECT_EQ(readWholeFile(loops_ / "sub" / "mine.tbk"), current());

  // With a loop selected, Save rewrites it without asking; Save As starts from its name.
  engine().getSlice(4)->nextPattern(false, 2, false);
  EXPECT_TRUE(browser.command(LoopBrowser::kSave));
  EXPECT_EQ(prompt_.savesAsked().size(), 2u);
  EXPECT_EQ(readWholeFile(loops_ / "sub" / "mine.tbk"), current());
  prompt_.scriptPath(std::nullopt);
  EXPECT_FALSE(browser.command(LoopBrowser::kSaveAs));
  ASSERT_EQ(prompt_.savesAsked().size(), 3u);
  EXPECT_EQ(prompt_.savesAsked()[2].initialName, "mine");

  // A path outside the loops folder is written but selects nothing new.
  const fs::path outside = temp_.path() / "elsewhere.tbk";
  prompt_.scriptPath(outside.string());
  EXPECT_TRUE(browser.command(LoopBrowser::kSaveAs));
  EXPECT_EQ(readWholeFile(outside), current());
  EXPECT_EQ(browser.selection(), browser.find("sub\\mine.tbk"));
  EXPECT_TRUE(prompt_.asked().empty());
}

TEST_F(LoopBrowserTest, DeleteAsksAndDeletesOnlyOnYes) {
  LoopBrowser browser(engine(), prompt_, folder());
  ASSERT_TRUE(browser.saveNew());
  browser.select(-1);
  EXPECT_FALSE(browser.command(LoopBrowser::kDelete));  // nothing selected: nothing asked
  EXPECT_TRUE(prompt_.asked().empty());

  browser.select(browser.find("loop01.tbk"));
  prompt_.script(platform::PromptAnswer::kNo);
  EXPECT_FALSE(browser.command(LoopBrowser::kDeleteButton));
  ASSERT_EQ(prompt_.asked().size(), 1u);
  EXPECT_EQ(prompt_.asked()[0].text, "Are you sure you want to delete loop\n\"loop01\"?");
  EXPECT_EQ(prompt_.asked()[0].buttons, platform::PromptButtons::kYesNo);
  EXPECT_TRUE(fs::exists(loops_ / "loop01.tbk"));

  prompt_.script(platform::PromptAnswer::kYes);
  EXPECT_TRUE(browser.command(LoopBrowser::kDelete));
  EXPECT_FALSE(fs::exists(loops_ / "loop01.tbk"));
  EXPECT_TRUE(browser.items().empty());
  EXPECT_EQ(browser.selection(), -1);
}

// Files that are not whole loops, or too large to be one, change nothing and announce nothing.
TEST_F(LoopBrowserTest, AHostileOrTruncatedFileChangesNothing) {
  LoopBrowser browser(engine(), prompt_, folder());
  ASSERT_TRUE(browser.saveNew());
  const std::string good = readWholeFile(loops_ / "loop01.tbk");
  ASSERT_GT(good.size(), 40u);
  std::string hugeText = good;
  hugeText[13] = hugeText[14] = hugeText[15] = hugeText[16] = '\xff';  // slice 0's folder length
  std::string oldVersion = good;
  oldVersion[0] = 10;
  test::writeFile(loops_, "truncated.tbk", good.substr(0, good.size() - 1));
  test::writeFile(loops_, "half.tbk", good.substr(0, good.size() / 2));
  test::writeFile(loops_, "hugeText.tbk", hugeText);
  test::writeFile(loops_, "old.tbk", oldVersion);
  test::writeFile(loops_, "empty.tbk", "");
  test::writeFile(loops_, "huge.tbk", good);  // a whole loop, but in a file too large to read
  fs::resize_file(loops_ / "huge.tbk", (std::uintmax_t{64} << 20) + 1);
  browser.rescan();

  engine().getSlice(5)->nextPattern(false, 2, false);
  const std::string before = current();
  ASSERT_NE(before, good);
  test::RecordingView view(engine());
  engine().addView(&view);
  for (const char* name : {"truncated.tbk", "half.tbk", "hugeText.tbk", "old.tbk", "empty.tbk", "huge.tbk"}) {
    const int index = browser.find(name);
    ASSERT_GE(index, 0) << name;
    EXPECT_FALSE(browser.select(index)) << name;
    EXPECT_EQ(current(), before) << name;
  }
  EXPECT_TRUE(view.refreshed.empty());
  engine().removeView(&view);
}

// A save that cannot land is reported and keeps the edits; a slice's question about unsaved edits
// saves through the browser, and a cancelled or failed save keeps the edits too.
TEST_F(LoopBrowserTest, EditsStayUnsavedUntilTheFileLands) {
  LoopBrowser browser(engine(), prompt_, folder());
  AskingView view(engine(), prompt_);
  engine().addView(&view);
  engine().setLoopSaver([&browser] { return browser.saveAs(); });
  Looper& kick = *engine().getSlice(5);
  const std::string kickFile = kick.file();
  kick.editTrack([](CMidiTrack& track) { return track.Insert(noteEvent(60, 9, 36, 99, 30)); });
  kick.markEdited();

  test::writeFile(loops_, "blocker", "a file where a folder should be");
  const std::string blocked = (loops_ / "blocker" / "x.tbk").string();
  prompt_.scriptPath(blocked);
  EXPECT_FALSE(browser.saveAs());
  ASSERT_EQ(prompt_.asked().size(), 1u);
  EXPECT_EQ(prompt_.asked()[0].text.rfind("Could not save loop\n\"" + blocked + "\":\n", 0), 0u);
  EXPECT_EQ(prompt_.asked()[0].icon, platform::PromptIcon::kError);
  EXPECT_TRUE(kick.edited() && kick.ownEvents());

  // Yes, then Cancel in the dialog: the slice keeps its edits and its pattern.
  prompt_.script(platform::PromptAnswer::kYes);
  prompt_.scriptPath(std::nullopt);
  EXPECT_FALSE(kick.nextPattern(true, 1, false));
  EXPECT_TRUE(kick.edited());
  EXPECT_EQ(kick.file(), kickFile);

  // Yes, then a path: the loop with the edits lands, then the slice moves on.
  const std::string edited = current();
  prompt_.script(platform::PromptAnswer::kYes);
  prompt_.scriptPath((loops_ / "edits.tbk").string());
  EXPECT_TRUE(kick.nextPattern(true, 1, false));
  EXPECT_FALSE(kick.edited());
  EXPECT_NE(kick.file(), kickFile);
  EXPECT_EQ(prompt_.unanswered(), 0u);
  EXPECT_TRUE(browser.select(browser.find("edits.tbk")));
  EXPECT_TRUE(kick.ownEvents());
  EXPECT_FALSE(kick.edited());  // stored as saved
  engine().setLoopSaver(nullptr);
  engine().removeView(&view);
}

TEST_F(LoopBrowserTest, WatchingRescansAfterChangesBelowTheLoopsFolder) {
  platform::UiQueue queue;
  LoopBrowser browser(engine(), prompt_, folder());
  browser.startWatching(queue);
  fs::create_directory(loops_ / "sub");
  test::writeFile(loops_ / "sub", "new.tbk", "x");
  for (int i = 0; i < 100 && browser.find("sub\\new.tbk") < 0; ++i) queue.waitAndPump(std::chrono::milliseconds(50));
  EXPECT_GE(browser.find("sub\\new.tbk"), 0);
  browser.stopWatching();
}
