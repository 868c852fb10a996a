// The sampler shows the plug-in's panel as a page of the link, made by the server's own page
// class; the page and the link hold each other, and either end lets both go.
#include <gtest/gtest.h>

#include <vector>

#include "engine/EngineProcess.h"
#include "hostapi/ClassIds.h"
#include "frame/ClassObjects.h"
#include "frame/ComServer.h"
#include "frame/TamborakDR.h"
#include "tests/ScratchRegistry.h"
#include "tests/frame/RecordingPageWindow.h"
#include "ui/TamborakPanel.h"

namespace velmora {
namespace {

using test::RecordingPageWindow;

IDrObject* serverLink() {
  IClassFactory* factory = nullptr;
  EXPECT_EQ(getClassObject(CLSID_TamborakDR, IID_IClassFactory, reinterpret_cast<void**>(&factory)), S_OK);
  IDrObject* link = nullptr;
  EXPECT_EQ(factory->CreateInstance(nullptr, IID_IDrObject, reinterpret_cast<void**>(&link)), S_OK);
  factory->Release();
  return link;
}

TEST(DrLinkPage, ShowsHidesAndLetsGoOfThePanel) {
  ASSERT_TRUE(EngineProcess::reset());
  test::TempFolder folder;
  test::ScratchRegistry registry;
  EngineProcess::setProgramFolder(folder.path().string());
  EngineProcess::setSettingsKey(test::ScratchRegistry::kApplicationKey);
  std::vector<RecordingPageWindow*> windows;  // the last one is the page's
  bool windowsWork = false;
  setPageWindowMaker([&]() -> std::unique_ptr<PageWindow> {
    if (!windowsWork) return nullptr;
    windows.push_back(new RecordingPageWindow);
    return std::unique_ptr<PageWindow>(windows.back());
  });
  const std::int32_t before = com::objectCount();
  std::int32_t width = -1, height = -1;

  // A page that cannot be made (no maker; a page refusing the link) is reported and let go.
  IDrObject* plain = nullptr;
  ASSERT_EQ(TamborakDR::create(IID_IDrObject, reinterpret_cast<void**>(&plain)), S_OK);
  EXPECT_EQ(plain->pageSize(&width, &height), 1);
  EXPECT_EQ(plain->showPage(nullptr), CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(plain->Release(), 0u);
  IDrObject* link = serverLink();
  auto& dr = static_cast<TamborakDR&>(*link);
  EXPECT_EQ(link->pageSize(&width, &height), 1);
  EXPECT_TRUE(FAILED(link->showPage(nullptr)));
  EXPECT_FALSE(dr.pageShown());
  EXPECT_EQ(com::objectCount(), before + 1) << "only the link";

  windowsWork = true;
  dr.setLoopIdx(3, true, 0);
  ASSERT_EQ(link->pageSize(&width, &height), 0);
  EXPECT_EQ(width, ui::TamborakPanel::kWidth);
  EXPECT_EQ(height, ui::TamborakPanel::kHeight);
  ASSERT_EQ(windows.size(), 1u);
  EXPECT_FALSE(windows.back()->made) << "sizing makes the page, not its window";

  // Shown in the parent at the page's size, on the link's own engine; shown again, it is a new
  // page; hidden, it is let go and only the sampler holds the link.
  HWND parent = reinterpret_cast<HWND>(&dr);
  ASSERT_EQ(link->showPage(parent), S_OK);
  ASSERT_EQ(windows.size(), 1u) << "the sized page is the one shown";
  EXPECT_TRUE(windows.back()->made && windows.back()->visible && dr.pageShown());
  EXPECT_EQ(windows.back()->at, (ui::Rect{0, 0, width, height}));
  ASSERT_NE(windows.back()->panel, nullptr);
  EXPECT_EQ(windows.back()->panel->highlightedPad(), 3);
  EXPECT_EQ(windows.back()->recorded.timers.count(ui::TamborakPanel::kPlayTimer), 1u);
  ASSERT_EQ(link->showPage(parent), S_OK);
  EXPECT_EQ(windows.size(), 2u);
  EXPECT_EQ(link->hidePage(), S_OK);
  EXPECT_EQ(link->hidePage(), S_OK);
  EXPECT_FALSE(dr.pageShown());
  EXPECT_EQ(link->AddRef(), 2u);
  EXPECT_EQ(link->Release(), 1u);

  // Let go while shown, and while only sized: the page goes with the link.
  ASSERT_EQ(link->showPage(parent), S_OK);
  EXPECT_EQ(link->Release(), 0u);
  IDrObject* sized = serverLink();
  ASSERT_EQ(sized->pageSize(&width, &height), 0);
  sized->destroy(1);
  EXPECT_EQ(com::objectCount(), before);
  setPageWindowMaker({});
  EXPECT_TRUE(EngineProcess::reset());
}

}  // namespace
}  // namespace velmora
