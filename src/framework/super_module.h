// The super module: one complete calculation as the user sees it. It owns
// the computing modules, the calculation sources and connectors that wire
// them, the main module with the header items and the message container,
// and it brackets every burst of changes so that views refresh, the undo
// history records and the automatic backup is checked once per burst.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "framework/calc_connector.h"

namespace torvacalc {

// The values and flags of every item of a calculation, enough to put the
// calculation back as it was (undo history, snapshot).
struct TCalcState {
  std::vector<std::string> Modules;  // paths of the modules below the super module
  struct Item {
    std::size_t Module = 0;  // index into Modules
    std::string Name;
    std::string Text;  // kept where there is no value to restore from
    Extended Value = NoValue;  // parameters: the exact basic value
    std::uint8_t InputState = 0;
    int CalcUnitNo = 0;
    bool Overruled = false, Modified = false, SetByProgram = false, IsApproximated = false;
    bool Utilized = true;  // whether the calculation used the item (what the views show)
    std::vector<std::string> Notes, Comments;
  };
  std::vector<Item> Items;
};

class TSnapShot {
 public:
  explicit TSnapShot(TSuperCalcModule* owner) : FOwner(owner) {}
  bool Taken() const { return FTaken; }
  void Take();
  // Puts the owner back to the snapshot; with `clear` the snapshot is
  // dropped afterwards.
  void Restore(bool clear);
  void Clear();

 private:
  TSuperCalcModule* FOwner;
  bool FTaken = false;
  TCalcState FState;
};

// The header module: author, revisor, identifier and dates.
class TCMAuthors : public TCalcModule {
 public:
  TCMAuthors(TCalcComponent* owner, std::string name = "FCMAuthors");
  const char* ClassName() const override { return "TCMAuthors"; }
};

// Program options of calculations, kept in the settings section "Options".
struct TCalculationOptions {
  int MaxHistoryCount = 20;
  bool AutoBackup = false;
  std::string BackupDir;
  static TCalculationOptions Load();
};

class TSuperCalcModule : public TAncestorCalcModule {
 public:
  TSuperCalcModule(TCalcComponent* owner, std::string name);
  // A calculation whose main module is of its own kind: `makeMain` creates
  // it as a child of the super module (named "MainCalcModule").
  using TMainModuleFactory = TMainCalcModule* (*)(TSuperCalcModule&);
  TSuperCalcModule(TCalcComponent* owner, std::string name, TMainModuleFactory makeMain);
  explicit TSuperCalcModule(std::string name = "SuperCalcModule") : TSuperCalcModule(nullptr, std::move(name)) {}
  ~TSuperCalcModule() override;
  const char* ClassName() const override { return "TSuperCalcModule"; }

  // What each kind of calculation answers.
  virtual std::string FileExtension() const { return "hxc"; }
  virtual std::string ModuleName() const { return GetName(); }
  virtual int GetModuleId() const { return -1; }
  virtual std::string ModuleDescription() const { return {}; }
  virtual std::string HelpFileName() const { return {}; }

  const std::string& GUIDAsStr() const { return FGUID; }
  void SetGUIDAsStr(const std::string& guid) { FGUID = guid; }
  int VersionNo = 800;
  int LanguageNo = 0;
  std::string HYDRIXVersion, HYDRIXServicePack, HYDRIXBuild;
  std::string OriginalAuthor, OriginalRevisor;
  bool IgnoreDifferentNames = false;
  bool GetSeriesValid() const { return true; }
  // The numerical options of this calculation: its modules and their
  // computations read them (NumericOptions), never the program's, which
  // only give the start.
  TNumericOptions Numerics = DefaultNumericOptions();

  TMainCalcModule* GetMainCalcModule() const { return FMainCalcModule; }
  TCalcMessageContainer* GetCalcMessageContainer() const { return FContainer; }
  TCalcSource* CalcSourceCustomMCM1() const { return FCalcSourceCustomMCM1; }
  TCMAuthors* Authors() const { return FCMAuthors; }
  tCalcString* Identifier() const { return FMainCalcModule->Identifier; }
  tCalcString* Author() const { return FMainCalcModule->Author; }
  tCalcString* Revisor() const { return FMainCalcModule->Revisor; }
  TInputParameter* WhenCreated() const { return FMainCalcModule->WhenCreated; }
  TInputParameter* WhenModified() const { return FMainCalcModule->WhenModified; }
  tCalcString* WhenModified2() const { return FMainCalcModule->WhenModified2; }

  // Creates a computing module owned by this super module and reporting
  // into its message container.
  template <class T, class... Args>
  T* CreateModule(Args&&... args) {
    T* m = CreateChild<T>(std::forward<Args>(args)...);
    m->SetCalcMessageContainer(FContainer);
    return m;
  }
  // A calculation source observing `module`, owned by this super module.
  TCalcSource* CreateSource(TCalcModule* module, const std::string& name = {});
  // A connector from `source`'s module to `target`'s module.
  TCalcConnector* CreateConnector(TCalcSource* source, TCalcSource* target, const std::string& name = {});

  // Recalculates every module in creation order.
  void Calculate();

  // A module whose inputs changed while an update of this calculation is
  // open does not calculate at once: it is noted, and when the outermost
  // update closes the noted modules calculate, the earliest created first,
  // until none is noted any more. The layers are created in the order the
  // values flow (medium, flow, sizing, the state behind the valve, noise),
  // so each module calculates about once per change instead of once for
  // every input that reaches it.
  bool CollectsCalculations() const { return FUpdateCounter > 0 && !IsDestroying(); }
  void RequestCalculation(TCalcModule* module);

  // Update brackets. The outermost EndUpdate flushes the views, fires
  // AfterLastCalculate, records the undo history (when `recalculated`) and
  // checks the automatic backup.
  void BeginUpdate() override;
  void EndUpdate(bool recalculated = false) override;
  void BeforeItemChange() override { TakeHistoryTip(); }
  std::function<void(TSuperCalcModule&)> BeforeFirstCalculate, AfterLastCalculate;
  std::function<void(TCalcModule&)> BeforeCalculate, AfterCalculate;

  // Bulk changes without step-by-step recalculation.
  void BeginSetValues();
  void EndSetValues();
  int GetSetValuesCounter() const { return FSetValuesCounter; }
  // A calculation wired but not yet switched on, whose values are about to
  // be set in bulk (a case, a file): the bulk set switches it on when it
  // ends, so it computes once, with those values, and never with the
  // defaults first.
  void SwitchOnAfterNextSetValues() { FSwitchOnPending = true; }

  bool GetActive() const;
  void SetActive(bool active);
  void SetActiveWithOwner(bool active) override { SetActive(active); }
  bool GetEnabled() const { return FEnabled; }
  void SetEnabled(bool enabled) { FEnabled = enabled; }
  bool GetIsLoading() const { return FLoading; }
  void SetLoading(bool loading) { FLoading = loading; }

  // Undo history.
  bool UseHistory = true;
  int MaxHistoryCount = 20;
  void AddToHistory();
  bool GetCanUndo() const { return FHistory.size() >= 2; }
  bool UnDo();
  void ClearHistory() {
    FHistory.clear();
    FHistoryTipPending = false;
  }
  // The newest step of the history is the calculation as it stands. It is
  // written down when something is about to change (an update bracket
  // opens, an item takes a new value) or the next step is recorded, not
  // when it is recorded: a calculation opened or computed and never edited
  // copies none of its thousands of items.
  void TakeHistoryTip();
  size_t GetHistoryCount() const { return FHistory.size(); }
  std::vector<std::function<void()>> HistoryObservers;

  TSnapShot& SnapShot() { return FSnapShot; }
  void TakeSnapShot() { FSnapShot.Take(); }
  void RestoreFromSnapShot();

  // The state of every item, and putting it back (with recalculation).
  TCalcState SaveState() const;
  // The same into `state`, reusing its storage.
  void SaveState(TCalcState& state) const;
  void LoadState(const TCalcState& state);
  // The calculation made new again from `built`, the state taken when it
  // was built and not yet switched on: every item back, no messages, no
  // history, a new GUID and creation time, and the modules left off for
  // the next bulk set of values (a case's entries) to switch them on, so
  // that it computes once, as a calculation built for those values does.
  // A batch reuses one calculation so instead of building one per case.
  void StartAgainFrom(const TCalcState& built);
  // Cancels an edit: every module's Storno.
  virtual void Storno();
  // Joins the modules as the switches now say (which module computes a
  // value, which reads it). Putting a state back calls it after the
  // switches are set, so that a value the state holds as an entry, and the
  // calculation read from a module until then, is put back as well.
  virtual void ApplySwitches() {}

  // Calculation files (through the registered TCalculationFiles).
  void SaveToFile(const std::string& fileName);
  void ReadFromFile(const std::string& fileName, std::vector<std::string>* notices = nullptr);
  // The items a calculation file holds: the main module's, in creation
  // order, then the super module's own.
  std::vector<TCalcItem*> GetFileItems() const;
  // The format number of the file the calculation was read from (0 when
  // it was not read from a file).
  int LoadedVersionNo = 0;

  // Automatic backup, at most every 30 seconds, into
  // BackupDir/GUID.extension. WriteBackup writes the calculation file; a
  // failing backup leaves the calculation unchanged.
  bool AutoBackup = false;
  bool SuppressAutoBackup = false;
  std::string BackupDir;
  std::function<void(TSuperCalcModule&, const std::string& path)> WriteBackup;
  std::function<double()> Now;  // day number; the system clock by default
  std::string AutoSaveFileName() const;
  void CheckAutoSave();
  void AutoSave();
  void DeleteAutoSaveFile();

 protected:
  void ChildCreated(TCalcComponent* child) override;
  // The state of the modules below this one, by path.
  void CollectModules(TCalcComponent& c, const std::string& path,
                      std::vector<std::pair<std::string, TAncestorCalcModule*>>& out) const;

 private:
  std::string FGUID;
  std::vector<TSuperCalcModule*> FNestedSuperModules;  // owned children that are super modules
  TCalcMessageContainer* FContainer;
  TMainCalcModule* FMainCalcModule = nullptr;
  TCMAuthors* FCMAuthors;
  TCalcSource* FCalcSourceAuthors;
  TCalcSource* FCalcSourceCustomMCM1;
  TCalcConnector* FCalcConnectorAuthors;
  bool FEnabled = true;
  bool FLoading = false;
  int FSetValuesCounter = 0;
  bool FSavedActive = false;
  bool FSwitchOnPending = false;
  bool FInHistory = false;
  std::vector<TCalcState> FHistory;
  bool FHistoryTipPending = false;  // FHistory.back() not written down yet
  // The modules asked to calculate, and each module's place in the order
  // of creation (made when first needed).
  std::vector<TCalcModule*> FRequested;
  std::unordered_map<const TCalcModule*, int> FCreationOrder;
  bool FSettling = false;
  // The main module asked to calculate by the results of the others while
  // they settle: it calculates once they have.
  bool FMainLate = false;
  void Settle();
  // The item of each entry of `state`, nullptr for one the calculation
  // lacks.
  std::vector<TCalcItem*> ItemsOfState(const TCalcState& state) const;
  // Sets the items of `state` (inside an open bulk set of values); with
  // `resultsUnreported` the results without their events.
  void PutState(const TCalcState& state, const std::vector<TCalcItem*>& items, bool resultsUnreported);
  // PutState inside a bulk set of values of its own, which switches the
  // modules on again unless `startAgain`.
  void PutStateSwitchedOff(const TCalcState& state, const std::vector<TCalcItem*>& items, bool startAgain);
  // Which items the calculation used, as `state` has it.
  void PutUtilized(const TCalcState& state, const std::vector<TCalcItem*>& items);
  TSnapShot FSnapShot{this};
  double FLastBackup = -1;
};

// Reading and writing calculation files; the files library registers its
// implementation at start-up (RegisterCalculationFiles), so that the
// framework does not depend on the file format.
class TCalculationFiles {
 public:
  virtual ~TCalculationFiles() = default;
  // Saves the calculation under `fileName` (which must carry the module's
  // extension); throws a typed error with the text to show.
  virtual void SaveToFile(TSuperCalcModule& module, const std::string& fileName) = 0;
  // Reads a calculation file into the module; on failure the module is put
  // back as it was and a typed error says why. `notices` receives texts to
  // show the user (a file of another program version).
  virtual void ReadFromFile(TSuperCalcModule& module, const std::string& fileName,
                            std::vector<std::string>* notices) = 0;
  // Writes the automatic backup.
  virtual void WriteBackup(TSuperCalcModule& module, const std::string& path) = 0;
  // A calculation that ends lets go of what was kept of the file it was
  // read from or saved to.
  virtual void Release(const TSuperCalcModule& /*module*/) {}
};
void SetCalculationFiles(TCalculationFiles* files);
TCalculationFiles* GetCalculationFiles();

// Makes a new GUID text "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}".
std::string NewGUIDText();
// The current time as a day number (days since 1899-12-30).
double NowDayNumber();

// Limits the time an iteration spends at full precision: after each
// interval without success it lowers the significant digits of the
// calculation it watches (its options) by one, down to MinDigits, and
// restores the digits when stopped.
class tWatchDog {
 public:
  int BaseInterval = 5000;  // ms
  int MinDigits = 1;
  std::function<double()> NowMs;  // milliseconds; a steady clock by default

  explicit tWatchDog(TNumericOptions& options);
  ~tWatchDog() { SetEnabled(false); }
  bool GetEnabled() const { return FEnabled; }
  void SetEnabled(bool enabled);
  void Start(int minDigits) {
    MinDigits = minDigits;
    SetEnabled(true);
  }
  void Stopp() { SetEnabled(false); }
  void Reset();
  // True when the interval has passed: the digits were lowered by one.
  bool Check();
  void SetMinDigits(int digits);
  // The interval for `digits` significant digits:
  // round((0.0125 d^2 - 0.325 d + 2.3125) * BaseInterval) ms.
  int IntervalFor(int digits) const;
  int GetInterval() const { return FInterval; }

 private:
  TNumericOptions& FOptions;
  bool FEnabled = false;
  int FSavedDigits = 0, FStartDigits = 0;
  double FStartTime = 0;
  int FInterval = 0;
};

}  // namespace torvacalc
