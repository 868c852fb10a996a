// The note-name sources of a Windows host: the MIDI host's instrument definitions and the drum
// sampler's pad names, read through the COM interface they are given.
#pragma once

#include <memory>

#include "hostapi/DrPadNames.h"
#include "hostapi/MfxHost.h"
#include "midi/NoteNameSources.h"

namespace velmora {

// A source over `lists` / `pads` that holds a reference of its own, or null for null.
// [main-thread; the sources call the host: not real-time safe]
std::shared_ptr<const HostNoteNameLists> hostNoteNameLists(IMfxNoteNameLists* lists);
std::shared_ptr<const PadNameSource> padNameSource(IDrPadNames* pads);

}  // namespace velmora
