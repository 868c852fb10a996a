#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "engine/EngineProcess.h"
#include "engine/Tamborak.h"
#include "io/UniRegistry.h"
#include "loops/Looper.h"
#include "platform/CrtRand.h"
#include "platform/KeyState.h"
#include "tests/ScratchRegistry.h"
#include "tests/loops/LooperFixture.h"

namespace velmora::test {
namespace {

using platform::ModifierKey;

// An engine that keeps the names of its change notifications.
class ComposeEngine final : public Tamborak {
 public:
  ComposeEngine() : Tamborak(true) {}
  void changed(const char* name) override { reasons.emplace_back(name), Tamborak::changed(name); }
  std::vector<std::string> reasons;
};

class TitleView final : public TamborakView {
 public:
  platform::UiTarget window() const override { return platform::kNoTarget; }
  void refresh(Item) override {}
  bool confirmDiscard() override { return true; }
  platform::Prompt* prompt() override { return &answers; }
  void detach() override {}
  void setWindowText(const std::string& text) override { titles.push_back(text); }
  std::vector<std::string> titles;
  platform::ScriptedPrompt answers;
};

// Rules broken by each kick against a backbeat snare and quarter hats (none against eighth hats).
struct Kick { const char* file; int violations; };
constexpr Kick kKicks[] = {{"01_2_1000000010000000_0#Ka.mid", 3}, {"02_4_1010000010100000_0#Kb.mid", 1},
                           {"03_3_1000001010000000_0#Kc.mid", 2}, {"04_4_1010000010100000_0#Kd.mid", 1}};
constexpr char kQuarterHats[] = "01_4_1000100010001000_0#Quarters.mid";
constexpr char kEighthHats[] = "02_8_1010101010101010_0#Eighths.mid";

class ComposerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string bar = quarters(), root = "Patterns\\Test\\";
    for (const Kick& k : kKicks) writeFile(folder_.path(), root + "1.Kick\\Kick\\" + k.file, bar);
    writeFile(folder_.path(), root + "2.Snare\\Snare\\01_2_0000100000001000_0#Backbeat.mid", bar);
    for (const char* hats : {kQuarterHats, kEighthHats}) writeFile(folder_.path(), root + "3.Cymbal\\HH_Cl\\" + hats, bar);
    for (const char* kind : {"Cowbell", "Maracas", "Conga", "Xylo"})  // the xylophone's files are damaged
      for (const char* file : {"01_2_1000000010000000_0#A.mid", "02_2_0010000000100000_0#B.mid"})
        writeFile(folder_.path(), root + "4.Percussion\\" + kind + "\\" + file, *kind == 'X' ? "damaged" : bar);
    clearComposeSettings();
    ASSERT_TRUE(EngineProcess::reset());
    EngineProcess::setProgramFolder(folder_.path().string());
    engine_ = std::make_unique<ComposeEngine>();
    engine_->setKeyState(&keys_), engine_->addView(&view_);
    engine_->setSwingDurIdx(1, false);  // eighth-note rules, chosen by hand
    setPattern(kSlotSnare, "01_2_0000100000001000_0#Backbeat.mid");
    setPattern(kSlotCymbal, kQuarterHats);
    setPattern(kSlotKick, kKicks[0].file);
  }
  void TearDown() override {
    engine_.reset(), clearComposeSettings();
    EXPECT_TRUE(EngineProcess::reset());
  }
  static void clearComposeSettings() {
    platform::regDeleteTree(platform::kCurrentUser, std::string("Software\\") + settings::kApplicationKey + "\\Compose");
  }
  static void setting(const settings::ProfileInt& which, std::int32_t value) {
    ASSERT_TRUE(settings::writeProfileInt(which, value));
  }
  Looper& slice(int slot) { return *engine_->getSlice(slot); }
  void setPattern(int slot, const std::string& file) {
    ASSERT_TRUE(slice(slot).setPattern(slice(slot).folder(), file, false));
    ASSERT_EQ(slice(slot).file(), file);
  }
  std::vector<std::string> files() {
    std::vector<std::string> out;
    for (int i = 0; i < Tamborak::kSliceCount; ++i) out.push_back(slice(i).file());
    return out;
  }
  long randomNotes() { return std::count(engine_->reasons.begin(), engine_->reasons.end(), "Tamborak::Random"); }

  ScratchRegistry registry_;
  TempFolder folder_;
  platform::ScriptedKeyState keys_;
  TitleView view_;
  std::unique_ptr<ComposeEngine> engine_;
};

TEST_F(ComposerTest, RulesSeeTheSlicesAsTheyPlay) {
  StubEngine other;
  Looper stranger(other);
  EXPECT_EQ(std::tuple(engine_->checkSlice(slice(kSlotKick)), engine_->rulesAccept(slice(kSlotKick)),
                       engine_->checkSlice(stranger)), std::tuple(true, false, false));
  RuleInputs in = engine_->ruleInputs();
  EXPECT_EQ(std::tuple(in.hats, in.snare, in.bass, in.bassCount, in.swingDurIdx, in.clapsSlot, in.perc[0]),
            std::tuple(0x8888u, 0x0808u, 0x8080u, 2, 1, -1, 0u));

  // Muting clears percussion only; claps by the fixed note, else by the pattern's keys.
  setPattern(0, "01_2_1000000010000000_0#A.mid"), setPattern(1, "02_2_0010000000100000_0#B.mid");
  slice(1).setMutedSilently(false), slice(kSlotCymbal).setMutedSilently(true);
  slice(0).setFixedNote(39), slice(1).setFixedNote(-1);
  in = engine_->ruleInputs();
  EXPECT_EQ(std::tuple(in.perc[0], in.perc[1], in.hats, in.clapsSlot), std::tuple(0u, 0x2020u, 0x8888u, 0));
  slice(0).setFixedNote(38);
  EXPECT_EQ(engine_->ruleInputs().clapsSlot, -1) << "the pattern's key 36 is no clap";
  setPattern(kSlotCymbal, kEighthHats);
  EXPECT_TRUE(engine_->rulesAccept(slice(kSlotKick)));
}

// Only the kick is drawn; replaying the same draws tells which attempt must be kept.
TEST_F(ComposerTest, KeepsTheEarliestBestAttemptAndComposesOneSlice) {
  slice(kSlotSnare).setIdrcOff(true), slice(kSlotCymbal).setIdrcOff(true);
  auto violations = [](const std::string& f) {
    return std::find_if(std::begin(kKicks), std::end(kKicks), [&](const Kick& k) { return f == k.file; })->violations;
  };
  int restored = 0, tiesAfterBest = 0;
  for (int attempts : {5, 1}) {
    setting(settings::kComposeAttempts, attempts);
    for (std::uint32_t seed = 1; seed <= 30; ++seed) {
      SCOPED_TRACE(seed);
      const std::string start = slice(kSlotKick).file();
      crtSrand(seed);
      std::vector<std::string> drawn;
      for (int a = 0; a < attempts; ++a) slice(kSlotKick).randomPattern(nullptr), drawn.push_back(slice(kSlotKick).file());
      auto best = drawn.begin();
      for (auto it = drawn.begin(); it != drawn.end(); ++it)
        if (violations(*it) < violations(*best)) best = it;
      restored += best + 1 != drawn.end();
      tiesAfterBest += std::any_of(best + 1, drawn.end(),
                                   [&](const std::string& f) { return f != *best && violations(f) == violations(*best); });
      setPattern(kSlotKick, start);
      const std::size_t notes = engine_->reasons.size();
      crtSrand(seed);
      EXPECT_EQ(engine_->compose(nullptr), ComposeResult::kComposed);
      EXPECT_EQ(std::tuple(slice(kSlotKick).file(), engine_->getSwingDurIdx(), slice(kSlotCymbal).file(),
                           engine_->reasons.size(), engine_->reasons.back()),
                std::tuple(*best, 1, std::string(kQuarterHats), notes + 1, "Tamborak::Random"));
    }
  }
  EXPECT_TRUE(restored > 0 && tiesAfterBest > 0);
  EXPECT_TRUE(view_.titles.empty()) << "no result text outside the test mode";

  // Composing one slice by name moves it and only it, even when muted and left out.
  slice(kSlotKick).setIdrcOff(true), slice(kSlotKick).setMutedSilently(true);
  const long notes = randomNotes();
  for (int attempts : {1, 5}) {
    setting(settings::kComposeAttempts, attempts);
    for (std::uint32_t seed = 1; seed <= 15; ++seed) {
      crtSrand(seed);
      std::vector<std::string> before = files();
      slice(kSlotKick).composePart();
      const std::vector<std::string> after = files();
      EXPECT_NE(after[kSlotKick], before[kSlotKick]) << seed;
      before[kSlotKick] = after[kSlotKick];
      EXPECT_EQ(after, before) << "only the kick is drawn";
    }
  }
  EXPECT_EQ(randomNotes(), notes + 30);
}

TEST_F(ComposerTest, TestModeReportsDrawsAndJudgesWithoutDrawing) {
  setting(settings::kComposeAllowTesting, 1);
  setting(settings::kComposeAttempts, 4);
  // Muted and left-out slices are skipped: only the kick and the unmuted maracas are drawn.
  slice(kSlotSnare).setMutedSilently(true), slice(kSlotCymbal).setIdrcOff(true), slice(1).setMutedSilently(false);
  engine_->compose(nullptr);
  ASSERT_EQ(view_.titles.size(), 1u);
  EXPECT_EQ(view_.titles.back().rfind("BAD (", 0), 0u);
  EXPECT_NE(view_.titles.back().find(") Tries (4,0,0,0,4,0): "), std::string::npos);
  EXPECT_EQ(keys_.asked[static_cast<int>(ModifierKey::kControl)], 3);
  EXPECT_TRUE(view_.answers.asked().empty()) << "no message box without Alt";

  keys_.press(ModifierKey::kControl);  // ends the attempts early
  engine_->compose(nullptr);
  EXPECT_NE(view_.titles.back().find(") Tries (1,0,0,0,1,0): "), std::string::npos);
  keys_.press(ModifierKey::kControl, false);

  slice(kSlotSnare).setMutedSilently(false), slice(1).setMutedSilently(true);
  setPattern(kSlotCymbal, kEighthHats);
  engine_->compose(nullptr);
  EXPECT_EQ(view_.titles.back(), "Chosen after 1 tries (1,1,0,0,0,0)");

  // Alt and Shift: every rule for every slice, on the loop as it is, in a message box too.
  setPattern(kSlotCymbal, kQuarterHats);
  setPattern(kSlotKick, kKicks[0].file);
  keys_.press(ModifierKey::kAlt), keys_.press(ModifierKey::kShift);
  const std::vector<std::string> before = files();
  engine_->compose(nullptr);
  EXPECT_EQ(files(), before);
  std::string expected = "BAD (3) Tries (0,0,0,0,0,0): must be strokes on every weak 8th|"
                         "must be at least one weak 8th or 16th in all bar halfs|"
                         "must be at least one weak 8th or 16th in all bar halfs";
  EXPECT_EQ(view_.titles.back(), expected);
  std::replace(expected.begin(), expected.end(), '|', '\n');
  ASSERT_EQ(view_.answers.asked().size(), 1u);
  EXPECT_EQ(view_.answers.asked()[0].text, expected);

  // Alt alone draws nothing either and judges only the slices taking part; one violation, no box.
  keys_.press(ModifierKey::kShift, false);
  setPattern(kSlotKick, kKicks[1].file);
  engine_->compose(&slice(kSlotKick));
  EXPECT_EQ(files()[kSlotKick], kKicks[1].file);
  EXPECT_EQ(view_.titles.back(), "BAD (1) Tries (0,0,0,0,0,0): must be strokes on every weak 8th");
  EXPECT_EQ(view_.answers.asked().size(), 1u);

  // A slice whose folder holds only damaged patterns: one attempt, and said.
  keys_.press(ModifierKey::kAlt, false);
  slice(0).setKindFolder("Xylo");
  EXPECT_EQ(engine_->compose(&slice(0)), ComposeResult::kStuck);
  EXPECT_EQ(view_.titles.back(), "NONE (1) Tries (0,0,0,0,0,1): no other pattern of Test\\4.Percussion\\Xylo\\ can be read");
  EXPECT_EQ(randomNotes(), 6);
}

}  // namespace
}  // namespace velmora::test
