#include "io/UniRegistry.h"

#include <cstring>
#include <map>
#include <mutex>
#include <new>
#include <utility>

#include "platform/System.h"

namespace velmora {
namespace {
constexpr std::size_t kGrowStep = 1024;
}  // namespace

namespace settings {

namespace {
struct Overrides {
  std::mutex lock;
  std::map<std::pair<std::string, std::string>, std::int32_t> values;
};
Overrides& overrides() {
  static Overrides state;
  return state;
}
}  // namespace

void overrideProfileInt(const ProfileInt& setting, std::int32_t value) {
  std::lock_guard guard(overrides().lock);
  overrides().values[{setting.section, setting.entry}] = value;
}

std::int32_t getProfileInt(const char* section, const char* entry, std::int32_t defaultValue,
                           const std::string& applicationKey) {
  {
    std::lock_guard guard(overrides().lock);
    const auto found = overrides().values.find({section, entry});
    if (found != overrides().values.end()) return found->second;
  }
  platform::RegKey key = platform::kNoKey;
  if (platform::regOpenKey(platform::kCurrentUser, "Software\\" + applicationKey + "\\" + section, platform::kKeyRead,
                           key) != platform::kErrorSuccess)
    return defaultValue;
  std::uint32_t type = 0;
  std::string data;
  const std::int32_t code = platform::regQueryValue(key, entry, type, data);
  platform::regCloseKey(key);
  if (code != platform::kErrorSuccess || type != platform::kRegDword || data.size() != 4) return defaultValue;
  std::uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = value << 8 | static_cast<unsigned char>(data[static_cast<std::size_t>(i)]);
  return static_cast<std::int32_t>(value);
}

bool writeProfileInt(const char* section, const char* entry, std::int32_t value, const std::string& applicationKey) {
  platform::RegKey key = platform::kNoKey;
  if (platform::regCreateKey(platform::kCurrentUser, "Software\\" + applicationKey + "\\" + section,
                             platform::kKeyRead | platform::kKeyWrite, key) != platform::kErrorSuccess)
    return false;
  const bool ok = platform::regSetDword(key, entry, static_cast<std::uint32_t>(value)) == platform::kErrorSuccess;
  platform::regCloseKey(key);
  return ok;
}

}  // namespace settings

CUniRegistry::CUniRegistry(const std::string& subkey, const std::string& valueName) : valueName_(valueName) {
  platform::RegKey software = platform::kNoKey;
  const std::uint32_t access = platform::kKeyRead | platform::kKeyWrite;
  if (platform::regCreateKey(platform::kCurrentUser, "Software", access, software) != platform::kErrorSuccess) return;
  const std::int32_t code = platform::regCreateKey(software, subkey, access, key_);
  platform::regCloseKey(software);
  if (code != platform::kErrorSuccess) {
    key_ = platform::kNoKey;
    return;
  }
  // A value of any type is taken as bytes; a value that cannot be read leaves the copy empty.
  std::uint32_t type = 0;
  std::string data;
  if (platform::regQueryValue(key_, valueName_, type, data) == platform::kErrorSuccess && !data.empty()) {
    write(data.data(), static_cast<std::uint32_t>(data.size()));
    position_ = 0;
  }
}

CUniRegistry::~CUniRegistry() {
  if (key_ == platform::kNoKey) return;
  const std::int32_t code =
      platform::regSetValue(key_, valueName_, platform::kRegBinary, std::string_view(memory_.data(), length_));
  if (code != platform::kErrorSuccess) platform::trace("registry value %s: not stored, error %d\n", valueName_.c_str(), int(code));
  platform::regCloseKey(key_);
}

void CUniRegistry::reserve(std::size_t length) {
  if (length > memory_.size()) memory_.resize((length + kGrowStep - 1) / kGrowStep * kGrowStep);
}

std::uint32_t CUniRegistry::write(const void* buffer, std::uint32_t count) {
  reserve(position_ + count);
  if (count) std::memcpy(memory_.data() + position_, buffer, count);
  position_ += count;
  if (position_ > length_) length_ = position_;
  return count;
}

std::uint32_t CUniRegistry::read(void* buffer, std::uint32_t count) {
  if (position_ >= length_) return 0;
  const std::size_t n = count < length_ - position_ ? count : length_ - position_;
  std::memcpy(buffer, memory_.data() + position_, n);
  position_ += n;
  return static_cast<std::uint32_t>(n);
}

platform::RegKey RegistryKeyReader::openKey(platform::RegKey parent, const std::string& name, std::uint32_t access) {
  closeKey();
  const std::int32_t code = platform::regOpenKey(parent, name, access, key_);
  if (code != platform::kErrorSuccess) {
    key_ = platform::kNoKey;
    throw new registry_exception(code);
  }
  return key_;
}

void RegistryKeyReader::closeKey() {
  platform::regCloseKey(key_);
  key_ = platform::kNoKey;
}

std::unique_ptr<char[]> RegistryKeyReader::queryString(const std::string& valueName) {
  std::uint32_t type = 0;
  std::string data;
  const std::int32_t code = platform::regQueryValue(key_, valueName, type, data);
  if (code != platform::kErrorSuccess) throw new registry_exception(code);
  if (type != platform::kRegSz && type != platform::kRegExpandSz) throw new registry_invalid_value_type();
  if (data.empty()) return nullptr;
  // One byte more than the value, so that a value stored without its terminator still ends.
  std::unique_ptr<char[]> text(new (std::nothrow) char[data.size() + 1]);
  if (!text) throw new registry_exception(platform::kErrorOutOfMemory);
  std::memcpy(text.get(), data.data(), data.size());
  text[data.size()] = '\0';
  return text;
}

}  // namespace velmora
