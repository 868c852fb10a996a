#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "midi/MidiTrack.h"
#include "tests/midi/MidiTestBytes.h"

using namespace velmora;
using namespace velmora::test;

namespace velmora {
void PrintTo(const MidiEvent& e, std::ostream* os) {
  *os << "{t=" << e.time << " type=" << e.type << " ch=" << int(e.channel) << " " << int(e.data1) << " "
      << int(e.data2) << " dur=" << e.duration << "}";
}
}  // namespace velmora

namespace {

using Events = std::vector<MidiEvent>;

MidiEvent message(std::int32_t time, std::uint32_t type, int d1, int d2, int channel = 9, std::uint32_t duration = 0) {
  MidiEvent e;
  e.time = time, e.channel = static_cast<std::uint8_t>(channel), e.type = type, e.duration = duration;
  e.data1 = static_cast<std::uint8_t>(d1), e.data2 = static_cast<std::uint8_t>(d2);
  return e;
}

MidiEvent note(std::int32_t time, int key, std::uint32_t duration, int velocity = 100, int channel = 9) {
  return message(time, kEventNote, key, velocity, channel, duration);
}

MidiEvent wheel(std::int32_t time, int value) {
  MidiEvent e = message(time, kEventPitchWheel, 0, 0);
  e.setWheelValue(static_cast<std::int16_t>(value));
  return e;
}

Bytes save(const CMidiTrack& track) {
  Bytes out;
  CUniString s(out);
  EXPECT_EQ(track.SaveSmf(s), 0);
  return out;
}

int load(CMidiTrack& track, const Bytes& file) {
  CUniMemoryReader r(file.data(), static_cast<std::uint32_t>(file.size()));
  return track.LoadSmf(r);
}

Events events(const CMidiTrack& t) { return {t.begin(), t.end()}; }

// Division, meter (numerator, denominator) and tempo in one comparable row.
std::vector<long> timeBase(const CMidiTrack& t) { return {long(t.division()), t.numerator(), t.denominator(), long(t.tempo())}; }

// Distinct keys, lowest, highest, end time and event count.
std::vector<long> statistics(const CMidiTrack& t) {
  return {long(t.distinctKeys()), t.lowestKey(), t.highestKey(), t.endTime(), long(t.eventCount())};
}

const Bytes kTempoChunkBody = bytes({0x00, 0xFF, 0x58, 0x04, 0x04, 0x02, 0x18, 0x08,   // 4/4
                                     0x00, 0xFF, 0x59, 0x02, 0x00, 0x00,               // C major
                                     0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20,         // 120 bpm
                                     0x00, 0xFF, 0x2F, 0x00});
const Bytes kEndOfTrack = bytes({0x00, 0xFF, 0x2F, 0x00});

}  // namespace

TEST(CMidiTrackSave, WritesTheExactLayoutOfEachKindOfTrack) {
  Events mix;  // bank select, volume and pan, a program change and a type with no channel message
  for (int cc : {0, 32, 7, 39, 10, 42}) mix.push_back(message(0, kEventController, cc, 1));
  mix.push_back(message(0, kEventProgramChange, 5, 0));
  mix.push_back(message(0, 9, 5, 0));
  const struct {
    const char* name;
    Events in;
    Bytes body;  // the event chunk before its end of track
  } cases[] = {
      {"note-offs before later notes", {note(0, 36, 10), note(240, 36, 10)},
       bytes({0x00, 0x99, 0x24, 0x64, 0x0A, 0x89, 0x24, 0x64, 0x81, 0x66, 0x99, 0x24, 0x64, 0x0A, 0x89, 0x24, 0x64})},
      {"off on the same tick first, equal offs newest first",
       {note(0, 36, 240), note(0, 38, 240, 90), note(240, 42, 16384)},
       bytes({0x00, 0x99, 0x24, 0x64, 0x00, 0x99, 0x26, 0x5A, 0x81, 0x70, 0x89, 0x26, 0x5A, 0x00, 0x89, 0x24, 0x64,
              0x00, 0x99, 0x2A, 0x64, 0x81, 0x80, 0x00, 0x89, 0x2A, 0x64})},
      {"a note never closed has no note-off", {note(0, 36, kOpenDuration), note(10, 38, 5)},
       bytes({0x00, 0x99, 0x24, 0x64, 0x0A, 0x99, 0x26, 0x64, 0x05, 0x89, 0x26, 0x64})},
      {"mix controllers dropped", mix, {}},
  };
  for (const auto& c : cases) {
    CMidiTrack t;
    for (const MidiEvent& e : c.in) t.Insert(e);
    EXPECT_EQ(save(t), header(1, 2, 240) + chunk(kTempoChunkBody) + chunk(c.body + kEndOfTrack)) << c.name;
  }
  CMidiTrack labelled;
  labelled.setLabel("head", "tail");  // a label alone writes no name events
  EXPECT_EQ(save(labelled), header(1, 2, 240) + chunk(kTempoChunkBody) + chunk(kEndOfTrack));
}

TEST(CMidiTrack, RoundTripKeepsEventsMeterAndLabelWithUnderscores) {
  CMidiTrack t;
  t.setDivision(96);
  t.setMeter(3, 8);
  t.setLabel("Funk Groove-1", std::string("take 2"));
  t.Insert(note(12, 36, 24, 110));
  t.Insert(note(12, 42, 6, 60, 0));
  t.Insert(note(20, 38, kOpenDuration));  // loads back still open
  t.Insert(message(30, kEventController, 64, 127));
  t.Insert(message(31, kEventKeyAftertouch, 42, 33));
  t.Insert(message(32, kEventChannelAftertouch, 0, 55));
  for (int value : {-8192, -1, 0, 8191}) t.Insert(wheel(40, value));
  CMidiTrack back;
  ASSERT_EQ(load(back, save(t)), 0);
  EXPECT_EQ(events(back), events(t));
  EXPECT_EQ(timeBase(back), (std::vector<long>{96, 3, 8, 500000}));
  EXPECT_EQ(back.denominatorCopy(), 8);
  EXPECT_EQ(std::pair(back.labelHead(), back.labelTail()), std::pair(std::string("Funk_Groove_1"), std::optional<std::string>("take_2")));

  // A long label without a tail comes back as the head alone.
  t.setLabel(std::string(300, 'x'), std::nullopt);
  ASSERT_EQ(load(back, save(t)), 0);
  EXPECT_EQ(std::pair(back.labelHead(), back.labelTail()), std::pair(std::string(300, 'x'), std::optional<std::string>()));
}

TEST(CMidiTrackLoad, FilesFromOtherTools) {
  using Label = std::pair<std::string, std::optional<std::string>>;
  const struct {
    const char* file;
    std::vector<long> timeBase, statistics;
    Label label;
    Events events;
  } cases[] = {
      {"midi/format0_running_status.mid", {96, 3, 4, 600000}, {3, 36, 42, 144, 3}, {},
       {note(0, 36, 24), note(48, 42, 12, 80), note(96, 38, 48, 90)}},
      // Format 1: the meter from the first track, the events from the last track with notes.
      {"midi/format1_three_tracks.mid", {480, 6, 8, 400000}, {1, 46, 46, 190, 6}, {"Funk Groove", "take-2"},
       {message(0, kEventController, 7, 100), note(120, 46, 60, 70), wheel(180, -8192),
        message(190, kEventChannelAftertouch, 0, 33), message(190, kEventKeyAftertouch, 46, 22), wheel(190, 8191)}},
      // Overlapping notes of one key close first in, first out; no meter or tempo: 4/4 at 120.
      {"midi/overlapping_notes.mid", {240, 4, 4, 500000}, {1, 38, 38, 240, 2}, {},
       {note(0, 38, 120), note(60, 38, 180, 50)}},
  };
  for (const auto& c : cases) {
    CMidiTrack t;
    ASSERT_EQ(load(t, readDataFile(c.file)), 0) << c.file;
    EXPECT_EQ(timeBase(t), c.timeBase) << c.file;
    EXPECT_EQ(statistics(t), c.statistics) << c.file;
    EXPECT_EQ(Label(t.labelHead(), t.labelTail()), c.label) << c.file;
    EXPECT_EQ(events(t), c.events) << c.file;
  }
}

TEST(CMidiTrackLoad, OddEventChunksLoadSafelyAndLeaveTheStreamAfterTheFile) {
  const struct {
    const char* name;
    Bytes body;
    Events events;
  } cases[] = {
      {"each channel and key has its own queue",
       bytes({0x00, 0x91, 0x00, 0x64, 0x00, 0x90, 0x10, 0x64, 0x0A, 0x80, 0x10, 0x00, 0x14, 0x81, 0x00, 0x00}),
       {note(0, 0, 30, 100, 1), note(0, 16, 10, 100, 0)}},
      {"a five-byte delta moves time back; the list stays in time order",
       bytes({0x64, 0x99, 0x24, 0x64, 0x8F, 0xFF, 0xFF, 0xFF, 0x58, 0x99, 0x26, 0x64,    // on at 100, on at 60
              0x14, 0x89, 0x26, 0x00, 0x32, 0x89, 0x24, 0x00}),                          // offs at 80 and 130
       {note(60, 38, 20), note(100, 36, 30)}},
      {"a note-off moved before its note-on closes it at length 0, not wrapped",
       bytes({0x64, 0x99, 0x24, 0x64, 0x8F, 0xFF, 0xFF, 0xFF, 0x58, 0x89, 0x24, 0x00}), {note(100, 36, 0)}},
      // The last note-on lacks its velocity inside the chunk: the byte after the chunk is no part
      // of it. A walk does not stop at an end-of-track event.
      {"stays inside the chunk",
       bytes({0x00, 0x99, 0x24, 0x64, 0x00, 0xFF, 0x2F, 0x00, 0x10, 0x89, 0x24, 0x00, 0x00, 0x99, 0x26}),
       {note(0, 36, 16)}},
      {"system exclusive in both forms hides bytes that look like notes",
       bytes({0x00, 0xF0, 0x03, 0x99, 0x28, 0x64, 0x00, 0xF7, 0x03, 0x99, 0x2A, 0x64, 0x00, 0x99, 0x24, 0x64}),
       {note(0, 36, kOpenDuration)}},
      {"data bytes above seven bits cannot index past the key flags",
       bytes({0x00, 0x99, 0xA4, 0xE4, 0x10, 0x89, 0xA4, 0x00}), {note(0, 0x24, 16, 0x64)}},
  };
  for (const auto& c : cases) {
    const Bytes file = header(0, 1, 96) + chunk(c.body);
    const Bytes stored = file + bytes({0x64, 0x55});
    CMidiTrack t;
    CUniMemoryReader r(stored.data(), static_cast<std::uint32_t>(stored.size()));
    ASSERT_EQ(t.LoadSmf(r), 0) << c.name;
    EXPECT_EQ(r.position(), file.size()) << c.name;
    EXPECT_EQ(events(t), c.events) << c.name;
  }
}

TEST(CMidiTrackLoad, UnusableTimeSignatureFallsBackToFourFour) {
  for (const Bytes& meter : {bytes({0x00, 0x02}), bytes({0x04, 0x20}), bytes({0x04, 0x0F}), bytes({0x04})}) {
    const Bytes tempo = bytes({0x00, 0xFF, 0x58, static_cast<int>(meter.size())}) + meter + kEndOfTrack;
    CMidiTrack t;
    ASSERT_EQ(load(t, header(1, 2, 96) + chunk(tempo) + chunk(bytes({0x00, 0x99, 0x24, 0x64}))), 0);
    EXPECT_TRUE(t.numerator() == 4 && t.denominator() == 4 && t.BarCount() >= 0);
  }
}

TEST(CMidiTrackLoad, BadFilesFailAndLeaveTheTrackAsItWas) {
  const Bytes good = header(0, 1, 96) + chunk(bytes({0x00, 0x99, 0x24, 0x64, 0x10, 0x89, 0x24, 0x00}));
  const std::vector<Bytes> bad = {
      Bytes(),
      "MThx" + good.substr(4),                                   // wrong tag
      "MThd" + be32(7) + good.substr(8),                         // header length
      header(0, 1, 96) + "MTrx" + good.substr(18),               // chunk tag
      good.substr(0, good.size() - 1),                           // chunk cut short
      good.substr(0, 20),                                        // length cut short
      header(0, 2, 96) + good.substr(14),                        // second chunk missing
      header(0, 0, 96),                                          // no track at all
      header(0, 1, 0) + good.substr(14),                         // division 0
      header(0, 1, 96) + "MTrk" + be32(0xFFFFFFF0) + "abc",      // hostile length
  };
  CMidiTrack t;
  t.setLabel("keep", std::nullopt);
  t.Insert(note(5, 40, 7));
  for (const Bytes& file : bad) {
    EXPECT_EQ(load(t, file), 1);
    EXPECT_TRUE(events(t) == Events{note(5, 40, 7)} && t.labelHead() == "keep" && t.division() == 240u);
  }
  EXPECT_EQ(load(t, good), 0);
}

TEST(CMidiTrack, InsertKeepsTimeOrderAndStatisticsFollowInsertEraseAndClear) {
  CMidiTrack t;
  EXPECT_TRUE(t.BarCount() == 0 && t.KeyAt(0) == CMidiTrack::kNoKey);
  for (const auto& [time, key] : {std::pair{100, 36}, {0, 38}, {100, 42}, {50, 46}, {100, 49}}) t.Insert(note(time, key, 10));
  std::vector<int> keys;
  for (const MidiEvent& e : t) keys.push_back(e.data1);
  EXPECT_EQ(keys, (std::vector<int>{38, 46, 36, 42, 49}));  // equal times in insertion order
  EXPECT_EQ(t.Insert(note(50, 47, 10))->data1, 47);
  t.Clear();
  t.Insert(note(0, 42, 10));
  const auto last = t.Insert(note(900, 36, 60));
  keys.clear();
  for (int i : {-1, 0, 1, 2}) keys.push_back(t.KeyAt(i));
  EXPECT_EQ(keys, (std::vector<int>{CMidiTrack::kNoKey, 36, 42, CMidiTrack::kNoKey}));
  EXPECT_TRUE(t.endTime() == 960 && t.BarCount() == 1);
  const auto longer = t.Insert(note(901, 36, 60));
  EXPECT_EQ(t.BarCount(), 2);
  t.Erase(longer);
  t.Erase(last);
  EXPECT_EQ(statistics(t), (std::vector<long>{1, 42, 42, 10, 1}));
  t.Clear();
  EXPECT_TRUE(t.endTime() == -1 && t.distinctKeys() == 0u);
}

TEST(MidiEvent, EncodesFieldsAtTheHostOffsets) {
  MidiEvent e = note(-2, 0x24, 0x01020304, 0x64, 9);
  e.port = 3;
  e.data3 = 0x40;
  std::uint8_t raw[kEventRecordSize];
  e.encode(raw);
  EXPECT_EQ(Bytes(reinterpret_cast<char*>(raw), sizeof raw),
            bytes({0xFE, 0xFF, 0xFF, 0xFF, 3, 9, 0, 0, 0, 0, 0x24, 0x64, 0x40, 4, 3, 2, 1}));
  EXPECT_EQ(MidiEvent::decode(raw), e);
}
