// The COM object base of the simulated host: one reference count shared by every face of the
// object (it starts at 1 for the creator), QueryInterface through the object's face list, and a
// process-wide count of live objects so that tests can see that every reference was released.
#pragma once

#include <atomic>
#include <cstdint>
#include <utility>

#include "hostapi/ComRef.h"
#include "hostapi/ComTypes.h"

namespace velmora::sim {

// Simulated-host COM objects alive now. [any-thread]
std::int32_t liveObjects();

namespace detail {
void countObject(std::int32_t delta);
}

template <class... Faces>
class ComObject : public Faces... {
 public:
  ComObject(const ComObject&) = delete;
  ComObject& operator=(const ComObject&) = delete;

  STDMETHOD(QueryInterface)(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    *object = face(iid);
    if (!*object) return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  STDMETHOD_(ULONG, AddRef)() override { return ++refs_; }
  STDMETHOD_(ULONG, Release)() override {
    const ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
  }
  ULONG refCount() const { return refs_; }

 protected:
  ComObject() { detail::countObject(1); }
  virtual ~ComObject() { detail::countObject(-1); }
  // The face answering `iid` as a pointer to that interface, or null.
  virtual void* face(REFIID iid) = 0;

 private:
  std::atomic<ULONG> refs_{1};
};

// A new object of type T, held by the returned reference (the creator's one).
template <class T, class... Args>
ComRef<T> create(Args&&... args) {
  ComRef<T> result;
  result.adopt(new T(std::forward<Args>(args)...));
  return result;
}

}  // namespace velmora::sim
