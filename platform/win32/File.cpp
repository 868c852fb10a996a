// velmora::io::File on Windows: CreateFileA with read-sharing for read-only openers.
#include "platform/File.h"

#include <windows.h>

#include "platform/System.h"

namespace velmora::io {
namespace {
HANDLE native(File::Handle h) { return reinterpret_cast<HANDLE>(h); }
}  // namespace

File::File(const std::string& name, std::uint32_t access, std::uint32_t creation) { open(name, access, creation); }

File::~File() { close(); }

bool File::open(const std::string& name, std::uint32_t access, std::uint32_t creation) {
  close();
  const DWORD share = access == kGenericRead ? FILE_SHARE_READ : 0;
  HANDLE h = CreateFileA(name.c_str(), access, share, nullptr, creation, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    platform::trace("%s: %s\n", name.c_str(), platform::lastErrorText().c_str());
    return false;
  }
  handle_ = reinterpret_cast<Handle>(h);
  return true;
}

void File::close() {
  if (handle_ == kNone) return;
  CloseHandle(native(handle_));
  handle_ = kNone;
}

std::uint32_t File::size() { return handle_ == kNone ? 0 : GetFileSize(native(handle_), nullptr); }

std::uint32_t File::seek(std::int32_t offset, std::uint32_t origin) {
  return handle_ == kNone ? 0 : SetFilePointer(native(handle_), offset, nullptr, origin);
}

std::uint32_t File::read(void* buffer, std::uint32_t count) {
  DWORD n = 0;
  if (handle_ == kNone || !ReadFile(native(handle_), buffer, count, &n, nullptr)) return 0;
  return n;
}

std::uint32_t File::write(const void* buffer, std::uint32_t count) {
  DWORD n = 0;
  if (handle_ == kNone || !WriteFile(native(handle_), buffer, count, &n, nullptr)) return 0;
  return n;
}

}  // namespace velmora::io
