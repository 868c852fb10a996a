#include "host/HostIntegration.h"

namespace velmora::host {

bool hostIntegrationOn() { return false; }

}  // namespace velmora::host
