#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "io/UniStream.h"
#include "midi/SmfExport.h"
#include "midi/SmfImage.h"
#include "midi/SmfParser.h"
#include "tests/midi/MidiTestBytes.h"

using namespace velmora;
using namespace velmora::smf;
using namespace velmora::test;

namespace {
Bytes chunkBytes(const SmfChunk& c) { return Bytes(reinterpret_cast<const char*>(c.data), c.length); }
}  // namespace

TEST(SmfImage, VariableLengthQuantitiesRoundTrip) {
  const std::pair<std::uint32_t, Bytes> cases[] = {
      {0, bytes({0x00})},
      {127, bytes({0x7F})},
      {128, bytes({0x81, 0x00})},
      {16384, bytes({0x81, 0x80, 0x00})},
      {0x0FFFFFFF, bytes({0xFF, 0xFF, 0xFF, 0x7F})},
      {0xFFFFFFD8, bytes({0x8F, 0xFF, 0xFF, 0xFF, 0x58})},  // -40
  };
  for (const auto& [value, encoded] : cases) {
    SmfImage image;
    SmfChunk* c = addChunk(image);
    ASSERT_NE(c, nullptr);
    putVarLen(*c, value);
    EXPECT_EQ(chunkBytes(*c), encoded) << value;
    SmfParser parser(c->data, c->length);
    std::uint32_t back = 1;
    EXPECT_TRUE(parser.readVarLen(back));
    EXPECT_EQ(back, value);
  }
}

TEST(SmfImage, ChunksGrowInSteps) {
  SmfImage image;
  SmfChunk* c = addChunk(image);
  ASSERT_EQ(allocChunkData(*c, 3), kOk);
  EXPECT_EQ(growChunkData(*c, 3), kNoMemory);  // not larger
  for (int i = 0; i < 2500; ++i) putChannelMessage(*c, 0, 0x99, 36, 100);
  EXPECT_EQ(c->length, 10000u);
  EXPECT_EQ(c->capacity, 10003u);
}

// A header may claim 65535 tracks; reading them once took time quadratic in their number (each
// new chunk walked the whole chain), seconds for a 512 KiB file.
TEST(SmfImage, RegressionManyTracksReadInLinearTime) {
  Bytes file = header(1, 0xFFFF, 96);
  for (int i = 0; i < 0xFFFF; ++i) file += chunk(Bytes());
  SmfImage image;
  CUniMemoryReader reader(file.data(), static_cast<std::uint32_t>(file.size()));
  const auto start = std::chrono::steady_clock::now();
  ASSERT_EQ(readImage(image, reader), kOk);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
  int chunks = 0;
  for (const SmfChunk* c = image.chunks; c; c = c->next) ++chunks;
  EXPECT_EQ(chunks, 0xFFFF);
  EXPECT_EQ(image.lastChunk->next, nullptr);
}

TEST(SmfExport, WritesTempoTrackAndNamedEventTracks) {
  ExportTimeBase tb;
  tb.tempoBpm100 = 9000;  // 90 bpm: 666666 us
  tb.ticksPerQuarter = 480;
  tb.numerator = 3;
  tb.denominatorPower = 3;
  // The program change is written with its one data byte.
  ExportTrack kick{"Kick - 1", {{0, 0x99, 36, 100}, {120, 0x89, 36, 100}, {16504, 0xC9, 5, 0}}};
  ExportTrack plain{"", {{10, 0x99, 38, 90}}};
  Bytes file;
  CUniString out(file);
  EXPECT_EQ(writeExportSmf(out, tb, {kick, plain}), 0);
  const Bytes expected =
      header(1, 3, 480) +
      chunk(bytes({0x00, 0xFF, 0x58, 0x04, 3, 3, 12, 8, 0x00, 0xFF, 0x51, 0x03, 0x0A, 0x2C, 0x2A, 0x00, 0xFF, 0x2F, 0x00})) +
      chunk(bytes({0x00, 0xFF, 0x03, 0x08}) + "Kick___1" +
            bytes({0x00, 0x99, 36, 100, 0x78, 0x89, 36, 100, 0x81, 0x80, 0x00, 0xC9, 5, 0x00, 0xFF, 0x2F, 0x00})) +
      chunk(bytes({0x0A, 0x99, 38, 90, 0x00, 0xFF, 0x2F, 0x00}));
  EXPECT_EQ(file, expected);

  // A tempo of 0 writes 120 bpm; one too slow for the field writes its largest value.
  for (const auto& [bpm100, field] : {std::pair{0u, bytes({0x07, 0xA1, 0x20})}, {100u, bytes({0xFF, 0xFF, 0xFF})}}) {
    tb.tempoBpm100 = bpm100;
    file.clear();
    CUniString again(file);
    writeExportSmf(again, tb, {});
    EXPECT_EQ(file.substr(14 + 8 + 8 + 4, 3), field) << bpm100;
  }
}
