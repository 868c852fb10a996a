#include "kits/KitReaders.h"

#include <functional>

#include "kits/KitXml.h"

namespace velmora::kits {

namespace {

// A note number: decimal digits 0..127, blanks around them allowed.
bool parseNote(std::string_view text, int& note) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t' || text.front() == '\r' || text.front() == '\n'))
    text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r' || text.back() == '\n'))
    text.remove_suffix(1);
  if (text.empty() || text.size() > 3) return false;
  int value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  if (value > 127) return false;
  note = value;
  return true;
}

// A name fit for a note-name line: controls become blanks, blanks at the ends and colons at the
// start go (a note-name line would read them as its separator), and it is cut to
// kMaxKitNameLength bytes without splitting a UTF-8 sequence.
std::string cleanName(std::string_view text) {
  std::string name;
  for (char c : text) name += static_cast<unsigned char>(c) < 0x20 || c == 0x7F ? ' ' : c;
  const std::size_t first = name.find_first_not_of(" :");
  if (first == std::string::npos) return std::string();
  name = name.substr(first, name.find_last_not_of(' ') - first + 1);
  if (name.size() > kMaxKitNameLength) {
    std::size_t cut = kMaxKitNameLength;
    while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) --cut;
    name.resize(cut);
  }
  return name;
}

bool tooLarge(std::string_view bytes, std::string& error) {
  if (bytes.size() <= kMaxKitFileSize) return false;
  error = "the file is larger than " + std::to_string(kMaxKitFileSize >> 20) + " MiB";
  return true;
}

// Walks the elements of `bytes`: `onElement` sees every element when it closes, with the path
// of names from the root (its own last), its start tag and its text; it gives false with `error`
// set to stop the walk.
using ElementHandler =
    std::function<bool(const std::vector<std::string>& path, const XmlToken& start, const std::string& text, std::string& error)>;

bool walk(std::string_view bytes, const ElementHandler& onElement, std::string& error) {
  if (tooLarge(bytes, error)) return false;
  XmlReader reader(bytes);
  std::vector<std::string> path;
  std::vector<XmlToken> starts;
  std::string text;
  XmlToken token;
  for (;;) {
    if (!reader.next(token, error)) return false;
    switch (token.kind) {
      case XmlToken::Kind::kDone:
        return true;
      case XmlToken::Kind::kText:
        if (text.size() + token.text.size() > kMaxXmlValue) {
          error = "a text in <" + path.back() + "> is too long";
          return false;
        }
        text += token.text;
        break;
      case XmlToken::Kind::kStart:
        text.clear();
        path.push_back(token.name);
        if (token.selfClosing) {
          if (!onElement(path, token, text, error)) return false;
          path.pop_back();
        } else {
          starts.push_back(std::move(token));
        }
        break;
      case XmlToken::Kind::kEnd:
        if (!onElement(path, starts.back(), text, error)) return false;
        path.pop_back();
        starts.pop_back();
        text.clear();
        break;
    }
  }
}

bool isPath(const std::vector<std::string>& path, std::initializer_list<std::string_view> names) {
  if (path.size() != names.size()) return false;
  std::size_t i = 0;
  for (std::string_view n : names)
    if (path[i++] != n) return false;
  return true;
}

bool addInstrument(Kit& kit, int note, std::string name, std::string& error) {
  if (kit.instruments.size() == kMaxKitInstruments) {
    error = "more than ";
    error += std::to_string(kMaxKitInstruments);
    error += " instruments";
    return false;
  }
  kit.instruments.push_back({note, std::move(name)});
  return true;
}

// An instrument given by two attributes of one element: its note and its name.
bool addEntry(Kit& kit, const XmlToken& element, const char* noteKey, const char* nameKey, std::string& error) {
  const std::string* number = element.attribute(noteKey);
  const std::string* title = element.attribute(nameKey);
  int note;
  if (!number || !parseNote(*number, note)) {
    error = "a <" + element.name + "> with no " + noteKey + " 0..127";
    return false;
  }
  std::string name = title ? cleanName(*title) : std::string();
  if (name.empty()) {
    error = "a <" + element.name + "> with no " + nameKey;
    return false;
  }
  return addInstrument(kit, note, std::move(name), error);
}

bool rootIs(const std::vector<std::string>& path, std::string_view root, std::string& error) {
  if (path.size() == 1 && path[0] != root) {
    error = "the root element is <" + path[0] + ">, not <" + std::string(root) + ">";
    return false;
  }
  return true;
}

}  // namespace

bool readDrumGizmoMidiMap(std::string_view bytes, Kit& kit, std::string& error) {
  Kit read;
  const bool ok = walk(
      bytes,
      [&](const std::vector<std::string>& path, const XmlToken& start, const std::string&, std::string& err) {
        if (!rootIs(path, "midimap", err)) return false;
        if (!isPath(path, {"midimap", "map"})) return true;
        return addEntry(read, start, "note", "instr", err);
      },
      error);
  if (!ok) return false;
  kit = std::move(read);
  return true;
}

bool readHydrogenKit(std::string_view bytes, Kit& kit, std::string& error) {
  struct Entry {
    std::string name;
    int note = -1;  // -1: none given
  };
  Kit read;
  std::vector<Entry> entries;
  Entry current;
  const bool ok = walk(
      bytes,
      [&](const std::vector<std::string>& path, const XmlToken&, const std::string& text, std::string& err) {
        if (!rootIs(path, "drumkit_info", err)) return false;
        if (isPath(path, {"drumkit_info", "name"})) {
          read.name = cleanName(text);
        } else if (isPath(path, {"drumkit_info", "instrumentList", "instrument", "name"})) {
          current.name = cleanName(text);
        } else if (isPath(path, {"drumkit_info", "instrumentList", "instrument", "midiOutNote"})) {
          if (!parseNote(text, current.note)) current.note = -1;
        } else if (isPath(path, {"drumkit_info", "instrumentList", "instrument"})) {
          if (entries.size() == kMaxKitInstruments) {
            // Appended piece by piece: g++ 12 at -O3 warns falsely on "text" + std::string.
            err = "more than ";
            err += std::to_string(kMaxKitInstruments);
            err += " instruments";
            return false;
          }
          entries.push_back(std::move(current));
          current = Entry();
        }
        return true;
      },
      error);
  if (!ok) return false;
  int given = -1;
  bool ownNotes = false;
  for (const Entry& e : entries)
    if (e.note >= 0) {
      if (given >= 0 && e.note != given) ownNotes = true;
      given = e.note;
    }
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const int note = ownNotes && entries[i].note >= 0 ? entries[i].note : 36 + static_cast<int>(i);
    if (note > 127 || entries[i].name.empty()) continue;
    read.instruments.push_back({note, entries[i].name});
  }
  kit = std::move(read);
  return true;
}

bool readMidnam(std::string_view bytes, Kit& kit, std::string& error) {
  Kit read;
  std::string model, listName;
  int lists = 0;  // note lists closed so far; only the first is read
  const bool ok = walk(
      bytes,
      [&](const std::vector<std::string>& path, const XmlToken& start, const std::string& text, std::string& err) {
        if (!rootIs(path, "MIDINameDocument", err)) return false;
        const std::string& name = path.back();
        if (name == "Model" && model.empty()) {
          model = cleanName(text);
        } else if (name == "NoteNameList") {
          if (lists++ == 0)
            if (const std::string* title = start.attribute("Name")) listName = cleanName(*title);
        } else if (name == "Note" && path.size() >= 2 && path[path.size() - 2] == "NoteNameList" && lists == 0) {
          return addEntry(read, start, "Number", "Name", err);
        }
        return true;
      },
      error);
  if (!ok) return false;
  read.name = !listName.empty() ? listName : model;
  kit = std::move(read);
  return true;
}

bool readKit(std::string_view bytes, Kit& kit, std::string& error) {
  if (tooLarge(bytes, error)) return false;
  XmlReader reader(bytes);
  XmlToken token;
  if (!reader.next(token, error)) return false;
  Kit read;
  bool ok;
  if (token.name == "midimap") ok = readDrumGizmoMidiMap(bytes, read, error);
  else if (token.name == "drumkit_info") ok = readHydrogenKit(bytes, read, error);
  else if (token.name == "MIDINameDocument") ok = readMidnam(bytes, read, error);
  else {
    error = "not a kit description (a DrumGizmo MIDI map, a Hydrogen drumkit.xml or a MIDNAM document)";
    return false;
  }
  if (!ok) return false;
  if (read.instruments.empty()) {
    error = "the kit names no instrument with a MIDI note";
    return false;
  }
  kit = std::move(read);
  return true;
}

}  // namespace velmora::kits
