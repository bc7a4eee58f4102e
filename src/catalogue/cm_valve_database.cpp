#include "catalogue/cm_valve_database.h"

#include <algorithm>

#include "framework/module_items.h"
#include "valves/valve_lists.h"
#include "valves/valve_types.h"

namespace torvacalc {

namespace {

// Message numbers of the valve catalogue.
constexpr int msgNoValveFits = 1701;
constexpr int msgPressureLimit = 1702;
constexpr int msgCatalogueUnreadable = 1703;
constexpr int msgTemperatureLimit = 1704;
constexpr int msgNoSeries = 1705;
constexpr int msgOldDatabase = 1706;
constexpr int msgBelowSuggestedKvs = 1707;
constexpr int msgUnknownPick = 1708;

const char* kBandNames[4] = {"0500", "1000", "2000", "4000"};

Extended V(const TCalcParameter* p) { return p->GetCalcValue(); }

template <class S>
S* DataSwitch(TCalcModule& m, const char* name, const char* caption) {
  auto* s = m.AddItem<S>(name);
  s->SetCaption(caption);
  return s;
}

// A switch the module sets: written as a database value, so that the
// change does not ask the module for another pass; a choice the user had
// made there is replaced.
void Choose(TCustomCalcMultiSwitch* s, int index) {
  s->SetModified(false);
  s->SetInputState(isDatabase);
  s->SetSwitchStatus(index);
}

void Check(TCalcSwitch* s, bool on) {
  s->SetInputState(isDatabase);
  s->SetChecked(on);
}

// Fills a list the module offers and keeps the entry chosen before (by
// its text, also a text typed before the list existed). Returns the index
// of that entry, -1 when it is not in the new list.
int Offer(TCustomCalcMultiSwitch* s, const std::vector<std::string>& values) {
  const std::string chosen = s->GetText();
  s->SetValueList(values);
  return s->IndexOfText(chosen);
}

// A choice the user made (not the module) that names an entry of the list.
bool UserPick(const TCustomCalcMultiSwitch* s, int index) { return index >= 0 && s->GetModified(); }

std::string DNText(int dn) { return "DN " + std::to_string(dn); }

}  // namespace

TCMValveDatabase::TCMValveDatabase(TCalcComponent* owner, std::string name)
    : TCalcModule(owner, std::move(name)), FStyles(TValveStyles::Default()) {
  auto& m = *this;
  // In: the valve style and trim, as the sizing module has them.
  ValveType = m.AddItem<TDNVDataListSwitch>("ValveType");
  ValveType->SetCaption("Ventilbauart");
  GlobeType = AddValveDataSwitch(m, "GlobeType", "Durchgangsventil, Ausführung");
  RotaryType = AddValveDataSwitch(m, "RotaryType", "Drehkegelventil, Ausführung");
  ButterflyType = AddValveDataSwitch(m, "ButterflyType", "Klappe, Ausführung");
  BallValveType = AddValveDataSwitch(m, "BallValveType", "Kugelhahn, Ausführung");
  OfferValveStyles(*FStyles, ValveType, {GlobeType, RotaryType, ButterflyType, BallValveType}, true);
  ValveFromDatabase = AddTwoState(m, "ValveFromDatabase", "Ventil aus dem Katalog", false);
  ValveCanBeModified = AddTwoState(m, "ValveCanBeModified", "Katalogwerte änderbar", true);
  FilterValveDatabase = AddTwoState(m, "FilterValveDatabase", "Nur Baureihen der gewählten Ausführung", false);
  ValveFromHX4Database = AddTwoState(m, "ValveFromHX4Database", "Ventil aus der alten Ventildatenbank", false);
  VManufacturer = DataSwitch<TDataMultiSwitch>(m, "VManufacturer", "Hersteller");
  VSeries = DataSwitch<TDataMultiSwitch>(m, "VSeries", "Baureihe");
  OnlyFittingValves = DataSwitch<TDataMultiSwitch>(m, "OnlyFittingValves", "Passende Ventile");
  AllValves = DataSwitch<TDataMultiSwitch>(m, "AllValves", "Alle Ventile der Baureihe");
  // The valve lists are the catalogue's: an entry of the user there is a
  // change of a database value (modified), which marks a valve picked by
  // hand.
  AllValves->SetInputState(isDatabase);
  OnlyFittingValves->SetInputState(isDatabase);
  CharacteristicType = AddListSwitch(m, "CharacteristicType", "Kennlinie", CharacteristicTypeValues());
  InwardFlow = AddListSwitch(m, "InwardFlow", "Anströmung", InwardFlowValues());
  PipeClass = m.AddItem<TPipeClassSwitch>("PipeClass");
  PipeClass->SetCaption("Rohrklasse");
  PipeClass->SetValueList(PipeClassValues());
  Phase = AddListSwitch(m, "Phase", "Phase", PhaseValues());
  kv = AddParameter<TInputParameter>(m, "kv", qKvCv, "Durchflusskoeffizient Kv");
  p1 = AddParameter<TInputParameter>(m, "p1", qPressureBar, "Eintrittsdruck");
  t1 = AddParameter<TInputParameter>(m, "t1", qTemperature, "Eintrittstemperatur");
  MinDN = AddParameter<TInputParameter>(m, "MinDN", qNominalDiameter, "Kleinste Nennweite");
  SuggestedKvs = AddParameter<TInputParameter>(m, "SuggestedKvs", qKvCv, "Empfohlener Kvs-Wert");
  n0 = AddParameter<TInputParameter>(m, "n0", qNoUnitPositive, "Erforderliches Stellverhältnis");

  // Out: the valve's data.
  ListDN = DataSwitch<TDataMultiSwitch>(m, "ListDN", "Nennweite des Ventils (Liste)");
  ListDN1 = DataSwitch<TDataMultiSwitch>(m, "ListDN1", "Nennweite der Rohrleitung (Liste)");
  ListPN = DataSwitch<TDataListSwitch>(m, "ListPN", "Nenndruckstufe");
  LineValveSize = AddTwoState(m, "LineValveSize", "Ventilnennweite gleich Rohrnennweite", false);
  ManualDN = AddTwoState(m, "ManualDN", "Ventil von Hand gewählt", false);
  auto modify = [&](const char* n, TQuantity q, const char* caption) {
    return AddParameter<TModifyParameter>(m, n, q, caption);
  };
  dH = modify("dH", qNominalDiameter, "Hubdifferenz");
  DNV = modify("DNV", qNominalDiameter, "Nennweite des Ventils");
  DNV1 = modify("DNV1", qNominalDiameter, "Innendurchmesser des Ventils");
  PNV = modify("PNV", qPressureBar, "Nenndruck des Ventils");
  Seat = modify("Seat", qNominalDiameter, "Sitzdurchmesser");
  phi0 = modify("phi0", qPortion, "Kennlinienparameter phi0");
  KvCurve = m.AddItem<TCalcRelevantString>("KvCurve");
  KvCurve->SetCaption("Gemessene Kennlinie (Hub % : Kv/Kvs %)");
  KvCurve->SetInputState(isDatabase);
  cvr = modify("cvr", qKvCv, "Referenz-Kv der Kavitationsdaten");
  pr = modify("pr", qPressureBar, "Referenzdruck der Kavitationsdaten");
  dr = modify("dr", qNominalDiameter, "Referenzgröße der Kavitationsdaten");
  rw = modify("rw", qFixedPortion, "Akustisches Leistungsverhältnis rw");
  Stp = modify("Stp", qNoUnit, "Strouhalzahl der Spitzenfrequenz");
  Aeta = modify("Aeta", qNoUnit, "Exponent des Wirkungsgradbeiwerts");
  aPSE = modify("aPSE", qNoUnitPositive, "Exponent des Druckskaleneffekts");
  bSSE = modify("bSSE", qNoUnitPositive, "Exponent des Größenskaleneffekts");
  Strut = modify("Strut", qInteger, "Nummer der Garnitur");
  SndDN = modify("SndDN", qNominalDiameter, "Nennweite des Ventilaustritts (Schall)");
  Stroke = modify("Stroke", qLengthMM, "Nennhub");
  kvs = modify("kvs", qKvCv, "Kvs-Wert");
  fl2func = AddTwoState(m, "fl2func", "FL2 abhängig von der Öffnung", false);
  Kcfunc = AddTwoState(m, "Kcfunc", "Kc abhängig von der Öffnung", false);
  zyfunc = AddTwoState(m, "zyfunc", "z abhängig von der Öffnung", false);
  xtfunc = AddTwoState(m, "xtfunc", "xT abhängig von der Öffnung", false);
  fdfunc = AddTwoState(m, "fdfunc", "Fd abhängig von der Öffnung", false);
  Kc_75 = modify("Kc_75", qFixedPortion, "Kc bei 75 % Öffnung");
  xt_75 = modify("xt_75", qFixedPortion, "xT bei 75 % Öffnung");
  fd_75 = modify("fd_75", qFixedPortion, "Fd bei 75 % Öffnung");
  fd_75c = modify("fd_75c", qFixedPortion, "Fd bei 75 % Öffnung, schließend");
  fl2_75 = modify("fl2_75", qFixedPortion, "FL2 bei 75 % Öffnung");
  zy_75 = modify("zy_75", qFixedPortion, "z bei 75 % Öffnung");
  uMaxCav = modify("uMaxCav", qVelocity, "Höchstgeschwindigkeit bei Kavitation");
  uMaxFlashing = modify("uMaxFlashing", qVelocity, "Höchstgeschwindigkeit bei Verdampfung");
  uMaxNoCav = modify("uMaxNoCav", qVelocity, "Höchstgeschwindigkeit ohne Kavitation");
  uMaxPartCav = modify("uMaxPartCav", qVelocity, "Höchstgeschwindigkeit bei beginnender Kavitation");
  pmaxValve = modify("pmaxValve", qPressureBar, "Zulässiger Druck des Ventils");
  tminValve = modify("tminValve", qTemperature, "Tiefste zulässige Temperatur des Ventils");
  tmaxValve = modify("tmaxValve", qTemperature, "Höchste zulässige Temperatur des Ventils");
  PNV->ConvertToGaugePressure();
  pmaxValve->ConvertToGaugePressure();
  NoiseNormGas = AddListSwitch(m, "NoiseNormGas", "Geräuschverfahren für Gase und Dämpfe",
                            NoiseNormGasValues(), 2);
  NoiseNormLiquid = AddListSwitch(m, "NoiseNormLiquid", "Geräuschverfahren für Flüssigkeiten",
                               NoiseNormLiquidValues(), 2);
  LowNoiseDesign = AddListSwitch(m, "LowNoiseDesign", "Geräuscharme Ausführung", LowNoiseDesignValues());
  dLaCo = modify("dLaCo", qUnweightSoundPress, "Pegelkorrektur (Benutzer)");
  f1 = modify("f1", qNoUnit, "Akustischer Ventilbeiwert f1");
  f2 = modify("f2", qNoUnit, "Akustischer Ventilbeiwert f2");
  g1 = modify("g1", qNoUnit, "Akustischer Ventilbeiwert g1");
  g2 = modify("g2", qNoUnit, "Akustischer Ventilbeiwert g2");
  for (size_t i = 0; i < 4; ++i) {
    const std::string b = kBandNames[i];
    const std::string hz = std::to_string(500 << i) + " Hz";
    dLGas[i] = modify(("dLGas" + b).c_str(), qUnweightSoundPress, ("Bandkorrektur Gas " + hz).c_str());
    dLLiq[i] = modify(("dLLiq" + b).c_str(), qUnweightSoundPress,
                      ("Bandkorrektur Flüssigkeit " + hz).c_str());
  }
}

TCMValveDatabase::~TCMValveDatabase() { DestroyItems(); }

void TCMValveDatabase::SetValveStyles(std::shared_ptr<const TValveStyles> styles) {
  if (!styles || styles == FStyles) return;
  FStyles = std::move(styles);
  OfferValveStyles(*FStyles, ValveType, {GlobeType, RotaryType, ButterflyType, BallValveType}, false);
}

void TCMValveDatabase::SetCatalogue(const TValveCatalogue* catalogue) {
  FCatalogue = catalogue;
  FCatalogueChosen = true;
  Calculate();
}

// The program's catalogue is read on first need: most calculations never
// take a valve from it, and reading it costs as much as a whole sizing.
const TValveCatalogue* TCMValveDatabase::GetCatalogue() const {
  if (!FCatalogueChosen) {
    FCatalogue = TValveCatalogue::Default();
    FCatalogueChosen = true;
  }
  return FCatalogue;
}

std::vector<TModifyParameter*> TCMValveDatabase::ValveData() const {
  std::vector<TModifyParameter*> v = {
      dH,    DNV,     DNV1,      PNV,       Seat,         phi0,      cvr,        pr,
      dr,    rw,      Stp,       Aeta,      aPSE,         bSSE,      Strut,      SndDN,
      Stroke, kvs,    Kc_75,     xt_75,     fd_75,        fd_75c,    fl2_75,     zy_75,
      uMaxCav, uMaxFlashing, uMaxNoCav, uMaxPartCav, pmaxValve, tminValve, tmaxValve, dLaCo,
      f1,    f2,      g1,        g2};
  v.insert(v.end(), dLGas.begin(), dLGas.end());
  v.insert(v.end(), dLLiq.begin(), dLLiq.end());
  return v;
}

std::vector<TCalcItem*> TCMValveDatabase::OutputSwitches() const {
  return {ListDN, ListDN1, ListPN, LineValveSize, ManualDN, fl2func, Kcfunc, zyfunc, xtfunc, fdfunc,
          NoiseNormGas, NoiseNormLiquid, LowNoiseDesign};
}

int TCMValveDatabase::TrimType() const {
  return ChosenTrim(ValveType->GetSwitchIndex(), {GlobeType, RotaryType, ButterflyType, BallValveType});
}

TValveDuty TCMValveDatabase::Duty() const {
  TValveDuty d;
  d.Kv = V(kv);
  d.p1 = V(p1);
  d.t1 = V(t1);
  d.MinDN = V(MinDN);
  d.SuggestedKvs = V(SuggestedKvs);
  d.n0 = V(n0);
  d.AsmeRatings = PipeClass->GetSwitchStatus() == 1;
  return d;
}

void TCMValveDatabase::FillManufacturers() {
  const int chosen = Offer(VManufacturer, GetCatalogue()->Manufacturers());
  Choose(VManufacturer, chosen >= 0 ? chosen : 0);
}

// The series of the chosen manufacturer for the valve style; with the
// filter on only those of the chosen trim, characteristic and flow
// direction (a series for either direction serves both).
const TCatalogueSeries* TCMValveDatabase::FillSeries() {
  const int style = std::max(0, ValveType->GetSwitchIndex()) + 1;
  const bool filter = FilterValveDatabase->GetChecked();
  std::vector<const TCatalogueSeries*> series =
      GetCatalogue()->SeriesOf(VManufacturer->GetText(), style, filter ? TrimType() : -1);
  if (filter) {
    const int characteristic = CharacteristicType->GetSwitchIndex();
    const int inward = InwardFlow->GetSwitchIndex();
    // A measured-values characteristic takes a series with a measured
    // table: any for the free one, one of the same basic shape for the
    // others (equal percentage, linear, on/off, modified equal percentage).
    const auto matches = [&](const TCatalogueSeries* s) {
      if (characteristic < ctMeasuredValues) return s->Characteristic == characteristic;
      if (!s->Travel.IsValid()) return s->Characteristic == characteristic;
      static constexpr int kShape[] = {ctEqualPercentage, ctLinear, ctOnOff, ctModified_eq};
      return characteristic == ctMeasuredValues || s->Characteristic == characteristic ||
             s->Characteristic == kShape[characteristic - ctMVEQ];
    };
    std::erase_if(series, [&](const TCatalogueSeries* s) {
      return !matches(s) ||
             (s->InwardFlow != ifAny && inward != ifAny && s->InwardFlow != inward);
    });
  }
  std::vector<std::string> names;
  for (const TCatalogueSeries* s : series) names.push_back(s->Name);
  const int chosen = Offer(VSeries, names);
  if (series.empty()) {
    Choose(VSeries, -1);
    return nullptr;
  }
  Choose(VSeries, chosen >= 0 ? chosen : 0);
  return series[static_cast<size_t>(VSeries->GetSwitchStatus())];
}

void TCMValveDatabase::FillOffers(const TCatalogueSeries& s, const TValveDuty& duty) {
  const std::vector<TValveOffer> all = TValveCatalogue::Offers(s, duty);
  const std::vector<TValveOffer> fitting = TValveCatalogue::FittingOffers(s, duty);
  std::vector<std::string> allTexts, fittingTexts;
  for (const TValveOffer& o : all) allTexts.push_back(o.Text());
  for (const TValveOffer& o : fitting) fittingTexts.push_back(o.Text());
  // A valve the user picked from either list is kept while the list still
  // offers it; otherwise the module chooses.
  const int allPick = Offer(AllValves, allTexts);
  const int fitPick = Offer(OnlyFittingValves, fittingTexts);
  // A user's text that names no valve of the series.
  for (auto [sw, pick] : {std::pair{AllValves, allPick}, std::pair{OnlyFittingValves, fitPick}})
    if (sw->GetModified() && pick < 0 && !sw->GetText().empty()) CreateMessage(msgUnknownPick, {sw});
  const bool userAll = UserPick(AllValves, allPick);
  const bool userFit = !userAll && UserPick(OnlyFittingValves, fitPick);
  if (userAll) {
    FOffer = all[static_cast<size_t>(allPick)];
    AllValves->SetInputState(isDatabase);
    AllValves->SetSwitchStatus(allPick);  // the list is new: the pick by its text
  } else if (userFit) {
    FOffer = fitting[static_cast<size_t>(fitPick)];
    OnlyFittingValves->SetInputState(isDatabase);
    OnlyFittingValves->SetSwitchStatus(fitPick);
  } else {
    FOffer = TValveCatalogue::Select(s, duty);
  }
  const auto indexIn = [&](const std::vector<std::string>& texts) {
    if (!FOffer) return -1;
    const auto it = std::find(texts.begin(), texts.end(), FOffer->Text());
    return it == texts.end() ? -1 : static_cast<int>(it - texts.begin());
  };
  if (!userAll) Choose(AllValves, indexIn(allTexts));
  if (!userFit) Choose(OnlyFittingValves, indexIn(fittingTexts));
  Check(ManualDN, userAll || userFit);

  std::vector<std::string> sizes, ratings;
  for (const TCatalogueSize& z : s.Sizes)
    if (sizes.empty() || sizes.back() != DNText(z.DN)) sizes.push_back(DNText(z.DN));
  for (const TCatalogueRating& r : s.Ratings) ratings.push_back(r.Rating);
  Offer(ListDN, sizes);
  Offer(ListDN1, sizes);
  Offer(ListPN, ratings);
  const auto at = [](const std::vector<std::string>& list, const std::string& text) {
    const auto it = std::find(list.begin(), list.end(), text);
    return it == list.end() ? -1 : static_cast<int>(it - list.begin());
  };
  Choose(ListDN, FOffer ? at(sizes, DNText(FOffer->Size.DN)) : -1);
  Choose(ListDN1, FOffer ? at(sizes, DNText(FOffer->Size.DN)) : -1);
  Choose(ListPN, FOffer ? at(ratings, FOffer->Rating.Rating) : -1);
}

void TCMValveDatabase::WriteValve(const TCatalogueSeries& s, const TValveOffer& o) {
  const bool modifiable = ValveCanBeModified->GetChecked();
  for (TModifyParameter* p : ValveData()) {
    // Locked catalogue values: a change the user made goes back to the
    // catalogue's value.
    if (!modifiable && p->GetModified()) p->SetModified(false);
    p->SetReadOnly(!modifiable);
  }
  const auto put = [](TModifyParameter* p, Extended v) { p->AssignValue(15, v); };
  put(DNV, o.Size.DN);
  put(DNV1, o.Size.DN);
  put(SndDN, o.Size.DN);
  // Ratings are gauge pressures: stored absolute, shown as gauge.
  put(PNV, HasValue(o.Rating.PN) ? o.Rating.PN + StandardPressure : NoValue);
  put(pmaxValve, o.Rating.PMaxAbsolute());
  put(Seat, o.Size.Seat);
  put(Stroke, o.Size.Stroke);
  put(kvs, o.Size.Kvs);
  // phi0 (percent) = 100 Kv0/Kvs, the inverse of the inherent rangeability.
  put(phi0, HasValue(s.Rangeability) && s.Rangeability > 0 ? 100 / s.Rangeability : NoValue);
  put(fl2_75, HasValue(s.FL) ? s.FL * s.FL : NoValue);
  put(xt_75, s.XT);
  put(fd_75, s.Fd);
  put(fd_75c, s.FdClose);
  put(Kc_75, s.Kc);
  put(zy_75, s.Zy);
  put(Strut, s.TrimNo);
  put(tminValve, s.TMin);
  put(tmaxValve, s.TMax);
  put(rw, s.rw);
  put(Stp, s.Stp);
  put(Aeta, s.Aeta);
  put(f1, s.f1);
  put(f2, s.f2);
  put(g1, s.g1);
  put(g2, s.g2);
  put(dLaCo, s.dLaCo);
  for (size_t i = 0; i < 4; ++i) {
    put(dLGas[i], s.dLGas[i]);
    put(dLLiq[i], s.dLLiq[i]);
  }
  put(uMaxNoCav, s.uMaxNoCav);
  put(uMaxPartCav, s.uMaxPartCav);
  put(uMaxCav, s.uMaxCav);
  put(uMaxFlashing, s.uMaxFlashing);
  // The measured characteristic of the series, unless the user gave one;
  // only the measured-values characteristics read it.
  if (KvCurve->GetInputState() != isUser) {
    const bool measured = CharacteristicType->GetSwitchIndex() >= ctMeasuredValues;
    KvCurve->SetText(measured && s.Travel.IsValid() ? s.Travel.Text() : std::string());
    KvCurve->SetInputState(isDatabase);
  }
  // The sample catalogue holds no measured cavitation data or travel
  // deviations: those stay empty (or the user's).
  for (TModifyParameter* p : {dH, cvr, pr, dr, aPSE, bSSE}) put(p, NoValue);
  for (TCalcSwitch* f : {fl2func, Kcfunc, zyfunc, xtfunc, fdfunc}) Check(f, s.VaryWithTravel);
  Check(LineValveSize, false);
  // The noise methods the series' data are meant for, unless the user
  // chose one (the series may carry the data of several).
  for (auto [sw, index] : {std::pair{NoiseNormGas, s.NoiseNormGas}, std::pair{NoiseNormLiquid, s.NoiseNormLiquid}})
    if (!modifiable || sw->GetInputState() != isUser) Choose(sw, index);
  Choose(LowNoiseDesign, s.LowNoiseDesign);
}

// Withdraws the catalogue's values; what the user typed or changed stays.
void TCMValveDatabase::ClearValve() {
  for (TModifyParameter* p : ValveData()) {
    p->SetReadOnly(false);
    if (p->GetInputState() == isDatabase && !p->GetModified()) p->AssignValue(15, NoValue);
  }
  if (KvCurve->GetInputState() == isDatabase) KvCurve->SetText(std::string());
}

void TCMValveDatabase::CheckLimits(const TCatalogueSeries& s, const TValveOffer& o,
                                   const TValveDuty& duty) {
  if (HasValue(duty.p1) && duty.p1 > o.Rating.PMaxAbsolute()) CreateMessage(msgPressureLimit, {p1, pmaxValve, ListPN});
  const bool tooHot = HasValue(duty.t1) && HasValue(s.TMax) && duty.t1 > s.TMax;
  const bool tooCold = HasValue(duty.t1) && HasValue(s.TMin) && duty.t1 < s.TMin;
  if (tooHot || tooCold) CreateMessage(msgTemperatureLimit, {t1, tooHot ? tmaxValve : tminValve});
  if (HasValue(duty.SuggestedKvs) && o.Size.Kvs < duty.SuggestedKvs)
    CreateMessage(msgBelowSuggestedKvs, {kvs, SuggestedKvs});
}

void TCMValveDatabase::CalcEvent(TCalcEvent event, TCalcItem* item) {
  if (event == ceValueFieldChange && !FWriting && GetActive() &&
      (item == AllValves || item == OnlyFittingValves))
    item->SetModified(true);
  TCalcModule::CalcEvent(event, item);
}

void TCMValveDatabase::DoCalculate() {
  // Every change of the valve lists from here on is the module's.
  FWriting = true;
  struct Done {
    bool& flag;
    ~Done() { flag = false; }
  } done{FWriting};
  FSeries = nullptr;
  FOffer.reset();
  const bool on = ValveFromDatabase->GetChecked();
  // Without the catalogue the selection items mean nothing.
  std::vector<TCalcItem*> selection = {VManufacturer, VSeries, OnlyFittingValves, AllValves,
                                       FilterValveDatabase, ValveCanBeModified, ValveFromHX4Database,
                                       kv, p1, t1, MinDN, SuggestedKvs, n0};
  std::vector<TCalcItem*> outputs = OutputSwitches();
  for (TModifyParameter* p : ValveData()) outputs.push_back(p);
  if (!on) {
    // The user's entries rule: nothing is chosen, nothing written.
    MakeNotUtilized(selection);
    MakeNotUtilized(outputs);
    MakeNotUtilized({KvCurve});
    ClearValve();
    return;
  }
  MakeUtilized(selection);
  MakeUtilized(outputs);
  // Only the measured-values characteristics read the measured table.
  (CharacteristicType->GetSwitchIndex() >= ctMeasuredValues ? MakeUtilized({KvCurve}) : MakeNotUtilized({KvCurve}));
  const bool liquid = Phase->GetSwitchIndex() == phLiquid;
  std::vector<TCalcItem*> liquidOnly = {uMaxCav, uMaxFlashing, uMaxNoCav, uMaxPartCav};
  for (TModifyParameter* p : dLLiq) liquidOnly.push_back(p);
  std::vector<TCalcItem*> gasOnly(dLGas.begin(), dLGas.end());
  if (Phase->GetSwitchIndex() != phUndef) {
    (liquid ? MakeUtilized(liquidOnly) : MakeNotUtilized(liquidOnly));
    (liquid ? MakeNotUtilized(gasOnly) : MakeUtilized(gasOnly));
  }
  if (ValveFromHX4Database->GetChecked()) CreateMessage(msgOldDatabase, {ValveFromHX4Database});
  if (!GetCatalogue()) {
    CreateMessage(msgCatalogueUnreadable, {ValveFromDatabase});
    return;
  }
  FillManufacturers();
  FSeries = FillSeries();
  if (!FSeries) {
    CreateMessage(msgNoSeries, {VManufacturer, ValveType});
    ClearValve();
    return;
  }
  const TValveDuty duty = Duty();
  FillOffers(*FSeries, duty);
  if (!FOffer) {
    CreateMessage(msgNoValveFits, {VSeries, kv, p1, MinDN});
    ClearValve();
    return;
  }
  WriteValve(*FSeries, *FOffer);
  CheckLimits(*FSeries, *FOffer, duty);
}

}  // namespace torvacalc
