// export and play run as a child process: the files hold the song's time base and the loop's
// notes for an independent reader, a play without humanize writes the export's bytes, a seeded
// humanize repeats, a trigger note switches pads at its tick, memory does not grow with the host's
// windows, the audio is not silent, and a drum kit plays each kick and snare on time.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "io/UniStream.h"
#include "midi/MidiTrack.h"
#include "tests/Golden.h"
#include "tests/TempFolder.h"
#include "tests/app/ProgramRun.h"

namespace {

namespace fs = std::filesystem;
using velmora::test::ProgramResult;
using velmora::test::readWholeFile;
using velmora::test::runProgram;

bool hasMido() { return std::system("/usr/bin/python3 -c 'import mido' >/dev/null 2>&1") == 0; }

// The record lines of play --json, split at a tick: those before it and those from it on.
std::pair<std::string, std::string> recordsAround(const std::string& json, long tick) {
  static const std::regex kTime("^ +\\{\"time\": ([0-9]+),.*\\}");
  std::istringstream in(json);
  std::string before, after;
  for (std::string line; std::getline(in, line);) {
    std::smatch m;
    if (!std::regex_search(line, m, kTime)) continue;
    (std::stol(m[1]) < tick ? before : after) += line.substr(0, line.find_last_of('}') + 1) + "\n";
  }
  return {before, after};
}

// The notes of 16 bars of 4/4 by half bar, as (tick in the half at 480 per quarter, key,
// velocity, duration), sorted.
using Notes = std::vector<std::tuple<long, int, int, long>>;
std::vector<Notes> notesByHalfBar(const std::string& smf) {
  velmora::CMidiTrack track;
  velmora::CUniMemoryReader reader(smf.data(), static_cast<std::uint32_t>(smf.size()));
  EXPECT_EQ(track.LoadSmf(reader), 0);
  std::vector<Notes> halves(32);
  const long scale = 480 / std::max(1, static_cast<int>(track.division()));
  for (const velmora::MidiEvent& e : track)
    if (const long t = e.time * scale; e.isNote() && t < 16 * 1920)
      halves[static_cast<std::size_t>(t / 960)].emplace_back(t % 960, e.data1, e.data2, e.duration * scale);
  for (Notes& half : halves) std::sort(half.begin(), half.end());
  return halves;
}

}  // namespace

TEST(RenderCommands, ExportAndPlayWriteWhatAHostPlaysInTheSongsTimeBase) {
  velmora::test::TempFolder dir;
  const fs::path& d = dir.path();
  ASSERT_EQ(runProgram(d, "$T compose --seed 11 -o loop.tbk").exit, 0);
  // The seeded loop file and the MIDI files made from it are kept byte for byte in the test data.
  const auto expectGolden = [&](const std::string& file, const std::string& golden) {
    EXPECT_TRUE(velmora::test::matchesGolden(readWholeFile(d / file), "app/" + golden));
  };
  expectGolden("loop.tbk", "compose-seed-11.tbk");
  ASSERT_EQ(runProgram(d, "$T compose --seed 12 --volume '\\''8 Beat Rock'\\'' -o other.tbk").exit, 0);
  const std::string song = " --meter 3/4 --tempo 93.7 --ppq 96 --bars 3 --channel 5";  // a bar is 288 ticks

  const ProgramResult one = runProgram(d, "$T export loop.tbk -o one.mid" + song);
  ASSERT_EQ(one.exit, 0) << one.err;
  EXPECT_EQ(one.out, "wrote one.mid: one track of notes, 3 bars of 3/4 at 93.70 bpm, 96 ticks per quarter\n");
  ASSERT_EQ(runProgram(d, "$T export loop.tbk --tracks slices -o slices.mid" + song).exit, 0);
  const std::string exported = readWholeFile(d / "one.mid");

  // Played without humanize: the export's file, byte for byte. Seeded humanize repeats.
  ASSERT_EQ(runProgram(d, "$T play loop.tbk --humanize 0 --window 7 -o played.mid" + song).exit, 0);
  EXPECT_EQ(readWholeFile(d / "played.mid"), exported);
  const std::string humanize = "$T play loop.tbk --humanize 40 --seed 5 -o ";
  ASSERT_EQ(runProgram(d, humanize + "h1.mid" + song + " && " + humanize + "h2.mid" + song).exit, 0);
  EXPECT_EQ(readWholeFile(d / "h1.mid"), readWholeFile(d / "h2.mid"));
  EXPECT_NE(readWholeFile(d / "h1.mid"), exported);
  expectGolden("one.mid", "export.mid");
  expectGolden("slices.mid", "export-slices.mid");
  expectGolden("h1.mid", "play-humanize-seed-5.mid");
  // The feel options take the global controls' ranges; a value outside is a usage error.
  ASSERT_EQ(runProgram(d, "$T play loop.tbk --swing 100 --swing-grid 1 --quantize on -o swung.mid" + song).exit, 0);
  EXPECT_NE(readWholeFile(d / "swung.mid"), exported);
  for (const char* bad : {"--swing 101", "--dynamics -101", "--centre -1", "--trend 101", "--humanize 128",
                          "--swing-grid 5", "--trigger-key 119", "--quantize 1"}) {
    const std::string option(bad, std::strchr(bad, ' '));
    const ProgramResult r = runProgram(d, "$T play loop.tbk -o bad.mid " + std::string(bad));
    EXPECT_EQ(r.exit, 2) << bad;
    EXPECT_NE(r.err.find("play: " + option + " takes "), std::string::npos) << r.err;
  }

  // The records: one per note of the file.
  velmora::CMidiTrack track;
  velmora::CUniMemoryReader reader(exported.data(), static_cast<std::uint32_t>(exported.size()));
  ASSERT_EQ(track.LoadSmf(reader), 0);
  const ProgramResult records = runProgram(d, "$T play loop.tbk --humanize 0 --json" + song);
  ASSERT_EQ(records.exit, 0) << records.err;
  std::size_t notes = 0;
  for (std::size_t at = 0; (at = records.out.find("\"type\": \"note\"", at)) != std::string::npos; ++at) ++notes;
  EXPECT_EQ(notes, track.eventCount());
  EXPECT_GT(notes, 10u);

  EXPECT_EQ(records.out.find("\"channel\": 10"), std::string::npos);
  EXPECT_NE(records.out.find("\"channel\": 5,"), std::string::npos) << records.out;
  for (const velmora::MidiEvent& e : track) EXPECT_EQ(e.channel, 4) << "the exported notes are on --channel 5";
  const ProgramResult bar = runProgram(d, "$T export loop.tbk --bars 1 -o bar.mid");
  EXPECT_EQ(bar.out, "wrote bar.mid: one track of notes, 1 bar of 4/4 at 120.00 bpm, 480 ticks per quarter\n");
  EXPECT_EQ(runProgram(d, "$T play loop.tbk --json --pads $(yes other.tbk | head -9 | paste -sd, -)").exit, 0);

  // Memory follows the notes, not the host windows: four bars in about 800 windows, then in
  // 524,288 windows of one tick (not measured under a sanitizer, which keeps freed memory).
  std::int64_t kilobytes[2] = {};
  for (int i = 0; i < 2 && !velmora::test::kSanitized && fs::exists("/usr/bin/time"); ++i) {
    const ProgramResult r = runProgram(d, std::string("/usr/bin/time -f %M $T play loop.tbk --ppq 32767 -o w.mid") +
                                              (i ? " --window 1" : ""));
    ASSERT_EQ(r.exit, 0) << r.err;
    kilobytes[i] = std::stoll(r.err.substr(r.err.find_last_of('\n', r.err.size() - 2) + 1));
  }
  EXPECT_LT(kilobytes[1] - kilobytes[0], 2 * 1024) << kilobytes[0] << " KiB before";

  // Key 37 at the second bar line (tick 144 of a file at 48 per quarter) switches to pad 1: from
  // there on the other loop plays, from its start, and up to it the loop as without a trigger.
  const unsigned char trigger[] = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0, 48, 'M', 'T', 'r', 'k', 0, 0, 0, 13,
                                   0x81, 0x10, 0x90, 37, 100, 10, 0x80, 37, 0, 0, 0xFF, 0x2F, 0};
  std::ofstream(d / "trigger.mid", std::ios::binary).write(reinterpret_cast<const char*>(trigger), sizeof trigger);
  const ProgramResult switched = runProgram(d, "$T play loop.tbk --pads other.tbk --trigger trigger.mid --json" + song);
  ASSERT_EQ(switched.exit, 0) << switched.err;
  const ProgramResult other = runProgram(d, "$T play other.tbk --json" + song);
  const auto [switchedBefore, switchedAfter] = recordsAround(switched.out, 288);
  EXPECT_EQ(switchedBefore, recordsAround(records.out, 288).first);
  EXPECT_EQ(switchedAfter, recordsAround(other.out, 288).second);
  EXPECT_NE(switchedAfter, recordsAround(records.out, 288).second);

  if (!hasMido()) GTEST_SKIP() << "no /usr/bin/python3 with mido: the files were read by our own reader only";
  std::ofstream(d / "read.py") << "import sys, mido\n"
                                  "for name in sys.argv[1:]:\n"
                                  "    f = mido.MidiFile(name)\n"
                                  "    print(f.type, f.ticks_per_beat, len(f.tracks))\n"
                                  "    for t in f.tracks:\n"
                                  "        print(sum(m.type == 'note_on' and m.velocity > 0 for m in t),\n"
                                  "              t[-1].type == 'end_of_track', t.name, *[f'tempo {m.tempo}' if\n"
                                  "              m.type == 'set_tempo' else f'meter {m.numerator}/{m.denominator}'\n"
                                  "              for m in t if m.type in ('set_tempo', 'time_signature')])\n";
  std::ofstream(d / "channels.py") << "import sys, mido\n"
                                      "print(sorted({m.channel for t in mido.MidiFile(sys.argv[1]).tracks for m in t\n"
                                      "              if m.type == 'note_on'}))\n";
  EXPECT_EQ(runProgram(d, "/usr/bin/python3 channels.py slices.mid").out, "[4]\n") << "each slice's track on --channel 5";
  const ProgramResult mido = runProgram(d, "/usr/bin/python3 read.py slices.mid one.mid");
  ASSERT_EQ(mido.exit, 0) << mido.err;
  std::smatch m;
  const std::string n = std::to_string(notes);
  const std::regex layout("1 96 7\n0 True  meter 3/4 tempo 640341\n(0 True 4\\.Percussion\\\\01\n){3}"
                          "([0-9]+) True 3\\.Cymbal\\\\[0-9]+\n([0-9]+) True 2\\.Snare\\\\[0-9]+\n([0-9]+) True 1\\.Kick\\\\[0-9]+\n"
                          "1 96 2\n0 True  meter 3/4 tempo 640341\n" + n + " True \n");
  ASSERT_TRUE(std::regex_match(mido.out, m, layout)) << mido.out;
  EXPECT_EQ(std::stoul(m[2]) + std::stoul(m[3]) + std::stoul(m[4]), notes);
}

TEST(RenderCommands, OutputsGoThroughLinksIntoDevicesAndPipesAsTheyAreAndKeepTheirMode) {
  velmora::test::TempFolder dir;
  const fs::path& d = dir.path();
  fs::create_directory(d / "sub");
  std::ofstream(d / "sub" / "real.mid") << "old";
  fs::permissions(d / "sub" / "real.mid", fs::perms::owner_read | fs::perms::owner_write);
  fs::create_symlink("sub/real.mid", d / "link.mid");
  const ProgramResult r = runProgram(d, "mknod null c 1 3 && mkfifo pipe.mid && $T compose --seed 4 -o loop.tbk >/dev/null && "
                                        "$T export loop.tbk -o plain.mid >/dev/null && $T export loop.tbk -o link.mid && "
                                        "$T export loop.tbk -o null && { timeout 9 cat pipe.mid >piped.mid & $T export loop.tbk -o "
                                        "pipe.mid; } && wait");
  ASSERT_EQ(r.exit, 0) << r.err;
  const std::string plain = readWholeFile(d / "plain.mid");
  EXPECT_TRUE(fs::is_symlink(d / "link.mid"));
  EXPECT_EQ(readWholeFile(d / "sub" / "real.mid"), plain);
  EXPECT_EQ(fs::status(d / "sub" / "real.mid").permissions(), fs::perms::owner_read | fs::perms::owner_write);
  EXPECT_TRUE(fs::is_character_file(d / "null"));
  EXPECT_TRUE(fs::is_fifo(d / "pipe.mid"));
  EXPECT_EQ(readWholeFile(d / "piped.mid"), plain);
}

TEST(RenderCommands, AudioFromTheSynthesiserIsNotSilent) {
  if (std::system("command -v fluidsynth >/dev/null && command -v sox >/dev/null") != 0 ||
      !fs::exists("/usr/share/sounds/sf2/default-GM.sf2"))
    GTEST_SKIP() << "fluidsynth, sox or a General MIDI sound font is missing (apt-get install fluidsynth "
                    "timgm6mb-soundfont sox)";
  velmora::test::TempFolder dir;
  const fs::path& d = dir.path();
  fs::create_symlink("real.wav", d / "loop.wav");  // the audio goes to the link's target
  const ProgramResult r = runProgram(
      d, "$T compose --seed 4 -o loop.tbk >/dev/null && $T play loop.tbk --bars 2 --wav loop.wav && sox loop.wav -n stat");
  ASSERT_EQ(r.exit, 0) << r.err;
  std::smatch rms;
  ASSERT_TRUE(std::regex_search(r.err, rms, std::regex("RMS +amplitude: +([0-9.]+)"))) << r.err;
  EXPECT_GT(std::stod(rms[1]), 0.001) << r.err;
  std::smatch length;
  ASSERT_TRUE(std::regex_search(r.err, length, std::regex("Length \\(seconds\\): +([0-9.]+)"))) << r.err;
  EXPECT_GT(std::stod(length[1]), 3.9) << "two bars at 120 bpm";
  EXPECT_TRUE(fs::is_symlink(d / "loop.wav"));
  EXPECT_EQ(std::distance(fs::directory_iterator(d), fs::directory_iterator()), 6) << "no temporary file is left";
}

TEST(RenderCommands, AKitPlaysEveryKickAndSnareOnTimeAndIsSilentWhereTheLoopRests) {
  {
    velmora::test::TempFolder dir;
    const ProgramResult r = runProgram(dir.path(), "$T compose --seed 4 -o loop.tbk >/dev/null && LV2_PATH=/nowhere "
                                                   "PATH=/nowhere $T play loop.tbk --kit \"black pearl\" --wav gm.wav");
    EXPECT_EQ(r.exit, 1) << "without a drum sampler the sound font renders";
    EXPECT_NE(r.err.find("no LV2 drum sampler is installed"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("install fluidsynth"), std::string::npos) << r.err;
  }
  if (std::system("command -v aubioonset >/dev/null") != 0 || !fs::exists("/usr/lib/lv2/avldrums.lv2/manifest.ttl"))
    GTEST_SKIP() << "aubio-tools or avldrums.lv2 is missing (apt-get install aubio-tools avldrums.lv2)";
  velmora::test::TempFolder dir;
  const fs::path& d = dir.path();
  // Trigger notes at 480 ticks a quarter: pad 0 (the loop) from the start, the empty pad 1 from
  // the fourth eighth, pad 0 again on bar 2's downbeat: the loop rests in between.
  const char track[] = "\x00\x99\x24\x64\x0A\x89\x24\x00\x85\x46\x99\x25\x64\x0A\x89\x25\x00\x89\x26\x99\x24\x64"
                       "\x0A\x89\x24\x00\x00\xFF\x2F\x00";
  std::ofstream(d / "trigger.mid", std::ios::binary)
      << std::string("MThd\0\0\0\x06\0\0\0\x01\x01\xE0MTrk\0\0\0\x1E", 22) << std::string(track, sizeof track - 1);
  const ProgramResult r = runProgram(
      d, "$T compose --seed 4 -o loop.tbk >/dev/null && $T play loop.tbk --bars 2 --tempo 100 --trigger trigger.mid "
         "--json --wav kit.wav --kit \"black pearl\" >notes.json && aubioonset -i kit.wav -H 16 -B 128 -t 0.4 -M 0.03");
  ASSERT_EQ(r.exit, 0) << r.err;
  if (r.err.find("no LV2 drum sampler") != std::string::npos) GTEST_SKIP() << r.err;
  const ProgramResult unknown = runProgram(d, "$T play loop.tbk --wav no.wav --kit Zeppelin");
  EXPECT_EQ(unknown.exit, 2);
  EXPECT_NE(unknown.err.find("no kit is named 'Zeppelin'; the kits: AVL Black Pearl, AVL Black Pearl Multi, AVL Red "
                             "Zeppelin, AVL Red Zeppelin Multi"),
            std::string::npos)
      << unknown.err;
  const ProgramResult tooLong = runProgram(d, "$T export loop.tbk --bars 9999 --tempo 20 --wav long.wav --kit \"black pearl\"");
  EXPECT_EQ(tooLong.exit, 1);
  EXPECT_NE(tooLong.err.find("long.wav: not written: AVL Black Pearl: the song is too long for a WAV file"),
            std::string::npos)
      << tooLong.err;

  const std::string wav = readWholeFile(d / "kit.wav");
  ASSERT_GT(wav.size(), 44u);
  const auto word = [&](std::size_t at, int bytes) {
    std::uint32_t value = 0;
    for (int i = bytes - 1; i >= 0; --i) value = value << 8 | static_cast<unsigned char>(wav[at + i]);
    return value;
  };
  EXPECT_EQ(wav.substr(0, 4) + wav.substr(8, 8) + wav.substr(36, 4), "RIFFWAVEfmt data");
  EXPECT_EQ(word(22, 2), 2u) << "stereo";
  EXPECT_EQ(word(24, 4), 48000u);
  EXPECT_EQ(word(34, 2), 16u);
  EXPECT_EQ(word(40, 4), wav.size() - 44);
  EXPECT_EQ(word(4, 4), wav.size() - 8);
  // Peak of both channels between two times, as a fraction of full scale.
  const auto peak = [&](double from, double to) {
    int most = 0;
    const auto byteAt = [](double seconds) { return 44 + 4 * static_cast<std::size_t>(seconds * 48000); };
    for (std::size_t at = byteAt(from); at + 2 <= wav.size() && at < byteAt(to); at += 2)
      most = std::max(most, std::abs(static_cast<std::int16_t>(word(at, 2))));
    return most / 32768.0;
  };

  // At 100 bpm a tick lasts 1.25 ms. The kicks and snares each have an onset within 5 ms after
  // them (and none sound before their note: 1 ms allows for the detector's steps of 0.33 ms).
  const std::string notes = readWholeFile(d / "notes.json");
  std::vector<double> onsets;
  std::istringstream onsetLines(r.out);
  for (double t; onsetLines >> t;) onsets.push_back(t);
  int hits = 0;
  const std::regex note("\"time\": (\\d+),[^}]*\"type\": \"note\", \"key\": (\\d+)");
  for (std::sregex_iterator it(notes.begin(), notes.end(), note), end; it != end; ++it) {
    const int key = std::stoi((*it)[2]);
    if (key != 35 && key != 36 && key != 38 && key != 40) continue;
    const double time = std::stoi((*it)[1]) * 0.00125;
    ++hits;
    EXPECT_TRUE(std::any_of(onsets.begin(), onsets.end(), [&](double o) { return o - time > -0.001 && o - time < 0.005; }))
        << "no onset within 5 ms of key " << key << " at " << time << " s; onsets:\n" << r.out;
    EXPECT_GT(peak(time, time + 0.05), 0.02) << "key " << key << " at " << time << " s";
  }
  EXPECT_GE(hits, 6) << notes;
  // The loop's last note before the rest is at 0.75 s, the next on the downbeat at 2.4 s.
  EXPECT_LT(peak(1.5, 2.39), 0.01) << "-40 dBFS where the loop rests";
  EXPECT_TRUE(std::none_of(onsets.begin(), onsets.end(), [](double o) { return o > 0.9 && o < 2.39; })) << r.out;
}

TEST(RenderCommands, PhrasesEndInTheFillBeforeTheSameDownbeatsInExportPlayAndALiveFill) {
  velmora::test::TempFolder dir;
  const fs::path& d = dir.path();
  const ProgramResult r = runProgram(d, "$T compose --seed 5 --phrase 4 --fill-length bar -o fills.tbk >c.txt && $T show "
                                        "fills.tbk && $T show --json fills.tbk && $T check --all --json fills.tbk");
  const std::string composed = readWholeFile(d / "c.txt");
  std::smatch row, fill;
  ASSERT_TRUE(std::regex_search(composed, row, std::regex("\n6 fill +Fill +[.xX]{16}  .*\n"))) << r.err;
  for (const std::string& part :
       {row.str(), std::string("\nphrase 4 bars, fill one bar, crash off\n"), std::string("\"mask\": 127,")})
    EXPECT_NE(r.out.find(part), std::string::npos) << part << r.out;
  ASSERT_TRUE(std::regex_search(r.out, fill, std::regex("\"fill\": .*\"folder\": \"(.*)\", \"pattern\": \"([^\"]*)\"")));
  const std::vector<Notes> F = notesByHalfBar(readWholeFile(fs::path(TAMBORAK_PROGRAM).parent_path() / "Patterns" /
                                              std::regex_replace(fill[1].str(), std::regex("\\\\\\\\"), "/") / fill[2].str()));

  const auto render = [&](const std::string& command) {
    EXPECT_EQ(runProgram(d, "$T " + command + " fills.tbk --bars 16 -o out.mid").exit, 0) << command;
    return readWholeFile(d / "out.mid");
  };
  const std::string crash = render("export --fill-length 2beats --crash on");
  for (const char* window : {"7", "1000"})
    EXPECT_EQ(render(std::string("play --fill-length 2beats --crash on --window ") + window), crash) << window;
  // The key after the ten pad keys at bar 2 (tick 192 at 48 per quarter) plays a fill at its end.
  std::ofstream(d / "live.mid") << std::string("MThd\0\0\0\6\0\0\0\1\0\x30MTrk\0\0\0\x0d"
                                               "\x81\x40\x90\x2e\x64\x0a\x80\x2e\0\0\xff\x2f\0", 35);
  const std::vector<Notes> P = notesByHalfBar(render("export --phrase off")), B = notesByHalfBar(render("export")),
                           W = notesByHalfBar(render("export --fill-length 2beats")), C = notesByHalfBar(crash),
                           L = notesByHalfBar(render("play --phrase off --trigger live.mid"));
  const auto crashes = [](const Notes& notes) {
    return std::count_if(notes.begin(), notes.end(), [](const auto& n) { return std::get<0>(n) == 0 && std::get<1>(n) == 49; });
  };
  // This fill's figure starts in the bar's second half: the groove plays on until then.
  ASSERT_TRUE(F[0].empty() && !F[1].empty());
  for (std::size_t h = 0; h < 32; ++h) {  // bars 4, 8, 12, 16 fill; 5, 9, 13 start with the crash
    const bool fills = h / 2 % 4 == 3 && h % 2, crashed = h % 8 == 0 && h > 0;
    EXPECT_EQ(B[h], fills ? F[1] : P[h]) << h;
    EXPECT_EQ(W[h], fills ? F[1] : P[h]) << h;
    EXPECT_EQ(L[h], h == 3 ? F[1] : P[h]) << h;
    EXPECT_EQ(C[h].size() - W[h].size(), crashed ? 1u : 0u) << h;
    EXPECT_EQ(crashes(C[h]) - crashes(W[h]), crashed ? 1 : 0) << h;
  }

  // A loop file from before fills plays as it did, with phrases off.
  const std::string old = fs::absolute(velmora::test::testDataPath("compat/loop-v11.tbk")).string();
  EXPECT_NE(runProgram(d, "$T show " + old + " && $T export " + old + " --bars 16 -o old.mid").out.find("\nphrases off\n5 kick "),
            std::string::npos);
  EXPECT_EQ(readWholeFile(d / "old.mid"), readWholeFile(velmora::test::testDataPath("compat/loop-v11-16-bars.mid")));
}
