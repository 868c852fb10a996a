#include "sim/HostContext.h"

#include <algorithm>
#include <atomic>
#include <cstring>

namespace velmora::sim {

namespace {
std::atomic<std::int32_t> live{0};

// Copies `text` into a caller's buffer of `size` bytes, cut to fit, NUL-terminated.
HRESULT copyText(const std::string& text, char* buffer, std::int32_t size) {
  if (!buffer || size < 1) return E_INVALIDARG;
  const std::size_t length = std::min(text.size(), static_cast<std::size_t>(size) - 1);
  std::memcpy(buffer, text.data(), length);
  buffer[length] = '\0';
  return S_OK;
}
}  // namespace

std::int32_t liveObjects() { return live; }
void detail::countObject(std::int32_t delta) { live += delta; }

HRESULT NoteNameList::getName(char* buffer, std::int32_t size) {
  return set_.failName ? E_FAIL : copyText(set_.name, buffer, size);
}

HRESULT NoteNameList::getNoteCount(std::int32_t* count) {
  if (!count) return E_POINTER;
  if (set_.failNoteCount) return E_FAIL;
  *count = static_cast<std::int32_t>(set_.notes.size());
  return S_OK;
}

HRESULT NoteNameList::getNoteName(std::int32_t index, char* buffer, std::int32_t size) {
  if (index < 0 || static_cast<std::size_t>(index) >= set_.notes.size()) return E_INVALIDARG;
  return copyText(set_.notes[static_cast<std::size_t>(index)], buffer, size);
}

void* NoteNameList::face(REFIID iid) {
  return iid == IID_IUnknown || iid == IID_IMfxNoteNameList ? static_cast<IMfxNoteNameList*>(this) : nullptr;
}

HRESULT NoteNameLists::getCount(std::int32_t* count) {
  if (!count) return E_POINTER;
  if (failCount) return E_FAIL;
  *count = static_cast<std::int32_t>(sets.size());
  return S_OK;
}

HRESULT NoteNameLists::getItem(std::int32_t index, IMfxNoteNameList** item) {
  if (!item) return E_POINTER;
  *item = nullptr;
  if (index < 0 || static_cast<std::size_t>(index) >= sets.size()) return E_INVALIDARG;
  ComRef<NoteNameList> made = create<NoteNameList>(sets[static_cast<std::size_t>(index)]);
  made->AddRef();
  *item = made.get();
  return S_OK;
}

void* NoteNameLists::face(REFIID iid) {
  return iid == IID_IUnknown || iid == IID_IMfxNoteNameLists ? static_cast<IMfxNoteNameLists*>(this) : nullptr;
}

HostContext::HostContext(Song song, HostOptions options)
    : song_(std::move(song)), options_(options), instruments_(create<NoteNameLists>()) {}

HRESULT HostContext::getTempo(std::int32_t index, MfxTime* startTick, std::int32_t* tempo) {
  if (!startTick || !tempo) return E_POINTER;
  if (index < 0 || static_cast<std::size_t>(index) >= song_.tempos().size()) return E_INVALIDARG;
  *startTick = song_.tempos()[static_cast<std::size_t>(index)].startTick;
  *tempo = song_.tempos()[static_cast<std::size_t>(index)].bpm100;
  return S_OK;
}

HRESULT HostContext::ticksToMbt(MfxTime ticks, std::int32_t* measure, std::int32_t* beat, std::int32_t* tick) {
  if (!measure || !beat || !tick) return E_POINTER;
  song_.ticksToMbt(ticks, *measure, *beat, *tick);
  return S_OK;
}

HRESULT HostContext::getMeter(std::int32_t index, std::int32_t* measure, std::int32_t* numerator,
                              std::int32_t* denominatorPower) {
  if (!measure || !numerator || !denominatorPower) return E_POINTER;
  if (index < 0 || static_cast<std::size_t>(index) >= song_.meters().size()) return E_INVALIDARG;
  const MeterChange& m = song_.meters()[static_cast<std::size_t>(index)];
  *measure = m.measure;
  *numerator = m.numerator;
  *denominatorPower = m.denominatorPower;
  return S_OK;
}

HRESULT HostContext::getNoteNameLists(IMfxNoteNameLists** lists) {
  if (!lists) return E_POINTER;
  *lists = nullptr;
  if (options_.noteNameSourceFails) return E_FAIL;
  instruments_->AddRef();
  *lists = instruments_.get();
  return S_OK;
}

void* HostContext::face(REFIID iid) {
  if (iid == IID_IUnknown) return unknown();
  if (iid == IID_IMfxTimeConverter && options_.timeConverter) return static_cast<IMfxTimeConverter*>(this);
  if (iid == IID_IMfxMeterMap && options_.meterMap) return static_cast<IMfxMeterMap*>(this);
  if (iid == IID_IMfxNoteNameSource && options_.noteNameSource) return static_cast<IMfxNoteNameSource*>(this);
  if (iid == IID_IMfxOfflineMarker && options_.offline) return static_cast<IMfxOfflineMarker*>(this);
  return nullptr;
}

HRESULT connect(IMfxEventFilter& filter, HostContext& context) {
  context.AddRef();
  return filter.Connect(context.unknown());
}

}  // namespace velmora::sim
