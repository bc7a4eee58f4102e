#include "plant/cm_resistor.h"
#include "framework/module_items.h"

#include <algorithm>
#include <cmath>

#include "plant/orifice_plate.h"
#include "valves/valve_styles.h"
#include "valves/valve_lists.h"

namespace torvacalc {

namespace {

// Messages of the resistor modules.
constexpr int kMsgSizingFailed = 1611;   // no geometry passes the duty
constexpr int kMsgBoreTooLarge = 1612;   // bore beyond the pipe, bores beyond the plate
constexpr int kMsgNoStages = 1613;       // fewer than one stage
constexpr int kMsgChokedStages = 1614;   // %s of %s stages choke
constexpr int kMsgBoreRange = 1615;      // perforation bore outside 1..20 mm
constexpr int kMsgLastStageRaised = 1616;  // last stage ends at pv + 0.2 bar
constexpr int kMsgFixedOneStage = 1617;  // given geometry: one stage only
constexpr int kMsgPressureOrder = 1618;  // outlet not below inlet
constexpr int kMsgCavitation = 1619;     // a liquid stage cavitates
constexpr int kMsgOutletMach = 1620;     // outlet Mach number above the suggestion
constexpr int kMsgNoPressureX = 1622;    // the valve inlet cannot feed the resistor at X

// The Mach number the outlet of a gas resistor should stay below when the
// user gives none: above 0.3 the outlet pipe itself becomes a noise source
// and its pressure loss is no longer small.
constexpr Extended kMaDefault = 0.3L;

const std::vector<std::string> kPhases = {"Flüssigkeit", "Dampf", "Gas", "Gas (Betriebszustand)",
                                          "Mehrphasig (Dampf)", "Mehrphasig (Gas)", "unbestimmt"};
const std::vector<std::string> kFlowStates = {
    "unbestimmt", "normal", "beginnende Kavitation", "starke Kavitation", "maximale Kavitation",
    "Verdampfung", "kritische Strömung", "Kavitationsschäden",
    "beginnende Kavitation (Sigma mr)", "starke Kavitation (Sigma mr)"};

Extended V(const TCalcParameter* p) { return p->GetCalcValue(); }

void ReadOnly(std::initializer_list<TCalcItem*> items) {
  for (TCalcItem* s : items) {
    s->SetInputState(isCalculated);
    s->SetReadOnly(true);
  }
}

// A factor the user typed in overrules the computed one.
bool UserValue(const TCalcParameter* p) {
  return p->GetOverruled() || (p->GetInputState() == isUser && HasValue(V(p)));
}

teCalculatedPhase FoundPhase(TEPhase phase) {
  switch (phase) {
    case phLiquid: return cpLiquid;
    case phVapour: return cpVapour;
    case phGas:
    case phGasOp: return cpGas;
    default: return cpUndef;
  }
}

// An energetic sum of levels in dB.
Extended SumLevels(const std::vector<Extended>& levels) {
  Extended sum = 0;
  bool any = false;
  for (Extended L : levels)
    if (HasValue(L)) {
      sum += std::pow(10.0L, L / 10);
      any = true;
    }
  return any && sum > 0 ? 10 * std::log10(sum) : NoValue;
}

}  // namespace

// ---------------------------------------------------------------- TCMResistor

TCMResistor::TCMResistor(TCalcComponent* owner, std::string name)
    : TCalcModule(owner, std::move(name)) {
  auto& m = *this;
  qm = AddParameter<TInputParameter>(m, "qm", qMassFlowrate, "Massenstrom");
  p1 = AddParameter<TInputParameter>(m, "p1", qPressureBar, "Druck vor der Drosselstrecke");
  p2 = AddParameter<TInputParameter>(m, "p2", qPressureBar, "Druck hinter der Drosselstrecke");
  t1 = AddParameter<TInputParameter>(m, "t1", qTemperature, "Eintrittstemperatur");
  pv1 = AddParameter<TInputParameter>(m, "pv1", qPressureBar, "Dampfdruck");
  rho1 = AddParameter<TInputParameter>(m, "rho1", qDensity, "Dichte am Eintritt");
  rho2Res = AddParameter<TInputParameter>(m, "rho2Res", qDensity, "Dichte hinter der Drosselstrecke");
  kappa1 = AddParameter<TInputParameter>(m, "kappa1", qNoUnitPositive, "Isentropenexponent");
  eta1 = AddParameter<TInputParameter>(m, "eta1", qDynamicViscosity, "Dynamische Viskosität");
  pc = AddParameter<TInputParameter>(m, "pc", qPressureBar, "Kritischer Druck");
  DN2 = AddParameter<TInputParameter>(m, "DN2", qNominalDiameter, "Rohrinnendurchmesser Austritt");
  MaSug = AddParameter<TInputParameter>(m, "MaSug", qNoUnitPositive, "Mach-Zahl für die Nennweitenempfehlung");
  NRes = AddParameter<TInputParameter>(m, "NRes", qInteger, "Anzahl der Stufen");
  dRes = AddParameter<TInOutParameter>(m, "dRes", qNominalDiameter, "Bohrungsdurchmesser");
  ARes = AddParameter<TInOutParameter>(m, "ARes", qNominalDiameter, "Teilung der Bohrungen");
  NBores = AddParameter<TInOutParameter>(m, "NBores", qInteger, "Anzahl der Bohrungen");
  DNRes = AddParameter<TInOutParameter>(m, "DNRes", qNominalDiameter, "Nennweite der Drosselstrecke");
  fl2 = AddParameter<TOverruleParameter>(m, "fl2", qFixedPortion, "FL2 der Drosselstrecke");
  Xt = AddParameter<TOverruleParameter>(m, "Xt", qFixedPortion, "xT der Drosselstrecke");
  zy = AddParameter<TOverruleParameter>(m, "zy", qFixedPortion, "z der Drosselstrecke");
  kvRes = AddParameter<TOutputParameter>(m, "kvRes", qKvCv, "Kv der Stufe");
  qmRes = AddParameter<TOutputParameter>(m, "qmRes", qMassFlowrate, "Massenstrom der vorgegebenen Geometrie");
  xRes = AddParameter<TOutputParameter>(m, "xRes", qFixedPortion, "Druckverhältnis je Stufe");
  xTotal = AddParameter<TOutputParameter>(m, "xTotal", qFixedPortion, "Gesamtes Druckverhältnis");
  P2Last = AddParameter<TOutputParameter>(m, "P2Last", qPressureBar, "Austrittsdruck der letzten Stufe");
  LaRes = AddParameter<TOutputParameter>(m, "LaRes", qWeightSoundPress, "Schallpegel der Drosselstrecke");
  MaRes = AddParameter<TOutputParameter>(m, "MaRes", qNoUnitPositive, "Mach-Zahl am Austritt");
  DNResMa = AddParameter<TOutputParameter>(m, "DNResMa", qNominalDiameter, "Nennweite für die vorgegebene Mach-Zahl");
  DNSug10 = AddParameter<TOutputParameter>(m, "DNSug10", qNominalDiameter, "Nennweite für Mach 1,0");
  DNSug07 = AddParameter<TOutputParameter>(m, "DNSug07", qNominalDiameter, "Nennweite für Mach 0,7");
  DNSug03 = AddParameter<TOutputParameter>(m, "DNSug03", qNominalDiameter, "Nennweite für Mach 0,3");
  dResLast = AddParameter<TOutputParameter>(m, "dResLast", qNominalDiameter, "Bohrungsdurchmesser der letzten Stufe");
  NBoresLast = AddParameter<TOutputParameter>(m, "NBoresLast", qInteger, "Anzahl der Bohrungen der letzten Stufe");
  DNLast = AddParameter<TOutputParameter>(m, "DNLast", qNominalDiameter, "Nennweite der letzten Stufe");
  ChokedStages = AddParameter<TOutputParameter>(m, "ChokedStages", qInteger, "Stufen mit kritischer Strömung");
  for (int i = 1; i <= kShownStages; ++i) {
    const std::string n = std::to_string(i);
    TStageItems& st = StageItems[i - 1];
    st.P1Res = AddParameter<TOutputParameter>(m, "P1Res" + n, qPressureBar, "Druck vor Stufe " + n);
    st.P2Res = AddParameter<TOutputParameter>(m, "P2Res" + n, qPressureBar, "Druck hinter Stufe " + n);
    st.Rho1Res = AddParameter<TOutputParameter>(m, "Rho1Res" + n, qDensity, "Dichte vor Stufe " + n);
  }
  Phase = AddListSwitch(m, "Phase", "Phase", kPhases, phLiquid);
  ResistorType = AddListSwitch(m, "ResistorType", "Art der Drosselstrecke",
                            {"unbekannt", "Ventil", "Einlochblende", "Schalldämpfer direkt",
                             "Schalldämpfer indirekt", "Lochkegel", "Einspritzdüse"},
                            rtSingleHole);
  FlowStateRes = AddListSwitch(m, "FlowStateRes", "Strömungszustand der Drosselstrecke", kFlowStates, 0);
  FixedResistor = AddTwoState(m, "FixedResistor", "Geometrie vorgegeben");
  NKnown = AddTwoState(m, "NKnown", "Anzahl der Bohrungen vorgegeben");
  UseResistors = AddTwoState(m, "UseResistors", "Nachgeschaltete Drosselstrecke");
  UseResistors->SetChecked(true);
  ValveType = m.AddItem<TDNVDataListSwitch>("ValveType");
  ValveType->SetCaption("Bauart des Ventils als Drosselstrecke");
  OfferValveData(ValveType, TValveStyles::Default()->StyleSource(), true);
  InwardFlow = AddListSwitch(m, "InwardFlow", "Anströmung des Ventils als Drosselstrecke", InwardFlowValues(), ifAny);
  ReadOnly({FlowStateRes});
}

TCMResistor::~TCMResistor() {
  FStages.clear();
  DestroyItems();
}

TEPhase TCMResistor::DeclaredPhase() const {
  const int i = Phase->GetSwitchIndex();
  return i >= 0 && i <= phUndef ? static_cast<TEPhase>(i) : phUndef;
}

teResistorType TCMResistor::Type() const {
  const int i = ResistorType->GetSwitchIndex();
  return i >= 0 && i <= rtInjectionNozzle ? static_cast<teResistorType>(i) : rtUnknown;
}

void TCMResistor::SetupStage(tResistor& r, Extended P1, Extended P2, Extended rho1s,
                             Extended rho2s, bool first) {
  const TEPhase phase = DeclaredPhase();
  r.SetPhase(phase);
  r.SetCalculatedPhase(FoundPhase(phase));
  r.SetResistorTypeRes(Type());
  r.SetUseResistors(true);
  // A valve as the resistor keeps the damage limit and flow direction of
  // its style; the other kinds are the "other" style (10 bar).
  const int style = ValveType->GetSwitchIndex();
  const int inward = InwardFlow->GetSwitchIndex();
  r.SetValveType(Type() == rtValve && style >= 0 ? style : 4);
  r.SetInwardFlow(Type() == rtValve && inward >= 0 && inward <= ifAny ? static_cast<teCvInwardFlow>(inward) : ifAny);
  if (Type() == rtValve) {
    // The valve's factors as the user gives them (FL2, xT, z at its
    // opening); Kc follows from FL2 as for any valve without a value.
    r.SetFl2_75(UserValue(fl2) ? V(fl2) : NoValue);
    r.SetXt_75(UserValue(Xt) ? V(Xt) : NoValue);
    r.SetZy_75(UserValue(zy) ? V(zy) : NoValue);
  }
  r.SetQm(V(qm));
  r.SetP1(P1);
  r.SetP2(P2);
  r.SetRho1(rho1s);
  r.SetRho2(rho2s);
  r.SetPv1(V(pv1));
  r.SetPv2(V(pv1));
  r.SetPc(V(pc));
  r.SetKappa1(V(kappa1));
  r.SetEta1(V(eta1));
  r.SetT1(V(t1));
  r.SetMaSug(HasValue(V(MaSug)) ? V(MaSug) : kMaDefault);
  r.SetNRes(1);
  const bool fixed = FixedResistor->GetChecked() && first;
  r.SetFixed(fixed);
  // The user's geometry: a bore diameter always counts (it is the choice
  // of the perforation); the number of bores when it is declared known or
  // the geometry is fixed; pitch and nominal size as given.
  r.SetdRes(dRes->GetInputState() == isUser ? V(dRes) : NoValue);
  r.SetNBores((NKnown->GetChecked() || fixed) && NBores->GetInputState() == isUser
                  ? V(NBores) : NoValue);
  r.SetARes(ARes->GetInputState() == isUser ? V(ARes) : NoValue);
  const Extended D = DNRes->GetInputState() == isUser && HasValue(V(DNRes)) ? V(DNRes) : V(DN2);
  r.SetDNRes(D);
  r.SetFl2Res(UserValue(fl2) ? V(fl2) : NoValue);
  r.SetXtRes(UserValue(Xt) ? V(Xt) : NoValue);
  r.SetZyRes(UserValue(zy) ? V(zy) : NoValue);
}

void TCMResistor::DoCalculate() {
  const TEPhase phase = DeclaredPhase();
  const bool liquid = phase == phLiquid;
  const Extended P1 = V(p1), P2 = V(p2), Pv = V(pv1);
  std::vector<TCalcItem*> needed = {qm, p1, p2, rho1};
  if (NRes->HasText()) needed.push_back(NRes);
  if (liquid) needed.push_back(pv1); else needed.push_back(kappa1);
  CheckParameters(needed);
  if (liquid) {
    MakeUtilized({pv1, zy});
    MakeNotUtilized({kappa1, MaSug, MaRes, DNResMa, DNSug10, DNSug07, DNSug03, LaRes});
  } else {
    MakeUtilized({kappa1, MaSug, MaRes, DNResMa, DNSug10, DNSug07, DNSug03, LaRes});
    MakeNotUtilized({pv1, zy});
  }
  (Type() == rtValve ? MakeUtilized({ValveType, InwardFlow}) : MakeNotUtilized({ValveType, InwardFlow}));

  const auto put = [](TCalcParameter* p, Extended v) { p->AssignValue(0, v); };
  FStages.clear();
  tResistorStructure s;
  s.SetPhase(liquid ? phLiquid : phGas);
  // One stage unless the user asks for more.
  s.SetNRes(!NRes->HasText() ? Extended(1) : V(NRes));
  s.SetP1(P1);
  s.SetP2(P2);
  s.SetT1(V(t1));
  s.SetRho1(V(rho1));
  s.SetRho2(V(rho2Res));
  s.SetPv(Pv);
  s.SetKappa(V(kappa1));
  put(xRes, s.GetXRes());
  put(xTotal, s.GetxTotal());
  put(P2Last, s.GetP2Last());
  const int N = s.Stages();
  if (NRes->HasText() && N < 1) CreateMessage(kMsgNoStages, {NRes});
  if (Available(P1, P2) && P2 >= P1) CreateMessage(kMsgPressureOrder, {p2, p1});
  if (liquid && Available(P2, s.GetP2Last()) && s.GetP2Last() > P2)
    CreateMessage(kMsgLastStageRaised, {P2Last, p2, pv1}, {P2Last->ConvertToUnitString(s.GetP2Last())});
  if (FixedResistor->GetChecked() && N > 1) CreateMessage(kMsgFixedOneStage, {FixedResistor, NRes});

  // Size every stage at its own pressures; a fixed geometry is checked
  // for a single stage.
  const int count = FixedResistor->GetChecked() ? std::min(N, 1) : N;
  std::vector<Extended> levels;
  TECVFlowState worst = fsUndefined;
  bool failed = false, tooLarge = false;
  for (int i = 0; i < count && HasValue(s.GetXRes()); ++i) {
    s.SetNoRes(i);
    auto r = std::make_unique<tResistor>();
    SetupStage(*r, s.GetP1Res(), s.GetP2Res(), s.Getrho1Res(), s.Getrho2Res(), i == 0);
    failed = failed || r->GetSizingFailed();
    tooLarge = tooLarge || r->GetBoreTooLarge();
    levels.push_back(r->GetLARes());
    const TECVFlowState st = r->GetFlowState();
    if (st > worst) worst = st;
    s.SetXt(r->GetXtRes());
    s.SetFl2(r->GetFl2Res());
    FStages.push_back(std::move(r));
  }
  // The state at the stages (as many as are shown; the stage pressures
  // exist whether or not each stage could be sized).
  for (int i = 0; i < kShownStages; ++i) {
    const bool shown = i < count;
    s.SetNoRes(i);
    const TStageItems& st = StageItems[i];
    put(st.P1Res, shown ? s.GetP1Res() : NoValue);
    put(st.P2Res, shown ? s.GetP2Res() : NoValue);
    put(st.Rho1Res, shown ? s.Getrho1Res() : NoValue);
  }
  s.SetNoRes(0);
  const int choked = count > 0 ? (FixedResistor->GetChecked() ? (s.GetChoked() ? 1 : 0)
                                                               : s.GetChokedStages())
                               : 0;
  tResistor* first = FStages.empty() ? nullptr : FStages.front().get();
  tResistor* last = FStages.empty() ? nullptr : FStages.back().get();
  const auto result = [&](TInOutParameter* p, Extended v) {
    // A value the user gave stays; a computed one is shown.
    if (p->GetInputState() != isUser || IsNoValue(V(p))) put(p, v);
  };
  // The bore of a single-hole orifice is the unknown of its sizing.
  if (Type() == rtSingleHole && !FixedResistor->GetChecked())
    put(dRes, first ? first->GetdRes() : NoValue);
  else
    result(dRes, first ? first->GetdRes() : NoValue);
  result(NBores, first ? first->GetNBores() : NoValue);
  result(ARes, first ? first->GetARes() : NoValue);
  result(DNRes, first ? first->GetDNRes() : NoValue);
  const auto factor = [&](TOverruleParameter* p, Extended v) {
    if (!UserValue(p)) put(p, v);
  };
  factor(fl2, first ? first->GetFl2Res() : NoValue);
  factor(Xt, first ? first->GetXtRes() : NoValue);
  factor(zy, first ? first->GetZyRes() : NoValue);
  put(kvRes, first ? first->GetKvRes() : NoValue);
  put(qmRes, first && FixedResistor->GetChecked() ? first->GetQmRes() : NoValue);
  put(dResLast, last ? last->GetdRes() : NoValue);
  put(NBoresLast, last ? last->GetNBores() : NoValue);
  put(DNLast, last ? last->GetDNRes() : NoValue);
  put(LaRes, SumLevels(levels));
  put(MaRes, last ? last->GetMaRes() : NoValue);
  put(DNResMa, last ? last->GetDNSugX() : NoValue);
  put(DNSug10, last ? last->GetDNSug10() : NoValue);
  put(DNSug07, last ? last->GetDNSug07() : NoValue);
  put(DNSug03, last ? last->GetDNSug03() : NoValue);
  put(ChokedStages, count > 0 ? Extended(choked) : NoValue);
  FlowStateRes->SetSwitchStatus(worst);

  // Messages.
  const Extended d = first ? first->GetdRes() : V(dRes);
  if (tooLarge) {
    CreateMessage(kMsgBoreTooLarge, {dRes, DNRes, DN2, NBores});
  } else if (failed) {
    const bool perforated = tResistor::IsMultiHole(Type());
    if (perforated && HasValue(d) && (d < 1 || d > 20))
      CreateMessage(kMsgBoreRange, {dRes});
    else
      CreateMessage(kMsgSizingFailed, {dRes, qm, p1, p2});
  }
  if (choked > 0 && !liquid)
    CreateMessage(kMsgChokedStages, {ChokedStages, NRes, xRes},
                  {std::to_string(choked), std::to_string(count)});
  if (liquid && worst >= fsPartialCavitation && worst != fsUndefined)
    CreateMessage(kMsgCavitation, {FlowStateRes, p1, p2, pv1, NRes});
  const Extended Ma = V(MaRes), MaLimit = HasValue(V(MaSug)) ? V(MaSug) : kMaDefault;
  if (!liquid && Available(Ma) && Ma > MaLimit)
    CreateMessage(kMsgOutletMach, {MaRes, DNRes, DNResMa},
                  {MaRes->ConvertToUnitString(Ma), DNResMa->ConvertToUnitString(V(DNResMa))});
}

// -------------------------------------------------------------- TCMp2Resistor

TCMp2Resistor::TCMp2Resistor(TCalcComponent* owner, std::string name)
    : TCalcModule(owner, std::move(name)),
      FRef(std::make_unique<tControlValve>()),
      FX(std::make_unique<tControlValve>()) {
  auto& m = *this;
  qm = AddParameter<TInputParameter>(m, "qm", qMassFlowrate, "Massenstrom im Auslegungspunkt");
  P1 = AddParameter<TInputParameter>(m, "P1", qPressureBar, "Eintrittsdruck des Ventils im Auslegungspunkt");
  P2 = AddParameter<TInputParameter>(m, "P2", qPressureBar, "Druck vor der Drosselstrecke im Auslegungspunkt");
  P2Res = AddParameter<TInputParameter>(m, "P2Res", qPressureBar, "Druck hinter der Drosselstrecke im Auslegungspunkt");
  rho1 = AddParameter<TInputParameter>(m, "rho1", qDensity, "Dichte vor der Drosselstrecke im Auslegungspunkt");
  kappa1 = AddParameter<TInputParameter>(m, "kappa1", qNoUnitPositive, "Isentropenexponent");
  pv1 = AddParameter<TInputParameter>(m, "pv1", qPressureBar, "Dampfdruck");
  pc = AddParameter<TInputParameter>(m, "pc", qPressureBar, "Kritischer Druck");
  qmX = AddParameter<TInputParameter>(m, "qmX", qMassFlowrate, "Massenstrom im Betriebspunkt");
  P1X = AddParameter<TInputParameter>(m, "P1X", qPressureBar, "Eintrittsdruck des Ventils im Betriebspunkt");
  P2X = AddParameter<TInOutParameter>(m, "P2X", qPressureBar, "Druck vor der Drosselstrecke im Betriebspunkt");
  P2ResX = AddParameter<TInOutParameter>(m, "P2ResX", qPressureBar, "Druck hinter der Drosselstrecke im Betriebspunkt");
  fl2 = AddParameter<TOverruleParameter>(m, "fl2", qFixedPortion, "FL2 der Drosselstrecke");
  Xt = AddParameter<TOverruleParameter>(m, "Xt", qFixedPortion, "xT der Drosselstrecke");
  kvRes = AddParameter<TOutputParameter>(m, "kvRes", qKvCv, "Kv der Drosselstrecke");
  rho1X = AddParameter<TOutputParameter>(m, "rho1X", qDensity, "Dichte vor der Drosselstrecke im Betriebspunkt");
  Phase = AddListSwitch(m, "Phase", "Phase", kPhases, phLiquid);
  WhatToCalculate = AddListSwitch(m, "WhatToCalculate", "Gesucht",
                               {"Druck vor der Drosselstrecke", "Druck hinter der Drosselstrecke"}, 0);
  FlowStateRes = AddListSwitch(m, "FlowStateRes", "Strömungszustand der Drosselstrecke", kFlowStates, 0);
  ReadOnly({FlowStateRes});
}

TCMp2Resistor::~TCMp2Resistor() { DestroyItems(); }

// The factors of a plain orifice unless the user gives them: xT 0.72, FL2
// of a plate of beta 0.5 (ISO 5167-2 pressure loss ratio, 0.54).
void TCMp2Resistor::Setup(tControlValve& v, TEPhase phase) {
  v.SetPhase(phase);
  v.SetCalculatedPhase(FoundPhase(phase));
  v.SetLineSize(true);
  v.SetValveType(4);
  v.SetPv1(V(pv1));
  v.SetPv2(V(pv1));
  v.SetPc(V(pc));
  v.SetKappa1(V(kappa1));
  v.SetFl2(true, UserValue(fl2) ? V(fl2) : tOrificePlate::Fl2OfOrifice(0.5L));
  v.SetXT(true, UserValue(Xt) ? V(Xt) : Extended(0.72L));
  v.SetFd(true, 1);
}

void TCMp2Resistor::DoCalculate() {
  const int phaseIndex = Phase->GetSwitchIndex();
  const TEPhase phase = phaseIndex >= 0 && phaseIndex <= phUndef ? static_cast<TEPhase>(phaseIndex) : phUndef;
  const bool liquid = phase == phLiquid;
  const bool upstream = WhatToCalculate->GetSwitchIndex() != 1;  // P2X wanted
  TCalcParameter* target = upstream ? static_cast<TCalcParameter*>(P2X) : P2ResX;
  TCalcParameter* known = upstream ? static_cast<TCalcParameter*>(P2ResX) : P2X;
  std::vector<TCalcItem*> needed = {qm, P2, P2Res, rho1, qmX, known};
  if (!liquid) needed.push_back(kappa1);
  CheckParameters(needed);
  P2X->SetImportant(upstream);
  P2ResX->SetImportant(!upstream);

  // The resistor's Kv from the reference point.
  tControlValve& ref = *FRef;
  Setup(ref, phase);
  ref.SetCanCalc(ccKv);
  ref.SetQm(V(qm));
  ref.SetP1(V(P2));
  ref.SetP2(V(P2Res));
  ref.SetRho1(V(rho1));
  ref.SetRho2(liquid ? V(rho1) : NoValue);
  const Extended kv = ref.GetKv();
  ref.ResetCalcTarget();
  kvRes->AssignValue(0, kv);
  if (Available(V(P2), V(P2Res)) && V(P2Res) >= V(P2))
    CreateMessage(903, {P2Res, P2}, {ShownName(P2Res), ShownName(P2)});

  tControlValve& x = *FX;
  Setup(x, phase);
  x.SetCanCalc(upstream ? ccP1 : ccP2);
  x.SetKv(kv);
  x.SetQm(V(qmX));
  // Gas density in front of the resistor with the pressure there (same
  // temperature); the unknown inlet pressure is found by repeating.
  const Extended rhoRef = V(rho1), pRef = V(P2);
  const auto density = [&](Extended p) {
    if (liquid) return rhoRef;
    return Available(rhoRef, pRef, p) && pRef > 0 && p > 0 ? rhoRef * p / pRef : NoValue;
  };
  Extended result = NoValue, rhoX = NoValue;
  if (upstream) {
    x.SetP2(V(P2ResX));
    Extended p = HasValue(V(P2X)) ? V(P2X) : pRef;
    for (int i = 0; i < 60 && HasValue(p); ++i) {
      rhoX = density(p);
      x.SetRho1(rhoX);
      x.SetRho2(liquid ? rhoX : NoValue);
      x.ResetCalcTarget();
      const Extended next = x.GetP1();
      const bool done = IsNoValue(next) || std::fabs(next - p) <= 1e-12L * next;
      p = next;
      if (done) break;
    }
    result = p;
  } else {
    x.SetP1(V(P2X));
    rhoX = density(V(P2X));
    x.SetRho1(rhoX);
    x.SetRho2(liquid ? rhoX : NoValue);
    result = x.GetP2();
  }
  x.ResetCalcTarget();
  target->AssignValue(0, result);
  rho1X->AssignValue(0, rhoX);
  FlowStateRes->SetSwitchStatus(x.GetFlowState());
  if (upstream && Available(result, V(P1X)) && result >= V(P1X))
    CreateMessage(kMsgNoPressureX, {P2X, P1X, qmX});
  if (!upstream && IsNoValue(result) && Available(kv, V(P2X), V(qmX)))
    CreateMessage(kMsgNoPressureX, {P2ResX, P2X, qmX});
}

}  // namespace torvacalc
