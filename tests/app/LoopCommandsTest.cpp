// The loop commands of the tamborak program run as a child process over the default library:
// a seeded composition is repeatable and round-trips through its loop file, and every failure
// gives its exit code, one line naming the file, and no file half-written.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>

#include "tests/TempFolder.h"
#include "tests/app/ProgramRun.h"

namespace {

namespace fs = std::filesystem;
using velmora::test::ProgramResult;
using velmora::test::readWholeFile;
using velmora::test::runProgram;

// The slice and fill lines of a compose or show listing: slot, part, kind, grid, pattern.
std::vector<std::string> sliceLines(const std::string& listing) {
  static const std::regex kSlice("^[0-6] .{7} .* [.xX]{16}  .*$");
  std::vector<std::string> lines;
  std::istringstream in(listing);
  for (std::string line; std::getline(in, line);)
    if (std::regex_match(line, kSlice)) lines.push_back(line);
  return lines;
}

}  // namespace

TEST(LoopCommands, SeededCompositionIsRepeatableAndItsLoopFileChecksCleanAndShowsTheSameSlices) {
  velmora::test::TempFolder dir;
  const fs::path& d = dir.path();
  const ProgramResult first = runProgram(d, "$T compose --seed 7 --group 1 -o loop.tbk && mv loop.tbk first.tbk");
  ASSERT_EQ(first.exit, 0) << first.err;
  const ProgramResult again = runProgram(d, "$T compose --seed 7 --group 1 -o loop.tbk --mid loop.mid");
  ASSERT_EQ(again.exit, 0) << again.err;
  EXPECT_EQ(first.out + "wrote loop.mid\n", again.out);
  EXPECT_EQ(readWholeFile(d / "first.tbk"), readWholeFile(d / "loop.tbk"));
  EXPECT_EQ(readWholeFile(d / "loop.mid").rfind("MThd", 0), 0u) << "the loop as a MIDI file";
  EXPECT_NE(runProgram(d, "$T compose --seed 8 --group 1").out, first.out) << "the seed is ignored";

  const std::vector<std::string> composed = sliceLines(first.out);
  ASSERT_EQ(composed.size(), 7u) << first.out;
  EXPECT_EQ(composed.back(), "6 fill    Fill         ................  (none)") << "no fill is drawn without phrases";
  EXPECT_EQ(composed.front().rfind("5 kick", 0), 0u) << composed.front();
  EXPECT_NE(first.out.find("rules: no rule broken (judged: kick, snare, cymbal)"), std::string::npos) << first.out;

  const ProgramResult check = runProgram(d, "$T check --json loop.tbk");
  EXPECT_EQ(check.exit, 0) << check.out << check.err;
  EXPECT_EQ(check.out, "{\"violations\": 0, \"blamed\": 0, \"mask\": 56, \"messages\": []}\n");
  EXPECT_NE(runProgram(d, "$T check --all --json loop.tbk").out.find("\"mask\": 63,"), std::string::npos);

  const ProgramResult show = runProgram(d, "$T show loop.tbk");
  EXPECT_EQ(show.exit, 0) << show.err;
  EXPECT_EQ(sliceLines(show.out), composed) << show.out;
  EXPECT_NE(show.out.find("loop loop.tbk: volume 16 Beat Funk, variation group 1"), std::string::npos) << show.out;
  // The plug-in's stored controls stay the user's: engines that never loaded them write nothing.
  EXPECT_FALSE(fs::exists(d / "settings" / "registry.reg"));
  fs::create_directories(d / "settings");
  std::ofstream(d / "settings" / "registry.reg") << "damaged";
  EXPECT_TRUE(runProgram(d, "$T check loop.tbk").err.starts_with("tamborak: " + (d / "settings").string()));

  // The kick's pattern is found again by its own name, at distance 0.
  std::smatch kick;
  ASSERT_TRUE(std::regex_match(composed.front(), kick, std::regex("^5 kick +.* ([.xX]{16})  (.*)$")));
  const ProgramResult found = runProgram(d, "$T find --count 1000 " + kick[2].str());
  EXPECT_EQ(found.exit, 0) << found.err;
  EXPECT_NE(found.out.find("    0  " + kick[1].str() + "  " + kick[2].str() + "\n"), std::string::npos) << found.out;
  // Fills are found by their rhythm like the slices' patterns.
  EXPECT_NE(runProgram(d, "$T find ........x.x.x.x.").out.find("8 Beat Rock\\5.Fill\\Fill\n    0  ........x.x.x.x.  "
                                                                "01_4_0000000010101010_0#Snare eighths on three and four.mid\n"),
            std::string::npos);
}

TEST(LoopCommands, FindRanksAnotherLibrarysPatternsByRhythmDistancePerKind) {
  velmora::test::TempFolder dir;
  const fs::path& d = dir.path();
  const fs::path kick = d / "Lib" / "Vol" / "1.Kick" / "Kick", snare = d / "Lib" / "Vol" / "2.Snare" / "Snare";
  fs::create_directories(kick);
  fs::create_directories(snare);
  struct Pattern {
    fs::path folder;
    const char* name;
    int distance;  // from x...x...x...x...
  };
  const Pattern patterns[] = {
      {kick, "01_4_1000100010001000_0#Same.mid", 0},
      {kick, "02_4_1000010010001000_0#One late.mid", 1},
      {kick, "03_4_1001000010001000_0#One early.mid", 1},
      {kick, "04_3_1000100010000000_0#One missing.mid", 2},
      {kick, "05_5_1000100010101000_0#One more.mid", 2},
      {kick, "06_4_0100010001000100_0#All late.mid", 4},
      {kick, "07_4_1000000000001011_0#Far.mid", 8},
      {snare, "01_2_0000200000002000_0#Accents.mid", 4},
  };
  for (const Pattern& p : patterns) std::ofstream(p.folder / p.name) << "MThd";
  std::ofstream(d / "Lib" / "Vol" / "Default.mid") << "no signature: not a pattern";

  const ProgramResult r = runProgram(d, "$T find x...x...x...x... --count 10 --library Lib");
  ASSERT_EQ(r.exit, 0) << r.err;
  std::string expected = "nearest to x...x...x...x...\nVol\\1.Kick\\Kick\n";
  for (const Pattern& p : patterns) {
    if (p.folder != kick) continue;
    const std::string name = p.name, grid = name.substr(name.find('_', 3) + 1, 16);
    std::string shown;
    for (char c : grid) shown += c == '0' ? '.' : c == '1' ? 'x' : 'X';
    char line[128];
    std::snprintf(line, sizeof line, "  %3d  %s  %s\n", p.distance, shown.c_str(), p.name);
    expected += line;
  }
  expected += "Vol\\2.Snare\\Snare\n    4  ....X.......X...  01_2_0000200000002000_0#Accents.mid\n";
  EXPECT_EQ(r.out, expected);
  EXPECT_EQ(runProgram(d, "$T find Lib/Vol/1.Kick/Kick/01_4_1000100010001000_0#Same.mid --count 10 --library Lib").out,
            expected);
}

TEST(LoopCommands, CheckReportsBrokenRulesOverAllSlotsAsParsableJson) {
  velmora::test::TempFolder dir;
  const fs::path& d = dir.path();
  // One attempt with all six slices taking part: some seed breaks a rule.
  const ProgramResult broken = runProgram(
      d, "for s in 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16; do $T compose --all --attempts 1 --seed $s -o b.tbk >/dev/null; "
         "$T check b.tbk >/dev/null || exit 0; done; exit 9");
  ASSERT_EQ(broken.exit, 0) << "no seed broke a rule in one attempt";
  const std::regex kReport(
      R"(\{"violations": ([1-9][0-9]*), "blamed": ([0-9]+), "mask": 63, "messages": \[("[^"\\]+"(, "[^"\\]+")*)\]\}\n)");
  for (const char* option : {"", "--all "}) {
    SCOPED_TRACE(option);
    const ProgramResult r = runProgram(d, std::string("$T check ") + option + "--json b.tbk");
    EXPECT_EQ(r.exit, 3) << r.err;
    std::smatch m;
    ASSERT_TRUE(std::regex_match(r.out, m, kReport)) << r.out;
    const unsigned blamed = static_cast<unsigned>(std::stoul(m[2]));
    EXPECT_NE(blamed, 0u);
    EXPECT_EQ(blamed & ~63u, 0u);
    const std::string messages = m[3];
    EXPECT_EQ(static_cast<int>(std::count(messages.begin(), messages.end(), '"')) / 2, std::stoi(m[1])) << messages;
  }
}

TEST(LoopCommands, FailuresGiveTheirExitCodeAndOneLineNamingTheFileAndWriteNothingAndNameBadPatterns) {
  velmora::test::TempFolder dir;
  const fs::path& d = dir.path();
  ASSERT_EQ(runProgram(d, "$T compose --seed 3 -o good.tbk").exit, 0);
  const std::string good = readWholeFile(d / "good.tbk");
  std::ofstream(d / "cut.tbk", std::ios::binary) << good.substr(0, good.size() / 2);
  std::ofstream(d / "noise.tbk", std::ios::binary) << "this is no loop file at all";
  fs::create_directory(d / "ro");
  fs::permissions(d / "ro", fs::perms::owner_read | fs::perms::owner_exec);
  fs::create_symlink("good.tbk", d / "link.tbk");
  std::string many("MThd\0\0\0\6\0\0\0\1\0\x60MTrk\0\x04\x93\xe8\0\x90\x30\x40", 26);  // 100,001 notes
  for (int i = 0; i < 100000; ++i) many.append("\0\x30\x40", 3);
  std::ofstream(d / "many.mid", std::ios::binary) << many << std::string("\0\xff\x2f\0", 4);

  struct Case {
    const char* what;
    std::string command;
    int exit;
    std::string errHas;
  };
  const Case cases[] = {
      {"a missing loop", "$T check missing.tbk", 1, "missing.tbk: "},
      {"a loop cut short", "$T show cut.tbk", 1, "cut.tbk: not a loop file, or a damaged one"},
      {"bytes that are no loop", "$T check noise.tbk", 1, "noise.tbk: not a loop file, or a damaged one"},
      {"a folder as loop", "$T show ro", 1, "ro: a folder"},
      {"a read-only output folder", "$DROP $T compose --seed 3 -o ro/out.tbk", 1, "ro/out.tbk: not written: "},
      {"a missing library", "$T compose --library nowhere", 1, "nowhere: no pattern library there"},
      {"a missing library before the command", "$T --library nowhere check good.tbk", 1, "nowhere: no pattern"},
      {"an unknown option", "$T compose --bogus", 2, "compose: unknown option '--bogus'"},
      {"a group out of range", "$T compose --group 3", 2, "--group takes 0"},
      {"attempts that are no number", "$T compose --attempts 1x", 2, "--attempts takes a number"},
      {"an option without its value", "$T compose --seed", 2, "--seed needs a value"},
      {"an unknown volume", "$T compose --volume Polka", 2, "no volume 'Polka'"},
      {"a read-only MIDI output folder", "$DROP $T compose --seed 3 --mid ro/out.mid", 1, "ro/out.mid: not written: "},
      {"check without a file", "$T check", 2, "check: needs a file"},
      {"show with two files", "$T show good.tbk good.tbk", 2, "unexpected 'good.tbk'"},
      {"find with a short grid", "$T find x...x...", 2, "neither a 16-step grid"},
      {"an export of a missing loop", "$T export missing.tbk -o out.mid", 1, "missing.tbk: "},
      {"a play of a loop cut short", "$T play cut.tbk -o out.mid", 1, "cut.tbk: not a loop file"},
      {"a read-only export folder", "$DROP $T export good.tbk -o ro/out.mid", 1, "ro/out.mid: not written: "},
      {"the loop as its own export", "$T export good.tbk -o good.tbk", 2, "good.tbk (-o) is an input too"},
      {"a pad's loop through a link as the audio", "$T play noise.tbk --pads cut.tbk,good.tbk --wav link.tbk", 2,
       "link.tbk (--wav) is an input too"},
      {"one file for both outputs", "$T compose -o x.tbk --mid ./x.tbk", 2, "-o and --mid name the same file"},
      {"a trigger file that is no MIDI file", "$T play good.tbk --trigger noise.tbk -o out.mid", 1, "noise.tbk: not a MIDI"},
      {"a meter of no power of two", "$T export good.tbk -o out.mid --meter 5/3", 2, "--meter takes N/D"},
      {"a beat of no whole tick", "$T play good.tbk -o out.mid --meter 6/8 --ppq 481", 2, "not a whole number of ticks"},
      {"bars out of range", "$T export good.tbk -o out.mid --bars 10000", 2, "--bars takes"},
      {"an export with no output", "$T export good.tbk", 2, "needs -o OUT.mid"},
      {"audio without a synthesiser", "PATH=/nowhere $T export good.tbk --wav out.wav", 1, "install fluidsynth"},
      {"a sound font that is none", "TAMBORAK_SOUNDFONT=good.tbk $T export good.tbk --wav out.wav", 1,
       "good.tbk is not a sound font"},
      {"a kit without audio", "$T export good.tbk -o out.mid --kit black", 2, "--kit goes with --wav"},
      {"a kit without its name", "$T play good.tbk --wav out.wav --kit", 2, "--kit needs a kit"},
      {"a second -o", "$T export good.tbk -o loop.mid -o out.mid", 2, "-o is given twice"},
      {"ten pad files", "$T play good.tbk --json --pads $(yes good.tbk | head -10 | paste -sd, -)", 2,
       "--pads takes at most 9 loop files"},
      {"a pad file without a name", "$T play good.tbk --json --pads ,", 2, "--pads: a file name is empty"},
      {"a trigger file too large", "head -c 1048577 /dev/zero >big.mid && $T play good.tbk --json --trigger big.mid",
       1, "big.mid: larger than 1048576"},
      {"a trigger file of too many events", "$T play good.tbk --json --trigger many.mid", 1, "more than 100000 events"},
      {"a compose from an empty library", "mkdir empty && $T compose --library empty -o out.mid", 1,
       "no pattern to compose from"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const ProgramResult r = runProgram(d, c.command);
    EXPECT_EQ(r.exit, c.exit) << r.err;
    EXPECT_TRUE(r.out.empty()) << r.out;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    EXPECT_NE(r.err.find(c.errHas), std::string::npos) << r.err;
  }
  EXPECT_TRUE(fs::is_empty(d / "ro"));
  EXPECT_FALSE(fs::exists(d / "loop.mid") || fs::exists(d / "out.mid") || fs::exists(d / "out.wav") ||
               fs::exists(d / "x.tbk"));
  EXPECT_EQ(readWholeFile(d / "good.tbk"), good);
  fs::permissions(d / "ro", fs::perms::owner_all);

  // Every command answers --help and -h on standard output.
  for (const char* command : {"compose", "check", "show", "find", "export", "play", "library", "volume"})
    for (const char* help : {" --help", " -h"}) {
      const ProgramResult r = runProgram(d, std::string("$T ") + command + help);
      EXPECT_EQ(r.exit, 0) << command << help;
      EXPECT_EQ(r.out.rfind(std::string("usage: tamborak ") + command, 0), 0u) << r.out;
    }

  // Patterns a library lacks or cannot read are named on standard error.
  fs::create_directories(d / "Lib" / "Vol" / "1.Kick" / "Kick");
  for (const char* name : {"01_4_1000100010001000_0#Bad.mid", "02_4_1000100010001000_0#Bad.mid"})
    std::ofstream(d / "Lib" / "Vol" / "1.Kick" / "Kick" / name) << "MThd, damaged";

  // The loop's patterns are missing from that library: each slice is named, the file is written.
  const ProgramResult missing = runProgram(d, "$T export good.tbk -o out.mid --library Lib");
  EXPECT_EQ(missing.exit, 0) << missing.err;
  EXPECT_NE(missing.err.find("tamborak: warning: good.tbk: kick: pattern "), std::string::npos) << missing.err;
  EXPECT_NE(missing.err.find(" is not in the library"), std::string::npos) << missing.err;
  // Its patterns cannot be read: named, and nothing is composed or written.
  const ProgramResult r = runProgram(d, "$T compose --library Lib -o bad.tbk");
  EXPECT_EQ(r.exit, 1);
  EXPECT_NE(r.err.find(": pattern Vol\\1.Kick\\Kick\\01_4_1000100010001000_0#Bad.mid cannot be read (a damaged "
                       "pattern file); it is left out\n"), std::string::npos) << r.err;
  EXPECT_TRUE(r.err.ends_with("\ntamborak: Lib: no pattern to compose from (the library holds none that can be "
                              "read)\n")) << r.err;
}
