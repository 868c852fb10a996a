// The registry on Windows: the system's own, through the ANSI functions.
#include <windows.h>

#include "platform/Registry.h"

namespace velmora::platform {
namespace {
HKEY native(RegKey key) { return reinterpret_cast<HKEY>(key); }
}  // namespace

std::int32_t regOpenKey(RegKey parent, const std::string& subkey, std::uint32_t access, RegKey& result) {
  HKEY key = nullptr;
  const LONG code = RegOpenKeyExA(native(parent), subkey.c_str(), 0, access, &key);
  result = code == ERROR_SUCCESS ? reinterpret_cast<RegKey>(key) : kNoKey;
  return code;
}

std::int32_t regCreateKey(RegKey parent, const std::string& subkey, std::uint32_t access, RegKey& result) {
  HKEY key = nullptr;
  DWORD disposition = 0;
  const LONG code = RegCreateKeyExA(native(parent), subkey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, access,
                                    nullptr, &key, &disposition);
  result = code == ERROR_SUCCESS ? reinterpret_cast<RegKey>(key) : kNoKey;
  return code;
}

void regCloseKey(RegKey key) {
  if (key == kNoKey || key == kCurrentUser || key == kLocalMachine || key == kClassesRoot) return;
  RegCloseKey(native(key));
}

std::int32_t regQueryValue(RegKey key, const std::string& name, std::uint32_t& type, std::string& data) {
  // The value may grow between asking its size and reading it: ask again then.
  for (int attempt = 0; attempt < 8; ++attempt) {
    DWORD t = 0, size = 0;
    LONG code = RegQueryValueExA(native(key), name.c_str(), nullptr, &t, nullptr, &size);
    if (code != ERROR_SUCCESS) return code;
    std::string bytes(size, '\0');
    code = RegQueryValueExA(native(key), name.c_str(), nullptr, &t, reinterpret_cast<BYTE*>(bytes.data()), &size);
    if (code == ERROR_MORE_DATA) continue;
    if (code != ERROR_SUCCESS) return code;
    bytes.resize(size);
    type = t;
    data = std::move(bytes);
    return ERROR_SUCCESS;
  }
  return ERROR_MORE_DATA;
}

std::int32_t regSetValue(RegKey key, const std::string& name, std::uint32_t type, std::string_view data) {
  return RegSetValueExA(native(key), name.c_str(), 0, type, reinterpret_cast<const BYTE*>(data.data()),
                        static_cast<DWORD>(data.size()));
}

std::int32_t regDeleteValue(RegKey key, const std::string& name) { return RegDeleteValueA(native(key), name.c_str()); }

std::int32_t regDeleteTree(RegKey parent, const std::string& subkey) {
  if (subkey.empty()) return ERROR_INVALID_PARAMETER;
  return RegDeleteTreeA(native(parent), subkey.c_str());
}

}  // namespace velmora::platform
