// The host context an LV2 instance hands to its engine: the song's time base as the LV2 host
// last reported it (one tempo, one meter from the song's start, at a fixed resolution), and the
// fixed-capacity event and input queues of the run pass. Everything here is real-time safe.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>

#include "hostapi/MfxHost.h"

namespace velmora::lv2 {

// Ticks per quarter note of the songs the adapter counts.
inline constexpr std::int32_t kTicksPerQuarter = 960;

// Answers the engine's time converter and meter map. The audio thread changes tempo and meter;
// any thread reads them. Its lifetime is the instance's: AddRef and Release count nothing.
class SongTime final : public IMfxTimeConverter, public IMfxMeterMap {
 public:
  // A beat of 1/unit note in ticks; units that are no power of two from 1 to 64 count as 4.
  static std::int32_t beatTicks(std::int32_t unit);

  // [audio-thread, real-time safe]
  void setTempo(double beatsPerMinute, std::int32_t unit);
  void setMeter(std::int32_t beatsPerBar, std::int32_t unit);
  std::int32_t beatsPerBar() const { return beatsPerBar_.load(std::memory_order_relaxed); }
  std::int32_t beatUnit() const { return unit_.load(std::memory_order_relaxed); }
  std::int32_t barTicks() const { return beatsPerBar() * beatTicks(beatUnit()); }

  IUnknown* unknown() { return static_cast<IMfxTimeConverter*>(this); }

  // [any thread, real-time safe]
  STDMETHOD(QueryInterface)(REFIID iid, void** object) override;
  STDMETHOD_(ULONG, AddRef)() override { return 1; }
  STDMETHOD_(ULONG, Release)() override { return 1; }
  STDMETHOD(reserved1)() override { return E_NOTIMPL; }
  STDMETHOD(reserved2)() override { return E_NOTIMPL; }
  STDMETHOD_(std::int32_t, getTicksPerQuarter)() override { return kTicksPerQuarter; }
  STDMETHOD(reserved4)() override { return E_NOTIMPL; }
  STDMETHOD(reserved5)() override { return E_NOTIMPL; }
  STDMETHOD(getTempo)(std::int32_t index, MfxTime* startTick, std::int32_t* tempo) override;
  STDMETHOD(ticksToMbt)(MfxTime ticks, std::int32_t* measure, std::int32_t* beat, std::int32_t* tick) override;
  STDMETHOD_(MfxTime, mbtToTicks)(std::int32_t measure, std::int32_t beat, std::int32_t tick) override;
  STDMETHOD_(std::int32_t, meterIndexAt)(MfxTime) override { return 0; }
  STDMETHOD(getMeter)(std::int32_t index, std::int32_t* measure, std::int32_t* numerator,
                      std::int32_t* denominatorPower) override;

 private:
  std::atomic<std::int32_t> bpm100_{12000};  // quarter notes per minute × 100
  std::atomic<std::int32_t> beatsPerBar_{4};
  std::atomic<std::int32_t> unit_{4};
};

// A queue of event or input records with room for Capacity; add fails when it is full. Owned by
// the instance, handed to the engine for one call at a time. [audio-thread, real-time safe]
template <class Face, class Bytes, std::size_t Capacity>
class FixedQueue final : public Face {
 public:
  STDMETHOD(QueryInterface)(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    *object = iid == IID_IUnknown ? static_cast<IUnknown*>(this) : nullptr;
    return *object ? S_OK : E_NOINTERFACE;
  }
  STDMETHOD_(ULONG, AddRef)() override { return 1; }
  STDMETHOD_(ULONG, Release)() override { return 1; }
  STDMETHOD(add)(const Bytes* record) override {
    if (!record) return E_POINTER;
    if (count_ == Capacity) return E_OUTOFMEMORY;
    records_[count_++] = *record;
    return S_OK;
  }
  STDMETHOD(getCount)(std::int32_t* count) override {
    if (!count) return E_POINTER;
    *count = static_cast<std::int32_t>(count_);
    return S_OK;
  }
  STDMETHOD(getAt)(std::int32_t index, Bytes* record) override {
    if (!record) return E_POINTER;
    if (index < 0 || static_cast<std::size_t>(index) >= count_) return E_INVALIDARG;
    *record = records_[static_cast<std::size_t>(index)];
    return S_OK;
  }
  void clear() { count_ = 0; }
  std::size_t size() const { return count_; }
  const Bytes& operator[](std::size_t i) const { return records_[i]; }

 private:
  std::array<Bytes, Capacity> records_{};
  std::size_t count_ = 0;
};

using EventQueue = FixedQueue<IMfxEventQueue, MfxEventRecord, 4096>;
using InputQueue = FixedQueue<IMfxInputQueue, MfxInputRecord, 256>;

}  // namespace velmora::lv2
