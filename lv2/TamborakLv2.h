// The LV2 face of the engine: one instance per plug-in the host creates. It follows the host's
// transport (time:Position) and turns each run block into engine windows in ticks, sends the
// engine's notes out at their exact frames with their note-offs, hands trigger notes to the
// engine at their tick, and leaves every piece of work that may wait (control changes that
// reach the library, the engine's deferred user-interface work) to the LV2 worker.
#pragma once

#include <lv2/atom/atom.h>
#include <lv2/atom/forge.h>
#include <lv2/core/lv2.h>
#include <lv2/state/state.h>
#include <lv2/urid/urid.h>
#include <lv2/worker/worker.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include <memory>

#include "engine/EventSink.h"
#include "lv2/ControlPorts.h"
#include "lv2/SongTime.h"

namespace velmora {
class Tamborak;
}  // namespace velmora

namespace velmora::lv2 {

inline constexpr char kPluginUri[] = "urn:velmora:tamborak";
inline constexpr char kStateUri[] = "urn:velmora:tamborak#state";


class Plugin final : private EventSource, private EventSink {
 public:
  // A new instance, or nullptr (with a message on stderr) when the host lacks urid:map or the
  // worker, or the engine cannot start. [main-thread, not real-time safe]
  static Plugin* create(double sampleRate, const LV2_Feature* const* features);
  ~Plugin();
  Plugin(const Plugin&) = delete;
  Plugin& operator=(const Plugin&) = delete;

  // [audio-thread, real-time safe]
  void connectPort(std::uint32_t port, void* data);
  // Stops the engine's playback when it runs. [main-thread, not concurrent with run]
  void activate();
  void deactivate();
  // One block: follows the transport, renders the engine's windows, writes the output sequence.
  // [audio-thread, real-time safe: no allocation, no I/O; the engine's pad lock only]
  void run(std::uint32_t frames);

  // [main-thread: the worker, not real-time safe] Applies a control change or runs the engine's
  // deferred user-interface work, one instance at a time across the process.
  LV2_Worker_Status work(LV2_Worker_Respond_Function respond, LV2_Worker_Respond_Handle handle, std::uint32_t size,
                         const void* data);
  // [audio-thread, real-time safe]
  LV2_Worker_Status workResponse(std::uint32_t size, const void* data);

  // The engine's state block as one portable chunk. [main-thread, not real-time safe]
  LV2_State_Status save(LV2_State_Store_Function store, LV2_State_Handle handle);
  LV2_State_Status restore(LV2_State_Retrieve_Function retrieve, LV2_State_Handle handle);

 private:
  Plugin(double sampleRate, const LV2_URID_Map& map, const LV2_Worker_Schedule& schedule);

  struct Urids {
    LV2_URID atomBlank, atomObject, atomFloat, atomDouble, atomInt, atomLong, atomChunk, atomSequence;
    LV2_URID midiEvent, timePosition, timeBar, timeBarBeat, timeBeatsPerBar, timeBeatUnit, timeBeatsPerMinute,
        timeSpeed, timeFrame, state, panelState, panelHello, panelPosition, panelTick;
  };
  // One job for the worker.
  struct Job {
    std::uint32_t kind;  // kJobControl, kJobPump, kJobPanelState or kJobPanelHello
    std::int32_t control;
    std::int32_t value;
  };
  static constexpr std::uint32_t kJobControl = 1, kJobPump = 2, kJobPanelState = 3, kJobPanelHello = 4;
  // A MIDI message waiting to be written in frame order.
  struct OutMessage {
    std::uint32_t frame;
    std::uint32_t order;  // at one frame: ends of earlier notes (0), then the rest (1), then ends of notes
                          // that began at that frame (2); then arrival
    std::uint8_t bytes[3];
    std::uint8_t size;
    bool keep;  // written: chosen by writeOutput when the host's buffer is short
  };
  struct PendingOff {
    std::int64_t tick;
    std::uint8_t status, key;
  };
  // Where a window's events land: the block frames [first, first + frames), each at the frame of
  // its tick; when not `timed` (start and stop), all at `first`.
  struct Span {
    std::uint32_t first, frames;
    bool timed;
  };

  // The steps of run. [audio-thread, real-time safe]
  void segment(std::uint32_t from, std::uint32_t to);
  void position(std::uint32_t frame, const LV2_Atom_Object* object);
  void midiIn(std::uint32_t frame, const std::uint8_t* bytes, std::uint32_t size);
  void startEngine();
  void stopEngine(std::uint32_t frame);
  // The window being processed: its trigger notes as the engine's input, what the engine makes
  // sent at once. [audio-thread, real-time safe]
  std::size_t size() const override { return windowTriggers_; }
  bool get(std::size_t index, MidiEvent& event) const override;
  void emit(const MidiEvent& event) override { sendEvent(event, windowLast_, windowSpan_); }
  void pass(std::size_t index) override;
  // Sends one event the engine gave for a window ending at `lastTick`; note ends after it wait.
  void sendEvent(const MidiEvent& event, std::int64_t lastTick, const Span& span);
  // Sends the waiting note ends up to `lastTick` (`all`: every one).
  void releaseNotes(std::int64_t lastTick, const Span& span, bool all);
  // The block frame a tick sounds at: the frame nearest its exact place, kept inside the span.
  std::uint32_t frameOf(std::int64_t tick, const Span& span) const;
  // The frame, counted from the anchor, nearest to the exact place of `tick`.
  double framesFromAnchor(std::int64_t tick) const;
  // The song position `frames` frames after the anchor, in fractional ticks.
  double tickAt(std::int64_t frames) const;
  // Anchors the count at the current frame on song position `tick`.
  void place(double tick);
  void out(std::uint32_t frame, std::uint32_t order, std::uint8_t status, std::uint8_t data1, std::uint8_t data2,
           std::uint8_t size);
  void writeOutput();
  void checkControls();
  // A message of the panel: its state block goes to the worker; a hello asks for ours.
  void panelIn(const LV2_Atom_Object* object);
  // Sends the state block the worker left for the panel, if any. [audio-thread]
  void writeNotify();
  // Appends the song position for the panel to the notify sequence, whole or not at all, when a
  // panel said hello, the position or meter changed and the last one is old enough. `capacity`
  // is the sequence's body capacity the host gave. [audio-thread, real-time safe]
  void notifyPosition(std::uint32_t capacity, std::uint32_t frames);
  // Leaves the engine's state block for the panel when it changed since the last one (or always,
  // when `force`). [main-thread: the worker, under the process-wide lock]
  void offerState(bool force);
  // Takes the tempo, speed and meter into ticksPerFrame_. [audio-thread, real-time safe]
  void retime();
  bool isTrigger(std::uint8_t key) const;

  Tamborak& engine();

  double sampleRate_;
  Urids urids_{};
  LV2_Worker_Schedule schedule_;
  LV2_Atom_Forge forge_{};
  std::unique_ptr<Tamborak> engine_;
  SongTime song_;
  // The window being processed: the tick it starts at, its last tick, its frames, its trigger notes.
  std::int64_t windowFirst_ = 0, windowLast_ = 0;
  Span windowSpan_{0, 1, false};
  std::size_t windowTriggers_ = 0;

  const LV2_Atom_Sequence* in_ = nullptr;
  LV2_Atom_Sequence* out_ = nullptr;
  LV2_Atom_Sequence* notify_ = nullptr;
  std::array<const float*, kControlCount> controls_{};
  std::array<std::int32_t, kControlCount> lastControl_{};
  std::array<float, kControlCount> settledControl_{};  // the port value lastControl_ came from, NaN when unsettled
  bool controlsSeen_ = false;

  // Transport. While rolling the plug-in counts the song itself: the position at the current frame
  // is anchorTick_ (fractional ticks) plus anchorFrames_ frames at the host's tempo (beats of its
  // beat unit per minute) and speed. The anchor moves only when the tempo, the speed or the place
  // changes, so a tick's frame does not depend on how the host cuts its blocks. nextTick_ is the
  // first tick not yet handed to the engine.
  bool rolling_ = false;
  double anchorTick_ = 0;
  std::int64_t anchorFrames_ = 0;
  std::int64_t nextTick_ = 0;
  double beatsPerMinute_ = 120;
  double speed_ = 0;
  double ticksPerFrame_ = 0;  // song ticks per frame at that tempo, speed and beat unit

  std::array<std::uint8_t, 64> triggers_{};  // trigger keys waiting for the next window
  std::size_t triggerCount_ = 0;
  std::array<PendingOff, 1024> pendingOffs_{};
  std::size_t pendingCount_ = 0;
  std::array<OutMessage, 4096> outMessages_{};
  std::size_t outCount_ = 0;
  std::uint32_t arrival_ = 0;

  std::uint32_t framesSincePump_ = 0;
  bool pumpPending_ = false;

  // The panel's mirror. Two buffers of kMaxPanelState bytes, each handed between the audio
  // thread and the worker by its atomic: a size of 0 means the buffer is free.
  bool panelOpen_ = false;  // a panel said hello: the state is offered on every pump
  std::vector<std::uint8_t> panelIn_, panelOut_;
  std::atomic<std::uint32_t> panelInSize_{0}, panelOutSize_{0};
  std::string lastOffered_;  // the block the panel last got or gave [worker]
  // The song position last sent to the panel, -1 for none yet. [audio-thread]
  bool positionWanted_ = false;
  std::int64_t sentTick_ = -1;
  std::int32_t sentMeter_ = 0;
  std::uint32_t framesSincePosition_ = 0;
};

}  // namespace velmora::lv2
