#include "host/DrPresets.h"

#include <filesystem>
#include <memory>
#include <system_error>

#include "io/UniRegistry.h"
#include "platform/FileAccess.h"
#include "platform/Numeric.h"
#include "platform/SafeSave.h"
#include "platform/System.h"

namespace velmora {

namespace {

constexpr std::uint64_t kMaxPresetBytes = std::uint64_t{64} << 20;
constexpr char kPresetExtension[] = ".drs";

// The sampler's preset folder ending in a separator, or empty when it names none.
std::string presetFolder() {
  std::unique_ptr<char[]> path;
  try {
    RegistryKeyReader reader;
    reader.openKey(platform::kLocalMachine, kDrConfigKey);
    path = reader.queryString(kDrPresetPathValue);
  } catch (registry_exception* e) {
    delete e;
    return {};
  }
  std::string folder = path ? path.get() : "";
  if (!folder.empty() && folder.back() != '\\' && folder.back() != '/')
    folder += static_cast<char>(std::filesystem::path::preferred_separator);
  return folder;
}

bool isPreset(const std::string& name) {
  const std::size_t n = sizeof kPresetExtension - 1;
  return name.size() > n && platform::equalsIgnoringCase(std::string_view(name).substr(name.size() - n), kPresetExtension);
}

// Copies one preset unless its name is taken; true when it is in place either way.
bool placePreset(const std::filesystem::path& source, const std::string& target) {
  std::string bytes, error;
  bool exists = false;
  if (platform::readRegularFile(source.string(), kMaxPresetBytes, {}, bytes, error) == platform::FileRead::kRead &&
      (platform::saveNewFileWhole(target, bytes, error, exists) || exists))
    return true;
  platform::trace("sampler preset %s not copied: %s", target.c_str(), error.c_str());
  return false;
}

}  // namespace

bool copyDrPresets(const std::string& programFolder, const std::string& applicationKey) {
  if (settings::getProfileInt(settings::kDrPresetsCopied, applicationKey) != 0) return true;
  const std::string target = presetFolder();
  if (target.empty()) return false;

  std::error_code ec;
  std::filesystem::directory_iterator it(std::filesystem::path(programFolder) / "Dr-008", ec);
  // Without a presets folder beside the program there is nothing to copy.
  if (ec == std::errc::no_such_file_or_directory) ec.clear();
  bool allInPlace = true;
  for (const std::filesystem::directory_iterator end; !ec && it != end; it.increment(ec)) {
    std::error_code typeError;
    if (!it->is_regular_file(typeError)) continue;
    try {
      const std::string name = it->path().filename().string();
      if (isPreset(name)) allInPlace = placePreset(it->path(), target + name) && allInPlace;
    } catch (const std::exception&) {
      allInPlace = false;  // a name the narrow character set cannot hold
    }
  }
  if (ec) allInPlace = false;  // the listing broke off
  return allInPlace && settings::writeProfileInt(settings::kDrPresetsCopied, 1, applicationKey);
}

}  // namespace velmora
