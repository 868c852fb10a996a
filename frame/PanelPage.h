// CTamborakPanel: the editor as the filter's property page. A thin COM face over the portable
// panel: it keeps the page site, attaches to the engine the host hands over, makes the panel's
// window when the host activates the page, and forwards the rest. [main-thread: every method runs
// on the host's user-interface thread]
#pragma once

#include <memory>

#include "hostapi/ComRef.h"
#include "frame/ComServer.h"
#include "frame/ITamborak.h"
#include "frame/PageWindow.h"

namespace velmora {

class Tamborak;
namespace ui {
class PanelLoopBrowser;
class TamborakEditing;
class TamborakPanel;
}  // namespace ui

class CTamborakPanel : public IPropertyPage {
 public:
  // The class factory of the page, which is never aggregated: an outer object is refused with
  // CLASS_E_NOAGGREGATION. [any-thread]
  class Factory final : public com::ObjectFactory {
   public:
    IUnknown* createObject(IUnknown* outer) override;
  };

  CTamborakPanel();
  virtual ~CTamborakPanel();
  CTamborakPanel(const CTamborakPanel&) = delete;
  CTamborakPanel& operator=(const CTamborakPanel&) = delete;
  void* queryFace(REFIID iid);

  STDMETHOD(SetPageSite)(IPropertyPageSite* site) override;
  STDMETHOD(Activate)(HWND parent, LPCRECT rect, BOOL modal) override;
  STDMETHOD(Deactivate)() override;
  STDMETHOD(GetPageInfo)(PROPPAGEINFO* info) override;
  STDMETHOD(SetObjects)(ULONG count, IUnknown** objects) override;
  STDMETHOD(Show)(UINT command) override;
  STDMETHOD(Move)(LPCRECT rect) override;
  STDMETHOD(IsPageDirty)() override;
  STDMETHOD(Apply)() override;
  STDMETHOD(Help)(LPCOLESTR helpFolder) override;
  STDMETHOD(TranslateAccelerator)(MSG* message) override;

  // For tests: the panel while attached, else null.
  ui::TamborakPanel* panel() const { return panel_.get(); }

 private:
  class PagePanel;

  // Lets go of the engine: the panel, its window and the engine reference. [main-thread]
  void detach();

  ComRef<IPropertyPageSite> site_;
  ComRef<ITamborak> engine_;
  std::unique_ptr<PageWindow> window_;
  std::unique_ptr<ui::TamborakEditing> editing_;
  std::unique_ptr<ui::TamborakPanel> panel_;
  std::unique_ptr<ui::PanelLoopBrowser> browser_;
};

}  // namespace velmora
