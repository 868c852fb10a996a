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
    "  export LOOP.tbk -o OUT.mid     write the loop as a MIDI file, as the plug-in exports it\n"
    "  play LOOP.tbk -o OUT.mid       play the loop as a host does, feel included, into a MIDI file\n"
#ifdef TAMBORAK_HAVE_CAIRO
    "  panel LOOP.tbk -o PANEL.png    draw the plug-in's panel for the loop as a PNG image\n"
#endif
    "  find GRID|PATTERN              the library's patterns nearest to a rhythm, per kind\n"
    "  library [FOLDER]               count the patterns per volume and kind\n"
    "  volume pack FOLDER OUT         pack a folder of patterns into a volume file\n"
    "  volume list FILE               list the patterns of a volume file\n"
    "  kit import FILE... [--name N]  make a note-name set and drum map from a drum kit's file\n"
    "  kit list                       list the installed note-name sets and drum maps\n"
    "\n"
    "Tamborak composes drum loops from a library of one-bar pattern files. The library is the\n"
    "Patterns folder beside the program, else the installed one (tamborak/Patterns under\n"
    "$XDG_DATA_DIRS, /usr/share by default), unless --library FOLDER names another.\n"
    "Exit codes: 0 done, 1 missing or damaged input or an output not written, 2 a usage error,\n"
    "3 rules broken (check).\n"
    "A volume file packs a folder of patterns into one file; put it in the library under a name\n"
    "without an extension.\n";

#define TAMBORAK_PHRASE_OPTIONS                                                                  \
  "  --phrase N         phrases of N bars (off, 2, 4, 8 or 16) counted from the song's bar 1;\n"   \
  "                     the end of each plays the loop's fill\n"                                   \
  "  --fill-length L    how much of a phrase's last bar the fill takes: beat, 2beats or bar\n"     \
  "  --crash on|off     a crash on the downbeat after each fill\n"

constexpr char kCompose[] =
    "usage: tamborak compose [options]\n"
    "Draws patterns for the slices that take part until the loop breaks no drumming rule or the\n"
    "attempts run out (then the loop that broke fewest is kept), and prints the six slices and the\n"
    "fill, each bar as 16 steps (x a stroke, X an accented stroke or open hi-hat, . a rest), the\n"
    "composer's result and the rule report. With a phrase length the fill is drawn and judged with\n"
    "the loop; the loop file keeps the phrase settings.\n"
    "  --library FOLDER   the pattern library (default: the installed Patterns)\n"
    "  --volume NAME      the volume to draw from (default: the first)\n"
    "  --group 0|1|2      variation group: small, medium or large\n"
    "  --attempts N       at most N attempts (default: the Compose\\Attempts setting, 100)\n"
    "  --seed N           the random seed: the same seed composes the same loop\n"
    "  --all              all six slices take part (by default the percussion layers are muted)\n"
    TAMBORAK_PHRASE_OPTIONS
    "  -o LOOP.tbk        write the loop file (whole or not at all)\n"
    "  --mid FILE.mid     write the loop as a MIDI file\n"
    "  --json             print one JSON object\n";

constexpr char kCheck[] =
    "usage: tamborak check LOOP.tbk [--all] [--json] [--library FOLDER]\n"
    "Judges the loop by the drumming rules, over the slices that take part in composing (not muted,\n"
    "not left out), or over all six with --all; while the loop has phrases, its fill too.\n"
    "Exit code 3 when a rule is broken.\n"
    "--json prints {\"violations\": N, \"blamed\": SLOTS, \"mask\": SLOTS, \"messages\": [...]}, where\n"
    "SLOTS is a bit mask of slots (1 perc 1, 2 perc 2, 4 perc 3, 8 cymbal, 16 snare, 32 kick,\n"
    "64 fill): the slots blamed, and the slots judged.\n";

constexpr char kShow[] =
    "usage: tamborak show LOOP.tbk [--json] [--library FOLDER]\n"
    "Lists the loop's global controls, its phrase (\"phrase 4 bars, fill one beat, crash on\" or\n"
    "\"phrases off\"), its six slices and its fill: part, kind, the bar as 16 steps (x a stroke,\n"
    "X an accented stroke or open hi-hat, . a rest), pattern, folder, parameters, fixed note and\n"
    "drum map (the keys it sends elsewhere, as KEY>NOTE). A muted fill plays no fills.\n";

constexpr char kFind[] =
    "usage: tamborak find GRID|PATTERN [--count N] [--json] [--library FOLDER]\n"
    "Lists, for every kind folder of the library, the N patterns (default 3) nearest in rhythm to\n"
    "GRID, 16 characters such as x...x...x...x... (x, X, o, 1 or 2 a stroke; ., - or 0 a rest), or\n"
    "to the rhythm in a pattern file's name. Distance: 2 for each stroke that only one of the two\n"
    "rhythms has, but 1 for a stroke one step away from a stroke only the other has (a shifted\n"
    "stroke); 0 is the same rhythm. Accents count as strokes.\n";

#define TAMBORAK_SONG_OPTIONS                                                                 \
  "  --bars N           bars to render, 1 to 9999 (default 4)\n"                               \
  "  --tempo BPM        beats per minute, such as 120 or 93.7 (default 120)\n"                  \
  "  --meter N/D        the meter, such as 4/4, 3/4 or 7/8 (default 4/4)\n"                     \
  "  --ppq N            ticks per quarter of the song and the file, 1 to 32767 (default 480)\n" \
  "  --channel N        send every note on MIDI channel N, 1 to 16 (default: the patterns' own)\n" \
  "  -o OUT.mid         write the MIDI file (whole or not at all)\n"                            \
  "  --wav OUT.wav      render it to audio with fluidsynth and a General MIDI sound font\n"     \
  "                     ($TAMBORAK_SOUNDFONT, else the system's default GM font)\n"             \
  "  --kit NAME         render --wav through an installed LV2 drum sampler's kit instead,\n"    \
  "                     such as \"AVL Black Pearl\" (--kit alone lists the kits)\n"             \
  "  --library FOLDER   the pattern library (default: the installed Patterns)\n"

constexpr char kExport[] =
    "usage: tamborak export LOOP.tbk -o OUT.mid [options]\n"
    "Writes the loop as the plug-in exports it: a tempo track with the tempo and meter, then the\n"
    "slices' notes in one track, or one track per slice named after its pattern (and the fill's\n"
    "while the loop has phrases). Phrase options not given keep the loop file's values.\n"
    TAMBORAK_SONG_OPTIONS
    TAMBORAK_PHRASE_OPTIONS
    "  --tracks one|slices  one track of notes (default) or one per slice\n";

constexpr char kPlay[] =
    "usage: tamborak play LOOP.tbk -o OUT.mid [options]\n"
    "Plays the loop through a simulated host, window by window as in a sequencer, with swing,\n"
    "velocity dynamics, humanize and quantize, and writes exactly what the engine played. With the\n"
    "humanize at 0 the file equals the export's. Controls not given keep the loop file's values.\n"
    TAMBORAK_SONG_OPTIONS
    "  --swing PC         swing, 0 to 100: every second step of the grid is late by PC % of a step\n"
    "  --swing-grid I     swing grid, steps per quarter: 0 or 2 four, 1 two, 3 eight, 4 sixteen\n"
    "                     (default: the volume's own)\n"
    "  --dynamics N       velocity dynamics, -100 to 100, around --centre PC (0 to 100)\n"
    "  --humanize N       velocity humanize, 0 to 127, leaning by --trend (-100 to 100)\n"
    "  --seed N           the random seed of the humanize: the same seed plays the same file\n"
    "  --quantize on|off  move strokes onto the grid\n"
    TAMBORAK_PHRASE_OPTIONS
    "  --window TICKS     the ticks of each host window (default: 10 ms at the tempo)\n"
    "  --trigger IN.mid   the notes of this MIDI file come in as track input: keys from\n"
    "                     --trigger-key (default 36) to 9 above switch to quick pads 0 to 9 at\n"
    "                     their tick, the key after them (trigger key + 10) plays a fill at the\n"
    "                     end of this bar, phrases or not; other events pass through\n"
    "  --pads A.tbk,B.tbk  loop files for quick pads 1, 2, ... (pad 0 plays LOOP.tbk)\n"
    "  --json             print the played records instead, in output order: time (ticks), port,\n"
    "                     channel (1 to 16), type, key, velocity, duration (-1: open); the engine's\n"
    "                     markers of empty windows are left out\n";

constexpr char kPanel[] =
    "usage: tamborak panel LOOP.tbk -o PANEL.png [--library FOLDER]\n"
    "Draws the plug-in's panel as it shows the loop (global controls, the six slice rows, quick\n"
    "pads) into a PNG image of 560 by 414 pixels, written whole or not at all.\n";

constexpr char kLibrary[] =
    "usage: tamborak library [FOLDER] [--json]\n"
    "Counts the patterns of the library (default: the installed Patterns) per volume, kind\n"
    "and variation group.\n";

constexpr char kVolume[] =
    "usage: tamborak volume pack FOLDER OUT | tamborak volume list FILE\n"
    "pack: packs a folder of patterns into one volume file (nothing is written when a file or\n"
    "folder cannot be read). list: lists the patterns of a volume file.\n";

constexpr char kKit[] =
    "usage: tamborak kit import FILE... [--name NAME] [--into FOLDER] [--force] | tamborak kit list\n"
    "import: reads drum samplers' kit descriptions (a DrumGizmo MIDI map, a Hydrogen\n"
    "drumkit.xml, or a MIDNAM note-name document as LV2 drum plug-ins give their host) and\n"
    "writes for each a note-name set and a drum map named after the kit (or NAME, for one FILE)\n"
    "into the NoteNames and DrumMaps folders (those under FOLDER with --into). The map sends\n"
    "each key the patterns play (kick, snare, clap, hi-hats, ride, percussion) to the kit\n"
    "instrument whose name fits it best and says which keys it could not place; those keep\n"
    "their own note. An existing set or map of that name is kept unless --force is given.\n"
    "list: lists the note-name sets and drum maps installed: the user's own, then those\n"
    "shipped with Tamborak for known kits (a user's set or map of the same name hides it).\n";

}  // namespace

const char* commandHelp(const std::string& command) {
  if (command.empty()) return kProgram;
  if (command == "compose") return kCompose;
  if (command == "check") return kCheck;
  if (command == "show") return kShow;
  if (command == "find") return kFind;
  if (command == "export") return kExport;
  if (command == "play") return kPlay;
  if (command == "library") return kLibrary;
#ifdef TAMBORAK_HAVE_CAIRO
  if (command == "panel") return kPanel;
#endif
  if (command == "volume") return kVolume;
  if (command == "kit") return kKit;
  return nullptr;
}

}  // namespace velmora::app
