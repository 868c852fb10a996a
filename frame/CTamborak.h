// CTamborak: the creatable MIDI-filter class: an engine behind the MFX filter faces, with its COM
// reference count. Every face answers QueryInterface, AddRef and Release with this one count, and
// the object deletes itself when the count reaches 0.
#pragma once

#include <atomic>

#include "engine/Tamborak.h"
#include "frame/ComServer.h"
#include "frame/MfxFilter.h"

#if defined(_WIN32)
#include "platform/win32/MessageBoxPrompt.h"
#endif

namespace velmora {

class CTamborak final : public MfxFilter {
 public:
  // A new filter object handed out through the face `iid` with one reference, as a class factory
  // hands it out: E_OUTOFMEMORY when it cannot be created, the query's result otherwise (a failed
  // query destroys the new object). [main-thread, not real-time safe]
  static HRESULT create(REFIID iid, void** object);

  // The filter's class factory: a new filter for every CreateInstance, never aggregated.
  class Factory final : public com::ObjectFactory {
   public:
    // [main-thread, not real-time safe] Null when `outer` is given or the engine cannot be made.
    IUnknown* createObject(IUnknown* outer) override;
  };

  // [any-thread]
  STDMETHOD(QueryInterface)(REFIID iid, void** object) override;
  STDMETHOD_(ULONG, AddRef)() override;
  STDMETHOD_(ULONG, Release)() override;

  // The engine behind the faces. [any-thread]
  Tamborak& engine() { return engine_; }
  // The filter object of a filter face this class made. [any-thread]
  static CTamborak& of(IMfxEventFilter& face) { return static_cast<CTamborak&>(static_cast<MfxFilter&>(face)); }

 private:
  CTamborak();
  ~CTamborak() = default;

  std::atomic<ULONG> refCount_{0};
  com::ObjectCounted counted_;
  Tamborak engine_{true, filterLink()};
#if defined(_WIN32)
  // In a Windows host the engine asks the user with the system's boxes and dialogs.
  platform::MessageBoxPrompt messageBoxes_{0};
#endif
};

}  // namespace velmora
