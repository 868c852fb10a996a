// What engine tests share: every case starts from a clean process whose library folders lie
// beside a folder holding the default pattern library, with scratch settings; engines are made
// the way the class factory makes them; a view and a quick-pad bank that record what the engine
// asks of them; and a model of when each slice's pattern notes must sound.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

#include "engine/EngineProcess.h"
#include "frame/CTamborak.h"
#include "loops/Looper.h"
#include "sim/HostContext.h"
#include "sim/Transport.h"
#include "tests/ScratchRegistry.h"
#ifndef TAMBORAK_APP_FOLDER
#include "tools/patterns/LibraryGenerator.h"
#endif

namespace velmora::test {

// The folder whose "Patterns" is the default library: the build's program folder, or, where the
// build cannot generate it (cross builds), a temporary folder it is generated into once.
inline std::string libraryProgramFolder() {
#ifdef TAMBORAK_APP_FOLDER
  return TAMBORAK_APP_FOLDER;
#else
  static TempFolder* folder = [] {
    auto* made = new TempFolder;
    patterns::GeneratedLibrary library;
    std::string error;
    if (!patterns::buildLibrary(TAMBORAK_PATTERN_SOURCES, library, error) ||
        !patterns::writeLibrary(library, made->path() / "Patterns", error))
      ADD_FAILURE() << error;
    return made;
  }();
  return folder->path().string();
#endif
}

// A note as it left the engine: time, key, duration, velocity, channel, port.
using Note = std::tuple<std::int32_t, int, std::uint32_t, int, int, int>;

inline std::vector<Note> sortedNotes(const sim::Recording& recording, MfxTime from = INT32_MIN) {
  std::vector<Note> out;
  for (const MidiEvent& e : recording.eventList(true))
    if (e.time >= from) out.emplace_back(e.time, e.data1, e.duration, e.data2, e.channel, e.port);
  std::sort(out.begin(), out.end());
  return out;
}

// Times and keys of the notes of the audible slices over [0, end) in a song of bars of `bar`
// ticks: every pattern note at its tick scaled to `quarter` ticks per quarter, once per cycle of
// as many whole bars as the pattern's notes reach into, on the slice's fixed note or its key.
inline std::vector<std::pair<std::int32_t, int>> modelNotes(Tamborak& engine, std::int32_t end, std::int32_t bar,
                                                            std::int32_t quarter = 480) {
  std::vector<std::pair<std::int32_t, int>> out;
  for (int i = 0; i < Tamborak::kSliceCount; ++i) {
    const Looper& slice = *engine.getSlice(i);
    if (slice.muted()) continue;
    const auto division = static_cast<std::int32_t>(slice.track().division());
    const std::int32_t length = slice.track().endTime() * quarter / division;
    const std::int32_t cycle = (length + bar - 1) / bar * bar;
    for (std::int32_t start = 0; start < end; start += cycle)
      for (const MidiEvent& e : slice.track())
        if (const std::int32_t t = start + e.time * quarter / division; t < end)
          out.emplace_back(t, slice.fixedNoteOn() ? slice.fixedNote() : e.data1);
  }
  std::sort(out.begin(), out.end());
  return out;
}

inline std::vector<std::pair<std::int32_t, int>> timesAndKeys(const std::vector<Note>& notes) {
  std::vector<std::pair<std::int32_t, int>> out;
  for (const Note& n : notes) out.emplace_back(std::get<0>(n), std::get<1>(n));
  return out;
}

// A view that keeps what the engine told it; it leaves the engine when detached.
class RecordingView : public TamborakView {
 public:
  explicit RecordingView(ControlApi& engine, platform::UiTarget window = platform::kNoTarget)
      : engine_(engine), window_(window) {}
  platform::UiTarget window() const override { return window_; }
  void refresh(Item item) override { refreshed.push_back(item); }
  bool confirmDiscard() override { return true; }
  platform::Prompt* prompt() override { return nullptr; }
  void detach() override {
    ++detached;
    engine_.removeView(this);
  }
  std::vector<Item> refreshed;
  int detached = 0;

 private:
  ControlApi& engine_;
  platform::UiTarget window_;
};

class EngineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(EngineProcess::reset());
    EngineProcess::setProgramFolder(libraryProgramFolder());
    EngineProcess::setSettingsKey(ScratchRegistry::kApplicationKey);
  }
  void TearDown() override { EXPECT_TRUE(EngineProcess::reset()) << "an engine outlived its test"; }

  // A new filter object as the class factory hands it out.
  static ComRef<IMfxEventFilter> makeEngine() {
    ComRef<IMfxEventFilter> engine;
    EXPECT_EQ(CTamborak::create(IID_IMfxEventFilter, reinterpret_cast<void**>(engine.put())), S_OK);
    return engine;
  }
  static Tamborak& engineOf(const ComRef<IMfxEventFilter>& face) { return CTamborak::of(*face.get()).engine(); }
  // The Windows host's faces of an engine made by makeEngine.
  static MfxFilter& filterOf(Tamborak& engine) { return *MfxFilter::of(engine); }

  // Every slice audible, each playing the `step`-th eligible pattern of its folder.
  static void fillLoop(Tamborak& engine, int step = 1) {
    for (int i = 0; i < Tamborak::kSliceCount; ++i) {
      engine.getSlice(i)->setMutedSilently(false);
      engine.getSlice(i)->nextPattern(false, step, false);
      ASSERT_FALSE(engine.getSlice(i)->file().empty()) << "slice " << i;
    }
  }
  // Only slice `index` audible.
  static void solo(Tamborak& engine, int index) {
    for (int i = 0; i < Tamborak::kSliceCount; ++i) engine.getSlice(i)->setMutedSilently(i != index);
  }

  ScratchRegistry registry_;
};

}  // namespace velmora::test
