// Reading the readable sources of the default pattern library: the volume list and the kind
// files, one pattern a line (data/patterns/README.md describes the format). Parsing checks the
// layout of each line only; what the grid characters mean is PatternGrid's business.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace velmora::patterns {

// One pattern line of a kind file.
struct SourcePattern {
  std::string grid;   // 16 source characters, first step first
  int group = 0;      // variation group 0, 1 or 2
  std::string title;  // free text for the file name, checked by validTitle
  int line = 0;       // line number in its file, for messages
};

// One entry of the volume list.
struct VolumeEntry {
  std::string name;
  bool packed = false;  // shipped as one volume file rather than a folder
};

// [any thread, not real-time safe] Parses a kind file. Blank lines and lines starting with ";"
// are skipped. False with "line N: ..." in `error` at the first malformed line.
bool parsePatternSource(std::string_view text, std::vector<SourcePattern>& out, std::string& error);

// [any thread, not real-time safe] Parses the volume list: "folder NAME" or "packed NAME" a line.
bool parseVolumeList(std::string_view text, std::vector<VolumeEntry>& out, std::string& error);

// True when `title` can end a pattern file name on every file system: letters, digits, blanks
// and - + ( ) , ' only, not empty, no blank at either end, at most 40 characters. "_" and "#"
// would break the name's fields.
bool validTitle(std::string_view title);

// True when `name` is usable as a volume, part or kind folder name: the title characters plus
// "." and "_", not starting with "." and no blank or "." at the end.
bool validFolderName(std::string_view name);

}  // namespace velmora::patterns
