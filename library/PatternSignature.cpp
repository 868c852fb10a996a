#include "library/PatternSignature.h"

#include <bit>

#include "platform/Numeric.h"

namespace velmora {
namespace {

constexpr PatternKind kKinds[kPatternKindCount] = {
    {"Kick", 1, {36, 0, 0}},      {"Snare", 1, {38, 0, 0}},   {"HH_Cl", 1, {42, 0, 0}},
    {"HH_Op", 2, {42, 46, 0}},    {"Ride", 1, {51, 0, 0}},    {"Tambourine", 1, {54, 0, 0}},
    {"Cowbell", 1, {56, 0, 0}},   {"Conga", 3, {62, 63, 64}}, {"Maracas", 1, {70, 0, 0}},
    {"Claps", 1, {39, 0, 0}},     {"universal", 1, {54, 0, 0}},
    {"Fill", 13, {36, 38, 50, 47, 45, 43, 49, 51, 65, 66, 63, 64, 56}},
};

std::string_view lastComponent(std::string_view path) {
  const std::size_t cut = path.find_last_of("\\/");
  return cut == std::string_view::npos ? path : path.substr(cut + 1);
}

}  // namespace

const char* const kKindPickerOrder[kSliceKindCount] = {"universal", "Claps", "Ride",  "HH_Cl", "HH_Op", "Cowbell",
                                                         "Maracas",   "Kick",  "Tambourine", "Snare", "Conga"};

const char* defaultPartFolder(int slot) {
  static const char* const kFolders[kSlotCount + 1] = {
      "4.Percussion\\Cowbell\\", "4.Percussion\\Maracas\\", "4.Percussion\\Conga\\", "3.Cymbal\\",
      "2.Snare\\",               "1.Kick\\",                "5.Fill\\Fill\\"};
  return slot >= 0 && slot <= kSlotFill ? kFolders[slot] : "";
}

PatternSignature parseSignature(std::string_view fileName) {
  PatternSignature sig;
  const std::string_view name = lastComponent(fileName);
  if (name.find('#') == std::string_view::npos) return sig;

  const std::size_t first = name.find('_');
  sig.patternNumber = platform::atoiWin(name.substr(0, first));
  if (first == std::string_view::npos) return sig;
  const std::size_t second = name.find('_', first + 1);
  sig.nameStrokes = platform::atoiWin(name.substr(first + 1, second == std::string_view::npos ? second : second - first - 1));
  if (second == std::string_view::npos) return sig;

  // The grid ends at the next "_" (the group field) or "#", whichever comes first, so a short
  // grid never takes the group's digit for a step.
  std::string_view grid = name.substr(second + 1);
  grid = grid.substr(0, grid.find_first_of("_#"));
  int bit = 15;
  for (std::size_t i = 0; i < grid.size() && bit >= 0; ++i, --bit) {
    if (grid[i] == '1') sig.hitMask |= 1u << bit;
    else if (grid[i] == '2') sig.accentMask |= 1u << bit;
  }
  sig.accentCount = std::popcount(sig.accentMask & 0xFFFFu);
  return sig;
}

std::string nameField(std::string_view fileName, int n) {
  std::string_view rest = lastComponent(fileName);
  for (int i = 0; i < n; ++i) {
    const std::size_t underscore = rest.find('_');
    if (underscore == std::string_view::npos) return {};
    rest.remove_prefix(underscore + 1);
  }
  const std::size_t underscore = rest.find('_');
  if (underscore == std::string_view::npos) return std::string(rest);
  const std::size_t hash = rest.find('#');
  return std::string(rest.substr(0, hash < underscore ? hash : underscore));
}

std::int32_t nameFieldValue(std::string_view fileName, int n) { return platform::atoiWin(nameField(fileName, n)); }

const PatternKind* patternKinds() { return kKinds; }

const PatternKind* findKind(std::string_view name) {
  for (const PatternKind& kind : kKinds)
    if (platform::equalsIgnoringCase(kind.name, name)) return &kind;
  return nullptr;
}

}  // namespace velmora
