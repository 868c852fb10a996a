// The classes the server creates and the portable bodies of its exported entry points.
#pragma once

#include <string>

#include "hostapi/ComTypes.h"

namespace velmora {

// The class object of `clsid` handed out through `iid` (DllGetClassObject):
// CLASS_E_CLASSNOTAVAILABLE, with `out` untouched, for a class this build does not serve.
// [any-thread, not real-time safe]
HRESULT getClassObject(REFCLSID clsid, REFIID iid, void** out);

// Whether the module may be unloaded (DllCanUnloadNow): never, since windows, timers and the
// folder watcher of its engines stay alive for the life of the process. [any-thread]
HRESULT canUnloadNow();

// The application object: names under which the settings are stored and the help path, set up
// once when the module is loaded. [main-thread; read-only afterwards]
class TamborakApp {
 public:
  static constexpr char kApplicationName[] = "Tamborak";

  // Start-up for the program file at `programPath`: the help file beside the program. Gives true.
  bool initInstance(const std::string& programPath);

  // The settings live under HKEY_CURRENT_USER\Software\<registry key>\<profile name>.
  static const char* registryKey();
  static const char* profileName();
  // The key below HKEY_CURRENT_USER that holds every stored setting.
  std::string profileKey() const;
  // The folder part of the program's path, up to the last separator.
  const std::string& programFolder() const { return programFolder_; }
  const std::string& helpFilePath() const { return helpFilePath_; }

 private:
  std::string programFolder_;
  std::string helpFilePath_;
};

}  // namespace velmora
