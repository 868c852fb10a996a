// TamborakDR: the engine inside the drum sampler. The sampler loads it through IDrObject and
// drives it block by block through IDrumDeploy with its sample clock and transport; the slices
// render straight into the block's pad triggers (TamborakDR is the ProcessContext they render
// into), sorted by sample offset. No MIDI host is involved: the song has four beats to the bar
// at 240 ticks per quarter, and the tempo is the sampler's.
#pragma once

#include <atomic>
#include <cstdint>

#include "engine/Tamborak.h"
#include "hostapi/ComRef.h"
#include "frame/ComServer.h"
#include "frame/MfxFilter.h"
#include "hostapi/DrApi.h"
#include "hostapi/DrPadNames.h"

namespace velmora {

// The velocity scale of a run started with `value` (0..127), for the engine's velocity range
// lo..hi: value 1 gives lo, the middle gives hi (the middle is 100 when the range spans it,
// else the range's centre) and 127 gives hi + (hi - lo) / 2. [any-thread]
std::int32_t drRunVolume(std::int32_t lo, std::int32_t hi, std::int32_t value);

class TamborakDR final : public IDrObject, public IDrumDeploy, public MfxFilter, public Tamborak {
 public:
  // Creates an object of class `clsid` handed out through `iid`, as CoCreateInstance does: the
  // link makes its page this way. The server gives its own class objects; without a maker the
  // link has no page.
  using PageMaker = HRESULT (*)(REFCLSID clsid, REFIID iid, void** object);

  // A new link object handed out through `iid` with one reference, as its class factory hands
  // it out. [main-thread, not real-time safe]
  static HRESULT create(REFIID iid, void** object, PageMaker pageMaker = nullptr);

  // The link's class factory: a new object for every CreateInstance. An object that aggregates
  // the link gets the link's own identity (asked for as IUnknown); every face of the link then
  // answers through that object.
  class Factory final : public com::ObjectFactory {
   public:
    explicit Factory(PageMaker pageMaker = nullptr) : ObjectFactory(true), pageMaker_(pageMaker) {}
    // [main-thread, not real-time safe] Null when the engine cannot be made.
    IUnknown* createObject(IUnknown* outer) override;

   private:
    PageMaker pageMaker_;
  };

  // ---- IUnknown [any-thread]
  STDMETHOD(QueryInterface)(REFIID iid, void** object) override;
  STDMETHOD_(ULONG, AddRef)() override;
  STDMETHOD_(ULONG, Release)() override;

  // ---- IDrObject [main-thread: the sampler's, unless said otherwise]
  STDMETHOD(attach)(IUnknown* host) override;
  STDMETHOD(getName)(char* text, std::int32_t size) override;
  STDMETHOD_(std::int32_t, constant5)() override { return 4098; }
  STDMETHOD_(std::int32_t, constant6)() override { return 3; }
  STDMETHOD_(std::int32_t, constant7)() override { return 1; }
  // The engine's state in a block from CoTaskMemAlloc; gives its size (0: nothing handed out).
  STDMETHOD_(std::int32_t, saveState)(void** memory) override;
  STDMETHOD(loadState)(const void* memory, std::int32_t size) override;
  STDMETHOD_(std::int32_t, constant10)() override { return 0; }
  STDMETHOD_(std::int32_t, constant11)() override { return 0; }
  STDMETHOD_(std::int32_t, constant12)() override { return 0; }
  STDMETHOD_(double, constant13)() override { return 0.0; }
  STDMETHOD_(std::int32_t, constant14)() override { return 0; }
  STDMETHOD(setSampleRate)(std::int32_t channel, float rate) override;
  // [audio-thread, real-time safe]
  STDMETHOD(reset)() override;
  STDMETHOD_(std::int32_t, call17)(std::int32_t, std::int32_t, std::int32_t, std::int32_t, std::int32_t,
                                   std::int32_t) override {
    return 0;
  }
  STDMETHOD_(std::int32_t, constant18)() override { return 2; }
  STDMETHOD(emptyRecord)(DrPadTrigger* record) override;
  // The page is the plug-in's panel, made on demand and attached to this object. Where it cannot
  // be made, the size call gives 1 and showing it does nothing but give the error. Hiding a shown
  // page lets it go; a page that only answered its size is kept for the next show.
  STDMETHOD_(std::int32_t, pageSize)(std::int32_t* width, std::int32_t* height) override;
  STDMETHOD(showPage)(void* parentWindow) override;
  STDMETHOD(hidePage)() override;
  STDMETHOD(notImplemented)() override { return E_NOTIMPL; }
  STDMETHOD_(void*, destroy)(std::uint32_t flags) override;
  STDMETHOD(init)() override;
  STDMETHOD(getLongName)(std::int32_t longName, char* text, std::int32_t size) override;
  STDMETHOD(getPageClass)(CLSID* page) override;
  STDMETHOD_(void, hook28)() override {}
  STDMETHOD_(void, hook29)() override {}
  // [audio-thread, real-time safe]
  STDMETHOD_(void, renderTo)(std::int32_t offset) override;
  STDMETHOD_(void, beginRun)(std::int32_t value, std::int32_t offset) override;
  STDMETHOD_(void, hook32)() override {}
  STDMETHOD_(void, saveStateTo)(void* stream) override;
  STDMETHOD_(void, loadStateFrom)(void* stream) override;
  // Makes the page and attaches it to this object; S_OK at once when one is held.
  STDMETHOD(createPage)() override;

  // ---- IDrumDeploy [audio-thread, real-time safe: no allocation, no I/O]
  STDMETHOD(process)(std::int32_t blockLength, const DrTransport* transport, const DrTempo* tempo, std::int32_t idle,
                     const DrOutput* output) override;

  // ---- ProcessContext: notes become pad triggers of the current block. [audio-thread]
  void emit(const MidiEvent& event) override;
  std::int32_t mbtToTicks(std::int32_t measure, std::int32_t beat, std::int32_t tick) override;
  void ticksToMbt(std::int32_t ticks, std::int32_t& measure, std::int32_t& beat, std::int32_t& tick) override;

  double tempo() const { return tempo_; }
  float sampleRate() const { return sampleRate_; }
  std::int32_t runVolume() const { return runVolume_; }
  bool pageShown() const { return pageShown_; }

 private:
  // The link's own identity and count, which the faces answer through unless aggregated.
  class Inner final : public IUnknown {
   public:
    explicit Inner(TamborakDR& link) : link_(link) {}
    STDMETHOD(QueryInterface)(REFIID iid, void** object) override;
    STDMETHOD_(ULONG, AddRef)() override;
    STDMETHOD_(ULONG, Release)() override;

   private:
    TamborakDR& link_;
  };

  TamborakDR(PageMaker pageMaker, IUnknown* outer);
  ~TamborakDR() override;
  // The face for `iid` (IUnknown: the IMfxEventFilter face), with one reference added through it.
  HRESULT queryOwnFace(REFIID iid, void** object);
  std::int64_t samplesPerBeat() const;
  // Hides a shown page, detaches it from this object and lets it go. [main-thread]
  void releasePage();

  std::atomic<ULONG> refCount_{0};
  com::ObjectCounted counted_;
  Inner inner_{*this};
  IUnknown* const outer_;  // what every face answers through: inner_, or the aggregating object
  std::int64_t blockStart_ = 0;  // the sample position of the current block
  std::int32_t nesting_ = 0;     // start events not yet stopped
  ComRef<IUnknown> host_;
  ComRef<IDrPadNames> padNames_;
  const DrOutput* output_ = nullptr;
  bool inRun_ = false;
  bool stopped_ = false;
  double tempo_ = 120.0;
  float sampleRate_ = 44100.0f;
  std::int64_t rendered_ = 0;  // ticks of the run already rendered
  std::int32_t runVolume_ = 127;
  // The page holds references to this object while attached (pageRefs_ of them): when only those
  // are left, Release lets the page go, so that the pair does not keep itself alive.
  PageMaker pageMaker_;
  ComRef<IPropertyPage> page_;
  ULONG pageRefs_ = 0;
  bool pageShown_ = false;
  bool releasingPage_ = false;
};

}  // namespace velmora
