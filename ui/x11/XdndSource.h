// Dragging a file out of an X11 window by the drag-and-drop protocol of X desktops (XDND, up to
// version 5), as Linux sequencers take MIDI files: the window owns the XdndSelection and answers
// it with the file's URI as "text/uri-list", follows the pointer under a grab, talks to the
// drop-aware window under it, and drops when the left button is let go.
#pragma once

#include <X11/Xlib.h>

#include <string>

#include "platform/Clipboard.h"

namespace velmora::ui {

// Drags `path` (absolute) from `source` while the left button is held: dropped when a window took
// the drop and read the file's name, cancelled on a refused drop, Escape or a target that stops
// answering; failed when the drag cannot start. The button release is put back on the queue for
// the window's own handling; other events of the connection meanwhile are dropped (the caller
// repaints after the drag). [main-thread, not real-time safe: waits on the X server, at most 5 s
// after the release]
platform::DragResult dragFileOut(Display* display, Window source, const std::string& path);

// The "file://" URI of an absolute path: bytes other than letters, digits, "-._~/" are
// percent-encoded. [any-thread]
std::string fileUri(const std::string& path);

}  // namespace velmora::ui
