#include "plant/smooth_curve.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace torvacalc {

void tSmoothCurve::CalculateKoefficients(Extended q1, Extended y1, Extended q2, Extended y2,
                                         Extended q3, Extended y3) {
  FValid = false;
  if (!Available(q1, y1, q2, y2, q3, y3)) return;
  std::pair<Extended, Extended> p[3] = {{q1 * q1, y1}, {q2 * q2, y2}, {q3 * q3, y3}};
  std::sort(std::begin(p), std::end(p),
            [](const auto& a, const auto& b) { return a.first < b.first; });
  for (int i = 0; i < 3; ++i) {
    FS[i] = p[i].first;
    FY[i] = p[i].second;
  }
  // Flows equal within 10 digits leave a segment without length.
  if (EqualDigits(FS[0], FS[1], 10) || EqualDigits(FS[1], FS[2], 10)) return;
  const Extended d0 = (FY[1] - FY[0]) / (FS[1] - FS[0]);
  const Extended d1 = (FY[2] - FY[1]) / (FS[2] - FS[1]);
  if (!std::isfinite(static_cast<double>(d0)) || !std::isfinite(static_cast<double>(d1))) return;
  FM[0] = d0;
  FM[1] = MiddleSlope(d0, d1);
  FM[2] = d1;
  FValid = true;
}

Extended tSmoothCurve::MiddleSlope(Extended d0, Extended d1) {
  if (!Available(d0, d1) || d0 * d1 <= 0) return 0;
  // Equal weights: the harmonic mean 2 d0 d1 / (d0 + d1), at most twice
  // the smaller slope, so alpha, beta <= 2 < 3 on both pieces.
  return 2 * d0 * d1 / (d0 + d1);
}

Extended tSmoothCurve::Hermite(Extended s, Extended sa, Extended ya, Extended ma, Extended sb,
                               Extended yb, Extended mb) {
  const Extended h = sb - sa;
  const Extended t = (s - sa) / h;
  const Extended t2 = t * t, t3 = t2 * t;
  return (2 * t3 - 3 * t2 + 1) * ya + (t3 - 2 * t2 + t) * h * ma + (-2 * t3 + 3 * t2) * yb +
         (t3 - t2) * h * mb;
}

Extended tSmoothCurve::GetValue(Extended q) const {
  if (!FValid || IsNoValue(q)) return NoValue;
  const Extended s = q * q;
  if (s <= FS[0]) return FY[0] + FM[0] * (s - FS[0]);
  if (s >= FS[2]) return FY[2] + FM[2] * (s - FS[2]);
  const int i = s <= FS[1] ? 0 : 1;
  return Hermite(s, FS[i], FY[i], FM[i], FS[i + 1], FY[i + 1], FM[i + 1]);
}

Extended tSmoothCurve::GetOffset(Extended q) const {
  if (!FValid || IsNoValue(q)) return 0;
  const Extended s = q * q;
  if (s <= FS[0] || s >= FS[2]) return 0;
  const int i = s <= FS[1] ? 0 : 1;
  // The quadratic segment is the straight line in s through the two nodes.
  const Extended segment = FY[i] + (FY[i + 1] - FY[i]) * (s - FS[i]) / (FS[i + 1] - FS[i]);
  return GetValue(q) - segment;
}

}  // namespace torvacalc
