// The arithmetic that places and shapes a stroke on its way out: resolution scaling, quantize,
// swing and humanize. Pure functions, shared by playback, export and the strokes view.
#pragma once

#include <cstdint>

#include "midi/Event.h"

namespace velmora {

// a * b / c with a 64-bit product, truncated toward zero; 0 when c is 0. Every change of tick
// resolution goes through it. [any-thread, real-time safe]
constexpr std::int32_t scale(std::int64_t a, std::int64_t b, std::int64_t c) {
  return c == 0 ? 0 : static_cast<std::int32_t>(a * b / c);
}

// Snaps `t` to the grid of `step` ticks: up to a quarter step early moves to the next line, up to
// three quarters late back to the previous one. A step of 0 or less leaves `t`. [any-thread,
// real-time safe]
std::int32_t quantizeTime(std::int32_t t, std::int32_t step);

// Delays every second grid step of `step` ticks by up to half a step (percent 100), stretching
// even steps and compressing odd ones; grid lines of even steps stay. Moves the event's start and
// re-measures a positive duration between the warped start and end. The grid is anchored at
// tick 0. A step of 0 or less changes nothing. [any-thread, real-time safe]
void swing(MidiEvent& event, std::int32_t step, std::int32_t percent);

// `velocity` plus a random spread of +-spread, shifted by `trend` percent (positive raises the
// low end, negative lowers the high end), clamped to 1..127. Draws one value from the process's
// generator even when the spread is 0. [any-thread, real-time safe]
std::int32_t humanize(std::int32_t velocity, std::int32_t spread, std::int32_t trend);

}  // namespace velmora
