// The process itself as the host integration reads it. Memory goes through ReadProcessMemory on
// the own process, which fails instead of faulting on an address that is not mapped. The host's
// document templates belong to its application framework, which this module cannot reach, and
// its routines have no calling convention we could rely on: neither is used.
#include <windows.h>

#include <vector>

#include "platform/HostImage.h"

namespace velmora::platform {
namespace {

// The version resource of `module`; empty when it has none.
std::vector<char> versionBlock(HMODULE module) {
  char path[MAX_PATH];
  const DWORD length = GetModuleFileNameA(module, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return {};
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeA(path, &ignored);
  if (size == 0) return {};
  std::vector<char> block(size);
  if (!GetFileVersionInfoA(path, 0, size, block.data())) return {};
  return block;
}

HMODULE handleOf(HostAddress module) { return reinterpret_cast<HMODULE>(static_cast<std::uintptr_t>(module)); }

class ProcessImage final : public HostImage {
 public:
  bool read(HostAddress address, void* out, std::size_t size) const override {
    if (address == 0 || address > UINTPTR_MAX) return false;
    SIZE_T done = 0;
    return ReadProcessMemory(GetCurrentProcess(), reinterpret_cast<LPCVOID>(static_cast<std::uintptr_t>(address)), out,
                             size, &done) &&
           done == size;
  }

  HostAddress moduleAt(const std::string& fileName) const override {
    return reinterpret_cast<std::uintptr_t>(GetModuleHandleA(fileName.c_str()));
  }

  bool fileVersion(HostAddress module, std::string& version) const override {
    const std::vector<char> block = versionBlock(handleOf(module));
    if (block.empty()) return false;
    struct Translation {
      WORD language, codePage;
    };
    Translation* translations = nullptr;
    UINT size = 0;
    if (!VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translations), &size) ||
        size < sizeof(Translation))
      return false;
    char key[64];
    wsprintfA(key, "\\StringFileInfo\\%04x%04x\\FileVersion", translations[0].language, translations[0].codePage);
    char* text = nullptr;
    if (!VerQueryValueA(block.data(), key, reinterpret_cast<void**>(&text), &size) || !text) return false;
    version.assign(text, strnlen(text, size));
    return true;
  }

  bool hasVersionLanguage(HostAddress module, std::uint16_t language) const override {
    return FindResourceExA(handleOf(module), MAKEINTRESOURCEA(16), MAKEINTRESOURCEA(1), language) != nullptr;
  }

  HostAddress documentTemplate(const std::string&) const override { return 0; }
  std::vector<HostAddress> documents(HostAddress) const override { return {}; }
  bool call(HostAddress, HostAddress, HostAddress, std::uint32_t&) override { return false; }
};

}  // namespace

HostImage& HostImage::running() {
  static ProcessImage image;
  return image;
}

}  // namespace velmora::platform
