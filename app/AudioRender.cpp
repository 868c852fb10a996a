#include "app/AudioRender.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string_view>

#include "platform/SafeSave.h"
#include "platform/Subprocess.h"

namespace velmora::app {

namespace {

namespace fs = std::filesystem;

constexpr char kInstallHint[] = "install fluidsynth and a General MIDI sound font (apt-get install fluidsynth timgm6mb-soundfont)";

std::string soundFont() {
  const char* named = std::getenv("TAMBORAK_SOUNDFONT");
  if (named && *named) return named;
  for (const char* candidate : {"/usr/share/sounds/sf2/default-GM.sf2", "/usr/share/sounds/sf2/TimGM6mb.sf2",
                                "/usr/share/sounds/sf2/FluidR3_GM.sf2", "/usr/share/soundfonts/default.sf2"}) {
    std::error_code ec;
    if (fs::is_regular_file(candidate, ec)) return candidate;
  }
  return {};
}

// A file name beside `path` that no other run uses.
fs::path besideTemporary(const fs::path& path, const char* suffix) {
  static unsigned counter = 0;
  const auto stamp = static_cast<unsigned long long>(fs::file_time_type::clock::now().time_since_epoch().count());
  // Appended piece by piece: g++ 12 for MinGW reports a false overlap in "." + string.
  std::string name = ".";
  name += path.filename().string();
  for (const std::string& piece : {std::to_string(stamp), std::to_string(++counter)}) {
    name += '.';
    name += piece;
  }
  name += suffix;
  return path.parent_path() / name;
}

}  // namespace

bool renderWav(const std::string& smf, const std::string& path, std::string& error) {
  const std::string synth = platform::findOnPath("fluidsynth");
  const std::string font = soundFont();
  if (synth.empty() || font.empty()) {
    error = path + ": not written: no " + (synth.empty() ? "fluidsynth" : "General MIDI sound font") + " found; " +
            kInstallHint;
    return false;
  }
  std::error_code ec;
  if (!fs::is_regular_file(font, ec)) {
    error = path + ": not written: the sound font " + font + " is not a file";
    return false;
  }
  // The synthesiser renders silence from a file it cannot read as a font, and still succeeds.
  char head[12] = {};
  std::ifstream fontFile(font, std::ios::binary);
  if (!fontFile.read(head, sizeof head) || std::string_view(head, 4) != "RIFF" ||
      std::string_view(head + 8, 4) != "sfbk") {
    error = path + ": not written: " + font + " is not a sound font (no RIFF sfbk header)";
    return false;
  }
  const fs::path target(path);
  const fs::path midi = besideTemporary(fs::temp_directory_path(ec) / "tamborak.mid", ".mid");
  const fs::path wav = besideTemporary(target.has_parent_path() ? target : fs::path(".") / target, ".wav");
  std::string why;
  if (!platform::saveFileWhole(midi.string(), smf, why)) {
    error = path + ": not written: the MIDI file for the synthesiser: " + why;
    return false;
  }
  std::string output;
  const int status = platform::runAndWait(
      {synth, "-n", "-i", "-q", "-r", "44100", "-T", "wav", "-F", wav.string(), font, midi.string()}, output);
  fs::remove(midi, ec);
  std::error_code sizeError;
  if (status != 0 || !fs::is_regular_file(wav, ec) || fs::file_size(wav, sizeError) <= 44) {
    fs::remove(wav, ec);
    const std::size_t line = output.find_first_of("\r\n");
    error = path + ": not written: fluidsynth failed" + (status > 0 ? " (exit " + std::to_string(status) + ")" : "") +
            (output.empty() ? "" : ": " + output.substr(0, line));
    return false;
  }
  std::error_code renamed;
  fs::rename(wav, target, renamed);
  if (renamed) {
    fs::remove(wav, ec);
    error = path + ": not written: " + renamed.message();
    return false;
  }
  return true;
}

}  // namespace velmora::app
