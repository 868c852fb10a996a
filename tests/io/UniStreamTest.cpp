#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/File.h"
#include "io/Record.h"
#include "io/UniStream.h"
#include "tests/TempFolder.h"

using namespace velmora;

TEST(CUniStream, CountingSinkMeasuresAndStringStreamsCutThenAppend) {
  CUniStream sink;
  char buf[8] = {'x', 'x', 'x', 'x', 'x', 'x', 'x', 'x'};
  EXPECT_EQ(sink.write(buf, 4), 4u);
  EXPECT_EQ(sink.write(buf, 1), 1u);
  EXPECT_EQ(sink.write(buf, 7), 7u);
  EXPECT_EQ(sink.bytesWritten(), 12u);
  EXPECT_EQ(sink.read(buf, 8), 8u);
  EXPECT_EQ(sink.bytesRead(), 8u);
  EXPECT_EQ(std::string(buf, 8), "xxxxxxxx");

  // A string stream cuts at its position when writing, then appends; short reads give what is there.
  std::string bytes = "0123456789";
  CUniString s(bytes);
  EXPECT_EQ(s.write("abcde", 5), 5u);
  EXPECT_EQ(bytes, "abcde");
  EXPECT_EQ(s.write("fg", 2), 2u);
  EXPECT_EQ(bytes, "abcdefg");
  EXPECT_EQ(s.position(), 7u);
  EXPECT_EQ(s.bytesWritten(), 0u);  // derived streams do not count

  // A record rewritten through a fresh stream replaces the whole string.
  {
    CUniString fresh(bytes);
    record::putU32(fresh, 7);
  }
  EXPECT_EQ(bytes, std::string("\x07\x00\x00\x00", 4));

  CUniString r(bytes);
  EXPECT_EQ(r.read(buf, 8), 4u);
  EXPECT_EQ(r.position(), 4u);
  EXPECT_EQ(buf[0], 7);
  EXPECT_EQ(r.read(buf, 8), 0u);
}

TEST(Record, MeasuredWrittenIntoASizedBlockReadBackLittleEndianAndBounded) {
  CUniStream measure;
  record::putText(measure, "kick");
  record::putU32(measure, 0xDEADBEEF);
  std::vector<std::uint8_t> block(measure.bytesWritten());
  CUniMemory out(block.data());
  record::putText(out, "kick");
  record::putU32(out, 0xDEADBEEF);
  CUniMemory in(block.data());
  std::string text;
  std::uint32_t v = 0;
  EXPECT_TRUE(record::getText(in, text, 100) && record::getU32(in, v));
  EXPECT_TRUE(text == "kick" && v == 0xDEADBEEFu);

  // The bounded reader stops at the end of its block and refuses writes.
  CUniMemoryReader r(block.data(), 5);
  std::uint8_t buf[8] = {};
  EXPECT_EQ(r.read(buf, 3), 3u);
  EXPECT_EQ(r.remaining(), 2u);
  EXPECT_EQ(r.read(buf, 8), 2u);
  EXPECT_EQ(buf[1], 'k');
  EXPECT_EQ(r.read(buf, 8) + r.write(buf, 1), 0u);

  // Records are little-endian; short reads leave the value as it was.
  std::string bytes;
  CUniString w(bytes);
  record::putI32(w, -2);
  record::putU8(w, 0x7F);
  record::putText(w, "ab");
  EXPECT_EQ(bytes, std::string("\xFE\xFF\xFF\xFF\x7F\x02\x00\x00\x00" "ab", 11));

  const std::uint8_t shortBlock[] = {0x01, 0x02};
  CUniMemoryReader shortReader(shortBlock, 2);
  v = 99;
  EXPECT_FALSE(record::getU32(shortReader, v));
  EXPECT_EQ(v, 99u);

  // A hostile length larger than the limit is refused without reading on.
  const std::uint8_t hostile[] = {0xFF, 0xFF, 0xFF, 0x7F, 'x'};
  CUniMemoryReader h(hostile, 5);
  text = "kept";
  EXPECT_FALSE(record::getText(h, text, 1024));
  EXPECT_EQ(text, "kept");
}

TEST(UniStreamFile, WritesAndReadsThroughTheFileAndCloseClosesIt) {
  test::TempFolder dir;
  const std::string name = (dir.path() / "loop.tbk").string();
  {
    io::File f(name, io::File::kGenericWrite, io::File::kCreateAlways);
    UniStream<io::File> s(f);
    record::putText(s, "Groove");
    s.close();
    EXPECT_FALSE(f.isOpen());
  }
  io::File f(name, io::File::kGenericRead, io::File::kOpenExisting);
  UniStream<io::File> s(f);
  std::string text;
  EXPECT_TRUE(record::getText(s, text, 64));
  EXPECT_EQ(text, "Groove");
  char c;
  EXPECT_EQ(s.read(&c, 1), 0u);
}
