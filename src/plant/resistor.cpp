#include "plant/resistor.h"

#include <algorithm>
#include <cmath>

#include "plant/orifice_plate.h"

namespace torvacalc {

namespace {

constexpr Extended kPi = 3.14159265358979323846L;
// The orifice limit of the pressure differential ratio: a thin plate
// chokes near the nozzle ratio (IEC 60534-2-1:2011, Annex A lists 0.72
// for a thin orifice-like trim).
constexpr Extended kXtOrifice = 0.72L;
// Default bores of perforations when the user gives none: 5 mm for plates
// and plugs (the usual drilled size, large enough not to clog), 3 mm for
// injection nozzles (fine spray).
constexpr Extended kBorePlate = 5, kBoreNozzle = 3;
// A bore of a single-hole orifice beyond 0.95 D is no orifice any more.
constexpr Extended kBetaMax = 0.95L, kBetaMin = 1e-3L;

Extended Finite(Extended v) { return std::isfinite(v) ? v : NoValue; }

// Nominal sizes of EN ISO 6708, mm.
const Extended kDNSeries[] = {10,  15,  20,  25,  32,  40,  50,  65,  80,   100,  125, 150,
                              200, 250, 300, 350, 400, 450, 500, 600, 700, 800, 900, 1000,
                              1200, 1400, 1600, 1800, 2000};

// Wall of a standard-weight steel pipe of inner diameter D (mm), a fit of
// the standard wall series of EN 10220 (DN 50: 2.9 mm, DN 300: 5.6 mm).
Extended PipeWall(Extended D) { return 2 + 0.012L * D; }

}  // namespace

// ------------------------------------------------------------------ tResistor

tResistor::tResistor() {
  // A change of any input of the core invalidates the sizing; the sizing's
  // own settings of factors and unknowns do not.
  OnResultsChange = [this] {
    if (!FCalculating) FSized = false;
  };
  // The resistor sits in a straight pipe of its own size: no reducers.
  SetLineSize(true);
  SetValveType(4);  // "other": the mechanical damage limit of 10 bar
}

void tResistor::SetResistorTypeRes(teResistorType v) {
  SetOwn(FType, v);
  SetResistorType(v);
}

Extended tResistor::PipeD() const {
  if (HasValue(FDNResIn) && FDNResIn > 0) return FDNResIn;
  return NoValue;
}

Extended tResistor::Rho2() {
  const Extended r2 = GetRho2();
  if (HasValue(r2) && r2 > 0) return r2;
  const Extended r1 = GetRho1(), p1 = GetP1(), p2 = GetP2();
  if (GetPhase() == phLiquid) return r1;
  // An ideal gas throttled at nearly constant temperature.
  if (Available(r1, p1, p2) && p1 > 0 && p2 > 0) return r1 * p2 / p1;
  return NoValue;
}

void tResistor::ApplyFactors(Extended beta, Extended n, Extended d, Extended D, Extended Re) {
  FBeta = beta;
  FFl2 = HasValue(FFl2User) ? FFl2User
                            : tOrificePlate::Fl2OfOrifice(beta, FType == rtSingleHole ? D : NoValue,
                                                          FType == rtSingleHole ? Re : NoValue);
  FXt = HasValue(FXtUser) ? FXtUser : kXtOrifice;
  FZy = HasValue(FZyUser) ? FZyUser : tOrificePlate::xFzOfOrifice(D, d, GetP1());
  SetFl2(true, FFl2);
  SetXT(true, FXt);
  SetZy(true, FZy);
  SetFd(true, Available(n) && n >= 1 ? 1 / std::sqrt(n) : Extended(1));
  SetDNV(D);
}

Extended tResistor::CalculatedRes(Extended Kv, Extended D, Extended Qm, Extended Eta) {
  if (!Available(Kv, D) || Kv <= 0 || D <= 0) return NoValue;
  const Extended Re = tOrificePlate::PipeReynolds(Qm, D, Eta);
  const auto kv = [&](Extended beta) { return tOrificePlate::KvOfSingleHole(beta * D, D, Re); };
  Extended lo = kBetaMin, hi = kBetaMax;
  const Extended kLo = kv(lo), kHi = kv(hi);
  if (!Available(kLo, kHi) || Kv < kLo || Kv > kHi) return NoValue;
  // Kv grows monotonically with the bore (area, approach factor and a
  // falling loss ratio all raise it): bisection to the last digit.
  for (int i = 0; i < 200 && hi - lo > 1e-18L; ++i) {
    const Extended mid = (lo + hi) / 2;
    const Extended k = kv(mid);
    if (IsNoValue(k)) return NoValue;
    (k < Kv ? lo : hi) = mid;
  }
  return (lo + hi) / 2 * D;
}

void tResistor::SizeSingleHole(Extended D) {
  const Extended Qm = GetQm(), Eta = GetEta1();
  const Extended Re = tOrificePlate::PipeReynolds(Qm, D, Eta);
  Extended d = 0.5L * D;
  for (int i = 0; i < 100; ++i) {
    ApplyFactors(d / D, 1, d, D, Re);
    SetCanCalc(ccKv);
    const Extended Kv = GetKv();
    FKvRes = Kv;
    if (IsNoValue(Kv)) {
      FFailed = true;
      return;
    }
    // The sizing core stops Kv at the bore of the pipe, 0.25 D^2: no
    // orifice in this pipe passes the flow.
    const Extended dNew = Kv >= 0.25L * D * D * (1 - 1e-9L) ? NoValue : CalculatedRes(Kv, D, Qm, Eta);
    if (IsNoValue(dNew)) {
      // Even a bore of 0.95 D does not pass the flow at this drop.
      FBoreTooLarge = true;
      FFailed = true;
      return;
    }
    const bool done = std::fabs(dNew - d) <= 1e-15L * D;
    d = dNew;
    if (done) break;
  }
  ApplyFactors(d / D, 1, d, D, Re);
  FKvRes = GetKv();
  FdRes = d;
  FNBores = 1;
  FQmRes = Qm;
}

void tResistor::RecalculateSingleHole(Extended D) {
  const Extended d = FdResIn;
  if (IsNoValue(d) || d <= 0) {
    FFailed = true;
    return;
  }
  if (d >= D) {
    FBoreTooLarge = true;
    FFailed = true;
    return;
  }
  FdRes = d;
  FNBores = 1;
  const Extended Eta = GetEta1();
  Extended qm = GetQm();
  for (int i = 0; i < 100; ++i) {
    const Extended Re = tOrificePlate::PipeReynolds(qm, D, Eta);
    const Extended Kv = tOrificePlate::KvOfSingleHole(d, D, Re);
    FKvRes = Kv;
    if (IsNoValue(Kv)) {
      FFailed = true;
      return;
    }
    ApplyFactors(d / D, 1, d, D, Re);
    SetCanCalc(ccQm);
    SetKv(Kv);
    const Extended q = GetQm();
    // Without a viscosity the coefficient does not depend on the flow and
    // one pass is exact.
    const bool done = IsNoValue(q) || IsNoValue(Eta) ||
                      (HasValue(qm) && std::fabs(q - qm) <= 1e-14L * q);
    qm = q;
    if (done) break;
  }
  FQmRes = qm;
}

void tResistor::SizeMultiHole(Extended D) {
  const Extended d = HasValue(FdResIn) ? FdResIn : FType == rtInjectionNozzle ? kBoreNozzle : kBorePlate;
  FdRes = d;
  const Extended KvBore = tOrificePlate::KvOfOrifice(d);
  if (IsNoValue(KvBore)) {
    FFailed = true;
    return;
  }
  Extended n = HasValue(FNBoresIn) && FNBoresIn >= 1 ? std::floor(FNBoresIn) : 1;
  Extended DN = NoValue, a = NoValue;
  for (int i = 0; i < 60; ++i) {
    CalculateDNandA(n, d, DN, a);
    if (HasValue(FAResIn) && FAResIn > 0) a = FAResIn;
    if (HasValue(D)) DN = D;
    const Extended beta = FType == rtInjectionNozzle ? 0 : std::sqrt(n) * d / DN;
    if (!(beta < 1)) {
      FBoreTooLarge = true;
      FFailed = true;
      return;
    }
    ApplyFactors(beta, n, d, DN, NoValue);
    SetCanCalc(ccKv);
    const Extended Kv = GetKv();
    FKvRes = Kv;
    if (IsNoValue(Kv)) {
      FFailed = true;
      return;
    }
    const Extended nNew = std::max<Extended>(1, std::ceil(Kv / KvBore - 1e-12L));
    if (nNew == n) break;
    n = nNew;
  }
  FNBores = n;
  FARes = a;
  FDNRes = DN;
  FQmRes = GetQm();
  // The bores must fit the given plate.
  if (HasValue(D) && n > CalculateNBores(D, d, a)) FBoreTooLarge = true;
}

void tResistor::RecalculateMultiHole(Extended D) {
  const Extended d = HasValue(FdResIn) ? FdResIn : FType == rtInjectionNozzle ? kBoreNozzle : kBorePlate;
  FdRes = d;
  const Extended KvBore = tOrificePlate::KvOfOrifice(d);
  if (IsNoValue(KvBore) || IsNoValue(D)) {
    FFailed = true;
    return;
  }
  Extended DNdummy = NoValue, a = NoValue;
  CalculateDNandA(1, d, DNdummy, a);
  if (HasValue(FAResIn) && FAResIn > 0) a = FAResIn;
  const Extended n = HasValue(FNBoresIn) && FNBoresIn >= 1 ? std::floor(FNBoresIn)
                                                            : CalculateNBores(D, d, a);
  const Extended beta = FType == rtInjectionNozzle ? 0 : std::sqrt(n) * d / D;
  if (IsNoValue(n) || !(beta < 1) || d >= D) {
    FBoreTooLarge = true;
    FFailed = true;
    return;
  }
  FNBores = n;
  FARes = a;
  FDNRes = D;
  FKvRes = n * KvBore;
  ApplyFactors(beta, n, d, D, NoValue);
  SetCanCalc(ccQm);
  SetKv(FKvRes);
  FQmRes = GetQm();
}

void tResistor::Calculate() {
  if (FSized || FCalculating) return;
  FCalculating = true;
  struct Done {
    bool& flag;
    ~Done() { flag = false; }
  } done{FCalculating};
  FSized = true;
  FFailed = FBoreTooLarge = false;
  FdRes = FNBores = FARes = FDNRes = FKvRes = FQmRes = FFl2 = FXt = FZy = FBeta = NoValue;
  FLA = FMa = FDNSug10 = FDNSug07 = FDNSug03 = FDNSugX = NoValue;
  if (FType == rtValve || FType == rtUnknown) return;  // the valve's own factors
  const Extended D = PipeD();
  if (FType == rtSingleHole) {
    if (IsNoValue(D)) {
      FFailed = true;
      return;
    }
    FDNRes = D;
    if (FFixed) RecalculateSingleHole(D); else SizeSingleHole(D);
  } else {
    if (FFixed) RecalculateMultiHole(D); else SizeMultiHole(D);
  }
  if (!FFailed) CalculateSound(HasValue(FDNRes) ? FDNRes : D);
}

void tResistor::CalculateSound(Extended D) {
  const bool liquid = GetPhase() == phLiquid;
  const Extended rho2 = Rho2(), p1 = GetP1(), p2 = GetP2(), kappa = GetKappa1();
  const Extended qm = FQmRes;
  if (!liquid) {
    FMa = CalculateMa(qm, rho2, kappa, p2, D);
    FDNSug10 = CalculateDNSug(qm, rho2, kappa, p2, 1.0L);
    FDNSug07 = CalculateDNSug(qm, rho2, kappa, p2, 0.7L);
    FDNSug03 = CalculateDNSug(qm, rho2, kappa, p2, 0.3L);
    FDNSugX = CalculateDNSug(qm, rho2, kappa, p2, FMaSug);
  }
  FLA = CalculateLA(liquid, qm, p1, p2, GetRho1(), rho2, kappa, FFl2, FdRes, D,
                    dLASilencer(FType, FARes, FdRes));
}

Extended tResistor::GetdRes() { Calculate(); return FdRes; }
Extended tResistor::GetNBores() { Calculate(); return FNBores; }
Extended tResistor::GetARes() { Calculate(); return FARes; }
Extended tResistor::GetDNRes() { Calculate(); return FDNRes; }
Extended tResistor::GetKvRes() {
  Calculate();
  return FType == rtValve || FType == rtUnknown ? GetKv() : FKvRes;
}
Extended tResistor::GetQmRes() { Calculate(); return FQmRes; }
Extended tResistor::GetFl2Res() { Calculate(); return FFl2; }
Extended tResistor::GetXtRes() { Calculate(); return FXt; }
Extended tResistor::GetZyRes() { Calculate(); return FZy; }
Extended tResistor::GetBeta() { Calculate(); return FBeta; }
Extended tResistor::GetLARes() { Calculate(); return FLA; }
Extended tResistor::GetMaRes() { Calculate(); return FMa; }
Extended tResistor::GetDNSug10() { Calculate(); return FDNSug10; }
Extended tResistor::GetDNSug07() { Calculate(); return FDNSug07; }
Extended tResistor::GetDNSug03() { Calculate(); return FDNSug03; }
Extended tResistor::GetDNSugX() { Calculate(); return FDNSugX; }
bool tResistor::GetSizingFailed() { Calculate(); return FFailed; }
bool tResistor::GetBoreTooLarge() { Calculate(); return FBoreTooLarge; }

Extended tResistor::CalculateNBores(Extended DN, Extended d, Extended a) {
  if (!Available(DN, d, a) || a <= 0 || DN <= d) return NoValue;
  const Extended r = (DN - d) / a;
  return std::max<Extended>(1, std::trunc(0.91L * r * r));
}

Extended tResistor::NextDN(Extended D) {
  if (IsNoValue(D) || D <= 0) return NoValue;
  for (Extended dn : kDNSeries)
    if (dn >= D) return dn;
  // Beyond the series: whole hundreds of millimetres.
  return std::ceil(D / 100) * 100;
}

void tResistor::CalculateDNandA(Extended n, Extended d, Extended& DN, Extended& a) {
  DN = a = NoValue;
  if (!Available(n, d) || n < 1 || d <= 0) return;
  a = std::min<Extended>(std::max<Extended>(2 * d, d + 5), 200);
  const Extended field = d + a * std::sqrt(n / 0.91L);
  // The next nominal size whose plate holds n bores at this pitch.
  DN = NextDN(field);
  while (HasValue(DN) && CalculateNBores(DN, d, a) < n) DN = NextDN(DN + 1e-6L);
}

Extended tResistor::CalculateMa(Extended Qm, Extended rho2, Extended kappa, Extended p2,
                                Extended D) {
  if (!Available(Qm, rho2, kappa, p2, D) || rho2 <= 0 || kappa <= 0 || p2 <= 0 || D <= 0)
    return NoValue;
  const Extended c = std::sqrt(kappa * p2 * 1e5L / rho2);
  const Extended w = Qm / 3600 / rho2 / (kPi / 4 * (D / 1000) * (D / 1000));
  return Finite(w / c);
}

Extended tResistor::CalculateDNSug(Extended Qm, Extended rho2, Extended kappa, Extended p2,
                                   Extended Ma) {
  if (!Available(Qm, rho2, kappa, p2, Ma) || rho2 <= 0 || kappa <= 0 || p2 <= 0 || Ma <= 0)
    return NoValue;
  const Extended c = std::sqrt(kappa * p2 * 1e5L / rho2);
  const Extended area = Qm / 3600 / rho2 / (Ma * c);
  return NextDN(Finite(std::sqrt(4 * area / kPi) * 1000));
}

Extended tResistor::Factor(Extended a, Extended d) {
  if (!Available(a, d) || d <= 0) return 3;
  // 3 dB at a pitch of 1.5 bores (the jets merge), 10 dB from 3 bores on.
  return std::clamp<Extended>(3 + 7 * (a / d - 1.5L) / 1.5L, 3, 10);
}

Extended tResistor::dLASilencer(teResistorType type, Extended a, Extended d) {
  switch (type) {
    case rtSilencerDirect: return -Factor(a, d);
    case rtSilencerIndirect: return -Factor(a, d) - 5;
    default: return 0;
  }
}

Extended tResistor::AWeighting(Extended f) {
  if (IsNoValue(f) || f <= 0) return NoValue;
  const Extended f2 = f * f;
  const Extended r = 12194.0L * 12194.0L * f2 * f2 /
                     ((f2 + 20.6L * 20.6L) * std::sqrt((f2 + 107.7L * 107.7L) * (f2 + 737.9L * 737.9L)) *
                      (f2 + 12194.0L * 12194.0L));
  return Finite(20 * std::log10(r) + 2.0L);
}

Extended tResistor::CalculateLA(bool liquid, Extended Qm, Extended p1, Extended p2, Extended rho1,
                                Extended rho2, Extended kappa, Extended Fl2, Extended d,
                                Extended D, Extended dLA) {
  // Liquids: the hydrodynamic noise of a plate depends on cavitation far
  // more than on the jet power; it is left to the noise methods of the
  // valve calculation.
  if (liquid) return NoValue;
  if (!Available(Qm, p1, p2, rho1, rho2, Fl2, d, D, kappa) || p2 >= p1 || p2 <= 0 || rho1 <= 0 ||
      rho2 <= 0 || Fl2 <= 0 || d <= 0 || D <= 0 || Qm <= 0 || kappa <= 1)
    return NoValue;
  const Extended m = Qm / 3600, Di = D / 1000, ts = PipeWall(D) / 1000;
  // Jet velocity limited to the sonic speed of the vena contracta; the
  // fully expanded jet Mach number from the pressure ratio.
  const Extended c1 = std::sqrt(kappa * p1 * 1e5L / rho1);
  const Extended cvc = c1 * std::sqrt(2 / (kappa + 1));
  const Extended U = std::min(std::sqrt(2 * (p1 - p2) / Fl2 * 1e5L / rho1), cvc);
  const Extended Mj = std::min<Extended>(
      std::sqrt(2 / (kappa - 1) * (std::pow(p1 / p2, (kappa - 1) / kappa) - 1)), 3);
  const Extended Wa = 1e-4L * std::pow(Mj, 3.6L) * m * U * U / 2;
  const Extended c2 = std::sqrt(kappa * p2 * 1e5L / rho2);
  if (!(Wa > 0) || !(U > 0)) return NoValue;
  const Extended fp = 0.2L * U / (d / 1000);
  const Extended Lpi = 10 * std::log10(3.2e9L * Wa * rho2 * c2 / (Di * Di));
  const Extended TL = 10 * std::log10(7.6e-7L * std::pow(c2 / (ts * fp), 2) /
                                      (rho2 * c2 / 415 + 1) * (StandardPressure / p2));
  const Extended LA = 5 + Lpi + std::min<Extended>(TL, 0) +
                      10 * std::log10((Di + 2 * ts + 2) / (Di + 2 * ts)) + AWeighting(fp) +
                      (HasValue(dLA) ? dLA : 0);
  const Extended r = Finite(LA);
  return HasValue(r) && r > -200 && r < 200 ? r : NoValue;
}

// --------------------------------------------------------- tResistorStructure

tResistorStructure::tResistorStructure() = default;

int tResistorStructure::Stages() const {
  if (IsNoValue(FNRes) || FNRes < 1 || FNRes > 100) return 0;
  return static_cast<int>(std::lround(static_cast<double>(FNRes)));
}

void tResistorStructure::CalculateRatios() {
  if (Cache.GetValid(slotRatios)) return;
  Cache.SetValid(slotRatios);
  FXRes = FxTotal = FP2Last = NoValue;
  const int N = Stages();
  if (N < 1 || !Available(FP1, FP2) || FP1 <= 0 || FP2 >= FP1 || FP2 < 0) return;
  if (Liquid()) {
    if (IsNoValue(FPv) || FPv >= FP1) return;
    // The last stage ends at least 0.2 bar above the vapour pressure: a
    // plate does not let the liquid flash behind it.
    FP2Last = std::max<Extended>(FP2, FPv + 0.2L);
    if (FP2Last >= FP1) return;
    FxTotal = (FP1 - FP2Last) / (FP1 - FPv);
  } else {
    FP2Last = FP2;
    FxTotal = (FP1 - FP2) / FP1;
  }
  FXRes = 1 - std::pow(1 - FxTotal, 1.0L / N);
}

Extended tResistorStructure::StagePressure(bool liquid, int i, Extended XRes, Extended p1,
                                           Extended p2Last, Extended pv) {
  if (!Available(XRes, p1) || i < 0) return NoValue;
  const Extended f = std::pow(1 - XRes, static_cast<Extended>(i));
  if (!liquid) return p1 * f;
  if (!Available(pv, p2Last)) return NoValue;
  const Extended p = pv + (p1 - pv) * f;
  // Onset of cavitation moves with the inlet pressure by (6/p1)^(1/8):
  // the stage pressures are spread on that scale, KorrP1 mapped linearly
  // onto the pressures so that the first inlet and the last outlet stay.
  if (p1 <= p2Last || p <= 0 || p2Last <= 0) return p;
  const Extended k1 = (KorrP1(p1) - KorrP1(p2Last)) / (p1 - p2Last);
  const Extended k0 = KorrP1(p1) - k1 * p1;
  const Extended corrected = (KorrP1(p) - k0) / k1;
  return std::isfinite(corrected) && corrected >= pv + 0.2L - 1e-12L ? corrected : p;
}

Extended tResistorStructure::GetXRes() { CalculateRatios(); return FXRes; }
Extended tResistorStructure::GetxTotal() { CalculateRatios(); return FxTotal; }
Extended tResistorStructure::GetP2Last() { CalculateRatios(); return FP2Last; }

Extended tResistorStructure::GetP1Res() {
  CalculateRatios();
  if (FNoRes < 0 || FNoRes >= Stages()) return NoValue;
  return StagePressure(Liquid(), FNoRes, FXRes, FP1, FP2Last, FPv);
}

Extended tResistorStructure::GetP2Res() {
  CalculateRatios();
  if (FNoRes < 0 || FNoRes >= Stages()) return NoValue;
  // The last outlet is exactly p2Last, free of rounding.
  if (FNoRes == Stages() - 1) return FP2Last;
  return StagePressure(Liquid(), FNoRes + 1, FXRes, FP1, FP2Last, FPv);
}

Extended tResistorStructure::Interpolate(Extended a, Extended b, Extended p) {
  if (!Available(a, b, p, FP1, FP2Last) || FP1 == FP2Last) return NoValue;
  return a - (a - b) * (FP1 - p) / (FP1 - FP2Last);
}

Extended tResistorStructure::Gett1Res() {
  const Extended t2 = HasValue(Ft2) ? Ft2 : FT1;
  return Interpolate(FT1, t2, GetP1Res());
}

Extended tResistorStructure::GetT2Res() {
  const Extended t2 = HasValue(Ft2) ? Ft2 : FT1;
  return Interpolate(FT1, t2, GetP2Res());
}

Extended tResistorStructure::Getrho1Res() {
  const Extended p = GetP1Res();
  if (Liquid()) return Interpolate(FRho1, HasValue(FRho2) ? FRho2 : FRho1, p);
  return Available(FRho1, p, FP1) && FP1 > 0 ? FRho1 * p / FP1 : NoValue;
}

Extended tResistorStructure::Getrho2Res() {
  const Extended p = GetP2Res();
  if (Liquid()) return Interpolate(FRho1, HasValue(FRho2) ? FRho2 : FRho1, p);
  return Available(FRho1, p, FP1) && FP1 > 0 ? FRho1 * p / FP1 : NoValue;
}

bool tResistorStructure::GetChoked() {
  const Extended p1 = GetP1Res(), p2 = GetP2Res();
  if (!Available(p1, p2) || p1 <= 0) return false;
  if (Liquid()) {
    return Available(FFl2, FPv) && p1 > FPv && p1 - p2 >= FFl2 * (p1 - FPv) * (1 - 1e-12L);
  }
  if (!Available(FKappa, FXt)) return false;
  return (p1 - p2) / p1 >= FKappa / 1.4L * FXt * (1 - 1e-12L);
}

int tResistorStructure::GetChokedStages() {
  const int saved = FNoRes, N = Stages();
  int count = 0;
  for (int i = 0; i < N; ++i) {
    FNoRes = i;
    if (GetChoked()) ++count;
  }
  FNoRes = saved;
  return count;
}

}  // namespace torvacalc
