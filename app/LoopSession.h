// One engine over a pattern library, made as the class factory makes it, for the commands that
// compose, check and show loops; and the text forms of a loop that they print.
#pragma once

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "engine/GlobalControls.h"
#include "engine/ResultView.h"
#include "engine/Tamborak.h"
#include "platform/KeyState.h"

namespace velmora::app {

// Where the program's engines keep their records ("Globals"), apart from the plug-in's.
inline constexpr char kCommandLineSettingsKey[] = "Velmora\\Tamborak\\Command line";

class LoopSession {
 public:
  // [main-thread, not real-time safe: scans the library] `library` is the pattern library
  // folder; empty: the Patterns folder beside the program. Check ok() afterwards.
  explicit LoopSession(const std::string& library);
  ~LoopSession();
  LoopSession(const LoopSession&) = delete;
  LoopSession& operator=(const LoopSession&) = delete;

  bool ok() const { return static_cast<bool>(engine_); }
  Tamborak& engine() { return *engine_; }
  ResultView& view() { return view_; }
  // The volumes of the library (folders and volume files at its top). [main-thread]
  std::vector<std::string> volumes();
  // Reads a loop file into the engine; false with `error` (naming the file) when the file is
  // missing, unreadable or not a whole loop. A pattern of the loop that the library lacks or
  // cannot read is a warning on stderr naming the loop, the slice and the pattern.
  // [main-thread, not real-time safe]
  bool loadLoopFile(const std::string& path, std::string& error);
  // Writes the engine's loop to `path` through a temporary file; false with `error` naming the
  // file. [main-thread, not real-time safe]
  bool saveLoopFile(const std::string& path, std::string& error);

 private:
  // Warns on stderr, once per pattern, of a pattern a slice could not load.
  void warnPattern(const Looper& slice, const std::string& folder, const std::string& file, bool found);

  std::unique_ptr<Tamborak> engine_;
  ResultView view_;
  std::string loading_;           // the loop file being read, named in warnings
  std::set<std::string> warned_;  // patterns already warned of
  platform::ScriptedKeyState noKeys_;  // the composer's test mode never sees a held key
};

struct Options;

// An engine over the library of --library holding the loop file named by the first word; null,
// with the exit code in `status` after saying why, when the library, the engine or the file
// fails. [main-thread, not real-time safe]
std::unique_ptr<LoopSession> openLoopSession(const Options& options, int& status);

// Refuses (a usage error in `status`, false) a command line whose output files (-o, --mid,
// --wav) include one of the `inputs` or name one file twice, by file identity, before anything
// is written. [main-thread, not real-time safe: examines files]
bool outputsApart(const char* command, const Options& options, const std::vector<std::string>& inputs, int& status);

// The pattern library folder: `named`, or the Patterns folder beside the program when empty.
// When it is not a folder, says so on stderr, sets `status` and gives "". [main-thread]
std::string libraryFolder(const std::string& named, int& status);

// A global control's value given on the command line.
struct GivenControl {
  const GlobalControl* control;
  std::int32_t value;
};

// The options of the loop's phrase controls: --phrase, --fill-length, --crash. [any-thread]
std::vector<std::string> phraseOptions();
// The options of every global control that has one. [any-thread]
std::vector<std::string> controlOptions();
// Reads the global controls whose options are among `accepted` and given: "on" or "off" for a
// toggle, one of its labels for a choice, else a number in its range. False, with a usage error
// in `status`, for a value the control does not take. [main-thread]
bool readControls(const char* command, const Options& options, const std::vector<std::string>& accepted,
                  std::vector<GivenControl>& given, int& status);
// Gives the engine each value, without notification. [main-thread, not real-time safe]
void setControls(Tamborak& engine, const std::vector<GivenControl>& given);

// The slots judged by default: the slices that take part in composing, and the fill while the
// loop has phrases. [main-thread]
std::uint32_t takingPart(Tamborak& engine);
// Every slot the rules can judge: the six slices, and the fill while the loop has phrases.
// [main-thread]
std::uint32_t allParts(Tamborak& engine);
// The part a slot plays ("perc 1".."perc 3", "cymbal", "snare", "kick", "fill"). [any-thread]
const char* partName(int slot);
// The loop's phrase as "phrase 4 bars, fill one beat, crash on", or "phrases off"; with `json`,
// the object {"bars": N, "fillLength": "beat|2beats|bar", "crash": BOOL}. [main-thread]
std::string phraseText(Tamborak& engine, bool json);
// The bar of a rhythm signature as 16 characters: "x" a stroke, "X" an accented stroke (an open
// hi-hat on cymbals), "." a rest. [any-thread]
std::string stepGrid(std::uint32_t hitMask, std::uint32_t accentMask);
// The instrument kind of a slice's folder: its last folder component (folders end with "\\"). [any-thread]
std::string kindOf(const std::string& folder);

// Prints the loop's six slices and then its fill as a table, or as the JSON array "slices" and
// the object "fill" (with `details`, the parameters, drum map and flags of each too).
// [main-thread]
void printSlices(Tamborak& engine, bool json, bool details);
// Prints the rule report over the slots in `mask` as text or one JSON object; returns the
// number of violations. [main-thread]
std::int32_t printRules(Tamborak& engine, std::uint32_t mask, bool json);

}  // namespace velmora::app
