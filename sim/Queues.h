// The simulated host's queues: an event queue over 17-byte records and an input queue over raw
// timed short messages, both kept decoded so that tests read and fill them directly. Failures can
// be switched on to see how a filter copes with a queue that will not answer.
// [any-thread, one at a time; not real-time safe: add allocates]
#pragma once

#include <set>
#include <type_traits>
#include <vector>

#include "hostapi/MfxHost.h"
#include "midi/Event.h"
#include "sim/ComObject.h"

namespace velmora::sim {

template <class Record, class Face, class Bytes>
class Queue final : public ComObject<Face> {
 public:
  explicit Queue(std::vector<Record> initial = {}) : records(std::move(initial)) {}

  STDMETHOD(add)(const Bytes* record) override {
    if (!record) return E_POINTER;
    records.push_back(Record::decode(record->bytes));
    return S_OK;
  }
  STDMETHOD(getCount)(std::int32_t* count) override {
    if (!count) return E_POINTER;
    if (failCount) return E_FAIL;
    *count = static_cast<std::int32_t>(records.size());
    return S_OK;
  }
  STDMETHOD(getAt)(std::int32_t index, Bytes* record) override {
    if (!record) return E_POINTER;
    if (index < 0 || static_cast<std::size_t>(index) >= records.size() || failingIndices.count(index))
      return E_INVALIDARG;
    records[static_cast<std::size_t>(index)].encode(record->bytes);
    return S_OK;
  }

  std::vector<Record> records;
  bool failCount = false;                // getCount fails
  std::set<std::int32_t> failingIndices;  // getAt fails for these

 private:
  ~Queue() override = default;
  void* face(REFIID iid) override {
    if (iid == IID_IUnknown) return static_cast<IUnknown*>(static_cast<Face*>(this));
    if (iid == (std::is_same_v<Face, IMfxEventQueue> ? IID_IMfxEventQueue : IID_IMfxInputQueue))
      return static_cast<Face*>(this);
    return nullptr;
  }
};

using EventQueue = Queue<MidiEvent, IMfxEventQueue, MfxEventRecord>;
using InputQueue = Queue<TimedShortMessage, IMfxInputQueue, MfxInputRecord>;

}  // namespace velmora::sim
