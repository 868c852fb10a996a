#include "frame/ComServer.h"

namespace velmora::com {
namespace {
std::atomic<std::int32_t> objects{0};
std::atomic<std::int32_t> locks{0};
}  // namespace

std::int32_t objectCount() { return objects.load(); }
std::int32_t lockCount() { return locks.load(); }

ObjectCounted::ObjectCounted() { ++objects; }
ObjectCounted::ObjectCounted(const ObjectCounted&) { ++objects; }
ObjectCounted::~ObjectCounted() { --objects; }

HRESULT queryNew(IUnknown* object, REFIID iid, void** out) {
  if (!object) {
    if (out) *out = nullptr;
    return E_OUTOFMEMORY;
  }
  object->AddRef();
  const HRESULT result = object->QueryInterface(iid, out);
  object->Release();
  return result;
}

HRESULT ObjectUnknown::QueryInterface(REFIID iid, void** object) {
  if (!object) return E_POINTER;
  *object = iid == IID_IUnknown ? static_cast<IUnknown*>(this) : queryFace(iid);
  if (!*object) return E_NOINTERFACE;
  // Through the face: an aggregated object's faces count on the aggregating object.
  static_cast<IUnknown*>(*object)->AddRef();
  return S_OK;
}

ULONG ObjectUnknown::AddRef() { return ++refCount_; }

ULONG ObjectUnknown::Release() {
  const ULONG left = --refCount_;
  if (left == 0) delete this;
  return left;
}

HRESULT ObjectFactory::QueryInterface(REFIID iid, void** object) {
  if (!object) return E_INVALIDARG;
  if (iid == IID_IUnknown || iid == IID_IClassFactory) {
    *object = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

ULONG ObjectFactory::AddRef() { return ++refCount_; }

ULONG ObjectFactory::Release() {
  const ULONG left = --refCount_;
  if (left == 0) delete this;
  return left;
}

HRESULT ObjectFactory::CreateInstance(IUnknown* outer, REFIID iid, void** object) {
  // An aggregating object may only ask for the inner identity, and only from a class that can be
  // aggregated; anything else is refused outright instead of reported as a failed allocation.
  if (outer && (!(iid == IID_IUnknown) || !aggregatable_)) {
    if (object) *object = nullptr;
    return CLASS_E_NOAGGREGATION;
  }
  return queryNew(createObject(outer), iid, object);
}

HRESULT ObjectFactory::LockServer(BOOL lock) {
  if (lock) ++locks;
  else --locks;
  return S_OK;
}

}  // namespace velmora::com
