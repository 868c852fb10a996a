#include "host/CWUpdater.h"

#include "host/HostFrame.h"
#include "host/HostIntegration.h"

namespace velmora::host {

CWUpdater::CWUpdater(platform::UiQueue& queue) : queue_(queue), timer_(queue.startTimer(kPeriod, [this] { tick(); })) {}

CWUpdater::~CWUpdater() { queue_.stopTimer(timer_); }

void CWUpdater::tick() {
  if (!hasWork()) return;
  lookUpHostWindows();
  if (hostIntegrationOn()) work();
}

}  // namespace velmora::host
