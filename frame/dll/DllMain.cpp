// The module's entry point and its four exports. Each export only recovers the module's path and
// hands over to the portable server code.
#include <windows.h>
#include <olectl.h>

#include <mutex>
#include <string>

#include "frame/ClassObjects.h"
#include "frame/Registration.h"
#include "frame/dll/HostWindowsWin32.h"

namespace {

HINSTANCE module = nullptr;
velmora::TamborakApp app;

// The full path of this module's file; empty when it cannot be read. [any-thread]
std::string modulePath() {
  char name[MAX_PATH];
  const DWORD n = GetModuleFileNameA(module, name, MAX_PATH);
  return n == 0 || n >= MAX_PATH ? std::string() : std::string(name, n);
}

// Runs the application start-up once, at the first call into the module rather than inside the
// loader lock. [any-thread]
void startUp() {
  static std::once_flag once;
  std::call_once(once, [] {
    app.initInstance(modulePath());
    velmora::installHostWindows();
  });
}

}  // namespace

// [any-thread: the loader's] Keeps the module handle; the start-up runs at the first export call.
extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    module = instance;
    DisableThreadLibraryCalls(instance);
  }
  return TRUE;
}

// [any-thread, not real-time safe]
STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, LPVOID* out) {
  startUp();
  return velmora::getClassObject(clsid, iid, out);
}

// [any-thread]
STDAPI DllCanUnloadNow() { return velmora::canUnloadNow(); }

// [main-thread, not real-time safe: registry I/O]
STDAPI DllRegisterServer() {
  startUp();
  const std::string path = modulePath();
  if (path.empty()) return velmora::kSelfRegClassError;
  return velmora::registerServer(path);
}

// [main-thread, not real-time safe: registry I/O]
STDAPI DllUnregisterServer() {
  startUp();
  return velmora::unregisterServer();
}
