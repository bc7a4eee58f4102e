#include "workspace/relevance.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "assembly/main_items.h"
#include "assembly/noise_methods.h"
#include "framework/basics.h"
#include "framework/calc_switch.h"
#include "media/substance_types.h"
#include "valves/valve_types.h"
#include "workspace/points_layout.h"

namespace torvacalc {

// Names of the main module of a whole calculation and of the computing
// modules alike (the comparison ignores case: "Kappa1" and "kappa1").
const std::vector<TRelevanceRule> kRelevanceRules = {
    // The isentropic exponent and what follows from it: the expansion of a
    // compressible flow, its critical (sonic) state, the pressure
    // differential ratio factor xT. A liquid does not expand.
    {TRelevantWhen::Gas,
     {"Kappa1", "kappa2Star", "Kappa", "fk", "CStar", "pStar", "tStar", "cfStar", "rhoStar", "xt_75", "xt", "xtp",
      "xtfunc", "xc", "dpXc", "Z1", "Z2", "Zn", "RhoN", "Ri", "Sg", "StandardConditions", "TN0", "PN0", "RhoNRiM",
      "GasMedium", "Qn", "QnTr", "QnF", "QnCalc", "MaDN", "DNSug03", "DNSug07", "DNSug10", "DNSug100", "DNResMa", "MaSug",
      "XtRes", "NoiseNormGas", "NoiseStandard"}},
    // Cavitation, flashing and the distance to the vapour pressure, and the
    // saturated liquid and vapour at the inlet temperature: a gas or a
    // superheated vapour has none of them.
    {TRelevantWhen::Liquid,
     {"RhoL", "RhoV", "Dhv", "dHvT", "HasSigmaData", "SaturatedPhase", "Kc_75", "Kc", "Kcfunc", "KcStar", "zy_75",
      "zy", "zyfunc", "dpc", "dpLimit", "uMaxFlashing", "NoiseNormLiquid", "pv1", "pv2"}},
    // The cavitation indices of a point and the velocity limits of
    // cavitation: bubbles that collapse need an outlet above the vapour
    // pressure. A flashing point has none (sigma 1 there would read as
    // the strongest cavitation).
    {TRelevantWhen::Cavitation,
     {"SigmaP", "SigmaV", "SigmaMr", "SigmaCh", "SigmaI", "SigmaId", "Sigma", "uMaxCav", "uMaxPartCav", "uMaxNoCav"}},
    // The saturated vapour and the heat of vaporization at the outlet
    // temperature: they describe a mixture leaving the valve (a liquid
    // that flashes, steam that condenses), nothing of a superheated vapour
    // or of a liquid that stays liquid.
    {TRelevantWhen::TwoPhaseOutlet, {"rhoV2", "dhv2"}},
    {TRelevantWhen::Water, {"PvW", "PvW1"}},
    {TRelevantWhen::Pulp, {"PulpeType", "XPulp", "fPulp", "dLaPulp"}},
    {TRelevantWhen::MoistGas, {"HumidityType", "PhiRel", "XSpec", "FnTr", "FnF", "FF", "QmOrQvMoist"}},
    // Two phases at the inlet: the vapour fraction, and whether wet steam
    // is given by it or by its enthalpy.
    {TRelevantWhen::TwoPhaseInlet, {"xMv", "xMv1", "EnterXorH"}},
    {TRelevantWhen::Globe, {"GlobeType"}},
    {TRelevantWhen::Rotary, {"RotaryType"}},
    {TRelevantWhen::Butterfly, {"ButterflyType"}},
    {TRelevantWhen::Ball, {"BallValveType"}},
    {TRelevantWhen::Resistor,
     {"ResistorType", "FixedResistor", "NKnown", "NRes", "MaSug", "p2Res", "cvr", "pr", "dr", "aPSE", "bSSE", "dRes",
      "ARes", "NBores", "DNRes", "LaRes", "FlowStateRes", "xRes", "DNResMa", "dLaRes", "Fl2Res", "XtRes",
      "zyRes", "P1Res1", "P2Res1", "Rho1Res1", "P1Res2", "P2Res2", "Rho1Res2", "P1Res3", "P2Res3", "Rho1Res3",
      "P1Res4", "P2Res4", "Rho1Res4", "P1Res5", "P2Res5", "Rho1Res5", "P1Res6", "P2Res6", "Rho1Res6",
      "ValveTypeRes", "InwardFlowRes"}},
    // The results of a solution for the flow or the inlet pressure: empty
    // rows while the Kv is sized.
    {TRelevantWhen::FlowSolved, {"qmCalc", "QvCalc", "QnCalc"}},
    {TRelevantWhen::InletPressureSolved, {"p1Calc"}},
    // The level terms of the VDMA guideline: the other methods neither
    // compute nor sum them.
    {TRelevantWhen::VdmaNoise, {"La1", "La2"}},
    // The state handed to the medium behind the valve: the vapour fraction
    // there is the row xFG, the share in the mixture bookkeeping.
    {TRelevantWhen::Never, {"xMv2", "xOutletMedium"}},
    {TRelevantWhen::Recommendation,
     {"Control", "Measurement", "ApplicationOf", "SetPoint", "PressureControl", "LevelDisturbance",
      "HeaterDisturbance", "CiBase", "ControlRange", "dpRatio", "RecommendedCharacteristic"}},
};

namespace {

int SwitchIndex(const TCalcModule& m, const char* name) {
  const TCalcItem* item = m.CalcItemByName(name);
  if (const auto* multi = dynamic_cast<const TCustomCalcMultiSwitch*>(item)) return multi->GetSwitchStatus();
  if (const auto* two = dynamic_cast<const TCalcSwitch*>(item)) return two->GetChecked() ? 1 : 0;
  return -1;
}

// The conditions of a name, one bit per TRelevantWhen.
using TRules = std::unordered_map<std::string_view, std::uint32_t, TFoldedNameHash, TFoldedNameEqual>;
static_assert(static_cast<int>(TRelevantWhen::Never) < 32);

// The conditions by item name (without the suffix of a point), made
// once: a table asks for every row it prints.
const TRules& RulesByName() {
  static const TRules rules = [] {
    TRules m;
    m.reserve(256);
    for (const TRelevanceRule& r : kRelevanceRules)
      for (const std::string& n : r.items) m[n] |= std::uint32_t{1} << static_cast<int>(r.when);
    return m;
  }();
  return rules;
}

}  // namespace

TRelevance::TRelevance(const TCalcModule& m)
    : FModule(&m),
      FPhase(SwitchIndex(m, "Phase")),
      FSubstance(SwitchIndex(m, "SubstanceType")),
      // The kind of gas tells a moist gas only where the humidity is asked
      // (a noise module's GasMedium tells gas from steam).
      FGasMedium(m.CalcItemByName("HumidityType") ? SwitchIndex(m, "GasMedium") : -1),
      FValveStyle(SwitchIndex(m, "ValveType")),
      FResistors(SwitchIndex(m, "UseResistors")),
      FRecommend(SwitchIndex(m, "RecommendChar")),
      FWhat(SwitchIndex(m, "WhatToCalculate")) {
  // The noise method follows the declared phase, as the calculation
  // chooses it.
  if (m.CalcItemByName("NoiseNormLiquid") && m.CalcItemByName("NoiseNormGas")) {
    const bool liquid = FPhase == phLiquid;
    const int choice = SwitchIndex(m, liquid ? "NoiseNormLiquid" : "NoiseNormGas");
    const std::string& kind =
        NoiseMethods()[ChosenNoiseMethod(liquid, FPhase == phMixPhaseV || FPhase == phMixPhaseG, choice)].Kind;
    FVdma = kind == "vdma79" || kind == "vdma89" ? 1 : 0;
  }
  // Which points calculate: a module on its own is one point.
  const char* switches[kPoints] = {nullptr, "Use2ndOp", "Use3rdOp", "UseXthOp"};
  for (int p = 1; p < kPoints; ++p) FOn[p] = SwitchIndex(m, switches[p]) == 1;
  for (int p = 0; p < kPoints; ++p) {
    const std::string suffix = OpSuffix(p + 1);
    // The inlet: a saturated state lies on the line, its side is the one
    // declared; a supercritical fluid is sized as declared as well.
    switch (SwitchIndex(m, ("CalculatedPhase" + suffix).c_str())) {
      case cpLiquid: FInlet[p] = TState::Liquid; break;
      case cpVapour:
      case cpGas: FInlet[p] = TState::Gas; break;
      case cpZweiPhasig: FInlet[p] = TState::TwoPhase; break;
      default: FInlet[p] = TState::Unknown; break;
    }
    // The outlet: flashing, or the vapour fraction behind the valve
    // (per cent) between none and all.
    const TCalcItem* fraction = m.CalcItemByName("xFG" + suffix);
    const TCalcParameter* x = fraction ? fraction->AsParameter() : nullptr;
    const Extended xFG = x ? x->GetValue() : NoValue;
    FFlashing[p] = SwitchIndex(m, ("FlowState" + suffix).c_str()) == fsFlashing;
    if (FFlashing[p]) FOutlet[p] = TState::TwoPhase;
    else if (HasValue(xFG)) {
      constexpr Extended kTiny = 1e-9L;
      FOutlet[p] = xFG <= kTiny ? TState::Liquid : xFG >= 100 - kTiny ? TState::Gas : TState::TwoPhase;
    }
  }
}

bool TRelevance::Holds(TRelevantWhen when, int point) const {
  if (point >= 0 && point < kPoints) return HoldsAt(when, point);
  for (int p = 0; p < kPoints; ++p)
    if (FOn[p] && HoldsAt(when, p)) return true;
  return false;
}

bool TRelevance::HoldsAt(TRelevantWhen when, int point) const {
  // Unknown (a module without the switch, or nothing chosen) holds.
  const bool phaseKnown = FPhase >= 0 && FPhase != phUndef;
  const bool mixed = FPhase == phMixPhaseV || FPhase == phMixPhaseG;
  const bool moist = FGasMedium == gmGasMoist || FGasMedium == gmGasMoistOp;
  // What the point is: as calculated at its inlet where it has been (a
  // two-phase declaration keeps both), as declared otherwise.
  const TState inlet = mixed ? TState::TwoPhase : FInlet[point];
  const bool gas = inlet != TState::Unknown ? inlet != TState::Liquid : !phaseKnown || FPhase != phLiquid;
  const bool liquid = inlet != TState::Unknown ? inlet != TState::Gas : !phaseKnown || FPhase == phLiquid;
  switch (when) {
    case TRelevantWhen::Gas: return gas;
    case TRelevantWhen::Liquid: return liquid;
    case TRelevantWhen::TwoPhaseOutlet:
      // Not yet known behind the valve: a liquid may flash, a vapour
      // declared as such condense; a gas, or a vapour found where a
      // liquid was declared, stays one.
      if (FOutlet[point] == TState::Unknown)
        return inlet != TState::Unknown ? liquid : !phaseKnown || (FPhase != phGas && FPhase != phGasOp);
      return inlet == TState::TwoPhase || FOutlet[point] == TState::TwoPhase;
    // Liquid and vapour at the inlet lie on the saturation line: any drop
    // takes the outlet below the vapour pressure, no bubble collapses.
    case TRelevantWhen::Cavitation: return liquid && !FFlashing[point] && FPhase != phMixPhaseV;
    case TRelevantWhen::Water:
      return FSubstance < 0 || ((FSubstance == stWater || FSubstance == stPulpe) && liquid) || (moist && gas);
    case TRelevantWhen::Pulp: return FSubstance < 0 || FSubstance == stPulpe;
    case TRelevantWhen::MoistGas: return FGasMedium < 0 || (moist && gas);
    case TRelevantWhen::TwoPhaseInlet: return !phaseKnown || mixed;
    case TRelevantWhen::Globe: return FValveStyle < 0 || FValveStyle == 0;
    case TRelevantWhen::Rotary: return FValveStyle < 0 || FValveStyle == 1;
    case TRelevantWhen::Butterfly: return FValveStyle < 0 || FValveStyle == 2;
    case TRelevantWhen::Ball: return FValveStyle < 0 || FValveStyle == 3;
    case TRelevantWhen::Resistor: return FResistors != 0;
    case TRelevantWhen::Recommendation: return FRecommend != 0;
    // WhatToCalculate: Kv, mass flow, inlet pressure, outlet pressure.
    case TRelevantWhen::FlowSolved: return FWhat < 0 || FWhat == 1;
    case TRelevantWhen::InletPressureSolved: return FWhat < 0 || FWhat == 2;
    case TRelevantWhen::VdmaNoise: return FVdma != 0;
    case TRelevantWhen::Never: return false;
  }
  return true;
}

bool TRelevance::operator()(const std::string& name) const {
  // The point from the name's suffix (ap2, ap3, apX in any case), and the
  // base name.
  int point = 0;
  std::string_view key = name;
  if (key.size() > 3) {
    const std::string_view suffix = key.substr(key.size() - 3);
    if (LowerAscii(suffix[0]) == 'a' && LowerAscii(suffix[1]) == 'p') {
      const char p = LowerAscii(suffix[2]);
      point = p == '2' ? 1 : p == '3' ? 2 : p == 'x' ? 3 : 0;
    }
    if (point) key.remove_suffix(3);
  }
  const TRules& rulesByName = RulesByName();
  const auto rules = rulesByName.find(key);
  if (rules == rulesByName.end()) return true;
  // An item without twins at the other points serves all of them.
  const int at = point == 0 && !FModule->CalcItemByName(name + OpSuffix(2)) ? -1 : point;
  for (std::uint32_t when = rules->second; when != 0; when &= when - 1)
    if (!Holds(static_cast<TRelevantWhen>(std::countr_zero(when)), at)) return false;
  return true;
}

bool TRelevance::operator()(const TCalcItem& item) const {
  if ((*this)(item.GetName())) return true;
  const TCalcParameter* p = item.AsParameter();
  if (!p) return false;
  const TCalcItem* root = p->GetRootCalcItem();
  return root && root->GetInputState() == isUser && HasValue(p->GetValue()) && p->GetCanModify();
}

}  // namespace torvacalc
