// The editor page of the real DLL in a window of our test host, under wine64 with a virtual X
// server: the host finds the page through the filter, attaches and activates it in a frame window,
// saves a screenshot, clicks "Compose Loop" and a quick pad with mouse messages, and checks that
// the engine changed; then it takes the page down as a host closes it. Last, the warning dialog
// of an off-line connection and the options dialog, each answered by a second thread.
#include "tests/frame/PageHost.h"

#include <windows.h>
#include <ole2.h>
#include <shellapi.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <thread>
#include <vector>

#include "frame/ITamborak.h"
#include "hostapi/ClassIds.h"
#include "hostapi/ComRef.h"
#include "io/UniStream.h"
#include "loops/Looper.h"
#include "sim/HostContext.h"
#include "tests/frame/HostChecks.h"
#include "tests/ui/PanelMouse.h"
#include "ui/TamborakPanel.h"

namespace velmora {
namespace {

using namespace hostcheck;

class Site final : public IPropertyPageSite {
 public:
  STDMETHOD(QueryInterface)(REFIID iid, void** object) override {
    *object = iid == IID_IUnknown || iid == IID_IPropertyPageSite ? this : nullptr;
    if (!*object) return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  STDMETHOD_(ULONG, AddRef)() override { return ++refs; }
  STDMETHOD_(ULONG, Release)() override { return --refs; }
  STDMETHOD(OnStatusChange)(DWORD) override { return S_OK; }
  STDMETHOD(GetLocaleID)(LCID* locale) override {
    *locale = 1033;
    return S_OK;
  }
  STDMETHOD(GetPageContainer)(IUnknown**) override { return E_NOTIMPL; }
  STDMETHOD(TranslateAccelerator)(MSG*) override { return S_FALSE; }
  ULONG refs = 1;
};

// A drop target that takes the file of a CF_HDROP drop.
class FileTarget final : public IDropTarget {
 public:
  STDMETHOD(QueryInterface)(REFIID iid, void** object) override {
    *object = iid == IID_IUnknown || iid == IID_IDropTarget ? this : nullptr;
    if (!*object) return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  STDMETHOD_(ULONG, AddRef)() override { return ++refs; }
  STDMETHOD_(ULONG, Release)() override { return --refs; }
  STDMETHOD(DragEnter)(IDataObject*, DWORD, POINTL, DWORD* effect) override {
    *effect = DROPEFFECT_COPY;
    return S_OK;
  }
  STDMETHOD(DragOver)(DWORD, POINTL, DWORD* effect) override {
    *effect = DROPEFFECT_COPY;
    return S_OK;
  }
  STDMETHOD(DragLeave)() override { return S_OK; }
  STDMETHOD(Drop)(IDataObject* data, DWORD, POINTL, DWORD* effect) override {
    FORMATETC format{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM medium{};
    if (SUCCEEDED(data->GetData(&format, &medium))) {
      wchar_t path[MAX_PATH] = {};
      if (DragQueryFileW(static_cast<HDROP>(medium.hGlobal), 0, path, MAX_PATH)) dropped = path;
      ReleaseStgMedium(&medium);
    }
    *effect = DROPEFFECT_COPY;
    return S_OK;
  }
  std::wstring dropped;
  ULONG refs = 1;
};

// Handles the window messages that arrive within `ms` milliseconds.
void pump(DWORD ms) {
  const DWORD end = GetTickCount() + ms;
  do {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    Sleep(10);
  } while (static_cast<LONG>(end - GetTickCount()) > 0);
}

// As a host that keeps the keyboard for its accelerators: key messages are not dispatched.
void pumpKeepingKeys(DWORD ms) {
  const DWORD end = GetTickCount() + ms;
  do {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
      if (message.message < WM_KEYFIRST || message.message > WM_KEYLAST) DispatchMessageW(&message);
    Sleep(10);
  } while (static_cast<LONG>(end - GetTickCount()) > 0);
}

void click(HWND window, const ui::Rect& r) {
  const LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  PostMessageW(window, WM_MOUSEMOVE, 0, at);
  PostMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, at);
  PostMessageW(window, WM_LBUTTONUP, 0, at);
  pump(300);
}

// The window's pixels as a 24-bit BMP file; gives the number of distinct colours (0: failed).
std::size_t screenshot(HWND window, const std::string& path) {
  RECT r;
  GetClientRect(window, &r);
  const int w = r.right, h = r.bottom;
  if (w <= 0 || h <= 0) return 0;
  HDC screen = GetDC(window);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, w, h, screen, 0, 0, SRCCOPY);
  GdiFlush();
  std::set<std::uint32_t> colours;
  const auto* pixels = static_cast<const std::uint32_t*>(bits);
  const int rowBytes = (w * 3 + 3) & ~3;
  std::vector<char> rows(static_cast<std::size_t>(rowBytes * h));
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const std::uint32_t p = pixels[y * w + x] & 0xFFFFFF;
      colours.insert(p);
      char* to = &rows[static_cast<std::size_t>((h - 1 - y) * rowBytes + x * 3)];  // bottom-up
      to[0] = static_cast<char>(p & 0xFF), to[1] = static_cast<char>(p >> 8 & 0xFF), to[2] = static_cast<char>(p >> 16);
    }
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(window, screen);
  BITMAPINFOHEADER header{sizeof(BITMAPINFOHEADER), w, h, 1, 24, BI_RGB, static_cast<DWORD>(rows.size()), 2835, 2835, 0, 0};
  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof file + sizeof header;
  file.bfSize = file.bfOffBits + static_cast<DWORD>(rows.size());
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(&file), sizeof file);
  out.write(reinterpret_cast<const char*>(&header), sizeof header);
  out.write(rows.data(), static_cast<std::streamsize>(rows.size()));
  return out ? colours.size() : 0;
}

std::string savedState(IUnknown* filter) {
  ComRef<IPersistStream> persist;
  ComRef<IStream> stream;
  if (FAILED(filter->QueryInterface(IID_IPersistStream, out(persist.put()))) ||
      FAILED(CreateStreamOnHGlobal(nullptr, TRUE, stream.put())) || FAILED(persist->Save(stream.get(), FALSE)))
    return {};
  return streamBytes(stream.get());
}

// Connects a new filter as an off-line edit while a second thread answers the warning dialog
// (ticking its box when `tick`); gives whether the dialog came, and its text.
bool connectOffline(bool tick, std::wstring& text) {
  ComRef<IMfxEventFilter> filter;
  if (FAILED(CoCreateInstance(CLSID_Tamborak, nullptr, CLSCTX_INPROC_SERVER, IID_IMfxEventFilter, out(filter.put()))))
    return false;
  sim::HostOptions options;
  options.offline = true;
  ComRef<sim::HostContext> context = sim::create<sim::HostContext>(sim::Song(), options);
  std::atomic<bool> connected{false}, shown{false};
  std::thread answer([&] {
    for (int i = 0; i < 800 && !connected; ++i, Sleep(25)) {
      // Answered once it shows: its controls are made by then.
      HWND dialog = FindWindowW(L"#32770", L"Tamborak");
      if (!dialog || !IsWindowVisible(dialog) || !GetDlgItem(dialog, 5022)) continue;
      shown = true;
      wchar_t buffer[512] = {};
      GetDlgItemTextW(dialog, 5021, buffer, 511);
      text = buffer;
      if (tick) SendMessageW(GetDlgItem(dialog, 5022), BM_SETCHECK, BST_CHECKED, 0);
      PostMessageW(dialog, WM_COMMAND, IDOK, 0);
      return;
    }
  });
  filter->Connect(context->unknown());
  connected = true;
  answer.join();
  filter->Disconnect();
  return shown;
}

DWORD storedOfflineWarning() {
  DWORD value = 0xFFFF, size = sizeof value;
  if (RegGetValueA(HKEY_CURRENT_USER, "Software\\Velmora\\Tamborak\\2\\Warnings", "Offline", RRF_RT_REG_DWORD, nullptr,
                   &value, &size) != ERROR_SUCCESS)
    return 0xFFFF;
  return value;
}

// The off-line warning: shown, switched off with its box, back after the setting returns to 1.
void warnOffline() {
  std::wstring text;
  check(connectOffline(true, text) && text.rfind(L"Tamborak is not simply an effect", 0) == 0,
        "an off-line connection shows the warning dialog with its text");
  check(storedOfflineWarning() == 0, "ticking its box stores Warnings/Offline = 0");
  check(!connectOffline(false, text), "switched off, the warning does not come again");
  const DWORD on = 1;
  RegSetKeyValueA(HKEY_CURRENT_USER, "Software\\Velmora\\Tamborak\\2\\Warnings", "Offline", REG_DWORD, &on, sizeof on);
  check(connectOffline(false, text) && storedOfflineWarning() == 1, "with the setting back at 1 it comes again");
}

}  // namespace

void drivePanelPage(const std::string& shot, const std::string& loop) {
  ComRef<IUnknown> filter;
  if (!checkResult(CoCreateInstance(CLSID_Tamborak, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, out(filter.put())), S_OK,
                   "page host: CoCreateInstance of the filter"))
    return;
  ComRef<ISpecifyPropertyPages> specify;
  CAUUID pages{};
  if (FAILED(filter->QueryInterface(IID_ISpecifyPropertyPages, out(specify.put()))) ||
      !checkResult(specify->GetPages(&pages), S_OK, "GetPages") ||
      !check(pages.cElems == 1 && pages.pElems[0] == CLSID_TamborakPanel, "the filter names its page"))
    return;
  ComRef<IPropertyPage> page;
  const HRESULT made = CoCreateInstance(pages.pElems[0], nullptr, CLSCTX_INPROC_SERVER, IID_IPropertyPage, out(page.put()));
  CoTaskMemFree(pages.pElems);
  if (!checkResult(made, S_OK, "CoCreateInstance of the page")) return;

  WNDCLASSW frameClass{};
  frameClass.lpfnWndProc = DefWindowProcW;
  frameClass.hInstance = GetModuleHandleW(nullptr);
  frameClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  frameClass.lpszClassName = L"TamborakPageHost";
  RegisterClassW(&frameClass);
  // Room below the page for the drop target of the drag further down.
  HWND frame = CreateWindowW(L"TamborakPageHost", L"Tamborak page host", WS_OVERLAPPEDWINDOW | WS_VISIBLE | WS_CLIPCHILDREN,
                             0, 0, 620, ui::TamborakPanel::kHeight + 66, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  if (!check(frame != nullptr, "the host's frame window opens (a display is needed)")) return;

  PROPPAGEINFO info{};
  if (checkResult(page->GetPageInfo(&info), S_OK, "GetPageInfo")) {
    check(std::wstring(info.pszTitle) == L"Tamborak" && info.size.cx == ui::TamborakPanel::kWidth &&
              info.size.cy == ui::TamborakPanel::kHeight,
          "the page is titled Tamborak and has the panel's size");
    CoTaskMemFree(info.pszTitle);
  }
  if (!loop.empty()) {
    std::ifstream in(loop, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    CUniMemoryReader reader(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
    ComRef<ITamborak> engine;
    check(SUCCEEDED(filter->QueryInterface(IID_ITamborak, out(engine.put()))) && engine->LoadLoop(reader, 0),
          "the engine loads " + loop);
  }
  Site site;
  checkResult(page->SetPageSite(&site), S_OK, "SetPageSite");
  IUnknown* objects[] = {filter.get()};
  checkResult(page->SetObjects(1, objects), S_OK, "SetObjects with the filter");
  const RECT at{0, 0, ui::TamborakPanel::kWidth, ui::TamborakPanel::kHeight};
  checkResult(page->Activate(frame, &at, FALSE), S_OK, "Activate in the frame window");
  checkResult(page->Show(SW_SHOW), S_OK, "Show");
  pump(500);
  HWND panel = FindWindowExW(frame, nullptr, L"TamborakPanel", nullptr);
  check(panel != nullptr && IsWindowVisible(panel), "the panel's window is a visible child of the frame");
  if (panel) {
    const std::size_t colours = screenshot(panel, shot);
    check(colours >= 8, "the panel is painted (screenshot " + shot + ")", std::to_string(colours) + " colours");

    ComRef<ITamborak> engine;
    filter->QueryInterface(IID_ITamborak, out(engine.put()));
    const std::string before = savedState(filter.get());
    click(panel, ui::TamborakPanel::kComposeRect);
    const std::string after = savedState(filter.get());
    check(!before.empty() && !after.empty() && after != before, "a click on Compose Loop composes a new loop");
    click(panel, ui::TamborakPanel::padRect(2));
    check(engine && engine->getLoopIdx() == 2, "a click on quick pad 3 switches to it");
    const std::string beforeEnter = savedState(filter.get());
    PostMessageW(panel, WM_KEYDOWN, VK_RETURN, 1);
    PostMessageW(panel, WM_KEYUP, VK_RETURN, 0xC0000001);
    pumpKeepingKeys(300);
    check(savedState(filter.get()) != beforeEnter, "Enter composes through the key hook while the host keeps the keys");

    // Mouse buttons, double clicks and characters as Windows sends them: the second press of a
    // double click comes as a double-click message.
    const auto press = [&](bool right, ui::Point p, int times) {
      for (int i = 0; i < times; ++i) {
        PostMessageW(panel, right ? WM_RBUTTONDOWN : i % 2 ? WM_LBUTTONDBLCLK : WM_LBUTTONDOWN, 0, MAKELPARAM(p.x, p.y));
        PostMessageW(panel, right ? WM_RBUTTONUP : WM_LBUTTONUP, 0, MAKELPARAM(p.x, p.y));
      }
    };
    const auto type = [&](const std::string& digits) {
      for (char c : digits) PostMessageW(panel, WM_CHAR, static_cast<WPARAM>(c), 1);
    };
    const auto facts = [&] {
      pump(200);
      test::PanelFacts f{0, engine->getSlice(0)->file(), engine->getSlice(0)->getParameter(Looper::kVelocityAdjust),
                         engine->getQuantize()};
      for (int i = 0; i < 6; ++i) f.muted |= engine->getSlice(i)->muted() ? 1 << i : 0;
      return f;
    };
    if (engine) test::checkPanelMouse(press, type, facts, [](bool ok, const std::string& what) { check(ok, what); });

    // The options dialog: modal over the frame (disabled meanwhile), painted, closed by its close
    // box as Cancel, leaving the engine as it was.
    const std::string beforeOptions = savedState(filter.get());
    std::atomic<bool> clicked{false}, frameDisabled{false};
    std::atomic<std::size_t> dialogColours{0};
    const std::string dialogShot = std::filesystem::path(shot).replace_filename("page-options.bmp").string();
    std::thread closer([&] {
      for (int i = 0; i < 400 && !clicked; ++i, Sleep(25)) {
        HWND dialog = FindWindowW(L"TamborakDialog", L"Tamborak Options");
        if (!dialog || !IsWindowVisible(dialog)) continue;
        Sleep(300);  // painted by then
        frameDisabled = !IsWindowEnabled(frame);
        dialogColours = screenshot(dialog, dialogShot);
        PostMessageW(dialog, WM_CLOSE, 0, 0);
        return;
      }
    });
    click(panel, ui::TamborakPanel::kOptionsRect);
    clicked = true;
    closer.join();
    check(dialogColours >= 4 && frameDisabled, "Options opens its dialog modal over the frame (screenshot " + dialogShot + ")",
          std::to_string(dialogColours) + " colours");
    check(IsWindowEnabled(frame) && !FindWindowW(L"TamborakDialog", nullptr) && savedState(filter.get()) == beforeOptions,
          "closing the options dialog cancels it and gives the frame back",
          std::string(IsWindowEnabled(frame) ? "" : "frame disabled; ") + (FindWindowW(L"TamborakDialog", nullptr) ? "dialog left; " : "") +
              (savedState(filter.get()) == beforeOptions ? "" : "state changed"));

    // The loop dragged onto a drop target of ours: the drop names the MIDI file in the temporary
    // folder (the button is up, so the drop happens where the pointer is).
    OleInitialize(nullptr);
    FileTarget target;
    RegisterDragDrop(frame, &target);
    RECT area;
    GetWindowRect(panel, &area);
    SetCursorPos(area.left + 20, area.bottom + 20);
    const HRESULT dragged = engine ? engine->dragLoop() : E_FAIL;
    RevokeDragDrop(frame);
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring expected = std::wstring(temp) + L"Tamborak.mid";
    std::ifstream file(std::filesystem::path(expected), std::ios::binary);
    char head[4] = {};
    file.read(head, 4);
    check(dragged == S_OK && target.dropped == expected && std::string(head, 4) == "MThd",
          "dragging the loop drops %TEMP%\\Tamborak.mid, a MIDI file", hex(dragged));
  }

  checkResult(page->Deactivate(), S_OK, "Deactivate");
  checkResult(page->SetObjects(0, nullptr), S_OK, "SetObjects(0) detaches");
  checkResult(page->SetPageSite(nullptr), S_OK, "SetPageSite(null)");
  check(site.refs == 1, "the page lets its site go");
  page.reset();
  DestroyWindow(frame);
  pump(50);
  warnOffline();
}

}  // namespace velmora
