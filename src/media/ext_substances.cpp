#include "media/ext_substances.h"

#include <cstdio>

#include "framework/translation.h"

namespace torvacalc {

namespace {

const char* const kPropertyNames[epCount] = {
    "Rho", "RhoV", "RhoL", "RhoN", "V", "Z", "Pv", "Pl", "Tv", "Tl", "H", "S",
    "cp", "cv", "cf", "Eta", "Lambda", "Kappa", "dhv", "dHvT", "xFG", "M", "Tc", "Pc",
    "Zc", "RhoC", "Omega", "Ts", "TT", "CStar", "PStar", "TStar", "CfStar", "RhoStar"};

// Store keys: which change of state the entry belongs to.
constexpr Extended kStoreT2 = 1, kStoreIsentrop = 2;

const char* const kComponentNames[tAGAConcentration::AGA8Components + 1] = {
    "", "Methan", "Stickstoff", "Kohlendioxid", "Ethan", "Propan", "Wasser", "Schwefelwasserstoff",
    "Wasserstoff", "Kohlenmonoxid", "Sauerstoff", "i-Butan", "n-Butan", "i-Pentan", "n-Pentan",
    "n-Hexan", "n-Heptan", "n-Octan", "n-Nonan", "n-Decan", "Helium", "Argon"};

}  // namespace

const char* ExtPropertyName(TExtProperty p) {
  return p >= 0 && p < epCount ? kPropertyNames[p] : "";
}

bool EqualTemp(Extended a, Extended b, int digits) {
  if (IsNoValue(a) || IsNoValue(b)) return IsNoValue(a) && IsNoValue(b);
  return EqualDigits(a + ZeroCelsius, b + ZeroCelsius, digits);
}

// ------------------------------------------------------ tAGAConcentration

tAGAConcentration::tAGAConcentration()
    : FC(MaxComponent + 1, 0), FStored(MaxComponent + 1, 0) {}

Extended tAGAConcentration::GetC(int i) const {
  return i >= 1 && i <= MaxComponent ? FC[static_cast<size_t>(i)] : NoValue;
}

void tAGAConcentration::SetC(int i, Extended value) {
  if (i < 1 || i > MaxComponent)
    throw EHXInternal("component number " + std::to_string(i), "tAGAConcentration");
  if (IsNoValue(value)) value = 0;
  Extended& c = FC[static_cast<size_t>(i)];
  if (c == value) return;
  c = value;
  Changed();
}

void tAGAConcentration::SetCType(TCType value) {
  if (FCType == value) return;
  FCType = value;
  Changed();
}

Extended tAGAConcentration::CalculateCSum() const {
  Extended sum = 0;
  for (Extended c : FC) sum += c;
  return sum;
}

bool tAGAConcentration::GetIsAga8() const {
  for (int i = AGA8Components + 1; i <= MaxComponent; ++i)
    if (FC[static_cast<size_t>(i)] != 0) return false;
  return true;
}

std::string tAGAConcentration::ComponentName(int i) {
  if (i >= 1 && i <= AGA8Components) return kComponentNames[i];
  if (i > AGA8Components && i <= MaxComponent) return "Komponente " + std::to_string(i);
  return "";
}

std::string tAGAConcentration::GetAsString() const {
  std::string text;
  for (int i = 1; i <= MaxComponent; ++i) {
    const Extended c = FC[static_cast<size_t>(i)];
    if (c == 0) continue;
    char number[32];
    std::snprintf(number, sizeof number, "%.6Lg", c);
    if (!text.empty()) text += ", ";
    text += Translate(ComponentName(i)) + " " + number + " %";
  }
  return text;
}

void tAGAConcentration::Store() { FStored = FC; }

void tAGAConcentration::Storno() {
  if (FC == FStored) return;
  FC = FStored;
  Changed();
}

void tAGAConcentration::Assign(const tAGAConcentration& source) {
  if (this == &source) return;
  const bool changed = FC != source.FC || FCType != source.FCType;
  FC = source.FC;
  FStored = source.FStored;
  FCType = source.FCType;
  if (changed) Changed();
}

bool tAGAConcentration::operator==(const tAGAConcentration& other) const {
  return FC == other.FC && FCType == other.FCType;
}

void tAGAConcentration::Changed() {
  if (OnChange) OnChange(*this);
}

// ---------------------------------------------------------- tExtSubstances

tExtSubstances::tExtSubstances() {
  FValues.fill(NoValue);
  FStoreInputs.fill(NoValue);
}

tExtSubstances::~tExtSubstances() = default;

void tExtSubstances::SetT(Extended value) { FT = value; }
void tExtSubstances::SetP(Extended value) { FP = value; }
void tExtSubstances::SetPN0(Extended value) { FPN0 = value; }
void tExtSubstances::SetTN0(Extended value) { FTN0 = value; }
void tExtSubstances::SetLiquid(bool value) { FLiquid = value; }

Extended tExtSubstances::GetValue(TExtProperty p) {
  return p >= 0 && p < epCount ? FValues[p] : NoValue;
}

void tExtSubstances::SetValue(TExtProperty p, Extended value, bool overrule) {
  if (p < 0 || p >= epCount) throw EHXInternal("property " + std::to_string(p), "tExtSubstances");
  if (!overrule) return;
  if (FValues[p] == value || (IsNoValue(FValues[p]) && IsNoValue(value))) return;
  FValues[p] = IsNoValue(value) ? NoValue : value;
  ResultsChanged();
}

void tExtSubstances::ResultsChanged() {
  if (OnResultsChange) OnResultsChange(*this);
}

Extended tExtSubstances::CalculateT2(Extended T1, Extended P1, Extended P2) {
  const TStoreInputs key = {kStoreT2, T1, P1, P2, FLiquid ? 1.0L : 0.0L, 0};
  Extended T2, unused;
  if (IsInStore(key)) {
    GetFromStore(T2, unused);
    return T2;
  }
  T2 = Available(T1, P1, P2) ? DoCalculateT2(T1, P1, P2) : NoValue;
  PutIntoStore(key, T2, NoValue);
  return T2;
}

void tExtSubstances::CalculateRhoIsentrop(Extended& Rho2, Extended& T2, Extended T1, Extended P1,
                                          Extended P2) {
  const TStoreInputs key = {kStoreIsentrop, T1, P1, P2, FLiquid ? 1.0L : 0.0L, 0};
  if (IsInStore(key)) {
    GetFromStore(Rho2, T2);
    return;
  }
  Rho2 = T2 = NoValue;
  if (Available(T1, P1, P2)) DoCalculateRhoIsentrop(Rho2, T2, T1, P1, P2);
  PutIntoStore(key, Rho2, T2);
}

Extended tExtSubstances::DoCalculateT2(Extended, Extended, Extended) { return NoValue; }

void tExtSubstances::DoCalculateRhoIsentrop(Extended& Rho2, Extended& T2, Extended, Extended,
                                            Extended) {
  Rho2 = T2 = NoValue;
}

bool tExtSubstances::IsInStore(const TStoreInputs& inputs) const {
  if (!FStoreFilled) return false;
  for (size_t i = 0; i < inputs.size(); ++i) {
    const Extended a = inputs[i], b = FStoreInputs[i];
    if (IsNoValue(a) != IsNoValue(b)) return false;
    if (!IsNoValue(a) && a != b) return false;
  }
  // The change of state belongs to the mixture it was calculated for.
  return FStoreComposition == FAGAConcentration;
}

void tExtSubstances::GetFromStore(Extended& result1, Extended& result2) const {
  result1 = FStoreFilled ? FStoreResult1 : NoValue;
  result2 = FStoreFilled ? FStoreResult2 : NoValue;
}

void tExtSubstances::PutIntoStore(const TStoreInputs& inputs, Extended result1, Extended result2) {
  FStoreInputs = inputs;
  FStoreResult1 = result1;
  FStoreResult2 = result2;
  FStoreComposition.Assign(FAGAConcentration);
  FStoreFilled = true;
}

void tExtSubstances::Assign(const tExtSubstances& source) {
  if (this == &source) return;
  FT = source.FT;
  FP = source.FP;
  FPN0 = source.FPN0;
  FTN0 = source.FTN0;
  FLiquid = source.FLiquid;
  FFormula = source.FFormula;
  FActive = source.FActive;
  FValues = source.FValues;
  FPhase = source.FPhase;
  FDisplayRange = source.FDisplayRange;
  FAGAConcentration.Assign(source.FAGAConcentration);
  FStoreInputs = source.FStoreInputs;
  FStoreComposition.Assign(source.FStoreComposition);
  FStoreResult1 = source.FStoreResult1;
  FStoreResult2 = source.FStoreResult2;
  FStoreFilled = source.FStoreFilled;
}

void tAGAConcentration::SaveToTag(TItemTagWriter& tag) const {
  tag.AddLongInt("CType", FCType);
  for (int i = 1; i <= MaxComponent; ++i)
    if (HasValue(GetC(i)) && GetC(i) != 0) tag.AddExtended("C" + std::to_string(i), GetC(i));
}

void tAGAConcentration::LoadFromTag(const TItemTagReader& tag) {
  const std::int64_t type = tag.AsInteger("CType", ctAGA8);
  SetCType(type == ctGERG ? ctGERG : ctAGA8);
  for (int i = 1; i <= MaxComponent; ++i) {
    const std::string name = "C" + std::to_string(i);
    const Extended c = tag.Exists(name) ? tag.AsFloat(name, 0) : 0;
    // Fractions outside 0..100 % are damage, not a composition.
    SetC(i, std::isfinite(c) && c > 0 && c <= 100 ? c : 0);
  }
}

}  // namespace torvacalc
