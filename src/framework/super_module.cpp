#include "framework/super_module.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <optional>
#include <random>

#include "framework/options.h"
#include "framework/settings.h"

namespace torvacalc {

std::string NewGUIDText() {
  static std::mt19937_64 engine{std::random_device{}()};
  static std::mutex lock;  // calculations are made on several threads at once
  std::array<unsigned char, 16> b{};
  {
    std::lock_guard guard(lock);
    for (auto& x : b) x = static_cast<unsigned char>(engine() & 0xff);
  }
  b[6] = static_cast<unsigned char>((b[6] & 0x0f) | 0x40);  // version 4 (random)
  b[8] = static_cast<unsigned char>((b[8] & 0x3f) | 0x80);  // RFC 4122 variant
  char text[40];
  std::snprintf(text, sizeof text, "{%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X}", b[0],
                b[1], b[2], b[3], b[4], b[5], b[6], b[7], b[8], b[9], b[10], b[11], b[12], b[13], b[14], b[15]);
  return text;
}

double NowDayNumber() {
  using namespace std::chrono;
  const double seconds = duration<double>(system_clock::now().time_since_epoch()).count();
  return 25569.0 + seconds / 86400.0;
}

TCalculationOptions TCalculationOptions::Load() {
  TCalculationOptions o;
  const TSettingsStore& s = TSettingsStore::Instance();
  const int n = s.ReadInteger("Options", "MaxHistoryCount", o.MaxHistoryCount);
  o.MaxHistoryCount = n >= 0 && n <= 1000 ? n : o.MaxHistoryCount;
  o.AutoBackup = s.ReadBool("Options", "AutoBackup", o.AutoBackup);
  o.BackupDir = s.ReadString("Options", "BackupDir", o.BackupDir);
  return o;
}

namespace {
TCalculationFiles*& CalculationFilesSlot() {
  static TCalculationFiles* files = nullptr;
  return files;
}
}  // namespace

void SetCalculationFiles(TCalculationFiles* files) {
  // Registered again by each new workspace: written only the first time.
  if (CalculationFilesSlot() != files) CalculationFilesSlot() = files;
}
TCalculationFiles* GetCalculationFiles() { return CalculationFilesSlot(); }

// ----------------------------------------------------------------- snapshot

void TSnapShot::Take() {
  Clear();
  FState = FOwner->SaveState();
  FTaken = true;
}

void TSnapShot::Restore(bool clear) {
  if (!FTaken) return;
  FOwner->LoadState(FState);
  if (clear) Clear();
}

void TSnapShot::Clear() {
  FState = {};
  FTaken = false;
}

// ------------------------------------------------------------ header module

TCMAuthors::TCMAuthors(TCalcComponent* owner, std::string name) : TCalcModule(owner, std::move(name)) {
  AddItem<tCalcString>("Identifier")->SetCaption("Kennung");
  AddItem<tCalcString>("Revisor")->SetCaption("Bearbeiter");
  AddItem<tCalcString>("Author")->SetCaption("Autor");
  AddItem<TInputParameter>("WhenCreated", qDateTime)->SetCaption("Angelegt am");
  AddItem<TInputParameter>("WhenModified", qDateTime)->SetCaption("Geändert am");
  AddItem<tCalcString>("WhenModified2")->SetCaption("Geändert am");
}

// ------------------------------------------------------------- super module

namespace {
TMainCalcModule* PlainMainModule(TSuperCalcModule& s) { return s.CreateChild<TMainCalcModule>("MainCalcModule"); }
}  // namespace

TSuperCalcModule::TSuperCalcModule(TCalcComponent* owner, std::string name)
    : TSuperCalcModule(owner, std::move(name), PlainMainModule) {}

TSuperCalcModule::TSuperCalcModule(TCalcComponent* owner, std::string name, TMainModuleFactory makeMain)
    : TAncestorCalcModule(owner, std::move(name)), FGUID(NewGUIDText()) {
  FContainer = CreateChild<TCalcMessageContainer>("CalcMessageContainer");
  FMainCalcModule = makeMain(*this);
  FMainCalcModule->SetCalcMessageContainer(FContainer);
  FCMAuthors = CreateChild<TCMAuthors>("FCMAuthors");
  FCMAuthors->SetCalcMessageContainer(FContainer);
  FCalcSourceAuthors = CreateSource(FCMAuthors, "FCalcSourceAuthors");
  FCalcSourceCustomMCM1 = CreateSource(FMainCalcModule, "FCalcSourceCustomMCM1");
  FCalcConnectorAuthors = CreateConnector(FCalcSourceCustomMCM1, FCalcSourceAuthors, "FCalcConnectorAuthors");
  for (const char* n : {"Identifier", "Revisor", "Author", "WhenCreated", "WhenModified", "WhenModified2"})
    FCalcConnectorAuthors->InConnections.AddConnection(n, n);
  FCalcConnectorAuthors->SetActive(true);

  const TCalculationOptions options = TCalculationOptions::Load();
  MaxHistoryCount = options.MaxHistoryCount;
  AutoBackup = options.AutoBackup;
  BackupDir = options.BackupDir;
  LanguageNo = HXOptions().Language == "de" ? 0 : 1;
  Now = NowDayNumber;
  FMainCalcModule->WhenCreated->SetValue(Now());
}

TSuperCalcModule::~TSuperCalcModule() {
  if (TCalculationFiles* files = GetCalculationFiles()) files->Release(*this);
  MarkDestroying();
  FNestedSuperModules.clear();
  DestroyChildren();
  DestroyItems();
}

void TSuperCalcModule::ChildCreated(TCalcComponent* child) {
  if (auto* s = dynamic_cast<TSuperCalcModule*>(child)) FNestedSuperModules.push_back(s);
}

TCalcSource* TSuperCalcModule::CreateSource(TCalcModule* module, const std::string& name) {
  TCalcSource* s = CreateChild<TCalcSource>(name);
  s->SetCalcModule(module);
  return s;
}

TCalcConnector* TSuperCalcModule::CreateConnector(TCalcSource* source, TCalcSource* target, const std::string& name) {
  TCalcConnector* c = CreateChild<TCalcConnector>(name);
  c->SetCalcSource(source);
  c->SetCalcTarget(target);
  return c;
}

void TSuperCalcModule::Calculate() {
  if (!FEnabled) return;
  BeginUpdate();
  CalculateChildren(*this);
  EndUpdate(true);
}

void TSuperCalcModule::BeginUpdate() {
  if (IsDestroying()) return;
  if (FUpdateCounter == 0) TakeHistoryTip();
  if (FUpdateCounter == 0 && BeforeFirstCalculate) BeforeFirstCalculate(*this);
  ++FUpdateCounter;
  for (TSuperCalcModule* s : FNestedSuperModules) s->BeginUpdate();
  FContainer->BeginUpdate();
  // (a main module of its own kind makes its items before it is known)
  if (FMainCalcModule)
    for (TCalcSource* s : FMainCalcModule->CalcSources()) s->BeginUpdate();
}

void TSuperCalcModule::RequestCalculation(TCalcModule* module) {
  if (FSettling && module == FMainCalcModule) {
    FMainLate = true;
    return;
  }
  if (std::find(FRequested.begin(), FRequested.end(), module) == FRequested.end()) FRequested.push_back(module);
}

void TSuperCalcModule::Settle() {
  if (FCreationOrder.empty()) {
    std::vector<std::pair<std::string, TAncestorCalcModule*>> modules;
    CollectModules(*this, {}, modules);
    for (const auto& [path, m] : modules)
      if (auto* c = dynamic_cast<TCalcModule*>(m)) FCreationOrder.emplace(c, static_cast<int>(FCreationOrder.size()));
  }
  const auto place = [&](const TCalcModule* m) {
    const auto i = FCreationOrder.find(m);
    const int order = i == FCreationOrder.end() ? static_cast<int>(FCreationOrder.size()) : i->second;
    return m->SettleStage() * static_cast<int>(FCreationOrder.size() + 1) + order;
  };
  FSettling = true;
  // Values running round between modules settle within a few rounds; the
  // bound ends an oscillation as a module's own passes do. The main module
  // mirrors the results of every point and checks them across the points:
  // asked again by those results, it calculates once the other modules
  // have settled, not after each of them (a point's outlet state goes
  // round its valve, mixture and spray water modules a few times). Asked
  // by an entry, it calculates first, as its switches join the modules.
  std::size_t budget = 50 * (FCreationOrder.size() + 1);
  while (budget-- > 0) {
    if (!FRequested.empty()) {
      const auto first = std::min_element(
          FRequested.begin(), FRequested.end(),
          [&](const TCalcModule* a, const TCalcModule* b) { return place(a) < place(b); });
      TCalcModule* m = *first;
      FRequested.erase(first);
      m->Calculate();
    } else if (FMainLate) {
      FMainLate = false;
      FMainCalcModule->Calculate();
    } else {
      break;
    }
  }
  FRequested.clear();
  FMainLate = false;
  FSettling = false;
}

void TSuperCalcModule::EndUpdate(bool recalculated) {
  if (IsDestroying() || FUpdateCounter == 0) return;
  if (FUpdateCounter == 1 && FLoading) return;
  // The modules noted while the update was open calculate inside it.
  if (FUpdateCounter == 1 && !FSettling && !FRequested.empty()) Settle();
  --FUpdateCounter;
  for (TSuperCalcModule* s : FNestedSuperModules) s->EndUpdate(false);
  if (FMainCalcModule)
    for (TCalcSource* s : FMainCalcModule->CalcSources()) s->EndUpdate(recalculated);
  FContainer->EndUpdate(FLoading ? false : recalculated);
  if (FUpdateCounter > 0) return;
  if (AfterLastCalculate) AfterLastCalculate(*this);
  if (recalculated) AddToHistory();
  CheckAutoSave();
}

void TSuperCalcModule::BeginSetValues() {
  BeginUpdate();
  if (FSetValuesCounter == 0) {
    FSavedActive = GetActive() || FSwitchOnPending;
    FSwitchOnPending = false;
    SetActive(false);
  } else if (GetActive()) {
    EndUpdate(false);
    throw ECompCalcLink(Translate("Schwerwiegender Fehler: ") + "CalcModule " + GetName() +
                        " ist aktiv, sollte aber ausgeschaltet sein!");
  }
  ++FSetValuesCounter;
}

void TSuperCalcModule::EndSetValues() {
  if (FSetValuesCounter > 0) --FSetValuesCounter;
  if (FSetValuesCounter < 1) {
    FSetValuesCounter = 0;
    SetActive(FSavedActive);
  }
  EndUpdate(true);
}

bool TSuperCalcModule::GetActive() const {
  return FMainCalcModule && FMainCalcModule->GetActive() && FEnabled;
}

void TSuperCalcModule::SetActive(bool active) {
  if (active) BeginUpdate();
  SetChildrenActive(*this, active);
  if (active) EndUpdate(true);
}

void TSuperCalcModule::TakeHistoryTip() {
  if (!FHistoryTipPending) return;
  FHistoryTipPending = false;
  if (!FHistory.empty()) SaveState(FHistory.back());
}

void TSuperCalcModule::AddToHistory() {
  if (!UseHistory || FInHistory || !GetActive()) return;
  // The step before, where nothing changed since it was recorded.
  TakeHistoryTip();
  // A full history gives its oldest state's storage to the new one.
  TCalcState state;
  while (static_cast<int>(FHistory.size()) > MaxHistoryCount && !FHistory.empty()) {
    state = std::move(FHistory.front());
    FHistory.erase(FHistory.begin());
  }
  // A new state is as large as the last one, give or take.
  if (state.Items.empty() && !FHistory.empty()) state.Items.reserve(FHistory.back().Items.size());
  FHistory.push_back(std::move(state));
  FHistoryTipPending = true;
  for (auto& f : HistoryObservers) f();
}

bool TSuperCalcModule::UnDo() {
  if (!GetCanUndo()) return false;
  for (TCalcSource* s : FMainCalcModule->CalcSources()) s->SetFireEvents(false);
  Storno();
  for (TCalcSource* s : FMainCalcModule->CalcSources()) s->SetFireEvents(true);
  FInHistory = true;
  try {
    LoadState(FHistory[FHistory.size() - 2]);
  } catch (...) {
    FInHistory = false;
    throw;
  }
  FHistory.pop_back();
  FInHistory = false;
  return true;
}

void TSuperCalcModule::RestoreFromSnapShot() {
  if (!FSnapShot.Taken()) return;
  for (TCalcSource* s : FMainCalcModule->CalcSources()) s->SetFireEvents(false);
  Storno();
  for (TCalcSource* s : FMainCalcModule->CalcSources()) s->SetFireEvents(true);
  FInHistory = true;
  FSnapShot.Restore(true);
  FInHistory = false;
}

void TSuperCalcModule::SaveToFile(const std::string& fileName) {
  TCalculationFiles* files = GetCalculationFiles();
  if (!files) throw EHXInternal("calculation files are not available", ClassName());
  files->SaveToFile(*this, fileName);
}

void TSuperCalcModule::ReadFromFile(const std::string& fileName, std::vector<std::string>* notices) {
  TCalculationFiles* files = GetCalculationFiles();
  if (!files) throw EHXInternal("calculation files are not available", ClassName());
  files->ReadFromFile(*this, fileName, notices);
}

std::vector<TCalcItem*> TSuperCalcModule::GetFileItems() const {
  std::vector<TCalcItem*> items = FMainCalcModule->GetCalcItems();
  for (TCalcItem* i : GetCalcItems()) items.push_back(i);
  return items;
}

void TSuperCalcModule::Storno() {
  for (TCalcComponent* c : Children())
    if (auto* m = dynamic_cast<TCalcModule*>(c)) m->Storno();
}

void TSuperCalcModule::CollectModules(TCalcComponent& c, const std::string& path,
                                      std::vector<std::pair<std::string, TAncestorCalcModule*>>& out) const {
  for (TCalcComponent* child : c.Children()) {
    const std::string p = path.empty() ? child->GetName() : path + "/" + child->GetName();
    if (auto* m = dynamic_cast<TAncestorCalcModule*>(child)) out.push_back({p, m});
    CollectModules(*child, p, out);
  }
}

TCalcState TSuperCalcModule::SaveState() const {
  TCalcState state;
  SaveState(state);
  return state;
}

// Every item is written over the entry of the same place in `state`, so
// that a state taken again into the storage of an old one (the undo
// history's oldest, once the history is full) reuses its strings and
// lists instead of allocating them anew for each of the thousands of items.
void TSuperCalcModule::SaveState(TCalcState& state) const {
  std::vector<std::pair<std::string, TAncestorCalcModule*>> modules;
  CollectModules(const_cast<TSuperCalcModule&>(*this), {}, modules);
  state.Modules.resize(modules.size());
  std::size_t count = 0;
  for (std::size_t index = 0; index < modules.size(); ++index) {
    state.Modules[index] = modules[index].first;
    for (const TCalcItem* item : modules[index].second->GetCalcItems()) {
      if (item->GetIsTarget()) continue;  // it shows its source's state
      if (count == state.Items.size()) state.Items.emplace_back();
      TCalcState::Item& s = state.Items[count++];
      s.Module = index;
      s.Name = item->GetName();
      s.InputState = item->GetInputState();
      s.Overruled = item->GetOverruled();
      s.Modified = item->GetModified();
      s.SetByProgram = item->GetSetByProgram();
      s.Utilized = item->GetUtilized();
      // Most items have neither notes nor comments: nothing to copy.
      if (!s.Notes.empty() || !item->NotesList().empty()) s.Notes = item->NotesList();
      if (!s.Comments.empty() || !item->CommentsList().empty()) s.Comments = item->CommentsList();
      s.Value = NoValue;
      s.CalcUnitNo = 0;
      s.IsApproximated = false;
      const TCalcParameter* p = item->AsParameter();
      if (p) {
        s.CalcUnitNo = p->GetCalcUnitNo();
        s.IsApproximated = p->GetIsApproximated();
        if (p->GetValueState() == vsNormal) s.Value = p->GetValue();
      }
      // A value is restored from itself, exactly; the text only where there
      // is none (a switch, a string, a text that did not read as a number).
      if (!p || !HasValue(s.Value))
        s.Text = item->GetText();
      else
        s.Text.clear();
    }
  }
  state.Items.resize(count);
}

namespace {

std::vector<TAncestorCalcModule*> ModulesOfState(const TCalcState& state,
                                                 const std::vector<std::pair<std::string, TAncestorCalcModule*>>& modules) {
  std::map<std::string, TAncestorCalcModule*> byPath(modules.begin(), modules.end());
  std::vector<TAncestorCalcModule*> stateModules;
  stateModules.reserve(state.Modules.size());
  for (const std::string& path : state.Modules) {
    const auto m = byPath.find(path);
    stateModules.push_back(m == byPath.end() ? nullptr : m->second);
  }
  return stateModules;
}

}  // namespace

std::vector<TCalcItem*> TSuperCalcModule::ItemsOfState(const TCalcState& state) const {
  std::vector<std::pair<std::string, TAncestorCalcModule*>> modules;
  CollectModules(const_cast<TSuperCalcModule&>(*this), {}, modules);
  const std::vector<TAncestorCalcModule*> stateModules = ModulesOfState(state, modules);
  std::vector<TCalcItem*> items;
  items.reserve(state.Items.size());
  // A state lists a module's items in the module's order (those that only
  // showed their source's state left out): the item is mostly one of the
  // next few after the last one found, and a name equal to the letter is
  // that item (names differ in more than the case). Others are looked up.
  constexpr size_t kLookAhead = 32;
  std::vector<size_t> next(stateModules.size(), 0);
  for (const auto& s : state.Items) {
    TAncestorCalcModule* module = s.Module < stateModules.size() ? stateModules[s.Module] : nullptr;
    TCalcItem* item = nullptr;
    if (module && !s.Name.empty()) {
      const std::vector<TCalcItem*>& own = module->GetCalcItems();
      size_t& from = next[s.Module];
      for (size_t i = from; i < own.size() && i < from + kLookAhead; ++i)
        if (own[i]->GetName() == s.Name) {
          item = own[i];
          from = i + 1;
          break;
        }
    }
    items.push_back(item ? item : module ? module->CalcItemByName(s.Name) : nullptr);
  }
  return items;
}

void TSuperCalcModule::PutState(const TCalcState& state, const std::vector<TCalcItem*>& items,
                                bool resultsUnreported) {
  // Twice: an item that reads from a module now but was an entry in the
  // state takes its value once the switches have joined the modules
  // again.
  std::vector<size_t> later;
  const auto put = [&](size_t index, bool first) {
    const TCalcState::Item& s = state.Items[index];
    TCalcItem* item = items[index];
    if (!item) return;
    if (item->GetIsTarget()) {
      if (first) later.push_back(index);
      return;
    }
    auto* p = item->AsParameter();
    // A result, or a value the calculation wrote, can go back unreported
    // while the modules are off: switched on, they calculate every result
    // anew, and what reacts to a result in between only asks for that
    // calculation. A value passed on by a data link, or one changing unit
    // (units follow each other), goes back with its events.
    const bool unreported = resultsUnreported && p && !item->GetIsDataSource() &&
                            p->GetCalcUnitNo() == s.CalcUnitNo &&
                            (p->IsOutputParameter() || item->GetInputState() == isCalculated);
    std::optional<TCalcItem::TUnreported> quiet;
    if (unreported) quiet.emplace(*item);
    item->SetInputState(s.InputState);
    item->SetOverruled(s.Overruled);
    item->SetModified(s.Modified);
    item->SetSetByProgram(s.SetByProgram);
    if (p) {
      p->SetCalcUnitNo(s.CalcUnitNo);
      p->SetIsApproximated(s.IsApproximated);
    }
    if (p && HasValue(s.Value)) {
      // Exactly the value the state holds, also where it differs from
      // the present one only beyond the significant digits.
      if (p->GetValue() != s.Value) p->SetValue(NoValue);
      p->SetValue(s.Value);
    } else {
      item->SetText(s.Text);
    }
    item->SetStringListNotes(s.Notes);
    item->SetStringListComments(s.Comments);
  };
  for (size_t i = 0; i < state.Items.size(); ++i) put(i, true);
  if (!later.empty()) {
    ApplySwitches();
    for (const size_t i : later) put(i, false);
  }
}

void TSuperCalcModule::PutUtilized(const TCalcState& state, const std::vector<TCalcItem*>& items) {
  for (size_t i = 0; i < state.Items.size(); ++i)
    if (TCalcItem* item = items[i]; item && !item->GetIsTarget()) item->SetUtilized(state.Items[i].Utilized);
}

void TSuperCalcModule::PutStateSwitchedOff(const TCalcState& state, const std::vector<TCalcItem*>& items,
                                           bool startAgain) {
  BeginSetValues();
  try {
    PutState(state, items, startAgain);
  } catch (...) {
    EndSetValues();
    throw;
  }
  // Starting again, the bracket closes with the modules off; the next bulk
  // set switches them on.
  if (startAgain) FSavedActive = false;
  EndSetValues();
}

void TSuperCalcModule::LoadState(const TCalcState& state) {
  // All values go in with the modules switched off; switching them on again
  // recalculates everything once, which also brings back the messages.
  // (the items live as long as their modules, which switching does not end)
  const std::vector<TCalcItem*> items = ItemsOfState(state);
  PutStateSwitchedOff(state, items, false);
  // Which items the calculation uses follows the choices as they were
  // made one after the other (the phase before the medium's data, a
  // switch before its values); switching everything on at once does not
  // retrace that road, so the use is put back as the state had it, also
  // into the step of history just recorded.
  PutUtilized(state, items);
  if (!FInHistory && UseHistory && !FHistory.empty() && GetActive()) FHistoryTipPending = true;
}

void TSuperCalcModule::StartAgainFrom(const TCalcState& built) {
  const std::vector<TCalcItem*> items = ItemsOfState(built);
  PutStateSwitchedOff(built, items, true);
  FSwitchOnPending = true;
  std::vector<std::pair<std::string, TAncestorCalcModule*>> modules;
  CollectModules(*this, {}, modules);
  for (const auto& [path, module] : modules)
    if (auto* m = dynamic_cast<TCalcModule*>(module)) m->ForgetPast();
  PutUtilized(built, items);
  FContainer->RemoveAllMessages();
  ClearHistory();
  FSnapShot.Clear();
  // The file kept for the calculation under its GUID (once saved) and
  // its pages go with the old GUID.
  if (TCalculationFiles* files = GetCalculationFiles()) files->Release(*this);
  FGUID = NewGUIDText();
  LoadedVersionNo = 0;
  FLastBackup = -1;
  FMainCalcModule->WhenCreated->SetValue(Now ? Now() : NowDayNumber());
}

std::string TSuperCalcModule::AutoSaveFileName() const {
  if (BackupDir.empty()) return {};
  return (std::filesystem::path(BackupDir) / (FGUID + "." + FileExtension())).string();
}

void TSuperCalcModule::CheckAutoSave() {
  if (!AutoBackup || SuppressAutoBackup || !GetActive()) return;
  const double now = Now ? Now() : NowDayNumber();
  if (FLastBackup >= 0 && now - FLastBackup <= 1.0 / 2880) return;  // 30 s
  FLastBackup = now;
  AutoSave();
}

void TSuperCalcModule::AutoSave() {
  const std::string path = AutoSaveFileName();
  TCalculationFiles* files = GetCalculationFiles();
  if (path.empty() || (!WriteBackup && !files)) return;
  const bool history = UseHistory;
  UseHistory = false;
  try {
    std::error_code ec;
    std::filesystem::create_directories(BackupDir, ec);
    if (WriteBackup)
      WriteBackup(*this, path);
    else
      files->WriteBackup(*this, path);
  } catch (...) {
    // A backup that cannot be written leaves the calculation as it is.
  }
  UseHistory = history;
}

void TSuperCalcModule::DeleteAutoSaveFile() {
  const std::string path = AutoSaveFileName();
  std::error_code ec;
  if (!path.empty()) std::filesystem::remove(path, ec);
}

// ---------------------------------------------------------------- watch dog

tWatchDog::tWatchDog(TNumericOptions& options) : FOptions(options) {
  NowMs = [] {
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
  };
}

int tWatchDog::IntervalFor(int d) const {
  return static_cast<int>(std::lround((0.0125 * d * d - 0.325 * d + 2.3125) * BaseInterval));
}

void tWatchDog::SetEnabled(bool enabled) {
  if (enabled == FEnabled) return;
  if (enabled) {
    FSavedDigits = FStartDigits = FOptions.SignificantDigits;
    FEnabled = true;
    Reset();
  } else {
    FEnabled = false;
    FOptions.SignificantDigits = FSavedDigits;
  }
}

void tWatchDog::Reset() {
  if (!FEnabled) return;
  FStartTime = NowMs();
  FOptions.SignificantDigits = FStartDigits;
  FInterval = IntervalFor(FStartDigits);
}

bool tWatchDog::Check() {
  if (!FEnabled) return false;
  int& digits = FOptions.SignificantDigits;
  const double now = NowMs();
  if (digits <= MinDigits || now - FStartTime <= FInterval) return false;
  FStartTime = now;
  --digits;
  FInterval = IntervalFor(digits);
  return true;
}

void tWatchDog::SetMinDigits(int minDigits) {
  MinDigits = minDigits;
  if (FOptions.SignificantDigits < minDigits) FOptions.SignificantDigits = minDigits;
}

}  // namespace torvacalc
