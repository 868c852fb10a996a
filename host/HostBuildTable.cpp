#include "host/HostBuildTable.h"

#include <string>

namespace velmora::host {
namespace {

constexpr std::uint32_t kLoadAddress = 0x400000;

// The numeric fields of a build whose layout is not known: the load address only.
constexpr std::array<std::uint32_t, kRowWords> unknownLayout() {
  std::array<std::uint32_t, kRowWords> words{};
  words[0] = kLoadAddress;
  return words;
}

constexpr std::array<std::uint32_t, kRowWords> kFirstLayout = {
    kLoadAddress, 0x61FEB0, 0x24, 0,    0x705728, 0x14, 0x702C50, 0xEC, 0x17C, 0x10C, 0x613DA0, 0, 0x10,
    0x2C,         0x18,     0x20, 0x28, 0x2C,     0x30, 0x34,     0x38, 0x3C,  0x44,  0x50,     0x54, 0x58,
    0x5C,         0x60,     0x64, 0,    0x702C2C, 0,    0,        0,    0,     0,     0,        0,    0};

constexpr const char* kCakewalkDocument = "Cakewalk.Document";
constexpr const char* kProjectFile = "CakewalkProjectFile";
constexpr const char* kSonarProjectFile = "SONARProjectFile";

constexpr HostBuild row(const char* executable, const char* version, std::uint32_t generation, const char* core,
                        const char* documentType, std::uint16_t language = 0) {
  return {executable, generation, version, core, documentType, language, unknownLayout()};
}

const HostBuild kTable[] = {
    {"cwpa.exe", 0, "8.00.40", "PA8SeqCore32.dll", kCakewalkDocument, 0, kFirstLayout},
    row("cwpa.exe", "8.50.40", 0, "PA8SeqCore32.dll", kCakewalkDocument),
    row("cwpa.exe", "8.01.50", 0, "PA8SeqCore32.dll", kCakewalkDocument),
    row("cwpa.exe", "8.03.103", 0, "PA8SeqCore32.dll", kCakewalkDocument),
    row("cwpa.exe", "8.04.118", 0, "PA8SeqCore32.dll", kCakewalkDocument),
    row("cwpa.exe", "8.04.131", 0, "PA8SeqCore32.dll", kCakewalkDocument),
    row("cwhs.exe", "9.00.441", 0, "CW9SeqCore32.dll", kCakewalkDocument),
    row("cwpa.exe", "9.00.454", 0, "CW9SeqCore32.dll", kCakewalkDocument),
    row("cwpa.exe", "9.01.531", 0, "CW9SeqCore32.dll", kCakewalkDocument),
    row("cwhs.exe", "9.01.532", 0, "CW9SeqCore32.dll", kCakewalkDocument),
    row("cwpa.exe", "9.02.559", 0, "CW9SeqCore32.dll", kCakewalkDocument),
    row("cwpa.exe", "9.03.660", 0, "CW9SeqCore32.dll", kCakewalkDocument),
    row("cwgsdemo.exe", "2.00.360", 0, "GS2SeqCore32.dll", kCakewalkDocument),
    row("sonar.exe", "10.0.0.110", 1, "cw10sq32.dll", kProjectFile),
    row("sonar.exe", "10.0.0.188", 1, "cw10sq32.dll", kProjectFile),
    row("sonar.exe", "10.0.0.200", 1, "cw10sq32.dll", kProjectFile),
    row("sonar.exe", "10.0.1.211", 1, "cw10sq32.dll", kProjectFile),
    row("sonar.exe", "10.0.2.229", 1, "cw10sq32.dll", kProjectFile),
    row("sonar.exe", "10.0.2.235", 1, "cw10sq32.dll", kProjectFile, 1031),
    row("sonar.exe", "10.0.2.235", 1, "cw10sq32.dll", kProjectFile),
    row("cwmc.exe", "10.0.2.19", 1, "cw10sq32.dll", kProjectFile),
    row("cwhs.exe", "10.0.2.20", 1, "cw10sq32.dll", kProjectFile),
    row("sonar.exe", "10.5.0.329", 2, "cw10sq32.dll", kSonarProjectFile),
    row("sonar.exe", "10.5.1.339", 2, "cw10sq32.dll", kSonarProjectFile),
    row("sonar.exe", "11.0.0.129", 2, "cw11sq32.dll", kSonarProjectFile),
    row("sonar.exe", "11.0.0.131", 2, "cw11sq32.dll", kSonarProjectFile),
    row("sonar.exe", "11.1.0.242", 2, "cw11sq32.dll", kSonarProjectFile),
    row("sonar.exe", "11.1.0.242", 2, "cw11sq32.dll", kSonarProjectFile, 1031),
    row("sonar.exe", "11.2.0.323", 2, "cw11sq32.dll", kSonarProjectFile),
};

// The fields holding addresses, moved with the executable.
constexpr std::size_t kAddressFields[] = {92, 100, 104, 112, 128, 204, 208, 212, 216, 232, 236, 240};

}  // namespace

std::span<const HostBuild> hostBuildTable() { return kTable; }

int matchHostBuild(const platform::HostImage& image, std::span<const HostBuild> table, platform::HostAddress& module) {
  for (std::size_t i = 0; i < table.size(); ++i) {
    const HostBuild& build = table[i];
    const platform::HostAddress loaded = image.moduleAt(build.executable);
    if (loaded == 0) continue;
    std::string version;
    if (!image.fileVersion(loaded, version) || version != build.version) continue;
    if (!image.hasVersionLanguage(loaded, build.effectiveLanguage())) continue;
    module = loaded;
    return static_cast<int>(i);
  }
  return -1;
}

HostBuild relocated(const HostBuild& row, platform::HostAddress loadAddress) {
  HostBuild moved = row;
  const auto delta = static_cast<std::uint32_t>(loadAddress - row.at(kPreferredLoadAddress));
  for (const std::size_t field : kAddressFields) {
    std::uint32_t& word = moved.words[(field - kPreferredLoadAddress) / 4];
    if (word != 0) word += delta;
  }
  return moved;
}

}  // namespace velmora::host
