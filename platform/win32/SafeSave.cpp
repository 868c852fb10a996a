#include <windows.h>

#include "platform/SafeSave.h"
#include "platform/System.h"

namespace velmora::platform {

namespace {

// Writes the bytes to a temporary file beside `path`, flushes it and moves it to `path` with
// `moveFlags`; on failure the temporary file is removed, `error` is set and `code` holds the
// system's error.
bool saveThroughTemporary(const std::string& path, std::string_view bytes, DWORD moveFlags, std::string& error,
                          DWORD& code) {
  code = ERROR_SUCCESS;
  const std::string temp = path + ".tmp" + std::to_string(GetCurrentProcessId());
  HANDLE h = CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    code = GetLastError();
    error = path + ": " + lastErrorText();
    return false;
  }
  DWORD n = 0;
  const bool written = WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &n, nullptr) &&
                       n == bytes.size() && FlushFileBuffers(h);
  if (!written) code = GetLastError(), error = path + ": " + lastErrorText();
  CloseHandle(h);
  if (written && !MoveFileExA(temp.c_str(), path.c_str(), moveFlags | MOVEFILE_WRITE_THROUGH))
    code = GetLastError(), error = path + ": " + lastErrorText();
  else if (written)
    return true;
  DeleteFileA(temp.c_str());
  return false;
}

}  // namespace

bool saveFileWhole(const std::string& path, std::string_view bytes, std::string& error) {
  DWORD code = 0;
  return saveThroughTemporary(path, bytes, MOVEFILE_REPLACE_EXISTING, error, code);
}

bool saveNewFileWhole(const std::string& path, std::string_view bytes, std::string& error, bool& exists) {
  DWORD code = 0;
  // Without MOVEFILE_REPLACE_EXISTING the move fails where the name is taken.
  const bool saved = saveThroughTemporary(path, bytes, 0, error, code);
  exists = !saved && (code == ERROR_ALREADY_EXISTS || code == ERROR_FILE_EXISTS);
  return saved;
}

}  // namespace velmora::platform
