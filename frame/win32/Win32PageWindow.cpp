// The editor page's window on Windows: a child of the host's window that paints the panel with
// GDI through an off-screen bitmap and hands it the mouse, the keys and its timers. Dialogs open
// in modal popup windows of their own, painted the same way.
#include <windows.h>
#include <windowsx.h>

#include <cwchar>
#include <functional>
#include <string>

#include "frame/PageWindow.h"
#include "platform/win32/MessageBoxPrompt.h"
#include "ui/DialogWindow.h"
#include "ui/Strings.h"
#include "ui/TamborakPanel.h"
#include "ui/Tooltip.h"
#include "ui/win32/GdiCanvas.h"

namespace velmora {

namespace {

constexpr wchar_t kClassName[] = L"TamborakPanel";

HINSTANCE moduleInstance() {
  HMODULE module = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCWSTR>(&moduleInstance), &module);
  return module;
}

unsigned heldModifiers() {
  return (GetKeyState(VK_SHIFT) < 0 ? ui::kShift : 0u) | (GetKeyState(VK_CONTROL) < 0 ? ui::kCtrl : 0u) |
         (GetKeyState(VK_MENU) < 0 ? ui::kAlt : 0u);
}

std::wstring wide(const std::string& text) {
  const int n = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, nullptr, 0);
  std::wstring out(static_cast<std::size_t>(n > 0 ? n : 1), L'\0');
  if (n > 0) MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, out.data(), n);
  out.resize(out.size() - 1);
  return out;
}

HMENU buildMenu(const std::vector<ui::MenuItem>& items) {
  HMENU menu = CreatePopupMenu();
  for (const ui::MenuItem& item : items) {
    if (item.separator) {
      AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
      continue;
    }
    std::string label = item.label;
    for (char& c : label)
      if (c == '\b') c = '\t';  // the key name goes to the right edge
    UINT flags = MF_STRING | (item.grayed ? MF_GRAYED : 0u) | (item.checked ? MF_CHECKED : 0u) |
                 (item.newColumn ? MF_MENUBARBREAK : 0u);
    UINT_PTR id = item.command;
    if (!item.submenu.empty()) {
      flags |= MF_POPUP;
      id = reinterpret_cast<UINT_PTR>(buildMenu(item.submenu));
    }
    AppendMenuW(menu, flags, id, wide(label).c_str());
    if (item.isDefault) SetMenuDefaultItem(menu, item.command, FALSE);
  }
  return menu;
}

// Registers a window class of this module with double clicks and the arrow cursor; true when it
// is registered (now or before).
bool registerWindowClass(const wchar_t* name, WNDPROC proc) {
  WNDCLASSW wc{};
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = proc;
  wc.hInstance = moduleInstance();
  wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  wc.lpszClassName = name;
  return RegisterClassW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

// Shows `menu` at `at` in `hwnd`'s client coordinates; gives the chosen command, 0 when none.
std::uint32_t popupMenu(HWND hwnd, const ui::Menu& menu, ui::Point at) {
  POINT p{at.x, at.y};
  ClientToScreen(hwnd, &p);
  HMENU popup = buildMenu(menu.items);
  const BOOL chosen = TrackPopupMenu(popup, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, p.x, p.y, 0, hwnd, nullptr);
  DestroyMenu(popup);  // with its sub-menus
  return static_cast<std::uint32_t>(chosen);
}

// Paints `draw` through an off-screen bitmap of `width` by `height` pixels (no flicker).
void paintBuffered(HWND hwnd, int width, int height, const std::function<void(ui::Canvas&)>& draw) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  HDC memory = CreateCompatibleDC(dc);
  HBITMAP bitmap = CreateCompatibleBitmap(dc, width, height);
  HGDIOBJ old = SelectObject(memory, bitmap);
  {
    ui::GdiCanvas canvas(memory);
    draw(canvas);
  }
  BitBlt(dc, 0, 0, width, height, memory, 0, 0, SRCCOPY);
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  EndPaint(hwnd, &ps);
}

// A dialog in a popup window of its own, owned by the page's top-level window, which is disabled
// while the dialog's message loop runs. Its repaints, menus and questions are the popup's; help,
// the clipboard and nested dialogs go to the page.
class Win32DialogWindow final : public ui::WindowServices {
 public:
  Win32DialogWindow(ui::DialogWindow& dialog, ui::WindowServices& page) : dialog_(dialog), page_(page), prompt_(0) {}

  void run(HWND pageWindow) {
    static const bool registered = registerWindowClass(kDialogClassName, &Win32DialogWindow::windowProc);
    if (!registered) return;
    HWND owner = GetAncestor(pageWindow, GA_ROOT);
    const ui::Rect size = dialog_.bounds();
    const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU, exStyle = WS_EX_DLGMODALFRAME;
    RECT frame{0, 0, size.width(), size.height()};
    AdjustWindowRectEx(&frame, style, FALSE, exStyle);
    RECT ownerBox{};
    GetWindowRect(owner, &ownerBox);
    const int w = frame.right - frame.left, h = frame.bottom - frame.top;
    const int x = ownerBox.left + (ownerBox.right - ownerBox.left - w) / 2, y = ownerBox.top + (ownerBox.bottom - ownerBox.top - h) / 2;
    hwnd_ = CreateWindowExW(exStyle, kDialogClassName, wide(dialog_.title()).c_str(), style, x, y, w, h, owner, nullptr,
                            moduleInstance(), this);
    if (!hwnd_) return;
    prompt_ = platform::MessageBoxPrompt(reinterpret_cast<std::uintptr_t>(hwnd_));
    dialog_.setServices(this);
    EnableWindow(owner, FALSE);
    ShowWindow(hwnd_, SW_SHOW);
    SetFocus(hwnd_);
    MSG message;
    while (!dialog_.closed()) {
      const BOOL got = GetMessageW(&message, nullptr, 0, 0);
      if (got <= 0) {
        // The application quits: the dialog cancels and the quit goes on to the outer loop.
        if (got == 0) PostQuitMessage(static_cast<int>(message.wParam));
        dialog_.cancel();
        break;
      }
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    dialog_.setServices(nullptr);
    EnableWindow(owner, TRUE);
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    DestroyWindow(hwnd_);
    hwnd_ = nullptr;
    SetActiveWindow(owner);
  }

  void invalidate(const ui::Rect& r) override {
    const RECT box{r.left, r.top, r.right, r.bottom};
    if (hwnd_) InvalidateRect(hwnd_, &box, FALSE);
  }
  void setTimer(int, int) override {}
  void killTimer(int) override {}
  void captureMouse() override {
    if (hwnd_) SetCapture(hwnd_);
  }
  void releaseMouse() override {
    if (GetCapture() == hwnd_) ReleaseCapture();
  }
  void showTooltip(const std::string&, const ui::Rect&) override {}
  void setWindowText(const std::string&) override {}
  std::uint32_t trackMenu(const ui::Menu& menu, ui::Point at) override { return hwnd_ ? popupMenu(hwnd_, menu, at) : 0; }
  void runDialog(ui::Dialog dialog) override { page_.runDialog(dialog); }
  void runModal(ui::DialogWindow& dialog) override { page_.runModal(dialog); }
  platform::Prompt& prompt() override { return prompt_; }
  bool clipboardHas(const std::string& format) override { return page_.clipboardHas(format); }
  void startDrag() override {}
  void beep() override { MessageBeep(MB_ICONASTERISK); }

 private:
  static constexpr wchar_t kDialogClassName[] = L"TamborakDialog";

  static LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
      auto* self = static_cast<Win32DialogWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<Win32DialogWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self && self->handle(hwnd, message, wParam, lParam)) return 0;
    return DefWindowProcW(hwnd, message, wParam, lParam);
  }

  bool handle(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    const ui::Point p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    switch (message) {
      case WM_PAINT:
        paintBuffered(hwnd, dialog_.bounds().width(), dialog_.bounds().height(), [this](ui::Canvas& c) { dialog_.paint(c); });
        return true;
      case WM_ERASEBKGND: return true;
      case WM_CLOSE: dialog_.cancel(); return true;
      case WM_LBUTTONDOWN: dialog_.mouseDown(p, ui::MouseButton::kLeft, heldModifiers()); return true;
      case WM_LBUTTONDBLCLK: dialog_.doubleClick(p); return true;
      case WM_RBUTTONDOWN: dialog_.mouseDown(p, ui::MouseButton::kRight, heldModifiers()); return true;
      case WM_MOUSEMOVE: dialog_.mouseMove(p); return true;
      case WM_LBUTTONUP: dialog_.mouseUp(p); return true;
      case WM_MOUSEWHEEL: {
        POINT at{p.x, p.y};
        ScreenToClient(hwnd, &at);
        dialog_.wheel({at.x, at.y}, GET_WHEEL_DELTA_WPARAM(wParam) / WHEEL_DELTA);
        return true;
      }
      case WM_KEYDOWN: return dialog_.key(static_cast<int>(wParam), heldModifiers());
      case WM_CHAR: return wParam >= 0x20 && wParam < 0x80 && dialog_.character(static_cast<char>(wParam));
      default: return false;
    }
  }

  ui::DialogWindow& dialog_;
  ui::WindowServices& page_;
  platform::MessageBoxPrompt prompt_;
  HWND hwnd_ = nullptr;
};

void runDialogWindow(HWND page, ui::WindowServices& services, ui::DialogWindow& dialog) {
  Win32DialogWindow window(dialog, services);
  window.run(page);
}

// The host keeps the keyboard for its own accelerators, so while any page window exists a
// message hook on the user-interface thread hands the panel's keys to the page window at once and
// hides them from the host; an R typed into the page is dropped. Shared by all page windows.
bool isPageWindow(HWND window) {
  wchar_t name[32] = {};
  return window && GetClassNameW(window, name, 32) && std::wcscmp(name, kClassName) == 0;
}

bool isPanelKey(WPARAM key, LPARAM flags) {
  switch (key) {
    case VK_BACK: case VK_TAB: case VK_LEFT: case VK_UP: case VK_RIGHT: case VK_DOWN: case VK_INSERT:
    case VK_DELETE: case 61: case 'M': case 'P': case 'S': case VK_ADD: case VK_SUBTRACT:
      return true;
    case VK_RETURN:
      return (flags & (1 << 24)) == 0;  // the main Enter, not the keypad's
    default:
      return key >= '0' && key <= '9';
  }
}

LRESULT CALLBACK keyHook(int code, WPARAM removal, LPARAM lParam) {
  auto* message = reinterpret_cast<MSG*>(lParam);
  if (code == HC_ACTION && removal == PM_REMOVE && isPageWindow(message->hwnd)) {
    if (message->message == WM_CHAR && (message->wParam == 'R' || message->wParam == 'r')) {
      message->message = WM_NULL;
    } else if (message->message >= WM_KEYFIRST && message->message <= WM_SYSDEADCHAR &&
               isPanelKey(message->wParam, message->lParam)) {
      TranslateMessage(message);
      DispatchMessageW(message);
      message->message = WM_NULL;
    }
  }
  return CallNextHookEx(nullptr, code, removal, lParam);
}

struct KeyHook {
  HHOOK hook = nullptr;
  int users = 0;
};
KeyHook& keyHookState() {
  static KeyHook state;
  return state;
}
void useKeyHook() {
  KeyHook& state = keyHookState();
  if (state.users++ == 0) state.hook = SetWindowsHookExW(WH_GETMESSAGE, keyHook, nullptr, GetCurrentThreadId());
}
void releaseKeyHook() {
  KeyHook& state = keyHookState();
  if (state.users > 0 && --state.users == 0 && state.hook) {
    UnhookWindowsHookEx(state.hook);
    state.hook = nullptr;
  }
}

class Win32PageWindow final : public PageWindow, public ui::WindowServices {
 public:
  ui::WindowServices& services() override { return *this; }
  Win32PageWindow() : prompt_(0) {}
  ~Win32PageWindow() override {
    if (hwnd_) {
      SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
      DestroyWindow(hwnd_);
    }
    if (hooked_) releaseKeyHook();
  }
  Win32PageWindow(const Win32PageWindow&) = delete;
  Win32PageWindow& operator=(const Win32PageWindow&) = delete;

  bool create(HWND parent, const ui::Rect& r) override {
    static const bool registered = registerWindowClass(kClassName, &Win32PageWindow::windowProc);
    if (!registered) return false;
    hwnd_ = CreateWindowExW(WS_EX_CONTROLPARENT, kClassName, L"Tamborak", WS_CHILD | WS_CLIPCHILDREN | WS_TABSTOP,
                            r.left, r.top, r.right - r.left, r.bottom - r.top, parent, nullptr, moduleInstance(), this);
    prompt_ = platform::MessageBoxPrompt(reinterpret_cast<std::uintptr_t>(hwnd_));
    if (hwnd_ && !hooked_) {
      useKeyHook();
      hooked_ = true;
    }
    return hwnd_ != nullptr;
  }
  bool created() const override { return hwnd_ != nullptr; }
  void show(bool visible) override {
    if (hwnd_) ShowWindow(hwnd_, visible ? SW_SHOW : SW_HIDE);
  }
  void move(const ui::Rect& r) override {
    if (hwnd_) MoveWindow(hwnd_, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
  }
  void setPanel(ui::TamborakPanel* panel) override {
    panel_ = panel;
    invalidate(ui::TamborakPanel::bounds());
  }

  // WindowServices
  void invalidate(const ui::Rect& r) override {
    if (!hwnd_) return;
    const RECT box{r.left, r.top, r.right, r.bottom};
    InvalidateRect(hwnd_, &box, FALSE);
  }
  void setTimer(int id, int periodMs) override {
    if (hwnd_) SetTimer(hwnd_, static_cast<UINT_PTR>(id), static_cast<UINT>(periodMs), nullptr);
  }
  void killTimer(int id) override {
    if (hwnd_) KillTimer(hwnd_, static_cast<UINT_PTR>(id));
  }
  void captureMouse() override {
    if (hwnd_) SetCapture(hwnd_);
  }
  void releaseMouse() override {
    if (GetCapture() == hwnd_) ReleaseCapture();
  }
  void showTooltip(const std::string& tip, const ui::Rect& r) override {
    if (tip == tooltip_ && (tip.empty() || (r.left == tipArea_.left && r.top == tipArea_.top))) return;
    tooltip_ = tip;
    tipArea_ = r;
    invalidate(ui::TamborakPanel::bounds());
  }
  void setWindowText(const std::string& text) override {
    if (hwnd_) SetWindowTextW(hwnd_, wide(text).c_str());
  }
  std::uint32_t trackMenu(const ui::Menu& menu, ui::Point at) override {
    if (!hwnd_) return 0;
    showTooltip({}, {});
    return popupMenu(hwnd_, menu, at);
  }
  void runDialog(ui::Dialog dialog) override { ui::showDialogMessage(*this, dialog); }
  // The options dialog is not shown in a window of its own here yet: the message stands for it.
  void runModal(ui::DialogWindow& dialog) override {
    if (hwnd_) runDialogWindow(hwnd_, *this, dialog);
  }
  platform::Prompt& prompt() override { return prompt_; }
  bool clipboardHas(const std::string& format) override {
    const UINT id = RegisterClipboardFormatA(format.c_str());
    return id != 0 && IsClipboardFormatAvailable(id);
  }
  // The system's drag loop takes the mouse from here.
  void startDrag() override { releaseMouse(); }
  void beep() override { MessageBeep(MB_ICONASTERISK); }

 private:
  static LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
      auto* self = static_cast<Win32PageWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<Win32PageWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self && self->handle(hwnd, message, wParam, lParam)) return 0;
    if (message == WM_GETDLGCODE) return DLGC_WANTALLKEYS | DLGC_WANTCHARS | DLGC_WANTARROWS;
    return DefWindowProcW(hwnd, message, wParam, lParam);
  }

  // True when the message was handled.
  bool handle(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PAINT) {
      paint(hwnd);
      return true;
    }
    if (message == WM_ERASEBKGND) return true;
    if (message == WM_NCDESTROY) {
      hwnd_ = nullptr;
      return false;
    }
    if (!panel_) return false;
    const ui::Point p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    switch (message) {
      case WM_LBUTTONDOWN:
        SetFocus(hwnd);
        panel_->mouseDown(p, ui::MouseButton::kLeft, heldModifiers());
        return true;
      case WM_LBUTTONDBLCLK:
        // Comes in place of the second WM_LBUTTONDOWN; its WM_LBUTTONUP follows.
        SetFocus(hwnd);
        panel_->doubleClick(p, heldModifiers());
        return true;
      case WM_RBUTTONDOWN:
        SetFocus(hwnd);
        panel_->mouseDown(p, ui::MouseButton::kRight, heldModifiers());
        return true;
      case WM_RBUTTONUP:
        // Buttons act on the release, of either button (the mute button's right click solos).
        panel_->mouseUp(p, ui::MouseButton::kRight);
        return true;
      case WM_MOUSEMOVE: {
        TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, hwnd, 0};
        TrackMouseEvent(&track);
        panel_->mouseMove(p);
        return true;
      }
      case WM_MOUSELEAVE:
        showTooltip({}, {});
        return true;
      case WM_LBUTTONUP:
        panel_->mouseUp(p, ui::MouseButton::kLeft);
        return true;
      case WM_MOUSEWHEEL: {
        POINT at{p.x, p.y};
        ScreenToClient(hwnd, &at);
        panel_->wheel({at.x, at.y}, GET_WHEEL_DELTA_WPARAM(wParam) / WHEEL_DELTA);
        return true;
      }
      case WM_KEYDOWN:
      case WM_SYSKEYDOWN:
        return panel_->key(static_cast<int>(wParam), heldModifiers());
      case WM_CHAR:
        return wParam >= 0x20 && wParam < 0x80 && panel_->character(static_cast<char>(wParam));
      case WM_TIMER:
        panel_->onTimer(static_cast<int>(wParam));
        return true;
      default:
        return false;
    }
  }

  void paint(HWND hwnd) {
    paintBuffered(hwnd, ui::TamborakPanel::kWidth, ui::TamborakPanel::kHeight, [this](ui::Canvas& canvas) {
      if (panel_) panel_->paint(canvas);
      if (!tooltip_.empty()) ui::paintTooltip(canvas, tooltip_, tipArea_, ui::TamborakPanel::bounds());
    });
  }

  HWND hwnd_ = nullptr;
  bool hooked_ = false;
  ui::TamborakPanel* panel_ = nullptr;
  platform::MessageBoxPrompt prompt_;
  std::string tooltip_;
  ui::Rect tipArea_{};
};

}  // namespace

std::unique_ptr<PageWindow> makeSystemPageWindow() { return std::make_unique<Win32PageWindow>(); }

}  // namespace velmora
