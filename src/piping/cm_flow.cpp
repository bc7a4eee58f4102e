#include "piping/cm_flow.h"
#include "framework/module_items.h"

#include <algorithm>

namespace torvacalc {

namespace {

Extended V(const TCalcParameter* p) { return p->GetCalcValue(); }

// Items of the phase and gas-medium lists that the flows depend on.
constexpr int kPhaseGas = 2;
constexpr int kGasMoistNormal = 1, kGasMoistOperating = 3, kGasDryOperating = 2;

// Normal temperature of the 60 degF basis: 15.5555555555 degC.
constexpr Extended kTN60F = 15.5555555555L + ZeroCelsius;

}  // namespace

TCMCustomFlow::TCMCustomFlow(TCalcComponent* owner, std::string name) : TCalcModule(owner, std::move(name)) {
  auto& m = *this;
  QmOrQv = AddListSwitch(m, "QmOrQv", "Gegeben", {"Massenstrom", "Volumenstrom"});
  Phase = AddListSwitch(m, "Phase", "Phase",
                     {"Flüssig", "Dampfförmig", "Gasförmig", "Gasförmig (Betriebsbedingungen)",
                      "Zweiphasig (Flüssig/Dampf)", "Zweiphasig (Flüssig/Gas)"});
  GasMedium = AddListSwitch(m, "GasMedium", "Gasart",
                         {"Gas, trocken (Normbedingungen)", "Gas, feucht (Normbedingungen)",
                          "Gas, trocken (Betriebsbedingungen)", "Gas, feucht (Betriebsbedingungen)"});
  Qm = AddParameter<TInOutParameter>(m, "Qm", qMassFlowrate, "Massenstrom");
  Qn = AddParameter<TInOutParameter>(m, "Qn", qNormVolumeFlowrate, "Normvolumenstrom");
  Qv = AddParameter<TInOutParameter>(m, "Qv", qVolumeFlowrate, "Betriebsvolumenstrom");
  Rho = AddParameter<TInputParameter>(m, "Rho", qDensity, "Dichte im Betriebszustand");
  RhoN = AddParameter<TInputParameter>(m, "RhoN", qDensity, "Dichte im Normzustand");
}

TCMCustomFlow::~TCMCustomFlow() { DestroyItems(); }

bool TCMCustomFlow::IsGas() const {
  const int g = GasMedium->GetSwitchIndex();
  return Phase->GetSwitchIndex() == kPhaseGas && (g == 0 || g == kGasMoistNormal);
}

bool TCMCustomFlow::IsMoist() const {
  const int g = GasMedium->GetSwitchIndex();
  return Phase->GetSwitchIndex() == kPhaseGas && (g == kGasMoistNormal || g == kGasMoistOperating);
}

TCMCustomFlow::TFlowSet TCMCustomFlow::FlowSet() const {
  const bool volume = QmOrQv->GetSwitchIndex() == qoqQv;
  if (IsGas()) return {{Qm, Qn}, volume ? Qn : Qm};
  return {{Qm, Qv}, volume ? Qv : Qm};
}

void TCMCustomFlow::CopyInputs() {
  FFlow.Gas = IsGas();
  FFlow.Moist = false;
  FFlow.QmOrQv = QmOrQv->GetSwitchIndex() == qoqQv ? qoqQv : qoqQm;
  FFlow.Rho = V(Rho);
  FFlow.RhoN = V(RhoN);
}

void TCMCustomFlow::Convert(const std::vector<TCalcItem*>& needed) {
  const TFlowSet set = FlowSet();
  std::vector<TInOutParameter*> all = {Qm, Qn, Qv};
  for (const char* name : {"QnTr", "QnF"})
    if (auto* p = dynamic_cast<TInOutParameter*>(CalcItemByName(name))) all.push_back(p);
  for (TInOutParameter* p : all) {
    const bool used = std::find(set.used.begin(), set.used.end(), p) != set.used.end();
    (used ? MakeUtilized({p}) : MakeNotUtilized({p}));
    p->SetImportant(p == set.given);
  }
  FFlow.SetQm(set.given == Qm ? V(Qm) : NoValue);
  FFlow.SetQn(set.given == Qn ? V(Qn) : NoValue);
  FFlow.SetQv(set.given == Qv ? V(Qv) : NoValue);
  auto* qnTr = dynamic_cast<TInOutParameter*>(CalcItemByName("QnTr"));
  auto* qnF = dynamic_cast<TInOutParameter*>(CalcItemByName("QnF"));
  FFlow.SetQnTr(qnTr && set.given == qnTr ? V(qnTr) : NoValue);
  FFlow.SetQnF(qnF && set.given == qnF ? V(qnF) : NoValue);

  std::vector<TCalcItem*> inputs = {set.given};
  inputs.insert(inputs.end(), needed.begin(), needed.end());
  CheckParameters(inputs);

  const auto value = [&](TInOutParameter* p) -> Extended {
    if (p == Qm) return FFlow.GetQm();
    if (p == Qn) return FFlow.GetQn();
    if (p == Qv) return FFlow.GetQv();
    if (p == qnTr) return FFlow.GetQnTr();
    return FFlow.GetQnF();
  };
  // A conversion lacking one of its inputs has no result (a moist gas
  // without a valid humidity is not taken for a dry one).
  const bool complete = std::all_of(needed.begin(), needed.end(), [](TCalcItem* i) {
    const TCalcParameter* p = i->AsParameter();
    return !p || HasValue(p->GetCalcValue());
  });
  for (TInOutParameter* p : set.used)
    if (p != set.given) p->AssignValue(0, complete ? value(p) : NoValue);
  // Flows that do not apply are cleared rather than left from an earlier
  // phase.
  for (TInOutParameter* p : all)
    if (std::find(set.used.begin(), set.used.end(), p) == set.used.end() && p->GetInputState() == isCalculated)
      p->AssignValue(0, NoValue);
}

void TCMCustomFlow::DoCalculate() {
  CopyInputs();
  // The density the given flow is converted with.
  const bool gas = IsGas();
  (gas ? MakeUtilized({RhoN}) : MakeNotUtilized({RhoN}));
  Convert({gas ? static_cast<TCalcItem*>(RhoN) : Rho});
}

TCMAllFlow::TCMAllFlow(TCalcComponent* owner, std::string name) : TCMCustomFlow(owner, std::move(name)) {
  auto& m = *this;
  StandardConditions = AddListSwitch(m, "StandardConditions", "Normbedingungen",
                                  {"0 °C, 1,01325 bar", "60 °F, 1,01325 bar", "benutzerdefiniert"});
  QmOrQvMoist = AddListSwitch(m, "QmOrQvMoist", "Gegeben (feuchtes Gas)",
                           {"Massenstrom", "Normvolumenstrom, trocken", "Normvolumenstrom, feucht"});
  QnTr = AddParameter<TInOutParameter>(m, "QnTr", qNormVolumeFlowrate, "Normvolumenstrom, trocken");
  QnF = AddParameter<TInOutParameter>(m, "QnF", qNormVolumeFlowrate, "Normvolumenstrom, feucht");
  p1 = AddParameter<TInputParameter>(m, "p1", qPressureBar, "Druck");
  t1 = AddParameter<TInputParameter>(m, "t1", qTemperature, "Temperatur");
  z1 = AddParameter<TInputParameter>(m, "z1", qNoUnitPositive, "Realgasfaktor");
  zn = AddParameter<TInputParameter>(m, "zn", qNoUnitPositive, "Realgasfaktor im Normzustand");
  PhiRel = AddParameter<TInputParameter>(m, "PhiRel", qPortion, "Relative Feuchte");
  pvw1 = AddParameter<TInputParameter>(m, "pvw1", qPressureBar, "Dampfdruck des Wassers");
  TN0 = AddParameter<TInputParameter>(m, "TN0", qTemperature, "Normtemperatur");
  PN0 = AddParameter<TInputParameter>(m, "PN0", qPressureBar, "Normdruck");
}

TCMAllFlow::~TCMAllFlow() { DestroyItems(); }

TCMCustomFlow::TFlowSet TCMAllFlow::FlowSet() const {
  if (!IsMoist()) return TCMCustomFlow::FlowSet();
  switch (QmOrQvMoist->GetSwitchIndex()) {
    case qqmQnTr: return {{Qm, QnTr, QnF}, QnTr};
    case qqmQnF: return {{Qm, QnTr, QnF}, QnF};
    default: return {{Qm, QnTr, QnF}, Qm};
  }
}

void TCMAllFlow::CopyInputs() {
  TCMCustomFlow::CopyInputs();
  FFlow.Moist = IsMoist();
  const int q = QmOrQvMoist->GetSwitchIndex();
  FFlow.QmOrQvMoist = q == qqmQnTr ? qqmQnTr : q == qqmQnF ? qqmQnF : qqmQm;
  FFlow.p1 = V(p1);
  FFlow.t1 = V(t1);
  FFlow.z1 = V(z1);
  FFlow.zn = V(zn);
  FFlow.PhiRel = V(PhiRel);
  FFlow.pvw = V(pvw1);
  // Normal conditions: 0 degC or 60 degF at one standard atmosphere, or the
  // user's, each part falling back to 0 degC and 1.01325 bar when not set.
  switch (StandardConditions->GetSwitchIndex()) {
    case 1:
      FFlow.TN0 = kTN60F;
      FFlow.PN0 = StandardPressure;
      break;
    case 2:
      FFlow.TN0 = HasValue(V(TN0)) ? V(TN0) + ZeroCelsius : ZeroCelsius;
      FFlow.PN0 = HasValue(V(PN0)) ? V(PN0) : StandardPressure;
      break;
    default:
      FFlow.TN0 = ZeroCelsius;
      FFlow.PN0 = StandardPressure;
  }
}

void TCMAllFlow::DoCalculate() {
  CopyInputs();
  const bool moist = IsMoist(), gas = IsGas();
  const bool user = StandardConditions->GetSwitchIndex() == 2;
  // The state, the humidity, the normal conditions and the normal density
  // are the medium's, which says whether they are used: the conversions
  // only add their word where they need them. The temperature and the
  // real-gas factors are passed on for the modules that follow (zn cancels
  // between the gas constant and the normal density); the module says
  // nothing about them.
  if (user && moist) MakeUtilized({TN0, PN0});
  if (moist) MakeUtilized({p1, PhiRel, pvw1, StandardConditions});
  if (gas || moist) MakeUtilized({RhoN});
  (moist ? MakeUtilized({QmOrQvMoist}) : MakeNotUtilized({QmOrQvMoist}));
  (moist ? MakeNotUtilized({QmOrQv}) : MakeUtilized({QmOrQv}));
  std::vector<TCalcItem*> needed;
  if (moist) {
    // Every moist conversion needs both densities; the humidity and the
    // pressure give the dry share.
    needed = {Rho, RhoN, p1, PhiRel, pvw1};
  } else if (gas) {
    needed = {RhoN};
  } else {
    needed = {Rho};
  }
  Convert(needed);
}

TCCMAllFlow::TCCMAllFlow(TCalcComponent* owner, std::string name) : TCompoundCalcModule(owner, std::move(name)) {
  FModule = CreateChild<TCMAllFlow>("CMAllFlow");
  FSource = CreateChild<TCalcSource>("CalcSource");
  FSource->SetCalcModule(FModule);
}

}  // namespace torvacalc
