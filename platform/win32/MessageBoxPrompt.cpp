#include <windows.h>

#include "platform/win32/MessageBoxPrompt.h"

namespace velmora::platform {

unsigned messageBoxStyle(PromptButtons buttons, PromptIcon icon) {
  unsigned style = 0;
  switch (buttons) {
    case PromptButtons::kOk: style = MB_OK; break;
    case PromptButtons::kOkCancel: style = MB_OKCANCEL; break;
    case PromptButtons::kYesNo: style = MB_YESNO; break;
    case PromptButtons::kYesNoCancel: style = MB_YESNOCANCEL; break;
  }
  switch (icon) {
    case PromptIcon::kNone: break;
    case PromptIcon::kInformation: style |= MB_ICONINFORMATION; break;
    case PromptIcon::kQuestion: style |= MB_ICONQUESTION; break;
    case PromptIcon::kExclamation: style |= MB_ICONEXCLAMATION; break;
    case PromptIcon::kError: style |= MB_ICONERROR; break;
  }
  return style;
}

PromptAnswer messageBoxAnswer(int result, PromptButtons buttons) {
  switch (result) {
    case IDOK: return PromptAnswer::kOk;
    case IDYES: return PromptAnswer::kYes;
    case IDNO: return PromptAnswer::kNo;
    case IDCANCEL: return PromptAnswer::kCancel;
    default: return refusal(buttons);
  }
}

PromptAnswer MessageBoxPrompt::ask(const std::string& text, const std::string& title, PromptButtons buttons,
                                   PromptIcon icon) {
  const int result = MessageBoxA(reinterpret_cast<HWND>(owner_), text.c_str(), title.c_str(), messageBoxStyle(buttons, icon));
  return messageBoxAnswer(result, buttons);
}

}  // namespace velmora::platform
