// Rendering a Standard MIDI File through an installed LV2 drum sampler, hosted by us on lilv,
// for `export --wav --kit` and `play --wav --kit`.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace velmora::app {

// A kit: an LV2 drum sampler plug-in as the user names it ("AVL Black Pearl").
struct DrumKit {
  std::string name;
  std::string uri;
};

// The kits of the drum samplers installed, by name; empty when none is or the program was built
// without lilv. [main-thread, not real-time safe]
std::vector<DrumKit> installedDrumKits();

// The kit `name` picks: its whole name or the name without the maker ("black pearl"), in any
// case, or its plug-in URI; null when none matches. [any-thread, not real-time safe]
const DrumKit* findDrumKit(const std::vector<DrumKit>& kits, std::string_view name);

// Plays the file's notes through the kit, off-line and as fast as it runs, and writes a 48 kHz
// stereo 16-bit WAV file at `path` (under a temporary name, renamed when whole): the file's
// length, or the last note with two seconds to ring out. Waits at most a minute for the kit's
// samples to load. False with `error` saying what failed. [main-thread, not real-time safe]
bool renderKitWav(const std::string& smf, const DrumKit& kit, const std::string& path, std::string& error);

// The channel messages of a Standard MIDI File at their frames at `rate`, all tracks merged in
// time order, and the frame its last event (end of track included) lies at. False when the
// bytes are no Standard MIDI File with a tick division. [any-thread, not real-time safe]
struct TimedMidi {
  std::uint64_t frame;
  unsigned char bytes[3];
  unsigned char size;
};
bool midiAtFrames(const std::string& smf, double rate, std::vector<TimedMidi>& events, std::uint64_t& endFrame);

// The header of a 16-bit PCM stereo WAV file of `frames` frames; empty when they are too many
// for its 32-bit sizes. [any-thread, not real-time safe]
std::string stereoWavHeader(std::uint64_t frames, std::uint32_t rate);
// Appends a sample, clipped to -1..1, as 16 bits. [any-thread, not real-time safe]
void appendWavSample(std::string& wav, float sample);

}  // namespace velmora::app
