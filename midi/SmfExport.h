// Writes an exported loop as a Standard MIDI File: a tempo track from the host's time base and
// one track per list of already-built channel messages.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "io/UniStream.h"

namespace velmora::smf {

// One collected channel message at its tick; program changes and channel pressure carry no
// data 2. Only the low byte of each word is written.
struct ExportMessage {
  std::int32_t time = 0;
  std::uint16_t status = 0;
  std::uint16_t data1 = 0;
  std::uint16_t data2 = 0;
};

// An event track: an optional name and its messages in the order they are written (note-offs
// already among them).
struct ExportTrack {
  std::string name;
  std::vector<ExportMessage> messages;
};

// Time base of an export.
struct ExportTimeBase {
  std::uint32_t tempoBpm100 = 12000;   // beats per minute x 100
  std::uint16_t ticksPerQuarter = 480;
  std::uint8_t numerator = 4;
  std::uint8_t denominatorPower = 2;   // 2 = quarter-note beat
  std::int32_t start = 0;              // the first delta is counted from this tick
};

// Writes format 1 with tracks.size() + 1 tracks: the tempo track (meter, tempo, no key
// signature), then each event track with its name (spaces and "-" as "_") when it has one, its
// messages as delta-timed messages and an end of track. A tempo of 0 is written as 120 beats per
// minute and one too slow for the file's 24-bit field as the slowest it can hold. Always 0.
// [any-thread] not real-time safe (allocates).
int writeExportSmf(CUniStream& stream, const ExportTimeBase& timeBase, const std::vector<ExportTrack>& tracks);

}  // namespace velmora::smf
