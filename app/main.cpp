// tamborak: the command-line face of the engine. It grows with the engine; for now it inspects
// and packs the pattern library.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>

#include "app/LibraryCommands.h"

namespace {

void usage() {
  std::puts(
      "usage: tamborak [--help] [--version]\n"
      "       tamborak library [FOLDER]          count the patterns per volume and kind\n"
      "       tamborak volume pack FOLDER OUT    pack a folder of patterns into a volume file\n"
      "       tamborak volume list FILE          list the patterns of a volume file\n"
      "\n"
      "Tamborak composes drum loops from a library of one-bar pattern files and plays them\n"
      "through a MIDI host. Without arguments it summarises the pattern library beside the\n"
      "program (the Patterns folder). A volume file packs a folder of patterns into one file;\n"
      "put it in the library under a name without an extension.");
}

int usageError(const char* message) {
  std::fprintf(stderr, "tamborak: %s (try --help)\n", message);
  return 2;
}

int run(int argc, char** argv) {
  using namespace velmora::app;
  if (argc == 1) return librarySummaryCommand("");
  const std::string command = argv[1];
  if (command == "--help" || command == "-h") {
    usage();
    return 0;
  }
  if (command == "--version") {
    std::puts("tamborak 0.1.0");
    return 0;
  }
  if (command == "library") {
    if (argc > 3) return usageError("library takes at most one folder");
    return librarySummaryCommand(argc == 3 ? argv[2] : "");
  }
  if (command == "volume") {
    const std::string action = argc > 2 ? argv[2] : "";
    if (action == "pack") {
      if (argc != 5) return usageError("volume pack needs a FOLDER and an OUT file");
      return packVolumeCommand(argv[3], argv[4]);
    }
    if (action == "list") {
      if (argc != 4) return usageError("volume list needs one FILE");
      return listVolumeCommand(argv[3]);
    }
    return usageError("volume needs 'pack FOLDER OUT' or 'list FILE'");
  }
  std::fprintf(stderr, "tamborak: unknown command or option '%s' (try --help)\n", shown(argv[1]).c_str());
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  int status;
  try {
    status = run(argc, argv);
  } catch (const std::exception& e) {  // out of memory, mostly: say so rather than abort
    std::fprintf(stderr, "tamborak: %s\n", e.what());
    status = 1;
  }
  // Output that could not be written (a full disk, a closed pipe) is a failure too.
  errno = 0;
  if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
    std::fprintf(stderr, "tamborak: cannot write to standard output: %s\n",
                 errno ? std::strerror(errno) : "write error");
    if (status == 0) status = 1;
  }
  return status;
}
