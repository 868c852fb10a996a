// Regular files and file identities on Windows: only disk files are read.
#include <windows.h>

#include "platform/RegularFile.h"
#include "platform/System.h"

namespace velmora::platform {

namespace {
HANDLE native(std::intptr_t h) { return reinterpret_cast<HANDLE>(h); }
}  // namespace

bool fileIdentity(const std::string& path, FileIdentity& identity) {
  // Backup semantics open folders too; no access right is needed to read the identity.
  HANDLE h = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION info{};
  const bool ok = GetFileInformationByHandle(h, &info) != 0;
  CloseHandle(h);
  if (ok)
    identity = {info.dwVolumeSerialNumber,
                (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
  return ok;
}

std::string linkTarget(const std::string& path) { return path; }

RegularFile::~RegularFile() {
  if (handle_ != -1) CloseHandle(native(handle_));
}

FileRead RegularFile::open(const std::string& path, std::string& error) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    error = "a folder, not a file";
    return FileRead::kNotAFile;
  }
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                         nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    error = lastErrorText();
    return FileRead::kFailed;
  }
  handle_ = reinterpret_cast<std::intptr_t>(h);
  if (GetFileType(h) != FILE_TYPE_DISK) {
    error = "not a regular file (a device, pipe or socket)";
    return FileRead::kNotAFile;
  }
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(h, &size)) {
    error = lastErrorText();
    return FileRead::kFailed;
  }
  size_ = static_cast<std::uint64_t>(size.QuadPart);
  return FileRead::kRead;
}

std::int64_t RegularFile::read(void* buffer, std::size_t count, std::string& error) {
  DWORD n = 0;
  const DWORD want = count > 0x40000000u ? 0x40000000u : static_cast<DWORD>(count);
  if (!ReadFile(native(handle_), buffer, want, &n, nullptr)) {
    error = lastErrorText();
    return -1;
  }
  return n;
}

}  // namespace velmora::platform
