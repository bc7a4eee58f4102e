#include "catalogue/cm_suggest_dn.h"

#include <algorithm>

#include "framework/module_items.h"
#include "piping/pipe_classes.h"
#include "noise/cm_noise.h"
#include "noise/noise_base.h"
#include "valves/valve_lists.h"

namespace torvacalc {

namespace {

constexpr int msgValveBelowMinDN = 1710;
constexpr int msgNoSizeFits = 1711;

Extended V(const TCalcParameter* p) { return p->GetCalcValue(); }

template <class E>
E Choice(const TCustomCalcMultiSwitch* s, E fallback, int count) {
  const int i = s->GetSwitchStatus();
  return i >= 0 && i < count ? static_cast<E>(i) : fallback;
}

}  // namespace

TCMSuggestDN::TCMSuggestDN(TCalcComponent* owner, std::string name)
    : TCalcModule(owner, std::move(name)) {
  auto& m = *this;
  Phase = AddListSwitch(m, "Phase", "Phase", PhaseValues());
  CalculatedPhase = AddListSwitch(m, "CalculatedPhase", "Berechnete Phase", CalculatedPhaseValues());
  FlowState = AddListSwitch(m, "FlowState", "Strömungszustand", FlowStateValues());
  PipeClass = m.AddItem<TPipeClassSwitch>("PipeClass");
  PipeClass->SetCaption("Rohrklasse");
  PipeClass->SetValueList(PipeClassValues());
  kvs = AddParameter<TModifyParameter>(m, "kvs", qKvCv, "Kvs-Wert");
  DNV = AddParameter<TModifyParameter>(m, "DNV", qNominalDiameter, "Nennweite des Ventils");
  qm = AddParameter<TInOutParameter>(m, "qm", qMassFlowrate, "Massenstrom");
  p2 = AddParameter<TInOutParameter>(m, "p2", qPressureBar, "Austrittsdruck");
  rho1 = AddParameter<TInputParameter>(m, "rho1", qDensity, "Dichte am Eintritt");
  rho2 = AddParameter<TInputParameter>(m, "rho2", qDensity, "Dichte am Austritt");
  cf2 = AddParameter<TInputParameter>(m, "cf2", qVelocity, "Schallgeschwindigkeit am Austritt");
  uMaxCav = AddParameter<TInputParameter>(m, "uMaxCav", qVelocity, "Höchstgeschwindigkeit bei Kavitation");
  uMaxFlashing = AddParameter<TInputParameter>(m, "uMaxFlashing", qVelocity,
                                               "Höchstgeschwindigkeit bei Verdampfung");
  uMaxNoCav = AddParameter<TInputParameter>(m, "uMaxNoCav", qVelocity,
                                            "Höchstgeschwindigkeit ohne Kavitation");
  uMaxPartCav = AddParameter<TInputParameter>(m, "uMaxPartCav", qVelocity,
                                              "Höchstgeschwindigkeit bei beginnender Kavitation");
  MaxU1 = AddParameter<TOutputParameter>(m, "MaxU1", qVelocity, "Empfohlene Höchstgeschwindigkeit im Eintritt");
  MaxU2 = AddParameter<TOutputParameter>(m, "MaxU2", qVelocity, "Empfohlene Höchstgeschwindigkeit im Austritt");
  MinDN = AddParameter<TOutputParameter>(m, "MinDN", qNominalDiameter, "Kleinste empfohlene Nennweite");
}

TCMSuggestDN::~TCMSuggestDN() { DestroyItems(); }

void TCMSuggestDN::MaxVelocities(TEPhase phase, teCalculatedPhase calculated, TECVFlowState state,
                                 Extended cf2, Extended noCav, Extended cav, Extended partCav,
                                 Extended flashing, Extended& maxU1, Extended& maxU2) {
  maxU1 = maxU2 = NoValue;
  switch (phase) {
    case phVapour:
    case phGas:
    case phGasOp:
      if (HasValue(cf2) && cf2 > 0) maxU1 = maxU2 = GasMach * cf2;
      return;
    case phLiquid:
    case phMixPhaseV:
    case phMixPhaseG: break;
    default: return;
  }
  // Without a phase found from the state (the module used alone), the
  // declared liquid stands for it.
  if (calculated == cpUndef && phase == phLiquid) calculated = cpLiquid;
  // A flashing liquid leaves as a mixture: Mach 0.3 of its sound speed.
  const Extended mixture = state == fsFlashing && HasValue(cf2) && cf2 > 0 ? GasMach * cf2 : NoValue;
  maxU2 = TCMCustomNoisePrediction::GetMaxU(phase, calculated, state, NoValue, mixture, noCav, cav,
                                            partCav, flashing);
  maxU1 = TCMCustomNoisePrediction::GetMaxU(phase, calculated, fsNormal, NoValue, NoValue, noCav,
                                            cav, partCav, flashing);
  // A critical (choked) liquid flow has no limit of its own: the one with
  // cavitation applies.
  if (IsNoValue(maxU2) && phase == phLiquid)
    maxU2 = TCMCustomNoisePrediction::GetMaxU(phase, calculated, fsStrongCavitation, NoValue, NoValue,
                                              noCav, cav, partCav, flashing);
}

Extended TCMSuggestDN::SmallestDN(const std::vector<Extended>& DNs, Extended Qm, Extended rho, Extended u) {
  if (!Available(Qm, rho, u) || Qm < 0 || rho <= 0 || u <= 0) return NoValue;
  for (Extended dn : DNs) {
    const Extended w = FlowVelocityNoise(Qm, rho, dn);
    if (HasValue(w) && w <= u) return dn;
  }
  return NoValue;
}

std::vector<Extended> TCMSuggestDN::StandardSizes(const std::string& pipeClass) {
  if (const TPipeDatabase* db = TPipeDatabase::Default()) {
    // The sizes of a class are read when it is first asked for: only the
    // classes the name fits.
    for (size_t i = 0; i < db->ClassNames().size(); ++i) {
      if (pipeClass.empty() || db->ClassNames()[i].rfind(pipeClass, 0) != 0) continue;
      const TPipeClass& c = db->ClassAt(i);
      if (c.DNs.empty()) continue;
      std::vector<Extended> out(c.DNs.begin(), c.DNs.end());
      std::sort(out.begin(), out.end());
      return out;
    }
  }
  return tVDMA79::NominalSizes();
}

void TCMSuggestDN::DoCalculate() {
  const TEPhase phase = Choice(Phase, phUndef, 7);
  const bool liquid = phase == phLiquid;
  Extended u1 = NoValue, u2 = NoValue;
  MaxVelocities(phase, Choice(CalculatedPhase, cpUndef, 8), Choice(FlowState, fsUndefined, 10), V(cf2),
                V(uMaxNoCav), V(uMaxCav), V(uMaxPartCav), V(uMaxFlashing), u1, u2);
  const std::vector<TCalcItem*> liquidLimits = {uMaxCav, uMaxFlashing, uMaxNoCav, uMaxPartCav, FlowState};
  (liquid ? MakeUtilized(liquidLimits) : MakeNotUtilized(liquidLimits));
  const bool flashing = liquid && Choice(FlowState, fsUndefined, 10) == fsFlashing;
  (liquid && !flashing ? MakeNotUtilized({cf2}) : MakeUtilized({cf2}));
  MakeNotUtilized({kvs, p2});

  const Extended Qm = V(qm), r1 = V(rho1);
  // The outlet density of a liquid is the inlet one unless given.
  const Extended r2 = HasValue(V(rho2)) ? V(rho2) : (liquid ? r1 : NoValue);
  const std::vector<Extended> sizes = StandardSizes(PipeClass->GetText());
  const Extended dn1 = SmallestDN(sizes, Qm, r1, u1);
  const Extended dn2 = SmallestDN(sizes, Qm, r2, u2);
  Extended dn = NoValue;
  if (Available(dn1, dn2)) dn = std::max(dn1, dn2);
  else if (HasValue(dn2) && IsNoValue(r1)) dn = dn2;

  MaxU1->AssignValue(0, u1);
  MaxU2->AssignValue(0, u2);
  MinDN->AssignValue(0, dn);

  const bool computable = Available(Qm, u2) && HasValue(r2);
  if (computable && IsNoValue(dn)) CreateMessage(msgNoSizeFits, {qm, MaxU2, PipeClass});
  const Extended valve = V(DNV);
  if (Available(valve, dn) && valve < dn) CreateMessage(msgValveBelowMinDN, {DNV, MinDN, MaxU2});
}

}  // namespace torvacalc
