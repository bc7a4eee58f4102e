#include "workspace/catalogue_choice.h"

#include <algorithm>
#include <map>
#include <memory>

#include "assembly/whole_calculation.h"
#include "catalogue/actuator.h"
#include "catalogue/cm_actuator.h"
#include "catalogue/valve_catalogue.h"
#include "framework/calc_switch.h"
#include "framework/number_text.h"
#include "framework/options.h"
#include "framework/translation.h"
#include "valves/valve_styles.h"
#include "workspace/torva_workspace.h"

namespace torvacalc {

namespace {

Extended ValueOf(const TWorkspace& calc, const char* name, int op = 0) {
  const TCalcItem* item = calc.Item(name, op);
  const TCalcParameter* p = item ? item->AsParameter() : nullptr;
  return p ? p->GetCalcValue() : NoValue;
}

int IndexOf(const TWorkspace& calc, const char* name) {
  const auto* s = dynamic_cast<const TCustomCalcMultiSwitch*>(calc.Item(name, 0));
  return s ? s->GetSwitchStatus() : -1;
}

std::string TextOf(const TWorkspace& calc, const char* name) {
  const TCalcItem* item = calc.Item(name, 0);
  return item ? item->GetText() : std::string();
}

// The switch of a style's trims: globe, rotary plug, butterfly and ball
// valves have one each, the other styles one trim only.
const char* TrimSwitchOf(int styleIndex) {
  static const char* kTrims[] = {"GlobeType", "RotaryType", "ButterflyType", "BallValveType"};
  return styleIndex >= 0 && styleIndex < TValveStyles::TrimSwitchCount ? kTrims[styleIndex] : nullptr;
}

// The duty as the catalogue module of the calculation reads it.
TValveDuty DutyOf(const TWorkspace& calc) {
  TValveDuty d;
  d.Kv = ValueOf(calc, "kvMax");
  d.p1 = ValueOf(calc, "p1Max");
  d.t1 = ValueOf(calc, "T1Max");
  d.MinDN = ValueOf(calc, "MinDN");
  d.SuggestedKvs = ValueOf(calc, "kvsSugg");
  d.n0 = ValueOf(calc, "n0");
  d.AsmeRatings = IndexOf(calc, "PipeClass") == 1;
  return d;
}

// The entries that take a catalogue valve over. Each names its choice by
// the list index, so that they hold in either language; the series and the
// valve are named by their catalogue texts, which are the lists' texts.
std::vector<std::string> ValveEntries(const TCatalogueSeries& s, const TValveOffer& o) {
  const int style = s.StyleId - 1;
  std::vector<std::string> e = {"ValveFromDatabase=#1", "ValveType=#" + std::to_string(style)};
  if (const char* trim = TrimSwitchOf(style)) e.push_back(std::string(trim) + "=#" + std::to_string(s.TrimNo));
  // The series' own characteristic: the travel follows it.
  e.push_back("CharacteristicType=#" + std::to_string(s.Characteristic));
  e.push_back("VManufacturer=" + s.Manufacturer);
  e.push_back("VSeries=" + s.Name);
  e.push_back("AllValves=" + o.Text());
  return e;
}

}  // namespace

Extended TValveCandidate::LoudestLpAa() const {
  Extended top = NoValue;
  for (Extended l : LpAa)
    if (HasValue(l) && (!HasValue(top) || l > top)) top = l;
  return top;
}

std::vector<TValveCandidate> ValveCandidates(TTorvaWorkspace& calc, bool allStyles) {
  std::vector<TValveCandidate> rows;
  const TValveCatalogue* catalogue = TValveCatalogue::Default();
  const TValveDuty duty = DutyOf(calc);
  if (!catalogue || !HasValue(duty.Kv) || duty.Kv <= 0) return rows;
  const int style = std::max(0, IndexOf(calc, "ValveType"));
  const auto styles = TValveStyles::Default();
  // The valve the calculation holds: its series and its text in the list.
  const auto* use = dynamic_cast<const TCalcSwitch*>(calc.Item("ValveFromDatabase", 0));
  const bool fromCatalogue = use && use->GetChecked();
  const std::string currentSeries = fromCatalogue ? TextOf(calc, "VSeries") : std::string();
  const std::string currentValve = fromCatalogue ? TextOf(calc, "AllValves") : std::string();

  std::vector<std::pair<const TCatalogueSeries*, TValveOffer>> offers;
  for (const TCatalogueSeries& s : catalogue->Series()) {
    if (!allStyles && s.StyleId != style + 1) continue;
    std::vector<TValveOffer> fitting = TValveCatalogue::FittingOffers(s, duty);
    std::vector<Extended> steps;
    for (const TValveOffer& o : fitting)
      if (std::find(steps.begin(), steps.end(), o.Size.Kvs) == steps.end()) steps.push_back(o.Size.Kvs);
    std::sort(steps.begin(), steps.end());
    if (steps.size() > 3) steps.resize(3);
    for (const TValveOffer& o : fitting)
      if (std::find(steps.begin(), steps.end(), o.Size.Kvs) != steps.end()) offers.emplace_back(&s, o);
  }
  if (offers.empty()) return rows;

  // One trial calculation of the same kind with the same entries; each
  // candidate is taken over in it in turn.
  auto trial = std::make_unique<TTorvaWorkspace>(CreateWholeCalculationOfClass(calc.KindName()));
  trial->Super().UseHistory = false;
  trial->Super().LoadState(calc.Super().SaveState());
  const TCatalogueSeries* trialSeries = nullptr;
  bool seriesTaken = false;
  for (const auto& [s, o] : offers) {
    TValveCandidate c;
    c.Manufacturer = Translate(s->Manufacturer);
    c.Series = s->Name;
    const int st = s->StyleId - 1;
    if (const TTrimStyle* trim = st >= 0 ? styles->Trim(st, s->TrimNo) : nullptr)
      c.Style = HXOptions().Language == "en" && !trim->NameEn.empty() ? trim->NameEn : trim->Name;
    c.DN = o.Size.DN;
    c.Kvs = o.Size.Kvs;
    c.Rating = o.Rating.Rating;
    c.Current = s->Name == currentSeries && o.Text() == currentValve;
    c.Entries = ValveEntries(*s, o);
    // The series is taken over once; its valves one after another.
    bool taken = false;
    if (s != trialSeries) {
      trialSeries = s;
      seriesTaken = trial->EnterSteps({c.Entries.begin(), c.Entries.end() - 1}).Applied;
    }
    if (seriesTaken) taken = trial->Enter("AllValves", 0, o.Text()).Applied;
    if (taken)
      for (int op = 0; op < 4; ++op) {
        if (!trial->PointOn(op)) continue;
        c.Opening[static_cast<size_t>(op)] = ValueOf(*trial, "h", op);
        if (trial->Relevant("LpAa", op)) c.LpAa[static_cast<size_t>(op)] = ValueOf(*trial, "LpAa", op);
      }
    rows.push_back(std::move(c));
  }
  std::stable_sort(rows.begin(), rows.end(), [](const TValveCandidate& a, const TValveCandidate& b) {
    if (a.DN != b.DN) return a.DN < b.DN;
    if (a.Kvs != b.Kvs) return a.Kvs < b.Kvs;
    return a.Series < b.Series;
  });
  return rows;
}

std::vector<TActuatorCandidate> ActuatorCandidates(TTorvaWorkspace& calc) {
  std::vector<TActuatorCandidate> rows;
  const int kindIndex = IndexOf(calc, "ActuatorKind");
  const int failIndex = IndexOf(calc, "FailPosition");
  const TEActuatorKind kind = kindIndex == akElectric ? akElectric : akDiaphragm;
  const TEFailPosition fail = failIndex >= 0 && failIndex <= fpStay ? static_cast<TEFailPosition>(failIndex) : fpClose;
  const Extended required = ValueOf(calc, "RequiredThrust"), supply = ValueOf(calc, "SupplyPressure"),
                 stroke = ValueOf(calc, "Stroke");
  const Extended reserve = HasValue(ValueOf(calc, "MinReserve")) ? ValueOf(calc, "MinReserve") : DefaultThrustReserve;
  const std::string current = TextOf(calc, "ActuatorName");
  for (const TActuatorRecord& a : TCMActuatorDataBase::Catalogue()) {
    if (a.Kind != kind) continue;
    if (kind == akDiaphragm && fail != fpStay && a.Fail != fail) continue;
    TActuatorCandidate c;
    c.Name = a.Name;
    c.Manufacturer = Translate(a.Manufacturer);
    static const char* kFail[] = {"Sicherheitsstellung ZU", "Sicherheitsstellung AUF", "bleibt stehen"};
    c.Type = kind == akElectric ? Translate("elektrischer Linearantrieb")
                                : Translate("pneumatischer Membranantrieb") + ", " + Translate(kFail[a.Fail]);
    c.Stroke = a.Stroke;
    c.Thrust = tActuator::AvailableThrust(a, supply);
    c.Required = required;
    if (Available(c.Thrust, required)) {
      c.Margin = c.Thrust - required;
      if (required > 0) c.MarginPercent = 100 * c.Margin / required;
    }
    // The rule of the selection, one actuator at a time.
    std::vector<TActuatorRecord> one{a};
    c.Fits = tActuator::Select(one, kind, fail, required, reserve, stroke, supply).has_value();
    c.Current = !current.empty() && a.Name == current;
    c.Entries = {"WantedActuator=" + a.Name};
    rows.push_back(std::move(c));
  }
  std::stable_sort(rows.begin(), rows.end(), [](const TActuatorCandidate& a, const TActuatorCandidate& b) {
    if (HasValue(a.Thrust) != HasValue(b.Thrust)) return HasValue(a.Thrust);
    return HasValue(a.Thrust) && a.Thrust < b.Thrust;
  });
  return rows;
}

}  // namespace torvacalc
