#include "frame/Registration.h"

#include <cstdio>

#include "hostapi/ClassIds.h"

namespace velmora {

std::string clsidText(const CLSID& clsid) {
  char text[40];
  std::snprintf(text, sizeof text, "{%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                static_cast<unsigned long>(clsid.Data1), unsigned{clsid.Data2}, unsigned{clsid.Data3},
                unsigned{clsid.Data4[0]}, unsigned{clsid.Data4[1]}, unsigned{clsid.Data4[2]}, unsigned{clsid.Data4[3]},
                unsigned{clsid.Data4[4]}, unsigned{clsid.Data4[5]}, unsigned{clsid.Data4[6]}, unsigned{clsid.Data4[7]});
  return text;
}

std::vector<RegistrationKey> registrationKeys() {
  using namespace platform;
  return {
      {kLocalMachine, "Software\\Cakewalk Music Software\\MIDI Filters\\" + clsidText(CLSID_Tamborak), ""},
      {kClassesRoot, "CLSID\\" + clsidText(CLSID_Tamborak), "Velmora Tamborak"},
      {kClassesRoot, "CLSID\\" + clsidText(CLSID_TamborakPanel), "Velmora Tamborak Property Page"},
      {kLocalMachine, "Software\\FXpansion\\DrAPI\\" + clsidText(CLSID_TamborakDR), ""},
      {kClassesRoot, "CLSID\\" + clsidText(CLSID_TamborakDR), "Velmora Tamborak DR"},
  };
}

namespace {
// Creates `path` under `root` and, when `value` is given, sets its default value.
bool writeKey(platform::RegKey root, const std::string& path, const std::string* value) {
  platform::RegKey key = platform::kNoKey;
  if (platform::regCreateKey(root, path, platform::kKeyAllAccess, key) != platform::kErrorSuccess) return false;
  const bool written = !value || platform::regSetString(key, "", *value) == platform::kErrorSuccess;
  platform::regCloseKey(key);
  return written;
}
}  // namespace

HRESULT registerServer(const std::string& programPath) {
  bool complete = true;
  for (const RegistrationKey& entry : registrationKeys()) {
    if (entry.className.empty()) {
      complete &= writeKey(entry.root, entry.path, nullptr);
      continue;
    }
    complete &= writeKey(entry.root, entry.path, &entry.className);
    complete &= writeKey(entry.root, entry.path + "\\InprocServer32", &programPath);
  }
  return complete ? S_OK : kSelfRegClassError;
}

HRESULT unregisterServer() {
  bool complete = true;
  for (const RegistrationKey& entry : registrationKeys()) {
    const std::int32_t code = platform::regDeleteTree(entry.root, entry.path);
    complete &= code == platform::kErrorSuccess || code == platform::kErrorFileNotFound;
  }
  return complete ? S_OK : kSelfRegClassError;
}

}  // namespace velmora
