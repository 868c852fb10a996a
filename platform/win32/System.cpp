#include <windows.h>

#include <string>
#include <vector>

#include "platform/System.h"

namespace velmora::platform {

std::uint32_t millisecondClock() noexcept { return static_cast<std::uint32_t>(GetTickCount64()); }

std::string moduleFolder() {
  HMODULE module = nullptr;
  if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                          reinterpret_cast<LPCSTR>(&moduleFolder), &module))
    return {};
  char name[MAX_PATH];
  const DWORD n = GetModuleFileNameA(module, name, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return {};
  std::string folder(name, n);
  const auto slash = folder.find_last_of('\\');
  return slash == std::string::npos ? std::string() : folder.substr(0, slash);
}

std::string userDataFolder() {
  char appData[MAX_PATH];
  const DWORD n = GetEnvironmentVariableA("APPDATA", appData, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return {};
  return std::string(appData, n) + "\\Velmora\\Tamborak";
}

std::vector<std::string> sharedDataFolders() { return {}; }

bool canCreateFilesIn(const std::string& folder) {
  if (folder.empty()) return false;
  const std::string name = folder + "\\~tamborak-" + std::to_string(GetCurrentProcessId()) + "-" +
                           std::to_string(GetTickCount64()) + ".tmp";
  // Removed by the system when the handle closes.
  const HANDLE file = CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  CloseHandle(file);
  return true;
}

std::string lastErrorText() {
  const DWORD code = GetLastError();
  char* text = nullptr;
  const DWORD n = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                 nullptr, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                                 reinterpret_cast<LPSTR>(&text), 0, nullptr);
  std::string result = n && text ? std::string(text, n) : "error " + std::to_string(code);
  if (text) LocalFree(text);
  while (!result.empty() && (result.back() == '\n' || result.back() == '\r')) result.pop_back();
  return result;
}

}  // namespace velmora::platform
