#include "sim/Transport.h"

#include <algorithm>
#include <stdexcept>

#include "sim/Queues.h"

namespace velmora::sim {

namespace {
// Moves the records whose time lies in first..last out of `pending` (in time order), in order.
template <class Record>
std::vector<Record> takeDue(std::deque<Record>& pending, MfxTime first, MfxTime last) {
  const auto before = [](const Record& r, MfxTime t) { return r.time < t; };
  const auto from = std::lower_bound(pending.begin(), pending.end(), first, before);
  const auto to = std::upper_bound(from, pending.end(), last, [](MfxTime t, const Record& r) { return t < r.time; });
  std::vector<Record> due(from, to);
  pending.erase(from, to);
  return due;
}

// Inserts after every record of the same time or earlier.
template <class Record>
void insertInOrder(std::deque<Record>& pending, const Record& record) {
  pending.insert(std::upper_bound(pending.begin(), pending.end(), record.time,
                                  [](MfxTime t, const Record& r) { return t < r.time; }),
                 record);
}
}  // namespace

std::vector<MidiEvent> Recording::eventList(bool notesOnly) const {
  std::vector<MidiEvent> list;
  for (const Emitted& e : events)
    if (!notesOnly || e.event.isNote()) list.push_back(e.event);
  return list;
}

std::vector<std::pair<MfxTime, MfxTime>> Recording::windows() const {
  std::vector<std::pair<MfxTime, MfxTime>> list;
  for (const Call& c : calls)
    if (c.kind == Call::kEvents) list.emplace_back(c.first, c.second);
  return list;
}

void Transport::feed(const MidiEvent& event) { insertInOrder(pendingTrack_, event); }

void Transport::feedLive(const TimedShortMessage& message) { insertInOrder(pendingLive_, message); }

std::size_t Transport::begin(Call::Kind kind, MfxTime first, MfxTime second) {
  if (sink_) return 0;
  recording_.calls.push_back({kind, first, second, S_OK});
  return recording_.calls.size() - 1;
}

void Transport::setResult(std::size_t call, HRESULT result) {
  if (!sink_) recording_.calls[call].result = result;
}

void Transport::queueCall(Call::Kind kind, MfxTime first, MfxTime second,
                          const std::function<HRESULT(IMfxEventQueue*)>& invoke) {
  const std::size_t call = begin(kind, first, second);
  ComRef<EventQueue> queue = create<EventQueue>();
  setResult(call, invoke(queue.get()));
  for (const MidiEvent& e : queue->records) {
    if (sink_)
      sink_(e);
    else
      recording_.events.push_back({e, call});
  }
  if (queue->refCount() != 1) ++recording_.queuesHeld;
}

void Transport::start(MfxTime at) {
  queueCall(Call::kStart, at, 0, [&](IMfxEventQueue* queue) { return filter_.OnStart(at, queue); });
  position_ = at;
}

void Transport::loop(MfxTime restart, MfxTime stopTime) {
  queueCall(Call::kLoop, restart, stopTime,
            [&](IMfxEventQueue* queue) { return filter_.OnLoop(restart, stopTime, queue); });
  position_ = restart;
}

void Transport::stop() {
  queueCall(Call::kStop, position_, 0, [&](IMfxEventQueue* queue) { return filter_.OnStop(position_, queue); });
}

void Transport::jump(MfxTime to) {
  stop();
  start(to);
}

void Transport::window(MfxTime first, MfxTime last) {
  std::vector<TimedShortMessage> live = takeDue(pendingLive_, first, last);
  if (!live.empty()) {
    const std::size_t call = begin(Call::kInput, 0, 0);
    ComRef<InputQueue> in = create<InputQueue>(std::move(live));
    ComRef<InputQueue> out = create<InputQueue>();
    setResult(call, filter_.OnInput(in.get(), out.get()));
    if (!sink_) recording_.input.insert(recording_.input.end(), out->records.begin(), out->records.end());
    recording_.queuesHeld += (in->refCount() != 1) + (out->refCount() != 1);
  }
  ComRef<EventQueue> in = create<EventQueue>(takeDue(pendingTrack_, first, last));
  queueCall(Call::kEvents, first, last,
            [&](IMfxEventQueue* queue) { return filter_.OnEvents(first, last, in.get(), queue); });
  if (in->refCount() != 1) ++recording_.queuesHeld;
}

void Transport::run(MfxTime first, MfxTime last, MfxTime windowSize) {
  if (windowSize < 1) throw std::invalid_argument("window size below 1");
  for (std::int64_t from = first; from <= last; from += windowSize)
    window(static_cast<MfxTime>(from), static_cast<MfxTime>(std::min<std::int64_t>(from + windowSize - 1, last)));
  if (first <= last) position_ = last == INT32_MAX ? last : last + 1;
}

Recording Transport::play(IMfxEventFilter& filter, MfxTime first, MfxTime last, MfxTime windowSize) {
  Transport t(filter);
  t.start(first);
  t.run(first, last, windowSize);
  t.stop();
  return t.recording_;
}

Recording Transport::playLooped(IMfxEventFilter& filter, MfxTime first, MfxTime loopStart, MfxTime loopEnd,
                                int passes, MfxTime windowSize) {
  Transport t(filter);
  t.start(first);
  t.run(first, loopEnd, windowSize);
  for (int pass = 1; pass < passes; ++pass) {
    t.loop(loopStart, loopEnd + 1);
    t.run(loopStart, loopEnd, windowSize);
  }
  t.stop();
  return t.recording_;
}

}  // namespace velmora::sim
