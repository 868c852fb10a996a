// What a source grid means: the stroke characters each kind accepts, the instrument and loudness
// each stands for, the velocity a stroke gets from its loudness and its place in the bar, and
// the file name that carries the pattern's signature.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace velmora::patterns {

enum class Loudness { ghost, normal, accent };

// One note of a one-bar pattern.
struct Stroke {
  int step = 0;        // 0..15, sixteenth steps of a 4/4 bar
  int instrument = 0;  // index into the kind's key list
  int velocity = 0;    // 1..127
  char mark = '1';     // the file name's grid character: '1', or '2' for an open hi-hat
};

// [any thread] Velocity of a stroke: the loudness sets the level, the step shapes it so that the
// bar's first beat is loudest, then the other beats, the off-beat eighths, the sixteenths.
int strokeVelocity(Loudness loudness, int step);
// [any thread] The velocity of a fill's stroke: as strokeVelocity, then 8 softer on the first
// beat and 4 louder on each beat after it, so that the figure builds toward the next bar.
int risingVelocity(Loudness loudness, int step);

// [any thread, not real-time safe] The strokes of a 16-character source grid for the kind
// folder `kind` (compared without regard to case). "." and "-" are rests. False with a message
// naming the step when a character does not belong to the kind, or when the grid is empty or
// longer than a bar.
bool strokesOf(std::string_view kind, std::string_view grid, std::vector<Stroke>& out, std::string& error);

// [any thread, not real-time safe] What keeps a fill's strokes from working when only its last
// beat or two are played, or "" when nothing does: the last beat needs 2 strokes, the third one,
// the last beat no fewer than the third, and no kick on the last step.
std::string fillFault(const std::vector<Stroke>& strokes);

// [any thread, not real-time safe] True when two patterns play the same instrument on every
// step but one at most, however loud.
bool nearCopies(const std::vector<Stroke>& a, const std::vector<Stroke>& b);

// The stroke characters a kind accepts, for messages and the documentation ("" for an unknown
// kind).
std::string strokeCharacters(std::string_view kind);

// The file name's grid: one character a step, '0' for a rest.
std::string nameGrid(const std::vector<Stroke>& strokes);

// number "_" strokes "_" grid "_" group "#" title ".mid", the number zero-padded to `width`
// digits so that a folder lists its patterns in source order.
std::string patternFileName(int number, int width, const std::vector<Stroke>& strokes, int group,
                            std::string_view title);

}  // namespace velmora::patterns
