// Runs the tamborak program as a child process for the command-line tests.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "tests/library/LibraryFiles.h"

namespace velmora::test {

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
inline constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
inline constexpr bool kSanitized = true;
#else
inline constexpr bool kSanitized = false;
#endif
#else
inline constexpr bool kSanitized = false;
#endif

struct ProgramResult {
  int exit = -1;
  std::string out, err;
};

// Runs the shell command in `dir` with $T naming the program, at most 60 s, with 1 GiB of
// address space (unlimited under a sanitizer, which reserves far more), and the settings in
// `dir`/settings. $DROP runs a command without the powers that let root read any file.
inline ProgramResult runProgram(const std::filesystem::path& dir, const std::string& command) {
  const std::string drop = geteuid() == 0 ? "setpriv --bounding-set -dac_override,-dac_read_search" : "";
  const std::string script = std::string(kSanitized ? "" : "ulimit -v 1048576; ") + command;
  const std::string line = "cd '" + dir.string() + "' && TAMBORAK_CONFIG_DIR='" + (dir / "settings").string() +
                           "' T='" TAMBORAK_PROGRAM "' DROP='" + drop + "' timeout 60 sh -c '" + script +
                           "' >stdout.txt 2>stderr.txt";
  const int status = std::system(line.c_str());
  ProgramResult r;
  r.exit = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  r.out = readWholeFile(dir / "stdout.txt");
  r.err = readWholeFile(dir / "stderr.txt");
  return r;
}

inline bool hasRawControl(const std::string& text) {
  for (unsigned char c : text)
    if ((c < 0x20 && c != '\n') || c == 0x7F) return true;
  return false;
}

}  // namespace velmora::test
