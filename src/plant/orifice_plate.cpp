#include "plant/orifice_plate.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <utility>

namespace torvacalc {

namespace {

Extended Checked(Extended v) { return std::isfinite(v) ? v : NoValue; }

}  // namespace

Extended tOrificePlate::DischargeCoefficient(Extended beta, Extended D, Extended ReD) {
  if (!Available(beta, D) || beta < 0 || beta >= 1 || D <= 0) return NoValue;
  // Flange tappings: L1 = L'2 = 25.4/D (D in mm), M'2 = 2 L'2/(1 - beta).
  const Extended L1 = 25.4L / D, M2 = 2 * L1 / (1 - beta);
  const Extended b4 = std::pow(beta, 4);
  const bool finiteRe = HasValue(ReD) && ReD > 0;
  const Extended A = finiteRe ? std::pow(19000 * beta / ReD, 0.8L) : 0;
  Extended C = 0.5961L + 0.0261L * beta * beta - 0.216L * std::pow(beta, 8);
  if (finiteRe) {
    C += 0.000521L * std::pow(1e6L * beta / ReD, 0.7L);
    C += (0.0188L + 0.0063L * A) * std::pow(beta, 3.5L) * std::pow(1e6L / ReD, 0.3L);
  }
  C += (0.043L + 0.080L * std::exp(-10 * L1) - 0.123L * std::exp(-7 * L1)) * (1 - 0.11L * A) *
       (b4 / (1 - b4));
  C -= 0.031L * (M2 - 0.8L * std::pow(M2, 1.1L)) * std::pow(beta, 1.3L);
  if (D < 71.12L) C += 0.011L * (0.75L - beta) * (2.8L - D / 25.4L);
  return Checked(C);
}

Extended tOrificePlate::PressureLossRatio(Extended beta, Extended C) {
  if (!Available(beta, C) || beta < 0 || beta >= 1 || C <= 0) return NoValue;
  const Extended b2 = beta * beta;
  const Extended r = std::sqrt(1 - b2 * b2 * (1 - C * C));
  return Checked((r - C * b2) / (r + C * b2));
}

Extended tOrificePlate::Fl2OfOrifice(Extended beta, Extended D, Extended ReD) {
  if (IsNoValue(beta) || beta < 0 || beta >= 1) return NoValue;
  // Without a pipe size the plate sits in a large pipe: the small-pipe
  // term and the tapping terms vanish.
  const Extended C = DischargeCoefficient(beta, HasValue(D) ? D : Extended(1e6L), ReD);
  return PressureLossRatio(beta, C);
}

Extended tOrificePlate::KvOfSingleHole(Extended d, Extended D, Extended ReD) {
  if (!Available(d, D) || d <= 0 || D <= 0 || d >= D) return NoValue;
  return KvOfSingleHoleC(d, D, DischargeCoefficient(d / D, D, ReD));
}

Extended tOrificePlate::KvOfSingleHoleC(Extended d, Extended D, Extended C) {
  if (!Available(d, D, C) || d <= 0 || D <= 0 || d >= D) return NoValue;
  const Extended beta = d / D;
  const Extended ratio = PressureLossRatio(beta, C);
  if (!Available(C, ratio) || ratio <= 0) return NoValue;
  const Extended N = 3600 * std::sqrt(200.0L) * 3.14159265358979323846L / 4 * 1e-6L;
  return Checked(N * C / std::sqrt(1 - std::pow(beta, 4)) * d * d / std::sqrt(ratio));
}

Extended tOrificePlate::KvOfOrifice(Extended d) {
  if (IsNoValue(d) || d < 1 || d > 20) return NoValue;  // outside the fitted range
  return 0.005567103L - 0.002539255L * d + 0.032810268L * d * d;
}

Extended tOrificePlate::PipeReynolds(Extended Qm, Extended D, Extended Eta) {
  if (!Available(Qm, D, Eta) || Qm <= 0 || D <= 0 || Eta <= 0) return NoValue;
  return Checked(4 * (Qm / 3600) / (3.14159265358979323846L * (D / 1000) * Eta));
}

Extended tOrificePlate::GetxFzAt6bar(Extended DN, Extended d) {
  if (!Available(DN, d) || DN <= 0 || d <= 0) return NoValue;
  // Size classes by nominal size (lower bounds in mm) and the bore limits
  // of each class: larger plates and larger bores cavitate earlier.
  static const Extended lower[6] = {0, 40, 100, 250, 350, 600};
  static const Extended limits[6][3] = {{3, 4, 5}, {3, 4, 5}, {3, 4, 5},
                                        {4, 5, 6}, {5, 6, 8}, {6, 8, 10}};
  int k = 0;
  for (int i = 1; i <= 5; ++i)
    if (DN >= lower[i]) k = i;
  const Extended e = d >= limits[k][2] ? 15 : d >= limits[k][1] ? 5 : 0;
  return std::max<Extended>(0.05L, 0.6L - 0.05L * k - e / 100);
}

Extended tOrificePlate::xFzOfOrifice(Extended DN, Extended d, Extended p1) {
  const Extended z = GetxFzAt6bar(DN, d);
  if (IsNoValue(z)) return NoValue;
  if (IsNoValue(p1) || p1 <= 0) return z;  // no correction without p1
  return z * std::pow(6 / p1, 0.125L);
}

}  // namespace torvacalc
