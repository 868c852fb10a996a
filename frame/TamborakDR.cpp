#include "frame/TamborakDR.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <string>

#include "frame/NoteNameAdapters.h"
#include "hostapi/ClassIds.h"
#include "io/UniStream.h"
#include "loops/Looper.h"

namespace velmora {

namespace {

constexpr std::int32_t kTicksPerQuarter = 240;
constexpr std::int32_t kBeatsPerBar = 4;

HRESULT copyName(const char* name, char* text, std::int32_t size) {
  if (!text || size <= 0) return E_POINTER;
  const std::size_t n = std::min(std::strlen(name), static_cast<std::size_t>(size - 1));
  std::memcpy(text, name, n);
  text[n] = '\0';
  return S_OK;
}

}  // namespace

std::int32_t drRunVolume(std::int32_t lo, std::int32_t hi, std::int32_t value) {
  value = std::clamp(value, 0, 127);
  const std::int32_t m = lo < 100 && hi > 100 ? 100 : (lo + hi) / 2;
  if (value > m) return (hi - lo) / 2 + hi + ((value - 127) * (hi - lo) / 2) / (127 - m);
  // A middle of 1 (a range of 1..1) would divide by zero: the run plays at the range's top.
  if (m <= 1) return hi;
  return (hi - lo) * (value - m) / (m - 1) + hi;
}

HRESULT TamborakDR::create(REFIID iid, void** object, PageMaker pageMaker) {
  if (!object) return E_POINTER;
  *object = nullptr;
  return com::queryNew(Factory(pageMaker).createObject(nullptr), iid, object);
}

IUnknown* TamborakDR::Factory::createObject(IUnknown* outer) {
  // No exception may cross into the sampler.
  try {
    return &(new TamborakDR(pageMaker_, outer))->inner_;
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

TamborakDR::TamborakDR(PageMaker pageMaker, IUnknown* outer)
    : MfxFilter(static_cast<Tamborak&>(*this)), Tamborak(false, filterLink()), outer_(outer ? outer : &inner_), pageMaker_(pageMaker) {
  ticksPerQuarter = kTicksPerQuarter;
}

// A page still held here holds no reference to this object any more (else this object would
// not end): it only has to be let go.
TamborakDR::~TamborakDR() { releasePage(); }

HRESULT TamborakDR::QueryInterface(REFIID iid, void** object) { return outer_->QueryInterface(iid, object); }

ULONG TamborakDR::AddRef() { return outer_->AddRef(); }

ULONG TamborakDR::Release() { return outer_->Release(); }

HRESULT TamborakDR::queryOwnFace(REFIID iid, void** object) {
  if (!object) return E_POINTER;
  if (iid == IID_IDrObject)
    *object = static_cast<IDrObject*>(this);
  else if (iid == IID_IDrumDeploy)
    *object = static_cast<IDrumDeploy*>(this);
  else
    *object = queryFace(iid);
  if (!*object) return E_NOINTERFACE;
  AddRef();
  return S_OK;
}

// Standing alone the link's identity is its filter face, as before aggregation was offered.
HRESULT TamborakDR::Inner::QueryInterface(REFIID iid, void** object) {
  if (!object) return E_POINTER;
  if (iid == IID_IUnknown && link_.outer_ != this) {
    *object = this;
    AddRef();
    return S_OK;
  }
  return link_.queryOwnFace(iid, object);
}

ULONG TamborakDR::Inner::AddRef() { return ++link_.refCount_; }

ULONG TamborakDR::Inner::Release() {
  TamborakDR& link = link_;
  ULONG left = --link.refCount_;
  if (left != 0 && link.page_ && left == link.pageRefs_ && !link.releasingPage_) {
    // Only the page still holds this object: let it go. The extra reference keeps this object
    // alive while the page drops its own ones.
    ++link.refCount_;
    link.releasePage();
    left = --link.refCount_;
  }
  if (left == 0) delete &link;
  return left;
}

HRESULT TamborakDR::attach(IUnknown* host) {
  host_.reset();
  padNames_.reset();
  if (!host) return E_FAIL;
  if (FAILED(host->QueryInterface(IID_IDrHost, reinterpret_cast<void**>(host_.put()))) || !host_) {
    host_.reset();
    return E_FAIL;
  }
  if (FAILED(host->QueryInterface(IID_IDrPadNames, reinterpret_cast<void**>(padNames_.put())))) padNames_.reset();
  init();
  return S_OK;
}

HRESULT TamborakDR::getName(char* text, std::int32_t size) {
  return copyName(host_ ? "Tamborak" : "Velmora Tamborak", text, size);
}

HRESULT TamborakDR::getLongName(std::int32_t longName, char* text, std::int32_t size) {
  return copyName(longName ? "Velmora Tamborak" : "Tamborak", text, size);
}

std::int32_t TamborakDR::saveState(void** memory) {
  if (!memory) return 0;
  *memory = nullptr;
  // Written once and copied, so that the block is exactly as large as what was written even
  // when the loop changes meanwhile.
  std::string bytes;
  CUniString stream(bytes);
  writeState(stream);
  if (bytes.empty() || bytes.size() > 0x7FFFFFFF) return 0;
  void* block = CoTaskMemAlloc(bytes.size());
  if (!block) return 0;
  std::memcpy(block, bytes.data(), bytes.size());
  *memory = block;
  return static_cast<std::int32_t>(bytes.size());
}

HRESULT TamborakDR::loadState(const void* memory, std::int32_t size) {
  if (!memory || size <= 0) return E_POINTER;
  CUniMemoryReader reader(memory, static_cast<std::uint32_t>(size));
  return readState(reader) ? S_OK : E_FAIL;
}

void TamborakDR::saveStateTo(void* stream) {
  if (stream) writeState(*static_cast<CUniStream*>(stream));
}

void TamborakDR::loadStateFrom(void* stream) {
  if (stream) readState(*static_cast<CUniStream*>(stream));
}

HRESULT TamborakDR::setSampleRate(std::int32_t, float rate) {
  if (rate > 0) sampleRate_ = rate;
  return S_OK;
}

HRESULT TamborakDR::reset() {
  blockStart_ = 0;
  nesting_ = 0;
  inRun_ = false;
  hook28();
  return S_OK;
}

HRESULT TamborakDR::emptyRecord(DrPadTrigger* record) {
  if (!record) return E_POINTER;
  std::memset(record, 0, sizeof *record);
  return S_OK;
}

HRESULT TamborakDR::createPage() {
  if (page_) return S_OK;
  if (!pageMaker_) return CLASS_E_CLASSNOTAVAILABLE;
  CLSID pageClass{};
  getPageClass(&pageClass);
  ComRef<IPropertyPage> page;
  HRESULT result = pageMaker_(pageClass, IID_IPropertyPage, reinterpret_cast<void**>(page.put()));
  if (SUCCEEDED(result) && !page) result = E_NOINTERFACE;
  if (FAILED(result)) return result;
  ComRef<IUnknown> self;
  QueryInterface(IID_IUnknown, reinterpret_cast<void**>(self.put()));
  IUnknown* objects[] = {self.get()};
  // What the page adds to the count while attached is what it will drop again.
  const ULONG before = refCount_;
  result = page->SetObjects(1, objects);
  if (FAILED(result)) return result;
  const ULONG after = refCount_;
  pageRefs_ = after > before ? after - before : 0;
  page_ = std::move(page);
  return S_OK;
}

std::int32_t TamborakDR::pageSize(std::int32_t* width, std::int32_t* height) {
  if (!width || !height || FAILED(createPage())) return 1;
  PROPPAGEINFO info{};
  if (FAILED(page_->GetPageInfo(&info))) return 1;
  CoTaskMemFree(info.pszTitle);
  CoTaskMemFree(info.pszDocString);
  CoTaskMemFree(info.pszHelpFile);
  *width = info.size.cx;
  *height = info.size.cy;
  return 0;
}

HRESULT TamborakDR::showPage(void* parentWindow) {
  if (pageShown_) hidePage();
  HRESULT result = createPage();
  if (FAILED(result)) return result;
  std::int32_t width = 0, height = 0;
  if (pageSize(&width, &height) != 0) return E_FAIL;
  const RECT area{0, 0, width, height};
  result = page_->Activate(static_cast<HWND>(parentWindow), &area, 0);
  if (FAILED(result)) return result;
  page_->Show(SW_SHOW);
  pageShown_ = true;
  return S_OK;
}

HRESULT TamborakDR::hidePage() {
  if (pageShown_) releasePage();
  return S_OK;
}

void TamborakDR::releasePage() {
  if (!page_) return;
  releasingPage_ = true;
  // Taken out first: the page's last references to this object go while it detaches.
  ComRef<IPropertyPage> page = std::move(page_);
  if (pageShown_) {
    page->Show(SW_HIDE);
    page->Deactivate();
  }
  page->SetObjects(0, nullptr);
  pageShown_ = false;
  pageRefs_ = 0;
  releasingPage_ = false;
}

void* TamborakDR::destroy(std::uint32_t flags) {
  // The sampler's deleting destructor: it lets go of its reference.
  if (flags & 1) Release();
  return this;
}

HRESULT TamborakDR::init() {
  useNoteNamesOf(padNameSource(padNames_.get()));
  return S_OK;
}

HRESULT TamborakDR::getPageClass(CLSID* page) {
  if (!page) return E_POINTER;
  *page = CLSID_TamborakPanel;
  return S_OK;
}

std::int64_t TamborakDR::samplesPerBeat() const {
  return std::max<std::int64_t>(1, static_cast<std::int64_t>(static_cast<double>(sampleRate_) * 60.0 / tempo_));
}

void TamborakDR::beginRun(std::int32_t value, std::int32_t) {
  rendered_ = 0;
  runVolume_ = drRunVolume(getVeloMin(), getVeloMax(), value);
}

void TamborakDR::renderTo(std::int32_t offset) {
  const std::int64_t target = (blockStart_ + offset) * kTicksPerQuarter / samplesPerBeat();
  if (target - 1 < rendered_ || target - 1 > INT32_MAX) return;
  for (int i = 0; i < kSliceCount; ++i)
    if (Looper* slice = getSlice(i))
      slice->render(static_cast<std::int32_t>(rendered_), static_cast<std::int32_t>(target - 1), *this);
  rendered_ = target;
}

HRESULT TamborakDR::process(std::int32_t blockLength, const DrTransport* transport, const DrTempo* tempo,
                            std::int32_t idle, const DrOutput* output) {
  if (!transport || blockLength < 0) return E_POINTER;
  output_ = output;
  tempo_ = tempo && tempo->beatsPerMinute > 0 ? tempo->beatsPerMinute : 120.0;
  if ((idle && !transport->playing) || transport->stop) {
    if (!stopped_) {
      reset();
      stopped_ = true;
    }
    return S_OK;
  }
  stopped_ = false;
  const std::int32_t count = std::clamp(transport->eventCount, 0, kDrMaxTransportEvents);
  const auto offsetOf = [&](std::int32_t i) {
    return i < count ? std::clamp(transport->events[i].offset, 0, blockLength) : blockLength;
  };
  if (inRun_) renderTo(offsetOf(0));
  for (std::int32_t i = 0; i < count; ++i) {
    const DrTransportEvent& event = transport->events[i];
    if (event.kind == kDrStart) {
      ++nesting_;
      beginRun(event.value, event.offset);
      blockStart_ = -std::int64_t{offsetOf(i)};
      inRun_ = true;
    } else if (event.kind == 1 || event.kind == 3) {
      nesting_ = std::max(0, nesting_ - 1);
      if (nesting_ == 0) inRun_ = false;
    }
    if (inRun_) renderTo(offsetOf(i + 1));
  }
  blockStart_ += blockLength;
  output_ = nullptr;
  return S_OK;
}

void TamborakDR::emit(const MidiEvent& event) {
  if (event.type != kEventNote || !output_ || !output_->records || !output_->count || !output_->first ||
      !output_->cursor)
    return;
  const DrOutput& out = *output_;
  const std::int32_t at = *out.cursor;
  // A full area drops the trigger: the sampler's array ends there.
  if (at < 0 || at >= out.capacity) return;
  DrPadTrigger& record = out.records[at];
  record.kind = 0;
  record.pad = std::clamp(static_cast<std::int32_t>(event.data1) - 24, 0, 95);
  record.velocity = std::clamp(event.data2 * runVolume_ / 128, 0, 127);
  record.offset = static_cast<std::int32_t>(
      std::clamp<std::int64_t>(std::int64_t{event.time} * samplesPerBeat() / kTicksPerQuarter - blockStart_, 0, INT32_MAX));
  record.next = -1;
  *out.cursor = at + 1;
  ++*out.count;
  // Linked in offset order: first when the list's first record is later, else after the last
  // record before it (or after the first, when that one has the same offset).
  const auto valid = [&](std::int32_t i) { return i >= 0 && i < at; };
  if (!valid(*out.first) || out.records[*out.first].offset > record.offset) {
    record.next = valid(*out.first) ? *out.first : -1;
    *out.first = at;
    return;
  }
  std::int32_t p = *out.first;
  for (std::int32_t steps = 0; valid(out.records[p].next) && out.records[out.records[p].next].offset < record.offset &&
                               steps < at;
       ++steps)
    p = out.records[p].next;
  record.next = valid(out.records[p].next) ? out.records[p].next : -1;
  out.records[p].next = at;
}

std::int32_t TamborakDR::mbtToTicks(std::int32_t measure, std::int32_t beat, std::int32_t tick) {
  return (beat + measure * kBeatsPerBar - 5) * kTicksPerQuarter + tick;
}

void TamborakDR::ticksToMbt(std::int32_t ticks, std::int32_t& measure, std::int32_t& beat, std::int32_t& tick) {
  const std::int32_t beats = ticks / kTicksPerQuarter;
  measure = beats / kBeatsPerBar + 1;
  beat = beats % kBeatsPerBar + 1;
  tick = ticks % kTicksPerQuarter;
}

}  // namespace velmora
