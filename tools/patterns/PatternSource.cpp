#include "tools/patterns/PatternSource.h"

#include <cctype>
#include <set>

namespace velmora::patterns {
namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view trim(std::string_view s) {
  while (!s.empty() && (isBlank(s.front()) || s.front() == '\r')) s.remove_prefix(1);
  while (!s.empty() && (isBlank(s.back()) || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

// Splits off the first blank-separated word of `rest`, leaving the remainder trimmed.
std::string_view takeWord(std::string_view& rest) {
  std::size_t end = 0;
  while (end < rest.size() && !isBlank(rest[end])) ++end;
  const std::string_view word = rest.substr(0, end);
  rest = trim(rest.substr(end));
  return word;
}

bool isNameChar(char c) {
  const unsigned char u = static_cast<unsigned char>(c);
  return std::isalnum(u) || c == ' ' || c == '-' || c == '+' || c == '(' || c == ')' || c == ',' ||
         c == '\'';
}

// Calls `onLine(text)` for every line that is neither blank nor a comment; it gives an empty
// text to go on, or what is wrong with the line, which stops the walk as "line N: what".
template <typename F>
bool forEachLine(std::string_view text, std::string& error, F onLine) {
  int number = 0;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    const std::string_view raw = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
    ++number;
    const std::string_view line = trim(raw);
    if (line.empty() || line.front() == ';') continue;
    const std::string fault = onLine(number, line);
    if (!fault.empty()) {
      error = "line " + std::to_string(number) + ": " + fault;
      return false;
    }
  }
  return true;
}

}  // namespace

bool validTitle(std::string_view title) {
  if (title.empty() || title.size() > 40 || title.front() == ' ' || title.back() == ' ') return false;
  for (char c : title)
    if (!isNameChar(c)) return false;
  return true;
}

bool validFolderName(std::string_view name) {
  if (name.empty() || name.size() > 40 || name.front() == '.' || name.front() == ' ' ||
      name.back() == '.' || name.back() == ' ')
    return false;
  for (char c : name)
    if (!isNameChar(c) && c != '.' && c != '_') return false;
  return true;
}

bool parsePatternSource(std::string_view text, std::vector<SourcePattern>& out, std::string& error) {
  std::set<std::string, std::less<>> grids;
  return forEachLine(text, error, [&](int number, std::string_view rest) -> std::string {
    SourcePattern p;
    p.line = number;
    p.grid = std::string(takeWord(rest));
    if (p.grid.size() != 16) return "the grid must have 16 steps, not " + std::to_string(p.grid.size());
    const std::string_view group = takeWord(rest);
    if (group.size() != 1 || group[0] < '0' || group[0] > '2') return "the group must be 0, 1 or 2";
    p.group = group[0] - '0';
    p.title = std::string(rest);
    if (!validTitle(p.title))
      return "the title '" + p.title + "' must be 1 to 40 letters, digits, blanks or - + ( ) , '";
    if (!grids.insert(p.grid).second) return "the grid " + p.grid + " is already in this file";
    out.push_back(std::move(p));
    return {};
  });
}

bool parseVolumeList(std::string_view text, std::vector<VolumeEntry>& out, std::string& error) {
  std::set<std::string, std::less<>> names;
  return forEachLine(text, error, [&](int, std::string_view rest) -> std::string {
    const std::string_view form = takeWord(rest);
    VolumeEntry v;
    if (form == "packed") v.packed = true;
    else if (form != "folder") return "a volume is shipped as 'folder' or 'packed', not '" + std::string(form) + "'";
    v.name = std::string(rest);
    // A packed volume is a file without extension, so its name may hold no dot.
    if (!validFolderName(v.name) || (v.packed && v.name.find('.') != std::string::npos))
      return "'" + v.name + "' is not a usable volume name";
    if (!names.insert(v.name).second) return "the volume '" + v.name + "' is listed twice";
    out.push_back(std::move(v));
    return {};
  });
}

}  // namespace velmora::patterns
