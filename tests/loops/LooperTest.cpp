#include <gtest/gtest.h>

#include <future>
#include <thread>

#include "io/Record.h"
#include "platform/CrtRand.h"
#include "tests/loops/LooperFixture.h"

using namespace velmora;
using test::Library;
using test::MeterContext;
using test::note;
using test::patternFile;
using test::quarters;
using test::saved;
using test::StubEngine;

namespace {

constexpr char kKick[] = "Vol\\1.Kick\\Kick\\";
// Strokes 2, 4, 3 in group 0, 6 in group 1, 8 in group 2, in walk order a, b, c, d, e, bad.
constexpr char kA[] = "1_2_1000000010000000_0#a.mid";
constexpr char kB[] = "2_4_1000100010001000_0#b.mid";
constexpr char kC[] = "3_6_1010101010100000_1#c.mid";
constexpr char kD[] = "4_8_1010101010101010_2#d.mid";
constexpr char kE[] = "5_3_1000100010000000_0#e.mid";
constexpr char kBad[] = "bad_40_0000000000000000_0#x.mid";  // never eligible
constexpr char kBad2[] = "bad_40_0000000000000000_0#y.mid";

std::string kick(const char* file) { return std::string(kKick) + file; }

struct KickLibrary {
  StubEngine engine;
  Library library{{{kick(kA), quarters(36)},
                   {kick(kB), patternFile({note(0, 36, 50), note(480, 36, 120, 480)})},
                   {kick(kC), quarters(36)},
                   {kick(kD), quarters(36)},
                   {kick(kE), quarters(35)},
                   {"Vol\\1.Kick\\universal\\1_4_1000100010001000_0#u.mid", quarters(60)},
                   {kick(kBad), "not a MIDI file"},
                   {kick(kBad2), "not a MIDI file"},
                   {"Vol\\2.Snare\\Snare\\1_2_0000100000001000_0#s.mid", quarters(38)}},
                  engine};
  Looper slice{engine};
  KickLibrary() {
    slice.setFolder("Vol\\1.Kick\\");
    slice.setPattern(kKick, kA, false);
  }
};

// Loads a record and tells whether it was read to its last byte.
bool loadFrom(Looper& slice, const std::string& bytes) {
  CUniMemoryReader reader(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
  return slice.load(reader) && reader.remaining() == 0;
}

}  // namespace

TEST(Looper, ParametersAreClampedAsEachRequires) {
  StubEngine engine;
  Looper slice(engine);
  for (const auto& [index, value, stored] : {std::tuple{0, 500, 127}, {0, -128, -127}, {1, -5, 0}, {1, 101, 100},
                                            {3, -200, -127}, {3, 128, 127}, {2, 100000, 100000}, {2, -7, -7}}) {
    slice.setParameter(index, value);
    EXPECT_EQ(slice.getParameter(index), stored) << index << " = " << value;
  }
  slice.setParameter(4, 9);
  EXPECT_EQ(slice.getParameter(4), 0);
  slice.resetParameters();
  EXPECT_EQ((std::array{slice.getParameter(0), slice.getParameter(1), slice.getParameter(2), slice.getParameter(3)}),
            (std::array{0, 100, 0, 0}));
}

TEST(Looper, LoadsPatternsFromItsFolder) {
  KickLibrary lib;
  Looper& slice = lib.slice;
  EXPECT_EQ(slice.folder(), kKick);  // completed to the first kind folder
  EXPECT_EQ(slice.file(), kA);
  EXPECT_EQ(slice.groupMask(), 0b111u);
  EXPECT_EQ(std::pair(slice.strokesMin(), slice.strokesMax()), std::pair(2, 8));
  EXPECT_EQ(slice.track().eventCount(), 4u);

  lib.engine.reasons.clear();
  EXPECT_TRUE(slice.setPattern(kKick, kB, true));
  EXPECT_EQ(lib.engine.reasons, std::vector<std::string>{"Looper::setPattern"});
  EXPECT_EQ(slice.signature(), (PatternSignature{0x8888, 0, 4, 0, 2}));
  EXPECT_EQ((std::array{int{slice.minVelocity()}, int{slice.maxVelocity()}, int{slice.avgVelocity()}}),
            (std::array{50, 120, 85}));
  EXPECT_EQ(std::pair(slice.rowCount(), slice.rowKey(0)), std::pair(1, 36));

  // The same pattern is not read again unless forced.
  test::writeFile(lib.library.root.path(), kick(kB), quarters(40));
  EXPECT_FALSE(slice.loadPattern(kKick, kB, false));
  EXPECT_EQ(slice.track().KeyAt(0), 36);
  EXPECT_TRUE(slice.loadPattern(kKick, kB, true));
  EXPECT_EQ(slice.track().KeyAt(0), 40);

  // Unreadable or missing: no pattern at all.
  for (const char* file : {kBad, "missing.mid"}) {
    EXPECT_TRUE(slice.setPattern(kKick, file, false));
    EXPECT_EQ(slice.file(), "") << file;
    EXPECT_EQ(slice.track().eventCount(), 0u) << file;
  }

  // The lower-case kind plays the fixed note, keeping its value; a named kind maps keys.
  EXPECT_TRUE(slice.setKindFolder("universal"));
  EXPECT_EQ(slice.folder(), "Vol\\1.Kick\\universal\\");
  EXPECT_EQ(std::pair(slice.fixedNoteOn(), int{slice.fixedNote()}), std::pair(true, 54));
  EXPECT_FALSE(slice.setKindFolder("universal"));
  EXPECT_TRUE(slice.selectPatternByName("1"));
  EXPECT_EQ(slice.exportTitle(), "1.Kick\\1");
  slice.setStandardRows(true);
  EXPECT_EQ(std::pair(slice.rowCount(), slice.rowKey(0)), std::pair(1, 60));
  EXPECT_TRUE(slice.setKindFolder("Kick"));
  EXPECT_FALSE(slice.fixedNoteOn());
  EXPECT_EQ(std::pair(slice.rowCount(), slice.rowKey(0)), std::pair(1, 36));

  slice.clearPattern();
  EXPECT_EQ(std::tuple(slice.file(), slice.track().eventCount(), slice.signature().hitMask), std::tuple("", 0u, 0u));
}

TEST(Looper, StepsAndDrawsAmongEligiblePatterns) {
  KickLibrary lib;
  Looper& slice = lib.slice;
  slice.setPatternGroup(0, false);  // a, b, e: strokes 2, 4, 3
  EXPECT_EQ(slice.strokesMask(), 0b11100u);
  EXPECT_EQ(std::pair(slice.strokesMin(), slice.strokesMax()), std::pair(2, 4));

  struct Step {
    const char* from;
    bool forward;
    int steps;
    const char* to;
  };
  for (const Step& s : {Step{kA, true, 1, kB}, {kB, true, 1, kE}, {kE, true, 1, kA}, {kA, false, 1, kE},
                        {kA, true, 2, kE}, {kA, true, 3, kA}, {"", true, 1, kA}, {"", false, 1, kE}}) {
    slice.setPattern(kKick, s.from, false);
    s.forward ? slice.nextPattern(false, s.steps, false) : slice.previousPattern(false, s.steps, false);
    EXPECT_EQ(slice.file(), s.to) << s.from << (s.forward ? " +" : " -") << s.steps;
  }

  // With the rules on, candidates are tried in turn until one is accepted.
  std::vector<std::string> tried;
  lib.engine.rules = [&](Looper& l) {
    tried.push_back(l.file());
    return l.file() == kE;
  };
  slice.setPattern(kKick, kA, false);
  slice.nextPattern(true, 1, true);
  EXPECT_EQ(slice.file(), kE);
  EXPECT_EQ(tried, (std::vector<std::string>{kB, kE}));

  // Nothing eligible: the slice stays where it is.
  slice.setStrokesMin(30, false);
  EXPECT_EQ(slice.strokesMax(), 30);  // raised along
  slice.nextPattern(false, 1, false);
  EXPECT_EQ(slice.file(), kE);

  // Two eligible patterns: a draw below half moves to the other, one above stays; avoiding the
  // current file always moves.
  slice.setStrokesMin(2, false);
  slice.setStrokesMax(3, false);  // a and e
  auto seedFor = [](bool low) {
    for (std::uint32_t seed = 1;; ++seed) {
      crtSrand(seed);
      if ((crtRand() < 16384) == low) return seed;
    }
  };
  for (const auto& [seed, avoid, expected] : {std::tuple{seedFor(true), false, kE}, {seedFor(false), false, kA},
                                              {seedFor(false), true, kE}}) {
    slice.setPattern(kKick, kA, false);
    crtSrand(seed);
    const std::string current = slice.file();
    slice.randomPattern(avoid ? &current : nullptr);
    EXPECT_EQ(slice.file(), expected) << seed << (avoid ? " avoiding" : "");
  }
  slice.setStrokesMax(2, false);  // only a: nothing to draw
  slice.randomPattern(nullptr);
  EXPECT_EQ(slice.file(), kE);

  // A pattern outside the limits is replaced, and the slice is composed.
  slice.setPattern(kKick, kD, false);
  slice.setPatternGroup(1, true);
  EXPECT_EQ(slice.file(), kE);
  EXPECT_EQ(lib.engine.composes, 1);
  EXPECT_EQ(std::pair(slice.strokesMin(), slice.strokesMax()), std::pair(2, 6));
  slice.setStrokesMax(3, false);
  slice.resetParameters();
  EXPECT_EQ(std::pair(slice.strokesMin(), slice.strokesMax()), std::pair(2, 6));

  // Only damaged patterns eligible: the draws end, the slice keeps its pattern or its lack of one.
  slice.setPattern(kKick, kA, false), slice.setStrokesMin(40, false);
  const std::string a = kA, none;
  EXPECT_TRUE(!slice.randomPattern(&a) && slice.file() == kA);
  slice.clearPattern();
  EXPECT_FALSE(slice.randomPattern(&none));
}

TEST(Looper, AsksBeforeDiscardingEdits) {
  using platform::PromptAnswer;
  struct Case {
    bool panel;
    PromptAnswer answer;
    bool consent;
    int savesAs;
    bool saveSucceeds = true;  // Yes with a save that wrote nothing keeps the edits
  };
  for (const Case& c : {Case{true, PromptAnswer::kYes, true, 1}, {true, PromptAnswer::kYes, false, 1, false},
                        {true, PromptAnswer::kNo, true, 0}, {true, PromptAnswer::kCancel, false, 0},
                        {false, PromptAnswer::kCancel, true, 0}}) {
    KickLibrary lib;
    lib.engine.saveSucceeds = c.saveSucceeds;
    platform::ScriptedPrompt prompt{c.answer};
    if (c.panel) lib.engine.prompt = &prompt;
    lib.slice.editTrack([](CMidiTrack& t) { return t.Insert(note(120, 36, 77)); });
    lib.slice.markEdited();
    EXPECT_TRUE(lib.slice.ownEvents() && lib.slice.idrcOff());
    lib.slice.setIdrcOff(false);

    EXPECT_EQ(lib.slice.setPattern(kKick, kB, false), c.consent);
    EXPECT_EQ(lib.slice.file(), c.consent ? kB : kA);
    EXPECT_EQ(lib.slice.edited(), !c.consent);
    EXPECT_EQ(lib.slice.idrcOff(), !c.consent);
    EXPECT_EQ(lib.engine.savesAs, c.savesAs);
    if (c.panel) {
      ASSERT_EQ(prompt.asked().size(), 1u);
      EXPECT_EQ(prompt.asked()[0].text, "Save edits to loop?");
      EXPECT_EQ(prompt.asked()[0].title, "Tamborak");
      EXPECT_EQ(prompt.asked()[0].buttons, platform::PromptButtons::kYesNoCancel);
      EXPECT_EQ(prompt.asked()[0].icon, platform::PromptIcon::kExclamation);
    }
  }
}

TEST(Looper, RecordsRoundTripAndRejectDamage) {
  KickLibrary lib;
  Looper& slice = lib.slice;
  slice.setPattern(kKick, kB, false);
  slice.setParameter(Looper::kVelocityAdjust, -20);
  slice.setParameter(Looper::kDynamicsStrength, 40);
  slice.setParameter(Looper::kTimeOffset, -30);
  slice.setParameter(Looper::kNoteOffset, 5);
  slice.setInstrument(36 * 128 + 41);
  slice.setMute(true, false);
  slice.editTrack([](CMidiTrack& t) { return t.Insert(note(360, 37, 70)); });
  slice.markEdited();
  const std::string bytes = saved(slice);

  StubEngine& engine = lib.engine;
  Looper copy(engine);
  ASSERT_TRUE(loadFrom(copy, bytes));
  EXPECT_EQ(saved(copy), bytes);
  EXPECT_EQ(copy.track().eventCount(), 3u);
  EXPECT_EQ(copy.track().KeyAt(0), 36);
  EXPECT_EQ(copy.file(), kB);
  EXPECT_EQ(copy.signature().hitMask, 0x8888u);
  EXPECT_EQ(std::pair(copy.strokesMin(), copy.strokesMax()), std::pair(2, 8));
  EXPECT_EQ(copy.drumMap().note(36), 41);

  // A record cut anywhere, or with a text longer than it can be, changes nothing.
  for (std::size_t size = 0; size < bytes.size(); ++size)
    ASSERT_FALSE(loadFrom(copy, bytes.substr(0, size))) << size;
  std::string huge = bytes;
  huge[4] = huge[5] = huge[6] = huge[7] = '\xFF';
  EXPECT_FALSE(loadFrom(copy, huge));
  EXPECT_EQ(saved(copy), bytes);

  // Records of every version built from bytes; older ones leave what they do not hold as it was.
  struct Old {
    std::int32_t version;
    bool map;
    std::int32_t timeOffset, strength, fixedNote;
  };
  for (const Old& o : {Old{1, false, -30, 40, 54}, {2, false, -30, 40, 54}, {3, true, -30, 40, 54}, {4, true, 11, 22, 54},
                       {5, true, 11, 22, 99}, {6, true, 11, 22, 99}}) {
    std::string old;
    CUniString s(old);
    using namespace record;
    putI32(s, o.version);
    putText(s, kKick);
    putText(s, kE);
    putI32(s, 0);
    putI32(s, 1000);  // clamped
    putI32(s, -3);
    if (o.version >= 2) putI32(s, 7), putI32(s, 7), putI32(s, 7);
    if (o.version >= 3) {
      putI32(s, 0);
      DrumMap map;
      map.setNote(36, 30);
      map.save(s);
    }
    if (o.version >= 4) putI32(s, 11), putI32(s, 22);
    if (o.version >= 5) putU8(s, 99);
    if (o.version >= 6) putU32(s, 2);  // edited, without events of its own
    Looper target(engine);
    ASSERT_TRUE(loadFrom(target, bytes));
    ASSERT_TRUE(loadFrom(target, old)) << o.version;
    EXPECT_EQ(target.file(), kE) << o.version;
    EXPECT_FALSE(target.muted() || target.ownEvents()) << o.version;
    EXPECT_EQ(target.edited(), o.version == 6);
    EXPECT_EQ(target.track().KeyAt(0), 35) << o.version;
    EXPECT_EQ((std::array{target.getParameter(0), target.getParameter(3)}), (std::array{127, -3})) << o.version;
    EXPECT_EQ(target.drumMap().note(36), o.map ? 30 : 41) << o.version;
    EXPECT_EQ((std::array{target.getParameter(2), target.getParameter(1), int{target.fixedNote()}}),
              (std::array{o.timeOffset, o.strength, o.fixedNote}))
        << o.version;
  }

  // A folder that left the library: no library pattern, own events still restored.
  Looper moved(engine);
  moved.setFolder("Vol\\2.Snare\\");
  std::string gone = bytes;
  gone.replace(8, 16, "Old\\1.Kick\\Kick\\");
  ASSERT_TRUE(loadFrom(moved, gone));
  EXPECT_EQ(moved.folder(), "Vol\\2.Snare\\Snare\\");
  EXPECT_EQ(moved.file(), "");
  EXPECT_EQ(moved.track().eventCount(), 3u);

  // The composing record.
  std::string idrc;
  CUniString is(idrc);
  slice.setIdrcOff(true);
  slice.setStrokesMax(7, false);
  slice.setStrokesMin(3, false);
  slice.saveIdrc(is);
  ASSERT_EQ(idrc.size(), 13u);
  Looper other(engine);
  CUniMemoryReader shortRecord(idrc.data(), 12), ir(idrc.data(), 13);
  EXPECT_FALSE(other.loadIdrc(shortRecord));
  ASSERT_TRUE(other.loadIdrc(ir));
  EXPECT_EQ((std::tuple(other.idrcOff(), other.strokesMax(), other.strokesMin())), std::tuple(true, 7, 3));
}

// The library is read with no slice lock held: while the loader waits for the library, the
// render pass still plays the old pattern.
TEST(Looper, ReadsPatternsOutsideItsLock) {
  KickLibrary lib;
  MeterContext context(4, 2);
  std::unique_lock tree(lib.engine.tree.lock());
  std::thread loader([&] { lib.slice.setPattern(kKick, kB, false); });
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  auto rendered = std::async(std::launch::async, [&] { lib.slice.render(0, 1919, context); });
  const bool free = rendered.wait_for(std::chrono::seconds(5)) == std::future_status::ready;
  tree.unlock();
  loader.join();
  rendered.wait();
  ASSERT_TRUE(free) << "render waited for the pattern load";
  EXPECT_EQ(context.events.size(), 4u);  // a: four quarters
  context.events.clear();
  lib.slice.render(0, 1919, context);
  EXPECT_EQ(context.events.size(), 2u);  // b
}
