// Points the settings of a test at a place of its own and removes it afterwards: a fresh
// configuration folder for the registry file on POSIX (TAMBORAK_CONFIG_DIR), and the scratch key
// HKEY_CURRENT_USER\Software\Velmora\TamborakTest, deleted before and after the test.
#pragma once

#include <cstdlib>
#include <string>

#include "platform/Registry.h"
#include "tests/TempFolder.h"

namespace velmora::test {

class ScratchRegistry {
 public:
  // The scratch application key, relative to HKEY_CURRENT_USER\Software.
  static constexpr char kApplicationKey[] = "Velmora\\TamborakTest\\2";
  static constexpr char kScratchRoot[] = "Software\\Velmora\\TamborakTest";

  ScratchRegistry() {
    setVariable(folder_.path().string().c_str());
    platform::regDeleteTree(platform::kCurrentUser, kScratchRoot);
  }
  ~ScratchRegistry() {
    platform::regDeleteTree(platform::kCurrentUser, kScratchRoot);
    setVariable(nullptr);
  }
  ScratchRegistry(const ScratchRegistry&) = delete;
  ScratchRegistry& operator=(const ScratchRegistry&) = delete;

  const std::filesystem::path& folder() const { return folder_.path(); }

 private:
  static void setVariable(const char* value) {
#ifdef _WIN32
    _putenv_s("TAMBORAK_CONFIG_DIR", value ? value : "");
#else
    if (value) setenv("TAMBORAK_CONFIG_DIR", value, 1);
    else unsetenv("TAMBORAK_CONFIG_DIR");
#endif
  }

  TempFolder folder_;
};

}  // namespace velmora::test
