// The link created through COM finds its presets copied into the sampler's preset folder (one
// new, one already there and left alone, the setting stored), names its page's size and, with a
// display, shows its page in a parent window and ends cleanly with the page shown.
#include "tests/frame/DrHost.h"

#include <windows.h>

#include <fstream>
#include <iterator>
#include <string>

#include "hostapi/ClassIds.h"
#include "hostapi/ComRef.h"
#include "hostapi/DrApi.h"
#include "tests/frame/HostChecks.h"
#include "ui/TamborakPanel.h"

namespace velmora {
namespace {

using namespace hostcheck;

constexpr char kSamplerConfig[] = "SOFTWARE\\FXpansion\\DR008\\Config";
constexpr char kSettings[] = "Software\\Velmora\\Tamborak\\2\\DR-008";

std::string fileText(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

DWORD presetsCopied() {
  DWORD value = 0, size = sizeof value;
  RegGetValueA(HKEY_CURRENT_USER, kSettings, "PresetsCopied", RRF_RT_REG_DWORD, nullptr, &value, &size);
  return value;
}

// The panel's window under `parent`, when one is there and visible.
bool panelShownIn(HWND parent) {
  HWND panel = FindWindowExW(parent, nullptr, L"TamborakPanel", nullptr);
  return panel && IsWindowVisible(panel);
}

}  // namespace

void driveDrLink(const std::filesystem::path& folder, bool withWindow) {
  // The sampler's preset folder (without the trailing separator), one preset of ours beside the
  // DLL and one the sampler has already.
  const std::filesystem::path presets = folder / "SamplerPresets";
  std::filesystem::create_directories(presets);
  std::filesystem::create_directories(folder / "Dr-008");
  std::ofstream(folder / "Dr-008" / "Kit One.drs", std::ios::binary) << "one";
  std::ofstream(folder / "Dr-008" / "Kit Two.drs", std::ios::binary) << "two";
  std::ofstream(presets / "Kit Two.drs", std::ios::binary) << "the sampler's own";
  HKEY config = nullptr;
  RegCreateKeyExA(HKEY_LOCAL_MACHINE, kSamplerConfig, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &config, nullptr);
  const std::string path = presets.string();
  RegSetValueExA(config, "presetPath", 0, REG_SZ, reinterpret_cast<const BYTE*>(path.c_str()),
                 static_cast<DWORD>(path.size() + 1));
  RegCloseKey(config);
  RegDeleteKeyValueA(HKEY_CURRENT_USER, kSettings, "PresetsCopied");

  ComRef<IDrObject> link;
  if (!checkResult(CoCreateInstance(CLSID_TamborakDR, nullptr, CLSCTX_INPROC_SERVER, IID_IDrObject, out(link.put())),
                   S_OK, "CoCreateInstance of the drum-sampler link"))
    return;
  check(fileText(presets / "Kit One.drs") == "one" && fileText(presets / "Kit Two.drs") == "the sampler's own" &&
            presetsCopied() == 1,
        "the link's class object copies the presets, never over the sampler's own, and remembers it");
  RegDeleteTreeA(HKEY_LOCAL_MACHINE, "SOFTWARE\\FXpansion\\DR008");

  std::int32_t width = 0, height = 0;
  check(link->pageSize(&width, &height) == 0 && width == ui::TamborakPanel::kWidth &&
            height == ui::TamborakPanel::kHeight,
        "the link's page has the panel's size");
  HWND frame = nullptr;
  if (withWindow) {
    WNDCLASSW frameClass{};
    frameClass.lpfnWndProc = DefWindowProcW;
    frameClass.hInstance = GetModuleHandleW(nullptr);
    frameClass.lpszClassName = L"TamborakDrHost";
    RegisterClassW(&frameClass);
    frame = CreateWindowW(L"TamborakDrHost", L"Sampler", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 620, 480, nullptr,
                          nullptr, GetModuleHandleW(nullptr), nullptr);
    checkResult(link->showPage(frame), S_OK, "showPage");
    check(panelShownIn(frame), "the page shows the panel in the sampler's window");
  }
  // The sampler lets go with the page still shown: the page goes with the link.
  IDrObject* last = link.get();
  last->AddRef();
  link.reset();
  check(last->Release() == 0, "the last Release ends the link");
  if (frame) {
    check(!panelShownIn(frame), "and the panel goes with it");
    DestroyWindow(frame);
  }
}

}  // namespace velmora
