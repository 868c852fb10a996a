#include "frame/PanelPage.h"

#include <cstring>
#include <new>

#include "engine/Tamborak.h"
#include "frame/TamborakFace.h"
#include "hostapi/ClassIds.h"
#include "ui/LoopBrowserStrip.h"
#include "ui/LoopEditing.h"
#include "ui/TamborakPanel.h"

namespace velmora {

namespace {

ui::Rect toRect(LPCRECT r) { return {r->left, r->top, r->right, r->bottom}; }

}  // namespace

// The panel as the page shows it: when the engine lets its views go (the host disconnects), the
// page lets go of the engine at once, as SetObjects(0, null) and Deactivate would, instead of
// holding it until the host releases the page.
class CTamborakPanel::PagePanel final : public ui::TamborakPanel {
 public:
  PagePanel(CTamborakPanel& page, ControlApi& engine, ui::LoopEditing& editing, ui::WindowServices& services)
      : TamborakPanel(engine, editing, services), page_(page) {}
  // Destroys this panel: nothing may touch it afterwards.
  void detach() override {
    TamborakPanel::detach();
    page_.detach();
  }

 private:
  CTamborakPanel& page_;
};

IUnknown* CTamborakPanel::Factory::createObject(IUnknown* outer) {
  if (outer) return nullptr;
  try {
    return new com::Object<CTamborakPanel>(nullptr);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

CTamborakPanel::CTamborakPanel() = default;

CTamborakPanel::~CTamborakPanel() { detach(); }

void* CTamborakPanel::queryFace(REFIID iid) {
  return iid == IID_IPropertyPage ? static_cast<IPropertyPage*>(this) : nullptr;
}

HRESULT CTamborakPanel::SetPageSite(IPropertyPageSite* site) {
  if (site && site_) return E_UNEXPECTED;
  site_.reset(site);
  return S_OK;
}

HRESULT CTamborakPanel::Activate(HWND parent, LPCRECT rect, BOOL) {
  if (!panel_ || !window_ || !rect) return E_UNEXPECTED;
  if (!window_->created() && !window_->create(parent, toRect(rect))) return E_UNEXPECTED;
  window_->setPanel(panel_.get());
  panel_->activate();
  return S_OK;
}

HRESULT CTamborakPanel::Deactivate() {
  if (!window_ || !window_->created()) return E_UNEXPECTED;
  if (panel_) panel_->deactivate();
  return S_OK;
}

HRESULT CTamborakPanel::GetPageInfo(PROPPAGEINFO* info) {
  if (!info) return E_POINTER;
  static constexpr char16_t kTitle[] = u"Tamborak";
  auto* title = static_cast<LPOLESTR>(CoTaskMemAlloc(sizeof kTitle));
  if (!title) return E_OUTOFMEMORY;
  std::memcpy(title, kTitle, sizeof kTitle);
  info->cb = sizeof(PROPPAGEINFO);
  info->pszTitle = title;
  info->size = {ui::TamborakPanel::kWidth, ui::TamborakPanel::kHeight};
  info->pszDocString = nullptr;
  info->pszHelpFile = nullptr;
  info->dwHelpContext = 0;
  return S_OK;
}

HRESULT CTamborakPanel::SetObjects(ULONG count, IUnknown** objects) {
  if (count == 0) {
    detach();
    return S_OK;
  }
  if (!objects) return E_POINTER;
  if (count != 1 || engine_ || !objects[0]) return E_UNEXPECTED;
  ComRef<ITamborak> engine;
  if (FAILED(objects[0]->QueryInterface(IID_ITamborak, reinterpret_cast<void**>(engine.put()))) || !engine)
    return E_NOINTERFACE;
  window_ = makePageWindow();
  if (!window_) return E_OUTOFMEMORY;
  engine_ = std::move(engine);
  // The face is the filter's own (TamborakFace), in this process: the panel drives the engine
  // behind it directly.
  Tamborak& core = static_cast<TamborakFace&>(*engine_).engine();
  editing_ = std::make_unique<ui::TamborakEditing>(core);
  panel_ = std::make_unique<PagePanel>(*this, core, *editing_, window_->services());
  browser_ = std::make_unique<ui::PanelLoopBrowser>(*panel_, core, window_->services());
  return S_OK;
}

void CTamborakPanel::detach() {
  if (window_) window_->setPanel(nullptr);
  if (panel_) panel_->deactivate();
  browser_.reset();
  panel_.reset();  // leaves the engine's views
  editing_.reset();
  window_.reset();
  engine_.reset();
}

HRESULT CTamborakPanel::Show(UINT command) {
  if (window_) window_->show(command != SW_HIDE);
  return S_OK;
}

HRESULT CTamborakPanel::Move(LPCRECT rect) {
  if (window_ && rect) window_->move(toRect(rect));
  return S_OK;
}

HRESULT CTamborakPanel::IsPageDirty() { return S_FALSE; }

HRESULT CTamborakPanel::Apply() { return S_OK; }

HRESULT CTamborakPanel::Help(LPCOLESTR) {
  if (!window_ || !window_->created()) return E_NOTIMPL;
  window_->services().runDialog(ui::Dialog::kHelp);
  return S_FALSE;
}

HRESULT CTamborakPanel::TranslateAccelerator(MSG*) { return E_NOTIMPL; }

namespace {
std::function<std::unique_ptr<PageWindow>()>& pageWindowMaker() {
  static std::function<std::unique_ptr<PageWindow>()> maker;
  return maker;
}
}  // namespace

std::unique_ptr<PageWindow> makePageWindow() {
  return pageWindowMaker() ? pageWindowMaker()() : makeSystemPageWindow();
}

void setPageWindowMaker(std::function<std::unique_ptr<PageWindow>()> maker) { pageWindowMaker() = std::move(maker); }

#if !defined(_WIN32)
std::unique_ptr<PageWindow> makeSystemPageWindow() { return nullptr; }
#endif

}  // namespace velmora
