// The Windows prompt: a system message box owned by a window of the plug-in. Only the frame and
// its tests include this header.
#pragma once

#include <cstdint>
#include <string>

#include "platform/Prompt.h"

namespace velmora::platform {

class MessageBoxPrompt : public Prompt {
 public:
  // `owner` is the window handle that owns the boxes (0: none).
  explicit MessageBoxPrompt(std::uintptr_t owner) : owner_(owner) {}
  // [main-thread, not real-time safe: modal]
  PromptAnswer ask(const std::string& text, const std::string& title, PromptButtons buttons, PromptIcon icon) override;
  // The system's save dialog, with its overwrite question. [main-thread, not real-time safe: modal]
  std::optional<std::string> askSavePath(const SavePathRequest& request) override;
  // The warning dialog (template 5020): the text (control 5021), the box that switches the
  // warning off (control 5022, hidden when it cannot be), OK. [main-thread, modal]
  PromptAnswer warn(const std::string& text, const std::string& title, bool canSwitchOff, bool& switchedOff) override;

 private:
  std::uintptr_t owner_;
};

// The MessageBox style bits for the buttons and icon, and the answer for a MessageBox result
// (anything unknown, such as a failed box, reads as the refusal). [any-thread]
unsigned messageBoxStyle(PromptButtons buttons, PromptIcon icon);
PromptAnswer messageBoxAnswer(int result, PromptButtons buttons);

// The ids of the warning dialog's controls, and the text of its box.
inline constexpr int kWarningTextId = 5021, kWarningSwitchOffId = 5022;
inline constexpr char kWarningSwitchOffText[] = "Do not show this warning again";

// A "Description|pattern|...||" filter as the save dialog takes it: each bar becomes a NUL, and
// the text ends with two NULs even when the bars at its end are missing. [any-thread]
std::string saveDialogFilter(const std::string& filter);

}  // namespace velmora::platform
