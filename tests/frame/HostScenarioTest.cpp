#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "engine/EngineProcess.h"
#include "frame/CTamborak.h"
#include "sim/HostContext.h"
#include "tests/ScratchRegistry.h"
#include "tests/frame/HostScenario.h"

namespace velmora::test {
namespace {

// The native engine's notes of the shared scenario match the stored ones (which the Windows test
// host compares the DLL's with). TAMBORAK_UPDATE_HOST_SCENARIO=1 rewrites the stored file.
TEST(HostScenarioTest, NativeNotesMatchTheStoredOnes) {
  ASSERT_TRUE(EngineProcess::reset());
  EngineProcess::setProgramFolder(TAMBORAK_APP_FOLDER);
  ScratchRegistry registry;
  EngineProcess::setSettingsKey(ScratchRegistry::kApplicationKey);
  std::string text;
  {
    ComRef<IMfxEventFilter> filter;
    ASSERT_EQ(CTamborak::create(IID_IMfxEventFilter, reinterpret_cast<void**>(filter.put())), S_OK);
    ComRef<ITamborak> engine;
    ASSERT_EQ(filter->QueryInterface(IID_ITamborak, reinterpret_cast<void**>(engine.put())), S_OK);
    ComRef<sim::HostContext> context = sim::create<sim::HostContext>();
    ASSERT_EQ(sim::connect(*filter, *context), S_OK);
    text = scenarioText(playScenario(*filter, *engine));
    EXPECT_EQ(filter->Disconnect(), S_OK);
  }
  EXPECT_TRUE(EngineProcess::reset());
  ASSERT_NE(text, "") << "the default loop played nothing";

  const char* data = std::getenv("TAMBORAK_TEST_DATA");
  ASSERT_NE(data, nullptr) << "TAMBORAK_TEST_DATA names the test data folder";
  const std::string path = std::string(data) + "/" + kScenarioFile;
  const char* update = std::getenv("TAMBORAK_UPDATE_HOST_SCENARIO");
  if (update && std::string(update) == "1") {
    std::ofstream(path, std::ios::binary) << text;
    GTEST_SKIP() << "rewrote " << path;
  }
  std::ifstream in(path, std::ios::binary);
  const std::string stored((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(text, stored) << "if the engine's output changed on purpose, rerun with TAMBORAK_UPDATE_HOST_SCENARIO=1";
}

}  // namespace
}  // namespace velmora::test
