// What the engine asks of the host beyond the song: where the song stands now, and the host's
// transport. An adapter that can reach its host's transport gives one at construction; without
// one the position is unknown (0) and the transport out of reach.
#pragma once

#include "engine/SongHost.h"

namespace velmora {

class HostLink {
 public:
  // The song position now; -1 when the host cannot say, 0 while not connected.
  // [main-thread or the host's input thread; not real-time safe: may ask the host]
  virtual SongTick nowTicks() = 0;
  // Whether the host's transport can be reached now. [main-thread]
  virtual bool transportReachable() = 0;
  // Posts the host's play/stop toggle once; false when it could not be posted. [main-thread]
  virtual bool togglePlayback() = 0;
  // Whether the engine plays without the sequencer's track settings (no host integration, or not
  // a MIDI filter). [main-thread]
  virtual bool detachedFromSequencer() = 0;

 protected:
  ~HostLink() = default;
};

}  // namespace velmora
