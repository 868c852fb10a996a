// What the commands of the command-line program share: reading their options, reporting
// errors with the exit codes the program promises, JSON text, and a progress line on stderr.
#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace velmora::app {

// Exit codes: 0 done, 1 missing or damaged input or an output that could not be written,
// 2 a usage error, 3 a check that found broken rules.
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitRulesBroken = 3;

// Prints "tamborak: MESSAGE" (control characters escaped) on stderr; returns kExitFailed.
// [main-thread]
int fail(const std::string& message);
// Prints "tamborak: COMMAND: MESSAGE (try tamborak COMMAND --help)"; returns kExitUsage.
// [main-thread]
int usageError(const std::string& command, const std::string& message);

// What the program is doing, as "COMMAND FILE", for a failure that reaches main (out of memory).
// [main-thread]
void setTask(std::string task);
const std::string& task();

// "1 bar", "2 bars": the count with the noun, in the plural unless the count is 1. [any-thread]
std::string counted(std::size_t count, const char* noun);

// The options of one command line. Options come as "--name value", "--name=value" or, for
// flags, "--name"; "--" ends them. [main-thread]
struct Options {
  std::vector<std::string> positional;
  std::map<std::string, std::string> values;  // flags map to ""

  bool has(const std::string& name) const { return values.count(name) != 0; }
  std::string value(const std::string& name) const;
};

// Reads `args` against the option names a command takes (`valued` take a value, `flags` do
// not; "-o" is accepted as a valued name too; "-h" stands for "--help" when that is a flag). On
// a name it does not know, a missing value or a valued option given twice, `error` says which
// and the result is false. [main-thread]
bool parseOptions(const std::vector<std::string>& args, const std::vector<std::string>& valued,
                  const std::vector<std::string>& flags, Options& out, std::string& error);

// The whole text as a decimal integer within [low, high]; false otherwise. [any-thread]
bool parseInteger(const std::string& text, std::int64_t low, std::int64_t high, std::int64_t& out);

// A JSON string literal of the text, quotes included; bytes that are not valid UTF-8 are
// written as the text "\xNN", as on the terminal. [any-thread]
std::string jsonString(std::string_view text);

// Progress of long work on stderr: nothing during its first second, then one line a second
// ("tamborak: WHAT: DONE of TOTAL"), and a last line from finish() when any was printed.
// [main-thread]
class Progress {
 public:
  explicit Progress(std::string what);
  ~Progress() { finish(); }
  void update(std::size_t done, std::size_t total);
  void finish();

 private:
  std::string what_;
  std::chrono::steady_clock::time_point start_, last_;
  std::size_t done_ = 0, total_ = 0;
  bool shown_ = false;
};

}  // namespace velmora::app
