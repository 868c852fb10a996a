#include "platform/RegFile.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "platform/Numeric.h"
#include "platform/Registry.h"

namespace velmora::platform::regfile {
namespace {

constexpr std::array<std::string_view, 3> kRoots = {"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE"};
constexpr std::size_t kWrapColumn = 77;  // hex values continue on the next line from here: lines stay within 80

// Lower case as an unsigned byte, so that names order by unsigned bytes.
unsigned char lower(char c) { return static_cast<unsigned char>(asciiLower(c)); }

bool equalNoCase(std::string_view a, std::string_view b) { return equalsIgnoringCase(a, b); }

// True when `found` is the key `path` or a key below it.
bool isSelfOrBelow(std::string_view found, std::string_view path) {
  return found.size() >= path.size() && equalNoCase(found.substr(0, path.size()), path) &&
         (found.size() == path.size() || found[path.size()] == '\\');
}

bool isBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view trimLeft(std::string_view s) {
  while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
  return s;
}
std::string_view trimRight(std::string_view s) {
  while (!s.empty() && (isBlank(s.back()) || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

bool consumePrefixNoCase(std::string_view& s, std::string_view prefix) {
  if (s.size() < prefix.size() || !equalNoCase(s.substr(0, prefix.size()), prefix)) return false;
  s.remove_prefix(prefix.size());
  return true;
}

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  const unsigned char l = lower(c);
  return l >= 'a' && l <= 'f' ? l - 'a' + 10 : -1;
}

// 1..maxDigits hexadecimal digits at the start of `s`.
bool takeHex(std::string_view& s, std::size_t maxDigits, std::uint32_t& value) {
  std::size_t n = 0;
  value = 0;
  while (n < s.size() && hexDigit(s[n]) >= 0) {
    if (++n > maxDigits) return false;
    value = value << 4 | static_cast<std::uint32_t>(hexDigit(s[n - 1]));
  }
  s.remove_prefix(n);
  return n > 0;
}

// The physical lines of the text, numbered from 1, without their line ends.
class Lines {
 public:
  explicit Lines(std::string_view text) : rest_(text) {}
  bool next(std::string_view& line) {
    if (done_) return false;
    const std::size_t end = rest_.find('\n');
    line = trimRight(rest_.substr(0, end));
    ++number_;
    if (end == std::string_view::npos) done_ = true;
    else rest_.remove_prefix(end + 1);
    return true;
  }
  std::size_t number() const { return number_; }

 private:
  std::string_view rest_;
  std::size_t number_ = 0;
  bool done_ = false;
};

// A quoted text at the start of `s` with \\ and \" escapes; `s` moves past the closing quote.
bool takeQuoted(std::string_view& s, std::string& out, std::string& what) {
  out.clear();
  std::size_t i = 1;  // past the opening quote
  for (; i < s.size(); ++i) {
    const char c = s[i];
    if (c == '"') {
      s.remove_prefix(i + 1);
      return true;
    }
    if (c == '\\') {
      if (i + 1 >= s.size() || (s[i + 1] != '\\' && s[i + 1] != '"')) {
        what = "a backslash in quotes must be followed by \\ or \"";
        return false;
      }
      ++i;
    }
    out.push_back(s[i]);
  }
  what = "a quoted text has no closing quote";
  return false;
}

bool splitKeyPath(std::string_view path, std::string& canonical, std::string& what) {
  const std::size_t slash = path.find('\\');
  const std::string_view root = rootName(path.substr(0, slash));
  if (root.empty()) {
    what = "the key does not begin with HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE or HKEY_CLASSES_ROOT";
    return false;
  }
  if (slash == std::string_view::npos) {
    canonical = root;
    return true;
  }
  if (path.size() == slash + 1 || !joinKeyPath(root, path.substr(slash + 1), canonical)) {
    what = "the key path has an empty, over-long or invalid name";
    return false;
  }
  return true;
}

// Comma-separated hexadecimal bytes; the text was already joined across continuation lines.
bool parseHexBytes(std::string_view s, std::string& out, std::string& what) {
  out.clear();
  s = trimLeft(s);
  if (s.empty()) return true;
  for (;;) {
    std::uint32_t byte = 0;
    if (!takeHex(s, 2, byte)) {
      what = "expected a hexadecimal byte (00 to ff)";
      return false;
    }
    out.push_back(static_cast<char>(byte));
    s = trimLeft(s);
    if (s.empty()) return true;
    if (s.front() != ',') {
      what = "expected ',' between hexadecimal bytes";
      return false;
    }
    s = trimLeft(s.substr(1));
  }
}

// One value line "name"=data (or @=data); hex data may continue on the following lines.
bool parseValue(std::string_view line, Lines& lines, Values& values, std::string& what) {
  std::string name;
  if (line.front() == '@') {
    line.remove_prefix(1);
  } else if (!takeQuoted(line, name, what)) {
    return false;
  }
  if (!isValidValueName(name)) {
    what = "the value name is too long or holds control characters";
    return false;
  }
  line = trimLeft(line);
  if (line.empty() || line.front() != '=') {
    what = "expected '=' after the value name";
    return false;
  }
  line = trimLeft(line.substr(1));
  Value value;
  if (!line.empty() && line.front() == '"') {
    if (!takeQuoted(line, value.data, what)) return false;
    value.type = kRegSz;
    value.data.push_back('\0');
  } else if (consumePrefixNoCase(line, "dword:")) {
    std::uint32_t n = 0;
    if (!takeHex(line, 8, n)) {
      what = "expected 1 to 8 hexadecimal digits after dword:";
      return false;
    }
    value.type = kRegDword;
    for (int i = 0; i < 4; ++i) value.data.push_back(static_cast<char>((n >> (8 * i)) & 0xFF));
  } else if (consumePrefixNoCase(line, "hex")) {
    value.type = kRegBinary;
    if (!line.empty() && line.front() == '(') {
      line.remove_prefix(1);
      if (!takeHex(line, 8, value.type) || line.empty() || line.front() != ')') {
        what = "expected hex(N) with N of 1 to 8 hexadecimal digits";
        return false;
      }
      line.remove_prefix(1);
    }
    if (line.empty() || line.front() != ':') {
      what = "expected ':' after hex";
      return false;
    }
    line.remove_prefix(1);
    std::string joined;
    while (!line.empty() && line.back() == '\\') {
      joined.append(line.substr(0, line.size() - 1));
      if (!lines.next(line)) {
        what = "the text ends inside a continued hex value";
        return false;
      }
      line = trimLeft(line);
    }
    joined.append(line);
    line = {};
    if (!parseHexBytes(joined, value.data, what)) return false;
  } else {
    what = "unknown value type (expected \"text\", dword:, hex: or hex(N):)";
    return false;
  }
  if (!trimLeft(line).empty()) {
    what = "unexpected characters after the value";
    return false;
  }
  const auto found = values.find(name);
  if (found != values.end()) found->second = std::move(value);
  else values.emplace(std::move(name), std::move(value));
  return true;
}

void appendQuoted(std::string& out, std::string_view text) {
  out.push_back('"');
  for (const char c : text) {
    if (c == '\\' || c == '"') out.push_back('\\');
    out.push_back(c);
  }
  out.push_back('"');
}

// A string value can be written as "text" when it holds exactly one zero, at its end, and no
// line break; otherwise it is written as hex(1) so that its bytes survive.
bool writableAsText(const Value& v) {
  return v.type == kRegSz && !v.data.empty() && v.data.find_first_of(std::string_view("\0\r\n", 3)) == v.data.size() - 1;
}

void appendValue(std::string& out, const std::string& name, const Value& v) {
  if (name.empty()) out.push_back('@');
  else appendQuoted(out, name);
  out.push_back('=');
  char buf[16];
  if (writableAsText(v)) {
    appendQuoted(out, std::string_view(v.data).substr(0, v.data.size() - 1));
  } else if (v.type == kRegDword && v.data.size() == 4) {
    std::uint32_t n = 0;
    for (int i = 3; i >= 0; --i) n = n << 8 | static_cast<unsigned char>(v.data[static_cast<std::size_t>(i)]);
    std::snprintf(buf, sizeof buf, "dword:%08x", static_cast<unsigned>(n));
    out += buf;
  } else {
    if (v.type == kRegBinary) {
      out += "hex:";
    } else {
      std::snprintf(buf, sizeof buf, "hex(%x):", static_cast<unsigned>(v.type));
      out += buf;
    }
    static constexpr char kDigits[] = "0123456789abcdef";
    std::size_t lineStart = out.rfind('\n') + 1;
    for (std::size_t i = 0; i < v.data.size(); ++i) {
      const auto b = static_cast<unsigned char>(v.data[i]);
      out.push_back(kDigits[b >> 4]);
      out.push_back(kDigits[b & 15]);
      if (i + 1 == v.data.size()) break;
      out.push_back(',');
      if (out.size() - lineStart >= kWrapColumn) {
        out += "\\\n  ";
        lineStart = out.size() - 2;
      }
    }
  }
  out.push_back('\n');
}

bool hasControl(std::string_view s, bool allowTab) {
  return std::any_of(s.begin(), s.end(), [allowTab](char c) {
    const auto u = static_cast<unsigned char>(c);
    return (u < 0x20 && !(allowTab && c == '\t')) || u == 0x7F;
  });
}

}  // namespace

bool NameLess::operator()(std::string_view a, std::string_view b) const {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                      [](char x, char y) { return lower(x) < lower(y); });
}

bool KeyPathLess::operator()(std::string_view a, std::string_view b) const {
  const auto rank = [](char c) -> unsigned { return c == '\\' ? 0u : lower(c) + 1u; };
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                      [&](char x, char y) { return rank(x) < rank(y); });
}

bool isValidKeyName(std::string_view component) {
  return !component.empty() && component.size() <= kMaxKeyNameChars && component.find('\\') == std::string_view::npos &&
         !hasControl(component, false);
}

bool isValidValueName(std::string_view name) { return name.size() <= kMaxValueNameChars && !hasControl(name, true); }

std::string_view rootName(std::string_view firstComponent) {
  for (const std::string_view root : kRoots)
    if (equalNoCase(firstComponent, root)) return root;
  return {};
}

bool joinKeyPath(std::string_view base, std::string_view relative, std::string& result) {
  if (!relative.empty() && relative.back() == '\\') relative.remove_suffix(1);
  std::string path(base);
  while (!relative.empty()) {
    const std::size_t slash = relative.find('\\');
    const std::string_view component = relative.substr(0, slash);
    if (!isValidKeyName(component)) return false;
    path.push_back('\\');
    path.append(component);
    if (slash == std::string_view::npos) break;
    relative.remove_prefix(slash + 1);
    if (relative.empty()) return false;  // "a\\" inside the path
  }
  result = std::move(path);
  return true;
}

bool keyExists(const Tree& tree, std::string_view path) {
  const auto it = tree.lower_bound(path);
  return it != tree.end() && isSelfOrBelow(it->first, path);
}

bool removeKeyTree(Tree& tree, std::string_view path) {
  // The parent stays, even when it existed only through this key.
  const std::size_t slash = path.rfind('\\');
  if (slash != std::string_view::npos && slash != 0 && keyExists(tree, path)) {
    const std::string_view parent = path.substr(0, slash);
    if (parent.find('\\') != std::string_view::npos && tree.find(parent) == tree.end()) tree.try_emplace(std::string(parent));
  }
  bool removed = false;
  for (auto it = tree.lower_bound(path); it != tree.end() && isSelfOrBelow(it->first, path);) {
    it = tree.erase(it);
    removed = true;
  }
  return removed;
}

bool parse(std::string_view text, Tree& tree, ParseError& error) {
  tree.clear();
  const auto fail = [&](std::size_t line, std::string what) {
    tree.clear();
    error.line = line;
    error.what = std::move(what);
    return false;
  };
  if (text.size() > kMaxTextBytes) return fail(0, "the file is larger than 64 MiB");
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  if (text.substr(0, 2) == "\xFF\xFE") return fail(1, "the file is UTF-16 text; save it as UTF-8");
  Lines lines(text);
  std::string_view line;
  if (!lines.next(line) || line != kHeader) return fail(1, "the first line is not \"" + std::string(kHeader) + "\"");
  Values* current = nullptr;
  std::string what, path;
  while (lines.next(line)) {
    line = trimLeft(line);
    if (line.empty() || line.front() == ';') continue;
    const std::size_t number = lines.number();
    if (line.front() == '[') {
      if (line.back() != ']') return fail(number, "a key line must end with ']'");
      const std::string_view inner = line.substr(1, line.size() - 2);
      if (!inner.empty() && inner.front() == '-') return fail(number, "key deletions ([-...]) are not supported");
      if (!splitKeyPath(inner, path, what)) return fail(number, what);
      current = &tree.try_emplace(path).first->second;
    } else if (line.front() == '"' || line.front() == '@') {
      if (current == nullptr) return fail(number, "a value comes before the first key");
      if (!parseValue(line, lines, *current, what)) return fail(number, what);
    } else {
      return fail(number, "expected a key in [brackets], a value, a comment or an empty line");
    }
  }
  return true;
}

std::string format(const Tree& tree) {
  std::string out(kHeader);
  out += "\n\n";
  for (const auto& [path, values] : tree) {
    out.push_back('[');
    out += path;
    out += "]\n";
    for (const auto& [name, value] : values) appendValue(out, name, value);
    out.push_back('\n');
  }
  return out;
}

}  // namespace velmora::platform::regfile
