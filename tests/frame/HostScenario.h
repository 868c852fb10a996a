// The playback both hosts of the filter run, the native tests in-process and the Windows test
// host through the DLL: four bars of the "8 Beat Rock" volume's default loop at 480 ticks per
// quarter in 4/4, in windows that do not line up with beats. Its notes, one line each, are kept
// in tests/data/host so that both builds are held to the same output.
#pragma once

#include <cstdio>
#include <string>

#include "frame/ITamborak.h"
#include "sim/Transport.h"

namespace velmora::test {

inline constexpr MfxTime kScenarioBars = 4;
inline constexpr MfxTime kScenarioBarTicks = 4 * 480;
inline constexpr char kScenarioVolume[] = "8 Beat Rock";
inline constexpr char kScenarioFile[] = "host/eight-beat-rock-4-bars.txt";

// Selects the volume (which loads its default loop) and plays the four bars.
inline sim::Recording playScenario(IMfxEventFilter& filter, ITamborak& engine) {
  engine.setVolume(kScenarioVolume);
  return sim::Transport::play(filter, 0, kScenarioBars * kScenarioBarTicks - 1, 111);
}

// "time key velocity duration channel port" for every note, in order of output.
inline std::string scenarioText(const sim::Recording& recording) {
  std::string text;
  for (const MidiEvent& e : recording.eventList(true)) {
    char line[80];
    std::snprintf(line, sizeof line, "%d %u %u %u %u %u\n", static_cast<int>(e.time), unsigned{e.data1},
                  unsigned{e.data2}, static_cast<unsigned>(e.duration), unsigned{e.channel}, unsigned{e.port});
    text += line;
  }
  return text;
}

}  // namespace velmora::test
