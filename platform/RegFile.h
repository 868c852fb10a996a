// The registry's text export format ("Windows Registry Editor Version 5.00"): a parser from text
// to a tree of keys and values, and a writer from the tree back to text. Portable, so that it is
// tested and fuzzed everywhere; the POSIX registry keeps its whole content in one such file.
//
//   Windows Registry Editor Version 5.00
//
//   [HKEY_CURRENT_USER\Software\Velmora\Tamborak\2]
//   @="default value"
//   "Text"="C:\\Program Files\\a \"quoted\" word"
//   "Count"=dword:0000002a
//   "Blob"=hex:01,02,03,\      (a backslash at the end continues a hex value)
//     04,05
//   "Other"=hex(7):61,00,00
//
// Key and value names compare without regard to ASCII case, as the registry's do; the first
// spelling seen is kept. Keys are stored by full path beginning with a root name; a key also
// exists when only keys below it are listed. Parsing is linear in the text (no recursion).
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>

namespace velmora::platform::regfile {

inline constexpr std::string_view kHeader = "Windows Registry Editor Version 5.00";
// Limits: a larger text is rejected as damaged; names as the registry limits them.
inline constexpr std::size_t kMaxTextBytes = 64u << 20;
inline constexpr std::size_t kMaxKeyNameChars = 255;
inline constexpr std::size_t kMaxValueNameChars = 16383;

struct Value {
  std::uint32_t type = 0;
  std::string data;
  bool operator==(const Value&) const = default;
};

// Orders names without regard to ASCII case.
struct NameLess {
  using is_transparent = void;
  bool operator()(std::string_view a, std::string_view b) const;
};
// Orders key paths without regard to ASCII case, with the backslash before every other
// character, so that a key comes right before the keys below it.
struct KeyPathLess {
  using is_transparent = void;
  bool operator()(std::string_view a, std::string_view b) const;
};

using Values = std::map<std::string, Value, NameLess>;
// Full key path ("HKEY_CURRENT_USER\Software\...") to the key's values.
using Tree = std::map<std::string, Values, KeyPathLess>;

struct ParseError {
  std::size_t line = 0;  // 1-based
  std::string what;
};

// [any-thread, not real-time safe] Reads a whole text. On failure `tree` is left empty and
// `error` tells the first problem.
bool parse(std::string_view text, Tree& tree, ParseError& error);

// [any-thread, not real-time safe] The text of a tree; parse() gives the same tree back for every
// tree whose names pass the checks below.
std::string format(const Tree& tree);

// Checks of names the writer can represent: a key path component is 1..255 characters without
// backslash or control characters; a value name is up to 16383 characters without control
// characters other than tab.
bool isValidKeyName(std::string_view component);
bool isValidValueName(std::string_view name);

// Joins `relative` (components separated by backslashes; one trailing backslash ignored) to the
// full path `base`. False when a component is invalid.
bool joinKeyPath(std::string_view base, std::string_view relative, std::string& result);

// The canonical root name of a path's first component ("HKEY_CURRENT_USER", ...), or empty.
std::string_view rootName(std::string_view firstComponent);

// True when the key is listed or has keys listed below it.
bool keyExists(const Tree& tree, std::string_view path);
// Removes a key with everything below it; false when it did not exist.
bool removeKeyTree(Tree& tree, std::string_view path);

}  // namespace velmora::platform::regfile
