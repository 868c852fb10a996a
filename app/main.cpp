// tamborak: the command-line face of the engine. It grows with the engine; for now it reports
// what it can do and where it looks for its library.
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/System.h"

namespace {

void usage() {
  std::puts(
      "usage: tamborak [--help] [--version]\n"
      "\n"
      "Tamborak composes drum loops from a library of one-bar pattern files and plays them\n"
      "through a MIDI host. This build holds the foundation: byte streams, stored settings and\n"
      "the platform layer. Composing, rendering and library commands arrive with the engine.");
}

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (!std::strcmp(argv[i], "--help") || !std::strcmp(argv[i], "-h")) {
      usage();
      return 0;
    }
    if (!std::strcmp(argv[i], "--version")) {
      std::puts("tamborak 0.1.0");
      return 0;
    }
    std::fprintf(stderr, "tamborak: unknown option '%s' (try --help)\n", argv[i]);
    return 2;
  }
  usage();
  const std::string folder = velmora::platform::moduleFolder();
  std::printf("\nprogram folder: %s\npattern library: %s/Patterns\n", folder.c_str(), folder.c_str());
  return 0;
}
