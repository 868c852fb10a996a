#include <windows.h>

#include "platform/SafeSave.h"
#include "platform/System.h"

namespace velmora::platform {

bool saveFileWhole(const std::string& path, std::string_view bytes, std::string& error) {
  const std::string temp = path + ".tmp" + std::to_string(GetCurrentProcessId());
  HANDLE h = CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    error = path + ": " + lastErrorText();
    return false;
  }
  DWORD n = 0;
  const bool written = WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &n, nullptr) &&
                       n == bytes.size() && FlushFileBuffers(h);
  if (!written) error = path + ": " + lastErrorText();
  CloseHandle(h);
  if (written && !MoveFileExA(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    error = path + ": " + lastErrorText();
  else if (written)
    return true;
  DeleteFileA(temp.c_str());
  return false;
}

}  // namespace velmora::platform
