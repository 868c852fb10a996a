#include "midi/SmfParser.h"

namespace velmora::smf {

bool SmfParser::readByte(std::uint8_t& byte) {
  if (position_ >= length_) return false;
  byte = data_[position_++];
  return true;
}

bool SmfParser::readVarLen(std::uint32_t& value) {
  value = 0;
  std::uint8_t byte = 0;
  do {
    if (!readByte(byte)) return false;
    value = value * 128u + (byte & 0x7Fu);
  } while (byte & 0x80);
  return true;
}

bool SmfParser::skipBlock(const std::uint8_t*& start, std::uint32_t& length) {
  if (!readVarLen(length) || length > length_ - position_) return false;
  start = data_ + position_;
  position_ += length;
  return true;
}

SmfStep SmfParser::next(SmfMessage& m) {
  m = SmfMessage{};
  if (!readVarLen(m.delta)) return SmfStep::kEnd;
  std::uint8_t status = 0;
  if (!readByte(status)) return SmfStep::kEnd;
  if (status < 0x80) {  // a data byte: running status applies
    status = runningStatus_;
    --position_;
  }
  runningStatus_ = status;
  m.status = status;
  const std::uint8_t kind = status < 0xF0 ? (status & 0xF0) : status;
  switch (kind) {
    case 0x80: case 0x90: case 0xA0: case 0xB0: case 0xE0:
      if (!readByte(m.data1) || !readByte(m.data2)) return SmfStep::kEnd;
      m.data1 &= 0x7F;
      m.data2 &= 0x7F;
      if (kind == 0x90 && m.data2 == 0) m.status = static_cast<std::uint8_t>(0x80 | (status & 0x0F));
      return SmfStep::kMessage;
    case 0xC0: case 0xD0:
      if (!readByte(m.data1)) return SmfStep::kEnd;
      m.data1 &= 0x7F;
      return SmfStep::kMessage;
    case 0xF0: case 0xF7:  // system exclusive and its escape form: a length, then the bytes
      return skipBlock(m.meta, m.metaLength) ? SmfStep::kMessage : SmfStep::kEnd;
    case 0xFF:
      if (!readByte(m.data1) || !skipBlock(m.meta, m.metaLength)) return SmfStep::kEnd;
      return m.data1 == kMetaEndOfTrack ? SmfStep::kEndOfTrack : SmfStep::kMessage;
    default:  // other system messages and a data byte with no status yet: nothing more is read
      return SmfStep::kMessage;
  }
}

}  // namespace velmora::smf
