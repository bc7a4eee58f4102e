#include "piping/cm_material_data.h"
#include "framework/module_items.h"

#include <algorithm>

namespace torvacalc {

namespace {

constexpr int kMsgApproximated = 102;
constexpr int kMsgOutsideRange = 1411;
constexpr int kMsgToughness = 1412;
constexpr int kMsgNoStrengths = 1413;

// Safety factors of the strength characteristic (AD 2000-Merkblatt B 0,
// Table 2): 1.5 for rolled and forged steels, 2.0 for steel castings,
// whose defects the inspection finds less reliably.
constexpr Extended kSafetyRolled = 1.5L, kSafetyCast = 2.0L;

template <class S>
S* Switch(TCalcModule& m, const char* name, const char* caption, const std::vector<std::string>& values) {
  auto* s = m.AddItem<S>(name);
  s->SetCaption(caption);
  s->SetValueList(values);
  return s;
}

Extended V(const TCalcParameter* p) { return p->GetCalcValue(); }

// A switch the module sets from the material found: a database choice,
// which starts no new pass.
void Show(TCustomCalcMultiSwitch* s, const std::string& text) {
  const auto& values = s->GetValueList();
  const auto it = std::find(values.begin(), values.end(), text);
  const int index = it == values.end() ? -1 : static_cast<int>(it - values.begin());
  if (s->GetSwitchStatus() == index && s->GetInputState() == isDatabase) return;
  s->SetInputState(isDatabase);
  s->SetSwitchStatus(index);
}

std::string Chosen(const TCustomCalcMultiSwitch* s) {
  const int i = s->GetSwitchStatus();
  const auto& v = s->GetValueList();
  return i >= 0 && i < static_cast<int>(v.size()) ? v[static_cast<size_t>(i)] : std::string();
}

}  // namespace

TCMMaterialData::TCMMaterialData(TCalcComponent* owner, std::string name, const TMaterialDatabase* database)
    : TCalcModule(owner, std::move(name)), FDatabase(database ? database : TMaterialDatabase::Default()) {
  auto& m = *this;
  std::vector<std::string> names, nos, materials, conditions, classes, groups;
  if (FDatabase) {
    for (const TMaterialEntry& e : FDatabase->Materials()) {
      names.push_back(e.Name);
      nos.push_back(e.No);
      materials.push_back(e.No + " " + e.Name + " (" + e.Standard + ")");
    }
    conditions = FDatabase->Conditions();
    classes = FDatabase->ExpansionClasses();
    groups = FDatabase->Groups();
  }
  NormInput = Switch<TCalcListSwitch>(m, "NormInput", "Werkstoffwahl",
                                      {"Werkstoffname", "Werkstoffnummer", "Ausdehnungsklasse (ohne Festigkeitswerte)"});
  NormInput->SetSwitchStatus(niByName);
  EN13480Name = Switch<TDataMultiSwitch>(m, "EN13480Name", "Werkstoff (Name)", names);
  EN13480No = Switch<TMatDataMultiSwitch>(m, "EN13480No", "Werkstoff (Nummer)", nos);
  Material = Switch<TDataMultiSwitch>(m, "Material", "Werkstoff", materials);
  ExpansionClass = Switch<TDataMultiSwitch>(m, "ExpansionClass", "Ausdehnungsklasse", classes);
  MaterialClass = Switch<TDataMultiSwitch>(m, "MaterialClass", "Werkstoffgruppe", groups);
  Condition = Switch<TDataMultiSwitch>(m, "Condition", "Wärmebehandlungszustand", conditions);
  SteelType = Switch<TCalcListSwitch>(m, "SteelType", "Stahlart", {"ferritisch", "austenitisch", "Nichteisenmetall"});
  for (TCalcItem* s : std::vector<TCalcItem*>{Material, MaterialClass, Condition, SteelType}) {
    // Shown from the material found; never typed in.
    s->SetInputState(isCalculated);
    s->SetReadOnly(true);
  }
  T1 = AddParameter<TInputParameter>(m, "T1", qTemperature, "Temperatur");
  e = AddParameter<TInputParameter>(m, "e", qLengthMM, "Wanddicke");
  hz = AddParameter<TInputParameter>(m, "hz", qTimeH, "Betriebsstunden");
  Alpha = AddParameter<TOverruleParameter>(m, "Alpha", qExpansionCoefficient, "Mittl. Ausdehnungskoeffizient ab 20 °C");
  Alin = AddParameter<TOverruleParameter>(m, "Alin", qExpansionCoefficient, "Wahrer Ausdehnungskoeffizient");
  Blin = m.AddItem<TOverruleParameter>("Blin", Extended(-1E20L), Extended(1E20L), qNoUnit);
  Blin->SetCaption("Wärmedehnung ab 20 °C (mm/m)");
  CM = m.AddItem<TOverruleParameter>("CM", Extended(-1E20L), Extended(1E20L), qNoUnit);
  CM->SetCaption("Wärmespannung E*alpha (N/(mm² K))");
  K = AddParameter<TModifyParameter>(m, "K", qModulusOfElasticity, "Festigkeitskennwert K");
  EM = AddParameter<TOverruleParameter>(m, "EM", qModulusOfElasticity, "Elastizitätsmodul");
  RhoM = AddParameter<TOverruleParameter>(m, "RhoM", qDensity, "Dichte des Werkstoffs");
  SChar = AddParameter<TOverruleParameter>(m, "SChar", qNoUnitPositive, "Sicherheitsbeiwert");
  RM = AddParameter<TOverruleParameter>(m, "RM", qModulusOfElasticity, "Zugfestigkeit Rm");
  Rp02 = AddParameter<TOverruleParameter>(m, "Rp02", qModulusOfElasticity, "0,2-%-Dehngrenze");
  Rp10 = AddParameter<TOverruleParameter>(m, "Rp10", qModulusOfElasticity, "1-%-Dehngrenze");
  SrTt = AddParameter<TOverruleParameter>(m, "SrTt", qModulusOfElasticity, "Zeitstandfestigkeit");
  Rp02_20 = AddParameter<TOverruleParameter>(m, "Rp02_20", qModulusOfElasticity, "0,2-%-Dehngrenze bei 20 °C");
  Rp10_20 = AddParameter<TOverruleParameter>(m, "Rp10_20", qModulusOfElasticity, "1-%-Dehngrenze bei 20 °C");
  Rm_20 = AddParameter<TOverruleParameter>(m, "Rm_20", qModulusOfElasticity, "Zugfestigkeit bei 20 °C");
  SrTt_20 = AddParameter<TOverruleParameter>(m, "SrTt_20", qModulusOfElasticity, "Zeitstandfestigkeit bei 20 °C");
  LambdaM = AddParameter<TOverruleParameter>(m, "LambdaM", qHeatConductivity, "Wärmeleitfähigkeit");
  CPM = AddParameter<TOverruleParameter>(m, "CPM", qHeatCapacity, "Spezifische Wärmekapazität");
  A = AddParameter<TOverruleParameter>(m, "A", qPortion, "Bruchdehnung");
  tMatMin = AddParameter<TModifyParameter>(m, "tMatMin", qTemperature, "Tiefste Einsatztemperatur");
  tMatMax = AddParameter<TModifyParameter>(m, "tMatMax", qTemperature, "Höchste Einsatztemperatur");
}

TCMMaterialData::~TCMMaterialData() { DestroyItems(); }

// The material by the chosen way of input; the other switches follow. A
// number chosen while the input is by name (or a name while it is by
// number) is taken too, rather than cleared unseen.
const tEN13480Description* TCMMaterialData::LocateMaterial() {
  if (!FDatabase) return nullptr;
  const auto byName = [&] { return FDatabase->ByName(Chosen(EN13480Name)); };
  const auto byNo = [&] { return FDatabase->ByNo(Chosen(EN13480No)); };
  const auto user = [](const TCustomCalcMultiSwitch* s) {
    return s->GetSwitchStatus() >= 0 && s->GetInputState() == isUser;
  };
  switch (NormInput->GetSwitchIndex()) {
    case niByExpansionClass: return FDatabase->ByExpansionClass(Chosen(ExpansionClass));
    case niByNo: {
      const tEN13480Description* d = byNo();
      return d || !user(EN13480Name) ? d : byName();
    }
    default: {
      const tEN13480Description* d = byName();
      return d || !user(EN13480No) ? d : byNo();
    }
  }
}

void TCMMaterialData::ShowMaterial(const tEN13480Description* d) {
  const bool byClass = NormInput->GetSwitchIndex() == niByExpansionClass;
  const bool material = d && !byClass;
  // Name and number show the material found; the one that found it is
  // left as the user chose it.
  const auto sync = [&](TCustomCalcMultiSwitch* s, const std::string& text, bool primary) {
    if (Chosen(s) != text && !(primary && !material)) Show(s, text);
  };
  sync(EN13480Name, material ? d->MatName : "", NormInput->GetSwitchIndex() == niByName);
  sync(EN13480No, material ? d->MatDinNo : "", NormInput->GetSwitchIndex() == niByNo);
  Show(Material, material ? d->MatDinNo + " " + d->MatName + " (" + d->Standard + ")" : "");
  Show(MaterialClass, material ? d->MatGroupInfoD : "");
  Show(Condition, material ? d->Condition : "");
  if (!byClass) Show(ExpansionClass, d ? d->ExpansionClassName : "");
  const std::vector<std::string> types = {"ferritisch", "austenitisch", "Nichteisenmetall"};
  Show(SteelType, material ? types[d->CalculateSteelType()] : "");
  (byClass ? MakeUtilized({ExpansionClass}) : MakeNotUtilized({ExpansionClass}));
  (byClass ? MakeNotUtilized({EN13480Name, EN13480No}) : MakeUtilized({EN13480Name, EN13480No}));
  EN13480Name->SetImportant(NormInput->GetSwitchIndex() == niByName);
  EN13480No->SetImportant(NormInput->GetSwitchIndex() == niByNo);
}

void TCMMaterialData::GetEN13480Values(const tEN13480Description& d, Extended t) {
  std::vector<TCalcItem*> approximated;
  const auto put = [&](TCalcParameter* p, Extended value, bool approx) {
    p->AssignValue(0, value);
    if (!p->ShouldBeAssigned()) return;
    p->SetIsApproximated(approx && HasValue(value));
    if (approx && HasValue(value)) approximated.push_back(p);
  };
  using Fn = Extended (tEN13480Description::*)(Extended, bool&) const;
  const auto at = [&](TCalcParameter* p, Fn f, Extended temp, Extended scale = 1) {
    bool approx = false;
    const Extended v = (d.*f)(temp, approx);
    put(p, HasValue(v) ? v * scale : NoValue, approx);
    return HasValue(v) ? v * scale : NoValue;
  };
  at(Alpha, &tEN13480Description::CalculateBeta20t, t);
  at(Alin, &tEN13480Description::CalculateAl, t, 1E-6L);
  at(Blin, &tEN13480Description::CalculateAt, t);
  at(EM, &tEN13480Description::CalculateEt, t);
  {
    bool approx = false;
    const Extended E2 = d.CalculateEt(t, approx);
    bool a2 = false;
    const Extended b2 = d.CalculateBeta20t(t, a2);
    put(CM, Available(E2, b2) ? E2 * b2 : NoValue, approx || a2);
  }
  at(RhoM, &tEN13480Description::CalculateRhot, t);
  at(RM, &tEN13480Description::CalculateRm, t);
  const Extended rp02 = at(Rp02, &tEN13480Description::CalculateRp02, t);
  const Extended rp10 = at(Rp10, &tEN13480Description::CalculateRp10, t);
  at(SrTt, &tEN13480Description::CalculateSRt, t);
  at(Rp02_20, &tEN13480Description::CalculateRp02, 20);
  at(Rp10_20, &tEN13480Description::CalculateRp10, 20);
  at(Rm_20, &tEN13480Description::CalculateRm, 20);
  at(SrTt_20, &tEN13480Description::CalculateSRt, 20);
  at(LambdaM, &tEN13480Description::CalculateLambdat, t);
  // J/(kg K) into the basic unit kJ/(kg K).
  at(CPM, &tEN13480Description::CalculateCpt, t, 1E-3L);
  // The strength characteristic: austenitic steels harden strongly beyond
  // the 0.2 % limit, so their design rests on the 1 % proof strength.
  const bool austenitic = d.CalculateSteelType() == stAustenitic;
  const Extended k = austenitic && HasValue(rp10) ? rp10 : rp02;
  if (!K->GetModified()) K->AssignValue(12, k);
  const bool cast = d.Standard == "EN 10213";
  put(SChar, HasValue(k) ? (cast ? kSafetyCast : kSafetyRolled) : NoValue, false);
  if (!tMatMin->GetModified()) tMatMin->AssignValue(12, d.MatMinT);
  if (!tMatMax->GetModified()) tMatMax->AssignValue(12, d.MatMaxT);
  for (TCalcItem* p : approximated) CreateMessage(kMsgApproximated, {p, T1});
}

// Without a material every value is cleared; the density of steel stands
// in. It is not flagged as approximate: the missing material is the
// message (101 at the material), a hint at every module that reads the
// density would say the same again.
void TCMMaterialData::NoEN13480Values() {
  for (TCalcParameter* p : {Alpha, Alin, Blin, CM, EM, RM, Rp02, Rp10, SrTt, Rp02_20, Rp10_20, Rm_20, SrTt_20,
                            LambdaM, CPM, SChar}) {
    p->AssignValue(0, NoValue);
    if (p->ShouldBeAssigned()) p->SetIsApproximated(false);
  }
  if (!K->GetModified()) K->AssignValue(12, NoValue);
  if (!tMatMin->GetModified()) tMatMin->AssignValue(12, NoValue);
  if (!tMatMax->GetModified()) tMatMax->AssignValue(12, NoValue);
  RhoM->AssignValue(0, DefaultRhoM);
  if (RhoM->ShouldBeAssigned()) RhoM->SetIsApproximated(false);
}

void TCMMaterialData::CheckTemperature(const tEN13480Description& d, Extended t) {  const Extended lo = V(tMatMin), hi = V(tMatMax);
  if ((HasValue(lo) && t < lo) || (HasValue(hi) && t > hi))
    CreateMessage(kMsgOutsideRange, {T1, tMatMin, tMatMax},
                  {T1->ConvertToUnitString(t), tMatMin->ConvertToUnitString(lo), tMatMax->ConvertToUnitString(hi)});
  else if (HasValue(d.MatMinWarnT) && t < d.MatMinWarnT)
    CreateMessage(kMsgToughness, {T1}, {T1->ConvertToUnitString(d.MatMinWarnT)});
}

void TCMMaterialData::DoCalculate() {
  const tEN13480Description* d = LocateMaterial();
  FDescription = d;
  ShowMaterial(d);
  const bool byClass = NormInput->GetSwitchIndex() == niByExpansionClass;
  CheckParameters({T1, byClass ? static_cast<TCalcItem*>(ExpansionClass)
                               : NormInput->GetSwitchIndex() == niByNo ? static_cast<TCalcItem*>(EN13480No)
                                                                       : EN13480Name});
  const Extended t = V(T1);
  if (!d || IsNoValue(t)) {
    NoEN13480Values();
    return;
  }
  GetEN13480Values(*d, t);
  if (byClass) {
    CreateMessage(kMsgNoStrengths, {ExpansionClass});
  } else {
    CheckTemperature(*d, t);
  }
}

TCCMMaterialData::TCCMMaterialData(TCalcComponent* owner, std::string name, const TMaterialDatabase* database)
    : TCompoundCalcModule(owner, std::move(name)) {
  FModule = CreateChild<TCMMaterialData>("CMMaterialData", database);
  FSource = CreateChild<TCalcSource>("CalcSource");
  FSource->SetCalcModule(FModule);
}

}  // namespace torvacalc
