// The loop browser over a real engine and the default library.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "ui/LoopBrowser.h"
#include "midi/MidiTrack.h"
#include "tests/TempFolder.h"
#include "tests/engine/EngineFixture.h"
#include "tests/library/LibraryFiles.h"

using namespace velmora;
using platform::PromptAnswer;
using test::readWholeFile;
namespace fs = std::filesystem;

namespace {

// A panel view that asks through the scripted prompt.
struct AskingView : test::RecordingView {
  AskingView(ControlApi& engine, platform::Prompt& prompt) : RecordingView(engine), asker(prompt) {}
  platform::Prompt* prompt() override { return &asker; }
  platform::Prompt& asker;
};

class LoopBrowserTest : public test::EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    face_ = makeEngine();
    browser_.emplace(engine(), prompt_, loops_.string() + "/");
    engine().addView(&view_.emplace(engine(), prompt_));
  }
  void TearDown() override {
    engine().removeView(&*view_);
    browser_.reset(), face_.reset();
    EngineTest::TearDown();
  }
  Tamborak& engine() { return engineOf(face_); }
  // The loop as the engine would write it now.
  std::string current() {
    std::string bytes;
    CUniString stream(bytes);
    return engine().saveLoop(stream, false), bytes;
  }
  long loadsAnnounced() { return std::count(view_->refreshed.begin(), view_->refreshed.end(), TamborakView::Item::kLoop); }
  bool select(const std::string& path) { return browser_->select(browser_->find(path)); }

  test::TempFolder temp_;
  const fs::path loops_ = temp_.path() / "Loops";
  ComRef<IMfxEventFilter> face_;
  platform::ScriptedPrompt prompt_;
  std::optional<AskingView> view_;
  std::optional<LoopBrowser> browser_;
};

}  // namespace

TEST_F(LoopBrowserTest, SavesLoadsAndDeletesLoopsAndRefusesHostileFiles) {
  // Shift+click Save with nothing selected is Save As; Cancel writes nothing.
  EXPECT_FALSE(browser_->command(LoopBrowser::kSaveButton, true));
  const platform::SavePathRequest& asked = prompt_.savesAsked().at(0);
  EXPECT_EQ(asked.filter + asked.extension + "|" + asked.initialName + "|" + asked.initialFolder,
            "Tamborak Loops (.tbk)|*.tbk|All Files (*.*)|*.*||.tbk|loop01|" + loops_.string() + "/");
  EXPECT_TRUE(fs::is_empty(loops_));  // made by the browser, and empty

  // Save New takes the first name free in any case, in the target folder.
  ASSERT_TRUE(browser_->command(LoopBrowser::kSaveNew));
  const std::string saved = current();
  EXPECT_EQ(readWholeFile(loops_ / "loop01.tbk"), saved);
  fs::copy_file(loops_ / "loop01.tbk", loops_ / "LOOP03.TBK");
  test::writeFile(loops_, "sub\\notes.txt", "not a loop");
  browser_->rescan();
  std::vector<std::string> paths;
  for (const LoopBrowser::Item& item : browser_->items()) paths.push_back(item.path);
  EXPECT_EQ(paths, (std::vector<std::string>{"sub\\", "LOOP03.TBK", "loop01.tbk"}));
  EXPECT_EQ(browser_->items()[1].name, "LOOP03");
  EXPECT_EQ(browser_->selection(), browser_->find("loop01.tbk"));  // kept by the rescan
  for (const char* expected : {"loop02.tbk", "loop04.tbk"}) {
    ASSERT_TRUE(browser_->command(LoopBrowser::kSaveNew));
    EXPECT_EQ(browser_->selection(), browser_->find(expected)) << expected;
  }
  EXPECT_FALSE(select("sub\\"));  // a folder loads nothing
  ASSERT_TRUE(browser_->command(LoopBrowser::kSaveNew));
  EXPECT_EQ(browser_->selection(), browser_->find("sub\\loop01.tbk"));
  EXPECT_EQ(prompt_.savesAsked().size(), 1u);
  EXPECT_EQ(loadsAnnounced(), 0);

  // Shift+S with a folder selected is Save As there; with a loop selected it rewrites it.
  select("sub\\");
  prompt_.scriptPath((loops_ / "sub" / "mine.tbk").string());
  EXPECT_TRUE(browser_->command(LoopBrowser::kSave));
  EXPECT_EQ(prompt_.savesAsked().back().initialFolder, loops_.string() + "/" + nativeRelativePath("sub\\"));
  EXPECT_EQ(browser_->selection(), browser_->find("sub\\mine.tbk"));
  engine().getSlice(4)->nextPattern(false, 2, false);
  EXPECT_TRUE(browser_->command(LoopBrowser::kSave));
  EXPECT_EQ(prompt_.savesAsked().size(), 2u);
  EXPECT_EQ(readWholeFile(loops_ / "sub" / "mine.tbk"), current());
  EXPECT_FALSE(browser_->command(LoopBrowser::kSaveAs));
  EXPECT_EQ(prompt_.savesAsked().back().initialName, "mine");

  for (const PromptAnswer answer : {PromptAnswer::kNo, PromptAnswer::kYes}) {
    prompt_.script(answer);
    EXPECT_EQ(browser_->command(LoopBrowser::kDelete), answer == PromptAnswer::kYes);
    EXPECT_EQ(prompt_.asked().back().text, "Are you sure you want to delete loop\n\"mine\"?");
    EXPECT_EQ(fs::exists(loops_ / "sub" / "mine.tbk"), answer == PromptAnswer::kNo);
  }
  EXPECT_FALSE(browser_->command(LoopBrowser::kDeleteButton));  // nothing selected: nothing asked
  EXPECT_EQ(prompt_.asked().size(), 2u);

  // Selecting a loop loads it; files that are not whole loops, or too large, change nothing.
  EXPECT_TRUE(select("LOOP03.TBK"));
  EXPECT_EQ(current(), saved);
  EXPECT_EQ(loadsAnnounced(), 1);
  const std::map<std::string, std::string> files = {{"truncated", saved.substr(0, saved.size() - 1)},
      {"half", saved.substr(0, saved.size() / 2)}, {"old", '\x0a' + saved.substr(1)}, {"empty", ""}, {"huge", saved},
      {"hugeText", std::string(saved).replace(13, 4, "\xff\xff\xff\x7f")}};  // slice 0's folder length
  for (const auto& [name, bytes] : files) test::writeFile(loops_, "bad\\" + name + ".tbk", bytes);
  fs::resize_file(loops_ / "bad" / "huge.tbk", (std::uintmax_t{64} << 20) + 1);  // a whole loop, too large
  browser_->rescan();
  engine().getSlice(5)->nextPattern(false, 2, false);
  const std::string before = current();
  for (const auto& [name, bytes] : files) {
    EXPECT_FALSE(select("bad\\" + name + ".tbk")) << name;
    EXPECT_EQ(current(), before) << name;
  }
  EXPECT_EQ(loadsAnnounced(), 1);
}

// A failed save is reported and keeps the edits; so does a cancelled save from a slice's question.
TEST_F(LoopBrowserTest, EditsStayUnsavedUntilTheFileLandsAndWatchingRescans) {
  engine().setLoopSaver([this] { return browser_->saveAs(); });
  Looper& kick = *engine().getSlice(5);
  const std::string kickFile = kick.file();
  kick.editTrack([](CMidiTrack& track) { return track.Insert(noteEvent(60, 9, 36, 99, 30)); });
  kick.markEdited();

  test::writeFile(loops_, "blocker", "a file where a folder should be");
  const std::string blocked = (loops_ / "blocker" / "x.tbk").string();
  prompt_.scriptPath(blocked);
  EXPECT_FALSE(browser_->saveAs());
  ASSERT_EQ(prompt_.asked().size(), 1u);
  EXPECT_EQ(prompt_.asked()[0].text.rfind("Could not save loop\n\"" + blocked + "\":\n", 0), 0u);
  EXPECT_EQ(prompt_.asked()[0].icon, platform::PromptIcon::kError);
  EXPECT_TRUE(kick.edited() && kick.ownEvents());

  prompt_.script(PromptAnswer::kYes);  // "Save edits to loop?", then Cancel in the dialog
  prompt_.scriptPath(std::nullopt);
  EXPECT_FALSE(kick.nextPattern(true, 1, false));
  EXPECT_TRUE(kick.edited() && kick.file() == kickFile);

  prompt_.script(PromptAnswer::kYes);  // now with a path: the edits land, then the slice moves on
  prompt_.scriptPath((loops_ / "edits.tbk").string());
  EXPECT_TRUE(kick.nextPattern(true, 1, false));
  EXPECT_TRUE(!kick.edited() && kick.file() != kickFile && prompt_.unanswered() == 0);
  EXPECT_TRUE(select("edits.tbk"));
  EXPECT_TRUE(kick.ownEvents() && !kick.edited());  // stored as saved
  engine().setLoopSaver(nullptr);

  // Watching rebuilds the tree after each change below the loops folder, not only the first.
  platform::UiQueue queue;
  browser_->startWatching(queue);
  for (const char* name : {"sub\\new.tbk", "sub\\newer.tbk"}) {
    test::writeFile(loops_, name);
    for (int i = 0; i < 100 && browser_->find(name) < 0; ++i) queue.waitAndPump(std::chrono::milliseconds(50));
    EXPECT_GE(browser_->find(name), 0) << name;
  }
  browser_->stopWatching();  // before the queue goes
}
