// The plain bisections that the values without choking of a gas must end
// on to the bit: the effective drop p1 x Y^2 without the limit of x, as the
// sizing writes it, and the outlet and inlet pressures that pass a needed
// drop, found by halving without any shortcut.
#pragma once

#include "framework/basics.h"

namespace torvacalc::plain {

inline Extended Drop(Extended p1, Extended delta, Extended xcrit) {
  if (!Available(p1, delta, xcrit) || p1 <= 0 || xcrit <= 0 || delta <= 0) return NoValue;
  const Extended y = 1 - delta / (3 * xcrit * p1);
  return y > 0 ? delta * y * y : NoValue;
}

inline Extended PlainP2(Extended p1, Extended needed, Extended xcrit) {
  Extended lo = 0, hi = xcrit * p1;
  if (Drop(p1, hi, xcrit) < needed) return NoValue;
  for (int i = 0; i < 200 && hi - lo > 1E-15L * hi; ++i) {
    const Extended mid = (lo + hi) / 2;
    (Drop(p1, mid, xcrit) < needed ? lo : hi) = mid;
  }
  return p1 - (lo + hi) / 2;
}

inline Extended PlainP1(Extended p2, Extended needed, Extended xcrit) {
  Extended lo = p2, hi = p2 + needed;
  for (int i = 0; i < 200 && Drop(hi, hi - p2, xcrit) < needed; ++i) hi = p2 + 2 * (hi - p2);
  for (int i = 0; i < 200 && hi - lo > 1E-15L * hi; ++i) {
    const Extended mid = (lo + hi) / 2;
    const Extended d = Drop(mid, mid - p2, xcrit);
    (HasValue(d) && d < needed ? lo : hi) = mid;
  }
  const Extended p1 = (lo + hi) / 2;
  const Extended check = Drop(p1, p1 - p2, xcrit);
  return HasValue(check) && EqualDigits(check, needed, 6) ? p1 : NoValue;
}

}  // namespace torvacalc::plain
