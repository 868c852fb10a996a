#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <new>
#include <string>

#include "engine/EngineProcess.h"
#include "frame/CTamborak.h"
#include "hostapi/ClassIds.h"
#include "frame/ClassObjects.h"
#include "frame/ComServer.h"
#include "frame/ComStream.h"
#include "tests/HostStream.h"
#include "hostapi/DrApi.h"
#include "hostapi/MfxHost.h"
#include "frame/PageWindow.h"
#include "frame/PanelPage.h"
#include "frame/Registration.h"
#include "tests/ScratchRegistry.h"
#include "tests/frame/RecordingPageWindow.h"
#include "ui/TamborakPanel.h"

// Lets a test make the next allocation of its thread fail. The thread sanitizer's runtime brings
// its own operator new, so that build cannot make allocations fail.
#if defined(__SANITIZE_THREAD__)
#define TAMBORAK_FAILS_ALLOCATIONS 0
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define TAMBORAK_FAILS_ALLOCATIONS 0
#endif
#endif
#ifndef TAMBORAK_FAILS_ALLOCATIONS
#define TAMBORAK_FAILS_ALLOCATIONS 1
#endif
namespace {
thread_local bool failNextAllocation = false;
}
#if TAMBORAK_FAILS_ALLOCATIONS
[[gnu::noinline]] void* operator new(std::size_t size) {
  if (failNextAllocation) {
    failNextAllocation = false;
    throw std::bad_alloc();
  }
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
[[gnu::noinline]] void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  try {
    return ::operator new(size);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}
[[gnu::noinline]] void operator delete(void* p) noexcept { std::free(p); }
[[gnu::noinline]] void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
[[gnu::noinline]] void operator delete(void* p, std::size_t) noexcept { std::free(p); }
#endif

namespace velmora {
namespace {

constexpr IID IID_IFirst = {0x1, 0x2, 0x3, {1, 2, 3, 4, 5, 6, 7, 8}};
constexpr IID IID_ISecond = {0x1, 0x2, 0x3, {1, 2, 3, 4, 5, 6, 7, 9}};
constexpr IID IID_IOther = {0x1, 0x2, 0x3, {1, 2, 3, 4, 5, 6, 7, 10}};

struct IFirst : IUnknown {
  STDMETHOD_(int, first)() = 0;

 protected:
  ~IFirst() = default;
};
struct ISecond : IUnknown {
  STDMETHOD_(int, second)() = 0;

 protected:
  ~ISecond() = default;
};

// A class with two faces, contained in com::Object.
class TwoFaces : public IFirst, public ISecond {
 public:
  virtual ~TwoFaces() = default;
  STDMETHOD_(int, first)() override { return 1; }
  STDMETHOD_(int, second)() override { return 2; }
  void* queryFace(REFIID iid) {
    if (iid == IID_IFirst) return static_cast<IFirst*>(this);
    if (iid == IID_ISecond) return static_cast<ISecond*>(this);
    return nullptr;
  }
};

// An aggregating object that counts what its inner object forwards to it.
struct Outer : IUnknown {
  STDMETHOD(QueryInterface)(REFIID, void** object) override {
    ++queries;
    *object = this;
    return S_OK;
  }
  STDMETHOD_(ULONG, AddRef)() override { return ++refs; }
  STDMETHOD_(ULONG, Release)() override { return --refs; }
  ULONG refs = 1;
  int queries = 0;
};

template <class T>
void** out(T** p) {
  return reinterpret_cast<void**>(p);
}

TEST(ComObjectTest, OneIdentityOneCountForEveryFace) {
  const std::int32_t before = com::objectCount();
  com::ObjectFactoryOf<TwoFaces> factory;
  IFirst* first = nullptr;
  ASSERT_EQ(factory.CreateInstance(nullptr, IID_IFirst, out(&first)), S_OK);
  EXPECT_EQ(first->first(), 1);

  ISecond* second = nullptr;
  IUnknown* identity1 = nullptr;
  IUnknown* identity2 = nullptr;
  ASSERT_EQ(first->QueryInterface(IID_ISecond, out(&second)), S_OK);
  EXPECT_EQ(second->second(), 2);
  ASSERT_EQ(first->QueryInterface(IID_IUnknown, out(&identity1)), S_OK);
  ASSERT_EQ(second->QueryInterface(IID_IUnknown, out(&identity2)), S_OK);
  EXPECT_EQ(identity1, identity2);

  void* none = &none;
  EXPECT_EQ(second->QueryInterface(IID_IOther, &none), E_NOINTERFACE);
  EXPECT_EQ(none, nullptr);
  EXPECT_EQ(second->QueryInterface(IID_IFirst, nullptr), E_POINTER);

  // Four references on one count: the object lives until the last goes.
  EXPECT_EQ(first->AddRef(), 5u);
  EXPECT_EQ(second->Release(), 4u);
  identity1->Release();
  identity2->Release();
  first->Release();
  EXPECT_EQ(com::objectCount(), before + 2);  // the object and the factory
  first->Release();
  EXPECT_EQ(com::objectCount(), before + 1);
}

TEST(ComObjectTest, AggregatedFacesAnswerThroughTheOuterObject) {
  Outer outer;
  com::ObjectFactoryOf<TwoFaces> factory;
  IUnknown* inner = nullptr;
  ASSERT_EQ(factory.CreateInstance(&outer, IID_IUnknown, out(&inner)), S_OK);
  IFirst* first = nullptr;
  // The inner identity answers the aggregating object's queries; the face it gives counts on the
  // aggregating object, and so does everything asked of the face.
  ASSERT_EQ(inner->QueryInterface(IID_IFirst, out(&first)), S_OK);
  EXPECT_EQ(outer.refs, 2u);
  void* any = nullptr;
  first->QueryInterface(IID_IOther, &any);
  EXPECT_EQ(outer.queries, 1);
  EXPECT_EQ(first->Release(), 1u);
  EXPECT_EQ(inner->Release(), 0u);
}

class ServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(EngineProcess::reset());
    EngineProcess::setProgramFolder(folder_.path().string());
    EngineProcess::setSettingsKey(test::ScratchRegistry::kApplicationKey);
  }
  void TearDown() override { EXPECT_TRUE(EngineProcess::reset()); }

  test::TempFolder folder_;
  test::ScratchRegistry registry_;
};

TEST_F(ServerTest, ClassObjectsAndFactoryResults) {
  const std::int32_t before = com::objectCount();
  EXPECT_EQ(canUnloadNow(), S_FALSE);

  void* untouched = &untouched;
  for (const CLSID* clsid : {&IID_IOther, &IID_ITamborak})
    EXPECT_EQ(getClassObject(*clsid, IID_IClassFactory, &untouched), CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(untouched, &untouched);
  EXPECT_EQ(getClassObject(CLSID_Tamborak, IID_IClassFactory, nullptr), E_INVALIDARG);
  EXPECT_EQ(getClassObject(CLSID_Tamborak, IID_IOther, &untouched), E_NOINTERFACE);
  EXPECT_EQ(com::objectCount(), before) << "a failed query must destroy the factory";

  IClassFactory* factory = nullptr;
  ASSERT_EQ(getClassObject(CLSID_Tamborak, IID_IClassFactory, out(&factory)), S_OK);
  EXPECT_EQ(com::objectCount(), before + 1);

  // Aggregation is refused for every interface, IUnknown included.
  Outer outer;
  for (const IID* iid : {&IID_ITamborak, &IID_IUnknown}) {
    void* made = &made;
    EXPECT_EQ(factory->CreateInstance(&outer, *iid, &made), CLASS_E_NOAGGREGATION);
    EXPECT_EQ(made, nullptr);
  }
  void* none = &none;
  EXPECT_EQ(factory->CreateInstance(nullptr, IID_IOther, &none), E_NOINTERFACE);
  EXPECT_EQ(EngineProcess::engineCount(), 0) << "a failed query must destroy the new filter";

  IMfxEventFilter* filter = nullptr;
  ASSERT_EQ(factory->CreateInstance(nullptr, IID_IMfxEventFilter, out(&filter)), S_OK);
  IPersist* persist = nullptr;
  IPersistStream* stream = nullptr;
  ASSERT_EQ(filter->QueryInterface(IID_IPersist, out(&persist)), S_OK);
  ASSERT_EQ(filter->QueryInterface(IID_IPersistStream, out(&stream)), S_OK);
  EXPECT_EQ(static_cast<void*>(persist), static_cast<void*>(stream));
  EXPECT_EQ(com::objectCount(), before + 2);
  persist->Release();
  stream->Release();

  const std::int32_t locks = com::lockCount();
  EXPECT_EQ(factory->LockServer(true), S_OK);
  EXPECT_EQ(com::lockCount(), locks + 1);
  EXPECT_EQ(factory->LockServer(false), S_OK);
  EXPECT_EQ(com::lockCount(), locks);

  // Failed allocations of a factory or a filter are reported, not thrown into the caller.
  if (TAMBORAK_FAILS_ALLOCATIONS) {
    failNextAllocation = true;
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IMfxEventFilter, &none), E_OUTOFMEMORY);
    EXPECT_EQ(none, nullptr);
    failNextAllocation = true;
    IClassFactory* noFactory = nullptr;
    EXPECT_EQ(getClassObject(CLSID_Tamborak, IID_IClassFactory, out(&noFactory)), E_OUTOFMEMORY);
    EXPECT_EQ(noFactory, nullptr);
  }

  // The drum-sampler link has a factory of its own; aggregated, its faces count on the outer object.
  IClassFactory* linkFactory = nullptr;
  ASSERT_EQ(getClassObject(CLSID_TamborakDR, IID_IClassFactory, out(&linkFactory)), S_OK);
  IDrObject* link = nullptr;
  EXPECT_EQ(linkFactory->CreateInstance(&outer, IID_IDrObject, &none), CLASS_E_NOAGGREGATION);
  IUnknown* inner = nullptr;
  ASSERT_EQ(linkFactory->CreateInstance(&outer, IID_IUnknown, out(&inner)), S_OK);
  ASSERT_EQ(inner->QueryInterface(IID_IDrObject, out(&link)), S_OK);
  EXPECT_EQ(outer.refs, 2u);
  EXPECT_EQ(link->Release(), 1u);
  EXPECT_EQ(inner->Release(), 0u);
  ASSERT_EQ(linkFactory->CreateInstance(nullptr, IID_IDrObject, out(&link)), S_OK);
  EXPECT_EQ(link->constant5(), 4098);
  EXPECT_EQ(link->Release(), 0u);
  EXPECT_EQ(linkFactory->Release(), 0u);

  EXPECT_EQ(factory->Release(), 0u);
  EXPECT_EQ(filter->Release(), 0u);
  EXPECT_EQ(com::objectCount(), before);
  EXPECT_EQ(canUnloadNow(), S_FALSE);
}

std::string defaultValue(platform::RegKey root, const std::string& path) {
  platform::RegKey key = platform::kNoKey;
  if (platform::regOpenKey(root, path, platform::kKeyRead, key) != platform::kErrorSuccess) return "<missing>";
  std::uint32_t type = 0;
  std::string data;
  const bool found = platform::regQueryValue(key, "", type, data) == platform::kErrorSuccess;
  platform::regCloseKey(key);
  if (!found) return "<none>";
  return type == platform::kRegSz ? data : "<type " + std::to_string(type) + ">";
}

TEST_F(ServerTest, RegistersAndUnregistersTheFiveKeys) {
  using platform::kClassesRoot;
  using platform::kLocalMachine;
  const std::string path = "C:\\Plug-ins\\tamborak.dll";
  const std::string nul(1, '\0');
  ASSERT_EQ(registerServer(path), S_OK);
  struct Expected {
    platform::RegKey root;
    const char* key;
    std::string value;
  };
  const Expected keys[] = {
      {kLocalMachine, "Software\\Cakewalk Music Software\\MIDI Filters\\{878A0950-052B-11D6-84A6-00104B7B24A1}", "<none>"},
      {kClassesRoot, "CLSID\\{878A0950-052B-11D6-84A6-00104B7B24A1}", "Velmora Tamborak" + nul},
      {kClassesRoot, "CLSID\\{878A0950-052B-11D6-84A6-00104B7B24A1}\\InprocServer32", path + nul},
      {kClassesRoot, "CLSID\\{878A0952-052B-11D6-84A6-00104B7B24A1}", "Velmora Tamborak Property Page" + nul},
      {kClassesRoot, "CLSID\\{878A0952-052B-11D6-84A6-00104B7B24A1}\\InprocServer32", path + nul},
      {kLocalMachine, "Software\\FXpansion\\DrAPI\\{878A0950-052B-11D6-84A6-11104B7B24A1}", "<none>"},
      {kClassesRoot, "CLSID\\{878A0950-052B-11D6-84A6-11104B7B24A1}", "Velmora Tamborak DR" + nul},
      {kClassesRoot, "CLSID\\{878A0950-052B-11D6-84A6-11104B7B24A1}\\InprocServer32", path + nul},
  };
  for (const Expected& e : keys) EXPECT_EQ(defaultValue(e.root, e.key), e.value) << e.key;

  EXPECT_EQ(unregisterServer(), S_OK);
  for (const Expected& e : keys) EXPECT_EQ(defaultValue(e.root, e.key), "<missing>") << e.key;
  // The hosts' own list keys stay.
  EXPECT_EQ(defaultValue(kLocalMachine, "Software\\Cakewalk Music Software\\MIDI Filters"), "<none>");
  EXPECT_EQ(unregisterServer(), S_OK) << "nothing left to delete is no failure";
}

#ifndef _WIN32
TEST_F(ServerTest, RegistrationReportsARegistryItCannotWrite) {
  const auto lock = registry_.folder() / "registry.lock";
  std::filesystem::remove(lock);
  std::filesystem::create_directory(lock);
  EXPECT_EQ(registerServer("/x/tamborak.dll"), kSelfRegClassError);
  EXPECT_EQ(unregisterServer(), kSelfRegClassError);
}
#endif

TEST(TamborakAppTest, StartUpNamesTheSettingsKeyAndHelpPath) {
  TamborakApp app;
  ASSERT_TRUE(app.initInstance("C:\\Program Files\\Velmora\\tamborak.dll"));
  EXPECT_EQ(app.profileKey(), "Software\\Velmora\\Tamborak\\2");
  EXPECT_EQ(app.programFolder(), "C:\\Program Files\\Velmora");
  EXPECT_EQ(app.helpFilePath(), "C:\\Program Files\\Velmora\\Tamborak");
}

// The editor page as a host drives it, with a recording window in place of the system's.
struct PageSite : IPropertyPageSite {
  STDMETHOD(QueryInterface)(REFIID, void** object) override {
    *object = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHOD_(ULONG, AddRef)() override { return ++refs; }
  STDMETHOD_(ULONG, Release)() override { return --refs; }
  STDMETHOD(OnStatusChange)(DWORD) override { return S_OK; }
  STDMETHOD(GetLocaleID)(LCID*) override { return E_NOTIMPL; }
  STDMETHOD(GetPageContainer)(IUnknown**) override { return E_NOTIMPL; }
  STDMETHOD(TranslateAccelerator)(MSG*) override { return E_NOTIMPL; }
  ULONG refs = 1;
};

using test::RecordingPageWindow;

TEST_F(ServerTest, PropertyPageAttachesToTheEngineAndShowsThePanel) {
  RecordingPageWindow* window = nullptr;
  setPageWindowMaker([&window] {
    auto made = std::make_unique<RecordingPageWindow>();
    window = made.get();
    return made;
  });
  const std::int32_t before = com::objectCount();
  IClassFactory* factory = nullptr;
  ASSERT_EQ(getClassObject(CLSID_TamborakPanel, IID_IClassFactory, out(&factory)), S_OK);
  Outer outer;
  void* none = &none;
  EXPECT_EQ(factory->CreateInstance(&outer, IID_IUnknown, &none), CLASS_E_NOAGGREGATION) << "the page is never aggregated";
  IPropertyPage* page = nullptr;
  ASSERT_EQ(factory->CreateInstance(nullptr, IID_IPropertyPage, out(&page)), S_OK);
  factory->Release();

  PROPPAGEINFO info{};
  ASSERT_EQ(page->GetPageInfo(&info), S_OK);
  EXPECT_EQ(info.cb, sizeof(PROPPAGEINFO));
  EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(info.pszTitle)), u"Tamborak");
  EXPECT_EQ(info.size.cx, ui::TamborakPanel::kWidth);
  EXPECT_EQ(info.size.cy, ui::TamborakPanel::kHeight);
  EXPECT_EQ(info.pszHelpFile, nullptr);
  CoTaskMemFree(info.pszTitle);
  EXPECT_EQ(page->IsPageDirty(), S_FALSE);
  EXPECT_EQ(page->TranslateAccelerator(nullptr), E_NOTIMPL);

  // One site at a time; clearing it releases it.
  PageSite site, other;
  EXPECT_EQ(page->SetPageSite(&site), S_OK);
  EXPECT_EQ(page->SetPageSite(&other), E_UNEXPECTED);
  EXPECT_EQ(site.refs, 2u);
  EXPECT_EQ(page->SetPageSite(nullptr), S_OK);
  EXPECT_EQ(site.refs, 1u);

  // Objects: none to activate without an engine; an object that is not the engine is refused.
  const RECT rect{10, 20, 10 + ui::TamborakPanel::kWidth, 20 + ui::TamborakPanel::kHeight};
  EXPECT_EQ(page->Activate(nullptr, &rect, 0), E_UNEXPECTED);
  EXPECT_EQ(page->SetObjects(1, nullptr), E_POINTER);
  IUnknown* plainList[] = {&other};
  EXPECT_EQ(page->SetObjects(1, plainList), E_NOINTERFACE);
  EXPECT_EQ(page->Activate(nullptr, &rect, 0), E_UNEXPECTED) << "the refused object leaves the page detached";

  ITamborak* engine = nullptr;
  ASSERT_EQ(CTamborak::create(IID_ITamborak, out(&engine)), S_OK);
  IUnknown* engineList[] = {engine};
  ASSERT_EQ(page->SetObjects(1, engineList), S_OK);
  EXPECT_EQ(page->SetObjects(1, engineList), E_UNEXPECTED);
  ASSERT_NE(window, nullptr);
  EXPECT_FALSE(window->made) << "the window waits for Activate";

  EXPECT_EQ(page->Activate(nullptr, &rect, 0), S_OK);
  EXPECT_TRUE(window->made);
  EXPECT_EQ(window->at.left, 10);
  EXPECT_NE(window->panel, nullptr);
  EXPECT_EQ(window->recorded.timers[ui::TamborakPanel::kPlayTimer], ui::TamborakPanel::kPlayTimerMs);
  EXPECT_EQ(page->Show(SW_SHOW), S_OK);
  EXPECT_TRUE(window->visible);
  const RECT moved{0, 0, 100, 100};
  EXPECT_EQ(page->Move(&moved), S_OK);
  EXPECT_EQ(window->at.right, 100);
  EXPECT_EQ(page->Help(nullptr), S_FALSE);
  EXPECT_EQ(page->Deactivate(), S_OK);
  EXPECT_EQ(window->recorded.timers.count(ui::TamborakPanel::kPlayTimer), 0u);

  // The host disconnecting the engine detaches the page at once: ours is then its only reference.
  ComRef<IMfxEventFilter> filter;
  ASSERT_EQ(engine->QueryInterface(IID_IMfxEventFilter, out(filter.put())), S_OK);
  EXPECT_EQ(filter->Disconnect(), S_OK);
  filter.reset();
  EXPECT_EQ(page->Activate(nullptr, &rect, 0), E_UNEXPECTED);
  EXPECT_EQ(engine->Release(), 0u);
  EXPECT_EQ(page->SetObjects(0, nullptr), S_OK);
  EXPECT_EQ(page->Release(), 0u);
  EXPECT_EQ(com::objectCount(), before);
  setPageWindowMaker({});
}

}  // namespace
TEST(UniStreamIStream, GivesTheCountTheHostReportsOrTheRequestedOne) {
  test::FakeHostStream reporting(true, 3);
  UniStream<IStream*> w(&reporting);
  EXPECT_EQ(w.write("abcdef", 6), 3u);  // short write reported, result code ignored
  reporting.pos = 0;
  char buf[8];
  EXPECT_EQ(w.read(buf, 8), 3u);

  test::FakeHostStream silent(false);
  UniStream<IStream*> s(&silent);
  EXPECT_EQ(s.write("abcdef", 6), 6u);
  EXPECT_EQ(s.read(buf, 2), 2u);  // no count reported: the requested count
}

}  // namespace velmora
