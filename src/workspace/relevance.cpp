#include "workspace/relevance.h"

#include "framework/basics.h"
#include "framework/calc_switch.h"
#include "media/substance_types.h"
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
    // Cavitation, flashing and the distance to the vapour pressure: a
    // gas has none of them.
    {TRelevantWhen::Liquid,
     {"HasSigmaData", "SigmaP", "SigmaV", "SigmaMr", "SigmaCh", "SigmaI", "SigmaId", "Sigma", "SaturatedPhase",
      "Kc_75", "Kc", "Kcfunc", "KcStar", "zy_75", "zy", "zyfunc", "dpc", "dpLimit", "uMaxCav", "uMaxPartCav", "uMaxNoCav",
      "uMaxFlashing", "NoiseNormLiquid", "pv1", "pv2"}},
    {TRelevantWhen::Water, {"PvW", "PvW1"}},
    {TRelevantWhen::Pulp, {"PulpeType", "XPulp", "fPulp", "dLaPulp"}},
    {TRelevantWhen::MoistGas, {"HumidityType", "PhiRel", "XSpec", "FnTr", "FnF", "FF", "xMv", "xMv1", "QmOrQvMoist"}},
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

// The conditions by lower-case item name, made once.
const std::vector<std::pair<std::string, TRelevantWhen>>& RulesByName() {
  static const auto rules = [] {
    std::vector<std::pair<std::string, TRelevantWhen>> v;
    for (const TRelevanceRule& r : kRelevanceRules)
      for (const std::string& n : r.items) v.emplace_back(LowerAscii(n), r.when);
    return v;
  }();
  return rules;
}

}  // namespace

TRelevance::TRelevance(const TCalcModule& m)
    : FPhase(SwitchIndex(m, "Phase")),
      FSubstance(SwitchIndex(m, "SubstanceType")),
      // The kind of gas tells a moist gas only where the humidity is asked
      // (a noise module's GasMedium tells gas from steam).
      FGasMedium(m.CalcItemByName("HumidityType") ? SwitchIndex(m, "GasMedium") : -1),
      FValveStyle(SwitchIndex(m, "ValveType")),
      FResistors(SwitchIndex(m, "UseResistors")),
      FRecommend(SwitchIndex(m, "RecommendChar")) {}

bool TRelevance::Holds(TRelevantWhen when) const {
  // Unknown (a module without the switch, or nothing chosen) holds.
  const bool phaseKnown = FPhase >= 0 && FPhase != phUndef;
  const bool mixed = FPhase == phMixPhaseV || FPhase == phMixPhaseG;
  const bool moist = FGasMedium == gmGasMoist || FGasMedium == gmGasMoistOp;
  switch (when) {
    case TRelevantWhen::Gas: return !phaseKnown || FPhase != phLiquid;
    case TRelevantWhen::Liquid: return !phaseKnown || FPhase == phLiquid || mixed;
    case TRelevantWhen::Water:
      return FSubstance < 0 || FSubstance == stWater || FSubstance == stPulpe ||
             (moist && (!phaseKnown || FPhase != phLiquid));
    case TRelevantWhen::Pulp: return FSubstance < 0 || FSubstance == stPulpe;
    case TRelevantWhen::MoistGas: return FGasMedium < 0 || (moist && (!phaseKnown || FPhase != phLiquid));
    case TRelevantWhen::Globe: return FValveStyle < 0 || FValveStyle == 0;
    case TRelevantWhen::Rotary: return FValveStyle < 0 || FValveStyle == 1;
    case TRelevantWhen::Butterfly: return FValveStyle < 0 || FValveStyle == 2;
    case TRelevantWhen::Ball: return FValveStyle < 0 || FValveStyle == 3;
    case TRelevantWhen::Resistor: return FResistors != 0;
    case TRelevantWhen::Recommendation: return FRecommend != 0;
  }
  return true;
}

bool TRelevance::operator()(const std::string& name) const {
  std::string base;
  PointOfItemName(name, &base);
  const std::string key = LowerAscii(base);
  for (const auto& [n, when] : RulesByName())
    if (n == key && !Holds(when)) return false;
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
