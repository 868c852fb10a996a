#include "tools/patterns/PatternMidi.h"

#include "library/PatternSignature.h"
#include "midi/MidiTrack.h"

namespace velmora::patterns {

bool patternMidi(std::string_view kind, const std::vector<Stroke>& strokes, const std::string& title,
                 std::string& bytes, std::string& error) {
  const PatternKind* k = findKind(kind);
  CMidiTrack track;
  track.setDivision(kPatternDivision);
  track.setMeter(4, 4);
  track.setLabel(title, std::nullopt);
  for (const Stroke& s : strokes) {
    if (!k || s.instrument < 0 || s.instrument >= k->keyCount) {
      error = "the kind " + std::string(kind) + " has no key for instrument " + std::to_string(s.instrument + 1);
      return false;
    }
    MidiEvent note;
    note.time = s.step * kStepTicks;
    note.channel = kDrumChannel;
    note.type = kEventNote;
    note.data1 = k->keys[s.instrument];
    note.data2 = static_cast<std::uint8_t>(s.velocity);
    note.duration = kStrokeTicks;
    track.Insert(note);
  }
  bytes.clear();
  CUniString stream(bytes);
  track.SaveSmf(stream);
  return true;
}

}  // namespace velmora::patterns
