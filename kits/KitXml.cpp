#include "kits/KitXml.h"

#include <cstdint>

namespace velmora::kits {

namespace {

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

bool isNameChar(char c) {
  const auto u = static_cast<unsigned char>(c);
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-' ||
         c == '.' || c == ':' || u >= 0x80;
}

// Drops a namespace prefix ("h2:name" reads as "name").
std::string localName(std::string name) {
  const std::size_t colon = name.rfind(':');
  return colon == std::string::npos ? name : name.substr(colon + 1);
}

void appendUtf8(std::string& out, std::uint32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

}  // namespace

const std::string* XmlToken::attribute(std::string_view key) const {
  for (const auto& [k, v] : attributes)
    if (k == key) return &v;
  return nullptr;
}

void XmlReader::skipSpace() {
  while (left_ && isSpace(*at_)) advance(1);
}

bool XmlReader::skipPast(std::string_view end) {
  const std::size_t found = std::string_view(at_, left_).find(end);
  if (found == std::string_view::npos) return false;
  advance(found + end.size());
  return true;
}

bool XmlReader::readName(std::string& name) {
  std::size_t n = 0;
  while (n < left_ && isNameChar(at_[n])) ++n;
  if (n == 0 || n > kMaxXmlName) return false;
  name.assign(at_, n);
  advance(n);
  return true;
}

bool XmlReader::decode(std::string_view raw, std::string& out, std::string& error) const {
  out.clear();
  for (std::size_t i = 0; i < raw.size();) {
    if (raw[i] != '&') {
      out += raw[i++];
      continue;
    }
    const std::size_t semi = raw.find(';', i);
    if (semi == std::string_view::npos || semi - i > 10) {
      error = "a broken '&' reference";
      return false;
    }
    const std::string_view entity = raw.substr(i + 1, semi - i - 1);
    i = semi + 1;
    if (entity == "amp") out += '&';
    else if (entity == "lt") out += '<';
    else if (entity == "gt") out += '>';
    else if (entity == "quot") out += '"';
    else if (entity == "apos") out += '\'';
    else if (entity.size() >= 2 && entity[0] == '#') {
      const bool hex = entity[1] == 'x' || entity[1] == 'X';
      std::uint32_t c = 0;
      const std::string_view digits = entity.substr(hex ? 2 : 1);
      if (digits.empty()) {
        error = "a broken character reference";
        return false;
      }
      for (char d : digits) {
        int v;
        if (d >= '0' && d <= '9') v = d - '0';
        else if (hex && d >= 'a' && d <= 'f') v = d - 'a' + 10;
        else if (hex && d >= 'A' && d <= 'F') v = d - 'A' + 10;
        else {
          error = "a broken character reference";
          return false;
        }
        c = c * (hex ? 16 : 10) + static_cast<std::uint32_t>(v);
        if (c > 0x10FFFF) break;
      }
      if (c == 0 || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
        error = "a character reference out of range";
        return false;
      }
      appendUtf8(out, c);
    } else {
      error = "an unknown entity '&" + std::string(entity) + ";'";
      return false;
    }
  }
  return true;
}

bool XmlReader::readAttributes(XmlToken& token, std::string& error) {
  for (;;) {
    skipSpace();
    if (startsWith("/>")) {
      advance(2);
      token.selfClosing = true;
      return true;
    }
    if (startsWith(">")) {
      advance(1);
      return true;
    }
    std::string key;
    if (!readName(key)) {
      error = left_ ? "a broken attribute in <" + token.name + ">" : "the file ends inside a tag";
      return false;
    }
    skipSpace();
    if (peek() != '=') {
      error = "attribute '" + key + "' has no value";
      return false;
    }
    advance(1);
    skipSpace();
    const char quote = peek();
    if (quote != '"' && quote != '\'') {
      error = "attribute '" + key + "' has no quoted value";
      return false;
    }
    advance(1);
    const std::size_t end = std::string_view(at_, left_).find(quote);
    if (end == std::string_view::npos) {
      error = "the file ends inside a tag";
      return false;
    }
    if (end > kMaxXmlValue) {
      error = "attribute '" + key + "' is too long";
      return false;
    }
    if (token.attributes.size() == kMaxXmlAttributes) {
      error = "too many attributes in <" + token.name + ">";
      return false;
    }
    std::string value;
    if (!decode(std::string_view(at_, end), value, error)) return false;
    advance(end + 1);
    token.attributes.emplace_back(localName(std::move(key)), std::move(value));
  }
}

bool XmlReader::next(XmlToken& token, std::string& error) {
  token = XmlToken();
  for (;;) {
    if (open_.empty()) skipSpace();
    if (!left_) {
      if (!open_.empty()) {
        error = "the file ends inside <" + open_.back() + ">";
        return false;
      }
      if (!rootSeen_) {
        error = "no XML element";
        return false;
      }
      token.kind = XmlToken::Kind::kDone;
      return true;
    }
    if (peek() != '<') {
      const std::size_t end = std::min(std::string_view(at_, left_).find('<'), left_);
      if (open_.empty()) {
        error = rootSeen_ ? "text after the last element" : "not an XML file";
        return false;
      }
      if (end > kMaxXmlValue) {
        error = "a text in <" + open_.back() + "> is too long";
        return false;
      }
      if (!decode(std::string_view(at_, end), token.text, error)) return false;
      advance(end);
      token.kind = XmlToken::Kind::kText;
      return true;
    }
    if (startsWith("<?")) {
      if (!skipPast("?>")) break;
      continue;
    }
    if (startsWith("<!--")) {
      advance(4);
      if (!skipPast("-->")) break;
      continue;
    }
    if (startsWith("<![CDATA[")) {
      if (open_.empty()) {
        error = "not an XML file";
        return false;
      }
      advance(9);
      if (!skipPast("]]>")) break;
      continue;
    }
    if (startsWith("<!")) {
      // A DOCTYPE without an internal subset: nothing in it is needed.
      if (!skipPast(">")) break;
      continue;
    }
    advance(1);
    if (peek() == '/') {
      advance(1);
      std::string name;
      if (!readName(name)) break;
      skipSpace();
      if (peek() != '>') break;
      advance(1);
      name = localName(std::move(name));
      if (open_.empty() || open_.back() != name) {
        error = "</" + name + "> does not close " + (open_.empty() ? std::string("anything") : "<" + open_.back() + ">");
        return false;
      }
      open_.pop_back();
      token.kind = XmlToken::Kind::kEnd;
      token.name = std::move(name);
      return true;
    }
    if (open_.empty() && rootSeen_) {
      error = "a second root element";
      return false;
    }
    std::string name;
    if (!readName(name)) break;
    token.name = localName(std::move(name));
    if (!readAttributes(token, error)) return false;
    token.kind = XmlToken::Kind::kStart;
    rootSeen_ = true;
    if (!token.selfClosing) {
      if (static_cast<int>(open_.size()) == kMaxXmlDepth) {
        error = "elements nested too deep";
        return false;
      }
      open_.push_back(token.name);
    }
    return true;
  }
  error = left_ ? "a broken tag" : "the file ends inside a tag";
  return false;
}

}  // namespace velmora::kits
