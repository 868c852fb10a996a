// Loads arbitrary bytes as a MIDI file. A file that loads must save and load again, and from then
// on a save and load must give back the same track.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "io/UniStream.h"
#include "midi/MidiTrack.h"

namespace {

// Saves the track and loads the bytes into `into`; aborts when the saved file does not load.
void saveAndReload(const velmora::CMidiTrack& track, velmora::CMidiTrack& into) {
  std::string bytes;
  velmora::CUniString out(bytes);
  track.SaveSmf(out);
  velmora::CUniMemoryReader in(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
  if (into.LoadSmf(in) != 0 || in.remaining() != 0) std::abort();
}

bool sameTrack(const velmora::CMidiTrack& a, const velmora::CMidiTrack& b) {
  return a.events() == b.events() && a.division() == b.division() && a.numerator() == b.numerator() &&
         a.denominator() == b.denominator() && a.labelHead() == b.labelHead() && a.labelTail() == b.labelTail() &&
         a.endTime() == b.endTime() && a.distinctKeys() == b.distinctKeys();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 0xFFFFFFFFu) return 0;
  velmora::CUniMemoryReader in(data, static_cast<std::uint32_t>(size));
  velmora::CMidiTrack track;
  if (track.LoadSmf(in) != 0) return 0;
  velmora::CMidiTrack second, third;
  saveAndReload(track, second);
  saveAndReload(second, third);
  if (!sameTrack(second, third)) std::abort();
  return 0;
}
