#include "midi/Event.h"

namespace velmora {
namespace {
void put32(std::uint8_t* out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out[i] = static_cast<std::uint8_t>(v >> (8 * i));
}
std::uint32_t get32(const std::uint8_t* in) {
  std::uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | in[i];
  return v;
}
}  // namespace

void MidiEvent::encode(std::uint8_t out[kEventRecordSize]) const {
  put32(out + 0, static_cast<std::uint32_t>(time));
  out[4] = port;
  out[5] = channel;
  put32(out + 6, type);
  out[10] = data1;
  out[11] = data2;
  out[12] = data3;
  put32(out + 13, duration);
}

MidiEvent MidiEvent::decode(const std::uint8_t in[kEventRecordSize]) {
  MidiEvent e;
  e.time = static_cast<std::int32_t>(get32(in + 0));
  e.port = in[4];
  e.channel = in[5];
  e.type = get32(in + 6);
  e.data1 = in[10];
  e.data2 = in[11];
  e.data3 = in[12];
  e.duration = get32(in + 13);
  return e;
}

void TimedShortMessage::encode(std::uint8_t out[kShortMessageSize]) const {
  put32(out, static_cast<std::uint32_t>(time));
  out[4] = status;
  out[5] = data1;
  out[6] = data2;
}

TimedShortMessage TimedShortMessage::decode(const std::uint8_t in[kShortMessageSize]) {
  return {static_cast<std::int32_t>(get32(in)), in[4], in[5], in[6]};
}

bool channelMessage(const MidiEvent& event, std::uint8_t& status, std::uint8_t& data1, std::uint8_t& data2) {
  data1 = event.data1 & 0x7F;
  data2 = event.data2 & 0x7F;
  switch (event.type) {
    case kEventNote: status = 0x90; break;
    case kEventKeyAftertouch: status = 0xA0; break;
    case kEventController: status = 0xB0; break;
    case kEventProgramChange: status = 0xC0; break;
    case kEventChannelAftertouch:
      status = 0xD0;
      data1 = event.data2 & 0x7F;
      break;
    case kEventPitchWheel: {
      const int value = event.wheelValue();
      status = 0xE0;
      data1 = static_cast<std::uint8_t>(value & 0x7F);
      data2 = static_cast<std::uint8_t>(((value + 8192) >> 7) & 0x7F);
      break;
    }
    default: return false;
  }
  status = static_cast<std::uint8_t>(status | (event.channel & 0x0F));
  return true;
}

}  // namespace velmora
