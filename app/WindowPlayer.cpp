#include "app/WindowPlayer.h"

#include <algorithm>
#include <cstdint>

namespace velmora::app {

void WindowPlayer::feed(std::vector<MidiEvent> input) {
  std::stable_sort(input.begin(), input.end(), [](const MidiEvent& a, const MidiEvent& b) { return a.time < b.time; });
  input_ = std::move(input);
  next_ = 0;
}

bool WindowPlayer::get(std::size_t index, MidiEvent& event) const {
  event = input_[windowBegin_ + index];
  return true;
}

void WindowPlayer::window(SongTick first, SongTick last) {
  // Input before the window was due in a window not played: it is dropped.
  while (next_ < input_.size() && input_[next_].time < first) ++next_;
  windowBegin_ = windowEnd_ = next_;
  while (windowEnd_ < input_.size() && input_[windowEnd_].time <= last) ++windowEnd_;
  next_ = windowEnd_;
  engine_.process(first, last, *this, *this);
}

void WindowPlayer::run(SongTick first, SongTick last, SongTick windowSize) {
  if (windowSize < 1) windowSize = 1;
  for (std::int64_t from = first; from <= last; from += windowSize)
    window(static_cast<SongTick>(from), static_cast<SongTick>(std::min<std::int64_t>(from + windowSize - 1, last)));
  if (first <= last) position_ = last == INT32_MAX ? last : last + 1;
}

}  // namespace velmora::app
