#include "loops/DrumMapStore.h"

#include <filesystem>
#include <system_error>

#include "io/Record.h"
#include "library/FileBytes.h"
#include "platform/Numeric.h"
#include "platform/SafeSave.h"

namespace velmora {

namespace fs = std::filesystem;

DrumMapStore::DrumMapStore(std::string folder) : folder_(std::move(folder)) {
  std::error_code ec;
  fs::create_directories(fs::path(folder_), ec);
}

bool DrumMapStore::usable(const std::string& name) {
  return !name.empty() && name != kDefaultName && name.find_first_of("/\\:") == std::string::npos &&
         name != "." && name != "..";
}

std::vector<std::string> DrumMapStore::list() const {
  std::vector<std::string> names;
  constexpr std::size_t kExtensionLength = sizeof kExtension - 1;
  std::error_code ec;
  for (fs::directory_iterator it(fs::path(folder_), ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code typeError;
    if (it->is_directory(typeError)) continue;
    const std::string file = it->path().filename().string();
    if (file.size() > kExtensionLength &&
        platform::equalsIgnoringCase(std::string_view(file).substr(file.size() - kExtensionLength), kExtension))
      names.push_back(file.substr(0, file.size() - kExtensionLength));
  }
  names.emplace_back(kDefaultName);
  return names;
}

bool DrumMapStore::load(const std::string& name, DrumMap& map) const {
  if (name == kDefaultName) {
    map.reset();
    return true;
  }
  std::string bytes;
  if (!usable(name) || !readFileBytes(pathOf(name), bytes)) return false;
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
  if (!usable(name)) return false;
  const std::string question = "Are you sure you want to delete drum map \"" + name + "\"?";
  if (prompt.ask(question, "Tamborak", platform::PromptButtons::kYesNo, platform::PromptIcon::kQuestion) !=
      platform::PromptAnswer::kYes)
    return false;
  std::error_code ec;
  return fs::remove(fs::path(pathOf(name)), ec);
}

}  // namespace velmora
