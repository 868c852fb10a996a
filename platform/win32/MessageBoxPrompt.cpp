#include <windows.h>

#include <commdlg.h>

#include <algorithm>
#include <vector>

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

std::string saveDialogFilter(const std::string& filter) {
  std::string out = filter;
  for (char& c : out)
    if (c == '|') c = '\0';
  while (out.size() < 2 || out[out.size() - 1] != '\0' || out[out.size() - 2] != '\0') out.push_back('\0');
  return out;
}

std::optional<std::string> MessageBoxPrompt::askSavePath(const SavePathRequest& request) {
  const std::string filter = saveDialogFilter(request.filter);
  const std::string extension = request.extension.starts_with('.') ? request.extension.substr(1) : request.extension;
  std::vector<char> file(32768, '\0');
  request.initialName.copy(file.data(), std::min(request.initialName.size(), file.size() - 1));
  OPENFILENAMEA dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = reinterpret_cast<HWND>(owner_);
  dialog.lpstrFilter = filter.c_str();
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = file.data();
  dialog.nMaxFile = static_cast<DWORD>(file.size());
  dialog.lpstrInitialDir = request.initialFolder.empty() ? nullptr : request.initialFolder.c_str();
  dialog.lpstrDefExt = extension.empty() ? nullptr : extension.c_str();
  dialog.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
  if (!GetSaveFileNameA(&dialog)) return std::nullopt;
  return std::string(file.data());
}

PromptAnswer MessageBoxPrompt::ask(const std::string& text, const std::string& title, PromptButtons buttons,
                                   PromptIcon icon) {
  const int result = MessageBoxA(reinterpret_cast<HWND>(owner_), text.c_str(), title.c_str(), messageBoxStyle(buttons, icon));
  return messageBoxAnswer(result, buttons);
}

}  // namespace velmora::platform
