#include "frame/CTamborak.h"

#include <new>

#include "engine/EngineProcess.h"
#include "host/HostIntegration.h"

namespace velmora {

CTamborak::CTamborak() : MfxFilter(engine_) {
  host::startHostIntegration(EngineProcess::settingsKey());
#if defined(_WIN32)
  engine_.setPrompt(&messageBoxes_);
#endif
}

HRESULT CTamborak::create(REFIID iid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  return com::queryNew(Factory().createObject(nullptr), iid, object);
}

IUnknown* CTamborak::Factory::createObject(IUnknown* outer) {
  if (outer) return nullptr;
  // No exception may cross into the host: a failed allocation anywhere in the engine's
  // construction becomes E_OUTOFMEMORY.
  try {
    return static_cast<IMfxEventFilter*>(new CTamborak);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

HRESULT CTamborak::QueryInterface(REFIID iid, void** object) {
  if (!object) return E_POINTER;
  *object = queryFace(iid);
  if (!*object) return E_NOINTERFACE;
  AddRef();
  return S_OK;
}

ULONG CTamborak::AddRef() { return ++refCount_; }

ULONG CTamborak::Release() {
  const ULONG left = --refCount_;
  if (left == 0) delete this;
  return left;
}

}  // namespace velmora
