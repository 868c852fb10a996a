// Writing a composed loop as a Standard MIDI File (`compose --mid FILE`).
#pragma once

#include <string>

namespace velmora {
class Tamborak;
}

namespace velmora::app {

// Renders the engine's loop and writes it to `path` through a temporary file; false with
// `error` naming the file. [main-thread, not real-time safe]
bool writeLoopMidi(Tamborak& engine, const std::string& path, std::string& error);

}  // namespace velmora::app
