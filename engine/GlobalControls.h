// The engine's global controls, each described once: what the panel and the program call it, its
// range and default, how it is read from and given to the engine, where the state keeps it, and
// what it is to the outside (an LV2 control port, an option of the `tamborak` program). The LV2
// plug-in's ports, its description, its panel and the program all take them from here.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <optional>
#include <string_view>

#include "engine/Tamborak.h"

namespace velmora {

struct GlobalControl {
  enum class Kind : std::uint8_t {
    kNumber,   // an integer
    kPercent,  // an integer in per cent
    kToggle,   // off (0) or on (1); the program takes "off" or "on"
    kChoice,   // one of `choices`
  };
  const char* name;  // "Swing"
  std::int32_t min, max, defaultValue;
  Kind kind;
  const char* choices;  // kChoice: the labels of min..max, separated by '|'
  // Reads the engine's value; gives the engine a value within min..max without notifying anyone.
  std::int32_t (*get)(Tamborak&);
  void (*set)(Tamborak&, std::int32_t);
  const char* stored;  // where the engine's state keeps the value
  const char* symbol;  // its LV2 control port's symbol; nullptr: no port
  std::uint32_t port;  // its LV2 control port's index
  const char* option;  // its option of `tamborak play`; nullptr: none
};

// The LV2 ports before the first control port: MIDI in and out.
inline constexpr std::uint32_t kFirstControlPort = 2;

// Controls with a port come first, in port order.
inline constexpr GlobalControl kGlobalControls[] = {
    {"Swing", 0, 100, 0, GlobalControl::Kind::kPercent, nullptr,
     [](Tamborak& e) { return e.getSwingPc(); }, [](Tamborak& e, std::int32_t v) { e.setSwingPc(v, false); },
     "state block: swing", "swing", 2, "--swing"},
    {"Velocity dynamics", -100, 100, 0, GlobalControl::Kind::kNumber, nullptr,
     [](Tamborak& e) { return e.getVeloDyn(); }, [](Tamborak& e, std::int32_t v) { e.setVeloDyn(v, false); },
     "state block: velocity dynamics", "velocity_dynamics", 3, "--dynamics"},
    {"Velocity centre", 0, 100, 0, GlobalControl::Kind::kPercent, nullptr,
     [](Tamborak& e) { return e.getVeloCenterPC(); }, [](Tamborak& e, std::int32_t v) { e.setVeloCenterPC(v, false); },
     "state block: velocity centre", "velocity_centre", 4, "--centre"},
    {"Humanize", 0, 127, 0, GlobalControl::Kind::kNumber, nullptr,
     [](Tamborak& e) { return e.getHumanizeVelo(); }, [](Tamborak& e, std::int32_t v) { e.setHumanizeVelo(v, false); },
     "state block: humanize", "humanize", 5, "--humanize"},
    {"Humanize trend", -100, 100, 0, GlobalControl::Kind::kNumber, nullptr,
     [](Tamborak& e) { return e.getHumanizeVeloTrend(); },
     [](Tamborak& e, std::int32_t v) { e.setHumanizeVeloTrend(v, false); }, "not stored", "humanize_trend", 6,
     "--trend"},
    {"Quantize", 0, 1, 0, GlobalControl::Kind::kToggle, nullptr,
     [](Tamborak& e) -> std::int32_t { return e.getQuantize() ? 1 : 0; },
     [](Tamborak& e, std::int32_t v) { e.setQuantize(v != 0, false); }, "state block: quantize", "quantize", 7,
     "--quantize"},
    {"Variation range", 0, 2, 0, GlobalControl::Kind::kChoice, "Small|Medium|Large",
     [](Tamborak& e) { return e.getPatternGroup(); }, [](Tamborak& e, std::int32_t v) { e.setPatternGroup(v, true); },
     "loop block: pattern group", "variation_range", 8, nullptr},
    {"Quick pad", 0, Tamborak::kPadCount - 1, 0, GlobalControl::Kind::kNumber, nullptr,
     [](Tamborak& e) { return e.getLoopIdx(); }, [](Tamborak& e, std::int32_t v) { e.setLoopIdx(v, false, 0); },
     "state block: pad", "quick_pad", 9, nullptr},
    // The loop's phrase: bars by choice index (kPhraseBars), fill length, crash after the fill.
    {"Phrase", 0, kPhraseChoices - 1, 0, GlobalControl::Kind::kChoice, "off|2|4|8|16",
     [](Tamborak& e) { return phraseChoice(e.getPhraseBars()); },
     [](Tamborak& e, std::int32_t v) { e.setPhraseBars(kPhraseBars[v], false); }, "loop block: phrase bars",
     "phrase_length", 10, "--phrase"},
    {"Fill length", 0, 2, 0, GlobalControl::Kind::kChoice, "beat|2beats|bar",
     [](Tamborak& e) { return e.getFillLength(); }, [](Tamborak& e, std::int32_t v) { e.setFillLength(v, false); },
     "loop block: fill length", "fill_length", 11, "--fill-length"},
    {"Crash after fill", 0, 1, 0, GlobalControl::Kind::kToggle, nullptr,
     [](Tamborak& e) -> std::int32_t { return e.getCrashAfterFill() ? 1 : 0; },
     [](Tamborak& e, std::int32_t v) { e.setCrashAfterFill(v != 0, false); }, "loop block: crash after the fill",
     "crash", 12, "--crash"},
    {"Swing grid", 0, 4, 1, GlobalControl::Kind::kNumber, nullptr,
     [](Tamborak& e) { return e.getSwingDurIdx(); }, [](Tamborak& e, std::int32_t v) { e.setSwingDurIdx(v, false); },
     "each pad's loop: swing grid", nullptr, 0, "--swing-grid"},
    // The lowest of the ten keys that switch quick pads 0 to 9.
    {"Trigger key", 0, 127 - (Tamborak::kPadCount - 1), 36, GlobalControl::Kind::kNumber, nullptr,
     [](Tamborak& e) { return e.getTriggerLowKey(); }, [](Tamborak& e, std::int32_t v) { e.setTriggerLowKey(v); },
     "settings block: trigger key", nullptr, 0, "--trigger-key"},
};
inline constexpr std::size_t kGlobalControlCount = std::size(kGlobalControls);

// How many controls have an LV2 port.
inline constexpr std::size_t kControlPortCount =
    static_cast<std::size_t>(std::count_if(std::begin(kGlobalControls), std::end(kGlobalControls),
                                           [](const GlobalControl& c) { return c.symbol != nullptr; }));

static_assert([] {
  for (std::size_t i = 0; i < kGlobalControlCount; ++i) {
    const GlobalControl& c = kGlobalControls[i];
    if (c.min > c.max || c.defaultValue < c.min || c.defaultValue > c.max) return false;
    if ((c.symbol != nullptr) != (i < kControlPortCount)) return false;
    if (c.symbol && c.port != kFirstControlPort + i) return false;
  }
  return true;
}(), "global controls: default outside the range, or ports not first and in order");

// The control named `name` (its name, port symbol or option), or nullptr. [any-thread]
constexpr const GlobalControl* findGlobalControl(std::string_view name) {
  for (const GlobalControl& c : kGlobalControls)
    if (name == c.name || (c.symbol && name == c.symbol) || (c.option && name == c.option)) return &c;
  return nullptr;
}

// The index (min on) of `label` among a choice control's labels, or nothing. [any-thread]
constexpr std::optional<std::int32_t> choiceIndex(const GlobalControl& control, std::string_view label) {
  if (control.kind != GlobalControl::Kind::kChoice || !control.choices) return std::nullopt;
  std::string_view rest = control.choices;
  for (std::int32_t index = control.min;; ++index) {
    const std::size_t bar = rest.find('|');
    if (rest.substr(0, bar) == label) return index;
    if (bar == std::string_view::npos) return std::nullopt;
    rest.remove_prefix(bar + 1);
  }
}

// The label of choice `index` (min on) of a choice control; empty outside its labels. [any-thread]
constexpr std::string_view choiceLabel(const GlobalControl& control, std::int32_t index) {
  if (control.kind != GlobalControl::Kind::kChoice || !control.choices || index < control.min) return {};
  std::string_view rest = control.choices;
  for (std::int32_t i = control.min; i < index; ++i) {
    const std::size_t bar = rest.find('|');
    if (bar == std::string_view::npos) return {};
    rest.remove_prefix(bar + 1);
  }
  return rest.substr(0, rest.find('|'));
}

// `value` clamped to the control's range. [any-thread, real-time safe]
constexpr std::int32_t clampControl(const GlobalControl& control, std::int64_t value) {
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(value, control.min, control.max));
}

// Gives the engine the control's value, clamped to its range. [main-thread, not real-time safe]
inline void setControl(Tamborak& engine, const GlobalControl& control, std::int64_t value) {
  control.set(engine, clampControl(control, value));
}

}  // namespace velmora
