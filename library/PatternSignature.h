// Pattern file names and the rhythm signature they carry, the step and slot bit conventions the
// composition rules share, and the table of pattern kinds. A pattern's name reads
// number "_" strokes "_" sixteen grid characters "_" group "#" title ".mid".
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace velmora {

// Fields of a pattern file name, split at "_".
inline constexpr int kFieldNumber = 0;
inline constexpr int kFieldStrokes = 1;
inline constexpr int kFieldGrid = 2;
inline constexpr int kFieldGroup = 3;

// A bar has 16 sixteenth-note steps; step s is bit 15 - s, so the bar's first step is the most
// significant of the low 16 bits. Beat b covers steps 4b..4b+3.
inline constexpr int kStepsPerBar = 16;
constexpr std::uint32_t stepBit(int step) { return 1u << (15 - step); }

inline constexpr std::uint32_t kMaskBeats = 0x8888;            // steps 0, 4, 8, 12
inline constexpr std::uint32_t kMaskBeats124 = 0x8808;         // beats 1, 2 and 4
inline constexpr std::uint32_t kMaskBackbeats = 0x0808;        // beats 2 and 4
inline constexpr std::uint32_t kMaskWeakEighths = 0x2222;      // the "and" of each beat
inline constexpr std::uint32_t kMaskWeakSixteenths = 0x5555;   // steps 1, 3, ..., 15

// Slices of a loop by slot; the rules address slot n by the bit 2^n.
inline constexpr int kSlotPercussion1 = 0;
inline constexpr int kSlotPercussion2 = 1;
inline constexpr int kSlotPercussion3 = 2;
inline constexpr int kSlotCymbal = 3;
inline constexpr int kSlotSnare = 4;
inline constexpr int kSlotKick = 5;
inline constexpr int kSlotCount = 6;
// The loop's fill, judged by the rules with the six slices.
inline constexpr int kSlotFill = 6;
constexpr std::uint32_t slotBit(int slot) { return 1u << slot; }

// The folder below the first volume that a new slice of each slot (and the fill) starts in.
// [any-thread]
const char* defaultPartFolder(int slot);

// What a pattern's file name says about its rhythm.
struct PatternSignature {
  std::uint32_t hitMask = 0;      // bit 15 - s set when grid step s is "1"
  std::uint32_t accentMask = 0;   // bit 15 - s set when grid step s is "2" (open hi-hat on cymbals)
  std::int32_t nameStrokes = 0;   // field 1
  std::int32_t accentCount = 0;   // set bits of accentMask
  std::int32_t patternNumber = 0; // field 0

  friend bool operator==(const PatternSignature&, const PatternSignature&) = default;
};

// The signature of a file name (a path is cut after its last separator). A name without "#" gives
// an all-zero signature. [any-thread, real-time safe]
PatternSignature parseSignature(std::string_view fileName);

// The text of field n: past n "_", up to the next "_" or a "#" before it; the last field runs to
// the end of the name. Empty when the name has fewer than n "_". [any-thread]
std::string nameField(std::string_view fileName, int n);
// The field's integer value as atoi reads it (0 when it has no leading digits). [any-thread]
std::int32_t nameFieldValue(std::string_view fileName, int n);

// An instrument family of the library and the drum keys its patterns are written with.
inline constexpr int kMaxKindKeys = 13;
struct PatternKind {
  const char* name;
  int keyCount;
  std::uint8_t keys[kMaxKindKeys];
};

// The eleven kinds the six slices play, then "Fill": one-bar figures of several instruments
// (kick, snare, toms, cymbals, timbales, congas, cowbell) that live in their own part folder.
inline constexpr int kPatternKindCount = 12;
inline constexpr int kSliceKindCount = 11;
// The kinds in the order of the table. [any-thread]
const PatternKind* patternKinds();
// The kind with that name, compared without regard to case, or nullptr. [any-thread]
const PatternKind* findKind(std::string_view name);
// The kind names in the order the slice view's kind picker lists them; fills are not among them.
// [any-thread]
extern const char* const kKindPickerOrder[kSliceKindCount];

}  // namespace velmora
