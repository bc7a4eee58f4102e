#include "media/cm_mixed_phase.h"
#include "framework/module_items.h"

namespace torvacalc {

namespace {

Extended V(const TCalcParameter* p) { return p->GetCalcValue(); }

const std::vector<std::string> kPhases = {"Flüssig",
                                          "Dampfförmig",
                                          "Gasförmig",
                                          "Gasförmig (Betriebsbedingungen)",
                                          "Zweiphasig (Flüssig/Dampf)",
                                          "Zweiphasig (Flüssig/Gas)"};
const std::vector<std::string> kSubstanceTypes = {"Wasser", "Faserstoffsuspension", "Sonstige",
                                                  "RU Bochum",  "AGA",                  "GERG"};
constexpr int kPhaseMixV = 4, kPhaseMixG = 5;
constexpr int kFlowStateFlashing = 5;

// A result the user may overrule: written unless overruled.
void Result(TCalcParameter* p, Extended v) { p->AssignValue(0, v); }

}  // namespace

TCMMixedDensity::TCMMixedDensity(TCalcComponent* owner, std::string name) : TCalcModule(owner, std::move(name)) {
  auto& m = *this;
  Phase = AddListSwitch(m, "Phase", "Phase", kPhases, kPhaseMixV);
  FlowState = AddListSwitch(m, "FlowState", "Strömungszustand",
                         {"unbestimmt", "normal", "beginnende Kavitation", "starke Kavitation",
                          "maximale Kavitation", "Verdampfung", "kritische Strömung"},
                         1);
  SubstanceType = AddListSwitch(m, "SubstanceType", "Stoffart", kSubstanceTypes, 2);
  RhoF = AddParameter<TInputParameter>(m, "RhoF", qDensity, "Dichte der Flüssigkeit");
  RhoG = AddParameter<TInputParameter>(m, "RhoG", qDensity, "Dichte des Gases");
  RhoV = AddParameter<TInputParameter>(m, "RhoV", qDensity, "Dichte des gesaettigten Dampfes");
  kappaG = AddParameter<TInputParameter>(m, "kappaG", qNoUnitPositive, "Isentropenexponent des Gases");
  cfF = AddParameter<TInputParameter>(m, "cfF", qVelocity, "Schallgeschwindigkeit der Flüssigkeit");
  cfG = AddParameter<TInputParameter>(m, "cfG", qVelocity, "Schallgeschwindigkeit des Gases");
  pv1 = AddParameter<TInputParameter>(m, "pv1", qPressureBar, "Dampfdruck am Eintritt");
  pv2 = AddParameter<TInputParameter>(m, "pv2", qPressureBar, "Dampfdruck am Austritt");
  p2 = AddParameter<TInputParameter>(m, "p2", qPressureBar, "Druck des Gemischs");
  xFG = AddParameter<TInputParameter>(m, "xFG", qPortion, "Gasmassenanteil");
  Rho = AddParameter<TOverruleParameter>(m, "Rho", qDensity, "Dichte des Gemischs");
  cf = AddParameter<TOverruleParameter>(m, "cf", qVelocity, "Schallgeschwindigkeit des Gemischs");
}

TCMMixedDensity::~TCMMixedDensity() { DestroyItems(); }

void TCMMixedDensity::DoCalculate() {
  const int phase = Phase->GetSwitchIndex();
  FMixture.Mixture = phase == kPhaseMixV || phase == kPhaseMixG;
  FMixture.Flashing = FlowState->GetSwitchIndex() == kFlowStateFlashing;
  FMixture.RhoF = V(RhoF);
  FMixture.RhoG = V(RhoG);
  FMixture.RhoV = V(RhoV);
  FMixture.cfF = V(cfF);
  FMixture.cfG = V(cfG);
  FMixture.xFG = V(xFG);
  FMixture.kappaG = V(kappaG);
  // The mixture's pressure: the outlet pressure, else the vapour pressure
  // at which the phases stand in equilibrium.
  FMixture.pv = HasValue(V(p2)) ? V(p2) : HasValue(V(pv2)) ? V(pv2) : V(pv1);
  const bool mixture = FMixture.Mixture && !FMixture.Flashing;
  (mixture || FMixture.Flashing ? MakeUtilized({xFG}) : MakeNotUtilized({xFG}));
  (FMixture.Flashing ? MakeUtilized({RhoV}) : MakeNotUtilized({RhoV}));
  std::vector<TCalcItem*> needed;
  if (mixture) {
    needed = {xFG, RhoF, RhoG};
  } else if (FMixture.Flashing) {
    needed = {xFG, RhoV, RhoG};
  } else {
    needed = {HasValue(V(RhoG)) ? RhoG : RhoF};
  }
  CheckParameters(needed);
  Result(Rho, FMixture.GetRho());
  Result(cf, FMixture.Getcf());
}

TCMMixedPhaseCorr::TCMMixedPhaseCorr(TCalcComponent* owner, std::string name) : TCalcModule(owner, std::move(name)) {
  auto& m = *this;
  Phase = AddListSwitch(m, "Phase", "Phase", kPhases, kPhaseMixV);
  SubstanceType = AddListSwitch(m, "SubstanceType", "Stoffart (Flüssigphase)", kSubstanceTypes, 2);
  SubstancetypeV = AddListSwitch(m, "SubstancetypeV", "Stoffart (Dampfphase)", kSubstanceTypes, 2);
  CalculatedPhaseV = AddListSwitch(m, "CalculatedPhaseV", "Berechnete Phase (Dampfphase)",
                                {"unbestimmt", "flüssig", "dampfförmig", "gasförmig", "gesättigt", "fest",
                                 "überkritisch", "zweiphasig"});
  ValveType = AddListSwitch(m, "ValveType", "Ventilbauart",
                         {"Durchgangsventil", "Drehkegelventil", "Klappe", "Kugelhahn", "Sonstige"});
  CharacteristicType = AddListSwitch(m, "CharacteristicType", "Kennlinie",
                                  {"keine", "Auf/Zu", "gleichprozentig", "linear", "modifiziert gleichprozentig",
                                   "Messwerte"},
                                  mcEqualPercentage);
  NoiseNormLiquid = AddListSwitch(m, "NoiseNormLiquid", "Geräuschberechnung Flüssigkeit",
                               {"IEC 60534-8-4", "VDMA 24422 (1989)"});
  NoiseNormGas = AddListSwitch(m, "NoiseNormGas", "Geräuschberechnung Gas", {"IEC 60534-8-3", "VDMA 24422 (1989)"});
  qm = AddParameter<TInputParameter>(m, "qm", qMassFlowrate, "Massenstrom");
  kvs = AddParameter<TInputParameter>(m, "kvs", qKvCv, "Kvs-Wert");
  phi0 = AddParameter<TInputParameter>(m, "phi0", qFixedPortion, "Kennlinienparameter phi0");
  xFG1 = AddParameter<TInputParameter>(m, "xFG1", qPortion, "Dampfanteil am Eintritt");
  xFG2l = AddParameter<TInputParameter>(m, "xFG2l", qPortion, "Nachverdampfung der Flüssigphase");
  t2VP = AddParameter<TInputParameter>(m, "t2VP", qTemperature, "Austrittstemperatur (Dampfphase)");
  t2LP = AddParameter<TInputParameter>(m, "t2LP", qTemperature, "Austrittstemperatur (Flüssigphase)");
  kvv = AddParameter<TInputParameter>(m, "kvv", qKvCv, "Kv der Dampfphase");
  kvl = AddParameter<TInputParameter>(m, "kvl", qKvCv, "Kv der Flüssigphase");
  LpAav = m.AddItem<TInputParameter>("LpAav", qWeightSoundPress);
  LpAav->SetCaption("Schallpegel der Dampfphase");
  LpAal = m.AddItem<TInputParameter>("LpAal", qWeightSoundPress);
  LpAal->SetCaption("Schallpegel der Flüssigphase");
  PVerv = AddParameter<TInputParameter>(m, "PVerv", qPower, "Verlustleistung der Dampfphase");
  PVerl = AddParameter<TInputParameter>(m, "PVerl", qPower, "Verlustleistung der Flüssigphase");
  rho1v = AddParameter<TInputParameter>(m, "rho1v", qDensity, "Dichte der Dampfphase am Eintritt");
  rho1l = AddParameter<TInputParameter>(m, "rho1l", qDensity, "Dichte der Flüssigphase am Eintritt");
  rho2v = AddParameter<TInputParameter>(m, "rho2v", qDensity, "Dichte der Dampfphase am Austritt");
  rho2l = AddParameter<TInputParameter>(m, "rho2l", qDensity, "Dichte der Flüssigphase am Austritt");
  cf2v = AddParameter<TInputParameter>(m, "cf2v", qVelocity, "Schallgeschwindigkeit der Dampfphase am Austritt");
  cf2l = AddParameter<TInputParameter>(m, "cf2l", qVelocity, "Schallgeschwindigkeit der Flüssigphase am Austritt");
  tv1 = AddParameter<TInOutParameter>(m, "tv1", qTemperature, "Temperatur zum Dampfdruck");
  pv1 = AddParameter<TInOutParameter>(m, "pv1", qPressureBar, "Dampfdruck am Eintritt");
  t1 = AddParameter<TInOutParameter>(m, "t1", qTemperature, "Eintrittstemperatur");
  p1 = AddParameter<TInOutParameter>(m, "p1", qPressureBar, "Eintrittsdruck");
  p2 = AddParameter<TInOutParameter>(m, "p2", qPressureBar, "Austrittsdruck");
  qml = AddParameter<TOutputParameter>(m, "qml", qMassFlowrate, "Massenstrom der Flüssigphase");
  qmv = AddParameter<TOutputParameter>(m, "qmv", qMassFlowrate, "Massenstrom der Dampfphase");
  kv = AddParameter<TOutputParameter>(m, "kv", qKvCv, "Durchflusskoeffizient Kv");
  kvkvs = AddParameter<TOutputParameter>(m, "kvkvs", qPortion, "Öffnung Kv/Kvs");
  h = AddParameter<TOutputParameter>(m, "h", qPortion, "Hub");
  LpAa = m.AddItem<TOutputParameter>("LpAa", qWeightSoundPress);
  LpAa->SetCaption("Schallpegel des Gemischs");
  PVer = AddParameter<TOutputParameter>(m, "PVer", qPower, "Verlustleistung");
  xv1 = AddParameter<TOutputParameter>(m, "xv1", qPortion, "Dampfvolumenanteil am Eintritt");
  rho1 = AddParameter<TOverruleParameter>(m, "rho1", qDensity, "Impulsdichte am Eintritt");
  rho2 = AddParameter<TOverruleParameter>(m, "rho2", qDensity, "Impulsdichte am Austritt");
  t2 = AddParameter<TOverruleParameter>(m, "t2", qTemperature, "Austrittstemperatur");
  cf2 = AddParameter<TOverruleParameter>(m, "cf2", qVelocity, "Schallgeschwindigkeit am Austritt");
  xFG2 = AddParameter<TOverruleParameter>(m, "xFG2", qPortion, "Dampfanteil am Austritt");
  fmss = m.AddItem<TOverruleParameter>("fmss", Extended(1), Extended(2), qNoUnitPositive);
  fmss->SetCaption("Korrekturfaktor nach Sheldon und Schuder");
}

TCMMixedPhaseCorr::~TCMMixedPhaseCorr() { DestroyItems(); }

void TCMMixedPhaseCorr::DoCalculate() {
  TMixedPhaseCorr& c = FCorr;
  c.qm = V(qm);
  c.kvs = V(kvs);
  c.phi0 = V(phi0);
  c.xFG1 = V(xFG1);
  c.xFG2l = V(xFG2l);
  c.kvv = V(kvv);
  c.kvl = V(kvl);
  c.LpAav = V(LpAav);
  c.LpAal = V(LpAal);
  c.PVerv = V(PVerv);
  c.PVerl = V(PVerl);
  c.rho1v = V(rho1v);
  c.rho1l = V(rho1l);
  c.rho2v = V(rho2v);
  c.rho2l = V(rho2l);
  c.cf2v = V(cf2v);
  c.cf2l = V(cf2l);
  c.t2VP = V(t2VP);
  c.t2LP = V(t2LP);
  const int ct = CharacteristicType->GetSwitchIndex();
  c.Characteristic = ct >= 0 && ct <= mcMeasured ? static_cast<teMixCharacteristic>(ct) : mcNone;
  const bool travel = c.Characteristic == mcEqualPercentage || c.Characteristic == mcLinear;
  (travel ? MakeUtilized({phi0, h}) : MakeNotUtilized({phi0, h}));
  c.fmssGiven = fmss->GetOverruled() ? V(fmss) : NoValue;
  c.xFG2Given = xFG2->GetOverruled() ? V(xFG2) : NoValue;
  CheckParameters({qm, xFG1});
  Result(fmss, c.Getfmss());
  Result(qml, c.Getqml());
  Result(qmv, c.Getqmv());
  Result(kv, c.Getkv());
  Result(kvkvs, c.Getkvkvs());
  Result(h, c.Geth());
  Result(LpAa, c.GetLpAa());
  Result(PVer, c.GetPVer());
  Result(xv1, c.Getxv1());
  Result(rho1, c.Getrho1());
  Result(xFG2, c.GetxFG2());
  Result(rho2, c.Getrho2());
  Result(cf2, c.Getcf2());
  Result(t2, c.Gett2());
}

}  // namespace torvacalc
