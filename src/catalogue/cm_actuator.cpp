#include "catalogue/cm_actuator.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>

#include "framework/module_items.h"
#include "framework/options.h"
#include "framework/translation.h"
#include "framework/sqlite_reader.h"

namespace torvacalc {

namespace {

// Valve styles are numbered as in the valve database (index = ID - 1);
// rotary plug, butterfly and ball valves turn a shaft and need a torque,
// not a thrust.
bool IsRotary(int valveType) { return valveType >= 1 && valveType <= 3; }

const std::vector<std::string> kFailPositions = {"schließend", "öffnend", "bleibt stehen"};
// "schließend" of a fail position is not the "flow to close" of a plug:
// its own English texts.
const std::vector<std::string> kFailPositionsEnglish = {"fail closed", "fail open", "stays put"};
const std::vector<std::string> kActuatorKinds = {"pneumatischer Membranantrieb", "elektrischer Linearantrieb"};

// A force that may be negative or zero (a reserve, an actuator without
// thrust): its bounds are off.
TOutputParameter* SignedForce(TCalcModule& m, const char* name, const char* caption) {
  auto* p = m.AddItem<TOutputParameter>(name, Extended(0), Extended(0), qForce);
  p->SetCaption(caption);
  return p;
}

Extended V(const TCalcParameter* p) { return p->GetCalcValue(); }
void Put(TCalcParameter* p, Extended value) { p->AssignValue(0, value); }

template <class E>
E Choice(const TCalcListSwitch* s, E fallback, int count) {
  const int i = s->GetSwitchIndex();
  return i >= 0 && i < count ? static_cast<E>(i) : fallback;
}

Extended Reserve(const TCalcParameter* p) {
  return HasValue(V(p)) ? V(p) : DefaultThrustReserve;
}

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
  return s;
}

std::string Number(Extended v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.1f", static_cast<double>(v));
  return buf;
}

}  // namespace

// ------------------------------------------------------------ TCMActuator

TCMActuator::TCMActuator(TCalcComponent* owner, std::string name) : TCalcModule(owner, std::move(name)) {
  auto& m = *this;
  ValveType = m.AddItem<TDNVDataListSwitch>("ValveType");
  ValveType->SetCaption("Ventilbauart");
  FStyles = TValveStyles::Default();
  OfferValveData(ValveType, FStyles->StyleSource(), true);
  Seat = AddParameter<TModifyParameter>(m, "Seat", qNominalDiameter, "Sitzdurchmesser");
  Stem = AddParameter<TInputParameter>(m, "Stem", qNominalDiameter, "Spindeldurchmesser");
  Stroke = AddParameter<TModifyParameter>(m, "Stroke", qLengthMM, "Hub des Ventils");
  p1 = AddParameter<TInOutParameter>(m, "p1", qPressureBar, "Eintrittsdruck");
  p2 = AddParameter<TInOutParameter>(m, "p2", qPressureBar, "Austrittsdruck");
  dpShutOff = AddParameter<TInputParameter>(m, "dpShutOff", qPressureDropBar, "Schließdifferenzdruck");
  BalancedPlug = m.AddItem<TCalcSwitch>("BalancedPlug");
  BalancedPlug->SetCaption("Druckentlasteter Kegel");
  BalancedPlug->SetChecked(false);
  LeakageClass = AddListSwitch(m, "LeakageClass", "Leckageklasse", {"I", "II", "III", "IV", "V", "VI"}, lcIV);
  PackingType = AddListSwitch(m, "PackingType", "Stopfbuchspackung", {"PTFE einfach", "PTFE doppelt"});
  FailPosition = AddListSwitch(m, "FailPosition", "Sicherheitsstellung", kFailPositions);
  FailPosition->SetValueTexts("en", kFailPositionsEnglish);
  ActuatorKind = AddListSwitch(m, "ActuatorKind", "Antriebsart", kActuatorKinds);
  SupplyPressure = AddParameter<TInputParameter>(m, "SupplyPressure", qPressureDropBar, "Zuluftdruck (Überdruck)");
  MinReserve = AddParameter<TInputParameter>(m, "MinReserve", qPortion, "Mindestkraftreserve");
  ActuatorArea = AddParameter<TModifyParameter>(m, "ActuatorArea", qAreaQCM, "Wirksame Membranfläche");
  SpringStart = AddParameter<TModifyParameter>(m, "SpringStart", qPressureDropBar, "Federbereich Anfang");
  SpringEnd = AddParameter<TModifyParameter>(m, "SpringEnd", qPressureDropBar, "Federbereich Ende");
  RatedThrust = AddParameter<TModifyParameter>(m, "RatedThrust", qForce, "Nennstellkraft");
  ActuatorStroke = AddParameter<TModifyParameter>(m, "ActuatorStroke", qLengthMM, "Hub des Antriebs");
  UnbalancedForce = AddParameter<TOutputParameter>(m, "UnbalancedForce", qForce, "Statische Kegelkraft");
  PackingFriction = AddParameter<TOutputParameter>(m, "PackingFriction", qForce, "Packungsreibung");
  SeatLoad = AddParameter<TOutputParameter>(m, "SeatLoad", qForce, "Sitzkraft für die Leckageklasse");
  RequiredThrust = AddParameter<TOutputParameter>(m, "RequiredThrust", qForce, "Erforderliche Stellkraft");
  ActuatorThrust = SignedForce(m, "ActuatorThrust", "Verfügbare Stellkraft");
  ThrustReserve = SignedForce(m, "ThrustReserve", "Kraftreserve");
}

TCMActuator::~TCMActuator() { DestroyItems(); }

void TCMActuator::DoCalculate() {
  const TEActuatorKind kind = Choice(ActuatorKind, akDiaphragm, 2);
  const TEFailPosition fail = Choice(FailPosition, fpClose, 3);
  const bool diaphragm = kind == akDiaphragm;
  (diaphragm ? MakeUtilized({ActuatorArea, SpringStart, SpringEnd, SupplyPressure})
             : MakeNotUtilized({ActuatorArea, SpringStart, SpringEnd, SupplyPressure}));
  (diaphragm ? MakeNotUtilized({RatedThrust}) : MakeUtilized({RatedThrust}));
  const bool balanced = BalancedPlug->GetChecked();
  (balanced ? MakeUtilized({Stem}) : MakeNotUtilized({Stem}));

  const std::vector<TCalcParameter*> results = {UnbalancedForce, PackingFriction, SeatLoad,
                                                RequiredThrust, ActuatorThrust, ThrustReserve};
  if (IsRotary(ValveType->GetSwitchIndex())) {
    CreateMessage(1808, {ValveType});
    for (TCalcParameter* p : results) Put(p, NoValue);
    return;
  }
  const Extended P1 = V(p1), P2 = V(p2);
  const bool inverted = Available(P1, P2) && P2 > P1;
  if (inverted) CreateMessage(903, {p2, p1}, {ShownName(p2), ShownName(p1)});
  // The shut-off pressure difference: as given, else the operating one,
  // else the inlet pressure against an outlet open to the atmosphere.
  Extended dp = V(dpShutOff);
  std::vector<TCalcItem*> required = {Seat};
  if (IsNoValue(dp) && dpShutOff->GetText().empty() && !inverted) {
    if (Available(P1, P2))
      dp = P1 - P2;
    else if (Available(P1))
      dp = std::max(Extended(0), P1 - StandardPressure);
    if (HasValue(dp)) CreateMessage(1805, {dpShutOff, p1, p2}, {dpShutOff->ConvertToUnitString(dp)});
    else required.push_back(p1);
  } else if (IsNoValue(dp)) {
    required.push_back(dpShutOff);
  }
  CheckParameters(required);

  const Extended seat = V(Seat);
  const Extended stem = HasValue(V(Stem)) ? V(Stem) : tActuator::TypicalStem(seat);
  const Extended unbalanced = tActuator::UnbalancedForce(dp, seat, stem, balanced);
  const Extended friction = tActuator::PackingFriction(stem, Choice(PackingType, pkPTFESingle, 2));
  const Extended seatLoad = tActuator::SeatLoad(Choice(LeakageClass, lcIV, 6), seat);
  const Extended total =
      Available(unbalanced, friction, seatLoad) ? unbalanced + friction + seatLoad : NoValue;
  Put(UnbalancedForce, unbalanced);
  Put(PackingFriction, friction);
  Put(SeatLoad, seatLoad);
  Put(RequiredThrust, total);

  // The actuator given (by the user or the catalogue).
  TActuatorRecord a;
  a.Kind = kind;
  a.Fail = fail;
  a.Area = V(ActuatorArea);
  a.SpringStart = V(SpringStart);
  a.SpringEnd = V(SpringEnd);
  a.Thrust = V(RatedThrust);
  const Extended supply = V(SupplyPressure);
  const Extended thrust = tActuator::AvailableThrust(a, supply);
  Put(ActuatorThrust, thrust);
  Put(ThrustReserve, Available(thrust, total) ? thrust - total : NoValue);
  if (!diaphragm && fail != fpStay) CreateMessage(1810, {FailPosition, ActuatorKind});
  if (diaphragm && fail == fpStay) CreateMessage(1811, {FailPosition, ActuatorKind});
  if (diaphragm && fail == fpOpen && HasValue(a.Area) && IsNoValue(supply)) CheckParameters({SupplyPressure});
  if (diaphragm && Available(supply, a.SpringEnd) && supply < a.SpringEnd)
    CreateMessage(1807, {SupplyPressure, SpringEnd});
  if (Available(V(Stroke), V(ActuatorStroke)) && V(ActuatorStroke) < V(Stroke))
    CreateMessage(1806, {ActuatorStroke, Stroke});
  if (Available(thrust, total)) {
    if (thrust < total)
      CreateMessage(1801, {ActuatorThrust, RequiredThrust},
                    {ActuatorThrust->ConvertToUnitString(thrust), RequiredThrust->ConvertToUnitString(total)});
    else if (thrust < total * (1 + Reserve(MinReserve) / 100))
      CreateMessage(1802, {ThrustReserve, MinReserve}, {MinReserve->ConvertToUnitString(Reserve(MinReserve))});
  }
}

// ---------------------------------------------------- TCMActuatorDataBase

const std::vector<TActuatorRecord>& TCMActuatorDataBase::Catalogue() {
  static const std::vector<TActuatorRecord> catalogue = [] {
    try {
      return TActuatorDatabase::OpenDefault()->Actuators();
    } catch (const ESqliteReader&) {
      return std::vector<TActuatorRecord>{};
    }
  }();
  return catalogue;
}

TCMActuatorDataBase::TCMActuatorDataBase(TCalcComponent* owner, std::string name)
    : TCalcModule(owner, std::move(name)) {
  auto& m = *this;
  RequiredThrust = AddParameter<TInputParameter>(m, "RequiredThrust", qForce, "Erforderliche Stellkraft");
  Stroke = AddParameter<TModifyParameter>(m, "Stroke", qLengthMM, "Hub des Ventils");
  FailPosition = AddListSwitch(m, "FailPosition", "Sicherheitsstellung", kFailPositions);
  FailPosition->SetValueTexts("en", kFailPositionsEnglish);
  ActuatorKind = AddListSwitch(m, "ActuatorKind", "Antriebsart", kActuatorKinds);
  SupplyPressure = AddParameter<TInputParameter>(m, "SupplyPressure", qPressureDropBar, "Zuluftdruck (Überdruck)");
  MinReserve = AddParameter<TInputParameter>(m, "MinReserve", qPortion, "Mindestkraftreserve");
  WantedActuator = m.AddItem<TCalcRelevantString>("WantedActuator");
  WantedActuator->SetCaption("Gewünschter Antrieb");
  const auto text = [&](const char* name, const char* caption) {
    auto* s = m.AddItem<tCalcString>(name);
    s->SetCaption(caption);
    s->SetInputState(isDatabase);
    s->SetReadOnly(true);
    return s;
  };
  ActuatorName = text("ActuatorName", "Antrieb");
  ActuatorManufacturer = text("ActuatorManufacturer", "Hersteller des Antriebs");
  ActuatorType = text("ActuatorType", "Bauart des Antriebs");
  SpringRange = text("SpringRange", "Federbereich");
  ActuatorArea = AddParameter<TOutputParameter>(m, "ActuatorArea", qAreaQCM, "Wirksame Membranfläche");
  SpringStart = AddParameter<TOutputParameter>(m, "SpringStart", qPressureDropBar, "Federbereich Anfang");
  SpringEnd = AddParameter<TOutputParameter>(m, "SpringEnd", qPressureDropBar, "Federbereich Ende");
  RatedThrust = AddParameter<TOutputParameter>(m, "RatedThrust", qForce, "Nennstellkraft");
  ActuatorStroke = AddParameter<TOutputParameter>(m, "ActuatorStroke", qLengthMM, "Hub des Antriebs");
  ActuatorSpeed = AddParameter<TOutputParameter>(m, "ActuatorSpeed", qVelocity, "Stellgeschwindigkeit");
  ActuatorThrust = SignedForce(m, "ActuatorThrust", "Verfügbare Stellkraft");
  ThrustReserve = SignedForce(m, "ThrustReserve", "Kraftreserve");
}

TCMActuatorDataBase::~TCMActuatorDataBase() { DestroyItems(); }

void TCMActuatorDataBase::Show(const TActuatorRecord* a) {
  const auto text = [](tCalcString* item, const std::string& value) {
    if (item->GetText() != value) item->SetText(value);
  };
  text(ActuatorName, a ? a->Name : std::string());
  // The sample catalogue names its maker in German, as every text.
  text(ActuatorManufacturer, a ? Translate(a->Manufacturer) : std::string());
  std::string type;
  if (a) {
    // Worded in the program's language when the actuator is looked up, as
    // the maker's name.
    const bool german = HXOptions().Language == "de";
    type = a->Kind == akElectric
               ? Translate(kActuatorKinds[akElectric])
               : Translate(kActuatorKinds[akDiaphragm]) + ", " +
                     (german ? kFailPositions[a->Fail] : kFailPositionsEnglish[a->Fail]);
  }
  text(ActuatorType, type);
  const bool springs = a && Available(a->SpringStart, a->SpringEnd);
  text(SpringRange, springs ? Number(a->SpringStart) + " - " + Number(a->SpringEnd) + " bar" : std::string());
  Put(ActuatorArea, a ? a->Area : NoValue);
  Put(SpringStart, a ? a->SpringStart : NoValue);
  Put(SpringEnd, a ? a->SpringEnd : NoValue);
  Put(RatedThrust, a ? a->Thrust : NoValue);
  Put(ActuatorStroke, a ? a->Stroke : NoValue);
  // mm/s in the basic unit m/s.
  Put(ActuatorSpeed, a && HasValue(a->Speed) ? a->Speed / 1000 : NoValue);
}

void TCMActuatorDataBase::DoCalculate() {
  const std::vector<TActuatorRecord>& all = Catalogue();
  const TEActuatorKind kind = Choice(ActuatorKind, akDiaphragm, 2);
  const TEFailPosition fail = Choice(FailPosition, fpClose, 3);
  (kind == akDiaphragm ? MakeUtilized({SupplyPressure, ActuatorArea, SpringStart, SpringEnd, SpringRange})
                       : MakeNotUtilized({SupplyPressure, ActuatorArea, SpringStart, SpringEnd, SpringRange}));
  (kind == akElectric ? MakeUtilized({RatedThrust, ActuatorSpeed}) : MakeNotUtilized({RatedThrust, ActuatorSpeed}));
  if (all.empty()) {
    CreateMessage(1809, {ActuatorName});
    Show(nullptr);
    Put(ActuatorThrust, NoValue);
    Put(ThrustReserve, NoValue);
    return;
  }
  const Extended required = V(RequiredThrust), supply = V(SupplyPressure), stroke = V(Stroke);
  const std::string wanted = Lower(WantedActuator->GetText());
  const TActuatorRecord* chosen = nullptr;
  if (!wanted.empty()) {
    for (const TActuatorRecord& a : all)
      if (Lower(a.Name) == wanted) chosen = &a;
    if (!chosen) CreateMessage(1804, {WantedActuator}, {WantedActuator->GetText()});
  } else {
    CheckParameters({RequiredThrust});
    if (kind == akDiaphragm && fail == fpOpen) CheckParameters({SupplyPressure});
    if (kind == akElectric && fail != fpStay) CreateMessage(1810, {FailPosition, ActuatorKind});
    const auto i = tActuator::Select(all, kind, fail, required, Reserve(MinReserve), stroke, supply);
    if (i)
      chosen = &all[*i];
    else if (HasValue(required))
      CreateMessage(1803, {ActuatorName, RequiredThrust, Stroke});
  }
  Show(chosen);
  const Extended thrust = chosen ? tActuator::AvailableThrust(*chosen, supply) : NoValue;
  Put(ActuatorThrust, thrust);
  Put(ThrustReserve, Available(thrust, required) ? thrust - required : NoValue);
  if (!chosen || wanted.empty()) return;
  // The actuator the user named is checked like a selection.
  if (Available(thrust, required) && thrust < required)
    CreateMessage(1801, {ActuatorThrust, RequiredThrust},
                  {ActuatorThrust->ConvertToUnitString(thrust), RequiredThrust->ConvertToUnitString(required)});
  if (Available(stroke, chosen->Stroke) && chosen->Stroke < stroke) CreateMessage(1806, {ActuatorStroke, Stroke});
  if (chosen->Kind == akDiaphragm && Available(supply, chosen->SpringEnd) && supply < chosen->SpringEnd)
    CreateMessage(1807, {SupplyPressure, SpringRange});
}

}  // namespace torvacalc
