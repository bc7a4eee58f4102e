#include "plant/cm_characteristics.h"
#include "framework/module_items.h"

#include <algorithm>
#include <cmath>

namespace torvacalc {

namespace {

// Message: the pressures of the operating points do not make a usable
// plant curve (inlet not above outlet, equal flows, point 2 not between
// points 1 and 3, or a flow limit below an operating flow).
constexpr int kMsgBadCurves = 1601;

Extended V(const TCalcParameter* p) { return p->GetCalcValue(); }

}  // namespace

TCMCharacteristics::TCMCharacteristics(TCalcComponent* owner, std::string name)
    : TCalcModule(owner, std::move(name)), FChar(std::make_unique<tCharacteristics>()) {
  auto& m = *this;
  for (int i = 0; i < 3; ++i) {
    const std::string k = std::to_string(i + 1);
    const std::string at = " im Betriebspunkt " + k;
    qm[i] = AddParameter<TInputParameter>(m, "qm" + k, qMassFlowrate, "Massenstrom" + at);
    p1[i] = AddParameter<TInputParameter>(m, "p1" + k, qPressureBar, "Eintrittsdruck" + at);
    p2[i] = AddParameter<TInputParameter>(m, "p2" + k, qPressureBar, "Austrittsdruck" + at);
    pr[i] = AddParameter<TInputParameter>(m, "pr" + k, qPressureBar, "Referenzdruck" + at);
    pv1[i] = AddParameter<TInputParameter>(m, "pv1" + k, qPressureBar, "Dampfdruck am Eintritt" + at);
    pv2[i] = AddParameter<TInputParameter>(m, "pv2" + k, qPressureBar, "Dampfdruck am Austritt" + at);
    t1[i] = AddParameter<TInputParameter>(m, "t1" + k, qTemperature, "Eintrittstemperatur" + at);
    t2[i] = AddParameter<TInputParameter>(m, "t2" + k, qTemperature, "Austrittstemperatur" + at);
    phiRel[i] = AddParameter<TInputParameter>(m, "phiRel" + k, qPortion, "Relative Öffnung" + at);
    fmss[i] = AddParameter<TInputParameter>(m, "fmss" + k, qPortion, "Massenanteil" + at);
    xFG1[i] = AddParameter<TInputParameter>(m, "xFG1" + k, qPortion, "Dampfanteil am Eintritt" + at);
    xFG2[i] = AddParameter<TInputParameter>(m, "xFG2" + k, qPortion, "Dampfanteil am Austritt" + at);
    xFG2L[i] = AddParameter<TInputParameter>(m, "xFG2L" + k, qPortion,
                                      "Dampfanteil am Austritt (Flüssigphase)" + at);
  }
  // None while no point has been calculated (a new calculation): the
  // curves then run through nothing and stay empty, without a word.
  NoOfValidOps = m.AddItem<TInputParameter>("NoOfValidOps", Extended(0), Extended(3), qInteger);
  NoOfValidOps->SetCaption("Anzahl gültiger Betriebspunkte");
  qmax = AddParameter<TInputParameter>(m, "qmax", qMassFlowrate, "Größter Massenstrom");
  qmx = AddParameter<TInputParameter>(m, "qmx", qMassFlowrate, "Massenstrom der Auswertung");
  p1x = AddParameter<TOutputParameter>(m, "p1x", qPressureBar, "Eintrittsdruck bei qmx");
  p2x = AddParameter<TOutputParameter>(m, "p2x", qPressureBar, "Austrittsdruck bei qmx");
  prx = AddParameter<TOutputParameter>(m, "prx", qPressureBar, "Referenzdruck bei qmx");
  pv1x = AddParameter<TOutputParameter>(m, "pv1x", qPressureBar, "Dampfdruck am Eintritt bei qmx");
  pv2x = AddParameter<TOutputParameter>(m, "pv2x", qPressureBar, "Dampfdruck am Austritt bei qmx");
  t1x = AddParameter<TOutputParameter>(m, "t1x", qTemperature, "Eintrittstemperatur bei qmx");
  t2x = AddParameter<TOutputParameter>(m, "t2x", qTemperature, "Austrittstemperatur bei qmx");
  phiRelx = AddParameter<TOutputParameter>(m, "phiRelx", qPortion, "Relative Öffnung bei qmx");
  xFG1x = AddParameter<TOutputParameter>(m, "xFG1x", qPortion, "Dampfanteil am Eintritt bei qmx");
  xFG2x = AddParameter<TOutputParameter>(m, "xFG2x", qPortion, "Dampfanteil am Austritt bei qmx");
  xFG2Lx = AddParameter<TOutputParameter>(m, "xFG2Lx", qPortion,
                                   "Dampfanteil am Austritt (Flüssigphase) bei qmx");
  fmssx = AddParameter<TOutputParameter>(m, "fmssx", qPortion, "Massenanteil bei qmx");
  VDynX = AddParameter<TOutputParameter>(m, "VDynX", qNoUnitPositive,
                                  "Differenzdruck bei qmx bezogen auf den bei Nullstrom");
  ax = AddParameter<TOutputParameter>(m, "ax", qNoUnitPositive, "Größter Durchfluss der Anlage / qm1");
  a1 = AddParameter<TOutputParameter>(m, "a1", qNoUnitPositive,
                               "Größter Durchfluss des ersten Abschnitts / qm1");
  dpMin = AddParameter<TOutputParameter>(m, "dpMin", qPressureDropBar, "Kleinster Differenzdruck");
  dpMax = AddParameter<TOutputParameter>(m, "dpMax", qPressureDropBar, "Größter Differenzdruck");
  UseResistors = AddTwoState(m, "UseResistors", "Nachgeschaltete Drosselstrecke");
  UseSmoothCurves = AddTwoState(m, "UseSmoothCurves", "Geglättete Kennlinien");
  BadPressureCurves = AddTwoState(m, "BadPressureCurves", "Druckverläufe unbrauchbar");
  Optimization = AddTwoState(m, "Optimization", "Optimierung möglich");
  for (TCalcItem* s : {static_cast<TCalcItem*>(BadPressureCurves), static_cast<TCalcItem*>(Optimization)}) {
    s->SetInputState(isCalculated);
    s->SetReadOnly(true);
  }
}

TCMCharacteristics::~TCMCharacteristics() { DestroyItems(); }

void TCMCharacteristics::SetQmx(Extended q) { qmx->SetValue(q); }

int TCMCharacteristics::Points() const {
  const Extended n = V(NoOfValidOps);
  if (HasValue(n)) return static_cast<int>(std::lround(static_cast<double>(n)));
  // A number given but out of range (or not a number) leaves no point;
  // an empty entry means the usual two.
  return !NoOfValidOps->HasText() ? 2 : 0;
}

void TCMCharacteristics::DoCalculate() {
  tCharacteristics& c = *FChar;
  const int n = Points();
  c.SetNoOfValidOps(n);
  c.SetUseResistors(UseResistors->GetChecked());
  c.SetUseSmoothCurves(UseSmoothCurves->GetChecked());
  for (int i = 0; i < 3; ++i) {
    c.SetQm(i, V(qm[i]));
    c.SetP1(i, V(p1[i]));
    c.SetP2(i, V(p2[i]));
    c.SetPr(i, V(pr[i]));
    c.SetPv1(i, V(pv1[i]));
    c.SetPv2(i, V(pv2[i]));
    c.SetT1(i, V(t1[i]));
    c.SetT2(i, V(t2[i]));
    c.SetPhiRel(i, V(phiRel[i]));
    c.SetFmss(i, V(fmss[i]));
    c.SetXFG1(i, V(xFG1[i]));
    c.SetXFG2(i, V(xFG2[i]));
    c.SetXFG2L(i, V(xFG2L[i]));
  }
  c.SetQmax(V(qmax));

  // The points in use need flow and pressures; the rest is optional.
  std::vector<TCalcItem*> needed = {NoOfValidOps};
  for (int i = 0; i < std::clamp(n, 0, 3); ++i) needed.insert(needed.end(), {qm[i], p1[i], p2[i]});
  if (qmx->HasText()) needed.push_back(qmx);
  if (qmax->HasText()) needed.push_back(qmax);
  CheckParameters(needed);
  const auto put = [](TCalcParameter* p, Extended v) { p->AssignValue(0, v); };
  const bool relevant = n >= 1 && n <= 3;
  // The points' flows, pressures and states are the medium's and the
  // sizing's, read here as they are: whether they are used is their word.
  // (A point that is on but still lacks its entries asks for them; that
  // the characteristic cannot draw it yet does not make them unused.)

  put(ax, c.GetAx());
  put(a1, c.GetA1());
  put(dpMin, c.GetDpMin());
  put(dpMax, c.GetDpMax());
  c.SetQmx(V(qmx));
  put(p1x, c.GetP1x());
  put(p2x, c.GetP2x());
  put(pv1x, c.GetPv1x());
  put(pv2x, c.GetPv2x());
  put(phiRelx, c.GetPhiRelx());
  put(xFG2x, c.GetXFG2x());
  put(fmssx, c.GetFmssx());
  put(xFG1x, c.GetXFG1x());
  put(xFG2Lx, c.GetXFG2Lx());
  put(prx, c.GetPrx());
  put(t1x, c.GetT1x());
  put(t2x, c.GetT2x());
  put(VDynX, c.GetVDynX());
  const bool bad = c.BadCurve();
  BadPressureCurves->SetChecked(bad);
  Optimization->SetChecked(c.GetOptimizationPosible());
  if (bad && relevant) {
    std::vector<TCalcItem*> items = {BadPressureCurves};
    for (int i = 0; i < n; ++i) items.insert(items.end(), {qm[i], p1[i], p2[i]});
    CreateMessage(kMsgBadCurves, items);
  }
}

}  // namespace torvacalc
