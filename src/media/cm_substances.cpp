#include "media/cm_substances.h"

#include <cstdlib>
#include <sstream>

#include "media/natural_gas.h"

#include "framework/module_items.h"
#include "framework/translation.h"
#include "media/substances_module.h"

namespace torvacalc {

namespace {

// Normal conditions of the choices of StandardConditions: 0 degC or 60 degF
// (15.556 degC, the standard conditions of the gas industry in the USA), at
// one standard atmosphere.
constexpr Extended kT60F = (60 - 32) / 1.8L;

// A state within this many kelvin of the boiling temperature counts as at
// the boiling temperature for the messages on the temperature: the
// correlations do not place the line closer.
constexpr Extended kSaturationMargin = 0.5L;

// Message 122: natural gas below 3 degC: at the high pressures of gas
// networks water and hydrocarbons condense and hydrates form in that range,
// outside what the gas-phase methods describe.
constexpr Extended kNaturalGasMinT = 3;

// Message 131: GERG-2008 describes n-octane (component 17) in natural gases
// as a minor component; above 0.1 mol-% its uncertainty grows.
constexpr Extended kGergOctaneLimit = 0.1L;

Extended V(const TCalcParameter* p) { return p->GetCalcValue(); }

// A value the user typed (or overruled) rather than one the module wrote;
// a typed value out of its bounds stays the user's and is reported.
bool User(const TCalcParameter* p) {
  return p->GetOverruled() || (p->GetInputState() == isUser && p->HasText());
}

template <class E>
E Choice(const TCustomCalcMultiSwitch* s, E fallback, int count) {
  const int i = s->GetSwitchStatus();
  return i >= 0 && i < count ? static_cast<E>(i) : fallback;
}

// The result and its approximated flag, unless the user gave the value.
void AssignValueAndApprox(TCalcParameter* p, Extended value, bool approximated) {
  if (User(p)) return;
  if (p->ShouldBeAssigned()) p->SetIsApproximated(approximated && HasValue(value));
  p->AssignValue(0, value);
}

// A database value, unless the user changed it.
void AssignData(TModifyParameter* p, Extended value) {
  if (p->GetModified() || (p->GetInputState() == isUser && p->HasText())) return;
  p->AssignValue(15, value);
}

// The fraction of one component in a stored composition "1=93;4=3;...".
Extended ComponentFraction(const std::string& text, int component) {
  std::istringstream in(text);
  std::string pair;
  while (std::getline(in, pair, ';')) {
    const size_t eq = pair.find('=');
    if (eq == std::string::npos) continue;
    if (std::atoi(pair.substr(0, eq).c_str()) == component) return std::strtold(pair.c_str() + eq + 1, nullptr);
  }
  return 0;
}

const std::vector<std::string> kCalculatedPhases = {"unbestimmt", "flüssig",   "dampfförmig",
                                                    "gasförmig", "gesättigt", "fest",
                                                    "überkritisch", "zweiphasig"};

}  // namespace

TCMSubstances::TCMSubstances(TCalcComponent* owner, std::string name,
                             const TDataModuleCDSSubstance* database)
    : TCalcModule(owner, std::move(name)),
      FSubstance(std::make_unique<TSubstanceCalc>()),
      FDatabase(database ? database : &TDataModuleCDSSubstance::Default()) {
  auto& m = *this;
  ChangePhase = AddTwoState(m, "ChangePhase", "Phase automatisch", true);
  MessageIfChangePhase = AddTwoState(m, "MessageIfChangePhase", "Meldung bei Phasenwechsel", true);
  FluidName = m.AddItem<TSubstanceNameSwitch>("FluidName");
  FluidName->SetCaption("Medium");
  ExtFluids = m.AddItem<TDataListSwitch>("ExtFluids");
  ExtFluids->SetCaption("Medium der Stoffbibliothek");
  // The library substances: the pure components of GERG-2008.
  ExtFluids->SetValueList(tGERGPureFluid::Names());
  Phase = AddListSwitch(m, "Phase", "Phase",
                     {"Flüssig", "Dampfförmig", "Gasförmig", "Gasförmig (Betriebsbedingungen)",
                      "Zweiphasig (Flüssig/Dampf)", "Zweiphasig (Flüssig/Gas)"},
                     -1);
  GasMedium = AddListSwitch(m, "GasMedium", "Gasart",
                         {"Gas, trocken (Normbedingungen)", "Gas, feucht (Normbedingungen)",
                          "Gas, trocken (Betriebsbedingungen)", "Gas, feucht (Betriebsbedingungen)"},
                         0);
  PulpeType = AddListSwitch(m, "PulpeType", "Faserstoffart",
                         {"Gebleichter Zellstoff", "TMP(thermomechanisch)", "Altpapier/Recycled"}, 0);
  HumidityType = AddListSwitch(m, "HumidityType", "Feuchteangabe",
                            {"Relativ", "Spezifisch", "Absolut (FN,feucht)", "Absolut (FN,trocken)",
                             "Absolut (F,feucht)"},
                            0);
  RhoNRiM = AddListSwitch(m, "RhoNRiM", "Gegebene Gaskonstante", {"<rho>n", "R", "M", "Sg"}, rrmM);
  StandardConditions = AddListSwitch(m, "StandardConditions", "Normzustand",
                                  {"0 °C, 1,01325 bar", "60 °F, 1,01325 bar", "Benutzerdefiniert"}, 0);
  ViscosityType = AddListSwitch(m, "ViscosityType", "Viskosität", {"Dynamisch", "Kinematisch"}, 0);
  Range = AddListSwitch(m, "Range", "Bereich (Wasser/Dampf)",
                     {"1: Flüssig", "2: Dampfförmig", "3: Dampfförmig (<beta> > <beta>L)", "4: Gesättigt",
                      "5: Dampfförmig (heiß)"},
                     -1);
  DisplayPhase = AddListSwitch(m, "DisplayPhase", "Phase (angezeigt)", kCalculatedPhases, 0);
  CalculatedPhase = AddListSwitch(m, "CalculatedPhase", "Berechnete Phase", kCalculatedPhases, 0);
  SubstanceType = AddListSwitch(m, "SubstanceType", "Stoffart",
                             {"Wasser", "Faserstoffsuspension", "Sonstige", "RU Bochum", "AGA", "GERG"},
                             stOthers);
  Concentration = m.AddItem<TDataListSwitch>("Concentration");
  Concentration->SetCaption("Gaszusammensetzung");
  SaturatedPhase = AddListSwitch(m, "SaturatedPhase", "Seite der Sättigungslinie",
                              {"Flüssig", "Dampfförmig", "Zweiphasig"}, spLiquid);
  UseExtFluid = AddTwoState(m, "UseExtFluid", "Stoffbibliothek verwenden", false);
  Flashing = AddTwoState(m, "Flashing", "Verdampfung", false);
  for (TCalcItem* s : {static_cast<TCalcItem*>(Range), static_cast<TCalcItem*>(DisplayPhase),
                       static_cast<TCalcItem*>(CalculatedPhase)}) {
    s->SetInputState(isCalculated);
    s->SetReadOnly(true);
  }

  T1 = AddParameter<TOverruleParameter>(m, "T1", qTemperature, "Temperatur");
  p1 = AddParameter<TInputParameter>(m, "p1", qPressureBar, "Druck");
  TN0 = AddParameter<TInputParameter>(m, "TN0", qTemperature, "Normtemperatur");
  PN0 = AddParameter<TInputParameter>(m, "PN0", qPressureBar, "Normdruck");
  Tt = AddParameter<TModifyParameter>(m, "Tt", qTemperature, "Schmelztemperatur");
  Ts = AddParameter<TModifyParameter>(m, "Ts", qTemperature, "Normalsiedetemperatur");
  Tc = AddParameter<TModifyParameter>(m, "Tc", qTemperature, "Kritische Temperatur");
  Pc = AddParameter<TModifyParameter>(m, "Pc", qPressureBar, "Kritischer Druck");
  Zc = AddParameter<TModifyParameter>(m, "Zc", qNoUnitPositive, "Kritischer Realgasfaktor");
  Zn = AddParameter<TModifyParameter>(m, "Zn", qNoUnitPositive, "Realgasfaktor im Normzustand");
  Omega = AddParameter<TModifyParameter>(m, "Omega", qNoUnit, "Azentrischer Faktor");
  My = AddParameter<TModifyParameter>(m, "My", qDipoleMoment, "Dipolmoment");
  RhoC = AddParameter<TModifyParameter>(m, "RhoC", qDensity, "Kritische Dichte");
  Rho25 = AddParameter<TModifyParameter>(m, "Rho25", qDensity, "Dichte bei 25 °C");
  PhiRel = AddParameter<TOverruleParameter>(m, "PhiRel", qPortion, "Relative Feuchte");
  XSpec = AddParameter<TInputParameter>(m, "XSpec", qSpecHumidity, "Spezifische Feuchte");
  xPulp = m.AddItem<TInputParameter>("xPulp", Extended(0), Extended(16), qPortion);
  xPulp->SetCaption("Stoffdichte");
  FnTr = AddParameter<TInputParameter>(m, "FnTr", qAbsHumidity, "Absolute Feuchte (FN, trocken)");
  FnF = AddParameter<TInputParameter>(m, "FnF", qAbsHumidity, "Absolute Feuchte (FN, feucht)");
  FF = AddParameter<TInputParameter>(m, "FF", qAbsHumidity, "Absolute Feuchte (Betriebszustand)");
  RhoN = AddParameter<TModifyParameter>(m, "RhoN", qDensity, "Normdichte");
  Ri = AddParameter<TModifyParameter>(m, "Ri", qSpecificGasConstant, "Spezifische Gaskonstante");
  M = AddParameter<TModifyParameter>(m, "M", qMolarMass, "Molare Masse");
  Sg = AddParameter<TModifyParameter>(m, "Sg", qNoUnitPositive, "Dichteverhältnis zu Luft");
  kappa1 = AddParameter<TOverruleParameter>(m, "kappa1", qNoUnitPositive, "Isentropenexponent");
  rho1 = AddParameter<TOverruleParameter>(m, "rho1", qDensity, "Dichte");
  rhoL = AddParameter<TOverruleParameter>(m, "rhoL", qDensity, "Dichte der siedenden Flüssigkeit");
  rhoV = AddParameter<TOverruleParameter>(m, "rhoV", qDensity, "Dichte des gesättigten Dampfes");
  v1 = AddParameter<TOverruleParameter>(m, "v1", qSpecificVolume, "Spezifisches Volumen");
  z1 = AddParameter<TOverruleParameter>(m, "z1", qNoUnitPositive, "Realgasfaktor");
  pv1 = AddParameter<TOverruleParameter>(m, "pv1", qPressureBar, "Dampfdruck");
  Pl1 = AddParameter<TOverruleParameter>(m, "Pl1", qPressureBar, "Taudruck");
  tv1 = AddParameter<TOverruleParameter>(m, "tv1", qTemperature, "Siedetemperatur");
  tl1 = AddParameter<TOverruleParameter>(m, "tl1", qTemperature, "Tautemperatur");
  eta1 = AddParameter<TOverruleParameter>(m, "eta1", qDynamicViscosity, "Dynamische Viskosität");
  Ny1 = AddParameter<TOverruleParameter>(m, "Ny1", qKinematicViscosity, "Kinematische Viskosität");
  cf = AddParameter<TOverruleParameter>(m, "cf", qVelocity, "Schallgeschwindigkeit");
  CStar = AddParameter<TOverruleParameter>(m, "CStar", qNoUnitPositive, "Kritische Durchflussfunktion");
  pStar = AddParameter<TOutputParameter>(m, "pStar", qPressureBar, "Kritischer Druck der Strömung");
  tStar = AddParameter<TOutputParameter>(m, "tStar", qTemperature, "Kritische Temperatur der Strömung");
  cfStar = AddParameter<TOutputParameter>(m, "cfStar", qVelocity, "Kritische Schallgeschwindigkeit");
  rhoStar = AddParameter<TOverruleParameter>(m, "rhoStar", qDensity, "Kritische Dichte der Strömung");
  Lambda1 = AddParameter<TOverruleParameter>(m, "Lambda1", qHeatConductivity, "Wärmeleitfähigkeit");
  H1 = AddParameter<TOverruleParameter>(m, "H1", qEnthalpy, "Spezifische Enthalpie");
  Dhv = AddParameter<TOverruleParameter>(m, "Dhv", qEnthalpy, "Verdampfungsenthalpie");
  dHvT = AddParameter<TOverruleParameter>(m, "dHvT", qEnthalpy, "Verdampfungsenthalpie bei Siedetemperatur");
  S1 = AddParameter<TOverruleParameter>(m, "S1", qEntropy, "Spezifische Entropie");
  cp1 = AddParameter<TOverruleParameter>(m, "cp1", qHeatCapacity, "Spezifische Wärmekapazität cp");
  cpL = AddParameter<TOverruleParameter>(m, "cpL", qHeatCapacity, "Wärmekapazität der Flüssigkeit");
  cv1 = AddParameter<TOverruleParameter>(m, "cv1", qHeatCapacity, "Spezifische Wärmekapazität cv");
  Ef = AddParameter<TOverruleParameter>(m, "Ef", qModulusOfElasticity, "Elastizitätsmodul des Mediums");
  PvW = AddParameter<TOutputParameter>(m, "PvW", qPressureBar, "Dampfdruck des Wassers");
  xMv = AddParameter<TOverruleParameter>(m, "xMv", qPortion, "Dampfanteil");
  RhoLDeviation = m.AddItem<TOutputParameter>("RhoLDeviation", Extended(-100), Extended(100), qPortion);
  RhoLDeviation->SetCaption("Abweichung der Dichte bei 25 °C");
  Description = m.AddItem<tCalcString>("Description");
  Description->SetCaption("Beschreibung");
  Formula = m.AddItem<tCalcString>("Formula");
  Formula->SetCaption("Formel");
  CASNo = m.AddItem<tCalcString>("CASNo");
  CASNo->SetCaption("CAS-Nummer");
  Manufacturer = m.AddItem<tCalcString>("Manufacturer");
  Manufacturer->SetCaption("Hersteller");
  for (tCalcString* s : {Description, Formula, CASNo, Manufacturer}) {
    s->SetInputState(isDatabase);
    s->SetReadOnly(true);
  }

  DoAfterTranslate();
  DoOnPhaseChange(true);
}

TCMSubstances::~TCMSubstances() { DestroyItems(); }

void TCMSubstances::DoAfterTranslate() {
  try {
    auto& db = const_cast<TDataModuleCDSSubstance&>(*FDatabase);
    db.SetLanguageNo(TDataModuleCDSSubstance::ActiveLanguage());
    const std::string chosen = FluidName->GetSelectedValue();
    FluidName->SetDatabase(FDatabase);
    if (!chosen.empty()) {
      const std::string now = FDatabase->TranslatedSubstanceName(chosen, FDatabase->GetLanguageNo());
      if (!now.empty() && now != FluidName->GetSelectedValue()) FluidName->SetText(now);
    }
  } catch (const std::exception&) {
    throw EHXInternal("Internal Error in TCMSubstances.DoAfterTranslate.");
  }
}

teSubstanceType TCMSubstances::InternalSubstanceType() const {
  const teSubstanceType t = FSubstance->GetSubstanceType();
  return t == stRUBochum && !FSubstance->GetUseExtFluid() ? stOthers : t;
}

TEPhase TCMSubstances::DeclaredPhase() const { return Choice(Phase, phUndef, 6); }

// ------------------------------------------------------------ calculation

void TCMSubstances::DoCalculate() {
  const tPropertyDescription* record = SelectSubstance();
  CopyInputs();
  const bool changed = AutomaticPhaseChange();
  DoOnPhaseChange(changed);
  ReadBack();
  CheckInputs();
  RaiseMessages(record);
}

// The substance record of the chosen name; its data fill the modify
// parameters the user has not changed.
const tPropertyDescription* TCMSubstances::SelectSubstance() {
  const std::string name = FluidName->GetSelectedValue();
  const tPropertyDescription* record = name.empty() ? nullptr : FDatabase->Find(name);
  TSubstanceCalc& s = *FSubstance;
  s.SetFluidName(name);
  s.SetPropertyDescription(record ? *record : tPropertyDescription());
  if (SelectLibrarySubstance()) return record;
  if (!record) return nullptr;
  const bool newSubstance = name != FLastFluid;
  FLastFluid = name;
  if (newSubstance) {
    // Another substance: its own data, not the last one's.
    for (TModifyParameter* p : {Tt, Ts, Tc, Pc, Zc, Zn, Omega, My, RhoC, Rho25, RhoN, Ri, M, Sg}) {
      p->SetModified(false);
      if (p->GetInputState() != isUser) p->SetValue(NoValue);
    }
    SubstanceType->SetSwitchStatus(record->DataSubstanceType);
    RhoNRiM->SetSwitchStatus(record->RhonRiM);
  }
  AssignData(Tt, record->tt);
  AssignData(Ts, record->ts);
  AssignData(Tc, record->tc);
  AssignData(Pc, record->pc);
  AssignData(Zc, record->zc);
  AssignData(Zn, record->Zn);
  AssignData(Omega, record->omega);
  AssignData(My, record->my);
  AssignData(RhoC, record->rhoc);
  AssignData(Rho25, record->Rho25);
  switch (Choice(RhoNRiM, rrmM, 4)) {
    case rrmM: AssignData(M, record->M); break;
    case rrmRhoN: AssignData(RhoN, record->RHoN); break;
    default: break;
  }
  // A natural gas: its composition goes to the gas method's provider.
  if (record->DataSubstanceType == stAGA || record->DataSubstanceType == stGERG) {
    if (Concentration->GetValueList() != std::vector<std::string>{name}) Concentration->SetValueList({name});
    if (Concentration->GetSwitchStatus() != 0) Concentration->SetSwitchStatus(0);
    const TNaturalGasMethod method = record->DataSubstanceType == stGERG ? ngmGERG2008 : ngmAGA8Detail;
    auto* own = dynamic_cast<tNaturalGasSubstance*>(FGasProvider.get());
    if (!s.GetExtSubstancesAssigned() || (own && s.GetExtSubstancesAssigned() == own && own->GetMethod() != method)) {
      s.SetExtSubstances(nullptr);
      if (method == ngmGERG2008) FGasProvider = std::make_unique<tGERGSubstance>();
      else FGasProvider = std::make_unique<tAGA8Substance>();
      s.SetExtSubstances(FGasProvider.get());
    }
    if (tExtSubstances* provider = s.GetExtSubstancesAssigned()) {
      tAGAConcentration c;
      c.SetCType(record->DataSubstanceType == stGERG ? tAGAConcentration::ctGERG : tAGAConcentration::ctAGA8);
      for (int i = 1; i <= tAGAConcentration::MaxComponent; ++i) {
        const Extended x = ComponentFraction(record->AGAConcentration, i);
        if (x > 0) c.SetC(i, x);
      }
      if (!(provider->GetAGAConcentration() == c)) provider->GetAGAConcentration().Assign(c);
    }
  }
  const auto text = [](tCalcString* item, const std::string& value) {
    if (item->GetText() != value) item->SetText(value);
  };
  // Shown in the program's language: "Natural gas", not "Erdgas".
  text(Description, FDatabase->LocalDescription(name));
  text(Formula, Translate(record->Formula));
  text(CASNo, record->CANo);
  text(Manufacturer, record->Manufacturer);
  return record;
}

// A substance of the property library (UseExtFluid on, one of ExtFluids
// chosen): its provider computes every property, and its critical data and
// molar mass fill the constants the user has not given. Switching the
// library off hands the substance back to the database record.
bool TCMSubstances::SelectLibrarySubstance() {
  TSubstanceCalc& s = *FSubstance;
  auto* pure = dynamic_cast<tGERGPureFluid*>(FGasProvider.get());
  const int chosen = ExtFluids->GetSwitchStatus();
  if (!UseExtFluid->GetChecked() || chosen < 0) {
    if (pure) {
      if (s.GetExtSubstancesAssigned() == pure) s.SetExtSubstances(nullptr);
      FGasProvider.reset();
      FLastFluid.clear();  // the record's data again
    }
    return false;
  }
  if (!pure || pure->GetComponent() != chosen + 1) {
    s.SetExtSubstances(nullptr);
    FGasProvider = std::make_unique<tGERGPureFluid>(chosen + 1);
    pure = static_cast<tGERGPureFluid*>(FGasProvider.get());
  }
  if (s.GetExtSubstancesAssigned() != pure) s.SetExtSubstances(pure);
  if (SubstanceType->GetSwitchStatus() != stRUBochum) SubstanceType->SetSwitchStatus(stRUBochum);
  AssignData(Tc, pure->GetValue(epTc));
  AssignData(Pc, pure->GetValue(epPc));
  AssignData(RhoC, pure->GetValue(epRhoC));
  AssignData(M, pure->GetValue(epM));
  FLastFluid = "\x01library";
  return true;
}

void TCMSubstances::StornoConstants() {
  for (TModifyParameter* p : {Tt, Ts, Tc, Pc, Zc, Zn, Omega, My, RhoC, Rho25, RhoN, Ri, M, Sg}) {
    p->SetModified(false);
    p->SetValue(NoValue);
    p->SetInputState(isDatabase);
  }
  FLastFluid.clear();
  Calculate();
}

void TCMSubstances::CopyInputs() {
  TSubstanceCalc& s = *FSubstance;
  s.SetSubstanceType(Choice(SubstanceType, stOthers, 6));
  s.SetUseExtFluid(UseExtFluid->GetChecked());
  s.SetPhase(DeclaredPhase());
  s.SetGasMedium(Choice(GasMedium, gmGas, 4));
  s.SetPulpeType(Choice(PulpeType, ptKraft, 3));
  s.SetHumidityType(Choice(HumidityType, htRelative, 5));
  s.SetRhoNRiM(Choice(RhoNRiM, rrmM, 4));
  switch (Choice(StandardConditions, sc0DegC, 3)) {
    case sc0DegC: s.SetTN0(0); s.SetPN0(StandardPressure); break;
    case sc60DegF: s.SetTN0(kT60F); s.SetPN0(StandardPressure); break;
    case scUser: s.SetTN0(V(TN0)); s.SetPN0(V(PN0)); break;
  }
  s.SetTt(V(Tt));
  s.SetTs(V(Ts));
  s.SetTc(V(Tc));
  s.SetPc(V(Pc));
  s.SetZc(V(Zc));
  s.SetZn(V(Zn));
  s.SetOmega(V(Omega));
  s.SetMy(V(My));
  s.SetRhoC(V(RhoC));
  s.SetRho25(V(Rho25));
  s.SetXSpec(V(XSpec));
  s.SetFnTr(V(FnTr));
  s.SetFnF(V(FnF));
  s.SetFF(V(FF));
  // The given gas constant is an input of the engine; the others follow.
  const TERhonRiM given = Choice(RhoNRiM, rrmM, 4);
  s.SetRhoN(V(RhoN), given == rrmRhoN);
  s.SetRi(V(Ri), given == rrmRi);
  s.SetM(V(M), given == rrmM);
  s.SetSg(V(Sg), given == rrmSg);
  // Relative humidity is an input when it is the given kind, else a result.
  const bool relative = Choice(HumidityType, htRelative, 5) == htRelative;
  s.SetPhiRel(V(PhiRel), relative || User(PhiRel));
  s.SetxMv(V(xMv), HasValue(V(xMv)));
  // Results the user overruled; a cleared one returns to the engine.
  const auto overrule = [&](TCalcParameter* p, void (TSubstanceCalc::*set)(Extended, bool)) {
    (s.*set)(V(p), User(p));
  };
  overrule(rho1, &TSubstanceCalc::SetRho);
  overrule(rhoL, &TSubstanceCalc::SetrhoL);
  overrule(rhoV, &TSubstanceCalc::SetrhoV);
  overrule(v1, &TSubstanceCalc::SetV);
  overrule(z1, &TSubstanceCalc::SetZ);
  overrule(pv1, &TSubstanceCalc::SetPv);
  overrule(Pl1, &TSubstanceCalc::SetPl);
  overrule(tv1, &TSubstanceCalc::SetTv);
  overrule(tl1, &TSubstanceCalc::SetTl);
  overrule(eta1, &TSubstanceCalc::SetEta);
  overrule(Ny1, &TSubstanceCalc::SetNy);
  overrule(cf, &TSubstanceCalc::SetCf);
  overrule(CStar, &TSubstanceCalc::SetCStar);
  overrule(rhoStar, &TSubstanceCalc::SetrhoStar);
  overrule(Lambda1, &TSubstanceCalc::SetLambda);
  overrule(H1, &TSubstanceCalc::SetH);
  overrule(Dhv, &TSubstanceCalc::SetDhv);
  overrule(dHvT, &TSubstanceCalc::SetdHvT);
  overrule(S1, &TSubstanceCalc::SetS);
  overrule(cp1, &TSubstanceCalc::SetCp);
  overrule(cpL, &TSubstanceCalc::SetCpL);
  overrule(cv1, &TSubstanceCalc::SetCv);
  overrule(Ef, &TSubstanceCalc::SetEf);
  overrule(kappa1, &TSubstanceCalc::SetKappa);
  // The state last: the engine hands it on to its provider.
  s.SetT(V(T1));
  s.SetP(V(p1));
}

// The declared phase follows the calculated one when ChangePhase is on
// (database substances only: a provider's phase is its own).
bool TCMSubstances::AutomaticPhaseChange() {
  TSubstanceCalc& s = *FSubstance;
  const TEPhase declared = DeclaredPhase();
  const bool automatic = ChangePhase->GetChecked();
  // A state on the saturation line is the declared phase there: a boiling
  // liquid for a liquid, a saturated vapour for a vapour or gas.
  switch (declared) {
    case phLiquid:
    case phMixPhaseG: SaturatedPhase->SetSwitchStatus(spLiquid); break;
    case phVapour:
    case phGas:
    case phGasOp: SaturatedPhase->SetSwitchStatus(spVapour); break;
    case phMixPhaseV: SaturatedPhase->SetSwitchStatus(spTwoPhase); break;
    default: break;
  }
  s.SetSaturatedPhase(Choice(SaturatedPhase, spLiquid, 3));
  if (FChangingPhase || !Available(V(T1), V(p1))) return false;
  const teCalculatedPhase found = s.GetCalculatedPhase();
  if (found == cpUndef || found == cpSolid) return false;
  int index = phLiquid;
  if (found == cpVapour) index = phVapour;
  if (found == cpGas) index = phGas;
  // The phase set by the program: a change of it needs no new pass.
  const auto setPhase = [&](TCalcListSwitch* sw, int i) {
    sw->SetInputState(isCalculated);
    sw->SetSwitchStatus(i);
  };
  const bool restore = FChangingPhase;
  FChangingPhase = true;
  try {
    if (Phase->GetSwitchStatus() < 0) {
      // No phase chosen yet: the calculated one, silently.
      setPhase(Phase, index);
    } else if (automatic && InternalSubstanceType() == stOthers && declared != phMixPhaseV &&
               declared != phMixPhaseG && index != declared &&
               !(declared == phGasOp && (found == cpGas || found == cpVapour))) {
      if (MessageIfChangePhase->GetChecked()) {
        if (OnInformation) OnInformation(Translate("Phasenwechsel"));
        CreateMessage(113, {Phase, CalculatedPhase});
      }
      setPhase(Phase, index);
      if (declared == phVapour && index == phGas) setPhase(GasMedium, gmGasOp);
    } else {
      FChangingPhase = restore;
      return false;
    }
  } catch (...) {
    FChangingPhase = restore;
    throw;
  }
  FChangingPhase = restore;
  s.SetPhase(DeclaredPhase());
  s.SetGasMedium(Choice(GasMedium, gmGas, 4));
  return true;
}

void TCMSubstances::ReadBack() {
  TSubstanceCalc& s = *FSubstance;
  // Each value is read before its approximated flag: the getter that
  // computes the value is what sets the flag (read together as two
  // arguments of one call, the flag could be taken first, in whatever
  // order the compiler evaluates them, and stay false).
  using S = TSubstanceCalc;
  constexpr int kExact = -1;  // a result that is never approximated
  struct TResult {
    TCalcParameter* p;
    Extended (S::*get)();
    int approx;
  };
  const TResult results[] = {
      {rho1, &S::GetRho, S::apRho},          {v1, &S::GetV, S::apV},
      {rhoL, &S::GetrhoL, kExact},           {rhoV, &S::GetrhoV, kExact},
      {z1, &S::GetZ, S::apZ},                {pv1, &S::GetPv, S::apPv},
      {Pl1, &S::GetPl, kExact},              {tv1, &S::GetTv, S::apTv},
      {tl1, &S::GetTl, kExact},              {eta1, &S::GetEta, S::apEta},
      {Ny1, &S::GetNy, S::apNy},             {Lambda1, &S::GetLambda, S::apLambda},
      {H1, &S::GetH, S::apH},                {S1, &S::GetS, S::apS},
      {Dhv, &S::GetDhv, S::apdhv},           {dHvT, &S::GetdHvT, S::apdhv},
      {cp1, &S::GetCp, S::apCp},             {cpL, &S::GetCpL, S::apCpL},
      {cv1, &S::GetCv, kExact},              {kappa1, &S::GetKappa, S::apKappa},
      {cf, &S::GetCf, S::apCf},              {Ef, &S::GetEf, S::apCf},
      {CStar, &S::GetCStar, S::apCStar},     {pStar, &S::GetpStar, kExact},
      {tStar, &S::GettStar, kExact},         {rhoStar, &S::GetrhoStar, kExact},
      {cfStar, &S::GetcfStar, kExact},       {PvW, &S::GetPvW, kExact},
      {RhoLDeviation, &S::GetRhoLDeviation, kExact},
  };
  for (const TResult& r : results) {
    const Extended value = (s.*r.get)();
    AssignValueAndApprox(r.p, value, r.approx != kExact && s.GetIsApproximated(static_cast<S::Approx>(r.approx)));
  }
  if (Choice(HumidityType, htRelative, 5) != htRelative) AssignValueAndApprox(PhiRel, s.GetPhiRel(), false);
  // The gas constants that are not the given one.
  const TERhonRiM given = Choice(RhoNRiM, rrmM, 4);
  if (given != rrmRhoN) RhoN->AssignValue(0, s.GetRhoN());
  if (given != rrmRi) Ri->AssignValue(0, s.GetRi());
  if (given != rrmM) M->AssignValue(0, s.GetM());
  if (given != rrmSg) Sg->AssignValue(0, s.GetSg());
  DisplayPhase->SetSwitchStatus(s.GetDisplayPhase());
  CalculatedPhase->SetSwitchStatus(s.GetCalculatedPhase());
  const teRange r = s.GetRange();
  Range->SetSwitchStatus(r == raUndef ? -1 : static_cast<int>(r) - 1);
}

// ------------------------------------------------------------ relevance

void TCMSubstances::SetUtilizedForMoistGas(bool moist) {
  const std::vector<TCalcItem*> all = {HumidityType, PhiRel, PvW, XSpec, FnF, FnTr, FF};
  if (!moist) {
    MakeNotUtilized(all);
    return;
  }
  MakeUtilized({HumidityType, PhiRel, PvW});
  MakeNotUtilized({XSpec, FnF, FnTr, FF});
  switch (Choice(HumidityType, htRelative, 5)) {
    case htSpecific: MakeUtilized({XSpec}); break;
    case htAbsoluteHnMoist: MakeUtilized({FnF}); break;
    case htAbsoluteHnDry: MakeUtilized({FnTr}); break;
    case htAbsoluteHMoist: MakeUtilized({FF}); break;
    case htRelative: break;
  }
}

void TCMSubstances::DoOnPhaseChange(bool force) {
  (void)force;
  const teSubstanceType type = InternalSubstanceType();
  const bool database = type == stOthers;
  const bool moist = Choice(GasMedium, gmGas, 4) == gmGasMoist || Choice(GasMedium, gmGas, 4) == gmGasMoistOp;
  const bool opBasis = Choice(GasMedium, gmGas, 4) == gmGasOp || Choice(GasMedium, gmGas, 4) == gmGasMoistOp;
  const auto use = [&](bool on, const std::vector<TCalcItem*>& items) {
    on ? MakeUtilized(items) : MakeNotUtilized(items);
  };
  // The gas at operating conditions (also a two-phase vapour mixture and a
  // gas given at operating conditions).
  const auto operatingBasis = [&] {
    SetUtilizedForMoistGas(moist);
    MakeUtilized({T1, p1, kappa1, z1});
    MakeNotUtilized({PulpeType, xPulp, Zc, RhoC});
    use(database, {rho1, Ts, RhoN, Ri, Zn, Omega, My, M, Sg, RhoNRiM, StandardConditions, Manufacturer,
                   Description, Rho25});
    if (!database) MakeNotUtilized({TN0, PN0});
  };
  switch (DeclaredPhase()) {
    case phLiquid:
    case phMixPhaseG:
      SetUtilizedForMoistGas(false);
      MakeUtilized({p1, T1});
      MakeNotUtilized({StandardConditions, TN0, PN0, GasMedium, Zc, My, Zn, kappa1});
      if (type == stPulpe) {
        MakeUtilized({PulpeType, xPulp, Ts});
        MakeNotUtilized({RhoC, Omega, Manufacturer, Description, RhoNRiM, RhoN, Ri, M, Sg, z1, Rho25});
      } else if (database) {
        use(Flashing->GetChecked(), {RhoNRiM, RhoN, Ri, M, Sg, z1});
        MakeUtilized({RhoC, Ts, Omega, Manufacturer, Description, Rho25});
        MakeNotUtilized({PulpeType, xPulp});
      } else {
        MakeUtilized({Ts});
        MakeNotUtilized({RhoC, Omega, Manufacturer, Description, RhoNRiM, RhoN, Ri, M, Sg, z1, Rho25,
                         PulpeType, xPulp});
      }
      break;
    case phVapour:
      SetUtilizedForMoistGas(false);
      MakeUtilized({T1, p1, kappa1, RhoN});
      MakeNotUtilized({PulpeType, xPulp, Zc, Zn, RhoC, Ts, Ri, Sg, z1, Omega, My, StandardConditions, TN0,
                       PN0, Rho25});
      use(database, {Manufacturer, Description, rho1, M, RhoNRiM});
      break;
    case phGas:
      if (opBasis) {
        operatingBasis();
        break;
      }
      MakeUtilized({T1, p1, z1, kappa1, RhoN, RhoNRiM, M, StandardConditions, GasMedium});
      MakeNotUtilized({PulpeType, xPulp});
      SetUtilizedForMoistGas(moist);
      use(database, {Zc, Zn, Manufacturer, Description, Ts, Omega, My, Ri, Sg, RhoC, Rho25});
      break;
    case phGasOp:
    case phMixPhaseV:
      operatingBasis();
      break;
    default:
      SetUtilizedForMoistGas(false);
      break;
  }
  // Normal conditions of the user only.
  const bool gasLike = DeclaredPhase() == phGas || DeclaredPhase() == phGasOp || DeclaredPhase() == phMixPhaseV;
  use(gasLike && Choice(StandardConditions, sc0DegC, 3) == scUser, {TN0, PN0});
  // Two-phase items only for a two-phase medium.
  use(DeclaredPhase() == phMixPhaseV || DeclaredPhase() == phMixPhaseG, {xMv});
  use(type == stAGA || type == stGERG, {Concentration});
}

// ------------------------------------------------------------ checks

void TCMSubstances::CheckInputs() {
  std::vector<TCalcItem*> inputs = {T1, p1};
  const TEPhase phase = DeclaredPhase();
  const bool database = InternalSubstanceType() == stOthers;
  if (database && (phase == phGas || phase == phGasOp || phase == phVapour)) {
    switch (Choice(RhoNRiM, rrmM, 4)) {
      case rrmRhoN: inputs.push_back(RhoN); break;
      case rrmRi: inputs.push_back(Ri); break;
      case rrmM: inputs.push_back(M); break;
      case rrmSg: inputs.push_back(Sg); break;
    }
  }
  if (phase == phMixPhaseV || phase == phMixPhaseG) inputs.push_back(xMv);
  // Values out of bounds anywhere among the inputs are reported too.
  for (TCalcItem* i : GetCalcItems()) {
    auto* p = i->AsParameter();
    if (p && !p->IsOutputParameter() && p->HasText() && IsNoValue(p->GetCalcValue()) &&
        std::find(inputs.begin(), inputs.end(), i) == inputs.end())
      inputs.push_back(p);
  }
  CheckParameters(inputs);
  // The density is what every later step needs.
  if (Available(V(T1), V(p1)) && IsNoValue(V(rho1)) && FSubstance->GetCalculatedPhase() != cpSolid)
    CalculationFails({rho1});
}

void TCMSubstances::RaiseMessages(const tPropertyDescription* record) {
  TSubstanceCalc& s = *FSubstance;
  const std::string name = FluidName->GetText();
  if (!record && !name.empty() && FluidName->GetSwitchStatus() < 0) CreateMessage(130, {FluidName});
  const teSubstanceType type = Choice(SubstanceType, stOthers, 6);
  if (type == stRUBochum && UseExtFluid->GetChecked() && s.GetFluidDLLError()) {
    CreateMessage(128, {UseExtFluid, FluidName});
  } else if (s.GetFluidDLLError()) {
    CreateMessage(129, {UseExtFluid, FluidName});
  }
  if (type == stGERG && record && ComponentFraction(record->AGAConcentration, 17) > kGergOctaneLimit)
    CreateMessage(131, {FluidName, Concentration});
  // A pure fluid of GERG-2008: what its equation does not give, and the
  // state against the equation's range of validity.
  if (auto* pure = dynamic_cast<tGERGPureFluid*>(FGasProvider.get());
      pure && s.GetExtSubstancesAssigned() == pure && UseExtFluid->GetChecked()) {
    CreateMessage(133, {ExtFluids, eta1}, {TMessageArg(ExtFluids->GetText())});
    for (const TGasMessage& m : pure->CheckState()) CreateMessage(m.No, {T1, p1, ExtFluids}, m.Args);
  }
  const Extended T = V(T1), P = V(p1), tv = V(tv1), pv = V(pv1), tc = V(Tc), tl = V(tl1), pl = V(Pl1);
  const teCalculatedPhase found = s.GetCalculatedPhase();
  if (found == cpSolid) CreateMessage(114, {T1, Tt});
  if ((type == stAGA || type == stGERG) && HasValue(T) && T < kNaturalGasMinT) CreateMessage(122, {T1});
  const TEPhase phase = DeclaredPhase();
  // Above the critical temperature there is no liquid side.
  const bool subcritical = !Available(T, tc) || T < tc;
  // The side of the saturation line is the one the calculation took (the
  // state's own, the declared one only on the line itself), so that a state
  // a hair beyond the line is not computed as one phase and declared as
  // the other without a word.
  const bool liquidSide = subcritical && found == cpLiquid && Available(P, pv);
  const bool vapourSide = (found == cpVapour || found == cpGas) && Available(P, pv);
  switch (FCheckPhase ? phase : phUndef) {
    case phLiquid:
      // A liquid at or above its critical temperature does not exist.
      if (Available(T, tc) && T >= tc) {
        CreateMessage(111, {T1, Tc});
      } else if (vapourSide) {
        // The liquid boils at this state: one message, the one that names
        // the boiling temperature where the temperature lies above it.
        if (Available(T, tv) && T > tv + kSaturationMargin) CreateMessage(111, {T1, tv1, p1, pv1});
        else CreateMessage(110, {p1, pv1});
      }
      break;
    case phMixPhaseG:
      // Liquid with an inert gas: the liquid must not boil.
      if (vapourSide) CreateMessage(112, {pv1, Phase});
      break;
    case phVapour:
      // A vapour on the liquid side: the message names temperature and
      // boiling temperature already.
      if (liquidSide) CreateMessage(116, {T1, tv1, p1, pv1, rho1});
      break;
    case phGas:
    case phGasOp:
      if (liquidSide) CreateMessage(117, {T1, tv1, p1, pv1, rho1});
      break;
    default: break;
  }
  // Mixtures with a dew line (from a provider only).
  if (HasValue(tl) || HasValue(pl)) {
    const bool gas = phase == phGas || phase == phGasOp || phase == phVapour;
    if (gas && Available(T, tl) && T < tl) CreateMessage(124, {tl1, T1});
    if (gas && Available(P, pl) && P > pl) CreateMessage(125, {Pl1, p1, pv1, CalculatedPhase});
    if (phase == phLiquid && Available(T, tv) && T > tv) CreateMessage(126, {T1, tv1, tl1});
    if (phase == phLiquid && Available(P, pv) && P < pv) CreateMessage(127, {p1, Pl1, pv1, CalculatedPhase});
  }
}

// ------------------------------------------------------------ compound

TCCMSubstances::TCCMSubstances(TCalcComponent* owner, std::string name)
    : TCompoundCalcModule(owner, std::move(name)) {
  FModule = CreateChild<TCMSubstances>("CMSubstances");
}

std::unique_ptr<TCalcModule> CreateSubstancesModule() { return std::make_unique<TCMSubstances>(); }

}  // namespace torvacalc
