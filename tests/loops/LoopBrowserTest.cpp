// The loop browser over a real engine and the default library.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "loops/LoopBrowser.h"
#include "midi/MidiTrack.h"
#include "tests/TempFolder.h"
#include "tests/engine/EngineFixture.h"
#include "tests/library/LibraryFiles.h"

using namespace velmora;
using platform::PromptAnswer;
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
    browser_.emplace(engine(), prompt_, loops_.string() + "/");
    view_.emplace(engine(), prompt_);
    engine().addView(&*view_);
  }
  void TearDown() override {
    engine().removeView(&*view_);
    browser_.reset();
    face_.reset();
    EngineTest::TearDown();
  }
  Tamborak& engine() { return engineOf(face_); }
  LoopBrowser& browser() { return *browser_; }
  // The loop as the engine would write it now.
  std::string current() {
    std::string bytes;
    CUniString stream(bytes);
    engine().saveLoop(stream, false);
    return bytes;
  }
  std::vector<std::string> paths() {
    std::vector<std::string> out;
    for (const LoopBrowser::Item& item : browser().items()) out.push_back(item.path);
    return out;
  }
  int loadsAnnounced() {
    return static_cast<int>(std::count(view_->refreshed.begin(), view_->refreshed.end(), TamborakView::Item::kLoop));
  }

  test::TempFolder temp_;
  const fs::path loops_ = temp_.path() / "Loops";
  ComRef<ITamborak> face_;
  platform::ScriptedPrompt prompt_;
  std::optional<AskingView> view_;
  std::optional<LoopBrowser> browser_;
};

}  // namespace

TEST_F(LoopBrowserTest, SaveNewTakesTheFirstFreeNameOfTheTargetFolderAndSelectionLoads) {
  ASSERT_TRUE(fs::is_directory(loops_));  // made when the browser is built
  ASSERT_TRUE(browser().command(LoopBrowser::kSaveNew));
  const std::string saved = current();
  EXPECT_EQ(readWholeFile(loops_ / "loop01.tbk"), saved);
  fs::copy_file(loops_ / "loop01.tbk", loops_ / "LOOP03.TBK");  // names count without regard to case
  test::writeFile(loops_, "sub\\notes.txt", "not a loop");
  browser().rescan();
  EXPECT_EQ(paths(), (std::vector<std::string>{"sub\\", "LOOP03.TBK", "loop01.tbk"}));
  EXPECT_EQ(browser().items()[1].name, "LOOP03");
  EXPECT_EQ(browser().selection(), browser().find("loop01.tbk"));  // kept by the rescan
  for (const char* expected : {"loop02.tbk", "loop04.tbk"}) {
    ASSERT_TRUE(browser().command(LoopBrowser::kSaveNew));
    EXPECT_EQ(browser().selection(), browser().find(expected)) << expected;
  }
  EXPECT_FALSE(browser().select(browser().find("sub\\")));  // a folder loads nothing
  ASSERT_TRUE(browser().command(LoopBrowser::kSaveNew));
  EXPECT_EQ(browser().selection(), browser().find("sub\\loop01.tbk"));
  EXPECT_TRUE(prompt_.asked().empty() && prompt_.savesAsked().empty());
  EXPECT_EQ(loadsAnnounced(), 0);

  Looper& kick = *engine().getSlice(5);
  const std::string kickFile = kick.file();
  kick.nextPattern(false, 3, false);
  EXPECT_TRUE(browser().select(browser().find("LOOP03.TBK")));
  EXPECT_EQ(kick.file(), kickFile);
  EXPECT_EQ(current(), saved);
  EXPECT_EQ(loadsAnnounced(), 1);
}

TEST_F(LoopBrowserTest, SaveAsAsksSaveRewritesTheSelectedLoopAndDeleteAsks) {
  fs::create_directory(loops_ / "sub");
  browser().rescan();
  // Shift+S with nothing selected, and Shift+click with a folder selected, are Save As.
  prompt_.scriptPath(std::nullopt);
  EXPECT_FALSE(browser().command(LoopBrowser::kSave));
  ASSERT_EQ(prompt_.savesAsked().size(), 1u);
  const platform::SavePathRequest& asked = prompt_.savesAsked()[0];
  EXPECT_EQ((std::vector<std::string>{asked.filter, asked.extension, asked.initialName, asked.initialFolder}),
            (std::vector<std::string>{"Tamborak Loops (.tbk)|*.tbk|All Files (*.*)|*.*||", ".tbk", "loop01",
                                      loops_.string() + "/"}));
  EXPECT_EQ(paths(), (std::vector<std::string>{"sub\\"}));  // Cancel wrote nothing

  browser().select(browser().find("sub\\"));
  prompt_.scriptPath((loops_ / "sub" / "mine.tbk").string());
  EXPECT_TRUE(browser().command(LoopBrowser::kSaveButton, true));
  EXPECT_EQ(prompt_.savesAsked().back().initialFolder, loops_.string() + "/" + nativeRelativePath("sub\\"));
  EXPECT_EQ(browser().selection(), browser().find("sub\\mine.tbk"));

  engine().getSlice(4)->nextPattern(false, 2, false);
  EXPECT_TRUE(browser().command(LoopBrowser::kSave));  // no dialog with a loop selected
  EXPECT_EQ(prompt_.savesAsked().size(), 2u);
  EXPECT_EQ(readWholeFile(loops_ / "sub" / "mine.tbk"), current());
  EXPECT_FALSE(browser().command(LoopBrowser::kSaveAs));
  EXPECT_EQ(prompt_.savesAsked().back().initialName, "mine");

  for (const PromptAnswer answer : {PromptAnswer::kNo, PromptAnswer::kYes}) {
    prompt_.script(answer);
    EXPECT_EQ(browser().command(LoopBrowser::kDelete), answer == PromptAnswer::kYes);
    EXPECT_EQ(prompt_.asked().back().text, "Are you sure you want to delete loop\n\"mine\"?");
    EXPECT_EQ(fs::exists(loops_ / "sub" / "mine.tbk"), answer == PromptAnswer::kNo);
  }
  EXPECT_EQ(paths(), (std::vector<std::string>{"sub\\"}));
  EXPECT_FALSE(browser().command(LoopBrowser::kDeleteButton));  // nothing selected: nothing asked
  EXPECT_EQ(prompt_.asked().size(), 2u);
}

// Files that are not whole loops, or too large to be one, change nothing and announce nothing.
TEST_F(LoopBrowserTest, AHostileOrTruncatedFileChangesNothing) {
  ASSERT_TRUE(browser().saveNew());
  const std::string good = readWholeFile(loops_ / "loop01.tbk");
  std::string hugeText = good, oldVersion = good;
  hugeText.replace(13, 4, "\xff\xff\xff\x7f");  // slice 0's folder length
  oldVersion[0] = 10;
  const std::map<std::string, std::string> files = {{"truncated", good.substr(0, good.size() - 1)},
                                                    {"half", good.substr(0, good.size() / 2)},
                                                    {"hugeText", hugeText},
                                                    {"old", oldVersion},
                                                    {"empty", ""},
                                                    {"huge", good}};
  for (const auto& [name, bytes] : files) test::writeFile(loops_, name + ".tbk", bytes);
  fs::resize_file(loops_ / "huge.tbk", (std::uintmax_t{64} << 20) + 1);  // a whole loop in too large a file
  browser().rescan();
  engine().getSlice(5)->nextPattern(false, 2, false);
  const std::string before = current();
  for (const auto& [name, bytes] : files) {
    EXPECT_FALSE(browser().select(browser().find(name + ".tbk"))) << name;
    EXPECT_EQ(current(), before) << name;
  }
  EXPECT_EQ(loadsAnnounced(), 0);
}

// A save that cannot land is reported and keeps the edits; a slice's question about unsaved
// edits saves through the browser, and a cancelled save keeps the edits too.
TEST_F(LoopBrowserTest, EditsStayUnsavedUntilTheFileLands) {
  engine().setLoopSaver([this] { return browser().saveAs(); });
  Looper& kick = *engine().getSlice(5);
  const std::string kickFile = kick.file();
  kick.editTrack([](CMidiTrack& track) { return track.Insert(noteEvent(60, 9, 36, 99, 30)); });
  kick.markEdited();

  test::writeFile(loops_, "blocker", "a file where a folder should be");
  const std::string blocked = (loops_ / "blocker" / "x.tbk").string();
  prompt_.scriptPath(blocked);
  EXPECT_FALSE(browser().saveAs());
  ASSERT_EQ(prompt_.asked().size(), 1u);
  EXPECT_EQ(prompt_.asked()[0].text.rfind("Could not save loop\n\"" + blocked + "\":\n", 0), 0u);
  EXPECT_EQ(prompt_.asked()[0].icon, platform::PromptIcon::kError);
  EXPECT_TRUE(kick.edited() && kick.ownEvents());

  prompt_.script(PromptAnswer::kYes);  // "Save edits to loop?", then Cancel in the dialog
  prompt_.scriptPath(std::nullopt);
  EXPECT_FALSE(kick.nextPattern(true, 1, false));
  EXPECT_TRUE(kick.edited());
  EXPECT_EQ(kick.file(), kickFile);

  prompt_.script(PromptAnswer::kYes);  // now with a path: the edits land, then the slice moves on
  prompt_.scriptPath((loops_ / "edits.tbk").string());
  EXPECT_TRUE(kick.nextPattern(true, 1, false));
  EXPECT_FALSE(kick.edited());
  EXPECT_NE(kick.file(), kickFile);
  EXPECT_EQ(prompt_.unanswered(), 0u);
  EXPECT_TRUE(browser().select(browser().find("edits.tbk")));
  EXPECT_TRUE(kick.ownEvents() && !kick.edited());  // stored as saved
  engine().setLoopSaver(nullptr);
}

TEST_F(LoopBrowserTest, WatchingRescansAfterChangesBelowTheLoopsFolder) {
  platform::UiQueue queue;
  browser().startWatching(queue);
  test::writeFile(loops_, "sub\\new.tbk");
  for (int i = 0; i < 100 && browser().find("sub\\new.tbk") < 0; ++i) queue.waitAndPump(std::chrono::milliseconds(50));
  EXPECT_GE(browser().find("sub\\new.tbk"), 0);
  browser().stopWatching();  // before the queue goes
}
