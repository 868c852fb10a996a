// The host's event record: one timed channel message, with a note's duration. The host passes it
// as 17 packed bytes at fixed offsets; encode/decode convert field by field so the layout is the
// same on every compiler and word size. Live input comes as shorter raw timed messages.
#pragma once

#include <cstdint>

namespace velmora {

// Record types; 0..5 are the channel-message types.
enum : std::uint32_t {
  kEventNote = 0,
  kEventKeyAftertouch = 1,
  kEventController = 2,
  kEventProgramChange = 3,
  kEventChannelAftertouch = 4,
  kEventPitchWheel = 5,
};

// Duration of a note whose note-off has not been seen (yet).
inline constexpr std::uint32_t kOpenDuration = 0xFFFFFFFFu;

// Size of the packed record.
inline constexpr std::uint32_t kEventRecordSize = 17;

struct MidiEvent {
  std::int32_t time = 0;        // start, in ticks
  std::uint8_t port = 0;
  std::uint8_t channel = 0;     // 0..15
  std::uint32_t type = kEventNote;
  std::uint8_t data1 = 0;       // key, controller number, program, or wheel value low byte
  std::uint8_t data2 = 0;       // velocity, pressure, controller value, or wheel value high byte
  std::uint8_t data3 = 0;       // release velocity of a note
  std::uint32_t duration = 0;   // length of a note in ticks

  bool isNote() const { return type == kEventNote; }
  // Signed wheel value -8192..8191 held in data1 (low byte) and data2 (high byte).
  std::int16_t wheelValue() const { return static_cast<std::int16_t>(data1 | (data2 << 8)); }
  void setWheelValue(std::int16_t value) {
    data1 = static_cast<std::uint8_t>(value & 0xFF);
    data2 = static_cast<std::uint8_t>((static_cast<std::uint16_t>(value) >> 8) & 0xFF);
  }

  // Writes the 17 bytes: time at 0, port 4, channel 5, type 6, data 10, 11, 12, duration 13;
  // integers little-endian. [any-thread, real-time safe]
  void encode(std::uint8_t out[kEventRecordSize]) const;
  // Reads the same layout. [any-thread, real-time safe]
  static MidiEvent decode(const std::uint8_t in[kEventRecordSize]);

  friend bool operator==(const MidiEvent&, const MidiEvent&) = default;
};

// Size of a packed live-input record.
inline constexpr std::uint32_t kShortMessageSize = 7;

// A raw timed short message of the host's live input: time, then the status and two data bytes.
struct TimedShortMessage {
  std::int32_t time = 0;  // in ticks
  std::uint8_t status = 0;
  std::uint8_t data1 = 0;
  std::uint8_t data2 = 0;

  // Writes the 7 bytes: time little-endian at 0, status 4, data 5 and 6. [any-thread, real-time safe]
  void encode(std::uint8_t out[kShortMessageSize]) const;
  // Reads the same layout. [any-thread, real-time safe]
  static TimedShortMessage decode(const std::uint8_t in[kShortMessageSize]);

  friend bool operator==(const TimedShortMessage&, const TimedShortMessage&) = default;
};

// The channel message of a record: status (with the channel) and two data bytes, as a MIDI
// stream carries it (a note gives its note-on; the wheel value becomes its two 7-bit halves).
// False for a type that has no channel message. [any-thread, real-time safe]
bool channelMessage(const MidiEvent& event, std::uint8_t& status, std::uint8_t& data1, std::uint8_t& data2);

// A note record on `channel` (0..15). [any-thread, real-time safe]
constexpr MidiEvent noteEvent(std::int32_t time, int channel, int key, int velocity, std::uint32_t duration) {
  MidiEvent e;
  e.time = time;
  e.channel = static_cast<std::uint8_t>(channel);
  e.data1 = static_cast<std::uint8_t>(key);
  e.data2 = static_cast<std::uint8_t>(velocity);
  e.duration = duration;
  return e;
}

}  // namespace velmora
