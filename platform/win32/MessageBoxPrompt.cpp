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

namespace {

// An in-memory dialog template: DLGTEMPLATE with its font, then the items, each DWORD-aligned.
class DialogTemplate {
 public:
  DialogTemplate(const std::wstring& title, short width, short height) {
    align(4);
    DLGTEMPLATE head{};
    head.style = DS_MODALFRAME | DS_SETFONT | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU;
    head.cx = width;
    head.cy = height;
    add(&head, sizeof head);
    word(0);  // no menu
    word(0);  // the standard dialog class
    text(title);
    word(8);  // point size
    text(L"Tahoma");
  }
  void item(DWORD style, short x, short y, short w, short h, WORD id, WORD classAtom, const std::wstring& caption) {
    align(4);
    DLGITEMTEMPLATE it{};
    it.style = style | WS_CHILD | WS_VISIBLE;
    it.x = x, it.y = y, it.cx = w, it.cy = h, it.id = id;
    add(&it, sizeof it);
    word(0xFFFF);
    word(classAtom);
    text(caption);
    word(0);  // no creation data
    reinterpret_cast<DLGTEMPLATE*>(bytes_.data())->cdit++;
  }
  const DLGTEMPLATE* get() const { return reinterpret_cast<const DLGTEMPLATE*>(bytes_.data()); }

 private:
  void align(std::size_t to) {
    while (bytes_.size() % to) bytes_.push_back(0);
  }
  void add(const void* p, std::size_t n) {
    const auto* b = static_cast<const char*>(p);
    bytes_.insert(bytes_.end(), b, b + n);
  }
  void word(WORD w) { add(&w, sizeof w); }
  void text(const std::wstring& s) { add(s.c_str(), (s.size() + 1) * sizeof(wchar_t)); }
  std::vector<char> bytes_;
};

std::wstring wideText(const std::string& text) {
  const int n = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, nullptr, 0);
  std::wstring out(static_cast<std::size_t>(n > 0 ? n : 1), L'\0');
  if (n > 0) MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, out.data(), n);
  out.resize(out.size() - 1);
  // The dialog's static text breaks lines at CR LF.
  std::wstring crlf;
  for (wchar_t c : out) {
    if (c == L'\n') crlf.push_back(L'\r');
    crlf.push_back(c);
  }
  return crlf;
}

struct WarningState {
  bool canSwitchOff;
  bool switchedOff;
};

INT_PTR CALLBACK warningProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* state = reinterpret_cast<WarningState*>(GetWindowLongPtrW(dialog, DWLP_USER));
  switch (message) {
    case WM_INITDIALOG:
      SetWindowLongPtrW(dialog, DWLP_USER, lParam);
      state = reinterpret_cast<WarningState*>(lParam);
      if (!state->canSwitchOff) ShowWindow(GetDlgItem(dialog, kWarningSwitchOffId), SW_HIDE);
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
        if (state) state->switchedOff = IsDlgButtonChecked(dialog, kWarningSwitchOffId) == BST_CHECKED;
        EndDialog(dialog, IDOK);
        return TRUE;
      }
      return FALSE;
    default:
      return FALSE;
  }
}

}  // namespace

PromptAnswer MessageBoxPrompt::warn(const std::string& text, const std::string& title, bool canSwitchOff,
                                    bool& switchedOff) {
  DialogTemplate dialog(wideText(title), 260, 140);
  constexpr WORD kButton = 0x0080, kStatic = 0x0082;
  dialog.item(SS_LEFT, 7, 7, 246, 96, kWarningTextId, kStatic, wideText(text));
  dialog.item(BS_AUTOCHECKBOX | WS_TABSTOP, 7, 112, 160, 12, kWarningSwitchOffId, kButton, wideText(kWarningSwitchOffText));
  dialog.item(BS_DEFPUSHBUTTON | WS_TABSTOP, 203, 110, 50, 14, IDOK, kButton, L"OK");
  WarningState state{canSwitchOff, false};
  const INT_PTR result = DialogBoxIndirectParamW(GetModuleHandleW(nullptr), dialog.get(), reinterpret_cast<HWND>(owner_),
                                                 warningProc, reinterpret_cast<LPARAM>(&state));
  if (result == -1) return Prompt::warn(text, title, canSwitchOff, switchedOff);  // no dialog: a message box
  switchedOff = canSwitchOff && state.switchedOff;
  return PromptAnswer::kOk;
}

}  // namespace velmora::platform
