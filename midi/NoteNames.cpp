#include "midi/NoteNames.h"

#include "io/Record.h"
#include "midi/NoteNamesProvider.h"

namespace velmora {

namespace {

constexpr int kFirstDrumKey = 35, kLastDrumKey = 81;
// Our own names for the General MIDI percussion keys 35 to 81.
constexpr char kDrumNames[kLastDrumKey - kFirstDrumKey + 1][20] = {
    "Kick Drum 2",      "Kick Drum 1",     "Rim Click",      "Snare",          "Hand Clap",
    "Snare 2",          "Floor Tom Low",   "Hi-Hat Closed",  "Floor Tom High", "Hi-Hat Pedal",
    "Tom Low",          "Hi-Hat Open",     "Tom Low-Mid",    "Tom High-Mid",   "Crash 1",
    "Tom High",         "Ride 1",          "China",          "Ride Bell",      "Tambourine",
    "Splash",           "Cowbell",         "Crash 2",        "Vibraslap",      "Ride 2",
    "Bongo High",       "Bongo Low",       "Conga High Muted", "Conga High Open", "Conga Low",
    "Timbale High",     "Timbale Low",     "Agogo High",     "Agogo Low",      "Cabasa",
    "Maracas",          "Whistle Short",   "Whistle Long",   "Guiro Short",    "Guiro Long",
    "Claves",           "Wood Block High", "Wood Block Low", "Cuica Muted",    "Cuica Open",
    "Triangle Muted",   "Triangle Open"};

constexpr const char* kNoteLetters[12] = {"C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"};

// Reading state of the note-name text format.
enum class State { kLineStart, kNumber, kSeparator, kName, kSkipLine };

bool isDigit(std::uint8_t c) { return c >= '0' && c <= '9'; }
bool isLineEnd(std::uint8_t c) { return c == '\r' || c == '\n'; }

}  // namespace

std::string pitchName(int key) {
  const int letter = (key % 12 + 12) % 12;
  return std::string(kNoteLetters[letter]) + std::to_string((key - letter) / 12);
}

std::string drumName(int key) {
  if (key >= kFirstDrumKey && key <= kLastDrumKey) return kDrumNames[key - kFirstDrumKey];
  return pitchName(key);
}

void NoteNames::reset() {
  for (std::string& name : names_) name.clear();
  defaults_.fill(1);
  title_.clear();
  padNameMark_ = 0;
}

void NoteNames::setName(int key, std::string text) {
  if (!valid(key)) return;
  names_[key] = std::move(text);
  defaults_[key] = 0;
}

void NoteNames::setShownName(int key, std::string text) {
  if (!valid(key)) return;
  names_[key] = std::move(text);
  defaults_[key] = 1;
}

std::string NoteNames::ownName(int key) const {
  return valid(key) && defaults_[key] == 0 ? names_[key] : std::string();
}

std::string NoteNames::displayName(int key) const {
  if (valid(key) && (defaults_[key] == 0 || !names_[key].empty())) return names_[key];
  return pitchName(key);
}

void NoteNames::parse(CUniStream& stream) {
  State state = State::kLineStart;
  int key = 0;  // stays above 127 once it got there, whatever follows
  std::string name;
  std::uint8_t chunk[4096];
  for (std::uint32_t got; (got = stream.read(chunk, sizeof chunk)) != 0;) {
    for (std::uint32_t i = 0; i < got; ++i) {
      const std::uint8_t c = chunk[i];
      switch (state) {
        case State::kLineStart:
          if (isDigit(c)) {
            key = c - '0';
            state = State::kNumber;
          } else if (c != ' ' && c != '\t' && !isLineEnd(c)) {
            state = State::kSkipLine;
          }
          break;
        case State::kNumber:
          if (!isDigit(c))
            state = State::kSeparator;  // this byte ends the number and is not looked at
          else if (key < kNoteNameKeys)
            key = key * 10 + (c - '0');
          break;
        case State::kSeparator:
          if (isLineEnd(c)) {
            state = State::kLineStart;
          } else if (c != ' ' && c != '\t' && c != ':') {
            name.assign(1, static_cast<char>(c));
            state = State::kName;
          }
          break;
        case State::kName:
          if (isLineEnd(c)) {
            setName(key, name);
            state = State::kLineStart;
          } else if (name.size() < kMaxNoteNameLength) {
            name.push_back(static_cast<char>(c));
          }
          break;
        case State::kSkipLine:
          if (isLineEnd(c)) state = State::kLineStart;
          break;
      }
    }
  }
}

void NoteNames::fillGeneralMidi() {
  reset();
  title_ = kGeneralMidiDrumsTitle;
  for (int key = kFirstDrumKey; key <= kLastDrumKey; ++key) setName(key, kDrumNames[key - kFirstDrumKey]);
}

void NoteNames::saveTitle(CUniStream& stream) const { record::putText(stream, title_); }

bool NoteNames::loadTitle(CUniStream& stream, const NoteNamesProvider& provider) {
  std::string title;
  if (!record::getText(stream, title, kMaxStoredTitle)) return false;
  return provider.find(title, this);
}

}  // namespace velmora
