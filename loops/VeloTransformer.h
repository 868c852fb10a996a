// VeloTransformer: a slice's velocity curve. Three anchor velocities and a strength bend a
// 127-entry table that maps input velocity 1..127 to output 1..127: strength -100 flattens every
// velocity to the centre, 0 leaves them unchanged, 100 gives an S-curve around the centre, and up
// to 150 also stretches the outer anchors towards floor and ceiling. No lock of its own: the
// owning slice serialises access.
#pragma once

#include <array>
#include <cstdint>

namespace velmora {

class VeloTransformer {
 public:
  // Parameters by index.
  enum Param : int { kLowX = 0, kCenterX = 1, kHighX = 2, kStrength = 3, kFloor = 4, kCeiling = 5, kParamCount = 6 };

  struct ParamBounds {
    std::int32_t minimum, maximum, defaultValue;
  };
  static const ParamBounds kBounds[kParamCount];

  // Identity table, defaults, then the normalising pass. [main-thread]
  VeloTransformer();
  VeloTransformer(const VeloTransformer&) = default;
  VeloTransformer& operator=(const VeloTransformer&) = default;
  virtual ~VeloTransformer() = default;

  // Plain store: false and nothing done when the parameter already equals value (before
  // clamping); else clamps to the bounds, stores, rebuilds the table when recalc, and gives true.
  // False for an unknown index. [main-thread] rebuilding costs a few hundred polynomial evaluations.
  bool setParam(int index, std::int32_t value, bool recalc);
  // With constrain, stores the value and pushes the other anchors so that
  // floor <= lowX < centerX < highX <= ceiling, rebuilding the table; true when any parameter
  // changed. Without constrain, a plain store without rebuild. [main-thread]
  bool setParamConstrained(int index, std::int32_t value, bool constrain);
  // Constrained sets of ceiling, floor, highX, lowX and centerX with their present values.
  void normalize();
  // Builds the table from the present parameters. Plain stores followed by normalize() leave the
  // table as it was when normalize() changes nothing, so whoever stores all parameters this way
  // (a slice rebuilding its curve) calls this last. [main-thread] a few hundred polynomial
  // evaluations, no allocation.
  void rebuild();

  std::int32_t param(int index) const { return index >= 0 && index < kParamCount ? params_[index] : 0; }
  // Output velocity for an input velocity; inputs outside 1..127 are taken as the nearest end.
  // [audio-thread, real-time safe]
  std::uint8_t lookup(int velocity) const {
    const int v = velocity < 1 ? 1 : (velocity > 127 ? 127 : velocity);
    return table_[static_cast<std::size_t>(v - 1)];
  }
  const std::array<std::uint8_t, 127>& table() const { return table_; }

 private:
  struct Point {
    int x, y;
  };
  void drawSegment(Point q0, Point q1, Point q2, Point q3);
  // Stores y, clamped to 1..127, as the entry for input x when x is within 1..127.
  void put(int x, int y);

  std::array<std::uint8_t, 127> table_{};
  std::array<std::int32_t, kParamCount> params_{};
};

}  // namespace velmora
