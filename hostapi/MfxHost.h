// The MFX host's side of the filter contract: the filter interface that the host calls, and the
// host interfaces that the filter calls (time converter, meter map, note-name source, off-line
// marker, event and input queues). A real host calls these vtables, so every slot stays where
// the contract puts it; slots the contract leaves open are reserved placeholders that the filter
// never calls. All operations use the COM calling convention (__stdcall on 32-bit Windows).
#pragma once

#include <cstdint>

#include "hostapi/ComTypes.h"

namespace velmora {

// Song time in host ticks, signed 32 bits.
using MfxTime = std::int32_t;

// One record of an event queue: 17 packed bytes (time, duration, port, type, channel, data).
struct MfxEventRecord {
  std::uint8_t bytes[17];
};

// One record of an input queue: 7 packed bytes (time and a short message).
struct MfxInputRecord {
  std::uint8_t bytes[7];
};

inline constexpr IID IID_IMfxEventFilter = {0x8D7FDE01, 0x1B1B, 0x11D2, {0xA8, 0xE0, 0x00, 0x00, 0xA0, 0x09, 0x0D, 0xAF}};
inline constexpr IID IID_IMfxTimeConverter = {0xFF76F7C3, 0xF166, 0x11D1, {0xA8, 0xE0, 0x00, 0x00, 0xA0, 0x09, 0x0D, 0xAF}};
inline constexpr IID IID_IMfxMeterMap = {0xFF76F7C4, 0xF166, 0x11D1, {0xA8, 0xE0, 0x00, 0x00, 0xA0, 0x09, 0x0D, 0xAF}};
inline constexpr IID IID_IMfxNoteNameSource = {0x6BFCA001, 0x043D, 0x11D2, {0xA8, 0xE0, 0x00, 0x00, 0xA0, 0x09, 0x0D, 0xAF}};
inline constexpr IID IID_IMfxOfflineMarker = {0x838C6961, 0x0C50, 0x11D2, {0xA8, 0xE0, 0x00, 0x00, 0xA0, 0x09, 0x0D, 0xAF}};
// The queues and the note-name lists are handed over, never queried for: these identifiers are
// ours, so that objects implementing them can answer QueryInterface.
inline constexpr IID IID_IMfxEventQueue = {0xACB7105F, 0x7F14, 0x4DAC, {0xBD, 0xD5, 0x66, 0x09, 0xDD, 0x69, 0x41, 0x36}};
inline constexpr IID IID_IMfxInputQueue = {0x8A26A47D, 0x06A2, 0x4335, {0xB1, 0x7F, 0x11, 0x0F, 0x22, 0xAD, 0x6E, 0x82}};
inline constexpr IID IID_IMfxNoteNameLists = {0x188200DC, 0x09FA, 0x45DC, {0xBE, 0x96, 0xAF, 0xC2, 0xE8, 0x47, 0xC0, 0xAC}};
inline constexpr IID IID_IMfxNoteNameList = {0x669A4810, 0x2921, 0x4A26, {0x90, 0xEB, 0xBF, 0x18, 0x39, 0x7F, 0x07, 0x0D}};

// A queue of event records, passed into the filter's calls. [audio-thread]
struct IMfxEventQueue : IUnknown {
  // Appends a copy of the 17 bytes at `record`.
  STDMETHOD(add)(const MfxEventRecord* record) = 0;
  STDMETHOD(getCount)(std::int32_t* count) = 0;
  // Copies record `index` into `record`; negative result when there is none.
  STDMETHOD(getAt)(std::int32_t index, MfxEventRecord* record) = 0;

 protected:
  ~IMfxEventQueue() = default;
};

// A queue of raw timed short messages (live input), with the operations of the event queue.
struct IMfxInputQueue : IUnknown {
  STDMETHOD(add)(const MfxInputRecord* record) = 0;
  STDMETHOD(getCount)(std::int32_t* count) = 0;
  STDMETHOD(getAt)(std::int32_t index, MfxInputRecord* record) = 0;

 protected:
  ~IMfxInputQueue() = default;
};

// The filter object as the host drives it. [any-thread: the host's]
struct IMfxEventFilter : IUnknown {
  // Takes the host context (the caller's reference is consumed by the filter).
  STDMETHOD(Connect)(IUnknown* context) = 0;
  STDMETHOD(Disconnect)() = 0;
  STDMETHOD(OnStart)(MfxTime time, IMfxEventQueue* rewindQueue) = 0;
  STDMETHOD(OnLoop)(MfxTime restartTime, MfxTime stopTime, IMfxEventQueue* loopQueue) = 0;
  STDMETHOD(OnStop)(MfxTime time, IMfxEventQueue* shutdownQueue) = 0;
  // One window of song time; both bounds are inclusive.
  STDMETHOD(OnEvents)(MfxTime fromTime, MfxTime thruTime, IMfxEventQueue* inQueue, IMfxEventQueue* outQueue) = 0;
  STDMETHOD(OnInput)(IMfxInputQueue* inQueue, IMfxInputQueue* outQueue) = 0;

 protected:
  ~IMfxEventFilter() = default;
};

// The host's time base. [any-thread: the host's]
struct IMfxTimeConverter : IUnknown {
  STDMETHOD(reserved1)() = 0;
  STDMETHOD(reserved2)() = 0;
  STDMETHOD_(std::int32_t, getTicksPerQuarter)() = 0;
  STDMETHOD(reserved4)() = 0;
  STDMETHOD(reserved5)() = 0;
  // Tempo change `index` (0 = the song's first): the tick where it starts and the tempo in beats
  // per minute × 100.
  STDMETHOD(getTempo)(std::int32_t index, MfxTime* startTick, std::int32_t* tempo) = 0;

 protected:
  ~IMfxTimeConverter() = default;
};

// The song's meters. Measures and beats count from 1. [any-thread: the host's]
struct IMfxMeterMap : IUnknown {
  STDMETHOD(ticksToMbt)(MfxTime ticks, std::int32_t* measure, std::int32_t* beat, std::int32_t* tick) = 0;
  STDMETHOD_(MfxTime, mbtToTicks)(std::int32_t measure, std::int32_t beat, std::int32_t tick) = 0;
  // Index of the meter in effect at `ticks`.
  STDMETHOD_(std::int32_t, meterIndexAt)(MfxTime ticks) = 0;
  STDMETHOD(reserved4)() = 0;
  // Meter `index`: the measure where it starts, its numerator and its denominator as a power of
  // two (2 for quarters, 3 for eighths).
  STDMETHOD(getMeter)(std::int32_t index, std::int32_t* measure, std::int32_t* numerator,
                      std::int32_t* denominatorPower) = 0;

 protected:
  ~IMfxMeterMap() = default;
};

// One instrument definition of the host: a titled list of note names. Texts are written into the
// caller's buffer of `size` bytes, NUL-terminated. [any-thread: the host's]
struct IMfxNoteNameList : IUnknown {
  STDMETHOD(getName)(char* buffer, std::int32_t size) = 0;
  STDMETHOD(getNoteCount)(std::int32_t* count) = 0;
  STDMETHOD(getNoteName)(std::int32_t index, char* buffer, std::int32_t size) = 0;

 protected:
  ~IMfxNoteNameList() = default;
};

// The host's instrument definitions. getItem hands out an added reference. [any-thread: the host's]
struct IMfxNoteNameLists : IUnknown {
  STDMETHOD(getCount)(std::int32_t* count) = 0;
  STDMETHOD(getItem)(std::int32_t index, IMfxNoteNameList** item) = 0;

 protected:
  ~IMfxNoteNameLists() = default;
};

// Gives the instrument definitions; the service is handed out with an added reference.
struct IMfxNoteNameSource : IUnknown {
  STDMETHOD(reserved1)() = 0;
  STDMETHOD(getNoteNameLists)(IMfxNoteNameLists** lists) = 0;

 protected:
  ~IMfxNoteNameSource() = default;
};

// Offered by a host context that runs the filter as an off-line edit; it has no operations.
struct IMfxOfflineMarker : IUnknown {
 protected:
  ~IMfxOfflineMarker() = default;
};

}  // namespace velmora
