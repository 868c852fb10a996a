// ITamborak: the Windows plug-in's own in-process COM face of the engine, which the property page
// queries the filter for. It is never marshalled: its operations take and give the program's own
// types, and the order of the operations is the interface's slot order. The filter object
// implements it by forwarding each call to the engine's control API (engine/ControlApi.h),
// whose comments tell what each operation does.
//
// Threads: every operation runs on the user-interface thread (or the drum-sampler host's thread
// for that link) while the host's thread renders; none of them is real-time safe.
#pragma once

#include <cstdint>
#include <string>

#include "hostapi/ClassIds.h"
#include "hostapi/ComTypes.h"
#include "io/UniStream.h"

namespace velmora {

class ComboBox;
class DrumMap;
class FlatComboBox;
class Looper;
class NoteNames;
class PatternTree;
class TamborakView;

struct ITamborak : IUnknown {
  // Appends `view` to the views list; S_FALSE when it is there already.
  virtual HRESULT addView(TamborakView* view) = 0;
  virtual void removeView(TamborakView* view) = 0;
  // Each slice view shows the play position within its cycle; S_FALSE (nothing shown) while the
  // song position is unknown.
  virtual HRESULT updatePlayPositions() = 0;
  // Composes the loop, or only `slice` when given. S_FALSE when `slice` could not leave its
  // pattern because no other pattern of its folder can be read (it keeps the one it had).
  virtual HRESULT Random(Looper* slice) = 0;
  // The slice 0..5; nullptr for any other index.
  virtual Looper* getSlice(std::int32_t index) = 0;
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
  virtual HRESULT ResetPars() = 0;
  // Copies `map` into the loop's drum map, then drumMapChanged().
  virtual void setDrumMap(const DrumMap& map) = 0;
  virtual DrumMap* getDrumMap() = 0;
  virtual void drumMapChanged() = 0;
  // Forced output channel (-1: the patterns' own) and port of every emitted event.
  virtual void setOutput(std::int32_t channel, std::int32_t port) = 0;
  // Both values out; gives the port.
  virtual std::int32_t getOutput(std::int32_t* channel, std::int32_t* port) = 0;
  virtual void setExportBars(std::int32_t count) = 0;
  virtual std::int32_t getExportBars() = 0;
  // Drags the loop out as a Standard MIDI File.
  virtual HRESULT dragLoop() = 0;
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
  // Starts or stops the host's playback: the host's play/stop command to its main frame; S_FALSE
  // when no host frame is known.
  virtual HRESULT togglePlayback() = 0;
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
  // The output velocity range, 1..127 each, kept at least 2 apart by moving the other end.
  virtual void setVeloMin(std::int32_t value) = 0;
  virtual std::int32_t getVeloMin() const = 0;
  virtual void setVeloMax(std::int32_t value) = 0;
  virtual std::int32_t getVeloMax() const = 0;

  // Note-name sets: the combo boxes offer every title on offer and select the current one; the
  // on... operations take the set whose title is selected (S_FALSE when none is).
  virtual HRESULT fillInstrumentFlatCombo(FlatComboBox* combo) = 0;
  virtual HRESULT fillInstrumentCombo(ComboBox* combo) = 0;
  virtual HRESULT onInstrumentCombo(ComboBox* combo) = 0;
  virtual HRESULT onInstrumentFlatCombo(FlatComboBox* combo) = 0;
  // Takes the set of that title from the note-names provider.
  virtual void selectNoteNames(const std::string& title) = 0;
  virtual NoteNames* getNoteNames() = 0;

  // The pattern library and its volumes.
  virtual PatternTree& getPatternLibrary() = 0;
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
  ~ITamborak() = default;
};

}  // namespace velmora
