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
  // The synthesiser reads and writes files of ours, made exclusively and removed on any failure.
  platform::TemporaryFile midi, wav;
  std::string why;
  if (!midi.create((fs::temp_directory_path(ec) / "tamborak.mid").string(), smf, why)) {
    error = path + ": not written: the MIDI file for the synthesiser: " + why;
    return false;
  }
  if (!wav.create(path, {}, why)) {
    error = path + ": not written: " + why;
    return false;
  }
  std::string output;
  const int status = platform::runAndWait(
      {synth, "-n", "-i", "-q", "-r", "44100", "-T", "wav", "-F", wav.path(), font, midi.path()}, output);
  midi.discard();
  std::error_code sizeError;
  if (status != 0 || !fs::is_regular_file(wav.path(), ec) || fs::file_size(wav.path(), sizeError) <= 44) {
    const std::size_t line = output.find_first_of("\r\n");
    error = path + ": not written: fluidsynth failed" + (status > 0 ? " (exit " + std::to_string(status) + ")" : "") +
            (output.empty() ? "" : ": " + output.substr(0, line));
    return false;
  }
  if (!wav.commit(why)) {
    error = path + ": not written: " + why;
    return false;
  }
  return true;
}

}  // namespace velmora::app
