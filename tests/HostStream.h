// A host's COM stream over a byte string, for tests of what goes through IStream.
#pragma once

#include <algorithm>
#include <cstring>
#include <string>

#include "hostapi/ComTypes.h"

namespace velmora::test {

// A host stream over a byte string; `reportsCount` false leaves the count out parameter alone,
// and writes stop after `limit` bytes.
class FakeHostStream : public IStream {
 public:
  explicit FakeHostStream(bool reportsCount, ULONG limit = 0xFFFFFFFF) : reports_(reportsCount), limit_(limit) {}
  virtual ~FakeHostStream() = default;
  HRESULT STDMETHODCALLTYPE Read(void* buffer, ULONG count, ULONG* read) override {
    const ULONG n = static_cast<ULONG>(std::min<std::size_t>(count, bytes.size() - pos));
    std::memcpy(buffer, bytes.data() + pos, n);
    pos += n;
    if (reports_ && read) *read = n;
    return n == count ? S_OK : S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE Write(const void* buffer, ULONG count, ULONG* written) override {
    const ULONG n = std::min<ULONG>(count, limit_);
    bytes.append(static_cast<const char*>(buffer), n);
    if (reports_ && written) *written = n;
    return n == count ? S_OK : E_FAIL;
  }
  // Nothing else is used by the stream adapter.
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
  ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER, DWORD, ULARGE_INTEGER*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Commit(DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Revert() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Stat(STATSTG*, DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Clone(IStream**) override { return E_NOTIMPL; }

  std::string bytes;
  std::size_t pos = 0;

 private:
  bool reports_;
  ULONG limit_;
};

}  // namespace velmora::test
