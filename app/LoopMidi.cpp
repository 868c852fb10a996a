// Writing a composed loop as a Standard MIDI File: the engine's own export, written whole.
#include "app/LoopMidi.h"

#include "engine/Tamborak.h"
#include "io/UniStream.h"
#include "platform/SafeSave.h"

namespace velmora::app {

bool writeLoopMidi(Tamborak& engine, const std::string& path, std::string& error) {
  std::string bytes;
  CUniString stream(bytes);
  if (!engine.exportLoop(stream) || bytes.empty()) {
    error = path + ": not written: the loop could not be exported";
    return false;
  }
  std::string reason;
  if (!platform::saveFileWhole(path, bytes, reason)) {
    error = path + ": not written: " + reason;
    return false;
  }
  return true;
}

}  // namespace velmora::app
