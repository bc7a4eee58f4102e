#include "media/natural_gas.h"

#include <atomic>
#include <bit>
#include <cmath>

#include "framework/translation.h"
#include "media/providers/natural_gas_abi.h"

namespace torvacalc {

namespace {

using natgas::NGSlots;

// Library position of each tAGAConcentration number (1..21): the library
// uses the order of AGA Report No. 8 (2017), the composition class the
// order of the 1994 edition.
constexpr int kLibraryIndex[22] = {-1, 0,  1,  2,  3,  4,  17, 18, 14, 16, 15,
                                   5,  6,  7,  8,  9,  10, 11, 12, 13, 19, 20};

const char* const kEnglish[22] = {
    "", "methane", "nitrogen", "carbon dioxide", "ethane", "propane", "water", "hydrogen sulfide",
    "hydrogen", "carbon monoxide", "oxygen", "isobutane", "n-butane", "isopentane", "n-pentane",
    "n-hexane", "n-heptane", "n-octane", "n-nonane", "n-decane", "helium", "argon"};

// Further spellings: formulas and common short forms.
struct TAlias {
  const char* name;
  int component;
};
constexpr TAlias kAliases[] = {
    {"ch4", 1},      {"n2", 2},       {"co2", 3},      {"c2h6", 4},     {"c3h8", 5},
    {"h2o", 6},      {"h2s", 7},      {"h2", 8},       {"co", 9},       {"o2", 10},
    {"ic4h10", 11},  {"ibutane", 11}, {"nc4h10", 12},  {"butane", 12},  {"ic5h12", 13},
    {"ipentane", 13}, {"nc5h12", 14}, {"pentane", 14}, {"c6h14", 15},   {"hexane", 15},
    {"c7h16", 16},   {"heptane", 16}, {"c8h18", 17},   {"octane", 17},  {"c9h20", 18},
    {"nonane", 18},  {"c10h22", 19},  {"decane", 19},  {"he", 20},      {"ar", 21},
    {"butan", 12},   {"pentan", 14},  {"hexan", 15},   {"heptan", 16},  {"octan", 17},
    {"nonan", 18},   {"decan", 19},   {"isobutan", 11}, {"isopentan", 13}};

// Lower case without blanks, hyphens and underscores.
std::string Key(const std::string& s) {
  std::string k;
  for (char c : s)
    if (c != '-' && c != ' ' && c != '_') k += LowerAscii(c);
  return k;
}

// Ranges of the composition, mol %: AGA Report No. 8 (1994), table 1
// (normal range and expanded range). Groups sum their components; an
// expanded maximum of 100 stands for "no limit" (water and the hexanes
// plus are limited by their dew point instead).
struct TCompositionRange {
  int components[5];
  const char* name;
  double normalMin, normalMax, expandedMax;
};
constexpr TCompositionRange kAGA8Ranges[] = {
    {{1}, "Methan", 45, 100, 100},
    {{2}, "Stickstoff", 0, 50, 100},
    {{3}, "Kohlendioxid", 0, 30, 100},
    {{4}, "Ethan", 0, 10, 100},
    {{5}, "Propan", 0, 4, 12},
    {{11, 12}, "Butane", 0, 1, 6},
    {{13, 14}, "Pentane", 0, 0.3, 4},
    {{15, 16, 17, 18, 19}, "Hexane und höhere", 0, 0.2, 100},
    {{20}, "Helium", 0, 0.2, 3},
    {{8}, "Wasserstoff", 0, 10, 100},
    {{9}, "Kohlenmonoxid", 0, 3, 3},
    {{21}, "Argon", 0, 0, 1},
    {{10}, "Sauerstoff", 0, 0, 21},
    {{6}, "Wasser", 0, 0.05, 100},
    {{7}, "Schwefelwasserstoff", 0, 0.02, 100}};

// Ranges of the state, K and bar: AGA Report No. 8 (1994), table 1, and
// Kunz and Wagner (2012), section 1.3.
struct TStateRange {
  double Tmin, Tmax, pmax;
};
constexpr TStateRange kAGA8Normal{265, 335, 120}, kAGA8Expanded{143, 676, 2800};
constexpr TStateRange kGERGNormal{90, 450, 350}, kGERGExtended{60, 700, 700};

// Fraction above which component 17 of a GERG mixture is reported (mol %).
constexpr Extended kComponent17Limit = 0.1L;

// Composition slots are handed out in turn; two providers that share a
// slot still compute right, because every evaluation sets its composition
// again before it asks for a state.
int NextSlot() {
  static std::atomic<int> counter{0};
  return counter++ % NGSlots;
}

Extended FromLib(double v) {
  return std::isfinite(v) && !IsRUBNa(v) ? static_cast<Extended>(v) : NoValue;
}

}  // namespace

int NaturalGasLibraryIndex(int component) {
  return component >= 1 && component <= 21 ? kLibraryIndex[component] : -1;
}

std::string NaturalGasComponentEnglish(int component) {
  return component >= 1 && component <= 21 ? kEnglish[component] : "";
}

int NaturalGasComponentByName(const std::string& name) {
  const std::string k = Key(name);
  if (k.empty()) return 0;
  for (int i = 1; i <= 21; ++i)
    if (Key(tAGAConcentration::ComponentName(i)) == k || Key(kEnglish[i]) == k) return i;
  for (const TAlias& a : kAliases)
    if (k == a.name) return a.component;
  return 0;
}

// ------------------------------------------------------ tNaturalGasSubstance

const char* tNaturalGasSubstance::LibraryFile(TNaturalGasMethod method) {
  return method == ngmGERG2008 ? "gerg2008.so" : "aga8detail.so";
}

const char* tNaturalGasSubstance::MethodName(TNaturalGasMethod method) {
  return method == ngmGERG2008 ? "GERG-2008" : "AGA8-DC92";
}

tNaturalGasSubstance::tNaturalGasSubstance(TNaturalGasMethod method)
    : tRUBDLLInterface(LibraryFile(method), NextSlot()), FMethod(method), FLibSlot(GetSlotID()) {
  for (Extended& v : FResult) v = NoValue;
  SetFormula(method == ngmGERG2008 ? "GERG-2008" : "AGA8-DC92");
  GetAGAConcentration().OnChange = [this](tAGAConcentration&) { Invalidate(); };
  // A library of that name that is not a natural-gas library (another
  // substance library, an older build) would only ever answer "no density";
  // it is refused by name instead.
  for (const char* f : {"NGSETX", "NGSTATE", "NGPROPSOTD"})
    if (GetActive() && !Function(f)) {
      FMissingFunction = f;
      RefuseLibrary("the function " + FMissingFunction + " is missing");
    }
}

tNaturalGasSubstance::~tNaturalGasSubstance() { GetAGAConcentration().OnChange = nullptr; }

void* tNaturalGasSubstance::Function(const char* name) const {
  if (!GetActive()) return nullptr;
  tDLLEntry* entry = DLLList().GetHandle(GetFileName());
  return entry ? entry->GetFunction(name) : nullptr;
}

void tNaturalGasSubstance::SetT(Extended value) {
  tRUBDLLInterface::SetT(value);
  Invalidate();
}
void tNaturalGasSubstance::SetP(Extended value) {
  tRUBDLLInterface::SetP(value);
  Invalidate();
}
void tNaturalGasSubstance::SetPN0(Extended value) {
  tRUBDLLInterface::SetPN0(value);
  Invalidate();
}
void tNaturalGasSubstance::SetTN0(Extended value) {
  tRUBDLLInterface::SetTN0(value);
  Invalidate();
}
void tNaturalGasSubstance::SetLiquid(bool value) {
  tRUBDLLInterface::SetLiquid(value);
  Invalidate();
}

bool tNaturalGasSubstance::GetLibraryComposition(std::vector<double>& x) const {
  const tAGAConcentration& c = GetAGAConcentration();
  x.assign(natgas::NGComponents, 0.0);
  if (!c.GetIsAga8()) return false;
  Extended sum = 0;
  for (int i = 1; i <= tAGAConcentration::AGA8Components; ++i) {
    const Extended v = c.GetC(i);
    if (!std::isfinite(static_cast<double>(v)) || v < 0) return false;
    sum += v;
  }
  if (!(sum > 0)) return false;
  for (int i = 1; i <= tAGAConcentration::AGA8Components; ++i)
    x[static_cast<size_t>(kLibraryIndex[i])] = static_cast<double>(c.GetC(i) / sum);
  // Make the fractions sum to 1 in double as well: the library checks it.
  double s = 0;
  for (double v : x) s += v;
  for (double& v : x) v /= s;
  return true;
}

bool tNaturalGasSubstance::LibraryState(Extended TK, Extended PkPa, int wish, double* out) {
  const int kind = FRootKind;
  const bool ok = CallState(TK, PkPa, wish, out);
  FRootKind = kind;
  return ok;
}

bool tNaturalGasSubstance::CallState(Extended TK, Extended PkPa, int wish, double* out) {
  auto f = std::bit_cast<double (*)(double*, double*, double*, double*, int*)>(Function("NGSTATE"));
  if (!f || !Available(TK, PkPa)) return false;
  double T = static_cast<double>(TK), P = static_cast<double>(PkPa), w = wish;
  int slot = FLibSlot;
  const double r = f(&T, &P, &w, out, &slot);
  if (IsRUBNa(r) || !std::isfinite(r)) return false;
  FRootKind = static_cast<int>(r);
  return true;
}

// One evaluation of the state: the composition into the slot, the density
// and all properties from the library (or from an overruled density), the
// density at normal conditions.
void tNaturalGasSubstance::Evaluate() {
  if (FValid) return;
  FValid = true;
  for (Extended& v : FResult) v = NoValue;
  FU = FG = FJT = FdPdT = FdPdRho = FMolarD = FTpc = FDpc = NoValue;
  FRootKind = 0;
  std::vector<double> x;
  auto setx = std::bit_cast<double (*)(double*, int*)>(Function("NGSETX"));
  if (!setx || !GetLibraryComposition(x)) return;
  int slot = FLibSlot;
  const Extended M = FromLib(setx(x.data(), &slot));
  if (IsNoValue(M)) return;
  FResult[epM] = M;

  double out[natgas::ngCount];
  bool ok = false;
  const Extended TK = IsNoValue(FT) ? NoValue : FT + ZeroCelsius;
  if (FOverruled[epRho] && Available(FValues[epRho], TK) && FValues[epRho] > 0) {
    auto props =
        std::bit_cast<double (*)(double*, double*, double*, int*)>(Function("NGPROPSOTD"));
    double T = static_cast<double>(TK), D = static_cast<double>(FValues[epRho] / M);
    ok = props && !IsRUBNa(props(&T, &D, out, &slot));
    FRootKind = ok ? 1 : 0;
  } else if (Available(FP)) {
    ok = CallState(TK, FP * 100, 0, out);
  }
  if (ok) {
    const Extended m = out[natgas::ngM];
    FMolarD = FromLib(out[natgas::ngD]);
    FResult[epRho] = FMolarD * m;
    FResult[epV] = FResult[epRho] > 0 ? 1 / FResult[epRho] : NoValue;
    FResult[epZ] = FromLib(out[natgas::ngZ]);
    FResult[epH] = FromLib(out[natgas::ngH]) / m;
    FResult[epS] = FromLib(out[natgas::ngS]) / m;
    FResult[epcp] = FromLib(out[natgas::ngCp]) / m;
    FResult[epcv] = FromLib(out[natgas::ngCv]) / m;
    FResult[epcf] = FromLib(out[natgas::ngW]);
    FResult[epKappa] = FromLib(out[natgas::ngKappa]);
    FU = FromLib(out[natgas::ngU]) / m;
    FG = FromLib(out[natgas::ngG]) / m;
    FJT = FromLib(out[natgas::ngJT]) * 100;           // K/kPa to K/bar
    FdPdT = FromLib(out[natgas::ngdPdT]) / 100;       // kPa/K to bar/K
    FdPdRho = FromLib(out[natgas::ngdPdD]) / 100 / m;  // kPa/(mol/l) to bar/(kg/m3)
    FTpc = FromLib(out[natgas::ngTpc]);
    FDpc = FromLib(out[natgas::ngDpc]);
  }
  // Density at the normal conditions, always on the gas side, and only at
  // normal conditions the method covers (CheckState says so otherwise).
  double outN[natgas::ngCount];
  const int kind = FRootKind;
  if (NormalConditionsCovered() && CallState(FTN0 + ZeroCelsius, FPN0 * 100, 1, outN))
    FResult[epRhoN] = FromLib(outN[natgas::ngD]) * outN[natgas::ngM];
  FRootKind = kind;
  if (!ok) FRootKind = 0;
  for (Extended& v : FResult)
    if (!std::isfinite(static_cast<double>(v))) v = NoValue;
}

Extended tNaturalGasSubstance::GetValue(TExtProperty p) {
  if (p < 0 || p >= epCount) return NoValue;
  if (FOverruled[p]) return FValues[p];
  Evaluate();
  return FResult[p];
}

void tNaturalGasSubstance::SetValue(TExtProperty p, Extended value, bool overrule) {
  if (p < 0 || p >= epCount)
    throw EHXInternal("property " + std::to_string(p), "tNaturalGasSubstance");
  FOverruled[p] = overrule;
  if (overrule) FValues[p] = IsNoValue(value) ? NoValue : value;
  Invalidate();
  ResultsChanged();
}

teCalculatedPhase tNaturalGasSubstance::GetPhase() {
  Evaluate();
  if (FRootKind == 0) return cpUndef;
  if (FRootKind == 3) return cpLiquid;
  if (FRootKind == 2) return cpVapour;
  // A single root: liquid-like or gas-like by its density against the
  // pseudo-critical point of the mixture.
  const Extended TK = FT + ZeroCelsius;
  if (!Available(FTpc, FDpc, FMolarD)) return cpGas;
  if (FMolarD > FDpc) return TK < FTpc ? cpLiquid : cpSuperCritical;
  return TK > FTpc ? cpGas : cpVapour;
}

bool tNaturalGasSubstance::StateAt(Extended TK, Extended PkPa, double* out) {
  auto setx = std::bit_cast<double (*)(double*, int*)>(Function("NGSETX"));
  auto f = std::bit_cast<double (*)(double*, double*, double*, double*, int*)>(Function("NGSTATE"));
  std::vector<double> x;
  if (!setx || !f || !Available(TK, PkPa) || !GetLibraryComposition(x)) return false;
  int slot = FLibSlot;
  if (IsRUBNa(setx(x.data(), &slot))) return false;
  double T = static_cast<double>(TK), P = static_cast<double>(PkPa), w = 0;
  const double r = f(&T, &P, &w, out, &slot);
  return !IsRUBNa(r) && std::isfinite(r);
}

Extended tNaturalGasSubstance::SolveIso(int index, Extended T1K, Extended P1kPa, Extended P2kPa,
                                        double* out2) {
  double out1[natgas::ngCount];
  if (!StateAt(T1K, P1kPa, out1)) return NoValue;
  const double target = out1[index];
  double T = static_cast<double>(T1K);
  for (int it = 0; it < 60; ++it) {
    if (!StateAt(T, P2kPa, out2)) return NoValue;
    const double f = out2[index] - target;
    // dh/dT = cp and ds/dT = cp/T at constant pressure.
    const double slope = index == natgas::ngH ? out2[natgas::ngCp] : out2[natgas::ngCp] / T;
    if (!(slope > 0)) return NoValue;
    double step = -f / slope;
    if (step > 50) step = 50;
    if (step < -50) step = -50;
    if (T + step < 1) step = (1 - T) / 2;
    T += step;
    if (std::fabs(step) < 1E-10 * T) {
      if (!StateAt(T, P2kPa, out2)) return NoValue;
      return T;
    }
  }
  return NoValue;
}

Extended tNaturalGasSubstance::DoCalculateT2(Extended T1, Extended P1, Extended P2) {
  if (!Available(T1, P1, P2) || P1 <= 0 || P2 <= 0) return NoValue;
  double out2[natgas::ngCount];
  const Extended TK = SolveIso(natgas::ngH, T1 + ZeroCelsius, P1 * 100, P2 * 100, out2);
  return IsNoValue(TK) ? NoValue : TK - ZeroCelsius;
}

void tNaturalGasSubstance::DoCalculateRhoIsentrop(Extended& Rho2, Extended& T2, Extended T1,
                                                  Extended P1, Extended P2) {
  Rho2 = T2 = NoValue;
  if (!Available(T1, P1, P2) || P1 <= 0 || P2 <= 0) return;
  double out2[natgas::ngCount];
  const Extended TK = SolveIso(natgas::ngS, T1 + ZeroCelsius, P1 * 100, P2 * 100, out2);
  if (IsNoValue(TK)) return;
  T2 = TK - ZeroCelsius;
  Rho2 = static_cast<Extended>(out2[natgas::ngD]) * out2[natgas::ngM];
}

Extended tNaturalGasSubstance::GetU() { Evaluate(); return FU; }
Extended tNaturalGasSubstance::GetG() { Evaluate(); return FG; }
Extended tNaturalGasSubstance::GetJouleThomson() { Evaluate(); return FJT; }
Extended tNaturalGasSubstance::GetdPdT() { Evaluate(); return FdPdT; }
Extended tNaturalGasSubstance::GetdPdRho() { Evaluate(); return FdPdRho; }
Extended tNaturalGasSubstance::GetMolarDensity() { Evaluate(); return FMolarD; }
int tNaturalGasSubstance::GetRootKind() { Evaluate(); return FRootKind; }

std::vector<TGasMessage> tNaturalGasSubstance::CheckComposition() const {
  std::vector<TGasMessage> m;
  const tAGAConcentration& c = GetAGAConcentration();
  if (!GetActive()) {
    const std::string file = LibraryFile(FMethod);
    if (!FMissingFunction.empty())
      m.push_back({gmLibraryFunction, {file, FMissingFunction}});
    else if (!DLLList().GetError(file).empty())
      m.push_back({gmLibraryDamaged, {file}});
    else
      m.push_back({gmNoLibrary, {file}});
  }
  for (int i = tAGAConcentration::AGA8Components + 1; i <= tAGAConcentration::MaxComponent; ++i)
    if (c.GetC(i) != 0)
      m.push_back({gmUnknownComponent, {Translate(tAGAConcentration::ComponentName(i)),
                                        std::string(MethodName(FMethod))}});
  bool negative = false;
  for (int i = 1; i <= tAGAConcentration::MaxComponent; ++i)
    if (c.GetC(i) < 0 || !std::isfinite(static_cast<double>(c.GetC(i)))) {
      m.push_back({gmNegative, {Translate(tAGAConcentration::ComponentName(i)), c.GetC(i)}});
      negative = true;
    }
  const Extended sum = c.CalculateCSum();
  if (!negative && !(sum > 0)) {
    m.push_back({gmEmpty, {}});
    return m;
  }
  if (negative) return m;
  // Analyses are given to 0.0001 mol %; a larger difference is worth a hint.
  if (std::fabs(static_cast<double>(sum - 100)) > 1E-4) m.push_back({gmNormalised, {sum}});
  if (FMethod == ngmGERG2008 && c.GetC(17) * 100 / sum > kComponent17Limit)
    m.push_back({gmComponent17, {Translate(tAGAConcentration::ComponentName(17)),
                                 c.GetC(17) * 100 / sum, kComponent17Limit}});
  if (FMethod == ngmAGA8Detail) {
    for (const TCompositionRange& r : kAGA8Ranges) {
      Extended x = 0;
      for (int comp : r.components)
        if (comp > 0) x += c.GetC(comp) * 100 / sum;
      const std::string name = Translate(r.name);
      if (x > r.expandedMax + 1E-9L)
        m.push_back({gmCompositionExtended, {name, x, static_cast<Extended>(r.expandedMax)}});
      else if (x > r.normalMax + 1E-9L)
        m.push_back({gmCompositionNormal, {name, x, static_cast<Extended>(r.normalMax)}});
      else if (x < r.normalMin - 1E-9L)
        m.push_back({gmCompositionNormal, {name, x, static_cast<Extended>(r.normalMin)}});
    }
  }
  return m;
}

bool tNaturalGasSubstance::NormalConditionsCovered() const {
  const TStateRange& r = FMethod == ngmGERG2008 ? kGERGExtended : kAGA8Expanded;
  return Available(FTN0, FPN0) && FTN0 + ZeroCelsius >= r.Tmin && FTN0 + ZeroCelsius <= r.Tmax &&
         FPN0 > 0 && FPN0 <= r.pmax;
}

std::vector<TGasMessage> tNaturalGasSubstance::CheckState() {
  std::vector<TGasMessage> m;
  const TStateRange& normal = FMethod == ngmGERG2008 ? kGERGNormal : kAGA8Normal;
  const TStateRange& extended = FMethod == ngmGERG2008 ? kGERGExtended : kAGA8Expanded;
  if (Available(FTN0, FPN0) && !NormalConditionsCovered())
    m.push_back({gmNormalConditions, {FTN0, FPN0, std::string(MethodName(FMethod)),
                                      static_cast<Extended>(extended.Tmin - ZeroCelsius),
                                      static_cast<Extended>(extended.Tmax - ZeroCelsius),
                                      static_cast<Extended>(extended.pmax)}});
  if (!Available(FT, FP)) return m;
  const Extended TK = FT + ZeroCelsius;
  auto outside = [&](const TStateRange& r) { return TK < r.Tmin || TK > r.Tmax || FP > r.pmax; };
  const std::string method = MethodName(FMethod);
  if (outside(extended))
    m.push_back({gmStateExtended, {method, static_cast<Extended>(extended.Tmin - ZeroCelsius),
                                   static_cast<Extended>(extended.Tmax - ZeroCelsius),
                                   static_cast<Extended>(extended.pmax)}});
  else if (outside(normal))
    m.push_back({gmStateNormal, {method, static_cast<Extended>(normal.Tmin - ZeroCelsius),
                                 static_cast<Extended>(normal.Tmax - ZeroCelsius),
                                 static_cast<Extended>(normal.pmax)}});
  std::vector<double> x;
  if (GetActive() && GetLibraryComposition(x)) {
    const int kind = GetRootKind();
    if (kind == 0)
      m.push_back({gmNoDensity, {FT, FP}});
    else if (kind >= 2)
      m.push_back({gmTwoRoots, {}});
  }
  return m;
}

}  // namespace torvacalc

namespace torvacalc {

// ------------------------------------------------------------ tGERGPureFluid

tGERGPureFluid::tGERGPureFluid(int component) : FComponent(component) {
  GetAGAConcentration().SetC(component, 100);
  SetFormula("GERG-2008, " + NaturalGasComponentEnglish(component));
}

std::vector<std::string> tGERGPureFluid::Names() {
  std::vector<std::string> names;
  for (int i = 1; i <= 21; ++i) names.push_back(tAGAConcentration::ComponentName(i));
  return names;
}

// The critical point of a pure component is the reducing point of its
// equation, which the library reports as the (one-component) pseudo-
// critical point; the critical pressure is the equation's pressure there.
bool tGERGPureFluid::Critical(Extended& TcK, Extended& DcMol, Extended& PckPa) {
  EvaluateState();  // puts the composition into the library's slot
  double out[natgas::ngCount];
  if (!LibraryState(300, 100, 0, out)) return false;
  TcK = out[natgas::ngTpc];
  DcMol = out[natgas::ngDpc];
  auto props = std::bit_cast<double (*)(double*, double*, double*, int*)>(Function("NGPROPSOTD"));
  double T = static_cast<double>(TcK), D = static_cast<double>(DcMol);
  int slot = GetSlotID();
  if (!props || IsRUBNa(props(&T, &D, out, &slot))) return false;
  PckPa = out[natgas::ngP];
  return Available(TcK, DcMol, PckPa) && PckPa > 0;
}

Extended tGERGPureFluid::VapourPressure(Extended t) {
  Extended TcK, Dc, Pc;
  if (IsNoValue(t) || !Critical(TcK, Dc, Pc)) return NoValue;
  const Extended TK = t + ZeroCelsius;
  if (TK >= TcK || TK <= 0) return NoValue;
  // Start: the vapour pressure of a simple fluid of this critical point
  // (Lee-Kesler's leading term, acentric factor 0.1).
  Extended P = Pc * std::pow(10.0L, 7.0L / 3 * 1.1L * (1 - TcK / TK));
  double L[natgas::ngCount], V[natgas::ngCount];
  for (int i = 0; i < 200; ++i) {
    const bool hasL = LibraryState(TK, P, 2, L), hasV = LibraryState(TK, P, 1, V);
    if (!hasL || !hasV) return NoValue;
    const Extended dL = L[natgas::ngD], dV = V[natgas::ngD];
    if (std::fabs(dL - dV) <= 1E-9L * dL) {
      // Only one root at this pressure: above the vapour spinodal the root
      // is liquid-like (too high), below the liquid one vapour-like.
      P = dL > Dc ? P / 2 : P * 1.5L;
      continue;
    }
    // Gibbs energies in J/mol, volumes in l/mol: their ratio is in kPa.
    const Extended step = (L[natgas::ngG] - V[natgas::ngG]) / (1 / dL - 1 / dV);
    Extended next = P - step;
    if (next <= 0) next = P / 2;
    if (next > 1.5L * P) next = 1.5L * P;
    if (std::fabs(next - P) <= 1E-11L * P) return next / 100;
    P = next;
  }
  return NoValue;
}

Extended tGERGPureFluid::SaturationTemperature(Extended p) {
  Extended TcK, Dc, Pc;
  if (IsNoValue(p) || p <= 0 || !Critical(TcK, Dc, Pc) || p * 100 >= Pc) return NoValue;
  // ln p is nearly straight over 1/T: the secant between two temperatures.
  Extended x0 = 1 / (0.7L * TcK), x1 = 1 / (0.8L * TcK);
  auto f = [&](Extended x) {
    const Extended pv = VapourPressure(1 / x - ZeroCelsius);
    return IsNoValue(pv) ? NoValue : std::log(pv / p);
  };
  Extended f0 = f(x0), f1 = f(x1);
  for (int i = 0; i < 60 && Available(f0, f1); ++i) {
    if (std::fabs(f1) < 1E-12L) return 1 / x1 - ZeroCelsius;
    if (f1 == f0) break;
    Extended x2 = x1 - f1 * (x1 - x0) / (f1 - f0);
    // Stay below the critical temperature.
    if (x2 <= 1 / TcK) x2 = (x1 + 1 / TcK) / 2;
    x0 = x1, f0 = f1, x1 = x2, f1 = f(x1);
  }
  return NoValue;
}

Extended tGERGPureFluid::GetValue(TExtProperty p) {
  switch (p) {
    case epPv: return VapourPressure(GetT());
    case epTv: return SaturationTemperature(GetP());
    case epTc:
    case epPc:
    case epRhoC: {
      Extended TcK, Dc, Pc;
      if (!Critical(TcK, Dc, Pc)) return NoValue;
      const Extended M = tGERGSubstance::GetValue(epM);
      return p == epTc ? TcK - ZeroCelsius : p == epPc ? Pc / 100 : (Available(M) ? Dc * M : NoValue);
    }
    default: return tGERGSubstance::GetValue(p);
  }
}

}  // namespace torvacalc
