// The messages between the plug-in and its panel. The panel keeps a copy of the engine of its own
// and mirrors the plug-in's state: whenever either side's state block changes, that side sends
// the whole block, as an atom:Object of type kPanelStateUri holding one atom:Chunk under
// kStateUri; the panel to the plug-in through the input port, the plug-in to the panel through
// its notify port. A panel that opens sends kPanelHelloUri (an object with no properties) and
// gets the plug-in's state back. From then on the plug-in also sends where the song is, for the
// slices' play cursors: an object of type kPanelPositionUri holding the song tick (atom:Long under
// kPanelTickUri, in the ticks of SongTime.h, 0 at the song's start) and the meter (atom:Int under
// time:beatsPerBar and time:beatUnit), at most every kPositionIntervalMs and only on a change.
#pragma once

#include <cstdint>

namespace velmora::lv2 {

inline constexpr char kPanelStateUri[] = "urn:velmora:tamborak#panelState";
inline constexpr char kPanelHelloUri[] = "urn:velmora:tamborak#panelHello";
inline constexpr char kUiUri[] = "urn:velmora:tamborak#ui";
inline constexpr char kPanelPositionUri[] = "urn:velmora:tamborak#panelPosition";
inline constexpr char kPanelTickUri[] = "urn:velmora:tamborak#tick";
inline constexpr std::uint32_t kPositionIntervalMs = 20;
// The largest state block that is mirrored, in bytes (a loop, ten pads and the settings take a
// few kilobytes); the ports' buffers are declared with room for it.
inline constexpr std::uint32_t kMaxPanelState = 1u << 17;

}  // namespace velmora::lv2
