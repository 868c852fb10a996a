// The string table of the panel and the rows: for each identifier its tooltip title, a line
// feed, and the description the status line shows. [any thread]
#pragma once

#include <string>

namespace velmora::ui {

// The string of `id` ("" when there is none); the quick pads 7000-7100 share the string 7000.
std::string loadString(int id);

}  // namespace velmora::ui
