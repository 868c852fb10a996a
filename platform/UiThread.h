// The user-interface thread of a host: where UiQueue::main() runs its messages, tasks and
// timers. On Windows the plug-in has no loop of its own; attaching makes the calling thread's
// message loop (the host's) run them, through a hidden window that receives a registered wake
// message and a system timer. Elsewhere the program pumps the queue itself and attaching does
// nothing.
#pragma once

namespace velmora::platform {

// Counts a user of the calling thread as the user-interface thread; the first creates the hidden
// window and makes the queue wake it. False when the window cannot be made (or the system needs
// none). [main-thread, not real-time safe]
bool attachUiThread();
// Counts a user out; the last destroys the window, stops its timer and unregisters its class, so
// that nothing of the module is left for the loop to call once the module is unloaded.
// [main-thread: the one that attached]
void detachUiThread();
// Whether a hidden window drives the queue now. [any-thread]
bool uiThreadAttached();

}  // namespace velmora::platform
