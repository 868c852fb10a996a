#include "midi/MidiTrack.h"

#include <algorithm>
#include <new>
#include <vector>

#include "midi/SmfImage.h"
#include "midi/SmfParser.h"
#include "midi/SmfText.h"

namespace velmora {
namespace {

using smf::SmfChunk;
using smf::SmfMessage;
using smf::SmfParser;
using smf::SmfStep;

// Meter and tempo of a loaded file, from the first time-signature and tempo events of its first
// chunk. A time signature that would give no usable bar length is ignored (4/4 stays).
struct TempoMap {
  std::int16_t numerator = 4;
  std::int16_t denominator = 4;
  std::uint32_t tempo = 500000;
};

constexpr int kMaxDenominatorPower = 14;  // 2^14 still fits the signed 16-bit denominator

TempoMap readTempoMap(const SmfChunk& chunk) {
  TempoMap map;
  bool meterSeen = false, tempoSeen = false;
  SmfParser parser(chunk.data, chunk.length);
  SmfMessage m;
  while (!(meterSeen && tempoSeen) && parser.next(m) != SmfStep::kEnd) {
    if (m.status != 0xFF) continue;
    if (m.data1 == smf::kMetaTimeSignature && !meterSeen) {
      meterSeen = true;
      if (m.metaLength >= 2 && m.meta[0] != 0 && m.meta[1] <= kMaxDenominatorPower) {
        map.numerator = m.meta[0];
        map.denominator = static_cast<std::int16_t>(1 << m.meta[1]);
      }
    } else if (m.data1 == smf::kMetaTempo && !tempoSeen) {
      tempoSeen = true;
      if (m.metaLength >= 3) map.tempo = (std::uint32_t{m.meta[0]} << 16) | (m.meta[1] << 8) | m.meta[2];
    }
  }
  return map;
}

bool holdsNotes(const SmfChunk& chunk) {
  SmfParser parser(chunk.data, chunk.length);
  SmfMessage m;
  while (parser.next(m) != SmfStep::kEnd) {
    const std::uint8_t kind = m.status & 0xF0;
    if (m.status < 0xF0 && (kind == 0x80 || kind == 0x90)) return true;
  }
  return false;
}

// The chunk the notes come from: the last chunk after the first that holds a note message, else
// the first chunk.
const SmfChunk& noteChunk(const SmfChunk& first) {
  const SmfChunk* chosen = &first;
  for (const SmfChunk* c = first.next; c; c = c->next)
    if (holdsNotes(*c)) chosen = c;
  return *chosen;
}

// Open notes waiting for their note-off, first in first out per channel and key: one chain per
// channel and key through the list of open notes.
class OpenNotes {
 public:
  OpenNotes() {
    head_.fill(kNone);
    tail_.fill(kNone);
  }
  void push(std::uint8_t channel, std::uint8_t key, CMidiTrack::Position p) {
    const std::size_t q = queue(channel, key);
    const auto index = static_cast<std::uint32_t>(notes_.size());
    notes_.push_back({p, kNone});
    if (tail_[q] == kNone) head_[q] = index;
    else notes_[tail_[q]].next = index;
    tail_[q] = index;
  }
  // The oldest open note of that channel and key, or none.
  bool pop(std::uint8_t channel, std::uint8_t key, CMidiTrack::Position& p) {
    const std::size_t q = queue(channel, key);
    if (head_[q] == kNone) return false;
    const Node& node = notes_[head_[q]];
    p = node.position;
    head_[q] = node.next;
    if (head_[q] == kNone) tail_[q] = kNone;
    return true;
  }

 private:
  static constexpr std::uint32_t kNone = 0xFFFFFFFFu;
  struct Node {
    CMidiTrack::Position position;
    std::uint32_t next;
  };
  static std::size_t queue(std::uint8_t channel, std::uint8_t key) { return (channel & 0x0Fu) * 128u + (key & 0x7Fu); }
  std::array<std::uint32_t, 16 * 128> head_, tail_;
  std::vector<Node> notes_;
};

// A note-off waiting to be written while saving.
struct PendingOff {
  std::int64_t time;
  std::uint8_t status, key, velocity;
};

std::uint32_t deltaBetween(std::int64_t from, std::int64_t to) {
  return static_cast<std::uint32_t>(static_cast<std::uint64_t>(to - from));
}

// Controllers a saved pattern leaves out: bank select, volume and pan (both bytes of each).
bool isMixController(std::uint8_t number) {
  return number == 0 || number == 32 || number == 7 || number == 39 || number == 10 || number == 42;
}

}  // namespace

int CMidiTrack::LoadSmf(CUniStream& stream) {
  try {
    smf::SmfImage image;
    if (smf::readImage(image, stream) != smf::kOk) return 1;
    CMidiTrack loaded;
    if (!loaded.loadImage(image)) return 1;
    *this = std::move(loaded);
    return 0;
  } catch (const std::bad_alloc&) {
    return 1;
  }
}

bool CMidiTrack::loadImage(const smf::SmfImage& image) {
  // A file without a track holds no pattern, and a division of 0 would divide by zero wherever
  // pattern ticks are scaled to host ticks.
  if (!image.chunks || image.division == 0) return false;
  division_ = image.division;
  const TempoMap map = readTempoMap(*image.chunks);
  numerator_ = map.numerator;
  denominator_ = map.denominator;
  tempo_ = map.tempo;

  const SmfChunk& chunk = noteChunk(*image.chunks);
  SmfParser parser(chunk.data, chunk.length);
  OpenNotes open;
  std::uint32_t now = 0;  // running sum of deltas, wrapping so that a five-byte delta moves back
  SmfMessage m;
  while (parser.next(m) != SmfStep::kEnd) {  // end of track does not stop the walk
    now += m.delta;
    const std::int32_t time = static_cast<std::int32_t>(now);
    if (m.status == 0xFF) {
      if (m.data1 == smf::kMetaLyric) {
        // The text ends at its first NUL, like the C string it was stored as.
        const std::string text(reinterpret_cast<const char*>(m.meta),
                               std::find(m.meta, m.meta + m.metaLength, 0) - m.meta);
        const std::size_t slash = text.find('/');
        if (slash == std::string::npos) {
          labelHead_ = text;
        } else {
          labelHead_ = text.substr(0, slash);
          labelTail_ = text.substr(slash + 1);
        }
      }
      continue;
    }
    if (m.status < 0x80 || m.status >= 0xF0) continue;
    const std::uint8_t kind = m.status & 0xF0;
    MidiEvent e;
    e.time = time;
    e.channel = m.status & 0x0F;
    e.data1 = m.data1;
    e.data2 = m.data2;
    switch (kind) {
      case 0x80: {
        Position note;
        if (!open.pop(e.channel, e.data1, note)) break;  // nothing to close
        // A note-off moved before its note-on by a negative delta closes the note at once
        // instead of giving it a wrapped, near-endless length.
        note->duration = time >= note->time ? static_cast<std::uint32_t>(static_cast<std::int64_t>(time) - note->time) : 0;
        break;
      }
      case 0x90:
        e.type = kEventNote;
        e.duration = kOpenDuration;
        events_.push_back(e);
        open.push(e.channel, e.data1, std::prev(events_.end()));
        break;
      case 0xA0: e.type = kEventKeyAftertouch; events_.push_back(e); break;
      case 0xB0: e.type = kEventController; events_.push_back(e); break;
      case 0xD0:
        e.type = kEventChannelAftertouch;
        e.data1 = 0;
        e.data2 = m.data1;
        events_.push_back(e);
        break;
      case 0xE0:
        e.type = kEventPitchWheel;
        e.setWheelValue(static_cast<std::int16_t>((m.data2 - 64) * 128 + m.data1));
        events_.push_back(e);
        break;
      default: break;  // program changes produce no event
    }
  }
  // A negative delta can put an event before those read ahead of it. Every user of the list
  // relies on time order, so such a list is sorted, keeping file order among equal times.
  const auto earlier = [](const MidiEvent& a, const MidiEvent& b) { return a.time < b.time; };
  if (!std::is_sorted(events_.begin(), events_.end(), earlier)) events_.sort(earlier);
  recomputeStatistics();
  return true;
}

int CMidiTrack::SaveSmf(CUniStream& stream) const {
  smf::SmfImage image;
  image.format = 1;
  image.trackCount = 2;
  image.division = static_cast<std::uint16_t>(division_);

  // Tempo track: meter, C major, 120 beats per minute, end.
  if (SmfChunk* tempo = smf::addChunk(image); tempo && smf::allocChunkData(*tempo, 21) == smf::kOk) {
    int power = 0;
    while (power < 15 && !(denominator_ & (1 << power))) ++power;
    if (power == 15) power = 0;
    smf::putTimeSignature(*tempo, static_cast<std::uint8_t>(numerator_), static_cast<std::uint8_t>(power));
    const std::uint8_t key[2] = {0, 0};
    smf::putMetaEvent(*tempo, 0, smf::kMetaKeySignature, 2, key);
    const std::uint8_t usPerQuarter[3] = {0x07, 0xA1, 0x20};
    smf::putMetaEvent(*tempo, 0, smf::kMetaTempo, 3, usPerQuarter);
    smf::putMetaEvent(*tempo, 0, smf::kMetaEndOfTrack, 0, nullptr);
  }

  SmfChunk* notes = smf::addChunk(image);
  if (notes && smf::allocChunkData(*notes, 20000) == smf::kOk) {
    std::int64_t last = 0;
    // An empty track holds only its end of track, even when it carries a label.
    if (!events_.empty() && (!labelHead_.empty() || labelTail_)) {
      std::string text = labelHead_;
      if (labelTail_) text += "/" + *labelTail_;
      text = smf::underscoreSeparators(text);
      const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
      const std::int32_t firstTime = events_.front().time;
      smf::putMetaEvent(*notes, static_cast<std::uint32_t>(firstTime), smf::kMetaTrackName,
                        static_cast<std::uint32_t>(text.size()), bytes);
      smf::putMetaEvent(*notes, 0, smf::kMetaLyric, static_cast<std::uint32_t>(text.size()), bytes);
      last = firstTime;
    }
    std::vector<PendingOff> pending;
    std::size_t written = 0;  // pending[0, written) are already in the file
    auto flushUntil = [&](std::int64_t time) {
      for (; written < pending.size() && pending[written].time <= time; ++written) {
        const PendingOff& off = pending[written];
        smf::putChannelMessage(*notes, deltaBetween(last, off.time), off.status, off.key, off.velocity);
        last = off.time;
      }
      if (written > 256 && written * 2 > pending.size()) {
        pending.erase(pending.begin(), pending.begin() + static_cast<std::ptrdiff_t>(written));
        written = 0;
      }
    };
    for (const MidiEvent& e : events_) {
      // Program changes and the mix controllers are not saved with a pattern.
      if (e.type == kEventProgramChange || (e.type == kEventController && isMixController(e.data1))) continue;
      std::uint8_t status = 0, d1 = 0, d2 = 0;
      if (!channelMessage(e, status, d1, d2)) continue;  // unknown types neither
      const std::uint8_t channel = status & 0x0F;
      flushUntil(e.time);
      smf::putChannelMessage(*notes, deltaBetween(last, e.time), status, d1, d2);
      last = e.time;
      // A note whose note-off never came is saved without one, so it loads back still open.
      if (e.type == kEventNote && e.duration != kOpenDuration) {
        const PendingOff off{std::int64_t{e.time} + e.duration, static_cast<std::uint8_t>(0x80 | channel), d1, d2};
        const auto at = std::lower_bound(pending.begin() + static_cast<std::ptrdiff_t>(written), pending.end(), off.time,
                                         [](const PendingOff& p, std::int64_t t) { return p.time < t; });
        pending.insert(at, off);
      }
    }
    flushUntil(INT64_MAX);
    smf::putMetaEvent(*notes, 0, smf::kMetaEndOfTrack, 0, nullptr);
  }
  smf::writeImage(image, stream);
  return 0;
}

void CMidiTrack::Clear() {
  events_.clear();
  labelHead_.clear();
  labelTail_.reset();
  resetStatistics();
}

CMidiTrack::Position CMidiTrack::Insert(const MidiEvent& event) {
  Position at;
  if (events_.empty() || events_.back().time <= event.time) {
    at = events_.end();
  } else {
    at = std::upper_bound(events_.begin(), events_.end(), event.time,
                          [](std::int32_t t, const MidiEvent& e) { return t < e.time; });
  }
  const Position inserted = events_.insert(at, event);
  addToStatistics(event);
  return inserted;
}

void CMidiTrack::Erase(Position position) {
  events_.erase(position);
  recomputeStatistics();
}

std::uint16_t CMidiTrack::KeyAt(int index) const {
  if (index < 0 || static_cast<std::uint32_t>(index) >= distinctKeys_) return kNoKey;
  for (std::uint16_t key = 0; key < 128; ++key)
    if (keyUsed_[key] && index-- == 0) return key;
  return kNoKey;
}

std::int32_t CMidiTrack::BarCount() const {
  if (events_.empty()) return 0;
  std::int64_t ticksPerBar = std::int64_t{numerator_} * division_ * 4 / (denominator_ > 0 ? denominator_ : 4);
  if (ticksPerBar < 1) ticksPerBar = 1;
  return static_cast<std::int32_t>((std::int64_t{endTime_} + ticksPerBar - 1) / ticksPerBar);
}

void CMidiTrack::setDivision(std::uint32_t division) { division_ = division ? division : 1; }

void CMidiTrack::setMeter(std::int16_t numerator, std::int16_t denominator) {
  numerator_ = numerator > 0 && numerator <= 255 ? numerator : 4;  // the file holds it in one byte
  const bool powerOfTwo = denominator > 0 && (denominator & (denominator - 1)) == 0;
  denominator_ = powerOfTwo ? denominator : 4;
}

void CMidiTrack::setLabel(std::string head, std::optional<std::string> tail) {
  labelHead_ = std::move(head);
  labelTail_ = std::move(tail);
}

void CMidiTrack::resetStatistics() {
  lowestKey_ = 127;
  highestKey_ = 0;
  endTime_ = -1;
  distinctKeys_ = 0;
  keyUsed_.fill(0);
}

void CMidiTrack::addToStatistics(const MidiEvent& e) {
  std::uint32_t end = static_cast<std::uint32_t>(e.time);
  if (e.isNote()) {
    if (e.data1 < 128 && !keyUsed_[e.data1]) {
      keyUsed_[e.data1] = 1;
      ++distinctKeys_;
      lowestKey_ = std::min<std::int16_t>(lowestKey_, e.data1);
      highestKey_ = std::max<std::int16_t>(highestKey_, e.data1);
    }
    end += e.duration;  // wraps like the 32-bit sum it is
  }
  endTime_ = std::max(endTime_, static_cast<std::int32_t>(end));
}

void CMidiTrack::recomputeStatistics() {
  resetStatistics();
  for (const MidiEvent& e : events_) addToStatistics(e);
}

}  // namespace velmora
