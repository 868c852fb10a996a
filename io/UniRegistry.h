// Stored settings: the application key with its binary records and profile integers, the
// registry stream CUniRegistry, and the small key reader that reads other products' strings.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "io/UniStream.h"
#include "platform/Registry.h"

namespace velmora {

namespace settings {
// The application key lies below HKEY_CURRENT_USER\Software: the registry key, then the
// profile name.
inline constexpr char kRegistryKey[] = "Velmora\\Tamborak";
inline constexpr char kProfileName[] = "2";
inline constexpr char kApplicationKey[] = "Velmora\\Tamborak\\2";

// Binary values of the application key.
inline constexpr char kGlobals[] = "Globals";
inline constexpr char kLast[] = "Last";

// A profile integer: a DWORD value `entry` of the sub-key `section` of the application key.
struct ProfileInt {
  const char* section;
  const char* entry;
  std::int32_t defaultValue;
};
inline constexpr ProfileInt kComposeAttempts{"Compose", "Attempts", 100};
inline constexpr ProfileInt kComposeAllowTesting{"Compose", "AllowTesting", 0};
inline constexpr ProfileInt kDisplayMinVelo{"Undocumented", "DisplayMinVelo", 20};
inline constexpr ProfileInt kCWIntegration{"Undocumented", "CWIntegration", 1};
inline constexpr ProfileInt kWarnOffline{"Warnings", "Offline", 1};  // 0 or less: do not warn again
inline constexpr ProfileInt kDrPresetsCopied{"DR-008", "PresetsCopied", 0};
inline constexpr ProfileInt kDrPianoRollDrum{"DR-008", "PianoRollDrum", 0};

// [any-thread, not real-time safe] The DWORD value section\entry of the application key, or
// `defaultValue` when the key or value is missing or the value is not a 4-byte DWORD.
// `applicationKey` is relative to HKEY_CURRENT_USER\Software (tests use a scratch key).
std::int32_t getProfileInt(const char* section, const char* entry, std::int32_t defaultValue,
                           const std::string& applicationKey = kApplicationKey);
// [any-thread, not real-time safe] Stores the value as a DWORD, creating the keys; true on success.
bool writeProfileInt(const char* section, const char* entry, std::int32_t value,
                     const std::string& applicationKey = kApplicationKey);

// [main-thread, before engines run; not real-time safe] From now on getProfileInt answers
// `value` for this section\entry under every application key, without reading or writing the
// registry: a program sets a value for its own run without changing the user's settings.
void overrideProfileInt(const ProfileInt& setting, std::int32_t value);

inline std::int32_t getProfileInt(const ProfileInt& setting, const std::string& applicationKey = kApplicationKey) {
  return getProfileInt(setting.section, setting.entry, setting.defaultValue, applicationKey);
}
inline bool writeProfileInt(const ProfileInt& setting, std::int32_t value,
                            const std::string& applicationKey = kApplicationKey) {
  return writeProfileInt(setting.section, setting.entry, value, applicationKey);
}
}  // namespace settings

// A stream over a registry value below HKEY_CURRENT_USER\Software\<subkey>. The constructor
// copies the value's bytes into memory (the key is created when missing); reads and writes work
// on that copy from position 0, writes overwriting and then extending it; the destructor stores
// the whole copy back as a binary value, even when nothing was written or it is empty. Writing
// a shorter record over a longer value therefore keeps the old value's tail: the records stored
// this way carry their own length, so readers are unaffected. When the key cannot be opened, the
// stream reads nothing and stores nothing. Never throws.
// [any-thread: the one that created it; not real-time safe: registry I/O in constructor and
// destructor]
class CUniRegistry : public CUniStream {
 public:
  CUniRegistry(const std::string& subkey, const std::string& valueName);
  ~CUniRegistry() override;

  std::uint32_t write(const void* buffer, std::uint32_t count) override;
  std::uint32_t read(void* buffer, std::uint32_t count) override;
  void close() override {}

  // True when the value is missing or empty and nothing was written: a loader skips it.
  bool isEmpty() const { return length_ == 0; }

 private:
  void reserve(std::size_t length);

  std::string valueName_;
  std::string memory_;  // the in-memory copy; its size is the capacity, grown in 1024-byte steps
  std::size_t length_ = 0;
  std::size_t position_ = 0;
  platform::RegKey key_ = platform::kNoKey;
};

// Failures of RegistryKeyReader. They are thrown as pointers to objects made with `new`; the
// code that catches one owns it and deletes it (`catch (registry_exception* e) { ...; delete e; }`,
// which also catches registry_invalid_value_type).
class registry_exception {
 public:
  explicit registry_exception(std::int32_t code) : code_(code) {}
  virtual ~registry_exception() = default;
  // The platform's error code (2: the key or value is missing).
  std::int32_t code() const { return code_; }

 private:
  std::int32_t code_;
};

// The value is not a string; its code is 0.
class registry_invalid_value_type : public registry_exception {
 public:
  registry_invalid_value_type() : registry_exception(0) {}
};

// Reads string values of one key, typically another product's settings.
// [any-thread, one at a time; not real-time safe]
class RegistryKeyReader {
 public:
  RegistryKeyReader() = default;
  ~RegistryKeyReader() { closeKey(); }
  RegistryKeyReader(const RegistryKeyReader&) = delete;
  RegistryKeyReader& operator=(const RegistryKeyReader&) = delete;

  // Opens `name` below `parent` (a root such as platform::kLocalMachine), closing any key open
  // before. Throws registry_exception* with the platform's code when it fails.
  platform::RegKey openKey(platform::RegKey parent, const std::string& name, std::uint32_t access = platform::kKeyRead);
  void closeKey();
  // The text of a REG_SZ or REG_EXPAND_SZ value, always zero-terminated, owned by the caller;
  // null when the value is empty. Throws registry_exception* with the platform's code when the
  // value cannot be read, registry_invalid_value_type* for another type, and
  // registry_exception*(14) when the text cannot be allocated.
  std::unique_ptr<char[]> queryString(const std::string& valueName);

 private:
  platform::RegKey key_ = platform::kNoKey;
};

}  // namespace velmora
