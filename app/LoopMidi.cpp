// The off-line render of a loop to a MIDI file is not part of this build yet: the program says so
// instead of writing anything.
#include "app/LoopMidi.h"

namespace velmora::app {

bool loopMidiAvailable() { return false; }

bool writeLoopMidi(Tamborak&, const std::string& path, std::string& error) {
  error = path + ": not written: this build cannot write MIDI files";
  return false;
}

}  // namespace velmora::app
