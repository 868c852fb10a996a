// Writing a composed loop as a Standard MIDI File (`compose --mid FILE`).
#pragma once

#include <string>

namespace velmora {
class Tamborak;
}

namespace velmora::app {

// Whether this build can write MIDI files; `compose` refuses --mid as a usage error when not.
// [any thread]
bool loopMidiAvailable();
// Renders the engine's loop and writes it to `path` through a temporary file; false with
// `error` naming the file. [main-thread, not real-time safe]
bool writeLoopMidi(Tamborak& engine, const std::string& path, std::string& error);

}  // namespace velmora::app
