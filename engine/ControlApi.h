// The engine's control API: what the user interface, the loop browser, the quick pads, the
// drum-sampler link and every host adapter use to drive one engine, in plain C++ types. The
// Windows plug-in offers the same operations to its own panel as the COM face ITamborak
// (frame/), which forwards here.
//
// Threads: every operation runs on the user-interface thread (or the drum-sampler host's thread
// for that link) while the audio thread renders; none is real-time safe unless it says so.
// [main-thread]
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "engine/DrumMapEditor.h"
#include "engine/ListControls.h"
#include "engine/SliceApi.h"
#include "io/UniStream.h"
#include "loops/Phrase.h"
#include "platform/Clipboard.h"

namespace velmora {

class Looper;
class TamborakView;

// What composing did: composed; the slice composed alone kept its pattern (no other pattern of
// its folder can be read); nothing composed because a slice is missing.
enum class ComposeResult { kComposed, kStuck, kNoSlices };

class ControlApi {
 public:
  // Appends `view` to the views list; false when it is there already.
  virtual bool addView(TamborakView* view) = 0;
  virtual void removeView(TamborakView* view) = 0;
  // Each slice view shows the play position within its cycle; false (nothing shown) while the
  // song position is unknown (false).
  virtual bool updatePlayPositions() = 0;
  // Composes the loop, or only `slice` when given: kStuck when `slice` could not leave its
  // pattern because no other pattern of its folder can be read (it keeps the one it had),
  // kNoSlices while a slice is missing. Not real-time safe: reads patterns.
  virtual ComposeResult compose(Looper* slice) = 0;
  // The slice 0..5, or the loop's fill at 6, valid while the engine lives; nullptr for any
  // other index.
  virtual SliceApi* slice(std::int32_t index) = 0;
  // The process-wide loops and drum-map folders (native paths ending with a separator).
  virtual std::string getLoopsFolder() = 0;
  virtual std::string getDrumMapsFolder() = 0;
  // Writes the loop block (without composer records); with `markSaved` first clears every
  // slice's edited flag. False when nothing could be written.
  virtual bool saveLoop(CUniStream& stream, bool markSaved) = 0;
  // Reads a loop block (without composer records); with `notify` announces "Tamborak::LoadLoop".
  // False when the block was refused. The same operation serves the library's loop files, which
  // pass 0.
  virtual bool LoadLoop(CUniStream& stream, int notify) = 0;
  // Empties all six slices.
  virtual void clearLoop() = 0;
  // Global controls and every slice's parameters back to their defaults; the swing grid and the
  // velocity trend stay.
  virtual void ResetPars() = 0;
  // An editor of the loop's drum map, which it changes in place; drumMapChanged() after each
  // change made through it.
  virtual std::unique_ptr<DrumMapEditor> editDrumMap() = 0;
  virtual void drumMapChanged() = 0;
  // Forced output channel (-1: the patterns' own) and port of every emitted event.
  virtual void setOutput(std::int32_t channel, std::int32_t port) = 0;
  // Both values out; gives the port.
  virtual std::int32_t getOutput(std::int32_t* channel, std::int32_t* port) = 0;
  virtual void setExportBars(std::int32_t count) = 0;
  virtual std::int32_t getExportBars() = 0;
  // Drags the loop out as a Standard MIDI File.
  // kFailed when no MIDI file could be made or the drag could not start.
  virtual platform::DragResult dragLoop() = 0;
  // Selects quick pad `index`: now (`immediate`) or at the end of the switching cycle; a
  // returnMode above 0 returns to the pad left once, below 0 alternates at every cycle end.
  virtual void setLoopIdx(std::int32_t index, bool immediate, std::int32_t returnMode) = 0;
  virtual std::int32_t getLoopIdx() = 0;
  virtual void setExportOption(std::int32_t value) = 0;
  virtual std::int32_t getExportOption() = 0;
  // Moves the ten trigger keys to start at `key`; not clamped.
  virtual void setTriggerLowKey(std::int32_t key) = 0;
  virtual std::int32_t getTriggerLowKey() = 0;
  virtual void setTriggerEnabled(bool on) = 0;
  virtual bool getTriggerEnabled() = 0;
  virtual void setRestartOnChange(bool on) = 0;
  virtual bool getRestartOnChange() = 0;
  virtual bool isDetachedFromSequencer() = 0;
  // Starts or stops the host's playback through the host; false when the host's transport
  // cannot be reached.
  virtual bool togglePlayback() = 0;
  // A change that alters what the loop sounds like, named "Class::operation" or by its setter.
  // During playback a filter engine that restarts on change asks the host to stop and start
  // again, so the change is heard at once.
  virtual void changed(const char* name) = 0;

  // Global controls. Setters clamp to the control's range; with `notify` they announce the
  // change under the setter's name.
  virtual void setSwingPc(std::int32_t value, bool notify) = 0;
  virtual std::int32_t getSwingPc() const = 0;
  virtual void setSwingDurIdx(std::int32_t value, bool notify) = 0;
  virtual std::int32_t getSwingDurIdx() const = 0;
  // Swing grid steps per quarter: 4 for grid index 0, else 2 to the power of the index.
  // [any-thread, real-time safe]
  virtual std::int32_t getSwingDivision() const = 0;
  virtual void setVeloDyn(std::int32_t value, bool notify) = 0;
  virtual std::int32_t getVeloDyn() const = 0;
  virtual void setVeloCenterPC(std::int32_t value, bool notify) = 0;
  virtual std::int32_t getVeloCenterPC() const = 0;
  virtual std::int32_t getNotesLimit() const = 0;
  virtual void setHumanizeVelo(std::int32_t value, bool notify) = 0;
  virtual std::int32_t getHumanizeVelo() const = 0;
  virtual void setHumanizeVeloTrend(std::int32_t value, bool notify) = 0;
  virtual std::int32_t getHumanizeVeloTrend() const = 0;
  virtual void setQuantize(bool on, bool notify) = 0;
  virtual bool getQuantize() const = 0;
  // The loop's phrase: its length in bars (0 off, 2, 4, 8 or 16; any other value is off), how
  // much of its last bar the fill takes (0 one beat, 1 two beats, 2 the bar; clamped), and the
  // crash on the downbeat after a fill (kPhraseBars lists the lengths). Stored with the loop.
  virtual void setPhraseBars(std::int32_t bars, bool notify) = 0;
  virtual std::int32_t getPhraseBars() const = 0;
  virtual void setFillLength(std::int32_t length, bool notify) = 0;
  virtual std::int32_t getFillLength() const = 0;
  virtual void setCrashAfterFill(bool on, bool notify) = 0;
  virtual bool getCrashAfterFill() const = 0;
  // The output velocity range, 1..127 each, kept at least 2 apart by moving the other end.
  virtual void setVeloMin(std::int32_t value) = 0;
  virtual std::int32_t getVeloMin() const = 0;
  virtual void setVeloMax(std::int32_t value) = 0;
  virtual std::int32_t getVeloMax() const = 0;

  // Note-name sets: the combo boxes offer every title on offer and select the current one; the
  // on... operations take the set whose title is selected (false when none is).
  virtual void fillInstrumentFlatCombo(FlatComboBox& combo) = 0;
  virtual void fillInstrumentCombo(ComboBox& combo) = 0;
  virtual bool onInstrumentCombo(ComboBox& combo) = 0;
  virtual bool onInstrumentFlatCombo(FlatComboBox& combo) = 0;
  // Takes the set of that title from the note-names provider.
  virtual void selectNoteNames(const std::string& title) = 0;
  // The name the current set gives `key`, and the set's title.
  virtual std::string noteName(int key) = 0;
  virtual std::string noteNamesTitle() = 0;
  // The General MIDI name of drum key `key`.
  virtual std::string instrumentName(int key) = 0;

  // The loop editing of the rows: a slice's instrument popup (items kNoteMenuBase + mapIndex *
  // 128 + key; `mapIndex` the default item, `currentKey` checked), the loop on the clipboard
  // (false when nothing was copied or pasted), and Save As (false when nothing was written).
  virtual void fillNoteMenu(PopupMenu& menu, int mapIndex, int currentKey) = 0;
  virtual bool copyLoop() = 0;
  virtual bool pasteLoop() = 0;
  virtual bool saveLoopAs() = 0;

  // The pattern library's volumes, the current one selected.
  virtual Choices volumeChoices() = 0;
  // Selects the pattern volume `name` for every slice; the swing grid follows the number at the
  // start of the name.
  virtual void setVolume(const std::string& name) = 0;
  // The variation range every slice takes (0 small, 1 medium, 2 large); with `apply` the
  // slices recheck their patterns.
  virtual void setPatternGroup(std::int32_t value, bool apply) = 0;
  virtual std::int32_t getPatternGroup() const = 0;
  virtual std::string getVolumeName() = 0;
  virtual bool isMfxFilter() = 0;

 protected:
  ~ControlApi() = default;
};

}  // namespace velmora
