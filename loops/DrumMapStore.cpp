#include "loops/DrumMapStore.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "io/Record.h"
#include "platform/FileAccess.h"
#include "platform/Numeric.h"
#include "platform/SafeSave.h"

namespace velmora {

namespace fs = std::filesystem;

DrumMapStore::DrumMapStore(std::string folder, std::string shipped)
    : folder_(std::move(folder)), shipped_(std::move(shipped)) {
  std::error_code ec;
  fs::create_directories(fs::path(folder_), ec);
}

bool DrumMapStore::usable(const std::string& name) {
  return !name.empty() && name != kDefaultName && name.find_first_of("/\\:") == std::string::npos &&
         name != "." && name != "..";
}

std::vector<std::string> DrumMapStore::namesIn(const std::string& folder) {
  std::vector<std::string> names;
  if (folder.empty()) return names;
  constexpr std::size_t kExtensionLength = sizeof kExtension - 1;
  std::error_code ec;
  for (fs::directory_iterator it(fs::path(folder), ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code typeError;
    if (it->is_directory(typeError)) continue;
    const std::string file = it->path().filename().string();
    if (file.size() > kExtensionLength &&
        platform::equalsIgnoringCase(std::string_view(file).substr(file.size() - kExtensionLength), kExtension))
      names.push_back(file.substr(0, file.size() - kExtensionLength));
  }
  return names;
}

std::vector<std::string> DrumMapStore::list() const {
  const std::vector<std::string> own = namesIn(folder_);
  std::vector<std::string> names = own;
  for (std::string& name : namesIn(shipped_))
    if (std::find(own.begin(), own.end(), name) == own.end()) names.push_back(std::move(name));
  names.emplace_back(kDefaultName);
  return names;
}

bool DrumMapStore::hasOwn(const std::string& name) const {
  std::error_code ec;
  return fs::exists(fs::symlink_status(fs::path(pathOf(name)), ec));
}

bool DrumMapStore::load(const std::string& name, DrumMap& map) const {
  if (name == kDefaultName) {
    map.reset();
    return true;
  }
  // A map is a name and 128 notes; anything near this size is not one.
  constexpr std::uint64_t kMaxMapFileBytes = 1 << 20;
  if (!usable(name)) return false;
  const std::string path = hasOwn(name) || shipped_.empty() ? pathOf(name) : shipped_ + name + kExtension;
  std::string bytes, error;
  if (platform::readRegularFile(path, kMaxMapFileBytes, {}, bytes, error) != platform::FileRead::kRead) return false;
  CUniMemoryReader reader(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
  DrumMap read;
  if (!read.load(reader)) return false;
  read.setName(name);
  map.assign(read);
  return true;
}

bool DrumMapStore::save(const std::string& name, DrumMap& map, std::string& error) const {
  if (!usable(name)) {
    error = name == kDefaultName ? "the default map is not stored" : "unusable drum map name: " + name;
    return false;
  }
  map.setName(name);
  std::string bytes;
  CUniString stream(bytes);
  map.save(stream);
  return platform::saveFileWhole(pathOf(name), bytes, error);
}

bool DrumMapStore::remove(const std::string& name, platform::Prompt& prompt) const {
  if (!usable(name) || !hasOwn(name)) return false;
  const std::string question = "Are you sure you want to delete drum map \"" + name + "\"?";
  if (prompt.ask(question, "Tamborak", platform::PromptButtons::kYesNo, platform::PromptIcon::kQuestion) !=
      platform::PromptAnswer::kYes)
    return false;
  std::error_code ec;
  return fs::remove(fs::path(pathOf(name)), ec);
}

}  // namespace velmora
