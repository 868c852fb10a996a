// A tooltip the window backends draw over the panel: the first line of the tip in a pale box just
// below the area it describes (above it near the bottom edge), kept inside `bounds`. [main-thread]
#pragma once

#include <string>

#include "ui/Canvas.h"

namespace velmora::ui {

void paintTooltip(Canvas& canvas, const std::string& tip, const Rect& area, const Rect& bounds);

}  // namespace velmora::ui
