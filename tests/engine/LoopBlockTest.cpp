#include <gtest/gtest.h>

#include <memory>
#include <tuple>

#include "engine/LoopBlock.h"
#include "tests/Golden.h"
#include "tests/loops/LooperFixture.h"

using namespace velmora;
using test::note;
using test::quarters;
using test::saved;

namespace {

constexpr char kKick[] = "16 Funk\\1.Kick\\Kick\\";
constexpr char kSnare[] = "16 Funk\\2.Snare\\Snare\\";
constexpr char kKickA[] = "1_2_1000000010000000_0#a.mid";
constexpr char kKickB[] = "2_4_1000100010001000_1#b.mid";
constexpr char kSnareA[] = "1_2_0000100000001000_0#s.mid";

// Six slices and a fill over a small library; what the block reader hands the engine is logged.
struct TestLoop : LoopBlockTarget {
  test::StubEngine engine;
  test::Library library{{{std::string(kKick) + kKickA, quarters(36)},
                         {std::string(kKick) + kKickB, quarters(35)},
                         {std::string(kSnare) + kSnareA, quarters(38)},
                         {std::string("16 Funk\\5.Fill\\Fill\\") + kSnareA, quarters(47)}},
                        engine};
  std::array<std::unique_ptr<Looper>, kLoopSlices + 1> owned;
  LoopSlices slices{};
  PhraseSettings phrase{8, FillLength::kBar, true};
  std::vector<std::string> log;

  TestLoop() {
    for (std::size_t i = 0; i < owned.size(); ++i) {
      owned[i] = std::make_unique<Looper>(engine);
      slices[i] = owned[i].get();
      slices[i]->setFolder(i % 2 ? kSnare : kKick);
    }
  }
  // Every slice's record and composing fields.
  std::vector<std::string> state() const {
    std::vector<std::string> all;
    for (const Looper* s : slices)
      all.push_back(saved(*s) + std::to_string(s->idrcOff()) + "/" + std::to_string(s->strokesMax()) + "/" +
                    std::to_string(s->strokesMin()));
    return all;
  }
  std::string block(bool withIdrc, std::int32_t group) const {
    std::string bytes;
    CUniString out(bytes);
    writeLoopBlock(out, slices, group, withIdrc, phrase);
    return bytes;
  }
  // Reads `bytes`; true when applied and read to the last byte.
  bool read(const std::string& bytes, bool withIdrc, std::uint32_t left = 0) {
    CUniMemoryReader in(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
    return readLoopBlock(in, slices, withIdrc, *this) && in.remaining() == left;
  }

  void takePatternGroup(std::int32_t group) override {
    log.push_back("group " + std::to_string(group) + " before " + slices[0]->file());
  }
  void takeVolume(const std::string& name) override { log.push_back("volume " + name + " after " + slices[0]->file()); }
  void takePhrase(const PhraseSettings& p) override {
    log.push_back("phrase " + std::to_string(p.bars) + "/" + std::to_string(int(p.fillLength)) + "/" +
                  std::to_string(p.crash) + " fill " + slices[kLoopFill]->file());
  }
};

// A loop whose slices and fill differ from fresh ones and from each other in every recorded field.
void compose(TestLoop& loop) {
  for (std::size_t i = 0; i < loop.slices.size(); ++i) {
    Looper& s = *loop.slices[i];
    const int n = static_cast<int>(i);
    s.setPattern(i % 2 ? kSnare : kKick, i % 2 ? kSnareA : (i % 4 ? kKickB : kKickA), false);
    s.setParameter(Looper::kVelocityAdjust, -10 * n - 1);
    s.setParameter(Looper::kDynamicsStrength, 90 - n);
    s.setParameter(Looper::kTimeOffset, 5 * n + 1);
    s.setParameter(Looper::kNoteOffset, n - 2);
    s.setInstrument(36 * 128 + 40 + n);
    s.setMute(i % 2 == 0, false);
    s.setIdrcOff(i == 3);
    s.setStrokesMin(1, false);
    s.setStrokesMax(3 + n, false);
  }
  loop.slices[2]->editTrack([](CMidiTrack& t) { return t.Insert(note(360, 37, 70)); });
  loop.slices[2]->markEdited();
}

}  // namespace

TEST(LoopBlock, RoundTripsIntoFreshSlices) {
  TestLoop source;
  compose(source);
  struct Case {
    bool withIdrc;
    std::int32_t group;
  };
  for (const Case c : {Case{false, 1}, Case{true, -3}}) {
    const std::string bytes = source.block(c.withIdrc, c.group);
    ASSERT_EQ(bytes.substr(0, 9), std::string("\x0C\0\0\0", 4) + char(c.group) + std::string("\x06\0\0\0", 4));
    if (c.withIdrc) {
      EXPECT_TRUE(test::matchesGolden(bytes, "engine/loop-block.bin"));
      // The block of the version before, which readers of that version stop after, is unchanged.
      const std::string old = test::readWholeFile(test::testDataPath("compat/loop-block-v11.bin"));
      EXPECT_EQ(bytes.substr(4, old.size() - 4), old.substr(4));
    }
    TestLoop target;
    ASSERT_TRUE(target.read(bytes, c.withIdrc)) << c.withIdrc;
    EXPECT_EQ(target.block(c.withIdrc, c.group), bytes);
    EXPECT_EQ(target.log, (std::vector<std::string>{"group " + std::to_string(c.group) + " before ",
                                                    std::string("volume 16 Funk after ") + kKickA,
                                                    std::string("phrase 8/2/1 fill ") + kKickB}));
    const auto expected = source.state(), got = target.state();
    for (std::size_t i = 0; i < target.slices.size(); ++i) {
      // Without IDRC records the composing fields are what loading left, not the source's.
      const std::size_t compared = c.withIdrc ? got[i].size() : saved(*target.slices[i]).size();
      EXPECT_EQ(got[i].substr(0, compared), expected[i].substr(0, compared)) << i << " " << c.withIdrc;
      EXPECT_EQ(target.slices[i]->track().eventCount(), source.slices[i]->track().eventCount()) << i;
    }
    EXPECT_EQ(target.slices[3]->idrcOff(), c.withIdrc);
  }
}

// A block of the version before reads with phrases off, its fill emptied into the volume's fill
// folder (the state tests read a whole old state block); phrase bytes out of range read as off.
TEST(LoopBlock, BlocksWithoutFillReadWithFillsOff) {
  TestLoop source, target;
  compose(source);
  compose(target);
  ASSERT_TRUE(target.read(test::readWholeFile(test::testDataPath("compat/loop-block-v11.bin")), true));
  EXPECT_EQ(std::tuple(target.log.back(), target.slices[kLoopFill]->folder()),
            std::tuple(std::string("phrase 0/0/0 fill "), std::string("16 Funk\\5.Fill\\Fill\\")));
  std::string odd = source.block(false, 0);
  const std::size_t tail = odd.size() - saved(*source.slices[kLoopFill]).size() - 3;
  odd[tail] = 3, odd[tail + 1] = 7;
  ASSERT_TRUE(target.read(odd, false));
  EXPECT_EQ(target.log.back(), std::string("phrase 0/0/1 fill ") + kKickB);
}

TEST(LoopBlock, OldShortOrDamagedBlocksChangeNothing) {
  TestLoop source, target;
  compose(source);
  for (const bool withIdrc : {false, true}) {
    const std::string good = source.block(withIdrc, 1);
    const auto before = target.state();
    std::vector<std::string> damaged;
    for (const std::uint32_t version : {10u, 0u})
      damaged.push_back(std::string(1, char(version)) + std::string(3, '\0') + good.substr(4));
    for (std::size_t size = 0; size < good.size(); ++size) damaged.push_back(good.substr(0, size));
    for (const std::string& bytes : damaged) {
      ASSERT_FALSE(target.read(bytes, withIdrc)) << bytes.size();
      ASSERT_EQ(target.state(), before) << bytes.size();
    }
    EXPECT_TRUE(target.log.empty());
  }
  // The version is compared unsigned: 0xFFFFFFFF is new.
  std::string future = source.block(false, 1);
  future.replace(0, 4, 4, '\xFF');
  EXPECT_TRUE(target.read(future, false));
}

TEST(LoopBlock, SliceCountsReadAtMostSixRecords) {
  TestLoop source;
  compose(source);
  const std::string one = saved(*source.slices[1]), idrc("\1\0\0\0\1\x09\0\0\0\2\0\0\0", 13);
  struct Case {
    std::int32_t count, idrcCount;
    std::size_t written, taken, idrcTaken;  // records written, and read by the slices
  };
  for (const Case c : {Case{7, 0, 7, 6, 0}, {2, 1, 2, 2, 1}, {-1, -1, 0, 0, 0}, {0x7FFFFFFF, 9, 6, 6, 6}}) {
    std::string slices, idrcs;
    for (std::size_t i = 0; i < c.written; ++i) slices += one, idrcs += idrc;
    const auto count = [](std::int32_t n) { return std::string{char(n), char(n >> 8), char(n >> 16), char(n >> 24)}; };
    const std::string head = count(11) + '\0' + count(c.count) + slices;
    for (const bool withIdrc : {false, true}) {
      if (withIdrc && c.written > 6) continue;  // the seventh record would be read as the count
      TestLoop target;
      const auto fresh = target.state();
      const std::size_t left = withIdrc ? (c.written - c.idrcTaken) * idrc.size() : (c.written - c.taken) * one.size();
      ASSERT_TRUE(target.read(withIdrc ? head + count(c.idrcCount) + idrcs : head, withIdrc, std::uint32_t(left)));
      const auto got = target.state();
      for (std::size_t i = 0; i < kLoopSlices; ++i) {
        EXPECT_EQ(i < c.taken ? saved(*target.slices[i]) : got[i], i < c.taken ? one : fresh[i]) << c.count << i;
        EXPECT_EQ(target.slices[i]->strokesMax() == 9, withIdrc && i < c.idrcTaken) << c.count << i;
      }
    }
  }
}
