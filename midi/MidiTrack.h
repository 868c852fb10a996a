// CMidiTrack: one drum pattern as a time-ordered list of note and controller records with note
// durations, plus its meter, tempo, a text label and key statistics. It loads itself from a
// Standard MIDI File and saves itself as one. A slice owns one for its pattern; the slice's lock
// serialises every change against the render pass, which only iterates.
#pragma once

#include <array>
#include <cstdint>
#include <list>
#include <optional>
#include <string>

#include "io/UniStream.h"
#include "midi/Event.h"

namespace velmora {

namespace smf {
struct SmfImage;
}

class CMidiTrack {
 public:
  using EventList = std::list<MidiEvent>;
  using Position = EventList::iterator;
  using ConstPosition = EventList::const_iterator;

  // KeyAt's answer for an index out of range.
  static constexpr std::uint16_t kNoKey = 65535;

  CMidiTrack() = default;
  CMidiTrack(const CMidiTrack&) = default;
  CMidiTrack& operator=(const CMidiTrack&) = default;
  CMidiTrack(CMidiTrack&&) noexcept = default;
  CMidiTrack& operator=(CMidiTrack&&) noexcept = default;
  virtual ~CMidiTrack() = default;

  // Reads a file from the stream and replaces the contents: 0 on success, 1 on failure, when the
  // track is left exactly as it was. Reads only the bytes of the file, so a file embedded in a
  // longer record leaves the stream just after it. [main-thread] not real-time safe (allocates).
  int LoadSmf(CUniStream& stream);
  // Writes the track as a format-1 file with a tempo track (120 beats per minute, C major, the
  // track's meter) and a note track; always 0. [any-thread] not real-time safe.
  int SaveSmf(CUniStream& stream) const;

  // Removes every event and the label and resets the statistics. Keeps division and meter.
  // [main-thread, under the owner's lock] not real-time safe (frees).
  void Clear();
  // Inserts a copy after every event whose time is less than or equal to it (equal times keep
  // insertion order) and adds it to the statistics. O(log n) comparisons, O(n) list steps.
  // [main-thread, under the owner's lock] not real-time safe (allocates).
  Position Insert(const MidiEvent& event);
  // Removes the event and recomputes the statistics from the rest. O(n).
  // [main-thread, under the owner's lock] not real-time safe (frees).
  void Erase(Position position);
  // The index-th used key in ascending order; kNoKey when index is out of range. [any-thread]
  std::uint16_t KeyAt(int index) const;
  // Whole bars covered up to the end time (0 for an empty track). [any-thread]
  std::int32_t BarCount() const;
  std::int32_t BeatsPerBar() const { return numerator_; }

  // Iteration in time order. [any-thread, under the owner's lock while others may change it]
  ConstPosition begin() const { return events_.begin(); }
  ConstPosition end() const { return events_.end(); }
  Position begin() { return events_.begin(); }
  Position end() { return events_.end(); }
  const EventList& events() const { return events_; }
  std::uint32_t eventCount() const { return static_cast<std::uint32_t>(events_.size()); }

  std::uint32_t division() const { return division_; }
  std::int16_t numerator() const { return numerator_; }
  std::int16_t denominator() const { return denominator_; }
  // The denominator as last set or loaded (kept for callers that read it separately).
  std::int16_t denominatorCopy() const { return denominator_; }
  std::uint32_t tempo() const { return tempo_; }
  std::int16_t lowestKey() const { return lowestKey_; }
  std::int16_t highestKey() const { return highestKey_; }
  std::int32_t endTime() const { return endTime_; }
  std::uint32_t distinctKeys() const { return distinctKeys_; }
  bool keyUsed(int key) const { return key >= 0 && key < 128 && keyUsed_[static_cast<std::size_t>(key)]; }

  // Division must be at least 1 (0 is taken as 1). The numerator must be 1..255 and the
  // denominator a power of two from 1 to 16384; anything else is taken as 4.
  // [main-thread, under the owner's lock]
  void setDivision(std::uint32_t division);
  void setMeter(std::int16_t numerator, std::int16_t denominator);

  // The label: head, and a tail that may be absent. [main-thread]
  const std::string& labelHead() const { return labelHead_; }
  const std::optional<std::string>& labelTail() const { return labelTail_; }
  void setLabel(std::string head, std::optional<std::string> tail);

 private:
  void resetStatistics();
  void addToStatistics(const MidiEvent& event);
  void recomputeStatistics();
  // Fills this (cleared) track from a read image; false when the image holds no track.
  bool loadImage(const smf::SmfImage& image);

  std::uint32_t division_ = 240;
  std::int16_t numerator_ = 4;
  std::int16_t denominator_ = 4;
  EventList events_;
  std::uint32_t tempo_ = 500000;
  std::int16_t lowestKey_ = 127;
  std::int16_t highestKey_ = 0;
  std::int32_t endTime_ = -1;
  std::uint32_t distinctKeys_ = 0;
  std::array<std::uint8_t, 128> keyUsed_{};
  std::optional<std::string> labelTail_;
  std::string labelHead_;
};

}  // namespace velmora
