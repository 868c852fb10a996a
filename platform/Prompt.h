// Questions and message boxes for the user. The core asks through this interface and never shows
// a window itself: on Windows the frame hands in a message-box prompt (platform/win32/
// MessageBoxPrompt.h); elsewhere the caller supplies the answers (the command-line program from
// its options, tests from a script).
#pragma once

#include <cstddef>
#include <deque>
#include <initializer_list>
#include <string>
#include <vector>

namespace velmora::platform {

enum class PromptButtons { kOk, kOkCancel, kYesNo, kYesNoCancel };
enum class PromptIcon { kNone, kInformation, kQuestion, kExclamation, kError };
enum class PromptAnswer { kOk, kCancel, kYes, kNo };

class Prompt {
 public:
  virtual ~Prompt() = default;
  // Shows `text` under `title` with the buttons and icon and gives the button chosen.
  // [main-thread, not real-time safe: waits for the user]
  virtual PromptAnswer ask(const std::string& text, const std::string& title, PromptButtons buttons,
                           PromptIcon icon) = 0;
};

// The answer that refuses: Cancel where offered, else No, else OK. [any thread]
PromptAnswer refusal(PromptButtons buttons);

// Answers from a list given beforehand, in order; once the list is used up, every question gets
// the refusal of its buttons. Keeps every question asked. [one thread at a time]
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

  // Adds an answer at the end of the script.
  void script(PromptAnswer answer) { answers_.push_back(answer); }
  const std::vector<Question>& asked() const { return asked_; }
  std::size_t unanswered() const { return answers_.size(); }

 private:
  std::deque<PromptAnswer> answers_;
  std::vector<Question> asked_;
};

}  // namespace velmora::platform
