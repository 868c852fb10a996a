// ProcessContext: the sink a slice renders into. It takes the finished events and converts
// between song ticks and measure, beat and tick in the song's meter. The engine implements it
// for playback, the export collectors for MIDI files, the drum-sampler link for its pads.
#pragma once

#include <cstdint>

#include "midi/Event.h"

namespace velmora {

class ProcessContext {
 public:
  // Takes one finished event. [audio-thread during playback: must be real-time safe]
  virtual void emit(const MidiEvent& event) = 0;
  // Answers 0 in every context of this system; kept so that implementations keep its slot.
  virtual std::int32_t query() { return 0; }
  // Song position of measure, beat (both from 1) and tick in the song's meter. [audio-thread]
  virtual std::int32_t mbtToTicks(std::int32_t measure, std::int32_t beat, std::int32_t tick) = 0;
  // The inverse. [audio-thread]
  virtual void ticksToMbt(std::int32_t ticks, std::int32_t& measure, std::int32_t& beat, std::int32_t& tick) = 0;
  // Moves `ticks` forward to a beat line, then, when the beat number is above `beatLimit`, to
  // that beat of the next measure; with beatLimit 1 the first bar line at or after `ticks`.
  // [audio-thread, real-time safe when the conversions are]
  virtual std::int32_t align(std::int32_t ticks, std::int32_t beatLimit);

  // Host ticks per quarter note; set by the owner before every pass.
  std::int32_t ticksPerQuarter = 240;

 protected:
  ProcessContext() = default;
  ProcessContext(const ProcessContext&) = default;
  ProcessContext& operator=(const ProcessContext&) = default;
  // Contexts are never destroyed through this face.
  ~ProcessContext() = default;
};

}  // namespace velmora
