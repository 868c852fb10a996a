// The small COM object framework the creatable classes are built on: the process-wide object and
// server-lock counters, an object base with one reference count (ObjectUnknown), an object that
// contains a class and gives all its faces one identity (Object<T>), and the class factory base
// (ObjectFactory).
#pragma once

#include <atomic>
#include <cstdint>
#include <new>
#include <utility>

#include "hostapi/ComTypes.h"

namespace velmora::com {

// COM objects and class factories alive now. [any-thread]
std::int32_t objectCount();
// Server locks taken through IClassFactory::LockServer and not yet released. [any-thread]
std::int32_t lockCount();

// Counts its owner in objectCount while it lives; a member or base of every COM object.
// [any-thread]
class ObjectCounted {
 public:
  ObjectCounted();
  ObjectCounted(const ObjectCounted&);
  ObjectCounted& operator=(const ObjectCounted&) = default;
  ~ObjectCounted();
};

// Hands a new object (reference count 0) out through the face `iid`: one reference is added for
// the query and dropped after it, so a failed query destroys the object. A null object gives
// E_OUTOFMEMORY. [any-thread]
HRESULT queryNew(IUnknown* object, REFIID iid, void** out);

// An object with one reference count, deleted when the count falls to 0. Subclasses list their
// faces in queryFace. [any-thread]
class ObjectUnknown : public IUnknown {
 public:
  ObjectUnknown(const ObjectUnknown&) = delete;
  ObjectUnknown& operator=(const ObjectUnknown&) = delete;

  STDMETHOD(QueryInterface)(REFIID iid, void** object) override;
  STDMETHOD_(ULONG, AddRef)() override;
  STDMETHOD_(ULONG, Release)() override;
  virtual ~ObjectUnknown() = default;
  // The face for `iid` other than IUnknown, or null; no reference added.
  virtual void* queryFace(REFIID iid) = 0;

 protected:
  ObjectUnknown() = default;

 private:
  std::atomic<ULONG> refCount_{0};
  ObjectCounted counted_;
};

// An object holding one T whose every face answers QueryInterface, AddRef and Release through an
// outer object: this object itself, or the object that aggregates it. T lists its faces with
// `void* queryFace(REFIID)`. [any-thread]
template <class T>
class Object final : public ObjectUnknown {
 public:
  class Contained final : public T {
   public:
    template <class... Args>
    explicit Contained(IUnknown* outer, Args&&... args) : T(std::forward<Args>(args)...), outer_(outer) {}

    STDMETHOD(QueryInterface)(REFIID iid, void** object) override { return outer_->QueryInterface(iid, object); }
    STDMETHOD_(ULONG, AddRef)() override { return outer_->AddRef(); }
    STDMETHOD_(ULONG, Release)() override { return outer_->Release(); }
    // The object that answers for every face.
    IUnknown* outer() const { return outer_; }

   private:
    IUnknown* const outer_;
  };

  // `outer`: the aggregating object, or null for a stand-alone object.
  template <class... Args>
  explicit Object(IUnknown* outer, Args&&... args)
      : contained_(outer ? outer : static_cast<IUnknown*>(this), std::forward<Args>(args)...) {}

  void* queryFace(REFIID iid) override { return contained_.queryFace(iid); }
  Contained& contained() { return contained_; }

 private:
  Contained contained_;
};

// A class factory: creates objects through createObject and hands them out through queryNew.
// `aggregatable`: whether createObject accepts an outer object; a factory that does not refuses
// every outer object with CLASS_E_NOAGGREGATION. [any-thread]
class ObjectFactory : public IClassFactory {
 public:
  ObjectFactory(const ObjectFactory&) = delete;
  ObjectFactory& operator=(const ObjectFactory&) = delete;

  STDMETHOD(QueryInterface)(REFIID iid, void** object) override;
  STDMETHOD_(ULONG, AddRef)() override;
  STDMETHOD_(ULONG, Release)() override;
  STDMETHOD(CreateInstance)(IUnknown* outer, REFIID iid, void** object) override;
  STDMETHOD(LockServer)(BOOL lock) override;
  virtual ~ObjectFactory() = default;
  // A new object with reference count 0, seen through its identity face, or null.
  virtual IUnknown* createObject(IUnknown* outer) = 0;

 protected:
  explicit ObjectFactory(bool aggregatable = false) : aggregatable_(aggregatable) {}

 private:
  std::atomic<ULONG> refCount_{0};
  ObjectCounted counted_;
  const bool aggregatable_;
};

// The factory of com::Object<T>: aggregatable, T constructed without arguments. [any-thread]
template <class T>
class ObjectFactoryOf final : public ObjectFactory {
 public:
  ObjectFactoryOf() : ObjectFactory(true) {}
  IUnknown* createObject(IUnknown* outer) override {
    try {
      return new Object<T>(outer);
    } catch (const std::bad_alloc&) {
      return nullptr;
    }
  }
};

}  // namespace velmora::com
