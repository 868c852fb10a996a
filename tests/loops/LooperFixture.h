// What slice tests share: an engine stub with atomic controls, a render context with a meter,
// pattern files made from event lists, and a small pattern library on disk.
#pragma once

#include <atomic>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "library/PatternTree.h"
#include "loops/Looper.h"
#include "loops/LooperEngine.h"
#include "tests/TempFolder.h"
#include "tests/library/LibraryFiles.h"

namespace velmora::test {

class StubEngine : public LooperEngine {
 public:
  std::atomic<bool> quantize{false};
  std::atomic<std::int32_t> swingPc{0}, swingDivision{4}, humanizeVelo{0}, humanizeTrend{0};
  std::int32_t veloMin = 1, veloMax = 127, veloDyn = 0, veloCenter = 0, group = 2;
  DrumMap map;
  platform::UiQueue queue;
  PatternTree tree{queue};
  platform::Prompt* prompt = nullptr;
  std::vector<std::string> reasons;
  int solos = 0, composes = 0, savesAs = 0;
  bool saveSucceeds = true;
  std::function<bool(Looper&)> rules = [](Looper&) { return true; };

  bool getQuantize() const override { return quantize; }
  std::int32_t getSwingPc() const override { return swingPc; }
  std::int32_t getSwingDivision() const override { return swingDivision; }
  std::int32_t getHumanizeVelo() const override { return humanizeVelo; }
  std::int32_t getHumanizeVeloTrend() const override { return humanizeTrend; }
  const DrumMap& getDrumMap() const override { return map; }
  std::int32_t getVeloMin() const override { return veloMin; }
  std::int32_t getVeloMax() const override { return veloMax; }
  std::int32_t getVeloDyn() const override { return veloDyn; }
  std::int32_t getVeloCenterPC() const override { return veloCenter; }
  std::int32_t getPatternGroup() const override { return group; }
  PatternTree& getPatternLibrary() override { return tree; }
  void changed(const char* reason) override { reasons.emplace_back(reason); }
  void wantPlaySolo(Looper&) override { ++solos; }
  void composePart(Looper&) override { ++composes; }
  bool rulesAccept(Looper& slice) override { return rules(slice); }
  platform::Prompt* discardPrompt() override { return prompt; }
  bool saveLoopAs() override {
    ++savesAs;
    return saveSucceeds;
  }
};

// A context with a fixed meter, converting as the export collector does; keeps what is emitted
// in storage reserved beforehand.
class MeterContext : public ProcessContext {
 public:
  MeterContext(std::int32_t numerator, std::int32_t denominatorPower, std::int32_t quarter = 480)
      : numerator_(numerator) {
    ticksPerQuarter = quarter;
    beat_ = denominatorPower <= 2 ? quarter << (2 - denominatorPower) : quarter >> (denominatorPower - 2);
    events.reserve(4096);
  }
  void emit(const MidiEvent& event) override {
    if (events.size() < events.capacity()) events.push_back(event);
  }
  std::int32_t mbtToTicks(std::int32_t measure, std::int32_t beat, std::int32_t tick) override {
    ++conversions;
    return static_cast<std::int32_t>((std::int64_t{measure - 1} * numerator_ + beat - 1) * beat_ + tick);
  }
  void ticksToMbt(std::int32_t t, std::int32_t& measure, std::int32_t& beat, std::int32_t& tick) override {
    if (t < beat_) {
      measure = 1, beat = 1, tick = t;
      return;
    }
    tick = t % beat_;
    const std::int32_t beats = t / beat_;
    measure = beats / numerator_ + 1;
    beat = beats % numerator_ + 1;
  }
  std::int32_t bar() const { return numerator_ * beat_; }

  std::vector<MidiEvent> events;
  int conversions = 0;  // musical positions asked for

 private:
  std::int32_t numerator_, beat_;
};

// A drum note.
inline MidiEvent note(std::int32_t time, int key, int velocity, std::uint32_t duration = 60) {
  return noteEvent(time, 9, key, velocity, duration);
}

// The Standard MIDI File of a pattern made of `events` at `division` ticks per quarter.
inline std::string patternFile(const std::vector<MidiEvent>& events, std::uint32_t division = 240) {
  CMidiTrack track;
  track.setDivision(division);
  for (const MidiEvent& e : events) track.Insert(e);
  std::string bytes;
  CUniString stream(bytes);
  track.SaveSmf(stream);
  return bytes;
}

// A one-bar pattern at 240 ticks per quarter with a stroke on each quarter, velocity 100.
inline std::string quarters(int key = 36) {
  return patternFile({note(0, key, 100), note(240, key, 100), note(480, key, 100), note(720, key, 100, 240)});
}

// The slice record a slice saves.
inline std::string saved(const Looper& slice) {
  std::string bytes;
  CUniString stream(bytes);
  slice.save(stream);
  return bytes;
}

// A library with one volume "Vol" whose kind folders hold `files` (relative paths and bytes).
struct Library {
  TempFolder root;
  Library(std::initializer_list<std::pair<std::string, std::string>> files, StubEngine& engine) {
    for (const auto& [path, bytes] : files) writeFile(root.path(), path, bytes);
    engine.tree.setRoot(root.path().string());
  }
};

}  // namespace velmora::test
