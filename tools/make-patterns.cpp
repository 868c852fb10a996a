// make-patterns: builds the default pattern library from its readable sources.
//   make-patterns SOURCES TARGET
// reads SOURCES (data/patterns), writes the volumes into TARGET (the Patterns folder beside the
// programs) and prints how many patterns each kind folder received, by group.
#include <cstdio>
#include <string>

#include "tools/patterns/LibraryGenerator.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: make-patterns SOURCES TARGET\n");
    return 2;
  }
  velmora::patterns::GeneratedLibrary library;
  std::string error;
  if (!velmora::patterns::buildLibrary(argv[1], library, error) ||
      !velmora::patterns::writeLibrary(library, argv[2], error)) {
    std::fprintf(stderr, "make-patterns: %s\n", error.c_str());
    return 1;
  }
  int total = 0;
  for (const auto& c : library.counts) {
    const int sum = c.perGroup[0] + c.perGroup[1] + c.perGroup[2];
    total += sum;
    std::printf("%-14s %-14s %-11s %3d  (groups %d/%d/%d)\n", c.volume.c_str(), c.part.c_str(), c.kind.c_str(), sum,
                c.perGroup[0], c.perGroup[1], c.perGroup[2]);
  }
  std::printf("%d patterns in %zu volumes written to %s\n", total, library.volumes.size(), argv[2]);
  return 0;
}
