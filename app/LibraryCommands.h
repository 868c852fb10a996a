// Library commands of the command-line program. Each prints its result on standard output, its
// errors (naming the file and what is wrong) on standard error, and gives the exit code.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace velmora::app {

// tamborak volume pack FOLDER OUT
int packVolumeCommand(const std::string& folder, const std::string& out);
// tamborak volume list FILE
int listVolumeCommand(const std::string& file);
// tamborak library [FOLDER] [--json]; an empty folder means the Patterns folder beside the
// program.
int librarySummaryCommand(const std::string& folder, bool json);

// tamborak kit import FILE [--name NAME] [--force] | tamborak kit list
int kitCommand(const std::vector<std::string>& args);

// The text with every byte that could drive a terminal (C0 and C1 controls, DEL, bytes outside
// valid UTF-8) written as \xNN.
std::string shown(std::string_view text);

}  // namespace velmora::app
