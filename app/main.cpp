// tamborak: the command-line face of the engine: composes, checks and shows loops, finds
// patterns by rhythm, and inspects and packs the pattern library.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <new>
#include <string>
#include <vector>

#include "app/CliSupport.h"
#include "app/LibraryCommands.h"
#include "app/LoopCommands.h"
#include "platform/SafeSave.h"

namespace {

using namespace velmora::app;

int libraryCommand(const std::vector<std::string>& args) {
  Options options;
  std::string error;
  if (!parseOptions(args, {"--library"}, {"--json", "--help"}, options, error)) return usageError("library", error);
  if (options.has("--help")) {
    std::fputs(commandHelp("library"), stdout);
    return 0;
  }
  if (options.positional.size() + (options.has("--library") ? 1 : 0) > 1)
    return usageError("library", "takes at most one folder");
  const std::string folder = options.positional.empty() ? options.value("--library") : options.positional[0];
  return librarySummaryCommand(folder, options.has("--json"));
}

int volumeCommand(const std::vector<std::string>& args) {
  const std::string action = args.empty() ? "" : args[0];
  for (const std::string& a : args)
    if (a == "--help" || a == "-h") {
      std::fputs(commandHelp("volume"), stdout);
      return 0;
    }
  if (action == "pack") {
    if (args.size() != 3) return usageError("volume", "pack needs a FOLDER and an OUT file");
    return packVolumeCommand(args[1], args[2]);
  }
  if (action == "list") {
    if (args.size() != 2) return usageError("volume", "list needs one FILE");
    return listVolumeCommand(args[1]);
  }
  return usageError("volume", "needs 'pack FOLDER OUT' or 'list FILE'");
}

int run(int argc, char** argv) {
  std::vector<std::string> words(argv + 1, argv + argc);
  // "--library FOLDER" before the command is the same as after it.
  std::vector<std::string> global;
  while (words.size() >= 2 && words[0] == "--library") {
    global = {words[0], words[1]};
    words.erase(words.begin(), words.begin() + 2);
  }
  if (words.empty()) {
    std::fputs(commandHelp(""), stdout);
    std::puts("");
    return librarySummaryCommand(global.empty() ? "" : global[1], false);
  }
  const std::string command = words[0];
  setTask(command);
  std::vector<std::string> args(words.begin() + 1, words.end());
  args.insert(args.end(), global.begin(), global.end());
  if (command == "--help" || command == "-h" || command == "help") {
    const char* help = commandHelp(args.empty() || command != "help" ? "" : args[0]);
    std::fputs(help ? help : commandHelp(""), stdout);
    return 0;
  }
  if (command == "--version") {
    std::puts("tamborak " TAMBORAK_VERSION);
    return 0;
  }
  if (command == "compose") return composeCommand(args);
  if (command == "check") return checkCommand(args);
  if (command == "show") return showCommand(args);
  if (command == "find") return findCommand(args);
  if (command == "export") return exportCommand(args);
  if (command == "play") return playCommand(args);
#ifdef TAMBORAK_HAVE_CAIRO
  if (command == "panel") return panelCommand(args);
#endif
  if (command == "library") return libraryCommand(args);
  if (command == "kit") {
    if (!global.empty()) return usageError("kit", "takes no --library");
    return kitCommand(args);
  }
  if (command == "volume") {
    if (!global.empty()) return usageError("volume", "takes no --library");
    return volumeCommand(args);
  }
  std::fprintf(stderr, "tamborak: unknown command or option '%s' (try --help)\n", shown(command).c_str());
  return kExitUsage;
}

}  // namespace

int main(int argc, char** argv) {
  velmora::platform::removeTemporaryFilesOnSignals();
  int status;
  try {
    status = run(argc, argv);
  } catch (const std::bad_alloc&) {  // say what could not be done rather than abort
    std::fprintf(stderr, "tamborak: %s: out of memory\n", shown(task().empty() ? "tamborak" : task()).c_str());
    status = kExitFailed;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "tamborak: %s: %s\n", shown(task().empty() ? "tamborak" : task()).c_str(), e.what());
    status = kExitFailed;
  }
  // Output that could not be written (a full disk, a closed pipe) is a failure too.
  errno = 0;
  if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
    std::fprintf(stderr, "tamborak: cannot write to standard output: %s\n",
                 errno ? std::strerror(errno) : "write error");
    if (status == 0) status = kExitFailed;
  }
  return status;
}
