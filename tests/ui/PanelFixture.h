// What the user-interface tests share: a panel over a real engine on the default library, reached
// through an ITamborak that passes every call on and keeps the names of the operations called.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "engine/Tamborak.h"
#include "tests/engine/EngineFixture.h"
#include "ui/LoopEditing.h"
#include "ui/Recording.h"
#include "ui/TamborakPanel.h"

namespace velmora::test {

class RecordingEngine final : public ControlApi {
 public:
  explicit RecordingEngine(ControlApi& engine) : e_(engine) {}
  // Operations called, oldest first, and how often one was.
  mutable std::vector<std::string> calls;
  int count(const std::string& name) const { return static_cast<int>(std::count(calls.begin(), calls.end(), name)); }

  bool addView(TamborakView* view) override { note("addView"); return e_.addView(view); }
  void removeView(TamborakView* view) override { note("removeView"); e_.removeView(view); }
  bool updatePlayPositions() override { note("updatePlayPositions"); return e_.updatePlayPositions(); }
  ComposeResult compose(Looper* slice) override { note("Random"); return e_.compose(slice); }
  SliceApi* slice(std::int32_t index) override { note("slice"); return e_.slice(index); }
  std::string getLoopsFolder() override { note("getLoopsFolder"); return e_.getLoopsFolder(); }
  std::string getDrumMapsFolder() override { note("getDrumMapsFolder"); return e_.getDrumMapsFolder(); }
  bool saveLoop(CUniStream& stream, bool markSaved) override { note("saveLoop"); return e_.saveLoop(stream, markSaved); }
  bool LoadLoop(CUniStream& stream, int notify) override { note("LoadLoop"); return e_.LoadLoop(stream, notify); }
  void clearLoop() override { note("clearLoop"); e_.clearLoop(); }
  void ResetPars() override { note("ResetPars"); e_.ResetPars(); }
  std::unique_ptr<DrumMapEditor> editDrumMap() override { note("editDrumMap"); return e_.editDrumMap(); }
  void drumMapChanged() override { note("drumMapChanged"); e_.drumMapChanged(); }
  void setOutput(std::int32_t channel, std::int32_t port) override { note("setOutput"); e_.setOutput(channel, port); }
  std::int32_t getOutput(std::int32_t* channel, std::int32_t* port) override { note("getOutput"); return e_.getOutput(channel, port); }
  void setExportBars(std::int32_t count) override { note("setExportBars"); e_.setExportBars(count); }
  std::int32_t getExportBars() override { note("getExportBars"); return e_.getExportBars(); }
  platform::DragResult dragLoop() override { note("dragLoop"); return e_.dragLoop(); }
  void setLoopIdx(std::int32_t index, bool immediate, std::int32_t returnMode) override { note("setLoopIdx"); e_.setLoopIdx(index, immediate, returnMode); }
  std::int32_t getLoopIdx() override { note("getLoopIdx"); return e_.getLoopIdx(); }
  void setExportOption(std::int32_t value) override { note("setExportOption"); e_.setExportOption(value); }
  std::int32_t getExportOption() override { note("getExportOption"); return e_.getExportOption(); }
  void setTriggerLowKey(std::int32_t key) override { note("setTriggerLowKey"); e_.setTriggerLowKey(key); }
  std::int32_t getTriggerLowKey() override { note("getTriggerLowKey"); return e_.getTriggerLowKey(); }
  void setTriggerEnabled(bool on) override { note("setTriggerEnabled"); e_.setTriggerEnabled(on); }
  bool getTriggerEnabled() override { note("getTriggerEnabled"); return e_.getTriggerEnabled(); }
  void setRestartOnChange(bool on) override { note("setRestartOnChange"); e_.setRestartOnChange(on); }
  bool getRestartOnChange() override { note("getRestartOnChange"); return e_.getRestartOnChange(); }
  bool isDetachedFromSequencer() override { note("isDetachedFromSequencer"); return e_.isDetachedFromSequencer(); }
  bool togglePlayback() override { note("togglePlayback"); return e_.togglePlayback(); }
  void changed(const char* name) override { note("changed"); e_.changed(name); }
  void setSwingPc(std::int32_t value, bool notify) override { note("setSwingPc"); e_.setSwingPc(value, notify); }
  std::int32_t getSwingPc() const override { note("getSwingPc"); return e_.getSwingPc(); }
  void setSwingDurIdx(std::int32_t value, bool notify) override { note("setSwingDurIdx"); e_.setSwingDurIdx(value, notify); }
  std::int32_t getSwingDurIdx() const override { note("getSwingDurIdx"); return e_.getSwingDurIdx(); }
  std::int32_t getSwingDivision() const override { note("getSwingDivision"); return e_.getSwingDivision(); }
  void setVeloDyn(std::int32_t value, bool notify) override { note("setVeloDyn"); e_.setVeloDyn(value, notify); }
  std::int32_t getVeloDyn() const override { note("getVeloDyn"); return e_.getVeloDyn(); }
  void setVeloCenterPC(std::int32_t value, bool notify) override { note("setVeloCenterPC"); e_.setVeloCenterPC(value, notify); }
  std::int32_t getVeloCenterPC() const override { note("getVeloCenterPC"); return e_.getVeloCenterPC(); }
  std::int32_t getNotesLimit() const override { note("getNotesLimit"); return e_.getNotesLimit(); }
  void setHumanizeVelo(std::int32_t value, bool notify) override { note("setHumanizeVelo"); e_.setHumanizeVelo(value, notify); }
  std::int32_t getHumanizeVelo() const override { note("getHumanizeVelo"); return e_.getHumanizeVelo(); }
  void setHumanizeVeloTrend(std::int32_t value, bool notify) override { note("setHumanizeVeloTrend"); e_.setHumanizeVeloTrend(value, notify); }
  std::int32_t getHumanizeVeloTrend() const override { note("getHumanizeVeloTrend"); return e_.getHumanizeVeloTrend(); }
  void setQuantize(bool on, bool notify) override { note("setQuantize"); e_.setQuantize(on, notify); }
  bool getQuantize() const override { note("getQuantize"); return e_.getQuantize(); }
  void setPhraseBars(std::int32_t v, bool notify) override { note("setPhraseBars"); e_.setPhraseBars(v, notify); }
  std::int32_t getPhraseBars() const override { note("getPhraseBars"); return e_.getPhraseBars(); }
  void setFillLength(std::int32_t v, bool notify) override { note("setFillLength"); e_.setFillLength(v, notify); }
  std::int32_t getFillLength() const override { note("getFillLength"); return e_.getFillLength(); }
  void setCrashAfterFill(bool on, bool notify) override { note("setCrashAfterFill"); e_.setCrashAfterFill(on, notify); }
  bool getCrashAfterFill() const override { note("getCrashAfterFill"); return e_.getCrashAfterFill(); }
  void setVeloMin(std::int32_t value) override { note("setVeloMin"); e_.setVeloMin(value); }
  std::int32_t getVeloMin() const override { note("getVeloMin"); return e_.getVeloMin(); }
  void setVeloMax(std::int32_t value) override { note("setVeloMax"); e_.setVeloMax(value); }
  std::int32_t getVeloMax() const override { note("getVeloMax"); return e_.getVeloMax(); }
  void fillInstrumentFlatCombo(FlatComboBox& combo) override { note("fillInstrumentFlatCombo"); e_.fillInstrumentFlatCombo(combo); }
  void fillInstrumentCombo(ComboBox& combo) override { note("fillInstrumentCombo"); e_.fillInstrumentCombo(combo); }
  bool onInstrumentCombo(ComboBox& combo) override { note("onInstrumentCombo"); return e_.onInstrumentCombo(combo); }
  bool onInstrumentFlatCombo(FlatComboBox& combo) override { note("onInstrumentFlatCombo"); return e_.onInstrumentFlatCombo(combo); }
  void selectNoteNames(const std::string& title) override { note("selectNoteNames"); e_.selectNoteNames(title); }
  std::string noteName(int key) override { note("noteName"); return e_.noteName(key); }
  std::string noteNamesTitle() override { note("noteNamesTitle"); return e_.noteNamesTitle(); }
  std::string instrumentName(int key) override { note("instrumentName"); return e_.instrumentName(key); }
  void fillNoteMenu(PopupMenu& menu, int mapIndex, int currentKey) override { note("fillNoteMenu"); e_.fillNoteMenu(menu, mapIndex, currentKey); }
  bool copyLoop() override { note("copyLoop"); return e_.copyLoop(); }
  bool pasteLoop() override { note("pasteLoop"); return e_.pasteLoop(); }
  bool saveLoopAs() override { note("saveLoopAs"); return e_.saveLoopAs(); }
  Choices volumeChoices() override { note("volumeChoices"); return e_.volumeChoices(); }
  void setVolume(const std::string& name) override { note("setVolume"); e_.setVolume(name); }
  void setPatternGroup(std::int32_t value, bool apply) override { note("setPatternGroup"); e_.setPatternGroup(value, apply); }
  std::int32_t getPatternGroup() const override { note("getPatternGroup"); return e_.getPatternGroup(); }
  std::string getVolumeName() override { note("getVolumeName"); return e_.getVolumeName(); }
  bool isMfxFilter() override { note("isMfxFilter"); return e_.isMfxFilter(); }

 private:
  void note(const char* name) const { calls.emplace_back(name); }
  ControlApi& e_;
};

// The loop editing of the engine, with a Save As whose outcome the test sets.
struct ScriptedEditing : ui::TamborakEditing {
  using ui::TamborakEditing::TamborakEditing;
  bool saveLoopAs() override {
    ++saves;
    return saveSucceeds;
  }
  bool saveSucceeds = false;
  int saves = 0;
};

class PanelTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    face_ = makeEngine();
    engine_ = &engineOf(face_);
    engine_->setClipboard(&clipboard_);
    fillLoop(*engine_);
    recorder_ = std::make_unique<RecordingEngine>(*engine_);
    editing_ = std::make_unique<ScriptedEditing>(*engine_);
    panel_ = std::make_unique<ui::TamborakPanel>(*recorder_, *editing_, services_);
    panel_->activate();
  }
  void TearDown() override {
    panel_.reset();
    face_ = {};
    EngineTest::TearDown();
  }

  Tamborak& engine() { return *engine_; }
  ui::TamborakPanel& panel() { return *panel_; }
  Looper& slice(int i) { return *engine_->getSlice(i); }
  ui::Point centre(int id) {
    const ui::Rect r = panel_->control(id)->rect();
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  }
  void click(int id, unsigned mods = ui::kNoMods, ui::MouseButton button = ui::MouseButton::kLeft) {
    panel_->mouseDown(centre(id), button, mods);
    panel_->mouseUp(centre(id), button);
  }
  // What the panel shows, as drawn on a recording canvas.
  ui::RecordingCanvas painted() {
    ui::RecordingCanvas canvas;
    panel_->paint(canvas);
    return canvas;
  }

  platform::MemoryClipboard clipboard_;
  ui::RecordingServices services_;
  ComRef<IMfxEventFilter> face_;
  Tamborak* engine_ = nullptr;
  std::unique_ptr<RecordingEngine> recorder_;
  std::unique_ptr<ScriptedEditing> editing_;
  std::unique_ptr<ui::TamborakPanel> panel_;
};

}  // namespace velmora::test
