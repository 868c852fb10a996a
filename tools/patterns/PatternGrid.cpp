#include "tools/patterns/PatternGrid.h"

#include <algorithm>
#include <array>

#include "platform/Numeric.h"

namespace velmora::patterns {
namespace {

struct StrokeChar {
  char c;
  int instrument;
  Loudness loudness;
  char mark;
};

// Every single-instrument kind: stroke, accented stroke, ghost stroke.
constexpr StrokeChar kPlain[] = {
    {'x', 0, Loudness::normal, '1'}, {'X', 0, Loudness::accent, '1'}, {'g', 0, Loudness::ghost, '1'}};
// Hi-hat with open strokes: closed as above on the first key, open on the second.
constexpr StrokeChar kHiHatOpen[] = {
    {'x', 0, Loudness::normal, '1'}, {'X', 0, Loudness::accent, '1'}, {'g', 0, Loudness::ghost, '1'},
    {'o', 1, Loudness::normal, '2'}, {'O', 1, Loudness::accent, '2'}};
// Congas: muted high, open high, low; upper case accents.
constexpr StrokeChar kConga[] = {
    {'m', 0, Loudness::normal, '1'}, {'M', 0, Loudness::accent, '1'}, {'h', 1, Loudness::normal, '1'},
    {'H', 1, Loudness::accent, '1'}, {'l', 2, Loudness::normal, '1'}, {'L', 2, Loudness::accent, '1'}};

// Fills: one letter per instrument, in the order of the kind's keys; upper case accents, `g` is
// a ghost stroke on the snare.
constexpr StrokeChar kFill[] = {
    {'k', 0, Loudness::normal, '1'},  {'K', 0, Loudness::accent, '1'},  {'s', 1, Loudness::normal, '1'},
    {'S', 1, Loudness::accent, '1'},  {'g', 1, Loudness::ghost, '1'},   {'h', 2, Loudness::normal, '1'},
    {'H', 2, Loudness::accent, '1'},  {'m', 3, Loudness::normal, '1'},  {'M', 3, Loudness::accent, '1'},
    {'l', 4, Loudness::normal, '1'},  {'L', 4, Loudness::accent, '1'},  {'f', 5, Loudness::normal, '1'},
    {'F', 5, Loudness::accent, '1'},  {'c', 6, Loudness::normal, '1'},  {'C', 6, Loudness::accent, '1'},
    {'r', 7, Loudness::normal, '1'},  {'R', 7, Loudness::accent, '1'},  {'t', 8, Loudness::normal, '1'},
    {'T', 8, Loudness::accent, '1'},  {'b', 9, Loudness::normal, '1'},  {'B', 9, Loudness::accent, '1'},
    {'o', 10, Loudness::normal, '1'}, {'O', 10, Loudness::accent, '1'}, {'u', 11, Loudness::normal, '1'},
    {'U', 11, Loudness::accent, '1'}, {'e', 12, Loudness::normal, '1'}, {'E', 12, Loudness::accent, '1'}};

struct KindAlphabet {
  std::string_view kind;
  const StrokeChar* begin;
  const StrokeChar* end;
  bool rising = false;  // a fill builds: later beats are played louder
};

constexpr KindAlphabet kAlphabets[] = {
    {"Kick", std::begin(kPlain), std::end(kPlain)},
    {"Snare", std::begin(kPlain), std::end(kPlain)},
    {"HH_Cl", std::begin(kPlain), std::end(kPlain)},
    {"HH_Op", std::begin(kHiHatOpen), std::end(kHiHatOpen)},
    {"Ride", std::begin(kPlain), std::end(kPlain)},
    {"Tambourine", std::begin(kPlain), std::end(kPlain)},
    {"Cowbell", std::begin(kPlain), std::end(kPlain)},
    {"Conga", std::begin(kConga), std::end(kConga)},
    {"Maracas", std::begin(kPlain), std::end(kPlain)},
    {"Claps", std::begin(kPlain), std::end(kPlain)},
    {"universal", std::begin(kPlain), std::end(kPlain)},
    {"Fill", std::begin(kFill), std::end(kFill), true},
};

const KindAlphabet* alphabetOf(std::string_view kind) {
  for (const auto& a : kAlphabets)
    if (platform::equalsIgnoringCase(a.kind, kind)) return &a;
  return nullptr;
}

// Sets `error` and gives false. Messages are built with append: GCC 12 at -O3 misreports
// "text" + std::string(...) as an overlapping copy.
bool fail(std::string& error, std::string message) {
  error = std::move(message);
  return false;
}

}  // namespace

int strokeVelocity(Loudness loudness, int step) {
  int level = loudness == Loudness::accent ? 112 : loudness == Loudness::normal ? 92 : 42;
  if (step == 0) level += 12;
  else if (step % 4 == 0) level += 8;
  else if (step % 2 == 1) level -= 8;
  return std::clamp(level, 1, 127);
}

int risingVelocity(Loudness loudness, int step) {
  return std::clamp(strokeVelocity(loudness, step) + 4 * (step / 4) - 8, 1, 127);
}

bool strokesOf(std::string_view kind, std::string_view grid, std::vector<Stroke>& out, std::string& error) {
  const KindAlphabet* alphabet = alphabetOf(kind);
  if (!alphabet) return fail(error, std::string("'").append(kind).append("' is not a pattern kind"));
  if (grid.size() > 16) return fail(error, "the grid has more than 16 steps");
  std::vector<Stroke> strokes;
  for (std::size_t step = 0; step < grid.size(); ++step) {
    const char c = grid[step];
    if (c == '.' || c == '-') continue;
    const StrokeChar* s = std::find_if(alphabet->begin, alphabet->end, [c](const StrokeChar& e) { return e.c == c; });
    if (s == alphabet->end) {
      return fail(error, std::string("step ")
                             .append(std::to_string(step + 1))
                             .append(": '")
                             .append(1, c)
                             .append("' is not a stroke of ")
                             .append(alphabet->kind)
                             .append(" (use " + strokeCharacters(kind) + " or . for a rest)"));
    }
    const int at = static_cast<int>(step);
    const int velocity = alphabet->rising ? risingVelocity(s->loudness, at) : strokeVelocity(s->loudness, at);
    strokes.push_back({at, s->instrument, velocity, s->mark});
  }
  if (strokes.empty()) return fail(error, "the grid has no stroke");
  out = std::move(strokes);
  return true;
}

std::string fillFault(const std::vector<Stroke>& strokes) {
  int perBeat[4] = {};
  for (const Stroke& s : strokes) {
    if (s.step < 0 || s.step >= 16) continue;
    ++perBeat[s.step / 4];
    if (s.step == 15 && s.instrument == 0)  // the fill's first key is the kick
      return "a kick on the last step would anticipate the next downbeat";
  }
  if (perBeat[3] < 2) return "the last beat needs at least 2 strokes";
  if (perBeat[2] < 1) return "the third beat needs a stroke";
  if (perBeat[3] < perBeat[2]) return "the last beat has fewer strokes than the third";
  return {};
}

bool nearCopies(const std::vector<Stroke>& a, const std::vector<Stroke>& b) {
  // The instrument of each step, -1 for a rest: loudness makes no difference.
  const auto steps = [](const std::vector<Stroke>& strokes) {
    std::array<int, 16> out;
    out.fill(-1);
    for (const Stroke& s : strokes)
      if (s.step >= 0 && s.step < 16) out[static_cast<std::size_t>(s.step)] = s.instrument;
    return out;
  };
  const std::array<int, 16> x = steps(a), y = steps(b);
  int differing = 0;
  for (std::size_t i = 0; i < x.size(); ++i) differing += x[i] != y[i];
  return differing <= 1;
}

std::string strokeCharacters(std::string_view kind) {
  std::string chars;
  if (const KindAlphabet* a = alphabetOf(kind))
    for (const StrokeChar* s = a->begin; s != a->end; ++s) chars += s->c;
  return chars;
}

std::string nameGrid(const std::vector<Stroke>& strokes) {
  std::string grid(16, '0');
  for (const Stroke& s : strokes)
    if (s.step >= 0 && s.step < 16) grid[static_cast<std::size_t>(s.step)] = s.mark;
  return grid;
}

std::string patternFileName(int number, int width, const std::vector<Stroke>& strokes, int group,
                            std::string_view title) {
  std::string digits = std::to_string(number);
  if (static_cast<int>(digits.size()) < width) digits.insert(0, static_cast<std::size_t>(width) - digits.size(), '0');
  return digits + "_" + std::to_string(strokes.size()) + "_" + nameGrid(strokes) + "_" + std::to_string(group) +
         "#" + std::string(title) + ".mid";
}

}  // namespace velmora::patterns
