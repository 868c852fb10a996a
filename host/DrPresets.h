// The drum sampler's presets that come with the plug-in: the "*.drs" files of the "Dr-008"
// folder beside the program, copied once into the sampler's own preset folder.
#pragma once

#include <string>

namespace velmora {

// The sampler's settings key below HKEY_LOCAL_MACHINE and its value naming the preset folder.
inline constexpr char kDrConfigKey[] = "SOFTWARE\\FXpansion\\DR008\\Config";
inline constexpr char kDrPresetPathValue[] = "presetPath";

// Unless the stored setting "DR-008"/"PresetsCopied" of `applicationKey` (relative to
// HKEY_CURRENT_USER\Software) is already set: copies every preset file of the "Dr-008" folder
// of `programFolder` into the sampler's preset folder under its own name, leaving files that
// are there already alone, and sets the setting once every preset is in place. A sampler
// without a preset folder, an unreadable preset or a failed copy leave it unset, so the next
// start tries again. True when the setting is set. [main-thread, not real-time safe: registry
// and file I/O]
bool copyDrPresets(const std::string& programFolder, const std::string& applicationKey);

}  // namespace velmora
