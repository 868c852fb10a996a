// What one window of the engine reads and where it goes: the host's input events, and the events
// the engine makes or lets pass. The host adapter owns both and translates its host's events.
#pragma once

#include <cstddef>

#include "midi/Event.h"

namespace velmora {

class EventSource {
 public:
  // Input events of the window, in time order. [audio-thread, must be real-time safe]
  virtual std::size_t size() const = 0;
  // Event `index` (times in song ticks); false when the host cannot give it (it is skipped).
  // [audio-thread, must be real-time safe]
  virtual bool get(std::size_t index, MidiEvent& event) const = 0;

 protected:
  ~EventSource() = default;
};

class EventSink {
 public:
  // Takes one event the engine made (time in song ticks, port and channel already final).
  // [audio-thread, must be real-time safe]
  virtual void emit(const MidiEvent& event) = 0;
  // Input event number `index` of the window passes on unchanged, here in the output's order.
  // [audio-thread, must be real-time safe]
  virtual void pass(std::size_t index) = 0;

 protected:
  ~EventSink() = default;
};

}  // namespace velmora
