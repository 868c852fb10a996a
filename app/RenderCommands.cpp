// The commands that render a loop over time: `export`, the engine's off-line export, and `play`,
// the engine played window by window through the simulated host with its feel. Both connect the
// engine to a host of the chosen tempo, resolution and meter, and write through the same
// Standard MIDI File writer, so that a play without humanize gives the export's file.
#include <cstdio>
#include <limits>
#include <memory>
#include <optional>

#include "app/AudioRender.h"
#include "app/CliSupport.h"
#include "app/KitRender.h"
#include "app/LibraryCommands.h"
#include "app/LoopCommands.h"
#include "app/LoopSession.h"
#include "app/WindowPlayer.h"
#include "engine/GlobalControls.h"
#include "engine/OfflineProcess.h"
#include "engine/Song.h"
#include "library/TreeNode.h"
#include "midi/MidiTrack.h"
#include "platform/CrtRand.h"
#include "platform/FileAccess.h"
#include "platform/SafeSave.h"


namespace velmora::app {

namespace {

// The song both commands render: bars of one meter at one tempo and resolution.
struct SongOptions {
  std::int64_t bars = 4;
  std::int64_t ticksPerQuarter = 480;
  std::int64_t numerator = 4;
  std::int64_t denominator = 4;
  std::int64_t bpm100 = 12000;
  std::int64_t channel = 0;  // 1..16; 0: each pattern's own

  std::int64_t barTicks() const { return ticksPerQuarter * 4 * numerator / denominator; }
  std::int64_t endTick() const { return bars * barTicks(); }
};

// "120", "93.7" or "93.75" beats per minute, 4 to 999.
bool parseTempo(const std::string& text, std::int64_t& bpm100) {
  const std::size_t dot = text.find('.');
  std::string fraction = dot == std::string::npos ? "00" : text.substr(dot + 1);
  if (fraction.empty() || fraction.size() > 2 || fraction[0] == '-') return false;
  fraction.resize(2, '0');
  std::int64_t whole = 0, hundredths = 0;
  if (!parseInteger(text.substr(0, dot), 0, 999, whole) || !parseInteger(fraction, 0, 99, hundredths)) return false;
  bpm100 = whole * 100 + hundredths;
  return bpm100 >= 400;
}

// "N/D": N beats of 1/D, N 1..255, D a power of two up to 64.
bool parseMeter(const std::string& text, std::int64_t& numerator, std::int64_t& denominator) {
  const std::size_t slash = text.find('/');
  if (slash == std::string::npos || !parseInteger(text.substr(0, slash), 1, 255, numerator) ||
      !parseInteger(text.substr(slash + 1), 1, 64, denominator))
    return false;
  return (denominator & (denominator - 1)) == 0;
}

bool readSongOptions(const char* command, const Options& options, SongOptions& song, int& status) {
  const auto bad = [&](const std::string& message) {
    status = usageError(command, message);
    return false;
  };
  if (options.has("--bars") && !parseInteger(options.value("--bars"), 1, Tamborak::kMaxExportBars, song.bars))
    return bad("--bars takes a number from 1 to 9999");
  if (options.has("--ppq") && !parseInteger(options.value("--ppq"), 1, 32767, song.ticksPerQuarter))
    return bad("--ppq takes a number of ticks per quarter from 1 to 32767");
  if (options.has("--tempo") && !parseTempo(options.value("--tempo"), song.bpm100))
    return bad("--tempo takes beats per minute from 4 to 999.99, such as 120 or 93.7");
  if (options.has("--meter") && !parseMeter(options.value("--meter"), song.numerator, song.denominator))
    return bad("--meter takes N/D, N from 1 to 255 and D 1, 2, 4, 8, 16, 32 or 64, such as 6/8");
  if (options.has("--channel") && !parseInteger(options.value("--channel"), 1, 16, song.channel))
    return bad("--channel takes a MIDI channel from 1 to 16");
  if (song.ticksPerQuarter * 4 % song.denominator != 0)
    return bad("a beat of " + options.value("--meter") + " is not a whole number of ticks at " +
               std::to_string(song.ticksPerQuarter) + " ticks per quarter (--ppq)");
  if (song.endTick() > std::numeric_limits<std::int32_t>::max())
    return bad("the song is too long: " + std::to_string(song.bars) + " bars pass the last tick a host can count");
  return true;
}

// An engine over the library, connected to a host of the song's time base, holding the loop.
class RenderSession {
 public:
  // Gives false with `status` set when the library, the engine or the loop file fails.
  bool open(const Options& options, const SongOptions& song, int& status) {
    const std::string library = libraryFolder(options.value("--library"), status);
    if (library.empty()) return false;
    session_.emplace(library);
    if (!session_->ok()) {
      status = fail("cannot start an engine");
      return false;
    }
    song_.emplace(static_cast<std::int32_t>(song.ticksPerQuarter));
    song_->meter(1, static_cast<std::int32_t>(song.numerator), static_cast<std::int32_t>(song.denominator))
        .tempo(0, static_cast<std::int32_t>(song.bpm100));
    engine().connect(*song_, false);
    std::string error;
    if (!session_->loadLoopFile(options.positional[0], error)) {
      status = fail(error);
      return false;
    }
    // The output and trigger settings are stored with the program's engines: set every run.
    engine().setOutput(static_cast<std::int32_t>(song.channel) - 1, 0);
    engine().setTriggerEnabled(false);
    return true;
  }
  ~RenderSession() {
    if (session_ && session_->ok()) engine().disconnect();
  }

  LoopSession& session() { return *session_; }
  Tamborak& engine() { return session_->engine(); }

 private:
  std::optional<LoopSession> session_;
  std::optional<Song> song_;
};

// Fails saying `why` and the kits to pick from.
int listKits(const char* command, const std::string& why, const std::vector<DrumKit>& kits) {
  std::string list;
  for (const DrumKit& kit : kits) list += (list.empty() ? "" : ", ") + kit.name;
  return usageError(command,
                    why + (kits.empty() ? std::string(": no LV2 drum sampler is installed") : "; the kits: " + list));
}

// Checks --kit: it goes with --wav and names an installed kit, when one is installed at all.
bool readKit(const char* command, const Options& options, int& status) {
  if (!options.has("--kit")) return true;
  if (!options.has("--wav")) {
    status = usageError(command, "--kit goes with --wav");
    return false;
  }
  const std::vector<DrumKit> kits = installedDrumKits();
  if (kits.empty() || findDrumKit(kits, options.value("--kit"))) return true;
  status = listKits(command, "no kit is named '" + options.value("--kit") + "'", kits);
  return false;
}

// The audio through the kit --kit names, else (or with no drum sampler installed) through the
// General MIDI sound font.
bool renderAudio(const Options& options, const std::string& smf, std::string& error) {
  if (options.has("--kit")) {
    const std::vector<DrumKit> kits = installedDrumKits();
    if (const DrumKit* kit = findDrumKit(kits, options.value("--kit")))
      return renderKitWav(smf, *kit, options.value("--wav"), error);
    std::fprintf(stderr,
                 "no LV2 drum sampler is installed (apt-get install avldrums.lv2; the program needs lilv when "
                 "built): the kit '%s' is played with the General MIDI sound font\n",
                 options.value("--kit").c_str());
  }
  return renderWav(smf, options.value("--wav"), error);
}

// Writes the MIDI file (-o) and the audio (--wav); false with `status` set when one fails.
bool writeOutputs(const Options& options, const std::string& smf, int& status) {
  std::string error;
  if (options.has("-o") && !platform::saveFileWhole(options.value("-o"), smf, error)) {
    status = fail(options.value("-o") + ": not written: " + error);
    return false;
  }
  if (options.has("--wav") && !renderAudio(options, smf, error)) {
    status = fail(error);
    return false;
  }
  return true;
}

void printWritten(const Options& options, const SongOptions& song, const std::string& what) {
  const std::string timeBase = counted(static_cast<std::size_t>(song.bars), "bar") + " of " + std::to_string(song.numerator) + "/" +
                               std::to_string(song.denominator) + " at " + std::to_string(song.bpm100 / 100) + "." +
                               std::to_string(song.bpm100 / 10 % 10) + std::to_string(song.bpm100 % 10) + " bpm, " +
                               std::to_string(song.ticksPerQuarter) + " ticks per quarter";
  for (const char* output : {"-o", "--wav"})
    if (options.has(output))
      std::printf("wrote %s: %s, %s\n", shown(options.value(output)).c_str(), what.c_str(), timeBase.c_str());
}

// The files a render reads: the loop, the trigger notes and the pads' loops.
std::vector<std::string> renderInputs(const Options& options) {
  std::vector<std::string> inputs{options.positional[0]};
  if (options.has("--trigger")) inputs.push_back(options.value("--trigger"));
  const std::string pads = options.value("--pads");
  for (std::size_t start = 0; options.has("--pads") && start <= pads.size();) {
    const std::size_t end = std::min(pads.find(',', start), pads.size());
    inputs.push_back(pads.substr(start, end - start));
    start = end + 1;
  }
  return inputs;
}

bool emptyOutputName(const Options& options) {
  for (const char* output : {"-o", "--wav", "--trigger", "--pads"})
    if (options.has(output) && options.value(output).empty()) return true;
  return false;
}

// The placeholder the engine puts into a window that would otherwise stay empty (a key
// pressure of 0 on key 0): not music, so neither the file nor the records hold it.
bool isEmptyWindowMarker(const MidiEvent& e) {
  return e.type == kEventKeyAftertouch && e.data1 == 0 && e.data2 == 0 && e.duration == 0;
}

const char* typeName(std::uint32_t type) {
  switch (type) {
    case kEventNote: return "note";
    case kEventKeyAftertouch: return "key-pressure";
    case kEventController: return "controller";
    case kEventProgramChange: return "program";
    case kEventChannelAftertouch: return "channel-pressure";
    case kEventPitchWheel: return "pitch-wheel";
    default: return "other";
  }
}

// A trigger file holds pad switches, not a song: its size and its events within the song are
// bounded so that what it expands to in memory stays small.
constexpr std::uint64_t kMaxTriggerBytes = std::uint64_t{1} << 20;
constexpr std::size_t kMaxTriggerEvents = 100000;

// Reads the events of a MIDI file at the song's resolution into `out`; false with `status`.
bool readTriggerFile(const std::string& path, const SongOptions& song, std::vector<MidiEvent>& out, int& status) {
  std::string bytes, why;
  if (platform::readRegularFile(path, kMaxTriggerBytes, {}, bytes, why) != platform::FileRead::kRead) {
    status = fail(path + ": " + why);
    return false;
  }
  CMidiTrack track;
  CUniMemoryReader reader(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
  if (track.LoadSmf(reader) != 0) {
    status = fail(path + ": not a MIDI file, or a damaged one");
    return false;
  }
  if (track.division() & 0x8000) {
    status = fail(path + ": its times are SMPTE frames; only ticks per quarter are supported");
    return false;
  }
  const auto scale = [&](std::int64_t ticks) { return ticks * song.ticksPerQuarter / track.division(); };
  for (const MidiEvent& e : track) {
    if (e.time < 0 || scale(e.time) >= song.endTick()) continue;
    if (out.size() == kMaxTriggerEvents) {
      status = fail(path + ": more than " + std::to_string(kMaxTriggerEvents) + " events within the song; a trigger "
                    "file holds at most that many");
      return false;
    }
    MidiEvent at = e;
    at.time = static_cast<std::int32_t>(scale(e.time));
    if (e.isNote() && e.duration != kOpenDuration)
      at.duration = static_cast<std::uint32_t>(std::min<std::int64_t>(scale(e.duration), song.endTick()));
    out.push_back(at);
  }
  return true;
}

// The loop files of the comma-separated list for quick pads 1, 2, ...: at most 9, none
// unnamed. False with `status` set (a usage error) otherwise.
bool padFiles(const std::string& list, std::vector<std::string>& files, int& status) {
  for (std::size_t start = 0; start <= list.size();) {
    const std::size_t end = std::min(list.find(',', start), list.size());
    files.push_back(list.substr(start, end - start));
    start = end + 1;
    if (files.back().empty()) {
      status = usageError("play", "--pads: a file name is empty");
      return false;
    }
  }
  if (files.size() >= static_cast<std::size_t>(Tamborak::kPadCount)) {
    status = usageError("play", "--pads takes at most " + std::to_string(Tamborak::kPadCount - 1) + " loop files");
    return false;
  }
  return true;
}

// Stores each loop file into quick pads 1, 2, ... and brings the engine back to pad 0. False
// with `status` set when a file fails.
bool loadPads(LoopSession& session, const std::vector<std::string>& files, int& status) {
  std::int32_t pad = 1;
  for (const std::string& file : files) {
    session.engine().setLoopIdx(pad++, true, 0);
    std::string error;
    if (!session.loadLoopFile(file, error)) {
      status = fail(error);
      return false;
    }
  }
  session.engine().setLoopIdx(0, true, 0);
  return true;
}

void printRecords(const std::vector<MidiEvent>& events, const SongOptions& song) {
  std::printf("{\n  \"bars\": %lld,\n  \"ticksPerQuarter\": %lld,\n  \"meter\": \"%lld/%lld\",\n  \"bpm\": %.2f,\n"
              "  \"records\": [",
              static_cast<long long>(song.bars), static_cast<long long>(song.ticksPerQuarter),
              static_cast<long long>(song.numerator), static_cast<long long>(song.denominator),
              static_cast<double>(song.bpm100) / 100.0);
  const char* separator = "\n";
  for (const MidiEvent& e : events) {
    std::printf("%s    {\"time\": %d, \"port\": %u, \"channel\": %u, \"type\": \"%s\", \"key\": %u, \"velocity\": %u, "
                "\"duration\": %lld}",
                separator, e.time, e.port, e.channel + 1u, typeName(e.type), e.data1, e.data2,
                e.isNote() && e.duration != kOpenDuration ? static_cast<long long>(e.duration) : -1LL);
    separator = ",\n";
  }
  std::printf("\n  ]\n}\n");
}

}  // namespace

int exportCommand(const std::vector<std::string>& args) {
  Options options;
  int status = 0;
  std::vector<std::string> valued = {"-o",     "--wav",  "--kit",  "--bars",   "--tracks",
                                     "--tempo", "--ppq", "--meter", "--channel"};
  for (const std::string& name : phraseOptions()) valued.push_back(name);
  if (!args.empty() && args.back() == "--kit") return listKits("export", "--kit needs a kit", installedDrumKits());
  if (!readCommandOptions("export", args, std::move(valued), {}, 1, options, status)) return status;
  SongOptions song;
  if (!readSongOptions("export", options, song, status)) return status;
  std::vector<GivenControl> phrase;
  if (!readControls("export", options, phraseOptions(), phrase, status)) return status;
  if (!options.has("-o") && !options.has("--wav")) return usageError("export", "needs -o OUT.mid or --wav OUT.wav");
  if (emptyOutputName(options)) return usageError("export", "a file name is empty");
  if (!outputsApart("export", options, renderInputs(options), status)) return status;
  if (!readKit("export", options, status)) return status;
  const std::string tracks = options.has("--tracks") ? options.value("--tracks") : "one";
  if (tracks != "one" && tracks != "slices") return usageError("export", "--tracks takes 'one' or 'slices'");

  RenderSession render;
  if (!render.open(options, song, status)) return status;
  Tamborak& engine = render.engine();
  setControls(engine, phrase);
  engine.setExportBars(static_cast<std::int32_t>(song.bars));
  engine.setExportOption(tracks == "slices" ? 1 : 0);
  std::string smf;
  CUniString stream(smf);
  if (!engine.exportLoop(stream)) return fail(options.positional[0] + ": the loop could not be exported");
  if (!writeOutputs(options, smf, status)) return status;
  printWritten(options, song, tracks == "slices" ? "a tempo track and one track per slice" : "one track of notes");
  return 0;
}

int playCommand(const std::vector<std::string>& args) {
  Options options;
  int status = 0;
  std::vector<std::string> valued = {"-o",        "--wav",  "--kit",    "--bars",    "--tempo", "--ppq",
                                     "--meter",   "--channel", "--seed", "--window", "--trigger", "--pads"};
  for (const std::string& name : controlOptions()) valued.push_back(name);
  if (!args.empty() && args.back() == "--kit") return listKits("play", "--kit needs a kit", installedDrumKits());
  if (!readCommandOptions("play", args, std::move(valued), {"--json"}, 1, options, status)) return status;
  SongOptions song;
  if (!readSongOptions("play", options, song, status)) return status;
  if (!options.has("-o") && !options.has("--wav") && !options.has("--json"))
    return usageError("play", "needs -o OUT.mid, --wav OUT.wav or --json");
  if (emptyOutputName(options)) return usageError("play", "a file name is empty");
  if (!outputsApart("play", options, renderInputs(options), status)) return status;
  if (!readKit("play", options, status)) return status;
  // The engine's global controls by their options, then the run's own numbers.
  std::vector<GivenControl> controls;
  if (!readControls("play", options, controlOptions(), controls, status)) return status;
  std::int64_t seed = -1, window = 0;
  if (options.has("--seed") && !parseInteger(options.value("--seed"), 0, 4294967295, seed))
    return usageError("play", "--seed takes a number from 0 to 4294967295");
  if (options.has("--window") && !parseInteger(options.value("--window"), 1, std::int64_t{1} << 24, window))
    return usageError("play", "--window takes a number from 1 to " + std::to_string(std::int64_t{1} << 24));

  std::vector<std::string> pads;
  if (options.has("--pads") && !padFiles(options.value("--pads"), pads, status)) return status;

  RenderSession render;
  if (!render.open(options, song, status)) return status;
  Tamborak& engine = render.engine();
  if (!pads.empty() && !loadPads(render.session(), pads, status)) return status;
  // The trigger key matters with trigger notes only, and then is its default unless given.
  const GlobalControl& triggerKey = *findGlobalControl("--trigger-key");
  std::int32_t lowKey = triggerKey.defaultValue;
  for (const GivenControl& c : controls)
    if (c.control == &triggerKey) lowKey = c.value;
  std::erase_if(controls, [&](const GivenControl& c) { return c.control == &triggerKey; });
  setControls(engine, controls);
  std::vector<MidiEvent> input;
  if (options.has("--trigger")) {
    if (!readTriggerFile(options.value("--trigger"), song, input, status)) return status;
    setControl(engine, triggerKey, lowKey);
    engine.setTriggerEnabled(true);
  }
  // A host hands out windows of a few milliseconds: 10 ms at the tempo unless --window says.
  if (window == 0) window = std::max<std::int64_t>(1, song.ticksPerQuarter * song.bpm100 / (100 * 60 * 100));
  if (seed >= 0) crtSrand(static_cast<std::uint32_t>(seed));

  // The played events go straight into the export's collector and writer, with its time base,
  // and are kept for the records only when asked: memory grows with the notes, not the windows.
  ExportTimeBase base;
  engine.fillTimeBase(&base);
  SingleTrackProcess file(nullptr, 0, base);
  file.process(0, 0, static_cast<std::int32_t>(song.endTick() - 1));
  const bool json = options.has("--json");
  std::vector<MidiEvent> played;
  WindowPlayer transport(engine, [&](const MidiEvent& e) {
    if (isEmptyWindowMarker(e)) return;
    file.emit(e);
    if (json) played.push_back(e);
  });
  transport.feed(std::move(input));
  transport.start(0);
  {
    Progress progress("play: bars");
    for (std::int64_t bar = 0; bar < song.bars; ++bar) {
      transport.run(static_cast<SongTick>(bar * song.barTicks()), static_cast<SongTick>((bar + 1) * song.barTicks() - 1),
                    static_cast<SongTick>(window));
      progress.update(static_cast<std::size_t>(bar + 1), static_cast<std::size_t>(song.bars));
    }
  }
  transport.stop();
  std::string smf;
  CUniString stream(smf);
  file.write(stream);
  if (!writeOutputs(options, smf, status)) return status;
  if (json)
    printRecords(played, song);
  else
    printWritten(options, song, "one track of what the engine played");
  return 0;
}

}  // namespace velmora::app
