// tamborak panel: the plug-in's panel for a loop, drawn headless into a PNG image.
#include <cstdio>
#include <string>
#include <vector>

#include "app/LibraryCommands.h"
#include "app/LoopCommands.h"
#include "app/LoopSession.h"
#include "ui/LoopBrowser.h"
#include "platform/SafeSave.h"
#include "ui/LoopBrowserStrip.h"
#include "ui/LoopEditing.h"
#include "ui/Recording.h"
#include "ui/TamborakPanel.h"
#include "ui/cairo/CairoCanvas.h"

namespace velmora::app {

int panelCommand(const std::vector<std::string>& args) {
  Options options;
  int status = 0;
  if (!readCommandOptions("panel", args, {"-o"}, {}, 1, options, status)) return status;
  if (!options.has("-o") || options.value("-o").empty()) return usageError("panel", "needs -o PANEL.png");
  if (!outputsApart("panel", options, options.positional, status)) return status;
  const std::unique_ptr<LoopSession> session = openLoopSession(options, status);
  if (!session) return status;

  std::string png, error;
  bool drawn;
  {
    ui::RecordingServices services;  // no window: nothing is shown, asked or dragged
    // The loop browser strip as the windows show it, over the loops folder (nothing selected,
    // not watched); declared first so that the panel lets go of it before it ends.
    velmora::LoopBrowser files(session->engine(), services.prompt(), session->engine().getLoopsFolder());
    ui::LoopBrowser strip(files, services);
    ui::TamborakEditing editing(session->engine());
    ui::TamborakPanel panel(session->engine(), editing, services);
    panel.attachLoopBrowser(&strip);
    panel.activate();
    drawn = ui::renderPng(ui::TamborakPanel::kWidth, ui::TamborakPanel::kHeight,
                          [&panel](ui::Canvas& canvas) { panel.paint(canvas); }, png, error);
  }
  ui::releaseCairoCaches();
  if (!drawn) return fail("cannot draw the panel: " + error);
  const std::string& out = options.value("-o");
  if (!platform::saveFileWhole(out, png, error)) return fail(out + ": not written: " + error);
  std::printf("wrote %s: the panel, %d x %d pixels\n", shown(out).c_str(), ui::TamborakPanel::kWidth,
              ui::TamborakPanel::kHeight);
  return 0;
}

}  // namespace velmora::app
