// The plug-in's panel in an LV2 host: an X11 window with the panel of the Windows plug-in, drawn
// by the same controls. The panel works on an engine of its own that mirrors the plug-in's state:
// what the user changes goes to the plug-in as its state block (and as control-port values, so
// the host sees them), and what the plug-in changes (trigger notes, automation, a restored
// project) comes back the same way. The mirror never plays: its strokes views show the play
// positions the plug-in sends. [main-thread]
#pragma once

#include <lv2/atom/forge.h>
#include <lv2/ui/ui.h>
#include <lv2/urid/urid.h>

#include <array>
#include <memory>
#include <string>


#include "lv2/ControlPorts.h"

namespace velmora {
class Tamborak;
namespace ui {
class PanelLoopBrowser;
class PanelWindow;
class TamborakEditing;
class TamborakPanel;
}  // namespace ui
}  // namespace velmora

namespace velmora::lv2 {

class SongClock;

class PanelUi {
 public:
  // A panel inside the host's window (ui:parent), or nullptr with a message on stderr when the
  // host lacks urid:map, there is no display, or the engine cannot start. [main-thread, not real-time safe]
  static PanelUi* create(LV2UI_Write_Function write, LV2UI_Controller controller, LV2UI_Widget* widget,
                         const LV2_Feature* const* features);
  ~PanelUi();
  PanelUi(const PanelUi&) = delete;
  PanelUi& operator=(const PanelUi&) = delete;

  // A control value or a message of the plug-in. [main-thread, not real-time safe]
  void portEvent(std::uint32_t port, std::uint32_t size, std::uint32_t format, const void* buffer);
  // Handles the window's events and sends what the user changed; 0 while the panel stays open.
  int idle();

 private:
  PanelUi(LV2UI_Write_Function write, LV2UI_Controller controller, const LV2_URID_Map& map);
  Tamborak& engine();
  // Sends the mirror's state block when it differs from the one both sides last agreed on, and
  // the control values that changed.
  void sendChanges();
  void sendObject(LV2_URID type, const std::string* state);
  // What both sides agree on now: the mirror's block and control values.
  void agree();
  // Takes the song position the plug-in sent and shows it in the strokes views.
  void takePosition(const LV2_Atom_Object& object);
  void showPositions();

  LV2UI_Write_Function write_;
  LV2UI_Controller controller_;
  LV2_URID atomChunk_, atomInt_, atomLong_, eventTransfer_, stateKey_, panelState_, panelHello_, panelPosition_,
      panelTick_, beatsPerBar_, beatUnit_;
  LV2_Atom_Forge forge_{};
  std::unique_ptr<Tamborak> engine_;
  std::unique_ptr<ui::PanelWindow> window_;
  std::unique_ptr<ui::TamborakEditing> editing_;
  std::unique_ptr<ui::TamborakPanel> panel_;
  std::unique_ptr<ui::PanelLoopBrowser> browser_;
  std::string agreed_;
  std::unique_ptr<SongClock> clock_;
  std::array<std::int32_t, kControlCount> controls_{};
};

}  // namespace velmora::lv2
