#include <windows.h>
#include <ole2.h>
#include <shlobj.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/Clipboard.h"

namespace velmora::platform {

namespace {

// Another program may hold the clipboard for a moment; try a few times.
template <typename Call>
HRESULT retried(Call call) {
  HRESULT result = call();
  for (int attempt = 0; result == CLIPBRD_E_CANT_OPEN && attempt < 10; ++attempt) {
    Sleep(10);
    result = call();
  }
  return result;
}

bool openClipboard() {
  return retried([] { return OpenClipboard(nullptr) ? S_OK : CLIPBRD_E_CANT_OPEN; }) == S_OK;
}

// A movable, zero-filled global block holding `bytes`; nullptr when memory runs out.
HGLOBAL globalBlockOf(const std::string& bytes) {
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_SHARE | GMEM_ZEROINIT, bytes.empty() ? 1 : bytes.size());
  if (!block) return nullptr;
  void* target = GlobalLock(block);
  if (!target) {
    GlobalFree(block);
    return nullptr;
  }
  if (!bytes.empty()) std::memcpy(target, bytes.data(), bytes.size());
  GlobalUnlock(block);
  return block;
}

// Blocks offered through OLE, one per clipboard format, each in global memory; every GetData
// hands out a copy that the receiver frees.
class BlockData final : public IDataObject {
 public:
  void add(CLIPFORMAT format, std::string_view bytes) { blocks_.emplace_back(format, std::string(bytes)); }

  STDMETHOD(QueryInterface)(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    *object = iid == IID_IUnknown || iid == IID_IDataObject ? static_cast<IDataObject*>(this) : nullptr;
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
  STDMETHOD(GetData)(FORMATETC* format, STGMEDIUM* medium) override {
    if (!format || !medium) return E_INVALIDARG;
    const HRESULT offered = QueryGetData(format);
    if (offered != S_OK) return offered;
    HGLOBAL copy = globalBlockOf(find(format->cfFormat)->second);
    if (!copy) return E_OUTOFMEMORY;
    medium->tymed = TYMED_HGLOBAL;
    medium->hGlobal = copy;
    medium->pUnkForRelease = nullptr;
    return S_OK;
  }
  STDMETHOD(GetDataHere)(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
  STDMETHOD(QueryGetData)(FORMATETC* format) override {
    if (!format) return E_INVALIDARG;
    if (find(format->cfFormat) == blocks_.end() || format->dwAspect != DVASPECT_CONTENT) return DV_E_FORMATETC;
    return format->tymed & TYMED_HGLOBAL ? S_OK : DV_E_TYMED;
  }
  STDMETHOD(GetCanonicalFormatEtc)(FORMATETC*, FORMATETC* out) override {
    if (out) out->ptd = nullptr;
    return DATA_S_SAMEFORMATETC;
  }
  STDMETHOD(SetData)(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
  STDMETHOD(EnumFormatEtc)(DWORD direction, IEnumFORMATETC** formats) override {
    if (!formats) return E_POINTER;
    *formats = nullptr;
    if (direction != DATADIR_GET) return E_NOTIMPL;
    std::vector<FORMATETC> offered;
    for (const auto& block : blocks_) offered.push_back({block.first, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL});
    return SHCreateStdEnumFmtEtc(static_cast<UINT>(offered.size()), offered.data(), formats);
  }
  STDMETHOD(DAdvise)(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override { return OLE_E_ADVISENOTSUPPORTED; }
  STDMETHOD(DUnadvise)(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
  STDMETHOD(EnumDAdvise)(IEnumSTATDATA**) override { return OLE_E_ADVISENOTSUPPORTED; }

 private:
  using Blocks = std::vector<std::pair<CLIPFORMAT, std::string>>;
  ~BlockData() = default;
  Blocks::const_iterator find(CLIPFORMAT format) const {
    return std::find_if(blocks_.begin(), blocks_.end(), [format](const auto& block) { return block.first == format; });
  }
  Blocks blocks_;
  ULONG refs_ = 1;
};

// The clipboard through OLE: a data source offering every format, flushed at once so that the
// data stays on the clipboard after the plug-in is gone (and no object of ours stays behind).
// A thread that never initialised OLE uses the clipboard functions directly.
class WindowsClipboard final : public Clipboard {
 public:
  bool put(const std::vector<ClipItem>& items) override {
    auto* data = new (std::nothrow) BlockData;
    if (!data) return false;
    bool named = true;
    for (const ClipItem& item : items) {
      const UINT format = RegisterClipboardFormatA(item.format.c_str());
      if (format) data->add(static_cast<CLIPFORMAT>(format), item.bytes);
      else named = false;
    }
    HRESULT result = named ? retried([data] { return OleSetClipboard(data); }) : E_FAIL;
    if (SUCCEEDED(result)) {
      result = OleFlushClipboard();
      if (FAILED(result)) OleSetClipboard(nullptr);
    }
    data->Release();
    if (result == CO_E_NOTINITIALIZED) return putDirect(items);
    return SUCCEEDED(result);
  }

  bool get(const std::string& format, std::string& bytes) override {
    const UINT id = RegisterClipboardFormatA(format.c_str());
    if (!id) return false;
    IDataObject* data = nullptr;
    const HRESULT attached = retried([&data] { return OleGetClipboard(&data); });
    if (attached == CO_E_NOTINITIALIZED) return getDirect(id, bytes);
    if (FAILED(attached) || !data) return false;
    FORMATETC wanted{static_cast<CLIPFORMAT>(id), nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM medium{};
    bool ok = false;
    if (SUCCEEDED(data->GetData(&wanted, &medium))) {
      ok = medium.tymed == TYMED_HGLOBAL && copyBlock(medium.hGlobal, bytes);
      ReleaseStgMedium(&medium);
    }
    data->Release();
    return ok;
  }

 private:
  static bool copyBlock(HGLOBAL block, std::string& bytes) {
    const SIZE_T size = GlobalSize(block);
    const void* source = GlobalLock(block);
    if (!source) return false;
    bytes.assign(static_cast<const char*>(source), size);
    GlobalUnlock(block);
    return true;
  }

  static bool putDirect(const std::vector<ClipItem>& items) {
    std::vector<std::pair<UINT, HGLOBAL>> blocks;
    bool ok = true;
    for (const ClipItem& item : items) {
      const UINT format = RegisterClipboardFormatA(item.format.c_str());
      HGLOBAL block = format ? globalBlockOf(item.bytes) : nullptr;
      if (!block) ok = false;
      else blocks.emplace_back(format, block);
    }
    if (ok && openClipboard()) {
      EmptyClipboard();
      std::size_t given = 0;
      for (; given < blocks.size(); ++given)
        if (!SetClipboardData(blocks[given].first, blocks[given].second)) break;
      ok = given == blocks.size();
      // Blocks the clipboard took are its own now; the rest are freed below.
      blocks.erase(blocks.begin(), blocks.begin() + static_cast<std::ptrdiff_t>(given));
      CloseClipboard();
    } else {
      ok = false;
    }
    for (const auto& left : blocks) GlobalFree(left.second);
    return ok;
  }

  static bool getDirect(UINT id, std::string& bytes) {
    if (!IsClipboardFormatAvailable(id) || !openClipboard()) return false;
    HANDLE block = GetClipboardData(id);
    const bool ok = block && copyBlock(block, bytes);
    CloseClipboard();
    return ok;
  }
};

// The source side of the drag: the drop happens when the left button is let go, Escape cancels.
class ButtonDropSource final : public IDropSource {
 public:
  STDMETHOD(QueryInterface)(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    *object = iid == IID_IUnknown || iid == IID_IDropSource ? static_cast<IDropSource*>(this) : nullptr;
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
  STDMETHOD(QueryContinueDrag)(BOOL escape, DWORD keys) override {
    if (escape) return DRAGDROP_S_CANCEL;
    return keys & MK_LBUTTON ? S_OK : DRAGDROP_S_DROP;
  }
  STDMETHOD(GiveFeedback)(DWORD) override { return DRAGDROP_S_USEDEFAULTCURSORS; }

 private:
  ~ButtonDropSource() = default;
  ULONG refs_ = 1;
};

// Drags the file with the system's OLE drag loop, copying only. The thread must have OLE
// initialised (a host's user-interface thread has).
class WindowsFileDrag final : public FileDrag {
 public:
  DragResult dragFiles(std::string_view dropBlock) override {
    if (dropBlock.empty()) return DragResult::kFailed;
    auto* data = new (std::nothrow) BlockData;
    if (data) data->add(CF_HDROP, dropBlock);
    auto* source = new (std::nothrow) ButtonDropSource;
    DWORD effect = DROPEFFECT_NONE;
    const HRESULT result = data && source ? DoDragDrop(data, source, DROPEFFECT_COPY, &effect) : E_OUTOFMEMORY;
    if (data) data->Release();
    if (source) source->Release();
    if (result == DRAGDROP_S_DROP) return effect & DROPEFFECT_COPY ? DragResult::kDropped : DragResult::kCancelled;
    return result == DRAGDROP_S_CANCEL ? DragResult::kCancelled : DragResult::kFailed;
  }
};

}  // namespace

Clipboard& systemClipboard() {
  static WindowsClipboard clipboard;
  return clipboard;
}

FileDrag& systemFileDrag() {
  static WindowsFileDrag drag;
  return drag;
}

}  // namespace velmora::platform
