#include "kits/KitImport.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace velmora::kits {

namespace {

// A kit instrument's name, lower case: all letters and digits run together ("closedhat" for
// "Closed Hat"), and its words, split at blanks, punctuation and case changes ("HHClosed" gives
// "hh" and "closed").
struct Words {
  std::string squashed;
  std::vector<std::string> tokens;

  explicit Words(const std::string& name) {
    std::string token;
    auto flush = [&] {
      if (!token.empty()) tokens.push_back(std::move(token));
      token.clear();
    };
    for (std::size_t i = 0; i < name.size(); ++i) {
      const auto c = static_cast<unsigned char>(name[i]);
      if (!std::isalnum(c)) {
        flush();
        continue;
      }
      if (i > 0) {
        const auto p = static_cast<unsigned char>(name[i - 1]);
        const bool next = i + 1 < name.size() && std::islower(static_cast<unsigned char>(name[i + 1]));
        if ((std::islower(p) && std::isupper(c)) || (std::isupper(p) && std::isupper(c) && next) ||
            (std::isalpha(p) != 0) != (std::isalpha(c) != 0))
          flush();
      }
      const char lower = static_cast<char>(std::tolower(c));
      token += lower;
      squashed += lower;
    }
    flush();
  }

  // One term of a rule: alternatives split by '|', each a part of the squashed name, or with a
  // leading '=' a whole word.
  bool has(std::string_view term) const {
    while (!term.empty()) {
      const std::size_t bar = std::min(term.find('|'), term.size());
      const std::string_view alt = term.substr(0, bar);
      if (alt.front() == '=' ? std::find(tokens.begin(), tokens.end(), alt.substr(1)) != tokens.end()
                             : squashed.find(alt) != std::string::npos)
        return true;
      term.remove_prefix(std::min(bar + 1, term.size()));
    }
    return false;
  }

  // A rule: terms split by blanks; every term must be present, every term after '!' absent.
  bool fits(std::string_view rule) const {
    while (!rule.empty()) {
      const std::size_t blank = std::min(rule.find(' '), rule.size());
      std::string_view term = rule.substr(0, blank);
      rule.remove_prefix(std::min(blank + 1, rule.size()));
      const bool absent = term.front() == '!';
      if (absent) term.remove_prefix(1);
      if (has(term) == absent) return false;
    }
    return true;
  }
};

constexpr char kHat[] = "hat|hh|=ch|=oh";

struct Kind {
  int key;
  const char* name;
  std::vector<std::string> rules;  // tried in order; the later ones are stand-ins
};

// From the ground up, as the drum-map editor lists the keys from the bottom.
const std::vector<Kind>& kinds() {
  static const std::vector<Kind> table = {
      {36, "kick", {"kick", "bassdrum", "=bd|=kd", "kdrum", "=bass"}},
      {38, "snare", {"snare|=sd|=sn !side !stick !rim !edge !ghost !flam !roll !brush !off", "snare|=sd|=sn !side !stick"}},
      {39, "clap", {"clap", "=cp", "snap"}},
      {42, "closed hi-hat",
       {std::string(kHat) + " closed|close|tight|=ch", std::string(kHat) + " !open !=oh !semi !half !loose !pedal !foot !swish !choke",
        std::string(kHat) + " !open !=oh !semi !half"}},
      {46, "open hi-hat", {std::string(kHat) + " open|=oh !semi !half", std::string(kHat) + " semi|half|loose|swish"}},
      {51, "ride", {"ride !bell !cup !chk !choke !edge !shank !crash", "ride !bell !cup", "cymbal|cym !crash !splash !china", "ride"}},
      {54, "tambourine", {"tamb", "jingle"}},
      {56, "cowbell", {"cowbell", "=cb|=cow", "bell !ride"}},
      {62, "mute high conga", {"conga mute|slap", "conga hi|high", "conga"}},
      {63, "open high conga", {"conga open !low", "conga hi|high !mute !slap", "conga"}},
      {64, "low conga", {"conga low|lo", "conga !hi !high !mute !slap", "conga"}},
      {70, "maracas", {"maraca", "shaker|shake|shkr", "cabasa"}},
  };
  return table;
}

// The instrument of the first rule any instrument fits: among those, the one on the key's own
// note, else the first in the kit. -1 when none fits.
int bestFit(const Kind& kind, const std::vector<Words>& words, const Kit& kit) {
  for (const std::string& rule : kind.rules) {
    int found = -1;
    for (std::size_t i = 0; i < words.size(); ++i) {
      if (!words[i].fits(rule)) continue;
      if (kit.instruments[i].note == kind.key) return static_cast<int>(i);
      if (found < 0) found = static_cast<int>(i);
    }
    if (found >= 0) return found;
  }
  return -1;
}

}  // namespace

KitImport importKit(const Kit& kit) {
  KitImport result;
  std::array<bool, 128> named{};
  for (const KitInstrument& instrument : kit.instruments) {
    if (instrument.note < 0 || instrument.note > 127 || named[static_cast<std::size_t>(instrument.note)]) continue;
    named[static_cast<std::size_t>(instrument.note)] = true;
    result.noteNames += std::to_string(instrument.note) + ' ' + instrument.name + '\n';
  }
  std::vector<Words> words;
  words.reserve(kit.instruments.size());
  for (const KitInstrument& instrument : kit.instruments) words.emplace_back(instrument.name);
  for (const Kind& kind : kinds()) {
    KitPlacement placement{kind.key, kind.name, -1, std::string()};
    const int fit = bestFit(kind, words, kit);
    if (fit >= 0) {
      placement.note = kit.instruments[static_cast<std::size_t>(fit)].note;
      placement.instrument = kit.instruments[static_cast<std::size_t>(fit)].name;
      result.map.setNote(kind.key, placement.note);
    }
    result.placements.push_back(std::move(placement));
  }
  return result;
}

}  // namespace velmora::kits
