#define _CRT_RAND_S  // rand_s: random numbers from the system, for unpredictable names
#include <stdlib.h>
#include <windows.h>

#include <cstdio>

#include "platform/SafeSave.h"
#include "platform/System.h"

namespace velmora::platform {

namespace {

// 64 unpredictable bits as 16 hex digits.
std::string randomName() {
  unsigned int high = 0, low = 0;
  if (rand_s(&high) != 0 || rand_s(&low) != 0) {  // never on a supported system; the tick count then
    high ^= GetCurrentProcessId();
    low ^= GetTickCount();
  }
  char text[17];
  std::snprintf(text, sizeof text, "%08x%08x", high, low);
  return text;
}

// Creates a new file beside `path` (CREATE_NEW: never an existing file or link), writes the
// bytes and flushes it. Its path and held slot, or empty with `error` and `code` set (nothing
// left behind).
std::string writeTemporary(const std::string& path, std::string_view bytes, int& slot, std::string& error,
                           DWORD& code) {
  for (int attempt = 0; attempt < 16; ++attempt) {
    const std::string temp = path + ".tmp" + randomName();
    HANDLE h = CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE && GetLastError() == ERROR_FILE_EXISTS) continue;
    if (h == INVALID_HANDLE_VALUE) break;
    slot = holdTemporary(temp);
    DWORD n = 0;
    const bool written = WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &n, nullptr) &&
                         n == bytes.size() && FlushFileBuffers(h);
    if (!written) code = GetLastError(), error = path + ": " + lastErrorText();
    CloseHandle(h);
    if (written) return temp;
    DeleteFileA(temp.c_str());
    releaseTemporary(slot);
    slot = -1;
    return {};
  }
  code = GetLastError();
  error = path + ": " + lastErrorText();
  return {};
}

// Moves the temporary file to `path` with `moveFlags`; on failure removes it, sets `error` and
// `code`.
bool moveInto(const std::string& temp, int slot, const std::string& path, DWORD moveFlags, std::string& error,
              DWORD& code) {
  const bool moved = MoveFileExA(temp.c_str(), path.c_str(), moveFlags | MOVEFILE_WRITE_THROUGH);
  if (!moved) {
    code = GetLastError();
    error = path + ": " + lastErrorText();
    DeleteFileA(temp.c_str());
  }
  releaseTemporary(slot);
  return moved;
}

bool saveThroughTemporary(const std::string& path, std::string_view bytes, DWORD moveFlags, std::string& error,
                          DWORD& code) {
  code = ERROR_SUCCESS;
  int slot = -1;
  const std::string temp = writeTemporary(path, bytes, slot, error, code);
  return !temp.empty() && moveInto(temp, slot, path, moveFlags, error, code);
}

void deletePath(const char* path) { DeleteFileA(path); }

// Runs on a thread of its own when the console breaks: remove, then let the default end the process.
BOOL WINAPI removeLiveOnBreak(DWORD) {
  forEachLiveTemporary(deletePath);
  return FALSE;
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

bool TemporaryFile::create(const std::string& target, std::string_view bytes, std::string& error) {
  discard();
  DWORD code = 0;
  path_ = writeTemporary(target, bytes, slot_, error, code);
  target_ = target;
  return !path_.empty();
}

bool TemporaryFile::commit(std::string& error) {
  DWORD code = 0;
  const bool moved = moveInto(path_, slot_, target_, MOVEFILE_REPLACE_EXISTING, error, code);
  slot_ = -1;
  path_.clear();
  return moved;
}

void removeTemporaryFilesOnSignals() { SetConsoleCtrlHandler(removeLiveOnBreak, TRUE); }

}  // namespace velmora::platform
