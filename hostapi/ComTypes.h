// The COM basics of the Windows host ABI: HRESULT, GUID, IUnknown, IStream, the persistence, class-factory
// and property-page faces, and CoTaskMemAlloc. On Windows
// they come from the SDK; elsewhere they are declared here with the same slot order and layout,
// so the same code drives a host's stream on both.
#pragma once

#if defined(_WIN32)
#include <objbase.h>
#include <objidl.h>
#include <ocidl.h>
#else

#include <cstdint>
#include <cstdlib>

using HRESULT = std::int32_t;
using ULONG = std::uint32_t;
using DWORD = std::uint32_t;
using BOOL = int;
using LPVOID = void*;

#define STDMETHODCALLTYPE
#define STDMETHOD(method) virtual HRESULT STDMETHODCALLTYPE method
#define STDMETHOD_(type, method) virtual type STDMETHODCALLTYPE method

constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_NOTIMPL = static_cast<HRESULT>(0x80004001u);
constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002u);
constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003u);
constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
constexpr HRESULT E_UNEXPECTED = static_cast<HRESULT>(0x8000FFFFu);
constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);
constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057u);
constexpr HRESULT STG_E_INVALIDFUNCTION = static_cast<HRESULT>(0x80030001u);
constexpr HRESULT CLASS_E_NOAGGREGATION = static_cast<HRESULT>(0x80040110u);
constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = static_cast<HRESULT>(0x80040111u);
constexpr bool SUCCEEDED(HRESULT hr) { return hr >= 0; }
constexpr bool FAILED(HRESULT hr) { return hr < 0; }

struct GUID {
  std::uint32_t Data1;
  std::uint16_t Data2;
  std::uint16_t Data3;
  std::uint8_t Data4[8];
};
using IID = GUID;
using CLSID = GUID;
using REFIID = const IID&;
using REFCLSID = const CLSID&;
inline bool operator==(const GUID& a, const GUID& b) {
  if (a.Data1 != b.Data1 || a.Data2 != b.Data2 || a.Data3 != b.Data3) return false;
  for (int i = 0; i < 8; ++i)
    if (a.Data4[i] != b.Data4[i]) return false;
  return true;
}

union LARGE_INTEGER {
  std::int64_t QuadPart;
};
union ULARGE_INTEGER {
  std::uint64_t QuadPart;
};

struct IUnknown {
  STDMETHOD(QueryInterface)(REFIID riid, void** object) = 0;
  STDMETHOD_(ULONG, AddRef)() = 0;
  STDMETHOD_(ULONG, Release)() = 0;

 protected:
  ~IUnknown() = default;
};

struct ISequentialStream : IUnknown {
  STDMETHOD(Read)(void* buffer, ULONG count, ULONG* read) = 0;
  STDMETHOD(Write)(const void* buffer, ULONG count, ULONG* written) = 0;

 protected:
  ~ISequentialStream() = default;
};

struct STATSTG;
struct IStream : ISequentialStream {
  STDMETHOD(Seek)(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* newPosition) = 0;
  STDMETHOD(SetSize)(ULARGE_INTEGER newSize) = 0;
  STDMETHOD(CopyTo)(IStream* target, ULARGE_INTEGER count, ULARGE_INTEGER* read, ULARGE_INTEGER* written) = 0;
  STDMETHOD(Commit)(DWORD flags) = 0;
  STDMETHOD(Revert)() = 0;
  STDMETHOD(LockRegion)(ULARGE_INTEGER offset, ULARGE_INTEGER count, DWORD lockType) = 0;
  STDMETHOD(UnlockRegion)(ULARGE_INTEGER offset, ULARGE_INTEGER count, DWORD lockType) = 0;
  STDMETHOD(Stat)(STATSTG* stat, DWORD flags) = 0;
  STDMETHOD(Clone)(IStream** clone) = 0;

 protected:
  ~IStream() = default;
};

struct IPersist : IUnknown {
  STDMETHOD(GetClassID)(CLSID* classId) = 0;

 protected:
  ~IPersist() = default;
};

struct IPersistStream : IPersist {
  STDMETHOD(IsDirty)() = 0;
  STDMETHOD(Load)(IStream* stream) = 0;
  STDMETHOD(Save)(IStream* stream, BOOL clearDirty) = 0;
  STDMETHOD(GetSizeMax)(ULARGE_INTEGER* size) = 0;

 protected:
  ~IPersistStream() = default;
};

struct IClassFactory : IUnknown {
  STDMETHOD(CreateInstance)(IUnknown* outer, REFIID iid, void** object) = 0;
  STDMETHOD(LockServer)(BOOL lock) = 0;

 protected:
  ~IClassFactory() = default;
};

// A counted array of GUIDs whose elements the receiver frees with CoTaskMemFree.
struct CAUUID {
  ULONG cElems;
  GUID* pElems;
};

struct ISpecifyPropertyPages : IUnknown {
  STDMETHOD(GetPages)(CAUUID* pages) = 0;

 protected:
  ~ISpecifyPropertyPages() = default;
};

inline constexpr IID IID_IUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr IID IID_IPersist = {0x0000010C, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr IID IID_IPersistStream = {0x00000109, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr IID IID_IClassFactory = {0x00000001, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr IID IID_ISpecifyPropertyPages = {0xB196B28B, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};

// The property-page faces, for the editor panel; the window handles are opaque here.
using UINT = unsigned int;
using LONG = std::int32_t;
using LCID = DWORD;
using OLECHAR = char16_t;
using LPOLESTR = OLECHAR*;
using LPCOLESTR = const OLECHAR*;
struct HWND__;
using HWND = HWND__*;
struct RECT {
  LONG left, top, right, bottom;
};
using LPCRECT = const RECT*;
struct SIZE {
  LONG cx, cy;
};
struct MSG;
struct PROPPAGEINFO {
  ULONG cb;
  LPOLESTR pszTitle;
  SIZE size;
  LPOLESTR pszDocString;
  LPOLESTR pszHelpFile;
  DWORD dwHelpContext;
};
constexpr UINT SW_HIDE = 0, SW_SHOW = 5;

struct IPropertyPageSite : IUnknown {
  STDMETHOD(OnStatusChange)(DWORD flags) = 0;
  STDMETHOD(GetLocaleID)(LCID* locale) = 0;
  STDMETHOD(GetPageContainer)(IUnknown** container) = 0;
  STDMETHOD(TranslateAccelerator)(MSG* message) = 0;

 protected:
  ~IPropertyPageSite() = default;
};

struct IPropertyPage : IUnknown {
  STDMETHOD(SetPageSite)(IPropertyPageSite* site) = 0;
  STDMETHOD(Activate)(HWND parent, LPCRECT rect, BOOL modal) = 0;
  STDMETHOD(Deactivate)() = 0;
  STDMETHOD(GetPageInfo)(PROPPAGEINFO* info) = 0;
  STDMETHOD(SetObjects)(ULONG count, IUnknown** objects) = 0;
  STDMETHOD(Show)(UINT command) = 0;
  STDMETHOD(Move)(LPCRECT rect) = 0;
  STDMETHOD(IsPageDirty)() = 0;
  STDMETHOD(Apply)() = 0;
  STDMETHOD(Help)(LPCOLESTR helpFolder) = 0;
  STDMETHOD(TranslateAccelerator)(MSG* message) = 0;

 protected:
  ~IPropertyPage() = default;
};

inline constexpr IID IID_IPropertyPage = {0xB196B28D, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};
inline constexpr IID IID_IPropertyPageSite = {0xB196B28C, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};

inline void* CoTaskMemAlloc(std::size_t size) { return std::malloc(size); }
inline void CoTaskMemFree(void* block) { std::free(block); }

#endif
