#include "loops/VeloTransformer.h"

#include <algorithm>

#include "platform/Numeric.h"

namespace velmora {
namespace {

using platform::roundHalfEven;

// A cubic in power form, for x or y of one Bezier segment.
struct Cubic {
  double a0, a1, a2, a3;
  Cubic(double q0, double q1, double q2, double q3)
      : a0(q0), a1(3 * (q1 - q0)), a2(3 * (q2 - 2 * q1 + q0)), a3((q3 - q0) - 3 * (q2 - q1)) {}
  double at(double t) const { return ((a3 * t + a2) * t + a1) * t + a0; }
};

// Deeper than this the halves of t no longer differ; a curve bent back on itself by unconstrained
// parameters stops here instead of recursing on.
constexpr int kMaxBisectDepth = 64;

}  // namespace

const VeloTransformer::ParamBounds VeloTransformer::kBounds[kParamCount] = {
    {1, 127, 1}, {1, 127, 64}, {1, 127, 127}, {-100, 150, 0}, {1, 127, 1}, {1, 127, 127},
};

VeloTransformer::VeloTransformer() {
  for (int v = 1; v <= 127; ++v) table_[static_cast<std::size_t>(v - 1)] = static_cast<std::uint8_t>(v);
  for (int i = 0; i < kParamCount; ++i) params_[i] = kBounds[i].defaultValue;
  normalize();
}

bool VeloTransformer::setParam(int index, std::int32_t value, bool recalc) {
  if (index < 0 || index >= kParamCount || params_[index] == value) return false;
  params_[index] = std::clamp(value, kBounds[index].minimum, kBounds[index].maximum);
  if (recalc) rebuild();
  return true;
}

bool VeloTransformer::setParamConstrained(int index, std::int32_t v, bool constrain) {
  if (!constrain) return setParam(index, v, false);
  auto set = [this](int i, std::int32_t value) { return setParam(i, value, true); };
  auto push = [this](int i, std::int32_t value) { return setParamConstrained(i, value, true); };
  std::int32_t* p = params_.data();
  bool changed = false;
  switch (index) {
    case kLowX:
      v = std::max(std::min(v, 125), p[kFloor]);
      changed |= set(kLowX, v);
      if (p[kCenterX] < v + 1) changed |= push(kCenterX, v + 1);
      break;
    case kCenterX:
      v = std::clamp(v, 2, 126);
      changed |= set(kCenterX, v);
      if (p[kLowX] > v - 1) changed |= push(kLowX, v - 1);
      if (p[kHighX] < v + 1) changed |= push(kHighX, v + 1);
      break;
    case kHighX:
      v = std::min(std::max(v, 3), p[kCeiling]);
      changed |= set(kHighX, v);
      if (p[kCenterX] > v - 1) changed |= push(kCenterX, v - 1);
      break;
    case kStrength:
      changed |= set(kStrength, v);
      break;
    case kFloor:
      v = std::min(v, 125);
      changed |= set(kFloor, v);
      if (p[kLowX] < v) changed |= push(kLowX, v);
      if (p[kCenterX] < v + 1) changed |= push(kCenterX, v + 1);
      if (p[kHighX] < v + 2) changed |= push(kHighX, v + 2);
      break;
    case kCeiling:
      v = std::max(v, 3);
      changed |= set(kCeiling, v);
      if (p[kLowX] > v - 2) changed |= push(kLowX, v - 2);
      if (p[kCenterX] > v - 1) changed |= push(kCenterX, v - 1);
      if (p[kHighX] > v) changed |= push(kHighX, v);
      break;
    default:
      break;
  }
  return changed;
}

void VeloTransformer::normalize() {
  for (int i : {kCeiling, kFloor, kHighX, kLowX, kCenterX}) setParamConstrained(i, params_[i], true);
}

void VeloTransformer::put(int x, int y) {
  if (x < 1 || x > 127) return;
  table_[static_cast<std::size_t>(x - 1)] = static_cast<std::uint8_t>(std::clamp(y, 1, 127));
}

void VeloTransformer::rebuild() {
  const int lowX = params_[kLowX], centerX = params_[kCenterX], highX = params_[kHighX];
  const int strength = params_[kStrength], floor = params_[kFloor], ceiling = params_[kCeiling];
  const int s = std::min(strength, 100);
  const int outerLow = strength > 100 ? roundHalfEven((strength - 100) * (lowX - floor) * 0.02) : 0;
  const int outerHigh = strength > 100 ? roundHalfEven((strength - 100) * (ceiling - highX) * 0.02) : 0;

  Point p0{lowX, lowX}, p1{centerX, centerX}, p2{highX, highX}, c1{}, c2{};
  if (strength < 0) {
    p0.y = lowX + roundHalfEven(-strength * (centerX - lowX) * 0.01);
    p2.y = highX - roundHalfEven(-strength * (highX - centerX) * 0.01);
  }
  p0.y -= outerLow;
  p2.y += outerHigh;
  if (strength == 0) {
    c1.x = c1.y = roundHalfEven((lowX + centerX) * 0.5);
    c2.x = c2.y = roundHalfEven((centerX + highX) * 0.5);
  } else {
    const int d1 = roundHalfEven((centerX - lowX) * (s + 100) * 0.005);
    c1.y = centerX - d1 - outerLow;
    c1.x = strength > 0 ? lowX + d1 : roundHalfEven((lowX + centerX) * 0.5);
    const int d2 = roundHalfEven((highX - centerX) * (s + 100) * 0.005);
    c2.y = centerX + d2 + outerHigh;
    c2.x = strength > 0 ? highX - d2 : roundHalfEven((centerX + highX) * 0.5);
  }

  for (int v = 1; v < p0.x; ++v) put(v, p0.y);
  drawSegment(p0, c1, c1, p1);
  drawSegment(p1, c2, c2, p2);
  for (int v = p2.x; v <= 127; ++v) put(v, p2.y);
}

void VeloTransformer::drawSegment(Point q0, Point q1, Point q2, Point q3) {
  const Cubic x(q0.x, q1.x, q2.x, q3.x), y(q0.y, q1.y, q2.y, q3.y);
  const int xStart = roundHalfEven(x.at(0));
  put(xStart, roundHalfEven(y.at(0)));
  const int xEnd = roundHalfEven(x.at(1));
  put(xEnd, roundHalfEven(y.at(1)));

  // Bisect on t; every integer x strictly between the ends is visited once.
  auto bisect = [&](auto& self, double t0, int xlo, double t1, int xhi, int depth) -> void {
    while (depth < kMaxBisectDepth) {
      const double tm = (t0 + t1) * 0.5;
      const int xm = roundHalfEven(x.at(tm));
      if (xlo < xm && xm < xhi) put(xm, roundHalfEven(y.at(tm)));
      if (xm - xlo > 1) self(self, t0, xlo, tm, xm, depth + 1);
      if (xhi - xm <= 1) return;
      t0 = tm;
      xlo = xm;
      ++depth;
    }
  };
  bisect(bisect, 0.0, xStart, 1.0, xEnd, 0);
}

}  // namespace velmora
