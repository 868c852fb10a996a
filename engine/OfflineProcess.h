// Off-line rendering of slices into a Standard MIDI File. An OfflineProcess stands in for the
// engine as the slices' ProcessContext: it has a time base of its own (tempo, resolution, meter),
// collects what the slices emit in time order with a note-off after each note, and writes the
// result with a tempo track first. SingleTrackProcess merges every slice into one track;
// MultiTrackProcess gives each slice a track named after its pattern.
//
// One process serves one export: constructed, processed once, written once, destroyed. It runs
// on one thread (the caller's); the slices take their own locks while they render into it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/ExportTimeBase.h"
#include "io/UniStream.h"
#include "loops/Phrase.h"
#include "loops/ProcessContext.h"
#include "midi/SmfExport.h"

namespace velmora {

class Looper;

class OfflineProcess : public ProcessContext {
 public:
  // Collected messages with their place among messages at the same tick: a message goes after
  // every message at its tick so far, a note-off before them; messages() gives them in file
  // order. Keeping ranks and sorting once keeps a long export from inserting into the middle.
  class Collector {
   public:
    void append(const smf::ExportMessage& message) { entries_.push_back({message, ++sequence_}); }
    void prepend(const smf::ExportMessage& message) { entries_.push_back({message, -++sequence_}); }
    std::size_t size() const { return entries_.size(); }
    std::vector<smf::ExportMessage> messages() const;

   private:
    struct Entry {
      smf::ExportMessage message;
      std::int64_t rank;  // order among the messages at the same tick
    };
    std::vector<Entry> entries_;
    std::int64_t sequence_ = 0;
  };

  OfflineProcess(const OfflineProcess&) = delete;
  OfflineProcess& operator=(const OfflineProcess&) = delete;
  virtual ~OfflineProcess();

  // Collects `event` into the current collector (none: dropped): channel messages only, placed
  // after every message at its time or earlier; a note also gets its note-off (status 0x8n,
  // same key and velocity) at time + duration, before every message at that time or later but
  // never before its own note-on; a note left open ends at the end of the processed range.
  // [main-thread, not real-time safe: allocates]
  void emit(const MidiEvent& event) override;
  // Measure, beat and tick in the process's own meter (measures and beats count from 1).
  // [any-thread]
  std::int32_t mbtToTicks(std::int32_t measure, std::int32_t beat, std::int32_t tick) override;
  void ticksToMbt(std::int32_t ticks, std::int32_t& measure, std::int32_t& beat, std::int32_t& tick) override;

  // Every slice in order renders [from, to] (both inclusive) into this process, each its part of
  // the phrase; `start` is the
  // tick the file's first delta time counts from. Each slice starts its render pass afresh and
  // is left to start afresh at its next window. [main-thread, not real-time safe]
  virtual void process(std::int32_t start, std::int32_t from, std::int32_t to);
  // Writes the collected tracks as a format-1 file after a tempo track; always 0.
  // [main-thread, not real-time safe]
  virtual int write(CUniStream& stream);
  // The loop's phrase: with one, slice 6 is the loop's fill and every slice plays its part of
  // each phrase (renderPart). Default: no phrase. [main-thread]
  void setPhrase(const PhraseSettings& phrase) { phrase_ = phrase; }
  // Channel messages collected from now on leave on `channel` (0..15), as the engine's own
  // output does; -1 keeps each event's channel. [main-thread]
  void forceChannel(std::int32_t channel) { channel_ = channel; }

  // The time base after set-up: the file's division (ProcessContext::ticksPerQuarter), ticks
  // per beat of the meter, numerator, denominator power, tempo.
  std::int32_t ticksPerBeat() const { return ticksPerBeat_; }
  std::int32_t numerator() const { return numerator_; }
  std::int32_t denominatorPower() const { return denominatorPower_; }
  std::int32_t tempo() const { return tempo_; }

 protected:
  // A time base value the file cannot carry falls back to its default (resolution below 1: 480;
  // numerator outside 1..255: 4; power outside 0..7: 2; tempo below 1: 12000); a resolution
  // above the file's 32767 is cut to it. A beat shorter than a quarter needs a resolution that
  // divides into whole beats: it is rounded up to one (down where up would pass 32767).
  OfflineProcess(Looper* const* slices, std::size_t count, const ExportTimeBase& timeBase);

  // Called before slice `index` renders and after the last one (index = count).
  virtual void selectCollector(std::size_t index) = 0;
  // The event tracks to write, in order.
  virtual std::vector<smf::ExportTrack> tracks() = 0;

  std::vector<Looper*> slices_;
  Collector* current_ = nullptr;

 private:
  std::int32_t start_ = 0;
  std::int32_t channel_ = -1;
  PhraseSettings phrase_;
  std::int64_t rangeEnd_ = 0;  // the tick after the rendered range
  std::int32_t tempo_ = 12000;
  std::int32_t ticksPerBeat_ = 480;
  std::int32_t numerator_ = 4;
  std::int32_t denominatorPower_ = 2;
};

// All slices into one unnamed track.
class SingleTrackProcess final : public OfflineProcess {
 public:
  SingleTrackProcess(Looper* const* slices, std::size_t count, const ExportTimeBase& timeBase)
      : OfflineProcess(slices, count, timeBase) {}
  const Collector& collected() const { return collector_; }

 private:
  void selectCollector(std::size_t) override { current_ = &collector_; }
  std::vector<smf::ExportTrack> tracks() override;
  Collector collector_;
};

// One track per slice, in slice order, named by the slice's export title.
class MultiTrackProcess final : public OfflineProcess {
 public:
  MultiTrackProcess(Looper* const* slices, std::size_t count, const ExportTimeBase& timeBase)
      : OfflineProcess(slices, count, timeBase), collectors_(count) {}
  const Collector& collected(std::size_t index) const { return collectors_.at(index); }

 private:
  void selectCollector(std::size_t index) override {
    current_ = index < collectors_.size() ? &collectors_[index] : nullptr;
  }
  std::vector<smf::ExportTrack> tracks() override;
  std::vector<Collector> collectors_;
};

}  // namespace velmora
