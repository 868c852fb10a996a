// The host builds whose inner layout the plug-in knows: for each, how to recognise it (executable
// name, file version, language of its version resource) and where its data lies (addresses of
// host variables and routines for the preferred load address, offsets of fields inside host
// objects). Numbers not known for a build are 0, which every reader takes as "not there".
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "platform/HostImage.h"

namespace velmora::host {

// Byte offsets of the numeric fields in a row as the host build table lays it out.
enum RowField : std::size_t {
  kPreferredLoadAddress = 88,
  kPortObjectRoutine = 92,      // address: routine giving the output-port object of a port index
  kPortHandleOffset = 96,       // in that object: the port handle
  kOpenOutputRoutine = 100,     // address
  kTransportVariable = 104,     // address: variable pointing to the transport object
  kTransportNowOffset = 108,    // in the transport object: now time
  kActiveDocumentVariable = 112,
  kDocTracksOffset = 116,       // in a document: the track collection searched (not needed here)
  kDocSoloOffset = 120,         // in a document: some track is soloed
  kDocTimeOffset = 124,         // in a document: its time object
  kSetNowRoutine = 128,         // address: routine setting a document's now time
  kTimeNowOffset = 132,         // in that time object (generations 1 and 2)
  kDocTrackPairsOffset = 136,   // in a document: (key, track) pairs with their count
  kDocTrackMapOffset = 140,     // in a document: key-to-track map
  kTrackEffectsOffset = 144,    // in a track: effect plug-ins
  kTrackEffectCountOffset = 148,
  kTrackPortOffset = 152,
  kTrackBankOffset = 156,
  kTrackValueAOffset = 160,
  kTrackVolumeOffset = 164,
  kTrackPanOffset = 168,
  kTrackMuteOffset = 172,       // 8-bit
  kTrackSoloOffset = 176,       // 8-bit
  kTrackValueCOffset = 180,
  kTrackValueBOffset = 184,
  kTrackValueEOffset = 188,
  kTrackValueDOffset = 192,
  kTrackValueFOffset = 196,
  kTrackNumberOffset = 200,
  kTrackNumberRoutine = 204,    // address: computes a track's number not yet stored
  kReadableVariable = 208,      // address: non-zero while the project state may be read
  kRowEnd = 244,
};

inline constexpr std::size_t kRowWords = (kRowEnd - kPreferredLoadAddress) / 4;

struct HostBuild {
  const char* executable;
  std::uint32_t generation;  // 0: the 8/9 family, 1: builds 10.0, 2: builds 10.5 and 11
  const char* version;
  const char* sequencerCore;
  const char* documentType;
  std::uint16_t language;  // 0 stands for 1033
  std::array<std::uint32_t, kRowWords> words;  // the fields from kPreferredLoadAddress on

  std::uint32_t at(std::size_t field) const { return words[(field - kPreferredLoadAddress) / 4]; }
  std::uint16_t effectiveLanguage() const { return language == 0 ? 1033 : language; }
};

// The known builds, in the order they are tried. [any-thread]
std::span<const HostBuild> hostBuildTable();

// The index in `table` of the first row the running program matches: a module of the row's
// executable is loaded, its file version equals the row's exactly, and its version resource
// exists in the row's language. -1 for none; `module` gets the matching module's load address.
// [main-thread, not real-time safe]
int matchHostBuild(const platform::HostImage& image, std::span<const HostBuild> table, platform::HostAddress& module);

// `row` with every non-zero address field moved by the distance between `loadAddress` and the
// row's preferred load address. [any-thread]
HostBuild relocated(const HostBuild& row, platform::HostAddress loadAddress);

}  // namespace velmora::host
