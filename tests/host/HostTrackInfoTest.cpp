// The host integration over a fake host image that lays out a known build's structures, and the
// fallbacks an engine takes in a host the integration does not know (every host we run).
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "host/CCWTrackInfo.h"
#include "host/HostFrame.h"
#include "host/HostIntegration.h"
#include "host/HostWindows.h"
#include "io/UniRegistry.h"
#include "platform/Prompt.h"
#include "sim/RecordingHostFrame.h"
#include "tests/ScratchRegistry.h"
#include "engine/EngineNotify.h"
#include "tests/engine/EngineFixture.h"

namespace velmora {
namespace {

using platform::HostAddress;
using test::EngineTest;

// A host process: modules with a version and languages, words of memory, documents of a template,
// and routines that give an address derived from their argument.
class FakeHostImage final : public platform::HostImage {
 public:
  struct Module {
    HostAddress base;
    std::string version;
    std::set<std::uint16_t> languages;
  };
  std::map<std::string, Module> modules;
  std::map<HostAddress, std::uint32_t> words;  // 4-byte aligned
  std::string templateType;
  bool linked = true;  // false: an image without the link to the host's internals
  std::vector<HostAddress> openDocuments;
  std::vector<std::tuple<HostAddress, HostAddress, HostAddress>> calls;
  mutable int reads = 0, lookUps = 0;

  void put(HostAddress at, std::uint32_t value) { words[at] = value; }

  bool read(HostAddress address, void* out, std::size_t size) const override {
    ++reads;
    auto* bytes = static_cast<unsigned char*>(out);
    for (std::size_t i = 0; i < size; ++i) {
      const auto found = words.find((address + i) & ~HostAddress{3});
      if (found == words.end()) return false;
      bytes[i] = static_cast<unsigned char>(found->second >> (8 * ((address + i) & 3)));
    }
    return true;
  }
  HostAddress moduleAt(const std::string& name) const override {
    ++lookUps;
    const auto found = modules.find(name);
    return found == modules.end() ? 0 : found->second.base;
  }
  const Module* module(HostAddress base) const {
    for (const auto& [name, m] : modules)
      if (m.base == base) return &m;
    return nullptr;
  }
  bool fileVersion(HostAddress base, std::string& version) const override {
    if (!module(base)) return false;
    version = module(base)->version;
    return true;
  }
  bool hasVersionLanguage(HostAddress base, std::uint16_t language) const override {
    return module(base) && module(base)->languages.count(language);
  }
  bool linksHostInternals() const override { return linked; }
  HostAddress documentTemplate(const std::string& type) const override { return type == templateType ? 0x7E0000 : 0; }
  std::vector<HostAddress> documents(HostAddress) const override { return openDocuments; }
  bool call(HostAddress routine, HostAddress self, HostAddress argument, std::uint32_t& result) override {
    calls.emplace_back(routine, self, argument);
    result = static_cast<std::uint32_t>(0x900000 + argument * 0x100);  // port objects
    return routine != 0;
  }
};

struct MatchCase {
  const char* executable;
  const char* version;
  std::uint16_t language;
  int row;
};

TEST(HostBuildTable, MatchesByExecutableExactVersionAndLanguage) {
  ASSERT_EQ(host::hostBuildTable().size(), 29u);
  const MatchCase cases[] = {
      {"cwpa.exe", "8.00.40", 1033, 0},         {"cwpa.exe", "8.00.40", 1031, -1},  // language 0 means 1033
      {"cwpa.exe", "8.00.4", 1033, -1},         {"cwpa.exe", "8.00.40 ", 1033, -1},
      {"cwhs.exe", "8.00.40", 1033, -1},        {"cwgsdemo.exe", "2.00.360", 1033, 12},
      {"sonar.exe", "10.0.2.235", 1033, 19},    {"sonar.exe", "10.0.2.235", 1031, 18},
      {"sonar.exe", "11.1.0.242", 1031, 27},    {"sonar.exe", "11.2.0.323", 1033, 28},
      {"cwhs.exe", "10.0.2.20", 1033, 21},      {"sonar.exe", "11.1.0.242", 1036, -1},
  };
  for (const MatchCase& c : cases) {
    FakeHostImage image;
    image.modules[c.executable] = {0x400000, c.version, {c.language}};
    HostAddress module = 0;
    EXPECT_EQ(host::matchHostBuild(image, host::hostBuildTable(), module), c.row) << c.executable << " " << c.version;
    EXPECT_EQ(module, c.row < 0 ? 0u : 0x400000u);
  }
}

TEST(HostBuildTable, RelocationMovesOnlyKnownAddresses) {
  const host::HostBuild moved = host::relocated(host::hostBuildTable()[0], 0x10400000);
  EXPECT_EQ(std::tuple(moved.at(host::kPortObjectRoutine), moved.at(host::kPortHandleOffset), moved.at(host::kOpenOutputRoutine),
                       moved.at(host::kReadableVariable), moved.at(host::kTrackNumberRoutine), moved.at(host::kPreferredLoadAddress)),
            std::tuple(0x1061FEB0u, 0x24u, 0u, 0x10702C2Cu, 0u, 0x400000u));
  EXPECT_EQ(host::relocated(host::hostBuildTable()[0], 0x300000).at(host::kSetNowRoutine), 0x513DA0u);
}

// The first build loaded 1 MiB above its preferred address, one project open with two tracks; the
// plug-in sits second on the track of key 9.
class TrackInfoTest : public ::testing::Test {
 protected:
  static constexpr HostAddress kShift = 0x100000, kDoc = 0x200000, kPairs = 0x210000, kMap = 0x220000,
                               kTrackX = 0x230000, kTrackY = 0x240000, kEffects = 0x250000, kTransport = 0x260000,
                               kPlugin = 0x2222;

  void SetUp() override {
    image.modules["cwpa.exe"] = {0x500000, "8.00.40", {1033}};
    image.templateType = "Cakewalk.Document";
    image.openDocuments = {kDoc};
    image.put(0x702C2C + kShift, 1);     // project readable
    image.put(0x702C50 + kShift, kDoc);  // active document
    image.put(0x705728 + kShift, kTransport);
    image.put(kTransport + 0x14, 7680);
    image.put(kDoc + 0x10C, 960);  // the document's own now time
    image.put(kDoc + 0x17C, 0);    // no solo
    for (const HostAddress list : {kDoc + 0x10, kDoc + 0x2C}) {
      image.put(list, static_cast<std::uint32_t>(list == kDoc + 0x10 ? kPairs : kMap));
      image.put(list + 4, 2);
    }
    for (const HostAddress list : {kPairs, kMap}) {
      image.put(list, 5), image.put(list + 4, kTrackX);
      image.put(list + 8, 9), image.put(list + 12, kTrackY);
    }
    image.put(kTrackX + 0x20, 0);
    image.put(kTrackY + 0x18, kEffects), image.put(kTrackY + 0x20, 2);
    image.put(kEffects, 0x1111), image.put(kEffects + 4, kPlugin);
    // port, bank, A, volume, pan, mute, solo at 0x28..0x44; C, B, E, D, F, number at 0x50..0x64
    const std::uint32_t fields[][2] = {{0x28, 3},  {0x2C, 0xFFFFFFFF}, {0x30, 11}, {0x34, 100}, {0x38, 30}, {0x3C, 0},
                                       {0x40, 0},  {0x44, 0},          {0x50, 13}, {0x54, 12},  {0x58, 15}, {0x5C, 14},
                                       {0x60, 16}, {0x64, 4}};
    for (const auto& [offset, value] : fields) image.put(kTrackY + offset, value);
    for (std::uint32_t port = 0; port < 16; ++port) image.put(0x900000 + port * 0x100 + 0x24, 0xA0 + port);
    host::resetHostIntegration(&image);
    host::setHostIntegrationPrompt(&prompt);
  }
  void TearDown() override {
    host::setHostIntegrationPrompt(nullptr);
    host::resetHostIntegration();
  }

  std::vector<std::int32_t> values(host::CCWTrackInfo& info) {
    return {info.portIndex(), info.bank(-7), info.trackValueA(), info.trackValueB(), info.trackValueC(),
            info.trackValueD(), info.trackValueE(), info.trackValueF(), info.volume(), info.pan(),
            info.trackNumber(), info.muted(), info.mutedLive()};
  }

  test::ScratchRegistry registry;
  FakeHostImage image;
  platform::ScriptedPrompt prompt;
};

TEST_F(TrackInfoTest, AttachesToThePluginsTrackAndReadsItLiveOrCached) {
  ASSERT_EQ(host::startHostIntegration(test::ScratchRegistry::kApplicationKey), host::IntegrationStart::kOn);
  EXPECT_EQ(host::hostBuildIndex(), 0);
  host::CCWTrackInfo info;
  EXPECT_TRUE(info.available());
  EXPECT_FALSE(info.attach(0x3333));
  ASSERT_TRUE(info.attach(kPlugin));
  EXPECT_EQ(std::tuple(info.document(), info.track(), info.trackKey(), info.effectIndex(), info.portHandle()),
            std::tuple(kDoc, kTrackY, 9, 1, 0xA3u));
  EXPECT_EQ(std::get<0>(image.calls.front()), 0x61FEB0 + kShift);
  // A bank of -1 gives the caller's default.
  EXPECT_EQ(values(info), (std::vector<std::int32_t>{3, -7, 11, 12, 13, 14, 15, 16, 100, 30, 4, 0, 0}));
  EXPECT_TRUE(info.isActiveView());
  EXPECT_EQ(info.nowTime(), 7680);

  // Another track soloed silences this one; its own solo lets it play.
  image.put(kDoc + 0x17C, 1);
  EXPECT_TRUE(info.muted() && info.mutedLive());
  image.put(kTrackY + 0x44, 1);
  EXPECT_FALSE(info.muted());
  image.put(kTrackY + 0x44, 0);

  // While the project may not be read the values cached at the last refresh stand.
  image.put(kTrackY + 0x28, 40);
  image.put(0x702C2C + kShift, 0);
  EXPECT_EQ(values(info), (std::vector<std::int32_t>{3, -7, 0, 12, 13, 14, 15, 16, 100, 30, 4, 0, 0}));
  EXPECT_FALSE(info.isActiveView());
  EXPECT_EQ(info.nowTime(), 960);
  EXPECT_EQ(info.trackValueALive(), 11);
  info.refresh(false);  // the port beyond the table grows it
  EXPECT_EQ(std::tuple(info.portIndex(), info.portHandle(), info.muted()), std::tuple(40, 0u, true));
  image.put(0x702C2C + kShift, 1);

  // Unreadable host memory gives the cached values and no crash.
  for (HostAddress at = kTrackY; at < kTrackY + 0x100; at += 4) image.words.erase(at);
  EXPECT_EQ(values(info), (std::vector<std::int32_t>{40, -7, 0, 12, 13, 14, 15, 16, 100, 30, 4, 1, 0}));
  image.words.erase(kTransport + 0x14);
  image.words.erase(kDoc + 0x10C);
  EXPECT_EQ(info.nowTime(), -1);

  // Setting the now time passes the time itself to the host's routine (first generation).
  EXPECT_TRUE(info.setNowTime(480));
  EXPECT_EQ(image.calls.back(), std::tuple(0x613DA0 + kShift, kDoc, HostAddress{480}));
  EXPECT_FALSE(info.send(0x90));
}

TEST_F(TrackInfoTest, SwitchedOffOrWithoutTemplateNothingIsReadAndDefaultsStand) {
  ASSERT_TRUE(settings::writeProfileInt(settings::kCWIntegration, 0, test::ScratchRegistry::kApplicationKey));
  EXPECT_EQ(host::startHostIntegration(test::ScratchRegistry::kApplicationKey), host::IntegrationStart::kNoMatch);
  host::CCWTrackInfo info;
  EXPECT_FALSE(info.available() || info.attach(kPlugin) || info.attachIfNeeded(kPlugin));
  EXPECT_EQ(values(info), (std::vector<std::int32_t>{0, 0, 0, 0, 0, -1, 0, -1, 127, 64, 0, 0, 0}));
  EXPECT_EQ(std::tuple(info.nowTime(), info.setNowTime(0), info.isActiveView()), std::tuple(-1, false, false));
  info.refresh(true);
  EXPECT_EQ(std::tuple(info.volume(), info.pan(), info.trackValueF(), info.trackKey()), std::tuple(-1, -1, -1, -1));
  EXPECT_EQ(std::tuple(image.reads, image.lookUps, image.calls.size(), prompt.asked().size()), std::tuple(0, 0, 0u, 0u));

  // Switched on in a known build, without the link to its internals: off, quietly; with it, a
  // missing project template is told once, and off.
  ASSERT_TRUE(settings::writeProfileInt(settings::kCWIntegration, 1, test::ScratchRegistry::kApplicationKey));
  image.linked = false;
  host::resetHostIntegration(&image);
  EXPECT_EQ(host::startHostIntegration(test::ScratchRegistry::kApplicationKey), host::IntegrationStart::kNoTemplate);
  image.linked = true;
  host::resetHostIntegration(&image);
  image.templateType = "Other";
  EXPECT_EQ(host::startHostIntegration(test::ScratchRegistry::kApplicationKey), host::IntegrationStart::kNoTemplate);
  EXPECT_EQ(host::startHostIntegration(test::ScratchRegistry::kApplicationKey), host::IntegrationStart::kNoTemplate);
  ASSERT_EQ(prompt.asked().size(), 1u);
  EXPECT_EQ(std::tuple(prompt.asked()[0].text, prompt.asked()[0].title, prompt.asked()[0].icon),
            std::tuple("Can't find DocTemplate", "Velmora CW Integration", platform::PromptIcon::kError));
  EXPECT_FALSE(host::hostIntegrationOn());
  EXPECT_EQ(host::hostBuildIndex(), -1);
}

// A position field of the host's windows, with the text it shows.
class FakeWindows final : public host::HostWindowSearch {
 public:
  host::HostWindows find() override { return {1, 2, 3, 4, toolbarGone ? 0u : 5u}; }
  host::WindowHandle topMostChild(host::WindowHandle) override { return 0; }
  bool exists(host::WindowHandle window) override { return window != 5 || !toolbarGone; }
  bool text(host::WindowHandle window, std::size_t limit, std::string& out) override {
    out = (window == 5 ? toolbar : transport).substr(0, limit);
    return true;
  }
  std::string toolbar = "3:2:120", transport = "2:1:0";
  bool toolbarGone = false;
};

// Our hosts are not in the table: the engine keeps to the filter interface and the host's windows.
TEST_F(EngineTest, WithoutHostIntegrationTheEngineFallsBackToTheHostWindows) {
  host::resetHostIntegration();
  FakeWindows windows;
  host::setHostWindowSearch(&windows);
  sim::RecordingHostFrame frame;
  ComRef<IMfxEventFilter> face = makeEngine();
  Tamborak& e = engineOf(face);
  EXPECT_FALSE(host::hostIntegrationOn());
  EXPECT_EQ(host::hostWindows().positionField, 5u);  // looked up when the engine started
  EXPECT_TRUE(e.isDetachedFromSequencer());
  EXPECT_EQ(e.getNowTime(), 0);  // no host yet

  ComRef<sim::HostContext> host = sim::create<sim::HostContext>();
  ASSERT_EQ(sim::connect(*face, *host), S_OK);
  EXPECT_EQ(e.getNowTime(), host->mbtToTicks(3, 2, 120));
  windows.toolbarGone = true;  // the transport's field stands in
  EXPECT_EQ(e.getNowTime(), host->mbtToTicks(2, 1, 0));
  for (const char* text : {"", "12:3", "abc"}) {
    windows.transport = text;
    EXPECT_EQ(e.getNowTime(), 0) << text;
  }

  ASSERT_EQ(face->OnStart(0, nullptr), S_OK);

  // The updater looks the windows up but leaves the output alone; the track information keeps its defaults.
  e.setOutput(5, 2);
  MfxFilter::trackFollower()->tick();
  std::int32_t channel = 0;
  EXPECT_EQ(std::tuple(e.getOutput(&channel, nullptr), channel, frame.lookUps), std::tuple(2, 5, 1));
  host::CCWTrackInfo& track = MfxFilter::of(e)->filterLink()->trackInfo();
  EXPECT_EQ(std::tuple(track.attached(), track.volume(), track.pan(), track.nowTime()),
            std::tuple(false, 127, 64, -1));
  ASSERT_EQ(face->OnStop(0, nullptr), S_OK);
  host::forgetHostWindows();
}

}  // namespace
}  // namespace velmora
