// The help texts of the program and of each command.
#include <string>

#include "app/LoopCommands.h"

namespace velmora::app {

namespace {

constexpr char kProgram[] =
    "usage: tamborak [--help] [--version] COMMAND [--help] ...\n"
    "  compose [-o LOOP.tbk]          compose a loop from the pattern library and print it\n"
    "  check LOOP.tbk                 judge a loop file by the drumming rules\n"
    "  show LOOP.tbk                  list a loop file's slices, patterns and parameters\n"
    "  find GRID|PATTERN              the library's patterns nearest to a rhythm, per kind\n"
    "  library [FOLDER]               count the patterns per volume and kind\n"
    "  volume pack FOLDER OUT         pack a folder of patterns into a volume file\n"
    "  volume list FILE               list the patterns of a volume file\n"
    "\n"
    "Tamborak composes drum loops from a library of one-bar pattern files. The library is the\n"
    "Patterns folder beside the program unless --library FOLDER names another. Exit codes: 0 done,\n"
    "1 missing or damaged input or an output not written, 2 a usage error, 3 rules broken (check).\n"
    "A volume file packs a folder of patterns into one file; put it in the library under a name\n"
    "without an extension.\n";

constexpr char kCompose[] =
    "usage: tamborak compose [options]\n"
    "Draws patterns for the slices that take part until the loop breaks no drumming rule or the\n"
    "attempts run out (then the loop that broke fewest is kept), and prints the six slices, each\n"
    "bar as 16 steps (x a stroke, X an accented stroke or open hi-hat, . a rest), the composer's\n"
    "result and the rule report.\n"
    "  --library FOLDER   the pattern library (default: Patterns beside the program)\n"
    "  --volume NAME      the volume to draw from (default: the first)\n"
    "  --group 0|1|2      variation group: small, medium or large\n"
    "  --attempts N       at most N attempts (default: the Compose\\Attempts setting, 100)\n"
    "  --seed N           the random seed: the same seed composes the same loop\n"
    "  --all              all six slices take part (by default the percussion layers are muted)\n"
    "  -o LOOP.tbk        write the loop file (whole or not at all)\n"
    "  --mid FILE.mid     write the loop as a MIDI file\n"
    "  --json             print one JSON object\n";

constexpr char kCheck[] =
    "usage: tamborak check LOOP.tbk [--all] [--json] [--library FOLDER]\n"
    "Judges the loop by the drumming rules, over the slices that take part in composing (not muted,\n"
    "not left out), or over all six with --all. Exit code 3 when a rule is broken.\n"
    "--json prints {\"violations\": N, \"blamed\": SLOTS, \"mask\": SLOTS, \"messages\": [...]}, where\n"
    "SLOTS is a bit mask of slots (1 perc 1, 2 perc 2, 4 perc 3, 8 cymbal, 16 snare, 32 kick):\n"
    "the slots blamed, and the slots judged.\n";

constexpr char kShow[] =
    "usage: tamborak show LOOP.tbk [--json] [--library FOLDER]\n"
    "Lists the loop's global controls and its six slices: part, kind, the bar as 16 steps\n"
    "(x a stroke, X an accented stroke or open hi-hat, . a rest), pattern, folder, parameters,\n"
    "fixed note and drum map (the keys it sends elsewhere, as KEY>NOTE).\n";

constexpr char kFind[] =
    "usage: tamborak find GRID|PATTERN [--count N] [--json] [--library FOLDER]\n"
    "Lists, for every kind folder of the library, the N patterns (default 3) nearest in rhythm to\n"
    "GRID, 16 characters such as x...x...x...x... (x, X, o, 1 or 2 a stroke; ., - or 0 a rest), or\n"
    "to the rhythm in a pattern file's name. Distance: 2 for each stroke that only one of the two\n"
    "rhythms has, but 1 for a stroke one step away from a stroke only the other has (a shifted\n"
    "stroke); 0 is the same rhythm. Accents count as strokes.\n";

constexpr char kLibrary[] =
    "usage: tamborak library [FOLDER] [--json]\n"
    "Counts the patterns of the library (default: Patterns beside the program) per volume, kind\n"
    "and variation group.\n";

constexpr char kVolume[] =
    "usage: tamborak volume pack FOLDER OUT | tamborak volume list FILE\n"
    "pack: packs a folder of patterns into one volume file (nothing is written when a file or\n"
    "folder cannot be read). list: lists the patterns of a volume file.\n";

}  // namespace

const char* commandHelp(const std::string& command) {
  if (command.empty()) return kProgram;
  if (command == "compose") return kCompose;
  if (command == "check") return kCheck;
  if (command == "show") return kShow;
  if (command == "find") return kFind;
  if (command == "library") return kLibrary;
  if (command == "volume") return kVolume;
  return nullptr;
}

}  // namespace velmora::app
