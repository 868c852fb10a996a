// Plays a song into an engine window by window, the way a host's playback does: start, windows
// of a chosen size, stop. Track input is handed to the window that holds its time (events of one
// time in the order given); what the engine makes and the input it lets pass go to the output,
// in the engine's order. Nothing is kept: memory does not grow with the number of windows.
// [main-thread: the program's one thread]
#pragma once

#include <cstddef>
#include <functional>
#include <vector>

#include "engine/EventSink.h"
#include "engine/Tamborak.h"

namespace velmora::app {

class WindowPlayer final : private EventSource, private EventSink {
 public:
  using Output = std::function<void(const MidiEvent&)>;
  WindowPlayer(Tamborak& engine, Output output) : engine_(engine), output_(std::move(output)) {}

  // Track input for the windows to come (any order; sorted by time, stable).
  void feed(std::vector<MidiEvent> input);
  void start(SongTick at) { engine_.start(at); position_ = at; }
  // Windows of `windowSize` ticks (at least 1) covering first..last, inclusive; the last window is
  // cut at `last`. The position becomes last + 1.
  void run(SongTick first, SongTick last, SongTick windowSize);
  void stop() { engine_.stop(position_); }

 private:
  std::size_t size() const override { return windowEnd_ - windowBegin_; }
  bool get(std::size_t index, MidiEvent& event) const override;
  void emit(const MidiEvent& event) override { output_(event); }
  void pass(std::size_t index) override { output_(input_[windowBegin_ + index]); }
  void window(SongTick first, SongTick last);

  Tamborak& engine_;
  Output output_;
  std::vector<MidiEvent> input_;
  std::size_t next_ = 0;  // the first input event not handed to a window yet
  std::size_t windowBegin_ = 0, windowEnd_ = 0;
  SongTick position_ = 0;
};

}  // namespace velmora::app
