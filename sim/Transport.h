// The simulated transport: plays song ranges through a filter window by window, the way a host's
// playback does (start, windows of a chosen size, loops, jumps, stop), feeds it track and live
// input, and records every call and every event that comes out, so that tests compare outputs;
// or, for long songs, hands each event to a sink and keeps nothing.
// [any-thread, one at a time: the simulated host's]
#pragma once

#include <cstddef>
#include <deque>
#include <functional>
#include <utility>
#include <vector>

#include "hostapi/MfxHost.h"
#include "midi/Event.h"

namespace velmora::sim {

struct Call {
  enum Kind { kStart, kEvents, kInput, kLoop, kStop };
  Kind kind;
  MfxTime first = 0;   // start, window start, loop restart or stop time (0 for input)
  MfxTime second = 0;  // window end (inclusive) or loop stop time
  HRESULT result = S_OK;
};

// An event that left the filter, with the index of the call that produced it.
struct Emitted {
  MidiEvent event;
  std::size_t call;
};

struct Recording {
  std::vector<Call> calls;
  std::vector<Emitted> events;            // out of OnStart, OnEvents, OnLoop and OnStop queues
  std::vector<TimedShortMessage> input;   // out of OnInput
  std::size_t queuesHeld = 0;             // queues the filter still referenced after its call

  // The emitted events alone, in order; with `notesOnly`, only notes.
  std::vector<MidiEvent> eventList(bool notesOnly = false) const;
  // The OnEvents windows in order, as (first, last) tick pairs.
  std::vector<std::pair<MfxTime, MfxTime>> windows() const;
};

class Transport {
 public:
  // What streaming transports hand each emitted event to, in order.
  using Sink = std::function<void(const MidiEvent&)>;

  explicit Transport(IMfxEventFilter& filter) : filter_(filter) {}
  // A transport that records no call and keeps no event: each emitted event goes to `sink`,
  // OnInput's output is dropped; its memory does not grow with the number of windows.
  Transport(IMfxEventFilter& filter, Sink sink) : filter_(filter), sink_(std::move(sink)) {}

  // Track input: delivered in the inQueue of the OnEvents window that holds its time; events
  // of one time in the order fed.
  void feed(const MidiEvent& event);
  // Live input: delivered through OnInput just before the window that holds its time.
  void feedLive(const TimedShortMessage& message);

  // OnStart(at); the position becomes `at`.
  void start(MfxTime at);
  // OnEvents windows of `windowSize` ticks (at least 1) covering first..last, inclusive; the last
  // window is cut at `last`. The position becomes last + 1.
  void run(MfxTime first, MfxTime last, MfxTime windowSize);
  // OnLoop(restart, stopTime); the position becomes `restart`.
  void loop(MfxTime restart, MfxTime stopTime);
  // OnStop at the position.
  void stop();
  // A relocation during playback: stop at the position, start again at `to`.
  void jump(MfxTime to);
  MfxTime position() const { return position_; }

  const Recording& recording() const { return recording_; }

  // start(first), run(first, last, windowSize), stop(): gives what was recorded.
  static Recording play(IMfxEventFilter& filter, MfxTime first, MfxTime last, MfxTime windowSize);
  // Plays from `first` to loopEnd, then `passes` - 1 more times from loopStart to loopEnd with
  // OnLoop(loopStart, loopEnd + 1) between the passes, then stops.
  static Recording playLooped(IMfxEventFilter& filter, MfxTime first, MfxTime loopStart, MfxTime loopEnd,
                              int passes, MfxTime windowSize);

 private:
  // Records the call (streaming: nothing); its index.
  std::size_t begin(Call::Kind kind, MfxTime first, MfxTime second);
  // Records the call's result (streaming: nothing).
  void setResult(std::size_t call, HRESULT result);
  // Runs one call against a fresh event queue and records what the filter put into it.
  void queueCall(Call::Kind kind, MfxTime first, MfxTime second,
                 const std::function<HRESULT(IMfxEventQueue*)>& invoke);
  void window(MfxTime first, MfxTime last);

  IMfxEventFilter& filter_;
  Recording recording_;
  Sink sink_;
  // Held in time order, so that a window takes its input from one place without a search.
  std::deque<MidiEvent> pendingTrack_;
  std::deque<TimedShortMessage> pendingLive_;
  MfxTime position_ = 0;
};

}  // namespace velmora::sim
