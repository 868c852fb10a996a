// Walks the bytes of one track chunk message by message, with running status. Every read is
// checked against the bytes that remain, so the walk never leaves the chunk.
#pragma once

#include <cstdint>

namespace velmora::smf {

// One parsed message. Data bytes of channel messages are masked to 7 bits, so keys and values
// are always 0..127. For meta events data1 is the meta type and meta/metaLength give its bytes.
struct SmfMessage {
  std::uint32_t delta = 0;
  std::uint8_t status = 0;
  std::uint8_t data1 = 0;
  std::uint8_t data2 = 0;
  const std::uint8_t* meta = nullptr;
  std::uint32_t metaLength = 0;
};

enum class SmfStep {
  kMessage,     // a message was read
  kEndOfTrack,  // the end-of-track meta event was read
  kEnd,         // no complete message remains in the chunk
};

// Cursor over one chunk. [any-thread, real-time safe: no allocation]
class SmfParser {
 public:
  SmfParser(const std::uint8_t* data, std::uint32_t length) : data_(data), length_(length) {}

  // Reads a delta time and the message after it. The walk ends (kEnd) when a delta, a length or
  // the data bytes would run past the chunk; every other call consumes at least one byte, so a
  // loop until kEnd always terminates.
  SmfStep next(SmfMessage& message);

  // Variable-length quantity: value * 128 + low seven bits while bit 7 is set, wrapping in 32
  // bits (five bytes can encode a negative delta). false when the chunk ends inside it.
  bool readVarLen(std::uint32_t& value);

  std::uint32_t position() const { return position_; }

 private:
  bool readByte(std::uint8_t& byte);
  // Skips a length-prefixed block (system exclusive, meta data); false when it overruns.
  bool skipBlock(const std::uint8_t*& start, std::uint32_t& length);

  const std::uint8_t* data_;
  std::uint32_t length_;
  std::uint32_t position_ = 0;
  std::uint8_t runningStatus_ = 0;
};

// Meta event types used by the readers and writers.
inline constexpr std::uint8_t kMetaTrackName = 0x03;
inline constexpr std::uint8_t kMetaLyric = 0x05;
inline constexpr std::uint8_t kMetaEndOfTrack = 0x2F;
inline constexpr std::uint8_t kMetaTempo = 0x51;
inline constexpr std::uint8_t kMetaTimeSignature = 0x58;
inline constexpr std::uint8_t kMetaKeySignature = 0x59;

}  // namespace velmora::smf
