// The calculation a desktop window edits, seen through what a window needs:
// pages and groups of item names, the operating points as columns, the
// items of one operating point, the message container, undo and files.
// The window never computes anything itself; every value it shows comes
// from the items and every change goes back through them.
//
// TWorkspace is the seam between the window and the kind of
// calculation: the whole valve calculation with its four operating points
// (TTorvaWorkspace, torva_calculation.h) is what the window creates; the
// control valve module on its own (TValveModuleWorkspace, files .cvc as
// `torvacalc module valve -o` writes them) still opens.
//
// Nothing here uses Qt, so the behaviour of input, undo and files is
// testable without a window.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "framework/super_module.h"

namespace torvacalc {

class TCMControlValves;

// The outcome of an entry: applied, or refused with the text to show (the
// previous value then stays).
// One fact of the messages as the engineer reads it (docs/messages.md):
// the point it concerns (-1 for all points), its number, its most severe
// type, its text and the names of all items its copies name.
struct TPointMessage {
  int point = -1;  // 0..3 or -1
  int no = 0;
  tCalcMessageType type = cmNoError;
  std::string typeText, text;
  std::vector<std::string> items;               // main-module names, each once
  const TCalcMessage* first = nullptr;          // the first copy in the container
};

// The units an engineer works in, for every item at once: SI as the
// program shows it (bar, °C, kg/h, m³/h, Kv, mm) or US customary (psi,
// °F, lb/h, US gpm, Cv, in). A pressure keeps its kind (absolute or
// gauge).
enum class TUnitPreset { SI, US };

// The unit of `preset` for the quantity `q`, -1 where the preset leaves
// the quantity's unit as it is; `current` (the unit shown now) decides
// between absolute and gauge pressure.
int PresetUnit(TUnitPreset preset, TQuantity q, int current);
// Every parameter of a module on its own in the units of `preset`.
void ApplyUnitPreset(TCalcModule& m, TUnitPreset preset);
// "si" or "us" (any case); empty for anything else.
std::optional<TUnitPreset> UnitPresetByName(const std::string& name);

struct TInputResult {
  bool Applied = false;
  std::string Error;
};

struct TItemGroup {
  std::string Caption;  // German; translated when shown
  std::vector<std::string> Items;
  // Whether the printed data sheet shows the group (the catch-all group of
  // every remaining item is for the screen only).
  bool OnDataSheet = true;
};
struct TItemPage {
  std::string Caption;
  std::vector<TItemGroup> Groups;
};

class TWorkspace {
 public:
  TWorkspace();
  virtual ~TWorkspace() = default;
  // The class name the calculation files name, and their extension.
  virtual std::string KindName() const = 0;
  virtual std::string FileExtension() const = 0;
  // The operating points shown side by side (1 to 4).
  virtual int OperatingPointCount() const = 0;
  virtual std::string OperatingPointCaption(int op) const;
  virtual const std::vector<TItemPage>& Pages() const = 0;
  // The rows of the entries every calculation of this kind needs: shown
  // from the start, before the choices that make the other rows apply
  // (medium, phase) are made.
  virtual const std::vector<std::string>& RequiredEntries() const;
  bool IsRequiredEntry(const std::string& name) const;
  // Whether operating point `op` calculates (a point that is off keeps
  // its items but none of them says what applies).
  virtual bool PointOn(int op) const { return op >= 0 && op < OperatingPointCount(); }
  // The item `name` of operating point `op`; nullptr when that point has
  // no such item.
  virtual TCalcItem* Item(const std::string& name, int op) const = 0;
  // The items of row `name` at the points 0 .. items.size() - 1: Item
  // point by point, which a calculation may find at once.
  virtual void RowItems(const std::string& name, std::span<TCalcItem*> items) const;
  // Where the window shows `item`: the row name and the operating point
  // (false when no page shows it).
  bool Locate(const TCalcItem* item, std::string* name, int* op) const;
  // The super module that brackets changes, keeps the undo history and the
  // messages.
  virtual TSuperCalcModule& Super() = 0;
  TCalcMessageContainer& Messages() { return *Super().GetCalcMessageContainer(); }
  // The operating point a message concerns (0 .. OperatingPointCount() - 1)
  // or -1 when it concerns every point (the pipe, the medium's constants).
  virtual int MessagePoint(const TCalcMessage& msg) const;
  // What the engineer reads of the messages, each fact once; by default
  // every message of the container under its point.
  virtual std::vector<TPointMessage> ReadMessages() const;

  // Whether the item `name` of operating point `op` means anything for the
  // calculation as it stands (relevance.h): the tables and the window
  // leave out what does not, unless everything is asked for.
  virtual bool Relevant(const std::string& name, int op) const = 0;

  // The user's entry of `text` into the item `name` of operating point
  // `point` (0 for point 1), by the one entry rule of every front end
  // (EnterItem): one change, one recalculation, one undo step; a unit typed
  // with the number becomes the unit of the whole row. Refused (nothing
  // changes) for an unknown item and an entry that cannot be taken.
  TInputResult Enter(const std::string& name, int point, const std::string& text);
  // A batch of "NAME=TEXT" entries (names with their point's suffix), as a
  // case file and a command line give them ("NAME.note=TEXT" puts a note
  // on the item instead): the calculation settles once
  // with all of them and the undo history starts afresh. Throws ECalcEntry
  // naming the first entry that cannot be taken; the entries before it
  // stay.
  void EnterAll(const std::vector<std::string>& assignments);
  // "NAME=TEXT" entries (point 1, or names with their point's suffix) that
  // depend on each other, as a choice from a catalogue: each is entered
  // after the one before has been calculated (a list offers what the
  // entry before chose), and together they are one undo step. The first
  // entry refused puts the calculation back as it was and is returned.
  TInputResult EnterSteps(const std::vector<std::string>& assignments);

  // Reads a calculation file: the calculation is recomputed once and the
  // undo history starts afresh. Throws ECalculationFile (or the file
  // library's typed errors) with the text to show; the calculation is then
  // unchanged.
  virtual void Load(const std::string& fileName) = 0;
  // Writes the calculation (atomically); throws like Load.
  virtual void Save(const std::string& fileName) = 0;

  // After the program's language changed (SetLanguage): the lists read
  // from a database (the media's names) are filled in the new language,
  // the chosen entry kept, and the messages worded anew; no step of undo,
  // no change of the calculation.
  void LanguageChanged();

  // Every parameter of every point in the units of `preset`: one change,
  // one undo step; the values stay, a file saved afterwards keeps the
  // units.
  void ApplyUnitPreset(TUnitPreset preset);
  // The results of quantity `q` (the items the calculation finds) shown in
  // `unitNo`, the unit the user has just given an entry of that quantity:
  // the flow through the valve in t/h when the flow was entered in t/h.
  void ResultsFollowUnit(TQuantity q, int unitNo);
  // Every parameter the pages show, at every point.
  std::vector<TCalcParameter*> Parameters() const;
  // An item that shows another module's item shows it in its own unit:
  // after a file is read or the calculation rewires itself (another noise
  // method, a resistor switched on), the item it reads through takes the
  // unit the user chose. Runs whenever a change of the calculation closes
  // (the super module's AfterLastCalculate).
  void KeepShownUnits();

  bool CanUndo() const { return const_cast<TWorkspace*>(this)->Super().GetCanUndo(); }
  // Puts the state before the last change back; that change can then be
  // made again (Redo) until a new change is made.
  bool Undo();
  bool CanRedo() const { return !FRedo.empty(); }
  bool Redo();
  // Forgets the history and records the present state as its start.
  void RestartHistory();

 protected:
  // A new change (a step of history that is neither an undo nor a redo)
  // forgets the states that could be made again; called once the super
  // module exists.
  void WatchHistory();

 private:
  // Row and point of every shown item, made on the first Locate (the pages
  // and items of a calculation do not change).
  mutable std::unordered_map<const TCalcItem*, std::pair<std::string, int>> FPlaces;
  // Parameters(), made once; KeepShownUnits running.
  std::vector<TCalcParameter*> FParameters;
  bool FKeepingUnits = false;
  std::vector<TCalcState> FRedo;  // the last undone state at the back
  bool FRedoing = false;
};

// The calculation kind of this program (the whole valve calculation).
std::unique_ptr<TWorkspace> CreateWorkspace();
// The calculation that reads `fileName`: the control valve module on its
// own for its files, otherwise the calculation of this program (whose Load
// then says what is wrong with the file).
std::unique_ptr<TWorkspace> CreateWorkspaceForFile(const std::string& fileName);
// The calculation of `fileName`, read once and computed once with its
// values (not with a new calculation's defaults first), its undo history
// starting there; `notices` receives what a file of another program
// version is told. Throws what the file's reading throws.
std::unique_ptr<TWorkspace> OpenWorkspace(const std::string& fileName, std::vector<std::string>* notices);

// The control valve module on its own, owned by a super module that gives
// it undo, update brackets and a message container.
class TValveModuleWorkspace : public TWorkspace {
 public:
  TValveModuleWorkspace();
  ~TValveModuleWorkspace() override;
  std::string KindName() const override;
  std::string FileExtension() const override { return "cvc"; }
  int OperatingPointCount() const override { return 1; }
  const std::vector<TItemPage>& Pages() const override { return FPages; }
  TCalcItem* Item(const std::string& name, int op) const override;
  bool Relevant(const std::string& name, int op) const override;
  TSuperCalcModule& Super() override { return *FSuper; }
  void Load(const std::string& fileName) override;
  void Save(const std::string& fileName) override;
  TCMControlValves& Valve() { return *FValve; }

 private:
  std::unique_ptr<TSuperCalcModule> FSuper;
  TCMControlValves* FValve;
  std::vector<TItemPage> FPages;
};

// How the window colours an item: where its value came from.
enum class TItemLook : std::uint8_t { User, Calculated, Database, Overruled, NotUsed, ReadOnly };
TItemLook ItemLook(const TCalcItem& item);


// What the user typed into a parameter's field, by the one entry rule
// (EnterParameterText): one change, one recalculation, one undo step; a
// refused entry changes nothing and says why. A unit typed with the number
// becomes the unit of `p` and of `sameRow` (the parameter's twins at the
// other operating points, shown in one row with one unit).
TInputResult EnterParameter(TWorkspace& calc, TCalcParameter& p, const std::string& text,
                            const std::vector<TCalcParameter*>& sameRow = {});
// A new display unit (the value stays; the unit moves up the recent list).
void ChooseParameterUnit(TWorkspace& calc, TCalcParameter& p, int unitNo);
// A switch: the item index of a list switch, 0/1 of a two-state switch.
void ChooseSwitch(TWorkspace& calc, TCalcItem& item, int index);
// A text item.
void EnterItemText(TWorkspace& calc, TCalcItem& item, const std::string& text);
// The user's note on a value (saved with the calculation, printed beside
// the value): one change, one undo step; an empty text removes it. A line
// break in the text starts a new line of the note.
void SetItemNote(TWorkspace& calc, TCalcItem& item, const std::string& text);
// The note of an item as one text, its lines joined by line breaks.
std::string ItemNote(const TCalcItem& item);

// The parameter whose value, text and unit a field shows: for an item that
// shows another module's item (a target), the root it reads from, whose
// display unit is the one its text is in; otherwise `p` itself.
const TCalcParameter& ShownParameter(const TCalcParameter& p);
TCalcParameter& ShownParameter(TCalcParameter& p);
// A new display unit for the parameter and the item it shows.
void SetShownUnit(TCalcParameter& p, int unitNo);
// Whether the calculation finds the parameter's value (a result the user
// has not overruled), rather than the user or the database giving it.
bool IsResult(const TCalcParameter& p);

// The units offered for a parameter: the recently used first, then the
// others in table order, each once.
std::vector<int> OfferedUnits(const TCalcParameter& p);

// The text shown in a parameter's field: the same text `torvacalc show`
// prints, and nothing for a value that is not there.
std::string FieldText(const TCalcItem& item);

// The next item after `current` (in message order, wrapping) that a message
// of error, out-of-bounds, alarm or missing-input severity blames; nullptr
// when there is none.
TCalcItem* NextTroubleMaker(const TCalcMessageContainer& messages, const TCalcItem* current);

}  // namespace torvacalc
