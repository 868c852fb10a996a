// The host's main frame window as the plug-in reaches it: the window that takes the host's menu
// commands (the play/stop toggle among them) and whose child windows the plug-in looks up. One
// frame is known per process, none until one is installed: on Windows by the frame layer, which
// finds the host's main window and posts WM_COMMAND to it; in tests and the command-line program
// by the simulated host.
#pragma once

#include <cstdint>

namespace velmora::host {

// The host's play/stop toggle: posted once it starts or stops playback, twice it restarts it.
inline constexpr std::uint32_t kPlayStopCommand = 98333;  // 0x1801D

class HostFrame {
 public:
  virtual ~HostFrame() = default;
  // Posts menu command `id` to the frame; the host runs it later, on its own thread.
  // [any-thread, not real-time safe]
  virtual void postCommand(std::uint32_t id) = 0;
  // Looks the host's windows up again (they come and go as the user rearranges the host).
  // [main-thread, not real-time safe]
  virtual void lookUp() = 0;
};

// Installs `frame` as the host's frame of the process (nullptr: none known). The frame must stay
// alive until it is replaced. [main-thread]
void setHostFrame(HostFrame* frame);

// Posts command `id` to the known frame; false when no frame is known. [any-thread, not
// real-time safe]
bool postHostCommand(std::uint32_t id);

// Looks the host's windows up again, when a frame is known. [main-thread, not real-time safe]
void lookUpHostWindows();

}  // namespace velmora::host
