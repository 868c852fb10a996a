// Running another program and waiting for it: the command-line program renders audio through an
// installed synthesiser this way.
#pragma once

#include <string>
#include <vector>

namespace velmora::platform {

// The full path of `program` found on PATH (an executable regular file), or "" when none is
// there. [main-thread, not real-time safe]
std::string findOnPath(const std::string& program);

// Runs argv[0] (a path) with the arguments, no shell in between, standard input from the null
// device and its standard output and error into `output` (the last 64 KiB kept), and waits
// for it. Gives its exit code, or -1 with `output` saying why when it could not be started or
// did not exit normally. Not available on Windows (-1). [main-thread, not real-time safe]
int runAndWait(const std::vector<std::string>& argv, std::string& output);

}  // namespace velmora::platform
