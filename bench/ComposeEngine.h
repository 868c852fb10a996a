// An engine over the build's default pattern library for the composer's measurements, with its
// settings in a folder of its own and a view that keeps the composer's result text.
#pragma once

#include <cstdlib>
#include <memory>
#include <string>

#include "engine/EngineProcess.h"
#include "engine/Tamborak.h"
#include "io/UniRegistry.h"
#include "engine/ResultView.h"
#include "tests/TempFolder.h"

namespace velmora::bench {

struct ComposeSetup {
  test::TempFolder settings;
  std::unique_ptr<Tamborak> face;
  ResultView view;

  // AllowTesting on makes the composer report its result through the view.
  explicit ComposeSetup(bool reportResults) {
    setenv("TAMBORAK_CONFIG_DIR", settings.path().string().c_str(), 1);
    EngineProcess::setProgramFolder(TAMBORAK_APP_FOLDER);
    settings::writeProfileInt(settings::kComposeAllowTesting, reportResults ? 1 : 0);
    face = std::make_unique<Tamborak>(true);
    if (face) engine().addView(&view);
  }
  ~ComposeSetup() {
    if (face) engine().removeView(&view);
  }
  Tamborak& engine() { return *face; }
};

}  // namespace velmora::bench
