// Questions and message boxes for the user. The core asks through this interface and never shows
// a window itself: on Windows the frame hands in a message-box prompt (platform/win32/
// MessageBoxPrompt.h); elsewhere the caller supplies the answers (the command-line program from
// its options, tests from a script).
#pragma once

#include <cstddef>
#include <deque>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

namespace velmora::platform {

enum class PromptButtons { kOk, kOkCancel, kYesNo, kYesNoCancel };
enum class PromptIcon { kNone, kInformation, kQuestion, kExclamation, kError };
enum class PromptAnswer { kOk, kCancel, kYes, kNo };

// What a save dialog offers: the filter ("Description|pattern|...||"), the default extension
// with its dot, the file name it starts with and the folder (native path) it opens in.
struct SavePathRequest {
  std::string filter, extension, initialName, initialFolder;
};

class Prompt {
 public:
  virtual ~Prompt() = default;
  // Shows `text` under `title` with the buttons and icon and gives the button chosen.
  // [main-thread, not real-time safe: waits for the user]
  virtual PromptAnswer ask(const std::string& text, const std::string& title, PromptButtons buttons,
                           PromptIcon icon) = 0;
  // Asks where to save a file, confirming before an existing file is replaced; gives the native
  // path chosen, or nothing on Cancel. Prompts that cannot show a dialog cancel.
  // [main-thread, not real-time safe: waits for the user]
  virtual std::optional<std::string> askSavePath(const SavePathRequest& request);
  // A warning the user may switch off: `text` under `title` with OK and, where `canSwitchOff`, a
  // box that sets `switchedOff` when ticked. Prompts without such a box show the text plainly and
  // leave it unticked. [main-thread, not real-time safe: waits for the user]
  virtual PromptAnswer warn(const std::string& text, const std::string& title, bool canSwitchOff, bool& switchedOff);
};

// The answer that refuses: Cancel where offered, else No, else OK. [any-thread]
PromptAnswer refusal(PromptButtons buttons);

// Answers from a list given beforehand, in order; once the list is used up, every question gets
// the refusal of its buttons. Save dialogs take their paths from a list of their own, and cancel
// once it is used up. Keeps every question and dialog asked. [any-thread, one at a time]
class ScriptedPrompt : public Prompt {
 public:
  struct Question {
    std::string text, title;
    PromptButtons buttons;
    PromptIcon icon;
  };

  ScriptedPrompt() = default;
  explicit ScriptedPrompt(std::initializer_list<PromptAnswer> answers) : answers_(answers) {}

  PromptAnswer ask(const std::string& text, const std::string& title, PromptButtons buttons, PromptIcon icon) override;
  std::optional<std::string> askSavePath(const SavePathRequest& request) override;
  // Asked like any question; the box is ticked when `tickSwitchOff` is set and there is a box.
  PromptAnswer warn(const std::string& text, const std::string& title, bool canSwitchOff, bool& switchedOff) override;
  bool tickSwitchOff = false;

  // Adds an answer at the end of the script.
  void script(PromptAnswer answer) { answers_.push_back(answer); }
  // Adds the outcome of a save dialog at the end of its script (nothing: Cancel).
  void scriptPath(std::optional<std::string> path) { paths_.push_back(std::move(path)); }
  const std::vector<Question>& asked() const { return asked_; }
  const std::vector<SavePathRequest>& savesAsked() const { return savesAsked_; }
  std::size_t unanswered() const { return answers_.size() + paths_.size(); }

 private:
  std::deque<PromptAnswer> answers_;
  std::deque<std::optional<std::string>> paths_;
  std::vector<Question> asked_;
  std::vector<SavePathRequest> savesAsked_;
};

}  // namespace velmora::platform
