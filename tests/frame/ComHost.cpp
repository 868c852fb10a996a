// A Windows host of our own for tamborak.dll, run under wine64: registers the DLL with regsvr32,
// creates the filter through COM, drives it as a sequencer would (faces, connect, playback, live
// input, persistence), and unregisters it again. One line per check, then "N passed, N failed";
// the exit code is 1 when a check failed.
// With --page SHOT.bmp (a display is needed) it also opens the editor page in a window of its own,
// showing the loop of --loop LOOP.tbk when given.
// With --installed it drives the plug-in the setup program registered, copying nothing.
// Usage: com_host DLL [PATTERN-SOURCES [STORED-NOTES]] [--page SHOT.bmp [--loop LOOP.tbk]]
//    or: com_host --installed [STORED-NOTES]
#include <windows.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "hostapi/ClassIds.h"
#include "hostapi/MfxHost.h"
#include "io/UniStream.h"
#include "platform/SafeSave.h"
#include "sim/HostContext.h"
#include "sim/Queues.h"
#include "tests/frame/DrHost.h"
#include "tests/frame/HostChecks.h"
#include "tests/frame/HostScenario.h"
#include "tests/frame/PageHost.h"
#include "tools/patterns/LibraryGenerator.h"

namespace velmora {
namespace {

using namespace hostcheck;

// The default value of a key: "<missing>" when the key is not there, "<none>" without a value.
std::string defaultValue(HKEY root, const std::string& path) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return "<missing>";
  char value[MAX_PATH * 2] = {};
  DWORD size = sizeof value - 1, type = 0;
  const LONG code = RegQueryValueExA(key, "", nullptr, &type, reinterpret_cast<BYTE*>(value), &size);
  RegCloseKey(key);
  if (code != ERROR_SUCCESS) return "<none>";
  return type == REG_SZ ? std::string(value) : "<type " + std::to_string(type) + ">";
}

struct Key {
  HKEY root;
  std::string path;
  std::string value;  // expected default value
};

std::vector<Key> registrationKeys(const std::string& dll) {
  const std::string filter = "{878A0950-052B-11D6-84A6-00104B7B24A1}", panel = "{878A0952-052B-11D6-84A6-00104B7B24A1}",
                    link = "{878A0950-052B-11D6-84A6-11104B7B24A1}";
  return {
      {HKEY_LOCAL_MACHINE, "Software\\Cakewalk Music Software\\MIDI Filters\\" + filter, "<none>"},
      {HKEY_CLASSES_ROOT, "CLSID\\" + filter, "Velmora Tamborak"},
      {HKEY_CLASSES_ROOT, "CLSID\\" + filter + "\\InprocServer32", dll},
      {HKEY_CLASSES_ROOT, "CLSID\\" + panel, "Velmora Tamborak Property Page"},
      {HKEY_CLASSES_ROOT, "CLSID\\" + panel + "\\InprocServer32", dll},
      {HKEY_LOCAL_MACHINE, "Software\\FXpansion\\DrAPI\\" + link, "<none>"},
      {HKEY_CLASSES_ROOT, "CLSID\\" + link, "Velmora Tamborak DR"},
      {HKEY_CLASSES_ROOT, "CLSID\\" + link + "\\InprocServer32", dll},
  };
}


// A filter created through COM, with its engine face and a context of the simulated host.
struct Instance {
  ComRef<IMfxEventFilter> filter;
  ComRef<ITamborak> engine;
  ComRef<sim::HostContext> context = sim::create<sim::HostContext>();
};

void driveFilter(const std::string& storedNotes) {
  Instance one;
  if (!checkResult(CoCreateInstance(CLSID_Tamborak, nullptr, CLSCTX_INPROC_SERVER, IID_IMfxEventFilter,
                                    out(one.filter.put())),
                   S_OK, "CoCreateInstance of the filter class"))
    return;

  // Every face, and the identities that must coincide.
  struct Face {
    const IID* iid;
    const char* name;
  };
  const Face faces[] = {{&IID_IUnknown, "IUnknown"},           {&IID_IMfxEventFilter, "IMfxEventFilter"},
                        {&IID_IPersistStream, "IPersistStream"}, {&IID_IPersist, "IPersist"},
                        {&IID_ISpecifyPropertyPages, "ISpecifyPropertyPages"}, {&IID_ITamborak, "ITamborak"}};
  void* pointers[6] = {};
  for (int i = 0; i < 6; ++i) {
    checkResult(one.filter->QueryInterface(*faces[i].iid, &pointers[i]), S_OK, std::string("QueryInterface ") + faces[i].name);
    if (pointers[i]) static_cast<IUnknown*>(pointers[i])->Release();
  }
  check(pointers[0] == pointers[1] && pointers[1] == one.filter.get(), "IUnknown is the IMfxEventFilter face");
  check(pointers[2] == pointers[3], "IPersist is the IPersistStream face");
  void* none = &none;
  checkResult(one.filter->QueryInterface(IID_IMfxTimeConverter, &none), E_NOINTERFACE, "QueryInterface of a foreign face");
  check(none == nullptr, "a refused query clears the out-pointer");
  one.engine.adopt(static_cast<ITamborak*>(pointers[5]));
  one.engine->AddRef();

  ComRef<ISpecifyPropertyPages> pages;
  one.filter->QueryInterface(IID_ISpecifyPropertyPages, out(pages.put()));
  CAUUID list{};
  if (checkResult(pages->GetPages(&list), S_OK, "GetPages")) {
    check(list.cElems == 1 && list.pElems && IsEqualGUID(list.pElems[0], CLSID_TamborakPanel), "GetPages names the panel");
    CoTaskMemFree(list.pElems);
  }

  // A context without the meter map is refused; the full one is taken.
  {
    Instance refused;
    CoCreateInstance(CLSID_Tamborak, nullptr, CLSCTX_INPROC_SERVER, IID_IMfxEventFilter, out(refused.filter.put()));
    sim::HostOptions options;
    options.meterMap = false;
    refused.context = sim::create<sim::HostContext>(sim::Song(), options);
    if (refused.filter) {
      checkResult(sim::connect(*refused.filter, *refused.context), E_FAIL, "Connect without a meter map fails");
      check(refused.context->refCount() == 1, "a refused context is not kept");
    }
  }
  checkResult(sim::connect(*one.filter, *one.context), S_OK, "Connect with tempo and meter map");

  // Four bars of the default loop, in uneven windows.
  const sim::Recording played = test::playScenario(*one.filter, *one.engine);
  bool allOk = true;
  for (const sim::Call& call : played.calls) allOk &= call.result == S_OK;
  check(allOk, "OnStart, " + std::to_string(played.windows().size()) + " OnEvents windows and OnStop return S_OK");
  const std::string notes = test::scenarioText(played);
  check(!notes.empty(), "the default loop plays notes");
  if (!storedNotes.empty()) check(notes == storedNotes, "the notes match the native build's");
  check(played.queuesHeld == 0, "no queue is held after its call");

  // Live input: a trigger note is taken, a note-on of velocity 0 and a note outside the trigger
  // keys pass through.
  one.engine->setTriggerEnabled(true);
  const auto low = static_cast<std::uint8_t>(one.engine->getTriggerLowKey());
  ComRef<sim::InputQueue> in = sim::create<sim::InputQueue>(
      std::vector<TimedShortMessage>{{0, 0x90, static_cast<std::uint8_t>(low + 1), 100},
                                     {0, 0x90, low, 0},
                                     {0, 0x90, static_cast<std::uint8_t>(low - 1), 90}});
  ComRef<sim::InputQueue> passedOn = sim::create<sim::InputQueue>();
  checkResult(one.filter->OnInput(in.get(), passedOn.get()), S_OK, "OnInput");
  check(passedOn->records.size() == 2 && passedOn->records[0].data2 == 0 && passedOn->records[1].data1 == low - 1,
        "OnInput takes the trigger note and passes the others", std::to_string(passedOn->records.size()) + " passed on");
  one.engine->setTriggerEnabled(false);

  // Persistence through a memory stream: the saved state loads into a second filter, which saves
  // the same bytes.
  ComRef<IPersistStream> persist;
  one.filter->QueryInterface(IID_IPersistStream, out(persist.put()));
  ComRef<IStream> stream;
  if (checkResult(CreateStreamOnHGlobal(nullptr, TRUE, stream.put()), S_OK, "CreateStreamOnHGlobal")) {
    checkResult(persist->Save(stream.get(), TRUE), S_OK, "IPersistStream::Save");
    const std::string saved = streamBytes(stream.get());
    ULARGE_INTEGER size{};
    checkResult(persist->GetSizeMax(&size), S_OK, "GetSizeMax");
    check(size.QuadPart == saved.size() && !saved.empty(), "GetSizeMax gives the saved size",
          std::to_string(size.QuadPart) + " and " + std::to_string(saved.size()));
    CLSID classId{};
    check(persist->GetClassID(&classId) == S_OK && IsEqualGUID(classId, CLSID_Tamborak), "GetClassID");

    Instance two;
    CoCreateInstance(CLSID_Tamborak, nullptr, CLSCTX_INPROC_SERVER, IID_IMfxEventFilter, out(two.filter.put()));
    ComRef<IPersistStream> persistTwo;
    if (two.filter) two.filter->QueryInterface(IID_IPersistStream, out(persistTwo.put()));
    if (check(bool(persistTwo), "a second filter")) {
      checkResult(persistTwo->Load(stream.get()), S_OK, "IPersistStream::Load");
      ComRef<IStream> again;
      CreateStreamOnHGlobal(nullptr, TRUE, again.put());
      persistTwo->Save(again.get(), TRUE);
      check(streamBytes(again.get()) == saved, "the loaded state saves the same bytes");
    }
  }

  checkResult(one.filter->Disconnect(), S_OK, "Disconnect");
  check(one.context->refCount() == 1, "Disconnect releases the host context");
  persist.reset();
  pages.reset();
  one.engine.reset();
  IMfxEventFilter* filter = one.filter.get();
  filter->AddRef();
  one.filter.reset();
  check(filter->Release() == 0, "the last Release destroys the filter");
}

// The exports called directly, as a host that loads the DLL itself would.
void callExports(const std::string& dll) {
  HMODULE module = GetModuleHandleA(dll.c_str());
  if (!check(module != nullptr, "the DLL stays loaded")) return;
  using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
  using CanUnload = HRESULT(STDAPICALLTYPE*)();
  auto getClassObject = reinterpret_cast<GetClassObject>(reinterpret_cast<void*>(GetProcAddress(module, "DllGetClassObject")));
  auto canUnload = reinterpret_cast<CanUnload>(reinterpret_cast<void*>(GetProcAddress(module, "DllCanUnloadNow")));
  if (!check(getClassObject && canUnload, "GetProcAddress of the exports")) return;
  checkResult(canUnload(), S_FALSE, "DllCanUnloadNow");
  void* untouched = &untouched;
  checkResult(getClassObject(IID_ITamborak, IID_IClassFactory, &untouched), CLASS_E_CLASSNOTAVAILABLE,
              "DllGetClassObject of an unknown class");
  check(untouched == &untouched, "an unknown class leaves the out-pointer alone");
  ComRef<IClassFactory> factory;
  if (checkResult(getClassObject(CLSID_Tamborak, IID_IClassFactory, out(factory.put())), S_OK, "DllGetClassObject")) {
    IUnknown* outer = factory.get();
    void* made = nullptr;
    checkResult(factory->CreateInstance(outer, IID_ITamborak, &made), CLASS_E_NOAGGREGATION, "aggregation refused");
    checkResult(factory->LockServer(TRUE), S_OK, "LockServer");
    factory->LockServer(FALSE);
  }
}

// Lets the thread's message loop run for `milliseconds`, as a host's would between calls.
void dispatchFor(DWORD milliseconds) {
  const DWORD end = GetTickCount() + milliseconds;
  do {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
  } while (static_cast<LONG>(end - GetTickCount()) > 0);
}

// A host that loads the DLL itself, creates a filter, lets its message loop run, releases the
// filter and unloads the DLL (whatever DllCanUnloadNow says), round after round. The library's folder watcher runs while the
// filter lives; unloading must neither hang (the test's time limit) nor leave a window or timer
// of the unloaded module for the loop to call.
void loadAndUnload(const std::string& dll, int rounds) {
  int done = 0;
  std::string failure;
  for (int round = 0; round < rounds && failure.empty(); ++round) {
    HMODULE module = LoadLibraryA(dll.c_str());
    if (!module) {
      failure = "LoadLibrary";
      break;
    }
    using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
    auto getClassObject = reinterpret_cast<GetClassObject>(reinterpret_cast<void*>(GetProcAddress(module, "DllGetClassObject")));
    IClassFactory* factory = nullptr;
    IMfxEventFilter* filter = nullptr;
    if (!getClassObject || getClassObject(CLSID_Tamborak, IID_IClassFactory, out(&factory)) != S_OK)
      failure = "DllGetClassObject";
    else if (factory->CreateInstance(nullptr, IID_IMfxEventFilter, out(&filter)) != S_OK)
      failure = "CreateInstance";
    if (factory) factory->Release();
    dispatchFor(20);
    if (filter && filter->Release() != 0) failure = "the last Release leaves the filter alive";
    FreeLibrary(module);
    if (failure.empty() && GetModuleHandleA(dll.c_str())) failure = "the DLL stays loaded after FreeLibrary";
    dispatchFor(20);
    if (failure.empty()) ++done;
  }
  check(done == rounds, std::to_string(rounds) + " rounds of LoadLibrary, create, release, FreeLibrary",
        failure.empty() ? std::to_string(done) + " done" : failure + " in round " + std::to_string(done + 1));
}

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The installed plug-in, found through the registry only (the setup registered it): plays the
// default loop and saves it in the engine's loops folder as a user would, naming the file.
void driveInstalled(const std::string& storedNotes) {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  {
    Instance one;
    if (checkResult(CoCreateInstance(CLSID_Tamborak, nullptr, CLSCTX_INPROC_SERVER, IID_ITamborak, out(one.engine.put())),
                    S_OK, "CoCreateInstance of the installed filter") &&
        checkResult(one.engine->QueryInterface(IID_IMfxEventFilter, out(one.filter.put())), S_OK, "IMfxEventFilter") &&
        checkResult(sim::connect(*one.filter, *one.context), S_OK, "Connect")) {
      const std::string notes = test::scenarioText(test::playScenario(*one.filter, *one.engine));
      check(!notes.empty() && (storedNotes.empty() || notes == storedNotes), "the installed plug-in plays the default loop");
      std::string bytes, error = "the loop is incomplete";
      CUniString stream(bytes);
      const std::string path = one.engine->getLoopsFolder() + "installed.tbk";
      const bool saved = one.engine->saveLoop(stream, true) && platform::saveFileWhole(path, bytes, error);
      check(saved, "saved loop", saved ? path : error);
      one.filter->Disconnect();
    }
  }
  CoUninitialize();
}

}  // namespace
}  // namespace velmora

int main(int argc, char** argv) {
  using namespace velmora;
  using namespace velmora::hostcheck;
  std::string pageShot, pageLoop;
  while (argc > 2 && (std::string(argv[argc - 2]) == "--page" || std::string(argv[argc - 2]) == "--loop")) {
    (std::string(argv[argc - 2]) == "--page" ? pageShot : pageLoop) = argv[argc - 1];
    argc -= 2;
  }
  if (argc < 2) {
    std::fprintf(stderr, "usage: com_host DLL [PATTERN-SOURCES [STORED-NOTES]] [--page SHOT.bmp [--loop LOOP.tbk]]\n");
    return 2;
  }
  if (std::string(argv[1]) == "--installed") {
    driveInstalled(argc > 2 ? readFile(argv[2]) : std::string());
    std::printf("%d passed, %d failed\n", passed, failed);
    return failed == 0 ? 0 : 1;
  }
  // A fresh folder holding a copy of the DLL and, beside it, the default pattern library.
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  const std::filesystem::path folder =
      std::filesystem::path(temp) / ("tamborak-host-" + std::to_string(GetCurrentProcessId()));
  std::error_code ec;
  std::filesystem::remove_all(folder, ec);
  std::filesystem::create_directories(folder, ec);
  const std::string dll = (folder / "tamborak.dll").string();
  check(CopyFileA(argv[1], dll.c_str(), FALSE) != 0, "copy the DLL to a fresh folder", dll);
  if (argc > 2) {
    patterns::GeneratedLibrary library;
    std::string error;
    check(patterns::buildLibrary(argv[2], library, error) && patterns::writeLibrary(library, folder / "Patterns", error),
          "generate the pattern library beside it", error);
  }
  const std::string storedNotes = argc > 3 ? readFile(argv[3]) : std::string();

  check(run("regsvr32.exe /s \"" + dll + "\"") == 0, "regsvr32");
  for (const Key& key : registrationKeys(dll)) {
    const std::string value = defaultValue(key.root, key.path);
    check(value == key.value, "registered " + key.path, value);
  }

  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  driveFilter(storedNotes);
  callExports(dll);
  if (!pageShot.empty()) drivePanelPage(pageShot, pageLoop);
  driveDrLink(folder, !pageShot.empty());
  // A second copy beside the first shares its pattern library but none of its state.
  const std::string looped = (folder / "tamborak-loaded.dll").string();
  if (check(CopyFileA(argv[1], looped.c_str(), FALSE) != 0, "copy the DLL for loading by hand"))
    loadAndUnload(looped, 20);
  CoUninitialize();

  check(run("regsvr32.exe /s /u \"" + dll + "\"") == 0, "regsvr32 /u");
  for (const Key& key : registrationKeys(dll))
    check(defaultValue(key.root, key.path) == "<missing>", "unregistered " + key.path);
  check(defaultValue(HKEY_LOCAL_MACHINE, "Software\\Cakewalk Music Software\\MIDI Filters") != "<missing>",
        "the hosts' list key stays");

  std::printf("%d passed, %d failed\n", passed, failed);
  std::filesystem::remove_all(folder, ec);  // best effort: the loaded DLL may stay behind
  return failed == 0 ? 0 : 1;
}
