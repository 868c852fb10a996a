// Off-line rendering into MIDI files: the collectors' time base and ordering, and the engine's
// export of a real loop read back with our own reader (the program's tests read it with mido).
#include <gtest/gtest.h>

#include <limits>
#include <map>

#include "engine/OfflineProcess.h"
#include "midi/SmfImage.h"
#include "midi/SmfParser.h"
#include "tests/engine/EngineFixture.h"

using namespace velmora;
using namespace velmora::sim;

namespace {

using Message = std::tuple<std::int64_t, int, int, int>;  // absolute time, status, data 1, data 2
using Notes = std::vector<std::tuple<std::int64_t, int, std::int64_t>>;  // on time, key, off time

struct FileTrack {
  std::string name;
  std::vector<Message> messages;
  bool ended = false;
  std::uint32_t tempo = 0;  // microseconds per quarter
  int numerator = 0, power = 0;
};

// Format, track count, division and the tracks of a file, read with our own reader.
std::tuple<int, int, int, std::vector<FileTrack>> readBack(const std::string& bytes) {
  CUniMemoryReader stream(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
  smf::SmfImage image;
  EXPECT_EQ(smf::readImage(image, stream), smf::kOk);
  std::vector<FileTrack> tracks;
  for (const smf::SmfChunk* chunk = image.chunks; chunk; chunk = chunk->next) {
    FileTrack& track = tracks.emplace_back();
    smf::SmfParser parser(chunk->data, chunk->length);
    smf::SmfMessage m;
    std::int64_t time = 0;
    for (smf::SmfStep step; (step = parser.next(m)) != smf::SmfStep::kEnd;) {
      EXPECT_FALSE(track.ended) << "a message after the end of track";
      time += m.delta;
      track.ended = step == smf::SmfStep::kEndOfTrack;
      if (m.status != 0xFF) track.messages.emplace_back(time, m.status, m.data1, m.data2);
      if (m.status == 0xFF && m.data1 == 0x03) track.name.assign(reinterpret_cast<const char*>(m.meta), m.metaLength);
      if (m.status == 0xFF && m.data1 == 0x51) track.tempo = (m.meta[0] << 16) | (m.meta[1] << 8) | m.meta[2];
      if (m.status == 0xFF && m.data1 == 0x58) std::tie(track.numerator, track.power) = std::tuple(m.meta[0], m.meta[1]);
    }
  }
  return {image.format, image.trackCount, image.division, tracks};
}

// Each note-off closes the earliest open note of its key; every note must close.
Notes pairedNotes(const FileTrack& track) {
  std::map<int, std::vector<std::int64_t>> open;
  Notes out;
  for (const auto& [time, status, key, velocity] : track.messages) {
    if ((status & 0xF0) == 0x90) {
      open[key].push_back(time);
    } else if ((status & 0xF0) == 0x80 && !open[key].empty()) {
      out.emplace_back(open[key].front(), key, time);
      open[key].erase(open[key].begin());
    } else if ((status & 0xF0) == 0x80) {
      ADD_FAILURE() << "note-off without a note at " << time;
    }
  }
  for (const auto& [key, times] : open) EXPECT_TRUE(times.empty()) << "a note of key " << key << " never ends";
  std::sort(out.begin(), out.end());
  return out;
}

std::string exported(OfflineProcess& process) {
  std::string bytes;
  CUniString stream(bytes);
  EXPECT_EQ(process.write(stream), 0);
  return bytes;
}

TEST(OfflineProcessTest, SetsUpItsTimeBaseAndCountsPositionsInIt) {
  struct Case {
    ExportTimeBase base;
    std::int32_t division, ticksPerBeat, numerator, power, tempo;
  };
  for (const Case& c : {Case{{9000, 480, 6, 3}, 480, 240, 6, 3, 9000}, Case{{12000, 481, 6, 3}, 482, 241, 6, 3, 12000},
                        Case{{12000, 481, 7, 4}, 484, 121, 7, 4, 12000}, Case{{12000, 480, 3, 1}, 480, 960, 3, 1, 12000},
                        // What a file cannot carry: defaults, or the largest division of whole beats.
                        Case{{0, 0, 0, 40}, 480, 480, 4, 2, 12000}, Case{{-5, -7, 256, -1}, 480, 480, 4, 2, 12000},
                        Case{{12000, 40000, 6, 3}, 32766, 16383, 6, 3, 12000}}) {
    SingleTrackProcess process(nullptr, 0, c.base);
    EXPECT_EQ(std::tuple(process.ticksPerQuarter, process.ticksPerBeat(), process.numerator(),
                         process.denominatorPower(), process.tempo()),
              std::tuple(c.division, c.ticksPerBeat, c.numerator, c.power, c.tempo))
        << c.base.ticksPerQuarter << " " << c.base.numerator << "/" << c.base.denominatorPower;
    const auto [format, count, division, tracks] = readBack(exported(process));
    EXPECT_EQ(std::tuple(format, count, division, tracks.at(0).numerator, tracks.at(0).power, tracks.at(0).tempo),
              std::tuple(1, 2, c.division, c.numerator, c.power, static_cast<std::uint32_t>(6000000000LL / c.tempo)));
  }

  // Positions in 4/4 at 240 ticks per beat, and alignment to beats and bars.
  SingleTrackProcess process(nullptr, 0, ExportTimeBase{12000, 240, 4, 2});
  for (const auto& [ticks, measure, beat, tick] : {std::tuple(0, 1, 1, 0), std::tuple(239, 1, 1, 239),
                                                   std::tuple(1000, 2, 1, 40), std::tuple(3605, 4, 4, 5)}) {
    std::int32_t m = 0, b = 0, t = 0;
    process.ticksToMbt(ticks, m, b, t);
    EXPECT_EQ(std::tuple(m, b, t, process.mbtToTicks(m, b, t)), std::tuple(measure, beat, tick, ticks));
  }
  EXPECT_EQ(std::tuple(process.align(1000, 1), process.align(960, 1), process.align(1700, 3)),
            std::tuple(1920, 960, 2400));
}

TEST(OfflineProcessTest, CollectsMessagesInTimeOrderWithTheirNoteOffs) {
  SingleTrackProcess process(nullptr, 0, ExportTimeBase{});
  process.process(0, 0, 959);  // no slices; the one track stays current
  MidiEvent program, wheel, unknown;
  program.type = kEventProgramChange;
  program.data1 = 9;
  wheel.type = kEventPitchWheel;
  wheel.time = 300;
  wheel.channel = 2;
  wheel.setWheelValue(-8192);
  unknown.type = 7;
  for (const MidiEvent& e : {noteEvent(120, 9, 36, 90, 120), noteEvent(0, 9, 36, 100, 120), program, wheel, unknown,
                             noteEvent(400, 1, 40, 70, 0), noteEvent(500, 1, 41, 60, kOpenDuration)})
    process.emit(e);
  const FileTrack track = std::get<3>(readBack(exported(process))).at(1);
  EXPECT_EQ(track.messages, (std::vector<Message>{{0, 0x99, 36, 100}, {0, 0xC0, 9, 0}, {120, 0x89, 36, 100},
                                                  {120, 0x99, 36, 90}, {240, 0x89, 36, 90}, {300, 0xE2, 0, 0},
                                                  {400, 0x91, 40, 70}, {400, 0x81, 40, 70}, {500, 0x91, 41, 60},
                                                  {960, 0x81, 41, 60}}));
  EXPECT_TRUE(track.ended && track.name.empty());
}

using ExportTest = test::EngineTest;

TEST_F(ExportTest, WritesTheLoopThatPlaybackPlaysForAnyLength) {
  ComRef<IMfxEventFilter> face = makeEngine();
  Tamborak& e = engineOf(face);
  fillLoop(e);
  e.getSlice(2)->setMutedSilently(true);
  ComRef<HostContext> host = create<HostContext>(Song(480).meter(1, 6, 8).tempo(0, 9000));
  ASSERT_EQ(connect((*MfxFilter::of(e)), *host), S_OK);
  e.setExportBars(3);
  std::string single, multi;
  CUniString singleStream(single), multiStream(multi);
  ASSERT_TRUE(e.exportLoop(singleStream));
  e.setExportOption(1);
  ASSERT_TRUE(e.exportLoop(multiStream));

  // Playback afterwards, undisturbed by the exports, plays what they hold: 3 bars of 6/8.
  Notes played;
  for (const test::Note& n : test::sortedNotes(Transport::play((*MfxFilter::of(e)), 0, 3 * 1440 - 1, 480)))
    played.emplace_back(std::get<0>(n), std::get<1>(n), std::int64_t{std::get<0>(n)} + std::get<2>(n));
  std::sort(played.begin(), played.end());
  ASSERT_FALSE(played.empty());
  const auto [format, count, division, tracks] = readBack(single);
  ASSERT_EQ(std::tuple(format, count, division, tracks.size()), std::tuple(1, 2, 480, 2u));
  EXPECT_EQ(std::tuple(tracks[0].tempo, tracks[0].numerator, tracks[0].power, tracks[0].messages.size()),
            std::tuple(666666u, 6, 3, 0u));
  EXPECT_EQ(pairedNotes(tracks[1]), played);

  const auto [format7, count7, division7, tracks7] = readBack(multi);
  ASSERT_EQ(std::tuple(count7, tracks7.size()), std::tuple(7, 7u));
  Notes merged;
  for (int i = 0; i < Tamborak::kSliceCount; ++i) {
    const FileTrack& track = tracks7[i + 1];
    EXPECT_EQ(track.name, e.getSlice(i)->exportTitle()) << i;
    EXPECT_TRUE(track.ended && track.name.find('\\') != std::string::npos) << i;
    EXPECT_EQ(track.messages.empty(), i == 2) << "only the muted slice is silent: " << i;
    const Notes notes = pairedNotes(track);
    merged.insert(merged.end(), notes.begin(), notes.end());
  }
  std::sort(merged.begin(), merged.end());
  EXPECT_EQ(merged, played);

  // A host resolution the file cannot carry: the loop keeps its bar count at the file's own.
  (*MfxFilter::of(e)).Disconnect();
  host = create<HostContext>(Song(40000));
  ASSERT_EQ(connect((*MfxFilter::of(e)), *host), S_OK);
  e.setExportBars(1);
  e.setExportOption(0);
  std::string fine;
  CUniString fineStream(fine);
  ASSERT_TRUE(e.exportLoop(fineStream));
  const auto [formatFine, countFine, divisionFine, tracksFine] = readBack(fine);
  EXPECT_EQ(divisionFine, 32767);
  ASSERT_FALSE(tracksFine.at(1).messages.empty());
  EXPECT_LT(std::get<0>(pairedNotes(tracksFine[1]).back()), 4 * 32767);
  (*MfxFilter::of(e)).Disconnect();

  // The export length stays in range: bars as stored (any value a state block brings), host
  // resolution and meter (0: no host), length.
  constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min(), kMax = std::numeric_limits<std::int32_t>::max();
  for (const auto& [bars, resolution, numerator, denominator, length] :
       {std::tuple(4, 0, 0, 0, 4 * 1920), std::tuple(kMax, 0, 0, 0, 9999 * 1920), std::tuple(kMin, 0, 0, 0, 1920),
        std::tuple(2, 480, 6, 8, 2 * 1440), std::tuple(kMax, 1 << 20, 255, 2, kMax), std::tuple(9999, 1 << 18, 255, 1, kMax)}) {
    host.reset();
    if (resolution) host = create<HostContext>(Song(resolution).meter(1, numerator, denominator));
    if (host) {
      ASSERT_EQ(connect((*MfxFilter::of(e)), *host), S_OK);
    }
    e.setExportBars(bars);
    EXPECT_EQ(std::tuple(e.exportLength(0), e.getExportBars()), std::tuple(length, bars)) << bars << " at " << resolution;
    if (host) (*MfxFilter::of(e)).Disconnect();
  }
}

}  // namespace
