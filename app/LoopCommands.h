// The loop commands of the command-line program: compose a loop, check one against the drumming
// rules, show what one holds, and find the library's patterns nearest to a rhythm. Each takes
// the words after its name, prints its result on standard output and its errors on standard
// error, and gives the exit code (see CliSupport.h).
#pragma once

#include <string>
#include <vector>

#include "app/CliSupport.h"

namespace velmora::app {

// [main-thread, not real-time safe] tamborak compose [options]
int composeCommand(const std::vector<std::string>& args);
// [main-thread, not real-time safe] tamborak check LOOP.tbk [--all]
int checkCommand(const std::vector<std::string>& args);
// [main-thread, not real-time safe] tamborak show LOOP.tbk
int showCommand(const std::vector<std::string>& args);
// [main-thread, not real-time safe] tamborak find GRID|PATTERN-NAME
int findCommand(const std::vector<std::string>& args);
// [main-thread, not real-time safe] tamborak export LOOP.tbk -o OUT.mid
int exportCommand(const std::vector<std::string>& args);
// [main-thread, not real-time safe] tamborak play LOOP.tbk -o OUT.mid
int playCommand(const std::vector<std::string>& args);
// [main-thread, not real-time safe] tamborak panel LOOP.tbk -o PANEL.png (builds with Cairo only)
int panelCommand(const std::vector<std::string>& args);

// Reads a command's options (`valued` take a value, `flags` do not; --library and --help are
// added) with exactly `positionals` words besides them, and answers --help. False when the
// command is done, with its exit code in `status`. [main-thread]
bool readCommandOptions(const char* command, const std::vector<std::string>& args, std::vector<std::string> valued,
                        std::vector<std::string> flags, std::size_t positionals, Options& options, int& status);

// The help text of a command ("" for the program itself); nullptr for an unknown command.
// [any-thread]
const char* commandHelp(const std::string& command);

}  // namespace velmora::app
