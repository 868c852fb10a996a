// A thin interface over the registry: keys under the three roots, values of any type as raw
// bytes, results as Windows error codes. On Windows it is the registry itself; elsewhere the
// whole registry is one text file in the registry's export format (platform/RegFile.h) in the
// user's configuration folder, which every change reads, changes and writes back whole under a
// lock file, so that processes serialise and a killed process never leaves a torn file.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace velmora::platform {

// A key handle: one of the roots below, or a handle that openKey/createKey gave, to be closed
// with closeKey. The roots have the values of their Windows counterparts.
using RegKey = std::uintptr_t;
inline constexpr RegKey kNoKey = 0;
inline constexpr RegKey kClassesRoot = static_cast<RegKey>(static_cast<std::intptr_t>(std::int32_t(0x80000000u)));
inline constexpr RegKey kCurrentUser = static_cast<RegKey>(static_cast<std::intptr_t>(std::int32_t(0x80000001u)));
inline constexpr RegKey kLocalMachine = static_cast<RegKey>(static_cast<std::intptr_t>(std::int32_t(0x80000002u)));

// Value types.
inline constexpr std::uint32_t kRegNone = 0, kRegSz = 1, kRegExpandSz = 2, kRegBinary = 3, kRegDword = 4;

// Access rights (used on Windows only).
inline constexpr std::uint32_t kKeyRead = 0x20019, kKeyWrite = 0x20006, kKeyAllAccess = 0xF003F;

// Results.
inline constexpr std::int32_t kErrorSuccess = 0, kErrorFileNotFound = 2, kErrorInvalidHandle = 6,
                              kErrorOutOfMemory = 14, kErrorInvalidParameter = 87, kErrorBadPathname = 161,
                              kErrorMoreData = 234, kErrorRegistryIoFailed = 1016, kErrorKeyDeleted = 1018;

// Every operation: [any-thread, not real-time safe: file or registry I/O]. Sub-key paths are
// relative to `parent`, components separated by backslashes.

// Opens an existing key; kErrorFileNotFound when it is missing.
std::int32_t regOpenKey(RegKey parent, const std::string& subkey, std::uint32_t access, RegKey& result);
// Opens a key, creating it and any missing parents.
std::int32_t regCreateKey(RegKey parent, const std::string& subkey, std::uint32_t access, RegKey& result);
// Closes a handle that regOpenKey/regCreateKey gave; roots and kNoKey are ignored.
void regCloseKey(RegKey key);
// Type and bytes of a value ("" names the default value); kErrorFileNotFound when missing.
std::int32_t regQueryValue(RegKey key, const std::string& name, std::uint32_t& type, std::string& data);
// Stores a value of any type as the given bytes.
std::int32_t regSetValue(RegKey key, const std::string& name, std::uint32_t type, std::string_view data);
std::int32_t regDeleteValue(RegKey key, const std::string& name);
// Deletes `subkey` of `parent` with all its sub-keys and values; `subkey` must not be empty.
std::int32_t regDeleteTree(RegKey parent, const std::string& subkey);

// A 32-bit value, stored little-endian as the registry does.
inline std::int32_t regSetDword(RegKey key, const std::string& name, std::uint32_t value) {
  const char bytes[4] = {char(value & 0xFF), char((value >> 8) & 0xFF), char((value >> 16) & 0xFF), char(value >> 24)};
  return regSetValue(key, name, kRegDword, std::string_view(bytes, 4));
}
// A text, stored with its terminating zero as the registry's own string values are.
inline std::int32_t regSetString(RegKey key, const std::string& name, const std::string& text,
                                 std::uint32_t type = kRegSz) {
  return regSetValue(key, name, type, std::string_view(text.c_str(), text.size() + 1));
}

}  // namespace velmora::platform
