// The faces a slice talks to: its engine (controls read while rendering, curve inputs, the
// library, notifications and the operations a slice hands on) and its row in the loop view.
// The engine object implements LooperEngine; tests use a stub.
#pragma once

#include <cstdint>
#include <string>

#include "loops/DrumMap.h"
#include "platform/Prompt.h"

namespace velmora {

class Looper;
class PatternTree;

class LooperEngine {
 public:
  virtual ~LooperEngine() = default;

  // Controls read by the render pass. [audio-thread: real-time safe and free of data races
  // against the user-interface thread that changes them, e.g. relaxed atomics]
  virtual bool getQuantize() const = 0;
  virtual std::int32_t getSwingPc() const = 0;
  // Swing grid in steps per quarter note: 4 for grid index 0, else 2 to the power of the index.
  virtual std::int32_t getSwingDivision() const = 0;
  virtual std::int32_t getHumanizeVelo() const = 0;
  virtual std::int32_t getHumanizeVeloTrend() const = 0;
  // The loop's drum map; its entries are read while the map is edited.
  virtual const DrumMap& getDrumMap() const = 0;

  // Inputs of a slice's velocity curve and of its pattern limits. [main-thread]
  virtual std::int32_t getVeloMin() const = 0;
  virtual std::int32_t getVeloMax() const = 0;
  virtual std::int32_t getVeloDyn() const = 0;
  virtual std::int32_t getVeloCenterPC() const = 0;
  // The variation range every slice takes: 0 small, 1 medium, 2 large.
  virtual std::int32_t getPatternGroup() const = 0;
  // The pattern library the slice's folder lives in. [main-thread]
  virtual PatternTree& getPatternLibrary() = 0;

  // A change that alters what the loop sounds like, with its reason "Class::operation".
  // [main-thread]
  virtual void changed(const char* reason) = 0;
  // The slice asks to be soloed, or un-soloed when it already is the only audible one.
  // [main-thread]
  virtual void wantPlaySolo(Looper& slice) = 0;
  // Composes this one slice. [main-thread]
  virtual void composePart(Looper& slice) = 0;
  // Whether the drumming rules accept the loop with this slice's current pattern. [main-thread]
  virtual bool rulesAccept(Looper& slice) = 0;
  // Where to ask whether unsaved edits may go: the first attached panel's prompt, or nullptr
  // when no panel is attached (the answer is then consent). [main-thread]
  virtual platform::Prompt* discardPrompt() = 0;
  // Saves the loop under a new name (the loop browser's Save As); false when nothing was
  // written (cancelled or failed). [main-thread]
  virtual bool saveLoopAs() = 0;
  // The slice was asked for a pattern it could not load: `file` of `folder` is not in the
  // library (`found` false) or cannot be read as a pattern; the slice holds none. Default:
  // nothing is said. [main-thread]
  virtual void patternNotLoaded(const Looper& slice, const std::string& folder, const std::string& file, bool found) {
    (void)slice, (void)folder, (void)file, (void)found;
  }

  // What the strokes view measures a slice with: its cycle length in host ticks and the host's
  // ticks per quarter as last seen. Without a host: one 4/4 bar per bar of the pattern at the
  // pattern's own resolution. [main-thread]
  virtual void viewTiming(const Looper& slice, std::int32_t& cycle, std::int32_t& resolution);
  // Velocities at or below this floor show in the softest shade of the strokes view.
  // [main-thread]
  virtual std::int32_t displayMinVelo() const { return 20; }
};

// A slice's row in the loop view. [main-thread]
class SliceRow {
 public:
  virtual ~SliceRow() = default;
  // Flags, stroke limits and everything else of the row.
  virtual void refresh() = 0;
  // The pattern's name and strokes; the folder choice too when `folderChanged`.
  virtual void refreshPattern(bool folderChanged) = 0;
  // The parameter fields.
  virtual void repaintParameters() = 0;
  // The play cursor at `position` ticks into a cycle of `length` ticks.
  virtual void showPosition(std::int32_t position, std::int32_t length) = 0;
};

}  // namespace velmora
