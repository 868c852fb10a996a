// Rendering a Standard MIDI File to audio with an installed synthesiser (fluidsynth and a
// General MIDI sound font), for `export --wav` and `play --wav`.
#pragma once

#include <string>

namespace velmora::app {

// Renders the file's bytes to a WAV file at `path` (44.1 kHz, written under a temporary name
// and renamed, so the old file stays until the new one is whole). False with `error` naming the
// file and saying what is missing or what failed. The sound font is $TAMBORAK_SOUNDFONT, else
// the first General MIDI font of the usual Debian places. [main-thread, not real-time safe]
bool renderWav(const std::string& smf, const std::string& path, std::string& error);

}  // namespace velmora::app
