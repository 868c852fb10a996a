// Looper: one slice of a loop, one drum voice. It holds a pattern from a folder of the pattern
// library, plays it on its output note with its own velocity, dynamics and timing settings, picks
// patterns within its stroke limits and variation range, and renders itself into a
// ProcessContext window by window.
//
// Threads. The user-interface thread edits the slice; the host's thread renders it. The event
// list (track), the velocity curve and the render state change only under the slice's lock,
// which the render pass holds for its whole window; patterns are read from the library before
// the lock is taken and swapped in under it, so the render pass never waits for file I/O and
// never allocates. Flags, parameters, the fixed note and the drum map entries that rendering
// reads without the lock are relaxed atomics. Everything else belongs to the user-interface
// thread, which is the only writer of the track and so reads it without the lock.
#pragma once

#include <atomic>
#include <cstdint>
#include <limits>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "io/UniStream.h"
#include "library/PatternSignature.h"
#include "loops/DrumMap.h"
#include "loops/LooperEngine.h"
#include "loops/ProcessContext.h"
#include "loops/StrokeGeometry.h"
#include "loops/VeloTransformer.h"
#include "midi/MidiTrack.h"

namespace velmora {

// The name a pattern file is shown with: cut at its first "_", else its first "#", else its
// first ".". [any-thread]
std::string displayName(const std::string& file);

// Component `index` of a backslash-separated folder path ("" when it has fewer). [any-thread]
std::string folderComponent(const std::string& path, std::size_t index);

class Looper {
 public:
  // Parameter indices of getParameter and setParameter.
  enum Parameter : int { kVelocityAdjust = 0, kDynamicsStrength = 1, kTimeOffset = 2, kNoteOffset = 3 };
  // Version written by save.
  static constexpr std::int32_t kRecordVersion = 6;
  // Slice time offsets are stored at this resolution.
  static constexpr std::int32_t kOffsetTicksPerQuarter = 480;
  // The crash cymbal of the General MIDI drum set, which the crash after a fill plays.
  static constexpr std::int32_t kCrashKey = 49;
  // Longest folder or file text a slice record may carry.
  static constexpr std::uint32_t kMaxNameLength = 0xFFFF;

  // Flags that offline contexts set around a pass: keep keys as stored, no humanize, and no
  // time offset and no swing.
  struct RenderFlags {
    bool noKeyMap = false, noHumanize = false, raw = false;
  };

  // [main-thread] Default fields; no folder and no pattern.
  explicit Looper(LooperEngine& engine);
  Looper(const Looper&) = delete;
  Looper& operator=(const Looper&) = delete;
  virtual ~Looper();

  // ---- Pattern choice [main-thread, not real-time safe: reads the library]

  // Refused (false) when confirmDiscard says no; else loadPattern(folder, file, false) and, with
  // notify, the change "Looper::setPattern". True otherwise.
  bool setPattern(const std::string& folder, const std::string& file, bool notify);
  // Loads `file` of `folder` (a pattern path relative to the folder; empty: none). Unless
  // `force`, nothing happens when both equal the current ones. A pattern that is missing or
  // unreadable leaves the slice without one. False only when nothing changed.
  bool loadPattern(const std::string& folder, const std::string& file, bool force);
  // Steps `steps` times to the next (previous) eligible pattern of the folder, wrapping round;
  // with checkRules only to patterns the drumming rules accept with this slice. False when the
  // user refused to discard edits.
  bool nextPattern(bool notify, int steps, bool checkRules);
  bool previousPattern(bool notify, int steps, bool checkRules);
  // A random eligible pattern other than the current one, and other than `avoid` when given.
  // Nothing happens when the folder has fewer than two eligible patterns. False when no other
  // eligible pattern of the folder can be read: the slice is then on `avoid` again.
  bool randomPattern(const std::string* avoid);
  // After confirmDiscard, the engine composes this slice.
  void composePart();
  // When the current pattern exists but is not eligible: the next eligible one, then compose.
  void ensureEligible();
  // The pattern of the folder shown with `name` (displayName), notified; false when none.
  bool selectPatternByName(const std::string& name);
  // Completes `path` to three levels of the library, takes it without a pattern and, when that
  // changed anything, refreshes the pattern limits.
  bool setFolder(const std::string& path);
  // Replace the volume (component 0) or the instrument kind (component 2) of the folder; true
  // when the component changed.
  bool setVolumeFolder(const std::string& name);
  bool setKindFolder(const std::string& name);
  // No pattern, no own events.
  void clearPattern();

  // ---- Flags [main-thread]

  // With solo the engine solos this slice; otherwise sets the mute flag, notified on a change.
  void setMute(bool value, bool solo);
  // Sets the mute flag without notification (the engine's solo); refreshes the row on a change.
  void setMutedSilently(bool value);
  bool setIdrcOff(bool value);
  bool setOwnEvents(bool value);
  // Clearing the flag while the slice holds own events also forgets the pattern file name.
  bool setEdited(bool value);
  void setStandardRows(bool value);
  void setPlayAnyway() { playAnyway_.store(true, std::memory_order_relaxed); }
  // Neither muted nor left out of composing.
  bool takesPart() const { return !idrcOff_ && !muted(); }
  // After a stroke edit: statistics and curve again, then left out of composing, own events,
  // edited.
  void markEdited();
  // True when there are no unsaved edits or the user lets them go (Yes saves the loop first);
  // a refusal leaves the slice out of composing. [main-thread, not real-time safe: may ask the user]
  bool confirmDiscard();

  bool muted() const { return muted_.load(std::memory_order_relaxed); }
  bool playAnyway() const { return playAnyway_.load(std::memory_order_relaxed); }
  bool idrcOff() const { return idrcOff_; }
  bool ownEvents() const { return ownEvents_; }
  bool edited() const { return edited_; }
  bool standardRows() const { return standardRows_; }

  // ---- Output note [main-thread]

  // code = instrument * 128 + note: the fixed note, or the slice's map entry of the instrument.
  void setInstrument(int code);
  // A negative note switches the fixed note off (keeping its value); else fixes it.
  void setFixedNote(int note);
  bool fixedNoteOn() const { return fixedNoteOn_.load(std::memory_order_relaxed); }
  std::uint8_t fixedNote() const { return fixedNote_.load(std::memory_order_relaxed); }
  const DrumMap& drumMap() const { return drumMap_; }
  // Rows of the strokes view and the key of each (-1 outside).
  int rowCount() const;
  int rowKey(int index) const;

  // ---- Parameters [main-thread]

  std::int32_t getParameter(int index) const;
  // Clamped as the parameter requires; unknown indices are ignored.
  void setParameter(int index, std::int32_t value);
  // Parameters, drum map and stroke limits back to their defaults.
  void resetParameters();

  // ---- Stroke limits and variation range [main-thread]

  void setStrokesMax(std::int32_t n, bool recheck);
  void setStrokesMin(std::int32_t n, bool recheck);
  // Takes the variation range and rescans the folder for the stroke counts it offers.
  void setPatternGroup(std::int32_t group, bool recheck);
  // Rescans which groups the folder offers, then takes the engine's variation range.
  void refreshPatternLimits();
  // Whether a pattern file name is within the variation range and the stroke limits.
  bool eligible(const std::string& fileName) const;

  std::int32_t strokesMax() const { return strokesMax_; }
  std::int32_t strokesMin() const { return strokesMin_; }
  std::uint32_t strokesMask() const { return strokesMask_; }
  std::int32_t patternGroup() const { return patternGroup_; }
  std::uint32_t groupMask() const { return groupMask_; }

  // ---- Pattern state [main-thread]

  const std::string& folder() const { return folder_; }
  const std::string& file() const { return file_; }
  const PatternSignature& signature() const { return signature_; }
  std::int8_t minVelocity() const { return minVelocity_; }
  std::int8_t maxVelocity() const { return maxVelocity_; }
  std::int8_t avgVelocity() const { return avgVelocity_; }
  // The pattern's events; only the user-interface thread may read it without the lock.
  const CMidiTrack& track() const { return track_; }
  const VeloTransformer& curve() const { return curve_; }
  // The title an exported track gets: the part folder, "\", the displayed name, with spaces and
  // "-" as "_".
  std::string exportTitle() const;

  // Runs `edit` on the track under the lock and starts rendering again from the first record;
  // for stroke editing, which then calls markEdited. [main-thread, not real-time safe]
  template <typename Edit>
  auto editTrack(Edit&& edit) {
    std::lock_guard guard(lock_);
    resetRenderState();
    return edit(track_);
  }

  // Min, max and mean velocity of the track's notes (1, 127, 64 without notes), and the first
  // beat.
  void updateVelocityStats();
  // The beat (0..3) of a 4/4 bar that holds the track's first note, 0 without notes: where a fill
  // takes over at the earliest, so that one whose figure starts late leaves the groove playing
  // until then. [any-thread]
  std::int32_t firstBeat() const { return firstBeat_.load(std::memory_order_relaxed); }
  // Rebuilds the velocity curve from the engine's dynamics controls and the slice's statistics.
  void rebuildCurve();

  // ---- Stroke editing (loops/LooperStrokes.cpp) [main-thread, not real-time safe]
  //
  // Strokes are the note records of the track; times are pattern ticks and positions are those
  // of the strokes view (StrokeGeometry). A stroke stays valid until it is moved or erased;
  // operations on a stroke the track no longer holds do nothing.

  using Stroke = CMidiTrack::Position;
  struct BeatPosition {
    std::int32_t beat = 1, tick = 0;
  };

  // The geometry of a strokes view of that size showing this slice.
  StrokeGeometry strokeGeometry(int viewWidth, int viewHeight);
  // When a note plays within its cycle: quantized, moved by the slice's offset and swung as
  // playback does, without key mapping and humanize. May lie outside the cycle.
  std::int32_t displayedTime(const MidiEvent& note) const;
  // The first stroke (rows from the top, strokes in list order) whose sprite covers (x, y).
  std::optional<Stroke> hitTest(const StrokeGeometry& g, int x, int y);
  // The time under x, snapped to the nearest of `grid` cells per whole note when grid >= 1.
  std::int32_t xToTime(const StrokeGeometry& g, int x, int grid) const;
  // The key of the row under y (-1 without rows).
  int yToRow(const StrokeGeometry& g, int y) const;
  // The first stroke of `key` shown at time t, or stored at t (so that a stroke inserted at a
  // grid line is found there again when swing, quantize or an offset show it elsewhere).
  std::optional<Stroke> findStroke(std::int32_t t, int key);
  // A new stroke at t (clamped into the cycle) of a sixteenth, cut to end inside the cycle;
  // none for a key outside 0..127.
  std::optional<Stroke> insertStroke(const StrokeGeometry& g, std::int32_t t, int key, int velocity);
  std::optional<Stroke> insertStrokeAt(const StrokeGeometry& g, int x, int y, int velocity);
  // Velocity clamped to 1..127; false when the stroke is gone.
  bool setStrokeVelocity(Stroke stroke, int velocity);
  // The stroke at time t (clamped into the cycle), cut to end inside the cycle.
  std::optional<Stroke> moveStroke(const StrokeGeometry& g, Stroke stroke, std::int32_t t);
  bool eraseStroke(Stroke stroke);
  // Beat (from 1) and tick (host ticks) of time t within the cycle.
  BeatPosition beatPosition(const StrokeGeometry& g, std::int32_t t) const;
  // The engine's display floor velocity (the softest shade at or below it).
  std::int32_t displayMinVelo() const { return engine_.displayMinVelo(); }

  // ---- Rendering

  // Emits the strokes that fall into [from, to] through `context`. [audio-thread, real-time safe:
  // no allocation, no I/O; holds the slice's lock]
  void render(std::int32_t from, std::int32_t to, ProcessContext& context);
  // Whether the slice would play now: it has events and is not muted (or plays anyway).
  // [any-thread, real-time safe; takes the slice's lock]
  bool sounds() const;
  // Plays the crash after a fill at song tick `at`: the crash cymbal (key 49) through the
  // engine's and the slice's drum maps, at the slice's loudest velocity through its curve, an
  // eighth long. Nothing while the slice is silent. [audio-thread, real-time safe; holds the
  // slice's lock]
  void renderCrash(std::int32_t at, ProcessContext& context);
  // Length of one pass through the pattern, in whole bars of the context's meter. [any-thread]
  std::int32_t cycleLength(ProcessContext& context) const;
  // Start of the cycle containing `t`, and the bar line one cycle after `t`. [any-thread]
  std::int32_t cycleStartOf(std::int32_t t, ProcessContext& context) const;
  std::int32_t nextCycleStart(std::int32_t t, ProcessContext& context) const;
  // Shows the play cursor for song position t. [main-thread]
  void showPosition(std::int32_t t, ProcessContext& context);
  // Starts the render pass again from the first record at its next window. [audio-thread,
  // real-time safe; holds the slice's lock]
  void restartRender();
  // Exchanges with `other` everything a slice record carries and what follows from it: pattern,
  // events, folder and file, flags, parameters, drum map, fixed note, statistics, curve and
  // variation range. View, engine, render flags and the IDRC switch stay, and so do the stroke
  // limits while folder and variation range are the same; both restart rendering.
  // [main-thread, not real-time safe; takes both slices' locks]
  void exchangeContent(Looper& other);
  // [any-thread] Flags of offline contexts, kept until changed.
  void setRenderFlags(RenderFlags flags);

  // ---- Persistence [main-thread, not real-time safe]

  // The slice record, version 6.
  void save(CUniStream& stream) const;
  // Reads a slice record of any version, then takes its pattern from the library. False (slice
  // unchanged) when the record is short or malformed.
  bool load(CUniStream& stream);
  void saveIdrc(CUniStream& stream) const;
  bool loadIdrc(CUniStream& stream);

  // ---- View [main-thread]

  void attachView(SliceRow* view) { view_ = view; }
  void detachView() { view_ = nullptr; }
  SliceRow* view() const { return view_; }

 private:
  struct RenderState;
  struct RenderControls;

  // Eligibility of every pattern of the folder, in walk order, and where the current one is.
  struct FolderWalk {
    std::vector<std::string> files;  // relative to the folder
    std::vector<bool> eligible;
    int current = -1;                // -1: not in the folder
  };
  FolderWalk walkFolder() const;
  bool stepPattern(bool notify, int steps, bool checkRules, int direction);
  // Rescans the stroke counts (bit n: some eligible pattern has n strokes).
  void scanStrokes();
  // Reads `file` of `folder` from the library into `into`; false when missing (`found` false)
  // or unreadable.
  bool readPattern(const std::string& folder, const std::string& file, CMidiTrack& into, bool& found);
  // Swaps `fresh` in under the lock; the old events go back in `fresh`.
  void swapTrack(CMidiTrack& fresh);
  bool replaceComponent(std::size_t index, const std::string& name);

  void resetRenderState();
  // Positions the render state for the window; true when it simply continues the last one with
  // the same offset, resolutions and swing division.
  bool prepare(std::int32_t from, std::int32_t to, ProcessContext& context);
  void transform(MidiEvent& event, const RenderControls& controls, std::int32_t contextResolution) const;
  std::int32_t cycleLengthLocked(ProcessContext& context) const;

  // Whether the track holds `stroke` (it may have been swapped out). Under the lock.
  bool holds(Stroke stroke);

  void refreshView() {
    if (view_) view_->refresh();
  }

  LooperEngine& engine_;
  SliceRow* view_ = nullptr;
  CMidiTrack track_;
  mutable std::recursive_mutex lock_;
  std::atomic<bool> playAnyway_{false};
  std::atomic<bool> muted_{false};
  bool idrcOff_ = false;
  bool ownEvents_ = false;
  bool edited_ = false;
  bool standardRows_ = false;
  std::int32_t strokesMax_ = 0;
  std::uint32_t strokesMask_ = 0;
  std::int32_t strokesMin_ = 0;
  std::int32_t patternGroup_ = -1;
  std::uint32_t groupMask_ = 0;
  std::atomic<std::int32_t> velocityAdjust_{0};
  std::int32_t dynamicsStrength_ = 100;
  std::atomic<std::int32_t> timeOffset_{0};
  std::atomic<std::int32_t> noteOffset_{0};
  std::int8_t minVelocity_ = 1, maxVelocity_ = 127, avgVelocity_ = 64;
  std::atomic<std::int32_t> firstBeat_{0};
  PatternSignature signature_;
  DrumMap drumMap_;
  std::atomic<bool> fixedNoteOn_{false};
  std::atomic<std::uint8_t> fixedNote_{54};
  std::string folder_;
  std::string file_;
  VeloTransformer curve_;

  // Used only by rendering, under the lock.
  struct RenderState {
    std::int32_t patternResolution = 0;
    std::int32_t cycleStart = 0;
    std::int32_t offset = 0;
    std::int32_t step = 0;
    CMidiTrack::ConstPosition iterator;
    std::int32_t hostResolution = 0;
    std::int32_t listResolution = 0;
    std::int32_t division = -1;
    std::int32_t nextFrom = -1;
    // The song tick of the record the last window stopped before, under the quantize and swing
    // it was placed with: a window that continues and ends before it plays nothing. The skipped
    // placement still draws its humanize number (`idleDraws`), so that the sequence of numbers
    // does not depend on how the windows are cut.
    std::int64_t idleBefore = std::numeric_limits<std::int64_t>::min();
    bool idleQuantize = false, idleDraws = false;
    std::int32_t idleSwingPc = 0;
  } render_;
  RenderFlags flags_;
};

}  // namespace velmora
