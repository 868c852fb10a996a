// Tamborak: the engine, one per plug-in instance. It owns the six slices of the current loop, the
// global playback controls, the loop's drum map and note names. A host adapter drives it through
// its playback API (connect, start, process a window, stop) and persists it through its blocks;
// the user interface drives it through its control API (ControlApi); the slices render into it
// through its ProcessContext face and call back through LooperEngine. It knows no host: the song
// comes through SongHost, the host's transport through HostLink, the output through EventSink.
//
// Threads. The audio thread (the host's render thread) processes windows; the user-interface
// thread calls the control API and edits the slices. Controls that rendering reads without a
// lock are relaxed atomics (Relaxed); each slice guards its own events with its own lock. The
// song changes only in connect and disconnect, which a host does not run while it renders.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "compose/CompositionRules.h"
#include "engine/ExportTimeBase.h"
#include "engine/ControlApi.h"
#include "engine/EventSink.h"
#include "engine/HostLink.h"
#include "engine/ListControls.h"
#include "engine/LoopBlock.h"
#include "engine/Relaxed.h"
#include "engine/SliceAdapter.h"
#include "engine/SongHost.h"
#include "engine/TamborakView.h"
#include "library/LoopLoader.h"
#include "loops/DrumMap.h"
#include "loops/LooperEngine.h"
#include "loops/QuickPadBank.h"
#include "loops/ProcessContext.h"
#include "midi/NoteNames.h"
#include "midi/NoteNamesProvider.h"
#include "platform/Clipboard.h"
#include "platform/KeyState.h"

namespace velmora {

class Looper;

// The swing grid a volume's name implies: "16..." sixteenths, "8..." eighths, else index 0.
// [any-thread]
std::int32_t swingGridOfVolume(const std::string& name);

class Tamborak : public ControlApi,
                 public ProcessContext,
                 public LooperEngine,
                 public LoopLoader {
 public:
  // The six slices of the groove; the loop's fill is a seventh slice after them.
  static constexpr int kSliceCount = 6;
  static constexpr int kFillSlice = 6;
  static constexpr int kPartCount = 7;
  static constexpr int kPadCount = 10;
  // The most bars an export renders (the options dialog offers 1..9999).
  static constexpr std::int32_t kMaxExportBars = 9999;

  // [main-thread, not real-time safe: the first engine scans the library] isMfxFilter: true for
  // the plain MIDI filter, false inside the drum-sampler link. `hostLink` (kept, may be null)
  // reaches the host's transport.
  explicit Tamborak(bool isMfxFilter, HostLink* hostLink = nullptr);
  Tamborak(const Tamborak&) = delete;
  Tamborak& operator=(const Tamborak&) = delete;
  // [main-thread, not real-time safe]
  virtual ~Tamborak();
  // The song position in ticks: 0 while not connected or without a host link, -1 while the
  // host cannot say. [main-thread or the host's input thread]
  SongTick getNowTime();
  // Whether all six slices and the fill exist; every host adapter checks it before each call.
  // [any-thread]
  bool allSlicesPresent() const;

  // ---- The host's connection [main-thread, not real-time safe; never while a window renders]

  // Plays in `song` from now on (kept, not owned, until disconnect or the next connect): joins the
  // connected engines (reading the stored settings), rescans the note-name folder and takes
  // "General MIDI Drums"; with `offline` (an off-line edit) warns the user. Every slice must exist.
  void connect(SongHost& song, bool offline);
  // Leaves the host: every view is detached, the note-name sets and the song let go.
  void disconnect();
  // A host that cannot give its song: nothing of it is kept, its instrument definitions neither,
  // and an engine connected before is no longer.
  void refuseHost();

  // ---- Playback [audio-thread unless said otherwise; every slice must exist]

  // The host's transport started, looped or stopped at song tick `time`.
  void start(SongTick time);
  void loop(SongTick restartTime, SongTick stopTime);
  void stop(SongTick time);
  // One window of the song, both bounds inclusive: `input` is
  // played through, trigger notes switching pads at their tick and every other event passing on
  // (sink.pass), and the slices' events go to sink.emit. A window that makes nothing and gets
  // nothing emits one placeholder (a key aftertouch at `from`), as hosts that drop empty windows
  // need. [audio-thread, real-time safe: no allocation, no I/O; holds the pad lock]
  void process(SongTick from, SongTick thru, const EventSource& input, EventSink& sink);

  // Renders every slice over [from, to], switching at a pending return on its way.
  void render(SongTick from, SongTick to);
  // Selects the pad of a trigger key, or, for the key after the ten, plays the fill at the end
  // of the bar of `time` (a song tick; -1: the host's position now); false when triggering is
  // off or the key is none of the eleven. [audio-thread with the pad lock held (real-time safe),
  // or, immediate, main-thread or the host's input thread (not real-time safe)]
  bool triggerKey(int key, bool immediate, SongTick time = -1);
  // Length in ticks of a loop exported from tick t: exportBars bars of the meter there, with the
  // bar count taken as 1..kMaxExportBars and the result saturated to 0..INT32_MAX.
  // [main-thread]
  SongTick exportLength(SongTick t);
  // Tempo, resolution and meter of an export: the song's first ones, or defaults without a
  // host; nothing without a base. [main-thread]
  void fillTimeBase(ExportTimeBase* base);
  // Writes the loop as a Standard MIDI File: exportBars bars of the meter at the song position,
  // rendered from tick 0 by every slice as playback would; one track for all slices, or one per
  // slice when the export option is set, after the tempo track. False, and nothing written,
  // while a slice is missing. [main-thread, not real-time safe: allocates, writes the stream]
  bool exportLoop(CUniStream& stream);

  // ---- ProcessContext [audio-thread, real-time safe]: the slices render into the window's sink
  void emit(const MidiEvent& event) override;
  std::int32_t mbtToTicks(std::int32_t measure, std::int32_t beat, std::int32_t tick) override;
  void ticksToMbt(std::int32_t ticks, std::int32_t& measure, std::int32_t& beat, std::int32_t& tick) override;

  // ---- ControlApi [main-thread]
  bool addView(TamborakView* view) override;
  void removeView(TamborakView* view) override;
  bool updatePlayPositions() override;
  ComposeResult compose(Looper* slice) override;
  // The slice 0..5, the fill at kFillSlice; nullptr for any other index.
  Looper* getSlice(std::int32_t index);
  SliceApi* slice(std::int32_t index) override;
  std::string getLoopsFolder() override;
  std::string getDrumMapsFolder() override;
  bool saveLoop(CUniStream& stream, bool markSaved) override;
  bool LoadLoop(CUniStream& stream, int notify) override;
  void clearLoop() override;
  void ResetPars() override;
  // Copies `map` into the loop's drum map, then drumMapChanged().
  void setDrumMap(const DrumMap& map);
  DrumMap* getDrumMap() { return &drumMap_; }
  std::unique_ptr<DrumMapEditor> editDrumMap() override;
  void drumMapChanged() override;
  void setOutput(std::int32_t channel, std::int32_t port) override;
  std::int32_t getOutput(std::int32_t* channel, std::int32_t* port) override;
  void setExportBars(std::int32_t count) override { exportBars_ = count; }
  std::int32_t getExportBars() override { return exportBars_; }
  platform::DragResult dragLoop() override;
  void setLoopIdx(std::int32_t index, bool immediate, std::int32_t returnMode) override;
  std::int32_t getLoopIdx() override { return loopIdx_; }
  void setExportOption(std::int32_t value) override { exportOption_ = value; }
  std::int32_t getExportOption() override { return exportOption_; }
  void setTriggerLowKey(std::int32_t key) override;
  std::int32_t getTriggerLowKey() override { return triggerLowKey_; }
  void setTriggerEnabled(bool on) override { triggerEnabled_ = on; }
  bool getTriggerEnabled() override { return triggerEnabled_; }
  void setRestartOnChange(bool on) override { restartOnChange_ = on; }
  bool getRestartOnChange() override { return restartOnChange_; }
  bool isDetachedFromSequencer() override;
  bool togglePlayback() override;
  void changed(const char* name) override;
  void setSwingPc(std::int32_t value, bool notify) override;
  std::int32_t getSwingPc() const override { return swingPc_; }
  void setSwingDurIdx(std::int32_t value, bool notify) override;
  std::int32_t getSwingDurIdx() const override { return swingDurIdx_; }
  std::int32_t getSwingDivision() const override;
  void setVeloDyn(std::int32_t value, bool notify) override;
  std::int32_t getVeloDyn() const override { return veloDyn_; }
  void setVeloCenterPC(std::int32_t value, bool notify) override;
  std::int32_t getVeloCenterPC() const override { return veloCenterPc_; }
  std::int32_t getNotesLimit() const override { return notesLimit_; }
  void setHumanizeVelo(std::int32_t value, bool notify) override;
  std::int32_t getHumanizeVelo() const override { return humanizeVelo_; }
  void setHumanizeVeloTrend(std::int32_t value, bool notify) override;
  std::int32_t getHumanizeVeloTrend() const override { return humanizeVeloTrend_; }
  void setQuantize(bool on, bool notify) override;
  bool getQuantize() const override { return quantize_; }
  void setPhraseBars(std::int32_t bars, bool notify) override;
  std::int32_t getPhraseBars() const override { return phraseBars_; }
  void setFillLength(std::int32_t length, bool notify) override;
  std::int32_t getFillLength() const override { return fillLength_; }
  void setCrashAfterFill(bool on, bool notify) override;
  bool getCrashAfterFill() const override { return crashAfterFill_; }
  // The three as the loop block holds them. [any-thread]
  PhraseSettings phrase() const;
  // The bar (a measure from 1) whose end plays a live fill; 0: none. [any-thread]
  std::int32_t liveFillBar() const { return liveFillBar_; }
  void setVeloMin(std::int32_t value) override;
  std::int32_t getVeloMin() const override { return veloMin_; }
  void setVeloMax(std::int32_t value) override;
  std::int32_t getVeloMax() const override { return veloMax_; }
  void fillInstrumentFlatCombo(FlatComboBox& combo) override;
  void fillInstrumentCombo(ComboBox& combo) override;
  bool onInstrumentCombo(ComboBox& combo) override;
  bool onInstrumentFlatCombo(FlatComboBox& combo) override;
  void selectNoteNames(const std::string& title) override;
  // With `keep`, a title that no set on offer has (its file was removed) selects the General MIDI
  // names under that title, so the title is stored again and its set taken when it is back;
  // without, such a title changes nothing. [main-thread]
  void keepMissingNoteNames(bool keep) { keepMissingNoteNames_ = keep; }
  NoteNames* getNoteNames() { return &noteNames_; }
  std::string noteName(int key) override;
  std::string noteNamesTitle() override;
  std::string instrumentName(int key) override;
  Choices volumeChoices() override;
  PatternTree& getPatternLibrary() override;
  void setVolume(const std::string& name) override;
  void setPatternGroup(std::int32_t value, bool apply) override;
  std::int32_t getPatternGroup() const override { return patternGroup_; }
  std::string getVolumeName() override { return volumeName_; }
  bool isMfxFilter() override { return isMfxFilter_; }

  // ---- LooperEngine (what ITamborak does not already give) [main-thread]
  const DrumMap& getDrumMap() const override { return drumMap_; }
  void wantPlaySolo(Looper& slice) override;
  void composePart(Looper& slice) override;
  bool rulesAccept(Looper& slice) override;
  platform::Prompt* discardPrompt() override;
  bool saveLoopAs() override;
  void patternNotLoaded(const Looper& slice, const std::string& folder, const std::string& file, bool found) override {
    if (patternProblem_) patternProblem_(slice, folder, file, found);
  }
  // The slice's cycle in the song's meter at the host's resolution last seen.
  void viewTiming(const Looper& slice, std::int32_t& cycle, std::int32_t& resolution) override;

  // Fills a slice's instrument popup: every key with a name of its own, plus `mapIndex` (the
  // slice's drum-map instrument, the default item) and `currentKey` (the key it plays, checked).
  // [main-thread]
  void fillNoteMenu(PopupMenu& menu, int mapIndex, int currentKey) override;

  // Each slice view shows the play position `now` of `song` (a song the engine need not play in,
  // as a panel's mirror of the plug-in's), within its cycle in that song's meter. [main-thread]
  void showPlayPositions(SongTick now, SongHost& song);

  // ---- Other engine state [main-thread]

  bool connected() const { return connected_; }
  bool playing() const { return playing_; }
  std::int32_t displayMinVelo() const override { return displayMinVelo_; }
  // End of the cycle of the pad selected last, and the pending return (pad, mode).
  SongTick switchTime() const { return switchTime_; }
  std::int32_t returnLoopIdx() const { return returnLoopIdx_; }
  std::int32_t returnMode() const { return returnMode_; }
  const NoteNamesProvider& noteNamesProvider() const { return noteNamesProvider_; }
  // Where the engine asks the user when no view is there to ask (the off-line warning); nullptr:
  // nowhere, the question is skipped.
  void setPrompt(platform::Prompt* prompt) { prompt_ = prompt; }
  // What saveLoopAs runs (the loop browser's Save As, true when the loop was written); without
  // one nothing is saved. Whoever sets it clears it before its target goes.
  void setLoopSaver(std::function<bool()> saver) { loopSaver_ = std::move(saver); }
  // Told of each pattern a slice could not load (see LooperEngine::patternNotLoaded); without
  // one nothing is said, as in the plug-in. Whoever sets it clears it before its target goes.
  using PatternProblem = std::function<void(const Looper& slice, const std::string& folder, const std::string& file,
                                            bool found)>;
  void setPatternProblem(PatternProblem problem) { patternProblem_ = std::move(problem); }
  // The engine's own bank of quick pads. [main-thread]
  QuickPadBank& quickPads();
  // The host link given at construction, or nullptr. [any-thread]
  HostLink* hostLink() const { return hostLink_; }

  // ---- Clipboard and drag (engine/TamborakClipboard.cpp) [main-thread, not real-time safe]

  // Writes the loop as a Standard MIDI File into `smf`; false when there is nothing to export.
  using LoopExporter = std::function<bool(Tamborak& engine, std::string& smf)>;
  // Offers the loop as "Tamborak Loop" (its loop block) and as "Standard MIDI File"; a format
  // that cannot be made is left out. False, with the clipboard untouched, when neither can be
  // made or the clipboard refuses them.
  bool copyLoop() override;
  // Takes the "Tamborak Loop" of the clipboard, announcing "Tamborak::LoadLoop"; false, with the
  // loop unchanged, when there is none or it is not a whole loop block.
  bool pasteLoop() override;
  // Where the loop is copied to and pasted from, dragged out through, and how it becomes a MIDI
  // file (default: the engine's own export; an exporter that fails leaves the MIDI file out and
  // makes dragging fail); the folder of the dragged file (empty: the system's temporary folder).
  // Defaults: the system's clipboard and drag. Whoever sets one keeps it alive while the engine
  // uses it.
  void setClipboard(platform::Clipboard* clipboard) { clipboard_ = clipboard; }
  void setFileDrag(platform::FileDrag* drag) { fileDrag_ = drag; }
  void setLoopExporter(LoopExporter exporter) { loopExporter_ = std::move(exporter); }
  void setDragFolder(std::string folder) { dragFolder_ = std::move(folder); }

  // ---- Composing [main-thread]

  // What the drumming rules see of the six slices and the fill now: a muted percussion layer
  // counts as empty, the other slices' masks count whether muted or not. All zero while a slice
  // is missing.
  RuleInputs ruleInputs() const;
  // What the fill rules see: the fill's strokes by class while the loop has phrases and the fill
  // plays (all zero otherwise), the window its fill length takes, the crash.
  FillInputs fillInputs() const;
  // The drumming rules over the current loop for the slots in `mask`.
  std::int32_t checkRules(std::string& message, std::uint32_t mask, std::uint32_t& outBits) const;
  // Whether some rule blames `slice` alone; false for a slice not of this engine.
  bool checkSlice(const Looper& slice) const;
  // Where the composer's test mode reads the modifier keys; nullptr: the system's keyboard.
  void setKeyState(platform::KeyState* keys) { keyState_ = keys; }

  // ---- Persistence [main-thread or the host's thread, one at a time; not real-time safe]
  // Readers take a block only when its version is above 10 and it is whole and well formed:
  // they parse it completely first, then apply it through the setters without notification;
  // otherwise they change nothing and give false.

  // The state block: quick pads, current pad, controls, settings block, loop block with IDRC
  // records. Writing first stores the slices into their pad (nothing without all six slices).
  void writeState(CUniStream& stream);
  bool readState(CUniStream& stream);
  // The same over bytes in memory: the state block, and a block read whole (at most 4 GiB).
  std::string stateBlock();
  bool readStateBlock(const void* data, std::size_t size);
  // The settings block: drum map, note names, output, export, trigger and velocity range.
  void writeSettings(CUniStream& stream);
  bool readSettings(CUniStream& stream);
  // The loop block of the slices.
  void writeLoop(CUniStream& stream, bool withIdrc);
  bool readLoop(CUniStream& stream, bool withIdrc);
  // The registry values of the process's settings key: "Last" gets the state block; and on
  // joining, the engine reads the settings block of "Globals" and, with `copyLast`, the state
  // block of "Last", each when not empty. At destruction "Globals" gets the settings block, from
  // an engine that read them (one that never joined, as when a host only lists its plug-ins,
  // would reset them to its defaults).
  void storeLast();
  void storeGlobals();
  void loadStored(bool copyLast);
  // The note-name sets inside the drum sampler: the folders' sets and "General MIDI Drums", then,
  // with the sampler's pad names (null: none), "DR-008 Drums". [main-thread, not real-time safe]
  void useNoteNamesOf(std::shared_ptr<const PadNameSource> pads);
  // The note-name sets on offer, for the host adapter to hand the host's definitions to.
  // [main-thread]
  NoteNamesProvider& noteNameSets() { return noteNamesProvider_; }

 private:
  // Offers the user's note-name sets and the shipped kits' sets. [main-thread, reads files]
  void scanNoteNameFolders();

  class OwnPadBank;
  class TimeBase;
  class PadEngine;
  struct ReadySet;

  // ---- Ready pads. The slices hold the loop of pad slicesPad_; loopIdx_ is the pad playing.
  // While they differ, the render pass plays the ready set of loopIdx_ (six slices built from
  // the pad's loop block on the user-interface thread) until the user-interface thread completes
  // the switch by exchanging it with the slices. So a switch inside the render pass allocates
  // nothing, reads no file and leaves what the user-interface thread reads alone.

  // The slice `i` (or the fill at kFillSlice) that plays now, and its loop's phrase.
  // [audio-thread, pad lock held]
  Looper& playingSlice(std::size_t i);
  PhraseSettings playingPhrase();
  // Takes a phrase read with a loop, without notification; the views show it. [main-thread]
  void takePhrase(const PhraseSettings& phrase);
  // The same without the views, for the pad switch under the pad lock. [any-thread]
  void storePhrase(const PhraseSettings& phrase);
  // Pad `index` plays from now on: its slices restart, a stored pad brings its swing grid.
  // [audio-thread, real-time safe, pad lock held]
  void startPlaying(std::int32_t index);
  // A trigger note of the live input: pad `index` plays at once through the ready pads, as a
  // switch in the render pass does, and the user-interface thread completes the switch
  // announcing "Tamborak::LoadLoop". [any-thread: the host's input thread, real-time safe]
  void switchLive(std::int32_t index);
  // The fill plays at the end of the bar of song tick `time` (nothing for a negative time).
  // [any-thread, real-time safe when the song's conversions are]
  void requestLiveFill(SongTick time);
  // Playback goes on from `time` (a start or a host's loop): a live fill asked for in another bar,
  // or in a bar already ended, is forgotten rather than played whenever the song reaches its bar
  // again. [audio-thread, real-time safe when the song's conversions are]
  void keepLiveFillAt(SongTick time);
  // The latest bar line one cycle of the playing slices after `t`. [audio-thread, pad lock held]
  SongTick playingCycleEnd(SongTick t);
  // Brings the slices to the pad playing: stores pad slicesPad_, exchanges the slices with the
  // ready set (or clears them for an empty pad), then takes the loaded pad's variation range and
  // volume. [main-thread, not real-time safe]
  void completeSwitch(bool notify);
  // A ready set read from a loop block; without one, six empty slices. [main-thread, not
  // real-time safe: reads patterns]
  std::unique_ptr<ReadySet> buildReadySet(const std::string* block);
  // Each ready slice rebuilds its velocity curve from the engine's controls. [main-thread]
  void rebuildReadyCurves();

  // Start and end of a host window: reads the host's resolution, takes the sink.
  void startWindow(EventSink* sink);
  void endWindow();
  void renderSlices(SongTick from, SongTick to);
  // The conversions at a given resolution (the host's meter map when connected).
  std::int32_t toTicks(std::int32_t resolution, std::int32_t measure, std::int32_t beat, std::int32_t tick);
  void fromTicks(std::int32_t resolution, std::int32_t ticks, std::int32_t& measure, std::int32_t& beat,
                 std::int32_t& tick);
  // Lets go of the song and leaves the connected list.
  void releaseHost();
  // Parsed blocks, applied only when whole (engine/TamborakState.cpp).
  struct SettingsRecord;
  struct StateRecord;
  void applySettings(const SettingsRecord& settings);
  void applyState(StateRecord& state);
  // Every stored pad but the slices' own gets its ready set anew. [main-thread, not real-time safe]
  void rebuildReadySets();
  // The six slices as the loop block reads and writes them.
  LoopSlices loopSlices() const;
  // Takes `name` as the volume without asking and without notification: the name, the swing grid
  // that follows from it, and the views. [main-thread]
  void selectVolumeSilently(const std::string& name);
  // The off-line warning, unless the user switched it off.
  void warnOffline();
  // Every registered view shows `item` again.
  void refreshViews(TamborakView::Item item);
  // Tells the views that pad `index` follows pad `old` from the render pass: one message to the
  // engine's own target, which passes "Velmora_ViewsSetLoopIdx" on to each view, so the render
  // pass never reads the views list. [any-thread]
  void announceLoopIdx(std::int32_t index, std::int32_t old);
  // Posts "Velmora_ViewsSetLoopIdx" to every registered view. [main-thread]
  void tellViews(std::int32_t index, std::int32_t old);
  // [main-thread] The engine's target: completes the pad switch, then tells the views.
  void onEngineMessage(platform::UiMessage message, std::uintptr_t index, std::intptr_t old);
  // Clamped store of a control; true when the value differs from the stored one.
  bool store(Relaxed<std::int32_t>& control, std::int32_t value, std::int32_t low, std::int32_t high);
  // Each slice's view draws again; with the curves, each slice rebuilds its velocity curve first.
  void redrawSlices();
  void rebuildCurves();

  std::array<std::unique_ptr<Looper>, kPartCount> slices_;
  // What ControlApi::slice hands out, made on first use; they go before the slices.
  std::array<std::unique_ptr<SliceAdapter>, kPartCount> sliceApis_;
  NoteNamesProvider noteNamesProvider_;
  Relaxed<std::int32_t> veloMin_{30};
  Relaxed<std::int32_t> veloMax_{127};
  const bool isMfxFilter_;
  Relaxed<bool> connected_{false};
  // Whether this engine took the stored "Globals" in: only then may it write them back.
  bool globalsRead_ = false;
  bool keepMissingNoteNames_ = false;
  SongHost* song_ = nullptr;
  HostLink* const hostLink_;
  std::int32_t displayMinVelo_ = 20;
  EventSink* sink_ = nullptr;
  // The host's resolution for other threads; ProcessContext::ticksPerQuarter is the render
  // thread's copy.
  Relaxed<std::int32_t> hostTicksPerQuarter_{240};
  std::int32_t emittedCount_ = 0;
  Relaxed<bool> playing_{false};
  std::unique_ptr<OwnPadBank> quickPads_;
  Relaxed<std::int32_t> loopIdx_{0};
  Relaxed<std::int32_t> slicesPad_{0};
  // The swing grid of the slices' volume, for a switch back to slicesPad_.
  Relaxed<std::int32_t> slicesSwing_{0};
  // Ready sets by pad (null: none yet or not needed), and the set of an empty pad. The render
  // pass reads them, the user-interface thread swaps them, both under padLock_.
  std::array<std::unique_ptr<ReadySet>, kPadCount> ready_;
  std::unique_ptr<ReadySet> emptySet_;
  std::mutex padLock_;
  // A live-input switch waits for its completion, which then announces the loaded loop.
  std::atomic<bool> liveSwitchPending_{false};
  Relaxed<std::int32_t> returnLoopIdx_{-1};
  Relaxed<SongTick> switchTime_{0};
  Relaxed<std::int32_t> returnMode_{0};
  Relaxed<bool> restartOnChange_{true};
  Relaxed<std::int32_t> swingPc_{0};
  Relaxed<std::int32_t> swingDurIdx_{1};
  Relaxed<std::int32_t> veloDyn_{0};
  Relaxed<std::int32_t> veloCenterPc_{0};
  const std::int32_t notesLimit_ = 0;
  Relaxed<std::int32_t> humanizeVelo_{0};
  Relaxed<std::int32_t> humanizeVeloTrend_{0};
  Relaxed<bool> quantize_{false};
  // The phrase of the slices' loop (a ready set keeps its own).
  Relaxed<std::int32_t> phraseBars_{0};
  Relaxed<std::int32_t> fillLength_{0};
  Relaxed<bool> crashAfterFill_{false};
  // A live fill asked for at the end of bar liveFillBar_ (0: none), forgotten once the render
  // pass reaches liveFillEnd_, the downbeat after it.
  Relaxed<std::int32_t> liveFillBar_{0};
  Relaxed<SongTick> liveFillEnd_{0};
  std::string volumeName_;
  Relaxed<std::int32_t> patternGroup_{-1};
  DrumMap drumMap_;
  NoteNames noteNames_;
  std::array<bool, kSliceCount> savedMute_{};
  Relaxed<std::int32_t> outChannel_{-1};
  Relaxed<std::int32_t> outPort_{0};
  Relaxed<std::int32_t> exportBars_{4};
  Relaxed<std::int32_t> exportOption_{0};
  Relaxed<std::int32_t> triggerLowKey_{36};
  Relaxed<std::int32_t> triggerHighKey_{45};
  Relaxed<bool> triggerEnabled_{false};
  // Written and read on the user-interface thread only.
  std::vector<TamborakView*> views_;
  platform::UiTarget uiTarget_ = platform::kNoTarget;
  platform::Prompt* prompt_ = nullptr;
  platform::KeyState* keyState_ = nullptr;
  std::function<bool()> loopSaver_;
  PatternProblem patternProblem_;
  platform::Clipboard* clipboard_ = &platform::systemClipboard();
  platform::FileDrag* fileDrag_ = &platform::systemFileDrag();
  LoopExporter loopExporter_ = [](Tamborak& engine, std::string& smf) {
    CUniString stream(smf);
    return engine.exportLoop(stream);
  };
  std::string dragFolder_;
};

}  // namespace velmora
