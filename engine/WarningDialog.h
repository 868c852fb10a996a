// CWarningDlg: one warning that the user can switch off, remembered per key in the stored
// setting "Warnings"/key (0 or less: switched off). The filter warns this way when a host runs it
// as an off-line edit instead of a real-time effect.
#pragma once

#include <string>

#include "platform/Prompt.h"

namespace velmora {

class CWarningDlg {
 public:
  // Reads the setting (default 1). An empty key: the warning cannot be switched off.
  // [main-thread, not real-time safe: reads the settings]
  CWarningDlg(std::string text, std::string key);
  // Stores the choice again once the warning was shown or found switched off.
  ~CWarningDlg();
  CWarningDlg(const CWarningDlg&) = delete;
  CWarningDlg& operator=(const CWarningDlg&) = delete;

  // OK at once when switched off; else shows the warning through `prompt` under `title` (no
  // prompt: nothing is shown) and, on OK, stores 0 when the box was ticked, else 1.
  // [main-thread, not real-time safe: waits for the user]
  platform::PromptAnswer showIfWanted(platform::Prompt* prompt, const std::string& title);
  bool switchedOff() const { return switchedOff_; }

 private:
  void store() const;

  std::string text_, key_;
  bool switchedOff_ = false;
  bool decided_ = false;  // shown, or found switched off: the choice is stored again at the end
};

}  // namespace velmora
