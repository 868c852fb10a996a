#include "platform/Subprocess.h"

namespace velmora::platform {

// The Windows builds render no audio: the plug-in has no use for it.
std::string findOnPath(const std::string&) { return {}; }

int runAndWait(const std::vector<std::string>&, std::string& output) {
  output = "running other programs is not available on Windows";
  return -1;
}

}  // namespace velmora::platform
