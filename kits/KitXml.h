// A small XML reader for the drum samplers' kit descriptions: start and end tags with their
// attributes, and text, read from a byte range with a cursor and a remaining count. It checks
// only what the kit readers need (tags nest and match, names and values stay short) and never
// reads past the bytes it is given; declarations, comments, DOCTYPE and CDATA are skipped.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace velmora::kits {

// Longest element or attribute name, attribute value or text run that the reader accepts.
inline constexpr std::size_t kMaxXmlName = 64;
inline constexpr std::size_t kMaxXmlValue = 4096;
inline constexpr int kMaxXmlDepth = 32;
inline constexpr std::size_t kMaxXmlAttributes = 32;

struct XmlToken {
  enum class Kind { kStart, kEnd, kText, kDone };
  Kind kind = Kind::kDone;
  std::string name;  // of a start or end tag, without a namespace prefix
  std::string text;  // of a text run, entities replaced
  std::vector<std::pair<std::string, std::string>> attributes;
  bool selfClosing = false;  // a start tag "<x/>", followed by no end token

  // The value of the attribute `key`; null when there is none. [any-thread]
  const std::string* attribute(std::string_view key) const;
};

class XmlReader {
 public:
  // Reads `bytes`, which must outlive the reader. [any-thread, not real-time safe]
  explicit XmlReader(std::string_view bytes) : at_(bytes.data()), left_(bytes.size()) {}

  // The next token; false with `error` set when the bytes are not XML the reader accepts. After
  // the last element a kDone token comes (end tags all matched). [any-thread, not real-time safe]
  bool next(XmlToken& token, std::string& error);
  // The nesting depth after the last token: 1 inside the root element. [any-thread]
  int depth() const { return static_cast<int>(open_.size()); }

 private:
  bool skipPast(std::string_view end);
  bool readName(std::string& name);
  bool readAttributes(XmlToken& token, std::string& error);
  bool decode(std::string_view raw, std::string& out, std::string& error) const;
  void skipSpace();
  char peek() const { return left_ ? *at_ : '\0'; }
  void advance(std::size_t n) {
    at_ += n;
    left_ -= n;
  }
  bool startsWith(std::string_view s) const { return left_ >= s.size() && std::string_view(at_, s.size()) == s; }

  const char* at_;
  std::size_t left_;
  std::vector<std::string> open_;
  bool rootSeen_ = false;
};

}  // namespace velmora::kits
