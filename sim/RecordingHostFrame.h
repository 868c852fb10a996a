// The simulated host's main frame: keeps every command posted to it and counts the look-ups of
// the host's windows. Installed as the process's host frame for as long as it lives.
// [main-thread]
#pragma once

#include <cstdint>
#include <vector>

#include "host/HostFrame.h"

namespace velmora::sim {

class RecordingHostFrame final : public host::HostFrame {
 public:
  RecordingHostFrame() { host::setHostFrame(this); }
  ~RecordingHostFrame() override { host::setHostFrame(nullptr); }
  RecordingHostFrame(const RecordingHostFrame&) = delete;
  RecordingHostFrame& operator=(const RecordingHostFrame&) = delete;

  void postCommand(std::uint32_t id) override { commands.push_back(id); }
  void lookUp() override { ++lookUps; }

  std::vector<std::uint32_t> commands;
  int lookUps = 0;
};

}  // namespace velmora::sim
