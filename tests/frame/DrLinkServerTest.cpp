// The server's drum-sampler link: its class object first brings the sampler presets over, and
// the sampler shows the plug-in's panel as a page of the link, made by the server's own page
// class; the page and the link hold each other, and either end lets both go.
#include <gtest/gtest.h>

#include <fstream>
#include <vector>

#include "engine/EngineProcess.h"
#include "frame/ClassIds.h"
#include "frame/ClassObjects.h"
#include "frame/ComServer.h"
#include "frame/DrApi.h"
#include "host/DrPresets.h"
#include "host/TamborakDR.h"
#include "io/UniRegistry.h"
#include "tests/ScratchRegistry.h"
#include "tests/frame/RecordingPageWindow.h"
#include "ui/TamborakPanel.h"

namespace velmora {
namespace {

class DrLinkServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(EngineProcess::reset());
    EngineProcess::setProgramFolder(folder_.path().string());
    EngineProcess::setSettingsKey(test::ScratchRegistry::kApplicationKey);
    setPageWindowMaker([this]() -> std::unique_ptr<PageWindow> {
      if (!windowsWork_) return nullptr;
      auto made = std::make_unique<test::RecordingPageWindow>();
      windows_.push_back(made.get());
      return made;
    });
    before_ = com::objectCount();
  }
  void TearDown() override {
    setPageWindowMaker({});
    EXPECT_EQ(com::objectCount(), before_) << "every page and link was let go";
    EXPECT_TRUE(EngineProcess::reset());
  }

  // A link from the server's class object, as the sampler makes it.
  IDrObject* makeLink() {
    IClassFactory* factory = nullptr;
    EXPECT_EQ(getClassObject(CLSID_TamborakDR, IID_IClassFactory, reinterpret_cast<void**>(&factory)), S_OK);
    IDrObject* link = nullptr;
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IDrObject, reinterpret_cast<void**>(&link)), S_OK);
    factory->Release();
    return link;
  }
  test::RecordingPageWindow& window() { return *windows_.back(); }

  test::TempFolder folder_;
  test::ScratchRegistry registry_;
  std::vector<test::RecordingPageWindow*> windows_;  // the last one is the page's
  bool windowsWork_ = true;
  std::int32_t before_ = 0;
};

TEST_F(DrLinkServerTest, TheClassObjectCopiesThePresetsBeforeItIsHandedOut) {
#ifdef _WIN32
  GTEST_SKIP() << "would change the sampler's settings of this machine; the Windows test host covers it";
#endif
  std::filesystem::create_directory(folder_.path() / "Dr-008");
  std::ofstream(folder_.path() / "Dr-008" / "kit.drs") << "kit";
  const test::TempFolder sampler;
  platform::RegKey key = platform::kNoKey;
  ASSERT_EQ(platform::regCreateKey(platform::kLocalMachine, kDrConfigKey, platform::kKeyAllAccess, key), 0);
  platform::regSetString(key, kDrPresetPathValue, sampler.path().string());
  platform::regCloseKey(key);
  IDrObject* link = makeLink();
  EXPECT_EQ(test::readWholeFile(sampler.path() / "kit.drs"), "kit");
  EXPECT_EQ(settings::getProfileInt(settings::kDrPresetsCopied, test::ScratchRegistry::kApplicationKey), 1);
  link->Release();
}

TEST_F(DrLinkServerTest, ShowsHidesAndLetsGoOfThePanel) {
  IDrObject* link = makeLink();
  auto& dr = static_cast<TamborakDR&>(*link);
  dr.setLoopIdx(3, true, 0);
  std::int32_t width = 0, height = 0;
  EXPECT_EQ(link->pageSize(nullptr, &height), 1);
  ASSERT_EQ(link->pageSize(&width, &height), 0);
  EXPECT_EQ(width, ui::TamborakPanel::kWidth);
  EXPECT_EQ(height, ui::TamborakPanel::kHeight);
  ASSERT_EQ(windows_.size(), 1u);
  EXPECT_FALSE(window().made) << "sizing makes the page, not its window";

  // Shown in the parent at the page's size, on the link's own engine.
  HWND parent = reinterpret_cast<HWND>(&dr);
  ASSERT_EQ(link->showPage(parent), S_OK);
  EXPECT_EQ(windows_.size(), 1u) << "the sized page is the one shown";
  EXPECT_TRUE(window().made && window().visible && dr.pageShown());
  EXPECT_EQ(window().at, (ui::Rect{0, 0, width, height}));
  ASSERT_NE(window().panel, nullptr);
  EXPECT_EQ(window().panel->highlightedPad(), 3);
  EXPECT_EQ(window().recorded.timers.count(ui::TamborakPanel::kPlayTimer), 1u);

  // Showing again replaces the page; hiding lets it go, and only the sampler holds the link.
  ASSERT_EQ(link->showPage(parent), S_OK);
  EXPECT_EQ(windows_.size(), 2u);
  EXPECT_TRUE(window().visible);
  EXPECT_EQ(link->hidePage(), S_OK);
  EXPECT_FALSE(dr.pageShown());
  EXPECT_EQ(link->hidePage(), S_OK);
  EXPECT_EQ(link->AddRef(), 2u);
  EXPECT_EQ(link->Release(), 1u);

  // Let go while shown, and while only sized: the page goes with the link.
  ASSERT_EQ(link->showPage(parent), S_OK);
  EXPECT_EQ(link->Release(), 0u);
  IDrObject* sized = makeLink();
  ASSERT_EQ(sized->pageSize(&width, &height), 0);
  sized->destroy(1);
}

TEST_F(DrLinkServerTest, APageThatCannotBeMadeIsReportedAndLeavesNothing) {
  // Without a window the page refuses the link; a link without a page maker has no page.
  windowsWork_ = false;
  IDrObject* link = makeLink();
  std::int32_t width = -1, height = -1;
  EXPECT_EQ(link->pageSize(&width, &height), 1);
  EXPECT_TRUE(FAILED(link->showPage(nullptr)));
  EXPECT_FALSE(static_cast<TamborakDR&>(*link).pageShown());
  EXPECT_EQ(link->Release(), 0u);

  IDrObject* plain = nullptr;
  ASSERT_EQ(TamborakDR::create(IID_IDrObject, reinterpret_cast<void**>(&plain)), S_OK);
  EXPECT_EQ(plain->pageSize(&width, &height), 1);
  EXPECT_EQ(plain->showPage(nullptr), CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(plain->Release(), 0u);
}

}  // namespace
}  // namespace velmora
