// The ITamborak face of the filter object: each call is checked (null pointers) and forwarded to
// the engine's control API; booleans and outcomes become the face's results. Reference counting
// and QueryInterface belong to the object that owns the face.
// [main-thread, not real-time safe, as the control API]
#pragma once

#include "engine/Tamborak.h"
#include "frame/ITamborak.h"

namespace velmora {

class TamborakFace final : public ITamborak {
 public:
  TamborakFace(IUnknown& owner, Tamborak& engine) : owner_(owner), engine_(engine) {}
  // The engine behind the face. [any-thread]
  Tamborak& engine() { return engine_; }
  TamborakFace(const TamborakFace&) = delete;
  TamborakFace& operator=(const TamborakFace&) = delete;

  STDMETHOD(QueryInterface)(REFIID iid, void** object) override { return owner_.QueryInterface(iid, object); }
  STDMETHOD_(ULONG, AddRef)() override { return owner_.AddRef(); }
  STDMETHOD_(ULONG, Release)() override { return owner_.Release(); }

  HRESULT addView(TamborakView* view) override;
  void removeView(TamborakView* view) override;
  HRESULT updatePlayPositions() override;
  HRESULT Random(Looper* slice) override;
  Looper* getSlice(std::int32_t index) override;
  std::string getLoopsFolder() override;
  std::string getDrumMapsFolder() override;
  bool saveLoop(CUniStream& stream, bool markSaved) override;
  bool LoadLoop(CUniStream& stream, int notify) override;
  void clearLoop() override;
  HRESULT ResetPars() override;
  void setDrumMap(const DrumMap& map) override;
  DrumMap* getDrumMap() override;
  void drumMapChanged() override;
  void setOutput(std::int32_t channel, std::int32_t port) override;
  std::int32_t getOutput(std::int32_t* channel, std::int32_t* port) override;
  void setExportBars(std::int32_t count) override;
  std::int32_t getExportBars() override;
  HRESULT dragLoop() override;
  void setLoopIdx(std::int32_t index, bool immediate, std::int32_t returnMode) override;
  std::int32_t getLoopIdx() override;
  void setExportOption(std::int32_t value) override;
  std::int32_t getExportOption() override;
  void setTriggerLowKey(std::int32_t key) override;
  std::int32_t getTriggerLowKey() override;
  void setTriggerEnabled(bool on) override;
  bool getTriggerEnabled() override;
  void setRestartOnChange(bool on) override;
  bool getRestartOnChange() override;
  bool isDetachedFromSequencer() override;
  HRESULT togglePlayback() override;
  void changed(const char* name) override;
  void setSwingPc(std::int32_t value, bool notify) override;
  std::int32_t getSwingPc() const override;
  void setSwingDurIdx(std::int32_t value, bool notify) override;
  std::int32_t getSwingDurIdx() const override;
  std::int32_t getSwingDivision() const override;
  void setVeloDyn(std::int32_t value, bool notify) override;
  std::int32_t getVeloDyn() const override;
  void setVeloCenterPC(std::int32_t value, bool notify) override;
  std::int32_t getVeloCenterPC() const override;
  std::int32_t getNotesLimit() const override;
  void setHumanizeVelo(std::int32_t value, bool notify) override;
  std::int32_t getHumanizeVelo() const override;
  void setHumanizeVeloTrend(std::int32_t value, bool notify) override;
  std::int32_t getHumanizeVeloTrend() const override;
  void setQuantize(bool on, bool notify) override;
  bool getQuantize() const override;
  void setVeloMin(std::int32_t value) override;
  std::int32_t getVeloMin() const override;
  void setVeloMax(std::int32_t value) override;
  std::int32_t getVeloMax() const override;
  HRESULT fillInstrumentFlatCombo(FlatComboBox* combo) override;
  HRESULT fillInstrumentCombo(ComboBox* combo) override;
  HRESULT onInstrumentCombo(ComboBox* combo) override;
  HRESULT onInstrumentFlatCombo(FlatComboBox* combo) override;
  void selectNoteNames(const std::string& title) override;
  NoteNames* getNoteNames() override;
  PatternTree& getPatternLibrary() override;
  void setVolume(const std::string& name) override;
  void setPatternGroup(std::int32_t value, bool apply) override;
  std::int32_t getPatternGroup() const override;
  std::string getVolumeName() override;
  bool isMfxFilter() override;

 private:
  IUnknown& owner_;
  Tamborak& engine_;
};

}  // namespace velmora
