// The loop browser strip in the panel: its layout at any width, its keys and buttons running the
// file commands on a real loops folder, choosing a loop in the tree, and keys it does not hold
// reaching the panel.
#include <filesystem>
#include <optional>
#include <string>

#include "tests/TempFolder.h"
#include "tests/ui/PanelFixture.h"
#include "ui/CommandIds.h"
#include "ui/LoopBrowserStrip.h"

namespace velmora::test {
namespace {

namespace fs = std::filesystem;
using platform::PromptAnswer;
using ui::MouseButton;

class LoopBrowserStripTest : public PanelTest {
 protected:
  void SetUp() override {
    PanelTest::SetUp();
    files_.emplace(*recorder_, services_.scriptedPrompt, loops_.string() + "/");
    strip_.emplace(*files_, services_);
    panel().attachLoopBrowser(&*strip_);
  }
  void TearDown() override {
    panel().attachLoopBrowser(nullptr);
    strip_.reset();
    files_.reset();
    PanelTest::TearDown();
  }
  ui::Point centreOf(const ui::Control& c) { return {(c.rect().left + c.rect().right) / 2, (c.rect().top + c.rect().bottom) / 2}; }
  void press(const ui::Control& c, unsigned mods = ui::kNoMods) {
    panel().mouseDown(centreOf(c), MouseButton::kLeft, mods);
    panel().mouseUp(centreOf(c));
  }
  bool exists(const char* name) { return fs::exists(loops_ / name); }

  TempFolder temp_;
  const fs::path loops_ = temp_.path() / "Loops";
  std::optional<LoopBrowser> files_;
  std::optional<ui::LoopBrowser> strip_;
};

TEST_F(LoopBrowserStripTest, DeleteSitsFlushRightAtAnyWidth) {
  for (const ui::Rect& r : {ui::Rect{0, 0, 438, 24}, ui::Rect{20, 50, 320, 74}, ui::TamborakPanel::loopBrowserRect()}) {
    SCOPED_TRACE(r.width());
    strip_->create(r);
    const ui::Rect tree = strip_->tree().rect(), save = strip_->saveButton().rect(), del = strip_->deleteButton().rect();
    EXPECT_EQ(del.right, r.right);
    EXPECT_EQ(save.right, del.left);
    EXPECT_EQ(save.width(), 21);
    EXPECT_EQ(del.width(), 21);
    EXPECT_EQ(save.left - tree.right, 3);
    EXPECT_EQ(tree.left, r.left);
    EXPECT_EQ(del.top, r.top + 3);
  }
  ui::RecordingCanvas canvas = painted();
  bool background = false;
  for (const auto& op : canvas.ops())
    background |= op.kind == ui::RecordingCanvas::Op::kFill && op.rect == ui::TamborakPanel::loopBrowserRect() &&
                  op.color == ui::LoopBrowser::kBackground;
  EXPECT_TRUE(background);
}

TEST_F(LoopBrowserStripTest, KeysAndButtonsRunTheFileCommandsAndOtherKeysReachThePanel) {
  press(strip_->tree());  // an empty tree opens nothing but takes the focus
  ASSERT_TRUE(panel().loopBrowserFocused());
  auto& prompt = services_.scriptedPrompt;
  struct Case {
    const char* what;
    std::function<void()> act;
    std::function<void()> check;
  } cases[] = {
      {"Insert saves the next automatic name", [&] { EXPECT_TRUE(panel().key(ui::keys::kInsert, ui::kNoMods)); },
       [&] { EXPECT_TRUE(exists("loop01.tbk")); }},
      {"S asks where to save", [&] {
         prompt.scriptPath((loops_ / "mine.tbk").string());
         panel().key('S', ui::kNoMods);
       },
       [&] { EXPECT_TRUE(exists("mine.tbk")); EXPECT_EQ(prompt.savesAsked().size(), 1u); }},
      {"Shift+S rewrites the selected loop without asking", [&] { panel().key('S', ui::kShift); },
       [&] { EXPECT_EQ(prompt.savesAsked().size(), 1u); }},
      {"Shift+click on Save saves too", [&] { press(strip_->saveButton(), ui::kShift); },
       [&] { EXPECT_EQ(prompt.savesAsked().size(), 1u); }},
      {"a plain click on Save asks (Cancel)", [&] { press(strip_->saveButton()); },
       [&] { EXPECT_EQ(prompt.savesAsked().size(), 2u); }},
      {"choosing a loop in the tree loads it", [&] {
         services_.menuChoices.push_back(static_cast<std::uint32_t>(files_->find("loop01.tbk") + 1));
         press(strip_->tree());
       },
       [&] { EXPECT_EQ(recorder_->count("LoadLoop"), 1); }},
      {"Delete asks, No keeps the file", [&] {
         prompt.script(PromptAnswer::kNo);
         panel().key(ui::keys::kDelete, ui::kNoMods);
       },
       [&] { EXPECT_TRUE(exists("loop01.tbk")); }},
      {"the Delete button asks, Yes deletes", [&] {
         prompt.script(PromptAnswer::kYes);
         press(strip_->deleteButton());
       },
       [&] { EXPECT_FALSE(exists("loop01.tbk")); }},
      {"P and Ctrl+P reach the focused row", [&] {
         EXPECT_TRUE(panel().key('P', ui::kNoMods));
         panel().key('P', ui::kCtrl);
       },
       [&] { EXPECT_TRUE(slice(0).idrcOff()); }},
      {"a digit reaches the panel's pads", [&] { panel().key('3', ui::kNoMods); },
       [&] { EXPECT_EQ(engine().getLoopIdx(), 2); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    c.act();
    c.check();
    EXPECT_TRUE(panel().loopBrowserFocused());
  }
  EXPECT_EQ(prompt.unanswered(), 0u);

  // A press on a row takes the focus back: S is then the panel's own Save As.
  panel().mouseDown(centre(ui::cmd::kParameterField), MouseButton::kLeft, ui::kNoMods);
  panel().mouseUp(centre(ui::cmd::kParameterField));
  EXPECT_FALSE(panel().loopBrowserFocused());
  prompt.scriptPath(std::nullopt);
  panel().key('S', ui::kNoMods);
  EXPECT_EQ(prompt.savesAsked().size(), 3u);
}

}  // namespace
}  // namespace velmora::test
