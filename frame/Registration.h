// The registry entries that make the plug-in known: its classes under HKEY_CLASSES_ROOT\CLSID
// and the two lists of the hosts that load it (MIDI filters, drum-sampler link objects).
#pragma once

#include <string>
#include <vector>

#include "hostapi/ComTypes.h"
#include "platform/Registry.h"

namespace velmora {

// Result of a registration that could not write or delete every key (SELFREG_E_CLASS).
inline constexpr HRESULT kSelfRegClassError = static_cast<HRESULT>(0x80040201u);

// A CLSID in its registry form: braces, upper-case hexadecimal, 38 characters. [any-thread]
std::string clsidText(const CLSID& clsid);

// One key the server writes: root and path, and the default value of a class key ("" for the
// list keys, which have no values). Class keys get the "InprocServer32" sub-key.
struct RegistrationKey {
  platform::RegKey root;
  std::string path;
  std::string className;  // empty for a list entry
};
// The five keys in the order they are written and deleted. [any-thread]
std::vector<RegistrationKey> registrationKeys();

// Writes every key, going on past failures. S_OK when all were written, kSelfRegClassError
// otherwise. `programPath` is the full path of the plug-in's file.
// [main-thread, not real-time safe: registry I/O]
HRESULT registerServer(const std::string& programPath);
// Deletes every key with all its sub-keys, going on past failures. S_OK when none of them is left
// (keys that were never there count as deleted), kSelfRegClassError otherwise.
// [main-thread, not real-time safe: registry I/O]
HRESULT unregisterServer();

}  // namespace velmora
