#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <new>
#include <optional>
#include <tuple>

#include "loops/Phrase.h"
#include "loops/StrokeTiming.h"
#include "platform/CrtRand.h"
#include "tests/loops/LooperFixture.h"

#include "tests/AllocationCount.h"

using namespace velmora;
using test::MeterContext;
using test::note;
using test::StubEngine;

namespace {

// A slice holding `events` (pattern resolution `division`) without a library.
void give(Looper& slice, const std::vector<MidiEvent>& events, std::uint32_t division = 240) {
  slice.editTrack([&](CMidiTrack& track) {
    track.setDivision(division);
    for (const MidiEvent& e : events) track.Insert(e);
  });
  slice.updateVelocityStats();
  slice.rebuildCurve();
}

// One bar of 4/4 at 240 ticks per quarter: strokes on the quarters and on two off-beats.
const std::vector<MidiEvent> kBar = {note(0, 36, 100), note(120, 42, 60), note(240, 38, 110), note(400, 42, 80),
                                     note(480, 36, 90), note(720, 38, 100, 240)};

std::vector<std::tuple<std::int32_t, int, int, std::uint32_t>> summary(const std::vector<MidiEvent>& events) {
  std::vector<std::tuple<std::int32_t, int, int, std::uint32_t>> out;
  for (const MidiEvent& e : events) out.emplace_back(e.time, e.data1, e.data2, e.duration);
  return out;
}

}  // namespace

TEST(StrokeTiming, SwingQuantizeAndHumanizeFollowTheGrid) {
  struct Swing {
    std::int32_t time;
    std::uint32_t duration;
    std::int32_t step, percent, expectedTime;
    std::uint32_t expectedDuration;
  };
  for (const Swing& c : {Swing{120, 60, 120, 100, 180, 30}, {240, 60, 120, 100, 240, 90}, {0, 240, 120, 100, 0, 240},
                         {60, 0, 120, 50, 75, 0}, {130, 20, 120, 0, 130, 20}, {130, 20, 0, 100, 130, 20}}) {
    MidiEvent e = note(c.time, 36, 100, c.duration);
    swing(e, c.step, c.percent);
    EXPECT_EQ(e.time, c.expectedTime) << c.time << " step " << c.step << " at " << c.percent;
    EXPECT_EQ(e.duration, c.expectedDuration) << c.time << " step " << c.step << " at " << c.percent;
  }
  for (const auto& [t, step, expected] : {std::tuple{95, 120, 120}, {29, 120, 0}, {89, 120, 0}, {90, 120, 120}, {209, 120, 120},
                                          {210, 120, 240}, {100, 0, 100}})
    EXPECT_EQ(quantizeTime(t, step), expected) << t << " on " << step;

  for (const auto& [velocity, spread, trend, low, high] :
       {std::tuple{64, 0, 0, 64, 64}, {64, 10, 10, 64, 74}, {64, 10, 20, 74, 74}, {64, 10, -10, 54, 64},
        {64, 10, 0, 54, 74}, {125, 10, 0, 115, 127}, {3, 10, 0, 1, 13}}) {
    crtSrand(7);
    int lowest = 1000, highest = -1000;
    for (int i = 0; i < 3000; ++i) {
      const int v = humanize(velocity, spread, trend);
      lowest = std::min(lowest, v), highest = std::max(highest, v);
    }
    EXPECT_EQ(std::pair(lowest, highest), std::pair(low, high)) << spread << " trend " << trend;
  }
}

TEST(LooperRender, CyclesAreWholeBarsOfTheSongMeter) {
  StubEngine engine;
  Looper slice(engine);
  give(slice, kBar);  // ends at pattern tick 960: one bar of 4/4
  struct Case {
    std::int32_t numerator, power, cycle;
    std::vector<std::pair<std::int32_t, std::int32_t>> starts;  // t, cycleStartOf(t)
    std::vector<std::pair<std::int32_t, std::int32_t>> next;    // t, nextCycleStart(t)
  };
  const Case cases[] = {
      {4, 2, 1920, {{0, 0}, {1919, 0}, {1920, 1920}, {5000, 3840}, {-1, -1920}, {-1920, -1920}, {-1921, -3840}},
       {{0, 1920}, {100, 3840}, {-1920, 0}}},
      {3, 2, 2880, {{2879, 0}, {2880, 2880}, {-5, -2880}}, {{1440, 4320}, {0, 2880}}},
      {7, 3, 3360, {{3359, 0}, {7000, 6720}, {-3360, -3360}}, {{0, 3360}, {1680, 5040}, {100, 5040}}},
  };
  for (const Case& c : cases) {
    MeterContext context(c.numerator, c.power);
    EXPECT_EQ(slice.cycleLength(context), c.cycle) << c.numerator << "/" << (1 << c.power);
    for (const auto& [t, start] : c.starts) EXPECT_EQ(slice.cycleStartOf(t, context), start) << c.numerator << " at " << t;
    for (const auto& [t, next] : c.next) EXPECT_EQ(slice.nextCycleStart(t, context), next) << c.numerator << " at " << t;
  }
}

TEST(LooperRender, ContiguousWindowsMatchOneWindowAndJumpsReanchor) {
  StubEngine engine;
  engine.quantize = true;
  engine.swingPc = 60;
  engine.swingDivision = 4;
  auto make = [&] {
    auto slice = std::make_unique<Looper>(engine);
    give(*slice, kBar);
    slice->setParameter(Looper::kTimeOffset, 100);
    return slice;
  };
  const std::int32_t end = 4 * 1920 - 1;
  MeterContext whole(4, 2);
  make()->render(0, end, whole);
  ASSERT_EQ(whole.events.size(), 4 * kBar.size());

  for (const std::int32_t size : {1, 7, 97, 500, 1920, 3000}) {
    const auto slice = make();
    MeterContext pieces(4, 2);
    for (std::int32_t from = 0; from <= end; from += size) slice->render(from, std::min(from + size - 1, end), pieces);
    EXPECT_EQ(summary(pieces.events), summary(whole.events)) << "windows of " << size;
    // Following windows resume where the last one stopped: the meter is asked only to anchor
    // the first one and twice for each of five new cycles (the time offset anchors the first
    // window in the cycle before tick 0).
    EXPECT_EQ(pieces.conversions, 1 + 2 * 5) << "windows of " << size;
  }

  // A window elsewhere, and one back at the start, give what a fresh slice gives there.
  const auto slice = make();
  MeterContext played(4, 2);
  slice->render(0, 2999, played);
  for (const auto& [from, to] : {std::pair{10000, 12999}, {0, 2999}, {500, 900}}) {
    MeterContext jumped(4, 2), fresh(4, 2);
    slice->render(from, to, jumped);
    make()->render(from, to, fresh);
    EXPECT_EQ(summary(jumped.events), summary(fresh.events)) << from;
    EXPECT_FALSE(fresh.events.empty()) << from;
  }
}

TEST(LooperRender, WindowsBeforeTheNextStrokeDrawAndFollowSettings) {
  // Each window places the stroke it stops before, drawing its humanize number: 20 windows of
  // 97 ticks over a bar of six strokes draw 26.
  StubEngine engine;
  engine.humanizeVelo = 20;
  Looper slice(engine);
  give(slice, kBar);
  MeterContext context(4, 2);
  crtSrand(5);
  for (std::int32_t from = 0; from < 1920; from += 97) slice.render(from, std::min(from + 96, 1919), context);
  const int next = crtRand();
  crtSrand(5);
  for (int i = 0; i < 26; ++i) crtRand();
  EXPECT_EQ(next, crtRand());
  // A setting changed between windows places the waiting stroke again: quantized or unswung to 120.
  for (const int swing : {0, 100}) {
    engine.quantize = false, engine.swingPc = swing;
    Looper s(engine);
    give(s, {note(swing ? 60 : 65, 36, 100)});
    MeterContext c(4, 2);
    s.render(0, 99, c);
    engine.quantize = swing == 0, engine.swingPc = 0;
    s.render(100, 125, c);
    EXPECT_TRUE(c.events.size() == 1 && c.events[0].time == 120) << swing;
  }
}

TEST(LooperRender, TransformPlacesMapsAndShapesEachStroke) {
  struct Case {
    const char* what;
    std::function<void(StubEngine&, Looper&)> setUp;
    std::int32_t time;
    int key, velocity;
    std::uint32_t duration;
  };
  // Pattern: key 36 at pattern tick 240 (velocity 60) and tick 480 (velocity 110), 240 ticks per
  // quarter; the context runs at 960, so pattern ticks count four times.
  const Case cases[] = {
      {"plain", [](StubEngine&, Looper&) {}, 960, 36, 60, 240},
      {"time offset at 480 per quarter", [](StubEngine&, Looper& s) { s.setParameter(Looper::kTimeOffset, 120); },
       1200, 36, 60, 240},
      {"engine map, slice map, note offset",
       [](StubEngine& e, Looper& s) {
         e.map.setNote(36, 38);
         s.setInstrument(38 * 128 + 40);
         s.setParameter(Looper::kNoteOffset, 3);
       },
       960, 43, 60, 240},
      {"fixed note clamped", [](StubEngine&, Looper& s) { s.setFixedNote(54), s.setParameter(Looper::kNoteOffset, -100); },
       960, 0, 60, 240},
      {"note offset clamped", [](StubEngine&, Looper& s) { s.setParameter(Looper::kNoteOffset, 127); }, 960, 127, 60, 240},
      {"quantize and swing on a step of 480",
       [](StubEngine& e, Looper&) { e.quantize = true, e.swingPc = 100, e.swingDivision = 2; }, 960, 36, 60, 360},
      {"flattening dynamics", [](StubEngine& e, Looper& s) { e.veloDyn = -100, s.rebuildCurve(); }, 960, 36, 85, 240},
      {"half of the dynamics", [](StubEngine& e, Looper& s) { e.veloDyn = -100, s.setParameter(Looper::kDynamicsStrength, 50); },
       960, 36, 72, 240},
      {"raw and unmapped",
       [](StubEngine& e, Looper& s) {
         e.map.setNote(36, 38), e.swingPc = 100;
         s.setParameter(Looper::kTimeOffset, 120);
         s.setRenderFlags({true, true, true});
       },
       960, 36, 60, 240},
  };
  for (const Case& c : cases) {
    StubEngine engine;
    Looper slice(engine);
    give(slice, {note(240, 36, 60), note(480, 36, 110)});
    c.setUp(engine, slice);
    MeterContext context(4, 2, 960);
    slice.render(0, 1919, context);
    ASSERT_FALSE(context.events.empty()) << c.what;
    const MidiEvent& e = context.events.front();
    EXPECT_EQ(std::tuple(e.time, int{e.data1}, int{e.data2}, e.duration), std::tuple(c.time, c.key, c.velocity, c.duration))
        << c.what;
  }
}

TEST(LooperRender, PlaysOnlyWhatItMayWithoutAllocating) {
  StubEngine engine;
  engine.humanizeVelo = 20;
  engine.swingPc = 30;
  engine.quantize = true;
  Looper slice(engine);
  MidiEvent controller = note(0, 7, 100);
  controller.type = kEventController;
  MidiEvent touch = note(480, 36, 40);
  touch.type = kEventChannelAftertouch;
  give(slice, {controller, note(0, 36, 100), touch, note(720, 38, 90)});

  MeterContext context(4, 2);
  allocations = 0;
  for (std::int32_t from = 0; from < 100 * 1920; from += 1000) slice.render(from, from + 999, context);
  slice.render(50, 70000, context);  // a jump back re-anchors
  EXPECT_EQ(allocations, 0u);
  MeterContext end(4, 2);
  slice.render(INT32_MAX - 5000, INT32_MAX, end);  // the last window of song time ends
  EXPECT_EQ(end.events.size(), 9u);
  // Notes and aftertouch, never controllers: 100 whole cycles, then 37 cycles from tick 50 to
  // the first stroke of the 37th.
  EXPECT_EQ(context.events.size(), 100u * 3 + 37 * 3 - 3);
  EXPECT_TRUE(std::none_of(context.events.begin(), context.events.end(),
                           [](const MidiEvent& e) { return e.type == kEventController; }));

  context.events.clear();
  slice.setMute(true, false);
  slice.render(0, 19999, context);
  EXPECT_TRUE(context.events.empty());
  slice.setPlayAnyway();
  slice.render(0, 1919, context);
  EXPECT_EQ(context.events.size(), 3u);

  // A list of controllers only ends its pass without emitting anything.
  Looper quiet(engine);
  give(quiet, {controller, controller});
  quiet.editTrack([](CMidiTrack& t) { t.Insert(note(0, 1, 1))->type = kEventPitchWheel; });  // ends at tick 60
  context.events.clear();
  quiet.render(0, 100000, context);
  EXPECT_TRUE(context.events.empty());
}

// Where phrases cut a window: groove, fill and crash pieces, bar by bar in the song's meter,
// phrases counted from the song's first bar.
TEST(Phrases, CutWindowsAtTheFillsOfEachPhrase) {
  struct Pieces final : PhraseParts {
    std::string log;
    // Appended piece by piece: g++ 12 at -O3 sees an overlapping copy in "x" + std::string.
    void add(char kind, std::int32_t from, std::optional<std::int32_t> to = {}) {
      if (!log.empty()) log += ' ';
      log += kind;
      log += std::to_string(from);
      if (to) {
        log += '-';
        log += std::to_string(*to);
      }
    }
    void renderGroove(std::int32_t from, std::int32_t to) override { add('g', from, to); }
    void renderFill(std::int32_t from, std::int32_t to) override { add('f', from, to); }
    void crash(std::int32_t at) override { add('c', at); }
  };
  struct Case {
    std::int32_t numerator;
    PhraseSettings phrase;
    FillCue fill;
    std::int32_t from, to;
    const char* pieces;
  };
  const Case cases[] = {
      // Two-beat fills every second bar of 4/4 (a bar is 1920): a window starting inside a fill
      // plays the rest of it; the crash comes on the downbeat after each fill only.
      {4, {2, FillLength::kTwoBeats, true}, {true, 0, 0}, 3000, 8000,
       "f3000-3839 c3840 g3840-5759 g5760-6719 f6720-7679 c7680 g7680-8000"},
      // A live fill with phrases off takes its bar whole; without a fill that plays, all is groove.
      {4, {0, FillLength::kBar, true}, {true, 0, 3}, 0, 7000, "g0-1919 g1920-3839 f3840-5759 c5760 g5760-7000"},
      {4, {2, FillLength::kBar, true}, {false, 0, 3}, 0, 7000, "g0-7000"},
      // A fill whose figure starts on beat 3 leaves the groove playing until then.
      {4, {2, FillLength::kBar, false}, {true, 2, 0}, 0, 3839, "g0-1919 g1920-2879 f2880-3839"},
      // A one-beat fill in 3/4 takes the bar's last beat; before the song's start no phrase runs.
      {3, {2, FillLength::kOneBeat, false}, {true, 0, 0}, -100, 3000, "g-100--1 g0-1439 g1440-2399 f2400-2879 g2880-3000"},
  };
  for (const Case& c : cases) {
    test::MeterContext context(c.numerator, 2);
    Pieces pieces;
    playPhrases(c.phrase, c.fill, context, c.from, c.to, pieces);
    EXPECT_EQ(pieces.log, c.pieces) << c.numerator << " " << c.phrase.bars;
  }
  // A plan holds the pieces of two bars at least; a longer window is left to each part.
  test::MeterContext context(4, 2);
  PhrasePlan plan;
  for (const auto& [bars, overflows] : {std::pair(2, false), std::pair(9, true)}) {
    plan.cut({2, FillLength::kOneBeat, true}, {true, 0, 1}, context, 1919, 1919 + bars * 1920);
    EXPECT_EQ(plan.overflowed(), overflows) << bars;
  }
}
