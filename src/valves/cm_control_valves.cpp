#include "valves/cm_control_valves.h"
#include "framework/module_items.h"

#include <algorithm>
#include <cmath>

#include "valves/valve_lists.h"

namespace torvacalc {

namespace {

// Limits of the plausibility checks of the flow against the valve and pipe
// sizes (messages 908, 909), by the phase of what flows there.
// Liquids: the customary velocity limits of 10 m/s in the valve body and
// 5 m/s in the pipes, above which erosion, noise and pressure losses of the
// piping grow quickly. Gases and vapours: a Mach number of 0.3 at the valve
// outlet and in the pipes, above which the flow is no longer nearly
// incompressible there, the sizing equations (which take the pipe velocity
// head as negligible) lose their accuracy and the outlet jet makes noise of
// its own (IEC 60534-8-3); in the pipes besides the customary speeds of
// 40 m/s for gases and 60 m/s for vapours (steam, wet or superheated), above which
// pipe noise, vibration and the pressure loss of the line grow. A flashing
// liquid leaves the valve as a two-phase mixture: behind the valve it is
// judged as a gas, by the Mach number of the homogeneous mixture (its
// density and sound speed at the outlet), not by the liquid figures.
constexpr Extended kLiquidValveVelocity = 10;
constexpr Extended kLiquidPipeVelocity = 5;
constexpr Extended kGasMach = 0.3L;
constexpr Extended kGasPipeVelocity = 40;
constexpr Extended kVapourPipeVelocity = 60;

// Message 965: a vapour pressure given for a temperature more than this
// many kelvin away from the inlet temperature no longer describes the
// liquid at the inlet (the vapour pressure of water changes by a factor of
// about 1.5 over 10 K), so cavitation and flashing are judged on uncertain
// data.
constexpr Extended kVapourTemperatureMargin = 10;

// Message 975: a plant index sigma less than 10 % above the manufacturer's
// limit sigma_p leaves no margin for changes of the operating point.
constexpr Extended kSigmaMargin = 1.1L;

// The value a calculation uses; NoValue when unset, faulty or out of bounds.
[[gnu::always_inline]] inline Extended V(const TCalcParameter* p) { return p->GetCalcValue(); }

bool Checked(const TCalcSwitch* s) { return s->GetChecked(); }

template <class E>
E Choice(const TCustomCalcMultiSwitch* s, E fallback, int count) {
  const int i = s->GetSwitchStatus();
  return i >= 0 && i < count ? static_cast<E>(i) : fallback;
}

// Message: the valve database cannot be read, so the style lists and
// their typical factors are missing.
constexpr int msgNoValveDatabase = 983;
// A gas or vapour sized by the liquid equations with a pressure-drop ratio
// at which they err.
constexpr int msgIncompressibleGas = 985;

// The liquid equation takes the inlet density for the whole valve; a gas
// expands on its way through the vena contracta, which the expansion
// factor Y = 1 - x/(3 Fgamma xT) of IEC 60534-2-1 accounts for. The
// liquid equation's Kv is Y times the gas equation's, too small by
// x/(3 Fgamma xT): with a typical xT of 0.7 and Fgamma 1 that exceeds 1 %
// above x = 0.021 (where the isentropic density falls by 1.5 % already).
// Beyond that error the engineer is warned.
constexpr Extended kIncompressibleError = 0.01L;
// The xT of a globe valve, where the style gives none.
constexpr Extended kTypicalXt = 0.7L;

}  // namespace

TCMControlValves::TCMControlValves(TCalcComponent* owner, std::string name)
    : TCalcModule(owner, std::move(name)),
      FStyles(TValveStyles::Default()),
      FValve(std::make_unique<tControlValve>()) {
  auto& m = *this;
  kv = AddParameter<TInOutParameter>(m, "kv", qKvCv, "Durchflusskoeffizient Kv");
  qm = AddParameter<TInOutParameter>(m, "qm", qMassFlowrate, "Massenstrom");
  p1 = AddParameter<TInOutParameter>(m, "p1", qPressureBar, "Eintrittsdruck");
  p2 = AddParameter<TInOutParameter>(m, "p2", qPressureBar, "Austrittsdruck");
  dp = AddParameter<TOutputParameter>(m, "dp", qPressureDropBar, "Wirksamer Differenzdruck");
  dpc = AddParameter<TOutputParameter>(m, "dpc", qPressureDropBar, "Kritischer Differenzdruck");
  dpXc = AddParameter<TOutputParameter>(m, "dpXc", qPressureDropBar, "Kritischer Differenzdruck (Realgas)");
  dpLimit = AddParameter<TOutputParameter>(m, "dpLimit", qPressureDropBar, "Grenze des Strömungszustands");
  x = AddParameter<TOutputParameter>(m, "x", qFixedPortion, "Differenzdruckverhältnis");
  xc = AddParameter<TOutputParameter>(m, "xc", qFixedPortion, "Kritisches Differenzdruckverhältnis (Realgas)");
  fl2_75 = AddParameter<TModifyParameter>(m, "fl2_75", qFixedPortion, "FL2 bei 75 % Öffnung");
  Kc_75 = AddParameter<TModifyParameter>(m, "Kc_75", qFixedPortion, "Kc bei 75 % Öffnung");
  zy_75 = AddParameter<TModifyParameter>(m, "zy_75", qFixedPortion, "z bei 75 % Öffnung");
  xt_75 = AddParameter<TModifyParameter>(m, "xt_75", qFixedPortion, "xT bei 75 % Öffnung");
  fd_75 = AddParameter<TModifyParameter>(m, "fd_75", qFixedPortion, "Fd bei 75 % Öffnung");
  fd_75c = AddParameter<TModifyParameter>(m, "fd_75c", qFixedPortion, "Fd bei 75 % Öffnung, schließend");
  dH = AddParameter<TModifyParameter>(m, "dH", qNominalDiameter, "Hubdifferenz");
  f1 = AddParameter<TModifyParameter>(m, "f1", qNoUnit, "Kennlinienkoeffizient f1");
  f2 = AddParameter<TModifyParameter>(m, "f2", qNoUnit, "Kennlinienkoeffizient f2");
  g1 = AddParameter<TModifyParameter>(m, "g1", qNoUnit, "Kennlinienkoeffizient g1");
  g2 = AddParameter<TModifyParameter>(m, "g2", qNoUnit, "Kennlinienkoeffizient g2");
  fl2 = AddParameter<TOverruleParameter>(m, "fl2", qFixedPortion, "FL2 im Betriebspunkt");
  Kc = AddParameter<TOverruleParameter>(m, "Kc", qFixedPortion, "Kc im Betriebspunkt");
  zy = AddParameter<TOverruleParameter>(m, "zy", qFixedPortion, "z im Betriebspunkt");
  xt = AddParameter<TOverruleParameter>(m, "xt", qFixedPortion, "xT im Betriebspunkt");
  fd = AddParameter<TOverruleParameter>(m, "fd", qFixedPortion, "Fd im Betriebspunkt");
  fk = AddParameter<TOutputParameter>(m, "fk", qFixedPortion, "Verhältnisfaktor der Isentropenexponenten");
  KcStar = AddParameter<TOutputParameter>(m, "KcStar", qFixedPortion, "Kc korrigiert");
  FlStar = AddParameter<TOutputParameter>(m, "FlStar", qFixedPortion, "FL korrigiert");
  h = AddParameter<TOutputParameter>(m, "h", qPortion, "Hub");
  fp = AddParameter<TOutputParameter>(m, "fp", qFixedPortion, "Rohrleitungsgeometriefaktor FP");
  fr = AddParameter<TOutputParameter>(m, "fr", qFixedPortion, "Reynoldszahlfaktor FR");
  flp2 = AddParameter<TOutputParameter>(m, "flp2", qFixedPortion, "(FLP/FP)2");
  xtp = AddParameter<TOutputParameter>(m, "xtp", qFixedPortion, "xT mit Fittings (xTP)");
  RE = AddParameter<TOutputParameter>(m, "RE", qNoUnitPositive, "Ventil-Reynoldszahl");
  KvRed = AddParameter<TOutputParameter>(m, "KvRed", qKvCv, "Kv der Reduzierstücke");
  KvNC = AddParameter<TOutputParameter>(m, "KvNC", qKvCv, "Kv ohne Drosselung");
  QmNC = AddParameter<TOutputParameter>(m, "QmNC", qMassFlowrate, "Massenstrom ohne Drosselung");
  P1NC = AddParameter<TOutputParameter>(m, "P1NC", qPressureBar, "Eintrittsdruck ohne Drosselung");
  P2NC = AddParameter<TOutputParameter>(m, "P2NC", qPressureBar, "Austrittsdruck ohne Drosselung");
  phi0 = AddParameter<TInputParameter>(m, "phi0", qPortion, "Kennlinienparameter phi0");
  KvCurve = m.AddItem<TCalcRelevantString>("KvCurve");
  KvCurve->SetCaption("Gemessene Kennlinie (Hub % : Kv/Kvs %)");
  t1 = AddParameter<TInputParameter>(m, "t1", qTemperature, "Eintrittstemperatur");
  tv1 = AddParameter<TInputParameter>(m, "tv1", qTemperature, "Temperatur zum Dampfdruck");
  tc = AddParameter<TInputParameter>(m, "tc", qTemperature, "Kritische Temperatur");
  pv1 = AddParameter<TInputParameter>(m, "pv1", qPressureBar, "Dampfdruck am Eintritt");
  pv2 = AddParameter<TInputParameter>(m, "pv2", qPressureBar, "Dampfdruck am Austritt");
  pl1 = AddParameter<TInputParameter>(m, "pl1", qPressureBar, "Dampfdruck der Flüssigphase");
  pc = AddParameter<TInputParameter>(m, "pc", qPressureBar, "Kritischer Druck");
  rho1 = AddParameter<TInputParameter>(m, "rho1", qDensity, "Dichte am Eintritt");
  rho2 = AddParameter<TInputParameter>(m, "rho2", qDensity, "Dichte am Austritt");
  cf2 = AddParameter<TInputParameter>(m, "cf2", qVelocity, "Schallgeschwindigkeit am Austritt");
  eta1 = AddParameter<TInputParameter>(m, "eta1", qDynamicViscosity, "Dynamische Viskosität");
  kappa1 = AddParameter<TInputParameter>(m, "kappa1", qNoUnitPositive, "Isentropenexponent");
  z1 = AddParameter<TInputParameter>(m, "z1", qNoUnitPositive, "Realgasfaktor");
  DN1 = AddParameter<TInputParameter>(m, "DN1", qNominalDiameter, "Rohrinnendurchmesser Eintritt");
  DN2 = AddParameter<TInputParameter>(m, "DN2", qNominalDiameter, "Rohrinnendurchmesser Austritt");
  cvr = AddParameter<TInputParameter>(m, "cvr", qKvCv, "Referenz-Kv der Kavitationsdaten");
  pr = AddParameter<TInputParameter>(m, "pr", qPressureBar, "Referenzdruck der Kavitationsdaten");
  dr = AddParameter<TInputParameter>(m, "dr", qNominalDiameter, "Referenzgröße der Kavitationsdaten");
  aPSE = AddParameter<TInputParameter>(m, "aPSE", qNoUnitPositive, "Exponent des Druckskaleneffekts");
  bSSE = AddParameter<TInputParameter>(m, "bSSE", qNoUnitPositive, "Exponent des Größenskaleneffekts");
  Seat = AddParameter<TModifyParameter>(m, "Seat", qNominalDiameter, "Sitzdurchmesser");
  DNV = AddParameter<TModifyParameter>(m, "DNV", qNominalDiameter, "Nennweite des Ventils");
  DNV1 = AddParameter<TModifyParameter>(m, "DNV1", qNominalDiameter, "Innendurchmesser des Ventils");
  kvs = AddParameter<TModifyParameter>(m, "kvs", qKvCv, "Kvs-Wert");
  kvsSuggMin = AddParameter<TOutputParameter>(m, "kvsSuggMin", qKvCv, "Empfohlener Kvs, untere Grenze");
  kvsSuggMax = AddParameter<TOutputParameter>(m, "kvsSuggMax", qKvCv, "Empfohlener Kvs, obere Grenze");
  KvKvs = AddParameter<TOutputParameter>(m, "KvKvs", qPortion, "Öffnung Kv/Kvs");
  xPulp = m.AddItem<TInputParameter>("xPulp", Extended(0), Extended(16), qPortion);
  xPulp->SetCaption("Stoffdichte");
  xFG1 = AddParameter<TInputParameter>(m, "xFG1", qPortion, "Dampfanteil am Eintritt");
  fPulp = AddParameter<TOutputParameter>(m, "fPulp", qFixedPortion, "Faserstofffaktor");
  const Extended sigmaTop = TQuantityArray::GetUpperBound(qNoUnitPositive);
  auto sigma = [&](const char* name, const char* caption) {
    auto* p = m.AddItem<TOutputParameter>(name, Extended(1), sigmaTop, qNoUnitPositive);
    p->SetCaption(caption);
    return p;
  };
  SigmaP = sigma("SigmaP", "Sigma p (Grenze der Anlage)");
  SigmaV = sigma("SigmaV", "Sigma v (skaliert)");
  SigmaMr = sigma("SigmaMr", "Sigma mr (Herstellerempfehlung)");
  SigmaCh = sigma("SigmaCh", "Sigma ch (Drosselung)");
  SigmaI = sigma("SigmaI", "Sigma i (beginnende Kavitation)");
  SigmaId = sigma("SigmaId", "Sigma id (beginnende Schäden)");
  Sigma = sigma("Sigma", "Sigma des Betriebspunkts");

  ValveType = m.AddItem<TDNVDataListSwitch>("ValveType");
  ValveType->SetCaption("Ventilbauart");
  GlobeType = AddValveDataSwitch(m, "GlobeType", "Durchgangsventil, Ausführung");
  RotaryType = AddValveDataSwitch(m, "RotaryType", "Drehkegelventil, Ausführung");
  ButterflyType = AddValveDataSwitch(m, "ButterflyType", "Klappe, Ausführung");
  BallValveType = AddValveDataSwitch(m, "BallValveType", "Kugelhahn, Ausführung");
  OfferValveStyles(*FStyles, ValveType, {GlobeType, RotaryType, ButterflyType, BallValveType}, true);
  CharacteristicType = AddListSwitch(
      m, "CharacteristicType", "Kennlinie",
      CharacteristicTypeValues());
  Phase = AddListSwitch(m, "Phase", "Phase",
                     PhaseValues());
  CalculatedPhase = AddListSwitch(m, "CalculatedPhase", "Berechnete Phase",
                               CalculatedPhaseValues());
  PulpeType = AddListSwitch(m, "PulpeType", "Faserstoffart",
                         {"Sulfatzellstoff", "Holzschliff", "Altpapierstoff"});
  SubstanceType = AddListSwitch(m, "SubstanceType", "Stoffart",
                             {"Wasser", "Faserstoffsuspension", "Sonstige", "RU Bochum", "AGA",
                              "GERG"},
                             stOthers);
  FlowState = AddListSwitch(m, "FlowState", "Strömungszustand",
                         FlowStateValues());
  FlowType = AddListSwitch(m, "FlowType", "Strömungsform",
                        {"unbestimmt", "turbulent", "Übergangsbereich", "laminar",
                         "Pfropfenströmung", "mechanische Schäden"});
  InwardFlow = AddListSwitch(m, "InwardFlow", "Anströmung",
                          InwardFlowValues());
  ViscosityNorm = AddListSwitch(m, "ViscosityNorm", "Viskositätskorrektur",
                             {"IEC 534-2 (1980)", "IEC 534-2 (1994)", "EN 60534-2-1 (2000)"},
                             vnEN60534_2000);
  WhatToCalculate = AddListSwitch(m, "WhatToCalculate", "Gesucht",
                               {"Kv", "Massenstrom", "Eintrittsdruck", "Austrittsdruck"});
  LowNoiseDesign = AddListSwitch(m, "LowNoiseDesign", "Geräuscharme Ausführung",
                              LowNoiseDesignValues());
  LineSize = AddTwoState(m, "LineSize", "Nennweite gleich Rohrnennweite", false);
  UseResistors = AddTwoState(m, "UseResistors", "Nachgeschaltete Drosselstrecke", false);
  HasSigmaData = AddTwoState(m, "HasSigmaData", "Kavitationsdaten vorhanden", false);
  UsekvLimit = AddTwoState(m, "UsekvLimit", "Kv auf Kvs begrenzen", false);
  Compressible = AddListSwitch(m, "Compressible", "Gleichungen des Mediums",
                               {"nach Phase", "kompressibel", "inkompressibel"}, cmByPhase);
  ResistorType = AddListSwitch(m, "ResistorType", "Art der Drosselstrecke",
                            {"unbekannt", "Ventil", "Einlochblende", "Schalldämpfer direkt",
                             "Schalldämpfer indirekt", "Lochkegel", "Einspritzdüse"});
  fl2func = AddTwoState(m, "fl2func", "FL2 abhängig von der Öffnung", false);
  Kcfunc = AddTwoState(m, "Kcfunc", "Kc abhängig von der Öffnung", false);
  zyfunc = AddTwoState(m, "zyfunc", "z abhängig von der Öffnung", false);
  xtfunc = AddTwoState(m, "xtfunc", "xT abhängig von der Öffnung", false);
  fdfunc = AddTwoState(m, "fdfunc", "Fd abhängig von der Öffnung", false);
  PipeClass = m.AddItem<TPipeClassSwitch>("PipeClass");
  PipeClass->SetCaption("Rohrklasse");
  PipeClass->SetValueList(PipeClassValues());
  ListDN = m.AddItem<TDataMultiSwitch>("ListDN");
  ListDN->SetCaption("Nennweite des Ventils (Liste)");
  ListDN1 = m.AddItem<TDataMultiSwitch>("ListDN1");
  ListDN1->SetCaption("Nennweite der Rohrleitung (Liste)");
  for (TCalcItem* s : {static_cast<TCalcItem*>(FlowState), static_cast<TCalcItem*>(FlowType)}) {
    // Results of the module: written by it, never typed in.
    s->SetInputState(isCalculated);
    s->SetReadOnly(true);
  }
}

TCMControlValves::~TCMControlValves() { DestroyItems(); }

void TCMControlValves::SetValveStyles(std::shared_ptr<const TValveStyles> styles) {
  if (!styles || styles == FStyles) return;
  FStyles = std::move(styles);
  OfferValveStyles(*FStyles, ValveType, {GlobeType, RotaryType, ButterflyType, BallValveType}, false);
}

teCVCanCalcRest TCMControlValves::Unknown() const { return Choice(WhatToCalculate, ccKv, 4); }

TEPhase TCMControlValves::DeclaredPhase() const {
  const TEPhase declared = Choice(Phase, phUndef, 7);
  switch (Choice(Compressible, cmByPhase, 3)) {
    case cmCompressible:
      // A dense fluid (a supercritical gas the phase logic calls liquid)
      // is sized as a gas; a declared vapour or two-phase vapour stays
      // what it is.
      return declared == phVapour || declared == phGasOp || declared == phMixPhaseV ? declared : phGas;
    case cmIncompressible: return phLiquid;
    default: return declared;
  }
}

bool TCMControlValves::GasSizedAsLiquid() const {
  if (Choice(Compressible, cmByPhase, 3) != cmIncompressible) return false;
  const TEPhase declared = Choice(Phase, phUndef, 7);
  const teCalculatedPhase found = Choice(CalculatedPhase, cpUndef, 8);
  return found != cpUndef ? found != cpLiquid : declared != phLiquid && declared != phMixPhaseG;
}

TCalcParameter* TCMControlValves::TargetParameter() const {
  switch (Unknown()) {
    case ccQm: return qm;
    case ccP1: return p1;
    case ccP2: return p2;
    default: return kv;
  }
}

// The sub-style of the chosen valve style: globe, rotary plug, butterfly
// and ball valves have their own list; the other styles have one trim.
int TCMControlValves::TrimType() const {
  return ChosenTrim(ValveType->GetSwitchIndex(), {GlobeType, RotaryType, ButterflyType, BallValveType});
}

// The 75 % factors the user left open are the typical values of the chosen
// style and trim (valve database, from the published tables of typical
// factors). They are database values: a change of style or trim replaces
// them, a value the user typed stays, and a trim without published values
// leaves them empty. Kc has no published typical values; the sizing core
// then estimates it from FL.
void TCMControlValves::ApplyTypicalFactors() {
  const auto given = [](const TModifyParameter* p) {
    return p->GetModified() || (p->GetInputState() == isUser && p->HasText());
  };
  // Factors the user gives all four: nothing to look up.
  if (given(fl2_75) && given(xt_75) && given(fd_75) && given(Kc_75)) return;
  const TTrimStyle* trim = FStyles->Trim(std::max(0, ValveType->GetSwitchIndex()), TrimType());
  const auto fill = [&](TModifyParameter* p, Extended value) {
    if (given(p)) return;
    // Digits: an unchanged value is not written again, so that a settled
    // module does not report a change of its inputs.
    p->AssignValue(15, value);
  };
  const Extended FL = trim ? trim->FL : NoValue;
  fill(fl2_75, HasValue(FL) ? FL * FL : NoValue);
  fill(xt_75, trim ? trim->xT : NoValue);
  fill(fd_75, trim ? trim->Fd : NoValue);
  fill(Kc_75, trim ? trim->Kc : NoValue);
}

void TCMControlValves::CopyInputs() {
  tControlValve& v = *FValve;
  v.SetSignificantDigits(NumericOptions().SignificantDigits);
  v.SetIsPhaseCM(FIsPhaseCM);
  v.SetIsMinorPhase(FIsMinorPhase);
  v.SetUseResistors(Checked(UseResistors));
  v.SetResistorType(Choice(ResistorType, rtUnknown, 7));
  v.SetLineSize(Checked(LineSize));
  v.SetKvs(V(kvs));
  v.SetFl2func(Checked(fl2func));
  v.SetKcfunc(Checked(Kcfunc));
  v.SetZyfunc(Checked(zyfunc));
  v.SetXtfunc(Checked(xtfunc));
  v.SetFdfunc(Checked(fdfunc));
  v.SetFl2_75(V(fl2_75));
  v.SetKc_75(V(Kc_75));
  v.SetZy_75(V(zy_75));
  v.SetXt_75(V(xt_75));
  v.SetFd_75(V(fd_75));
  v.SetFd_75c(V(fd_75c));
  v.SetDH(V(dH));
  v.SetPhi0(V(phi0));
  v.SetTravelCurve(TTravelCurve::FromText(KvCurve->GetText()));
  // Without a separate value at the outlet temperature the vapour pressure
  // at the inlet stands for both. A gas sized as a liquid does not
  // cavitate: no vapour pressure.
  const bool gasAsLiquid = GasSizedAsLiquid();
  v.SetPv1(gasAsLiquid ? 0 : V(pv1));
  v.SetPv2(gasAsLiquid ? 0 : HasValue(V(pv2)) ? V(pv2) : V(pv1));
  v.SetPvl1(V(pl1));
  v.SetRho1(V(rho1));
  v.SetRho2(V(rho2));
  v.SetEta1(V(eta1));
  v.SetKappa1(V(kappa1));
  v.SetZ1(V(z1));
  v.SetPc(V(pc));
  v.SetDNV(V(DNV));
  v.SetSeat(V(Seat));
  v.SetDNV1(V(DNV1));
  v.SetDN1(V(DN1));
  v.SetDN2(V(DN2));
  v.SetXPulp(V(xPulp));
  v.SetXFG1(V(xFG1));
  v.SetViscosityNorm(Choice(ViscosityNorm, vnEN60534_2000, 3));
  const TEPhase phase = DeclaredPhase();
  v.SetPhase(phase);
  // The phase found from the state comes from the medium module. Where
  // there is none (the module used alone), the declared phase stands for
  // it, so that the flow state is judged rather than left undefined.
  teCalculatedPhase found = Choice(CalculatedPhase, cpUndef, 8);
  // The equations chosen against the phase: the state is judged as the
  // phase they belong to.
  if (phase == phLiquid && gasAsLiquid) found = cpLiquid;
  else if (phase == phGas && (found == cpLiquid || found == cpSaturated || found == cpSuperCritical)) found = cpGas;
  if (found == cpUndef) {
    switch (phase) {
      case phLiquid: found = cpLiquid; break;
      case phVapour: found = cpVapour; break;
      case phGas:
      case phGasOp: found = cpGas; break;
      default: break;
    }
  }
  FFoundPhase = found;
  v.SetCalculatedPhase(found);
  v.SetPulpeType(Choice(PulpeType, ptKraft, 3));
  v.SetSubstanceType(Choice(SubstanceType, stOthers, 6));
  v.SetCharacteristicType(Choice(CharacteristicType, ctEqualPercentage, 9));
  v.SetCanCalc(Unknown());
  v.SetLowNoiseDesign(Choice(LowNoiseDesign, lnNone, 4));
  v.SetValveType(std::max(0, ValveType->GetSwitchIndex()));
  v.SetTrimType(TrimType());
  v.SetInwardFlow(Choice(InwardFlow, ifOpening, 3));
  // A factor typed in by the user overrules the computed one.
  auto user = [](const TCalcParameter* p) {
    return p->GetOverruled() || (p->GetInputState() == isUser && HasValue(V(p)));
  };
  v.SetFl2(user(fl2), V(fl2));
  v.SetKc(user(Kc), V(Kc));
  v.SetXT(user(xt), V(xt));
  v.SetZy(user(zy), V(zy));
  v.SetFd(user(fd), V(fd));
  v.SetCvr(V(cvr));
  v.SetPr(V(pr));
  v.SetDr(V(dr));
  v.SetAPSE(V(aPSE));
  v.SetBSSE(V(bSSE));
  // The three known quantities of the sizing relation. The unknown starts
  // empty: its iteration then begins where a fresh calculation begins, not
  // at the last pass's result, so the same inputs give the same numbers
  // to the last bit whatever was calculated before.
  const teCVCanCalcRest unknown = Unknown();
  // A valve passes no more than fully open: with the limit on, a given Kv
  // above the Kvs counts as the Kvs.
  Extended given = V(kv);
  if (unknown != ccKv && Checked(UsekvLimit) && Available(given, V(kvs)) && given > V(kvs)) given = V(kvs);
  v.SetKv(unknown != ccKv ? given : NoValue);
  v.SetQm(unknown != ccQm ? V(qm) : NoValue);
  v.SetP1(unknown != ccP1 ? V(p1) : NoValue);
  v.SetP2(unknown != ccP2 ? V(p2) : NoValue);
}

void TCMControlValves::SetRelevance(bool liquid, TECVFlowState state) {
  // Each item is set once to what it ends up as: an item switched on and
  // off again within one calculation would report two changes of state.
  TCalcItem* const liquidSet[] = {zy, Kc, KcStar, SigmaI, SigmaId, SigmaCh, Sigma, zy_75, Kc_75, FlStar};
  TCalcItem* const gasSet[] = {xt, xtp, dpXc, xc, xt_75};
  MakeUtilized({dp, dpc});
  if (liquid) {
    MakeUtilized(liquidSet);
    MakeNotUtilized(gasSet);
  } else {
    MakeNotUtilized(liquidSet);
    MakeUtilized(gasSet);
  }
  // A liquid that flashes into two phases expands like a gas downstream.
  const bool expands = !liquid || (FFoundPhase == cpZweiPhasig && state == fsFlashing);
  (expands ? MakeUtilized({fk, kappa1}) : MakeNotUtilized({fk, kappa1}));
  // The outlet's sound speed judges the outlet of a gas or of a flashing
  // liquid (the velocity checks), not that of a liquid.
  (!liquid || state == fsFlashing ? MakeUtilized({cf2}) : MakeNotUtilized({cf2}));
  const bool pulp = Choice(SubstanceType, stOthers, 6) == stPulpe;
  (pulp ? MakeUtilized({fPulp, xPulp, PulpeType}) : MakeNotUtilized({fPulp, xPulp, PulpeType}));
  // The plant and manufacturer's sigmas need cavitation data of the valve.
  const bool sigmaData =
      liquid && (Checked(HasSigmaData) || (HasValue(V(cvr)) && HasValue(V(pr)) && HasValue(V(dr))));
  (sigmaData ? MakeUtilized({SigmaP, SigmaV, SigmaMr}) : MakeNotUtilized({SigmaP, SigmaV, SigmaMr}));
  // The limit acts on a given Kv only.
  (Unknown() != ccKv ? MakeUtilized({UsekvLimit}) : MakeNotUtilized({UsekvLimit}));
  // Only the measured-values characteristics read the measured table.
  (CharacteristicType->GetSwitchIndex() >= ctMeasuredValues ? MakeUtilized({KvCurve}) : MakeNotUtilized({KvCurve}));
  TCalcParameter* const target = TargetParameter();
  for (TCalcParameter* p : {kv, qm, p1, p2}) p->SetImportant(p == target);
}

void TCMControlValves::ReadBack() {
  tControlValve& v = *FValve;
  auto put = [](TCalcParameter* p, Extended value) {
    if (!p->HoldsResult(value)) p->AssignValue(0, value);
  };
  switch (Unknown()) {
    case ccKv: put(kv, v.GetKv()); break;
    case ccQm: put(qm, v.GetQm()); break;
    case ccP1: put(p1, v.GetP1()); break;
    case ccP2: put(p2, v.GetP2()); break;
  }
  put(P2NC, v.GetP2NC());
  put(KvNC, v.GetKvNC());
  put(QmNC, v.GetQmNC());
  put(P1NC, v.GetP1NC());
  put(kvsSuggMin, v.GetKvsSuggMin());
  put(kvsSuggMax, v.GetKvsSuggMax());
  put(KvKvs, v.GetKvKvs());
  put(fp, v.GetFpQm());
  put(fr, v.GetFrQm());
  put(fPulp, v.GetFPulpQm());
  put(RE, v.GetRe());
  put(KvRed, v.GetEKvRed());
  const auto factor = [&](TOverruleParameter* p, Extended value) {
    if (!(p->GetOverruled() || (p->GetInputState() == isUser && HasValue(V(p))))) put(p, value);
  };
  factor(fl2, v.GetFl2Valve());
  factor(Kc, v.GetKc());
  factor(zy, v.GetZy());
  factor(xt, v.GetXtValve());
  factor(fd, v.GetFd());
  put(flp2, v.GetFlp2());
  put(xtp, v.GetXtp());
  put(fk, v.GetFk());
  put(KcStar, v.GetKcStar());
  put(FlStar, v.GetFlStar());
  put(h, v.GetH());
  put(dp, v.GetDp());
  put(dpc, v.GetDpc());
  put(dpXc, v.GetDpXc());
  put(dpLimit, v.GetDpLimit());
  put(x, v.GetX());
  put(xc, v.GetXc());
  put(SigmaP, v.GetSigmaP());
  put(SigmaV, v.GetSigmaV());
  put(SigmaMr, v.GetSigmaMr());
  // The cavitation indices on the scale the flow state is judged on: the
  // pressure head p1 - pv2 against the pressure drop, so that the state
  // shown is read off the indices shown (incipient cavitation where sigma
  // falls to sigma i = 1/z, z limited by Kc and FL2 as in the judgement;
  // strong cavitation at sigma id, where the drop reaches the critical
  // drop of Kc; choking at sigma ch, that of FL2).
  Extended sigma = v.GetSigma(), sigmaI = v.GetSigmaI(), sigmaId = v.GetSigmaId(), sigmaCh = v.GetSigmaCh();
  if (DeclaredPhase() == phLiquid) {
    const Extended P1 = Unknown() == ccP1 ? v.GetP1() : V(p1), P2 = Unknown() == ccP2 ? v.GetP2() : V(p2);
    const Extended pv = V(pv2), zy = v.GetZy(), kc = v.GetKc(), fl2 = v.GetFl2();
    const Extended dpcKc = v.GetDpcKc(), dpcFL = v.GetDpc();
    if (Available(P1, P2, pv) && P1 > P2 && P1 > pv) {
      const Extended head = P1 - pv;
      sigma = head / (P1 - P2);
      if (Available(zy, kc, fl2) && std::min({zy, kc, fl2}) > 0) sigmaI = 1 / std::min({zy, kc, fl2});
      if (HasValue(dpcKc) && dpcKc > 0) sigmaId = head / dpcKc;
      if (HasValue(dpcFL) && dpcFL > 0) sigmaCh = head / dpcFL;
    }
  }
  put(SigmaCh, sigmaCh);
  put(SigmaI, sigmaI);
  put(SigmaId, sigmaId);
  put(Sigma, sigma);
  FlowState->SetSwitchStatus(v.GetFlowState());
  FlowType->SetSwitchStatus(v.GetFlowType());
}

void TCMControlValves::CheckInputs(bool liquid) {
  TCalcParameter* const target = TargetParameter();
  std::vector<TCalcItem*>& inputs = FCheckedInputs;  // kept: no allocation in a steady recalculation
  inputs.clear();
  for (TCalcParameter* p : {kv, qm, p1, p2})
    if (p != target) inputs.push_back(p);
  inputs.push_back(rho1);
  if (liquid) {
    if (!GasSizedAsLiquid()) inputs.push_back(pv1);
    inputs.push_back(fl2_75);
  } else {
    inputs.insert(inputs.end(), {kappa1, xt_75});
  }
  // Values out of bounds anywhere among the inputs are reported too.
  FUnusableInputs.clear();
  for (TCalcParameter* p : GetInputParameters())
    if (p != target && p->HasText() && IsNoValue(p->GetCalcValue())) FUnusableInputs.push_back(p);
  for (TCalcParameter* p : FUnusableInputs)
    if (std::find(inputs.begin(), inputs.end(), p) == inputs.end()) inputs.push_back(p);
  CheckParameters(inputs);
}

bool TCMControlValves::CheckMeaningfulInputs(bool liquid) {
  bool meaningful = true;
  // A valve factor of zero: FL2 = 0 makes the critical pressure drop zero
  // (every flow choked), xT = 0 the same for gases, Fd = 0 removes the
  // Reynolds number, Kc = 0 and z = 0 put the onset of cavitation at no
  // pressure drop at all. None of these describes a real valve.
  struct Factor {
    TCalcParameter* p;
    const char* name;
    bool forLiquid, forGas;
  };
  const Factor factors[] = {
      {fl2_75, "FL2", true, false}, {fl2, "FL2", true, false}, {Kc_75, "Kc", true, false},
      {Kc, "Kc", true, false},      {zy_75, "z", true, false},  {zy, "z", true, false},
      {xt_75, "xT", false, true},   {xt, "xT", false, true},    {fd_75, "Fd", true, true},
      {fd_75c, "Fd", true, true},   {fd, "Fd", true, true}};
  for (const Factor& f : factors) {
    if (!(liquid ? f.forLiquid : f.forGas)) continue;
    // Operating-point factors count only where the user overrules them.
    const bool given = f.p->GetInputState() != isCalculated || f.p->GetOverruled();
    if (given && HasValue(V(f.p)) && V(f.p) == 0) {
      CreateMessage(980, {f.p}, {std::string(f.name)});
      meaningful = false;
    }
  }
  // A liquid whose vapour pressure reaches the inlet pressure is boiling
  // upstream: the sizing equations for liquids do not apply, and the
  // flashing limit pv would lie above p1 (a negative dpLimit).
  if (liquid && !GasSizedAsLiquid() && Available(V(pv1), V(p1)) && V(pv1) >= V(p1)) {
    CreateMessage(981, {pv1, p1});
    meaningful = false;
  }
  // Entered values that are out of bounds reach the sizing as not given.
  // Those the sizing cannot do without (the three known quantities of the
  // flow relation, the density, the vapour pressure and FL2 of a liquid,
  // the isentropic exponent and xT of a gas) leave no result; for the others
  // (viscosity, valve and pipe sizes, temperatures ...) the result holds as
  // if they were missing, which the hint says beside message 120. (The
  // inputs concerned are those CheckInputs found.)
  const TCalcParameter* required[] = {rho1, kv, qm, p1, p2, liquid ? pv1 : kappa1,
                                      liquid ? fl2_75 : xt_75, liquid ? fl2 : xt};
  for (TCalcParameter* p : FUnusableInputs) {
    if (!p->GetUtilized() || p->GetInputState() == isCalculated) continue;
    if (std::find(std::begin(required), std::end(required), p) != std::end(required))
      meaningful = false;
    else
      CreateMessage(982, {p});
  }
  return meaningful;
}

void TCMControlValves::WithdrawResults() {
  TargetParameter()->AssignValue(0, NoValue);
  for (TCalcParameter* p : {dpLimit, dpc, dpXc, x, xc, Sigma, KvKvs, xtp}) p->AssignValue(0, NoValue);
  FlowState->SetSwitchStatus(fsUndefined);
  FlowType->SetSwitchStatus(ftUndefined);
}

void TCMControlValves::DoCalculate() {
  const bool liquid = DeclaredPhase() == phLiquid;
  // Without the valve database there are no styles to choose and no
  // typical factors: the sizing takes the factors the user gives, and the
  // limits of the first style (globe valve).
  if (!FStyles->GetLoaded()) CreateMessage(msgNoValveDatabase, {ValveType, fl2_75, xt_75, fd_75});
  ApplyTypicalFactors();
  CopyInputs();
  TECVFlowState state = FValve->GetFlowState();
  SetRelevance(liquid, state);
  CheckInputs(liquid);
  const bool meaningful = CheckMeaningfulInputs(liquid);
  ReadBack();
  if (!meaningful) WithdrawResults();
  RaiseMessages(liquid, meaningful);
  FValve->ResetCalcTarget();
}

void TCMControlValves::RaiseFlowStateMessages(bool liquid, TECVFlowState state) {
  int no = 0;
  // The message's items: the target and the flow state, then the values
  // the state was judged from.
  TCalcItem* list[10] = {TargetParameter(), FlowState};
  size_t count = 2;
  const auto items = [&](std::initializer_list<TCalcItem*> judged) {
    for (TCalcItem* i : judged) list[count++] = i;
  };
  // A gas is judged by the pressure ratio x against the choked ratio
  // Fgamma xTP (Fgamma = kappa / 1.4), or against the real-gas critical
  // ratio xc where that decides; the vapour pressure and the liquid's
  // critical drop mean nothing for it.
  const auto gasItems = [&] {
    items({p1, p2, x, xtp, kappa1});
    if (HasValue(V(xc)) && HasValue(V(dpc)) && V(dpc) == V(dpXc)) items({xc});
  };
  switch (state) {
    case fsNormal:
      if (liquid) {
        no = 973;
        items({p1, dp, zy, pv1, dpLimit});
      } else {
        no = 976;
        gasItems();
      }
      break;
    case fsPartialCavitation: no = 920; items({p1, dp, zy, pv1, dpLimit}); break;
    case fsStrongCavitation:
    case fsMaxCavSigmaMr: no = 919; items({p1, dp, fl2, pv1, dpLimit}); break;
    case fsMaximumCavitation: no = 918; items({p1, dp, dpc}); break;
    case fsFlashing: no = 917; items({p1, dp, pv1, dpLimit}); break;
    case fsChokedFlow:
      no = 916;
      gasItems();
      break;
    case fsMechDamage: no = 964; items({p1, dp, Kc, pv1, dpLimit}); break;
    default: return;  // undefined, or partial cavitation judged by sigma_mr alone
  }
  std::vector<TMessageArg> args;
  if (no == 916) args.emplace_back(std::in_place_index<0>, dpc->ConvertToUnitString(V(dpc)));
  const std::span<TCalcItem* const> all(list, count);
  CreateMessage(no, all.subspan(1), args);  // shown at the flow state
  CreateMessage(no, all, args);             // and at the target
}

void TCMControlValves::RaiseMessages(bool liquid, bool meaningful) {
  tControlValve& v = *FValve;
  TCalcParameter* target = TargetParameter();
  const Extended Kv = V(kv), Qm = V(qm), P1 = V(p1), P2 = V(p2), D = V(DNV);

  // No outlet pressure although everything it needs is given: the flow
  // cannot pass the valve even with the whole inlet pressure as drop.
  if (Unknown() == ccP2 && IsNoValue(P2) && Available(Kv, Qm, P1, V(rho1))) {
    CreateMessage(902, {kv, p1});
    CreateMessage(901, {qm});
  }
  if (IsNoValue(V(eta1)) && HasValue(V(rho1))) CreateMessage(966, {eta1, fr});
  if (liquid && GasSizedAsLiquid()) {
    // The Kv the liquid equation gives is too small by 1 - Y.
    const Extended P1s = Unknown() == ccP1 ? v.GetP1() : P1, P2s = Unknown() == ccP2 ? v.GetP2() : P2;
    const Extended xt75 = HasValue(V(xt_75)) && V(xt_75) > 0 ? V(xt_75) : kTypicalXt;
    const Extended Fgamma = HasValue(V(kappa1)) && V(kappa1) > 0 ? V(kappa1) / 1.4L : 1;
    if (Available(P1s, P2s) && P1s > P2s && P2s > 0) {
      // Y = epsilon / sqrt(x), epsilon = Y sqrt(x) of the gas equation.
      const Extended ratio = (P1s - P2s) / P1s, epsilon = tControlValve::CalculateEpsilon(P1s, P2s, Fgamma * xt75);
      const Extended error = HasValue(epsilon) ? 1 - epsilon / std::sqrt(ratio) : NoValue;
      if (HasValue(error) && error > kIncompressibleError)
        CreateMessage(msgIncompressibleGas, {Compressible, p1, p2},
                      {std::round(ratio * 1000) / 1000, std::round(std::min<Extended>(error, 1) * 1000) / 10});
    }
  } else if (liquid) {
    const Extended T1 = V(t1), Tv = V(tv1), Tc = V(tc);
    if (Available(T1, Tv) && std::fabs(T1 - Tv) > kVapourTemperatureMargin)
      CreateMessage(965, {t1, tv1, pv1}, {kVapourTemperatureMargin});
    // A liquid at or above its critical temperature does not exist.
    if (Available(T1, Tc) && T1 >= Tc) CreateMessage(132, {t1, tc});
  }
  if (Available(P1, P2) && P2 >= P1) CreateMessage(903, {p1, p2}, {ShownName(p2), ShownName(p1)});
  // The valve factors must keep their order FL2 >= Kc >= z: cavitation
  // begins (z) before it becomes strong (Kc), and that before choking (FL2).
  struct Order {
    TCalcParameter *small, *large;
    const char *smallName, *largeName;
  };
  const Order orders[] = {{Kc_75, fl2_75, "Kc", "FL2"}, {zy_75, Kc_75, "z", "Kc"},
                          {Kc, fl2, "Kc", "FL2"},       {zy, Kc, "z", "Kc"}};
  // Computed factors are ordered by the core itself (it limits z to Kc and
  // Kc to FL2); a contradiction is reported where the user or the database
  // gave one of the two.
  const auto given = [](const TCalcParameter* p) { return p->GetInputState() != isCalculated; };
  if (liquid)
    for (const Order& o : orders)
      if (Available(V(o.small), V(o.large)) && V(o.small) > V(o.large) &&
          (given(o.small) || given(o.large)))
        CreateMessage(903, {o.small, o.large}, {std::string(o.smallName), std::string(o.largeName)});

  // Size plausibility.
  TCalcParameter* flowItem = Unknown() == ccKv ? static_cast<TCalcParameter*>(kv) : qm;
  if (Available(Kv, D) && D > 0 && Kv >= 0.25L * D * D) CreateMessage(905, {flowItem, DNV});
  for (TCalcParameter* pipe : {DN1, DN2}) {
    const Extended d = V(pipe);
    if (Available(d, D) && !Checked(LineSize) && (d < D || d > 10 * D))
      CreateMessage(905, {pipe, DNV});
  }
  // No Kv: the flow needs more than the reducers pass around any valve
  // (Kv FP = Kv / sqrt(1 + (Kv/KvRed)^2) stays below KvRed), or in
  // non-turbulent flow FR Kv stays short of the need up to the bore.
  const Extended Fp = V(fp);
  switch (v.GetKvFailure()) {
    case kfReducers: CreateMessage(907, {kv, KvRed, qm, DNV, DN1, DN2}); break;
    case kfNonTurbulent: CreateMessage(906, {kv, eta1, fr, qm, DNV}); break;
    case kfNone: break;
  }

  // Velocities in the valve and in the pipes, each judged by the phase
  // that flows there (see the limits above).
  const Extended rho = V(rho1);
  const bool flashing = liquid && v.GetFlowState() == fsFlashing;
  const Extended rhoOut = HasValue(V(rho2)) ? V(rho2) : rho;
  // The outlet's sound speed: the medium's (of the mixture when the
  // liquid flashes) where given, else that of an ideal gas at p2.
  const Extended soundIn = liquid ? NoValue : tControlValve::SoundSpeed(V(kappa1), P1, rho);
  const Extended soundOut = HasValue(V(cf2))     ? V(cf2)
                            : liquid              ? NoValue
                                                  : tControlValve::SoundSpeed(V(kappa1), P2, rhoOut);
  const bool gasOut = !liquid || flashing;
  // A gas at the valve outlet (outlet state), a liquid in the valve body.
  const auto mach = [](Extended sound) { return HasValue(sound) ? kGasMach * sound : NoValue; };
  const Extended valveLimit = gasOut ? mach(soundOut) : kLiquidValveVelocity;
  const Extended wValve = tControlValve::FlowVelocity(Qm, gasOut ? rhoOut : rho, D);
  // A velocity in m/s to 0.1 m/s.
  const auto speed = [](Extended w) { return std::round(w * 10) / 10; };
  if (Available(wValve, valveLimit) && wValve > valveLimit)
    CreateMessage(908, {DNV, qm}, {speed(wValve), speed(valveLimit)});
  // Steam, wet or superheated, by the customary speed of steam lines.
  const TEPhase declared = DeclaredPhase();
  const Extended gasSpeed = declared == phVapour || declared == phMixPhaseV ? kVapourPipeVelocity : kGasPipeVelocity;
  const auto gasLimit = [&](Extended sound) {
    if (flashing) return mach(sound);  // the mixture has no customary speed
    return HasValue(sound) ? std::min(mach(sound), gasSpeed) : gasSpeed;
  };
  struct PipeCheck {
    TCalcParameter* pipe;
    Extended rho, limit;
  };
  const PipeCheck pipes[] = {{DN1, rho, liquid ? kLiquidPipeVelocity : gasLimit(soundIn)},
                             {DN2, rhoOut, gasOut ? gasLimit(soundOut) : kLiquidPipeVelocity}};
  for (const PipeCheck& c : pipes) {
    const Extended w = tControlValve::FlowVelocity(Qm, c.rho, V(c.pipe));
    if (Available(w, c.limit) && w > c.limit) CreateMessage(909, {c.pipe, qm}, {speed(w), speed(c.limit)});
  }
  if (Available(Kv, V(kvs)) && Kv > V(kvs)) {
    if (Unknown() != ccKv && Checked(UsekvLimit)) CreateMessage(984, {kv, kvs, UsekvLimit});
    else CreateMessage(935, {kvs, kv});
  }
  if (HasValue(Fp) && Fp < 0.99L) CreateMessage(910, {DNV, DN1, DN2, fp});
  // Without a meaningful sizing there is no flow type or state to report.
  if (!meaningful) return;

  switch (v.GetFlowType()) {
    case ftTransient:
    case ftLaminar:
    case ftPlugs: {
      const int no = v.GetFlowType() == ftTransient ? 913 : v.GetFlowType() == ftLaminar ? 914 : 911;
      CreateMessage(no, {target, FlowType, eta1});
      CreateMessage(no, {eta1, FlowType}, {}, 1);
      break;
    }
    case ftMechDamage:
      CreateMessage(912, {target, FlowType});
      CreateMessage(912, {FlowType});
      break;
    default: break;
  }
  const bool measured = v.GetValveDescription() != nullptr;
  if (!measured && !v.GetTravelCurve().IsValid() && CharacteristicType->GetSwitchIndex() >= ctMeasuredValues)
    CreateMessage(915, {CharacteristicType, KvCurve});
  if (!measured && LowNoiseDesign->GetSwitchIndex() == lnUserDefined)
    CreateMessage(915, {LowNoiseDesign});

  const TECVFlowState state = v.GetFlowState();
  RaiseFlowStateMessages(liquid, state);

  if (liquid) {
    const Extended s = V(Sigma), sp = V(SigmaP), sid = V(SigmaId);
    TCalcItem* const items[] = {Sigma, SigmaP, SigmaId, dp, dpLimit, FlowState};
    if (Available(s, sp) && s < sp) {
      CreateMessage(971, {Sigma, SigmaP, dp, dpLimit, FlowState});
    } else {
      // Above the manufacturer's limit, but below the index of incipient
      // damage: the plant index still lets the liquid cavitate.
      if (Available(s, sid) && s < sid) CreateMessage(974, items);
      // Above the limit by less than the margin.
      if (Available(s, sp) && s < kSigmaMargin * sp) CreateMessage(975, items);
    }
  }
}

}  // namespace torvacalc
