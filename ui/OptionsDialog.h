// The options dialog: the engine's drum map (edited in place, named maps in the drum-map folder),
// the note-name set, and the output, drag-and-drop, remote-control, mode and velocity-limit
// options. Drum map and note names change at once and are put back on Cancel; the other options
// are range-checked and applied on OK. [main-thread, not real-time safe: reads and writes files]
#pragma once

#include <memory>
#include <string>

#include "engine/ControlApi.h"
#include "ui/DialogControls.h"
#include "ui/DialogWindow.h"

namespace velmora::ui {

class OptionsDialog : public DialogWindow {
 public:
  // Control identifiers.
  enum : int {
    kHelp = 9, kOk = 1, kCancel = 2, kRemote = 2007, kChannel = 5000, kDrumList = 5004, kPort = 5005,
    kDrumMapName = 5006, kSaveMap = 5007, kDeleteMap = 5008, kMeasures = 5009, kTracks = 5010, kBaseKey = 5011,
    kMode = 5012, kNoteNames = 5013, kVeloFrom = 5014, kVeloTo = 5015,
  };
  static constexpr int kWidth = dluX(186), kHeight = dluY(287);

  // Reads the engine's options and starts editing its drum map; notes the note-name set for
  // Cancel.
  OptionsDialog(ControlApi& engine, WindowServices& services);
  ~OptionsDialog() override;

  // Range-checks the number fields (a value out of range is said through the prompt, nothing is
  // applied and the dialog stays open), then applies every option and closes.
  void ok() override;
  // Puts back the note-name set and the drum map the dialog opened with, and closes.
  void cancel() override;

  // ControlOwner
  void onNotify(Control& control, Notify what) override;

  // The controls, for the window backends and the tests.
  ComboEdit& drumMapName() { return *mapName_; }
  ReportList& drumList() { return *list_; }
  DropList& noteNames() { return *noteNames_; }
  DropList& port() { return *port_; }
  DropList& channel() { return *channel_; }
  DropList& tracks() { return *tracks_; }
  DropList& mode() { return *mode_; }
  EditBox& measures() { return *measures_; }
  EditBox& baseKey() { return *baseKey_; }
  EditBox& veloFrom() { return *veloFrom_; }
  EditBox& veloTo() { return *veloTo_; }
  CheckBox& remote() { return *remote_; }

 private:
  void build();
  void fillList();
  void refreshRows();
  // The field's number when it holds one within low..high; otherwise the message, focus on it.
  bool readField(EditBox& field, int low, int high, int& value);

  ControlApi& engine_;
  std::unique_ptr<DrumMapEditor> map_;
  std::string originalNoteNames_;
  ComboEdit* mapName_ = nullptr;
  ReportList* list_ = nullptr;
  DropList *noteNames_ = nullptr, *port_ = nullptr, *channel_ = nullptr, *tracks_ = nullptr, *mode_ = nullptr;
  EditBox *measures_ = nullptr, *baseKey_ = nullptr, *veloFrom_ = nullptr, *veloTo_ = nullptr;
  CheckBox* remote_ = nullptr;
};

}  // namespace velmora::ui
