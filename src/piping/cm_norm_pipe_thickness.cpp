#include "piping/cm_norm_pipe_thickness.h"
#include "framework/module_items.h"

#include <algorithm>

namespace torvacalc {

namespace {

// Messages of the pipe module (121 is the catalogue's pressure-rating
// message).
constexpr int kMsgPressureAboveRating = 121;
constexpr int kMsgValveLargerThanClass = 1401;
constexpr int kMsgNoPipeInClass = 1402;
constexpr int kMsgBoreNotBelowOutside = 1403;

Extended V(const TCalcParameter* p) { return p->GetCalcValue(); }

// A database value is filled in unless the user gave one of his own.
bool UserOwns(const TCalcParameter* p) {
  return p->GetModified() || (p->GetInputState() == isUser && p->HasText());
}

// The module chooses an entry of a database list: as a database choice,
// so that the change starts no new pass and a user's later choice wins.
void ChooseByProgram(TCustomCalcMultiSwitch* s, int index) {
  if (s->GetSwitchStatus() == index && s->GetInputState() == isDatabase) return;
  s->SetInputState(isDatabase);
  s->SetSwitchStatus(index);
}

// The user chose the entry himself (the module leaves it alone).
bool UserChoice(const TCustomCalcMultiSwitch* s) {
  return s->GetSwitchStatus() >= 0 && s->GetInputState() == isUser;
}

}  // namespace

TCMNormPipeThickness::TCMNormPipeThickness(TCalcComponent* owner, std::string name, const TPipeDatabase* database)
    : TCalcModule(owner, std::move(name)), FDatabase(database ? database : TPipeDatabase::Default()) {
  auto& m = *this;
  EnterDi = m.AddItem<TCalcListSwitch>("EnterDi");
  EnterDi->SetCaption("Innendurchmesser");
  EnterDi->SetValueList({"aus Außendurchmesser und Wanddicke", "eingegeben"});
  EnterDi->SetSwitchStatus(0);
  PipeClass = m.AddItem<TPipeClassSwitch>("PipeClass");
  PipeClass->SetCaption("Rohrklasse");
  std::vector<std::string> classes;
  if (FDatabase)
    classes = FDatabase->ClassNames();
  PipeClass->SetValueList(classes);
  DN = m.AddItem<TDataListSwitch>("DN");
  DN->SetCaption("Nennweite DN");
  PN = m.AddItem<TDataListSwitch>("PN");
  PN->SetCaption("Nenndruck / Wanddickenreihe");
  if (!classes.empty()) PipeClass->SetSwitchStatus(0);
  CheckP1 = m.AddItem<TCalcSwitch>("CheckP1");
  CheckP1->SetCaption("Betriebsdruck prüfen");
  CheckP1->SetChecked(true);
  DaP = AddParameter<TModifyParameter>(m, "DaP", qLengthMM, "Rohraußendurchmesser");
  tP = AddParameter<TModifyParameter>(m, "tP", qLengthMM, "Wanddicke");
  DiP = AddParameter<TInOutParameter>(m, "DiP", qLengthMM, "Rohrinnendurchmesser");
  P1 = AddParameter<TInputParameter>(m, "P1", qPressureBar, "Betriebsdruck");
  DNV = AddParameter<TInputParameter>(m, "DNV", qNominalDiameter, "Nennweite des Ventils");
  RefreshLists();
}

TCMNormPipeThickness::~TCMNormPipeThickness() { DestroyItems(); }

const TPipeClass* TCMNormPipeThickness::ChosenClass() const {
  if (!FDatabase) return nullptr;
  const int i = PipeClass->GetSwitchStatus();
  const auto& names = PipeClass->GetValueList();
  return i >= 0 && i < static_cast<int>(names.size()) ? FDatabase->ClassByName(names[static_cast<size_t>(i)]) : nullptr;
}

void TCMNormPipeThickness::RefreshLists() {
  const TPipeClass* c = ChosenClass();
  std::vector<std::string> dns, pns;
  if (c) {
    for (int d : c->DNs) dns.push_back(std::to_string(d));
    for (const TPipeRating& r : c->Ratings) pns.push_back(r.Label);
  }
  // SetValueList keeps a chosen entry the new list has.
  DN->SetValueList(dns);
  PN->SetValueList(pns);
}

void TCMNormPipeThickness::CalcEvent(TCalcEvent event, TCalcItem* item) {
  // A new class offers other sizes and ratings, also while the module is
  // switched off (a file or the command line sets the class before the DN).
  if (event == ceValueFieldChange && item == PipeClass && DN && PN && !IsDestroying()) RefreshLists();
  TCalcModule::CalcEvent(event, item);
}

// The pipe DN follows the valve size unless the user chose one.
void TCMNormPipeThickness::LocateDN(const TPipeClass& c) {
  if (UserChoice(DN)) return;
  const Extended dnv = V(DNV);
  if (IsNoValue(dnv)) return;
  const int i = TPipeGeometry::DNIndexForValve(c.DNs, dnv);
  if (i < 0) {
    CreateMessage(kMsgValveLargerThanClass, {DNV, DN}, {PipeClass->GetText(), Extended(c.DNs.empty() ? 0 : c.DNs.back())});
    return;
  }
  ChooseByProgram(DN, i);
}

// The rating follows the operating pressure (the lowest PN that holds it)
// unless the user chose one; classes without pressures start at the usual
// wall (schedule 40 / 40S) or their first rating.
void TCMNormPipeThickness::LocatePN(const TPipeClass& c) {
  if (UserChoice(PN) || c.Ratings.empty()) return;
  int i = -1;
  if (c.HasPNValues()) {
    i = TPipeGeometry::RatingIndexByPressure(c.Ratings, V(P1));
    // Above every rating: the highest, so that the pressure check says so.
    if (i < 0 && HasValue(V(P1))) i = static_cast<int>(c.Ratings.size()) - 1;
  } else {
    for (size_t k = 0; k < c.Ratings.size(); ++k)
      if (c.Ratings[k].Label == "Sch 40" || c.Ratings[k].Label == "Sch 40S") i = static_cast<int>(k);
  }
  if (i < 0 && PN->GetSwitchStatus() < 0) i = 0;
  if (i >= 0) ChooseByProgram(PN, i);
}

void TCMNormPipeThickness::GetDNAndPN(const TPipeClass& c) {
  const int dn = DN->GetSwitchStatus(), pn = PN->GetSwitchStatus();
  TPipeDimensions d;
  if (dn >= 0 && dn < static_cast<int>(c.DNs.size()) && pn >= 0 && pn < static_cast<int>(c.Ratings.size())) {
    d = FDatabase->Dimensions(c.Id, c.DNs[static_cast<size_t>(dn)], c.Ratings[static_cast<size_t>(pn)].Label);
    if (IsNoValue(d.Da)) CreateMessage(kMsgNoPipeInClass, {PN, DN}, {DN->GetText(), PN->GetText()});
  }
  // Digits: an unchanged value is not written again.
  if (!UserOwns(DaP)) DaP->AssignValue(12, d.Da);
  if (!UserOwns(tP) && !EnteringDi()) tP->AssignValue(12, d.t);
}

void TCMNormPipeThickness::DoCheckp1(const TPipeClass& c) {
  const int pn = PN->GetSwitchStatus();
  if (!CheckP1->GetChecked() || !c.HasPNValues() || pn < 0 || pn >= static_cast<int>(c.Ratings.size())) return;
  if (TPipeGeometry::ExceedsPN(c.Ratings[static_cast<size_t>(pn)].PN, V(P1)))
    CreateMessage(kMsgPressureAboveRating, {PN, P1}, {P1->ConvertToUnitString(V(P1)), PN->GetText()});
}

void TCMNormPipeThickness::DoCalculate() {
  const TPipeClass* c = ChosenClass();
  if (c) {
    LocateDN(*c);
    LocatePN(*c);
    GetDNAndPN(*c);
  }
  const bool enterDi = EnteringDi();
  (enterDi ? MakeNotUtilized({tP}) : MakeUtilized({tP}));
  MakeUtilized({DiP});
  (CheckP1->GetChecked() ? MakeUtilized({P1}) : MakeNotUtilized({P1}));
  DiP->SetImportant(!enterDi);
  // With a pipe class and no size entered, the entry to make is the size:
  // the outside diameter and the wall follow from it.
  if (c && DN->GetSwitchStatus() < 0 && !DN->HasText() && !UserOwns(DaP) &&
      (enterDi ? !UserOwns(DiP) : !UserOwns(tP))) {
    CheckParameters({DN});
    if (!enterDi) DiP->AssignValue(0, NoValue);
  } else if (enterDi) {
    CheckParameters({DaP, DiP});
    const Extended Da = V(DaP), Di = V(DiP);
    const Extended t = TPipeGeometry::WallThickness(Da, Di);
    if (Available(Da, Di) && IsNoValue(t)) CreateMessage(kMsgBoreNotBelowOutside, {DiP, DaP});
    // The wall is a result now: written as calculated, not as a database
    // value.
    if (!tP->GetModified()) tP->SetValuesParallel(isCalculated, tP->GetCalcUnitNo(), t);
  } else {
    CheckParameters({DaP, tP});
    const Extended Da = V(DaP), t = V(tP);
    const Extended Di = TPipeGeometry::InnerDiameter(Da, t);
    if (Available(Da, t) && IsNoValue(Di)) CreateMessage(kMsgBoreNotBelowOutside, {tP, DaP});
    DiP->AssignValue(0, Di);
  }
  if (c) DoCheckp1(*c);
}

TCCMNormPipeThickness::TCCMNormPipeThickness(TCalcComponent* owner, std::string name, const TPipeDatabase* database)
    : TCompoundCalcModule(owner, std::move(name)) {
  FModule = CreateChild<TCMNormPipeThickness>("CMNormPipeThickness", database);
  FSource = CreateChild<TCalcSource>("CalcSource");
  FSource->SetCalcModule(FModule);
}

}  // namespace torvacalc
