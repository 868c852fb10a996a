// The program pumps UiQueue::main() itself: nothing to attach.
#include "platform/UiThread.h"

namespace velmora::platform {

bool attachUiThread() { return false; }
void detachUiThread() {}
bool uiThreadAttached() { return false; }

}  // namespace velmora::platform
