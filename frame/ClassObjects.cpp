#include "frame/ClassObjects.h"

#include <new>

#include "frame/CTamborak.h"
#include "hostapi/ClassIds.h"
#include "hostapi/ComRef.h"
#include "frame/PanelPage.h"
#include "engine/EngineProcess.h"
#include "host/DrPresets.h"
#include "frame/TamborakDR.h"
#include "io/UniRegistry.h"

namespace velmora {
namespace {

using FactoryMaker = com::ObjectFactory* (*)();

struct ServedClass {
  const CLSID* clsid;
  FactoryMaker makeFactory;
};

com::ObjectFactory* makeFilterFactory() { return new (std::nothrow) CTamborak::Factory; }
com::ObjectFactory* makePanelFactory() { return new (std::nothrow) CTamborakPanel::Factory; }
// The link makes its page from this server's own class objects.
HRESULT createServedObject(REFCLSID clsid, REFIID iid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  ComRef<IClassFactory> factory;
  const HRESULT result = getClassObject(clsid, IID_IClassFactory, reinterpret_cast<void**>(factory.put()));
  if (FAILED(result)) return result;
  return factory->CreateInstance(nullptr, iid, object);
}

com::ObjectFactory* makeLinkFactory() {
  copyDrPresets(EngineProcess::programFolder(), EngineProcess::settingsKey());
  return new (std::nothrow) TamborakDR::Factory(&createServedObject);
}

const ServedClass kClasses[] = {
    {&CLSID_Tamborak, &makeFilterFactory},
    {&CLSID_TamborakPanel, &makePanelFactory},
    {&CLSID_TamborakDR, &makeLinkFactory},
};

}  // namespace

HRESULT getClassObject(REFCLSID clsid, REFIID iid, void** out) {
  for (const ServedClass& served : kClasses) {
    if (!(*served.clsid == clsid)) continue;
    return com::queryNew(served.makeFactory(), iid, out);
  }
  return CLASS_E_CLASSNOTAVAILABLE;
}

HRESULT canUnloadNow() { return S_FALSE; }

const char* TamborakApp::registryKey() { return settings::kRegistryKey; }
const char* TamborakApp::profileName() { return settings::kProfileName; }

std::string TamborakApp::profileKey() const {
  std::string key = "Software\\";
  key.append(registryKey()).append("\\").append(profileName());
  return key;
}

bool TamborakApp::initInstance(const std::string& programPath) {
  const auto separator = programPath.find_last_of("\\/");
  programFolder_ = separator == std::string::npos ? std::string() : programPath.substr(0, separator);
  helpFilePath_ = programFolder_;
  helpFilePath_.append("\\Tamborak");
  return true;
}

}  // namespace velmora
