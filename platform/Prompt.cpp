#include "platform/Prompt.h"

namespace velmora::platform {

PromptAnswer refusal(PromptButtons buttons) {
  switch (buttons) {
    case PromptButtons::kOk: return PromptAnswer::kOk;
    case PromptButtons::kYesNo: return PromptAnswer::kNo;
    case PromptButtons::kOkCancel:
    case PromptButtons::kYesNoCancel: break;
  }
  return PromptAnswer::kCancel;
}

std::optional<std::string> Prompt::askSavePath(const SavePathRequest&) { return std::nullopt; }

PromptAnswer Prompt::warn(const std::string& text, const std::string& title, bool, bool& switchedOff) {
  switchedOff = false;
  return ask(text, title, PromptButtons::kOk, PromptIcon::kExclamation);
}

PromptAnswer ScriptedPrompt::warn(const std::string& text, const std::string& title, bool canSwitchOff,
                                  bool& switchedOff) {
  switchedOff = canSwitchOff && tickSwitchOff;
  return ask(text, title, PromptButtons::kOk, PromptIcon::kExclamation);
}

std::optional<std::string> ScriptedPrompt::askSavePath(const SavePathRequest& request) {
  savesAsked_.push_back(request);
  if (paths_.empty()) return std::nullopt;
  std::optional<std::string> path = std::move(paths_.front());
  paths_.pop_front();
  return path;
}

PromptAnswer ScriptedPrompt::ask(const std::string& text, const std::string& title, PromptButtons buttons,
                                 PromptIcon icon) {
  asked_.push_back({text, title, buttons, icon});
  if (answers_.empty()) return refusal(buttons);
  const PromptAnswer answer = answers_.front();
  answers_.pop_front();
  return answer;
}

}  // namespace velmora::platform
