// Off-line rendering into MIDI files: the collectors' time base and ordering, and the engine's
// export of a real loop read back with our own reader and, where the system has it, with mido.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <limits>
#include <map>
#include <set>
#include <sstream>

#include "host/OfflineProcess.h"
#include "midi/SmfImage.h"
#include "midi/SmfParser.h"
#include "tests/TempFolder.h"
#include "tests/engine/EngineFixture.h"

using namespace velmora;
using namespace velmora::sim;

namespace {

struct FileTrack {
  std::string name;
  std::vector<std::tuple<std::int64_t, int, int, int>> messages;  // absolute time, status, data 1, data 2
  std::vector<std::uint32_t> deltas;
  bool ended = false;
  std::uint32_t tempo = 0;  // microseconds per quarter
  int numerator = 0, power = 0;
};

struct FileContents {
  int format = 0, trackCount = 0, division = 0;
  std::vector<FileTrack> tracks;
};

FileContents readBack(const std::string& bytes) {
  FileContents out;
  CUniMemoryReader stream(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
  smf::SmfImage image;
  EXPECT_EQ(smf::readImage(image, stream), smf::kOk);
  EXPECT_EQ(stream.remaining(), 0u);
  out.format = image.format;
  out.trackCount = image.trackCount;
  out.division = image.division;
  for (const smf::SmfChunk* chunk = image.chunks; chunk; chunk = chunk->next) {
    FileTrack& track = out.tracks.emplace_back();
    smf::SmfParser parser(chunk->data, chunk->length);
    smf::SmfMessage m;
    std::int64_t time = 0;
    for (smf::SmfStep step; (step = parser.next(m)) != smf::SmfStep::kEnd;) {
      EXPECT_FALSE(track.ended) << "a message after the end of track";
      time += m.delta;
      if (step == smf::SmfStep::kEndOfTrack) {
        track.ended = true;
      } else if (m.status != 0xFF) {
        track.messages.emplace_back(time, m.status, m.data1, m.data2);
        track.deltas.push_back(m.delta);
      } else if (m.data1 == 0x03) {
        track.name.assign(reinterpret_cast<const char*>(m.meta), m.metaLength);
      } else if (m.data1 == 0x51 && m.metaLength == 3) {
        track.tempo = (m.meta[0] << 16) | (m.meta[1] << 8) | m.meta[2];
      } else if (m.data1 == 0x58 && m.metaLength == 4) {
        track.numerator = m.meta[0];
        track.power = m.meta[1];
      }
    }
    EXPECT_EQ(parser.position(), chunk->length);
  }
  return out;
}

// Notes of a track as (on time, key, off time), each note-off closing the earliest open note of
// its key.
std::vector<std::tuple<std::int64_t, int, std::int64_t>> pairedNotes(const FileTrack& track) {
  std::map<int, std::vector<std::int64_t>> open;
  std::vector<std::tuple<std::int64_t, int, std::int64_t>> out;
  for (const auto& [time, status, key, velocity] : track.messages) {
    if ((status & 0xF0) == 0x90 && velocity > 0) {
      open[key].push_back(time);
    } else if ((status & 0xF0) == 0x80 || (status & 0xF0) == 0x90) {
      EXPECT_FALSE(open[key].empty()) << "note-off without a note at " << time;
      if (open[key].empty()) continue;
      out.emplace_back(open[key].front(), key, time);
      open[key].erase(open[key].begin());
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
  for (const Case& c : {
           Case{{12000, 480, 4, 2}, 480, 480, 4, 2, 12000},
           Case{{9000, 480, 6, 3}, 480, 240, 6, 3, 9000},
           Case{{12000, 481, 6, 3}, 482, 241, 6, 3, 12000},
           Case{{12000, 481, 7, 4}, 484, 121, 7, 4, 12000},
           Case{{12000, 480, 3, 1}, 480, 960, 3, 1, 12000},
           // What a file cannot carry: defaults, or the largest division that divides into beats.
           Case{{0, 0, 0, 40}, 480, 480, 4, 2, 12000},
           Case{{-5, -7, 256, -1}, 480, 480, 4, 2, 12000},
           Case{{12000, 40000, 6, 3}, 32766, 16383, 6, 3, 12000},
       }) {
    SingleTrackProcess process(nullptr, 0, c.base);
    EXPECT_EQ(std::tuple(process.ticksPerQuarter, process.ticksPerBeat(), process.numerator(),
                         process.denominatorPower(), process.tempo()),
              std::tuple(c.division, c.ticksPerBeat, c.numerator, c.power, c.tempo))
        << c.base.ticksPerQuarter << " " << c.base.numerator << "/" << c.base.denominatorPower;
    const FileContents file = readBack(exported(process));
    EXPECT_EQ(std::tuple(file.format, file.trackCount, file.division, file.tracks.at(0).numerator,
                         file.tracks.at(0).power, file.tracks.at(0).tempo),
              std::tuple(1, 2, c.division, c.numerator, c.power, static_cast<std::uint32_t>(6000000000LL / c.tempo)));
  }

  // Positions in 4/4 at 240 ticks per beat, and alignment to beats and bars.
  SingleTrackProcess process(nullptr, 0, ExportTimeBase{12000, 240, 4, 2});
  struct Position {
    std::int32_t ticks, measure, beat, tick;
  };
  for (const Position& p : {Position{0, 1, 1, 0}, Position{239, 1, 1, 239}, Position{240, 1, 2, 0},
                            Position{1000, 2, 1, 40}, Position{960 * 3 + 725, 4, 4, 5}}) {
    std::int32_t measure = 0, beat = 0, tick = 0;
    process.ticksToMbt(p.ticks, measure, beat, tick);
    EXPECT_EQ(std::tuple(measure, beat, tick), std::tuple(p.measure, p.beat, p.tick)) << p.ticks;
    EXPECT_EQ(process.mbtToTicks(p.measure, p.beat, p.tick), p.ticks);
  }
  for (const auto& [ticks, limit, aligned] : {std::tuple(1000, 1, 1920), std::tuple(960, 1, 960),
                                              std::tuple(1000, 4, 1200), std::tuple(1700, 3, 1920 + 480)})
    EXPECT_EQ(process.align(ticks, limit), aligned) << ticks << " " << limit;
}

TEST(OfflineProcessTest, CollectsMessagesInTimeOrderWithTheirNoteOffs) {
  SingleTrackProcess process(nullptr, 0, ExportTimeBase{});
  process.process(0, 0, 959);  // no slices; the one track stays current
  MidiEvent program;
  program.type = kEventProgramChange;
  program.data1 = 9;
  MidiEvent wheel;
  wheel.type = kEventPitchWheel;
  wheel.time = 300;
  wheel.channel = 2;
  wheel.setWheelValue(-8192);
  MidiEvent unknown = noteEvent(50, 0, 1, 1, 1);
  unknown.type = 7;
  for (const MidiEvent& e : {noteEvent(120, 9, 36, 90, 120), noteEvent(0, 9, 36, 100, 120), program, wheel, unknown,
                             noteEvent(400, 1, 40, 70, 0), noteEvent(500, 1, 41, 60, kOpenDuration)})
    process.emit(e);

  const FileTrack track = readBack(exported(process)).tracks.at(1);
  using Message = std::tuple<std::int64_t, int, int, int>;
  EXPECT_EQ(track.messages, (std::vector<Message>{{0, 0x99, 36, 100},
                                                  {0, 0xC0, 9, 0},
                                                  {120, 0x89, 36, 100},
                                                  {120, 0x99, 36, 90},
                                                  {240, 0x89, 36, 90},
                                                  {300, 0xE2, 0, 0},
                                                  {400, 0x91, 40, 70},
                                                  {400, 0x81, 40, 70},
                                                  {500, 0x91, 41, 60},
                                                  {960, 0x81, 41, 60}}));
  EXPECT_EQ(std::vector<std::uint32_t>(track.deltas.begin(), track.deltas.begin() + 5),
            (std::vector<std::uint32_t>{0, 0, 120, 0, 120}));
  EXPECT_TRUE(track.ended);
  EXPECT_TRUE(track.name.empty());
}

class ExportTest : public test::EngineTest {
 protected:
  // The notes that playback of [0, end) sends, as (on time, key, off time).
  static std::vector<std::tuple<std::int64_t, int, std::int64_t>> playedNotes(Tamborak& e, MfxTime end,
                                                                             std::int32_t resolution) {
    std::vector<std::tuple<std::int64_t, int, std::int64_t>> out;
    for (const test::Note& n : test::sortedNotes(Transport::play(e, 0, end - 1, resolution)))
      out.emplace_back(std::get<0>(n), std::get<1>(n), std::int64_t{std::get<0>(n)} + std::get<2>(n));
    std::sort(out.begin(), out.end());
    return out;
  }
};

// The file as mido reads it, one line per track: name, note-on count, whether it ends with an
// end of track; the first line gives type, division and track count. Empty without mido.
std::string readByMido(const std::filesystem::path& file) {
  const std::string script =
      "import sys, mido\n"
      "f = mido.MidiFile(sys.argv[1])\n"
      "print(f.type, f.ticks_per_beat, len(f.tracks))\n"
      "for t in f.tracks:\n"
      "    ons = sum(1 for m in t if m.type == 'note_on' and m.velocity > 0)\n"
      "    print(repr(t.name), ons, len(t) > 0 and t[-1].type == 'end_of_track')\n";
  const std::filesystem::path scriptFile = file.parent_path() / "read.py";
  std::ofstream(scriptFile) << script;
  const std::string command = "/usr/bin/python3 '" + scriptFile.string() + "' '" + file.string() + "' 2>&1";
  std::string out;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, pipe)) out += buffer;
    if (pclose(pipe) != 0) ADD_FAILURE() << "mido failed: " << out;
  }
  return out;
}

bool midoPresent() {
  return std::filesystem::exists("/usr/bin/python3") &&
         std::system("/usr/bin/python3 -c 'import mido' >/dev/null 2>&1") == 0;
}

TEST_F(ExportTest, WritesTheLoopThatPlaybackPlays) {
  ComRef<ITamborak> face = makeEngine();
  Tamborak& e = engineOf(face);
  fillLoop(e);
  e.getSlice(2)->setMutedSilently(true);
  ComRef<HostContext> host = create<HostContext>(Song(480).meter(1, 6, 8).tempo(0, 9000));
  ASSERT_EQ(connect(e, *host), S_OK);
  e.setExportBars(3);
  const MfxTime end = 3 * 1440;

  std::string single, multi;
  CUniString singleStream(single), multiStream(multi);
  ASSERT_TRUE(e.exportLoop(singleStream));
  e.setExportOption(1);
  ASSERT_TRUE(e.exportLoop(multiStream));
  // Exporting leaves playback as it was.
  const auto played = playedNotes(e, end, 480);
  ASSERT_FALSE(played.empty());

  const FileContents one = readBack(single);
  ASSERT_EQ(std::tuple(one.format, one.trackCount, one.division, one.tracks.size()), std::tuple(1, 2, 480, 2u));
  EXPECT_EQ(std::tuple(one.tracks[0].tempo, one.tracks[0].numerator, one.tracks[0].power),
            std::tuple(666666u, 6, 3));
  EXPECT_TRUE(one.tracks[0].messages.empty());
  EXPECT_EQ(pairedNotes(one.tracks[1]), played);

  const FileContents seven = readBack(multi);
  ASSERT_EQ(std::tuple(seven.trackCount, seven.tracks.size()), std::tuple(7, 7u));
  std::vector<std::tuple<std::int64_t, int, std::int64_t>> merged;
  for (int i = 0; i < Tamborak::kSliceCount; ++i) {
    const FileTrack& track = seven.tracks[i + 1];
    EXPECT_EQ(track.name, e.getSlice(i)->exportTitle()) << i;
    EXPECT_NE(track.name.find('\\'), std::string::npos) << i;
    EXPECT_TRUE(track.ended) << i;
    EXPECT_EQ(track.messages.empty(), i == 2) << "only the muted slice is silent: " << i;
    const auto notes = pairedNotes(track);
    merged.insert(merged.end(), notes.begin(), notes.end());
  }
  std::sort(merged.begin(), merged.end());
  EXPECT_EQ(merged, played);

  // Another reader agrees on the layout.
  if (!midoPresent()) GTEST_SKIP() << "no /usr/bin/python3 with mido: the files were read by our reader only";
  test::TempFolder folder;
  const std::filesystem::path file = folder.path() / "loop.mid";
  std::ofstream(file, std::ios::binary) << multi;
  std::ostringstream expected;
  expected << "1 480 7\n'' 0 True\n";
  for (int i = 0; i < Tamborak::kSliceCount; ++i) {
    std::string name = seven.tracks[i + 1].name, quoted;
    for (char c : name) quoted += c == '\\' ? std::string("\\\\") : std::string(1, c);
    expected << "'" << quoted << "' " << pairedNotes(seven.tracks[i + 1]).size() << " True\n";
  }
  EXPECT_EQ(readByMido(file), expected.str());
}

TEST_F(ExportTest, KeepsTheExportLengthInRange) {
  ComRef<ITamborak> face = makeEngine();
  Tamborak& e = engineOf(face);
  struct Case {
    std::int32_t bars;
    std::int32_t resolution, numerator, denominator;  // resolution 0: no host
    MfxTime length;
  };
  const MfxTime max = std::numeric_limits<MfxTime>::max();
  for (const Case& c : {Case{4, 0, 0, 0, 4 * 1920}, Case{std::numeric_limits<std::int32_t>::max(), 0, 0, 0, 9999 * 1920},
                        Case{std::numeric_limits<std::int32_t>::min(), 0, 0, 0, 1920}, Case{0, 0, 0, 0, 1920},
                        Case{2, 480, 6, 8, 2 * 1440}, Case{9999, 480, 7, 16, 9999 * 840},
                        Case{std::numeric_limits<std::int32_t>::max(), 1 << 20, 255, 2, max},
                        Case{9999, 1 << 18, 255, 1, max}}) {
    ComRef<HostContext> host;
    if (c.resolution) {
      host = create<HostContext>(Song(c.resolution).meter(1, c.numerator, c.denominator));
      ASSERT_EQ(connect(e, *host), S_OK);
    }
    e.setExportBars(c.bars);
    EXPECT_EQ(e.exportLength(0), c.length) << c.bars << " bars at " << c.resolution;
    EXPECT_EQ(e.getExportBars(), c.bars);
    if (c.resolution) e.Disconnect();
  }
}

}  // namespace
