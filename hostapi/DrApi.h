// The drum sampler's plug-in interfaces, as the link object implements them: IDrObject (the
// object the sampler loads, its state and its page) and IDrumDeploy (one call per audio block),
// with the records they pass. The sampler calls these vtables, so every slot stays in its place;
// the sampler's own host interface is only queried for, never called.
#pragma once

#include <cstdint>

#include "hostapi/ComTypes.h"

namespace velmora {

// The sampler's host interface; attaching needs it.
inline constexpr IID IID_IDrHost = {0xC7CD6182, 0x5971, 0x11D5, {0x9A, 0x28, 0x00, 0x50, 0xDA, 0x3E, 0xCE, 0xDF}};
// Ours, so that the link's faces answer QueryInterface.
inline constexpr IID IID_IDrObject = {0x5D0E0C1B, 0x8E42, 0x4F0A, {0x9C, 0x51, 0x2B, 0x7E, 0x11, 0x3A, 0x60, 0xD4}};
inline constexpr IID IID_IDrumDeploy = {0x3B6A2F70, 0x1C9D, 0x4E85, {0xA3, 0x0F, 0x74, 0x52, 0xC8, 0x19, 0xE6, 0x2B}};

// One pad trigger of a block: five 32-bit fields, 20 bytes. The records of a block form a list
// in sample-offset order through `next`: the index of the next record in the block's output
// area, -1 after the last (an index, not a pointer, so that the record is the same on 32 and
// 64 bits).
struct DrPadTrigger {
  std::int32_t kind;      // 0: note-on
  std::int32_t pad;       // 0..95
  std::int32_t velocity;  // 0..127
  std::int32_t offset;    // sample offset within the block
  std::int32_t next;
};
static_assert(sizeof(DrPadTrigger) == 20);

// A transport event inside a block: start (kind 0, value the run's volume 0..127) or stop
// (kind 1 or 3), at a sample offset.
struct DrTransportEvent {
  std::int32_t kind;
  std::int32_t value;
  std::int32_t offset;
};
inline constexpr std::int32_t kDrStart = 0;

// The transport of a block: playing, stopped, and up to kDrMaxTransportEvents events in order.
inline constexpr std::int32_t kDrMaxTransportEvents = 16;
struct DrTransport {
  std::int32_t playing;
  std::int32_t stop;
  std::int32_t eventCount;
  DrTransportEvent events[kDrMaxTransportEvents];
};

struct DrTempo {
  double beatsPerMinute;  // 0: the sampler has none (taken as 120)
};

// Where a block's pad triggers go: the sampler's array of `capacity` records, the count written
// so far, the first record of the block's list (an index, -1: none) and the next free record.
struct DrOutput {
  DrPadTrigger* records;
  std::int32_t capacity;
  std::int32_t* count;
  std::int32_t* first;
  std::int32_t* cursor;
};

// The object the sampler loads. Slots 3..35 follow IUnknown in this order; slot 24 stands where
// the sampler's compiler puts an object's deleting destructor (one slot), so it is an ordinary
// method here, whatever this compiler does with destructors.
struct IDrObject : IUnknown {
  STDMETHOD(attach)(IUnknown* host) = 0;                                        // 3
  STDMETHOD(getName)(char* text, std::int32_t size) = 0;                        // 4
  STDMETHOD_(std::int32_t, constant5)() = 0;                                    // 5
  STDMETHOD_(std::int32_t, constant6)() = 0;                                    // 6
  STDMETHOD_(std::int32_t, constant7)() = 0;                                    // 7
  STDMETHOD_(std::int32_t, saveState)(void** memory) = 0;                       // 8
  STDMETHOD(loadState)(const void* memory, std::int32_t size) = 0;              // 9
  STDMETHOD_(std::int32_t, constant10)() = 0;                                   // 10
  STDMETHOD_(std::int32_t, constant11)() = 0;                                   // 11
  STDMETHOD_(std::int32_t, constant12)() = 0;                                   // 12
  STDMETHOD_(double, constant13)() = 0;                                         // 13
  STDMETHOD_(std::int32_t, constant14)() = 0;                                   // 14
  STDMETHOD(setSampleRate)(std::int32_t channel, float rate) = 0;               // 15
  STDMETHOD(reset)() = 0;                                                       // 16
  STDMETHOD_(std::int32_t, call17)(std::int32_t, std::int32_t, std::int32_t, std::int32_t, std::int32_t,
                                   std::int32_t) = 0;                           // 17
  STDMETHOD_(std::int32_t, constant18)() = 0;                                   // 18
  STDMETHOD(emptyRecord)(DrPadTrigger* record) = 0;                             // 19
  STDMETHOD_(std::int32_t, pageSize)(std::int32_t* width, std::int32_t* height) = 0;  // 20
  STDMETHOD(showPage)(void* parentWindow) = 0;                                  // 21
  STDMETHOD(hidePage)() = 0;                                                    // 22
  STDMETHOD(notImplemented)() = 0;                                              // 23
  STDMETHOD_(void*, destroy)(std::uint32_t flags) = 0;                          // 24
  STDMETHOD(init)() = 0;                                                        // 25
  STDMETHOD(getLongName)(std::int32_t longName, char* text, std::int32_t size) = 0;  // 26
  STDMETHOD(getPageClass)(CLSID* page) = 0;                                     // 27
  STDMETHOD_(void, hook28)() = 0;                                               // 28
  STDMETHOD_(void, hook29)() = 0;                                               // 29
  STDMETHOD_(void, renderTo)(std::int32_t offset) = 0;                          // 30
  STDMETHOD_(void, beginRun)(std::int32_t value, std::int32_t offset) = 0;      // 31
  STDMETHOD_(void, hook32)() = 0;                                               // 32
  STDMETHOD_(void, saveStateTo)(void* stream) = 0;                              // 33
  STDMETHOD_(void, loadStateFrom)(void* stream) = 0;                            // 34
  STDMETHOD(createPage)() = 0;                                                  // 35

 protected:
  ~IDrObject() = default;
};

// The sampler's block call.
struct IDrumDeploy : IUnknown {
  STDMETHOD(process)(std::int32_t blockLength, const DrTransport* transport, const DrTempo* tempo, std::int32_t idle,
                     const DrOutput* output) = 0;

 protected:
  ~IDrumDeploy() = default;
};

}  // namespace velmora
