// Calculation items: the named value slots of a calculation module.
//
// A parameter holds a number of one quantity, always in the quantity's
// basic unit, with the unit the user chose for display. Items can be linked:
// a target item has no state of its own and reads and writes everything
// through its source. Every change is reported to the owning module as a
// calculation event, which drives recalculation.
#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "framework/basics.h"
#include "framework/item_tag.h"
#include "framework/units.h"

namespace torvacalc {

class TAncestorCalcModule;
class TCalcParameter;

// Calculation events, in the order of their codes 0..11.
enum TCalcEvent : std::uint8_t {
  ceBeforeFieldChange,
  ceFieldChange,
  ceNotesChange,
  ceCommentsChange,
  ceValueFieldChange,
  ceInputStateChange,
  ceParametersChange,
  ceUpdateParameters,
  ceUpdateState,
  ceFieldListChange,
  ceBeforeCalculate,
  ceAfterCalculate,
};

enum TEDetailLevel : std::uint8_t { dlInvisible, dlHigh, dlLow };

enum tValueState : std::uint8_t { vsNormal, vsUndefined, vsFaulty, vsInfinity, vsMinusInfinity, vsOutdated };

enum tDisplayState : std::uint8_t { dsNormal, dsDisabled, dsInvisible, dsReadOnly, dsCutOff };

// Where a value came from.
inline constexpr std::uint8_t isUser = 0;
inline constexpr std::uint8_t isDatabase = 1;
inline constexpr std::uint8_t isCalculated = 2;

// Texts shown for states (German; translated before display).
const char* ValueStateText(tValueState s);
const char* DisplayStateText(tDisplayState s);
const char* InputStateText(std::uint8_t s);

// A programming error in linking or assigning items.
class ECompCalcLink : public std::logic_error {
 public:
  using std::logic_error::logic_error;
};

class TCalcItem {
 public:
  explicit TCalcItem(TAncestorCalcModule* module);
  virtual ~TCalcItem();
  TCalcItem(const TCalcItem&) = delete;
  TCalcItem& operator=(const TCalcItem&) = delete;

  // The class name used in calculation files and messages.
  virtual const char* ClassName() const { return "TCalcItem"; }
  // Cheap kind tests for the hot paths of recalculation (a dynamic_cast
  // per value read cost a third of a module's calculation): the kind is
  // recorded by the constructors, so the tests are neither casts nor
  // virtual calls.
  TCalcParameter* AsParameter() { return FParameter; }
  const TCalcParameter* AsParameter() const { return FParameter; }
  bool IsOutputParameter() const { return FIsOutput; }
  // Switches of two states and of a list of values (calc_switch.h).
  bool IsTwoStateSwitch() const { return FSwitchKind == TSwitchKind::TwoState; }
  bool IsMultiSwitch() const { return FSwitchKind == TSwitchKind::Multi; }

  const std::string& GetName() const { return FName; }
  virtual void SetName(std::string name) { FName = std::move(name); }
  virtual std::string GetCaption() const;  // translated
  // By value: a caption written as a literal is made once, not made and copied.
  virtual void SetCaption(std::string caption) { FCaption = std::move(caption); }
  // The caption as the program's texts write it (German), untranslated.
  const std::string& GetCaptionText() const { return FCaption; }
  virtual std::string GetShortCaption() const;  // translated; the caption when empty
  virtual void SetShortCaption(std::string caption) { FShortCaption = std::move(caption); }
  TAncestorCalcModule* GetCalcModule() const { return FCalcModule; }

  // The item's value as text; a target reads and writes its source's.
  virtual std::string GetText() const;
  // !GetText().empty() without making the text of a calculated value (a
  // stored value always has a text).
  bool HasText() const { return !Root()->FText.empty(); }
  virtual void SetText(const std::string& text);
  virtual std::string GetDisplayText() const;
  virtual tDisplayState GetDisplayState() const;
  // Whether the item is out of sight by its use or detail level, whatever
  // its value (an optional property hidden while it has none is not).
  bool HiddenByUse() const;

  // Flags; a target's getters and setters go to its source.
  std::uint8_t GetInputState() const { return Root()->FInputState; }
  virtual void SetInputState(std::uint8_t state);
  bool GetOverruled() const { return Root()->FOverruled; }
  virtual void SetOverruled(bool v);
  bool GetSetByProgram() const { return Root()->FSetByProgram; }
  void SetSetByProgram(bool v);
  bool GetCanBeOverruled() const { return Root()->FCanBeOverruled; }
  void SetCanBeOverruled(bool v);
  virtual bool GetReadOnly() const;
  void SetReadOnly(bool v);
  virtual bool GetEnabled() const;
  void SetEnabled(bool v);
  bool GetUtilized() const { return Root()->FUtilized; }
  void SetUtilized(bool v);
  bool GetModified() const { return Root()->FModified; }
  void SetModified(bool v);
  bool GetCanBeModified() const { return Root()->FCanBeModified; }
  void SetCanBeModified(bool v);
  bool GetIsUsed() const { return Root()->FIsUsed; }
  void SetIsUsed(bool v);
  bool GetShowAlways() const { return FShowAlways; }
  void SetShowAlways(bool v) { FShowAlways = v; }
  bool GetImportant() const { return FImportant; }
  void SetImportant(bool v) { FImportant = v; }
  bool GetUseInGraphics() const { return FUseInGraphics; }
  void SetUseInGraphics(bool v) { FUseInGraphics = v; }
  // Shown only while it holds a value (optional medium properties).
  bool GetHideIfMinus() const { return FHideIfMinus; }
  void SetHideIfMinus(bool v) { FHideIfMinus = v; }
  bool GetOutDated() const { return FOutDated; }
  void SetOutDated(bool v) { FOutDated = v; }
  // The user may change the value: enabled and not read-only.
  virtual bool GetCanModify() const;
  // A choice offered from a database (the module warns when the user
  // typed it instead of taking it from the database).
  virtual bool IsDatabaseChoice() const { return false; }

  TEDetailLevel GetDetailLevel() const { return FDetailLevel; }
  void SetDetailLevel(TEDetailLevel level);

  // How many users the item has, and how many messages blame it.
  int GetXTimesInUse() const { return FXTimesInUse; }
  void SetXTimesInUse(int n) { FXTimesInUse = n; }
  int GetXTroubleMaker() const { return FXTroubleMaker; }
  void SetXTroublemaker(int n) { FXTroubleMaker = n; }
  bool GetTroubleMaker() const { return FXTroubleMaker > 0; }

  // Notes and comments of the user.
  const std::vector<std::string>& NotesList() const { return FNotes; }
  const std::vector<std::string>& CommentsList() const { return FComments; }
  void SetStringListNotes(const std::vector<std::string>& notes);
  void SetStringListComments(const std::vector<std::string>& comments);
  void ClearNotes() { SetStringListNotes({}); }
  void ClearComments() { SetStringListComments({}); }
  bool GetHasNotes() const { return !FNotes.empty(); }
  bool GetHasComments() const { return !FComments.empty(); }

  // The value link. Linking to an item that (through its own sources)
  // already reads from this one throws ECompCalcLink.
  TCalcItem* GetSourceCalcItem() const { return FSourceCalcItem; }
  virtual void SetSourceCalcItem(TCalcItem* source);
  const std::vector<TCalcItem*>& Targets() const { return FTargets; }
  // The end of the source chain: the item that really holds the state.
  TCalcItem* GetRootCalcItem() {
    TCalcItem* p = this;
    while (p->FSourceCalcItem) p = p->FSourceCalcItem;
    return p;
  }
  const TCalcItem* GetRootCalcItem() const {
    const TCalcItem* p = this;
    while (p->FSourceCalcItem) p = p->FSourceCalcItem;
    return p;
  }
  bool GetIsTarget() const { return FSourceCalcItem != nullptr; }
  bool GetIsSource() const { return !FTargets.empty(); }
  bool HasTargetCalcItem(const TCalcItem* item) const;

  // The database link: a data source passes its value on to its data
  // targets whenever it changes (as a database value).
  TCalcItem* GetDataSourceCalcItem() const { return FDataSourceCalcItem; }
  void SetDataSourceCalcItem(TCalcItem* source);
  const std::vector<TCalcItem*>& DataTargets() const { return FDataTargets; }
  bool GetIsDataTarget() const { return FDataSourceCalcItem != nullptr; }
  bool GetIsDataSource() const { return !FDataTargets.empty(); }

  // While one lives, the item's changes reach neither its module nor the
  // items linked to it (on this thread): for putting back values whose
  // every consequence is calculated anew afterwards.
  class TUnreported {
   public:
    explicit TUnreported(const TCalcItem& item);
    ~TUnreported();
    TUnreported(const TUnreported&) = delete;
    TUnreported& operator=(const TUnreported&) = delete;

   private:
    const TCalcItem* FBefore;
  };

  // Reports a change of the item (not of its value) to the module.
  void DoAfterSetParameter();
  // Reports a change of the value to the module.
  void DoAfterSetValueParameter();
  // Re-reports the item when its visible text changed since `before`.
  void CallEventIfNecessary(const std::string& before);

  // Copies the user-visible state of another item of the same kind.
  virtual void Assign(const TCalcItem& other);

  // The calculation no longer writes this item: a calculated value becomes
  // the user's.
  void IsNotLongerCalculated();

  // The user is about to type into the item: whatever it showed (a value
  // filled in from the database, a calculated one) becomes the user's own.
  // A database value the user changes is marked modified, so that the
  // database no longer refreshes it; clearing the entry (`clearing`) hands
  // the item back to the database or the calculation.
  void EnterByUser(bool clearing);

  // The item in a calculation file. Every attribute a reader of the file
  // may want is written; loading takes back only the user's state (notes,
  // comments, the outdated flag, and in descendants the value).
  virtual void SaveToTag(TItemTagWriter& tag) const;
  virtual void LoadFromTag(const TItemTagReader& tag);
  // The severity and text of the message shown at the item (cmNoError = 8
  // and empty without one).
  std::uint8_t GetTroubleType() const;
  std::string GetCalcMessage() const;

 protected:
  friend class TAncestorCalcModule;
  // Items hand their state to their targets so that an unlinked target
  // starts from what it showed.
  virtual void PumpData();
  // Saved and restored around linking, so that unlinking gives the item
  // back its own value.
  virtual void StoreField();
  virtual void RestoreField();
  virtual void DoAfterChangeInputState() {}
  virtual void DataSourceChanged(TCalcItem& source);
  void Notify(TCalcEvent event);
  // The raw overruled flag of another item (no events).
  static bool& OverruledField(TCalcItem& item) { return item.FOverruled; }
  void Unlink();  // drops every link without events (destruction)
  bool ModuleAlive() const;
  TCalcItem* Root() { return GetRootCalcItem(); }
  const TCalcItem* Root() const { return GetRootCalcItem(); }

  std::string FName, FCaption, FShortCaption, FText, FStoredText;
  TAncestorCalcModule* FCalcModule;
  std::uint8_t FInputState = isUser;
  bool FOverruled = false, FSetByProgram = false, FCanBeOverruled = false, FModified = false,
       FCanBeModified = true, FReadOnly = false, FEnabled = true, FUtilized = true, FIsUsed = true;
  bool FShowAlways = false, FImportant = false, FUseInGraphics = false, FOutDated = false, FHideIfMinus = false;
  int FXTimesInUse = 0, FXTroubleMaker = 0;
  TEDetailLevel FDetailLevel = dlLow;
  TCalcItem* FSourceCalcItem = nullptr;
  std::vector<TCalcItem*> FTargets;
  TCalcItem* FDataSourceCalcItem = nullptr;
  std::vector<TCalcItem*> FDataTargets;
  std::vector<std::string> FNotes, FComments;
  // The item's kind (see AsParameter), set once by the constructors.
  TCalcParameter* FParameter = nullptr;
  bool FIsOutput = false;
  enum class TSwitchKind : std::uint8_t { None, TwoState, Multi };
  TSwitchKind FSwitchKind = TSwitchKind::None;
};

// A text item.
class tCalcString : public TCalcItem {
 public:
  using TCalcItem::TCalcItem;
  const char* ClassName() const override { return "tCalcString"; }
  void SaveToTag(TItemTagWriter& tag) const override;
  void LoadFromTag(const TItemTagReader& tag) override;
};

// A text item whose changes matter to the calculation (a medium name, a
// norm): a change is a value change and recalculates the module.
class TCalcRelevantString : public tCalcString {
 public:
  using tCalcString::tCalcString;
  const char* ClassName() const override { return "TCalcRelevantString"; }
  void SetText(const std::string& text) override;
};

// A number of one quantity.
class TCalcParameter : public TCalcItem {
 public:
  // Bounds from the quantity.
  TCalcParameter(TAncestorCalcModule* module, TQuantity quantity);
  // Explicit bounds in the basic unit; UpperBound <= LowerBound switches
  // the bounds off.
  TCalcParameter(TAncestorCalcModule* module, Extended lowerBound, Extended upperBound,
                 TQuantity quantity);
  ~TCalcParameter() override;
  const char* ClassName() const override { return "TCalcParameter"; }

  TQuantity GetQuantity() const { return FCalcUnits.Quantity; }

  // The value in the basic unit; NoValue when unset. A parameter of its
  // own (most are) answers inline; a linked one asks its root.
  Extended GetValue() const { return FSourceCalcItem ? LinkedValue() : FValue; }
  void SetValue(Extended value);
  // The value a calculation uses: NoValue unless the state is normal and
  // the value lies within the bounds.
  Extended GetCalcValue() const {
    if (GetValueState() != vsNormal || !GetInBounds()) return NoValue;
    return GetValue();
  }
  bool GetInBounds() const {
    if (FUpperBound <= FLowerBound) return true;
    const Extended v = GetValue();
    return FLowerBound <= v && v <= FUpperBound;
  }
  Extended GetLowerBound() const { return FLowerBound; }
  Extended GetUpperBound() const { return FUpperBound; }
  void SetLowerBound(Extended v) { FLowerBound = v; }
  void SetUpperBound(Extended v) { FUpperBound = v; }

  tValueState GetValueState() const { return FSourceCalcItem ? LinkedValueState() : FValueState; }
  void SetValueState(tValueState state);

  // Text input, a number in the display unit: both "," and "." are read
  // as decimal marks; the value is stored in the basic unit. The text is
  // kept as typed (an unreadable one too, with the state vsFaulty; a
  // number beyond the range of values, such as 1E4000, with vsInfinity or
  // vsMinusInfinity, shown as typed and reported out of bounds).
  void SetText(const std::string& text) override;
  std::string GetDisplayText() const override;
  tDisplayState GetDisplayState() const override;
  // True for a typed number beyond the range of values (see SetText).
  bool TypedBeyondRange() const;

  // The display unit.
  int GetCalcUnitNo() const { return FCalcUnits.CalcUnitNo; }
  void SetCalcUnitNo(int unitNo);
  std::string GetCalcUnitName() const { return FCalcUnits.GetUnitName(); }
  std::string GetQuantityName() const { return FCalcUnits.GetQuantityName(); }
  const TCalcUnits& CalcUnits() const { return FCalcUnits; }
  // From the display unit into the basic unit, and back.
  Extended ConvertToBasic(Extended valueInUnit) const;
  Extended ConvertToUnit(Extended basicValue) const;
  Extended GetDisplayValue() const { return ConvertToUnit(GetValue()); }
  void SetDisplayValue(Extended v) { SetValue(ConvertToBasic(v)); }
  // The bound or any value in the display unit, 4 significant digits and
  // the unit name ("-" left off), as messages show it.
  std::string ConvertToUnitString(Extended basicValue) const;

  bool GetIsApproximated() const;
  void SetIsApproximated(bool v);

  // Unit synchronisation: a unit change of one parameter is passed on to
  // the others (pressures and pressure differences by unit name).
  static void SynchronizeUnits(TCalcParameter& a, TCalcParameter& b);
  const std::vector<TCalcParameter*>& GetListSynchronizedUnits() const { return FSyncUnits; }
  bool HasSynchronizedUnits() const { return !FSyncUnits.empty(); }
  void CutUnitSynchronization();
  // Switches a pressure parameter to the gauge unit of its unit.
  void ConvertToGaugePressure();

  // How a module writes a result: nothing happens when `digits` is not 0,
  // the value is a calculated one and equal to `digits` digits; otherwise,
  // when ShouldBeAssigned, the value is set as calculated.
  virtual void AssignValue(int digits, Extended value);
  // A module's result written again as it stands: the very value of a
  // calculated parameter of its own, or no value where it holds none.
  // Inside the module's calculation AssignValue would change nothing, so the
  // module may skip the call (most outputs of a steady recalculation).
  bool HoldsResult(Extended value) const {
    if (FSourceCalcItem || FInputState != isCalculated) return false;
    if (FValueState == vsNormal) return value == FValue;
    return FValueState == vsUndefined && IsNoValue(value);
  }
  void AssignApproximatedValue(int digits, Extended value);
  void AssignIfEmpty(Extended value);
  // The user (or the program) overrules a calculated value.
  void OverruleValue(bool setByProgram, Extended value);
  // Used, and neither overruled nor modified.
  bool ShouldBeAssigned() const;
  // Sets input state, unit and value together, as one change.
  void SetValuesParallel(std::uint8_t inputState, int unitNo, Extended value);

  void Assign(const TCalcItem& other) override;
  void SaveToTag(TItemTagWriter& tag) const override;
  void LoadFromTag(const TItemTagReader& tag) override;

 protected:
  void StoreField() override;
  void RestoreField() override;
  void DataSourceChanged(TCalcItem& source) override;
  void ModifyShortcaption();
  void DoUnitSynchronization();
  void SyncNotMatchingUnits(TCalcParameter& other);
  TCalcParameter* RootParameter();
  const TCalcParameter* RootParameter() const;
  Extended LinkedValue() const;
  tValueState LinkedValueState() const;
  void SetQuantityInternal(TQuantity q);
  void ApplyText(const std::string& text, const Extended* exact);
  // SetValue past its test for an unchanged value: `value` normalised and
  // known to differ from the stored one.
  void StoreValue(Extended value);

  TCalcUnits FCalcUnits;
  Extended FValue = NoValue;
  Extended FStoredValue = NoValue;
  tValueState FValueState = vsUndefined, FStoredValueState = vsUndefined;
  Extended FLowerBound, FUpperBound;
  bool FIsApproximated = false;
  std::vector<TCalcParameter*> FSyncUnits;

 private:
  // Both bounds from the one record of the quantity.
  TCalcParameter(TAncestorCalcModule* module, const TQuantityRecord& record, TQuantity quantity);
};

// Inputs of a module.
class TCustomInParameter : public TCalcParameter {
 public:
  using TCalcParameter::TCalcParameter;
  const char* ClassName() const override { return "TCustomInParameter"; }
};

// A pure user input: a module never writes it.
class TInputParameter : public TCustomInParameter {
 public:
  using TCustomInParameter::TCustomInParameter;
  const char* ClassName() const override { return "TInputParameter"; }
  // A programming error: throws ECompCalcLink ("Fehlerhafte Zuweisung von").
  void AssignValue(int digits, Extended value) override;
};

// Given by the user or calculated, whichever the calculation target asks.
class TInOutParameter : public TCustomInParameter {
 public:
  using TCustomInParameter::TCustomInParameter;
  const char* ClassName() const override { return "TInOutParameter"; }
};

// A calculated value the user may overrule.
class TOverruleParameter : public TCustomInParameter {
 public:
  TOverruleParameter(TAncestorCalcModule* module, TQuantity quantity);
  TOverruleParameter(TAncestorCalcModule* module, Extended lowerBound, Extended upperBound,
                     TQuantity quantity);
  const char* ClassName() const override { return "TOverruleParameter"; }
};

// A parameter whose quantity can change (a flow given as mass, volume or
// standard volume flow).
class tVarQuantityParameter : public TCustomInParameter {
 public:
  using TCustomInParameter::TCustomInParameter;
  const char* ClassName() const override { return "tVarQuantityParameter"; }
  // Changes the quantity; the value is kept in the new basic unit, the
  // unit returns to the basic unit and the bounds to the quantity's.
  void SetQuantity(TQuantity q);
};

// A value taken from a database that the user may modify.
class TModifyParameter : public TCustomInParameter {
 public:
  using TCustomInParameter::TCustomInParameter;
  const char* ClassName() const override { return "TModifyParameter"; }
  // Writes the value as a database value; an overruled flag does not
  // stop the assignment.
  void AssignValue(int digits, Extended value) override;
};

// Resistance coefficients from a database.
class tZetaModifyParameter : public TModifyParameter {
 public:
  using TModifyParameter::TModifyParameter;
  const char* ClassName() const override { return "tZetaModifyParameter"; }
};

class tPitotZetaModifyParameter : public tZetaModifyParameter {
 public:
  using tZetaModifyParameter::tZetaModifyParameter;
  const char* ClassName() const override { return "tPitotZetaModifyParameter"; }
};

// Results of a module.
class TCustomOutParameter : public TCalcParameter {
 public:
  // Results: a change of one never makes its own module recalculate.
  TCustomOutParameter(TAncestorCalcModule* module, TQuantity quantity) : TCalcParameter(module, quantity) {
    FIsOutput = true;
  }
  TCustomOutParameter(TAncestorCalcModule* module, Extended lowerBound, Extended upperBound, TQuantity quantity)
      : TCalcParameter(module, lowerBound, upperBound, quantity) {
    FIsOutput = true;
  }
  const char* ClassName() const override { return "TCustomOutParameter"; }
  // The user cannot type into a result unless it may be overruled.
  bool GetCanModify() const override;
};

class TOutputParameter : public TCustomOutParameter {
 public:
  TOutputParameter(TAncestorCalcModule* module, TQuantity quantity);
  TOutputParameter(TAncestorCalcModule* module, Extended lowerBound, Extended upperBound,
                   TQuantity quantity);
  const char* ClassName() const override { return "TOutputParameter"; }
};

// An entry a user typed that cannot be taken: a unit the quantity does not
// know, or a pressure unit that does not say absolute or gauge. The text
// says why, in the program's words; the front end adds the item's name.
class ECalcEntry : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A parameter's value as a user types it, with or without a unit:
// "6,8", "6.8 bar(g)", "0.31 mPa s". The unit (the text after the first
// blank) becomes the display unit of `p`, of the item it shows (a target's
// root) and of `sameRow` (its twins at the other operating points, shown in
// one row with one unit); the number is read in it with either decimal mark
// and kept as typed (EnterByUser first, then SetText). A number beyond the
// parameter's bounds or the range of values is kept and reported out of
// bounds, so that nothing typed is lost; an empty text hands the item back
// to the database or the calculation. Throws ECalcEntry, before anything
// changes, for a text that is no number ("sixty", "1.000,5"), a unit of
// another quantity and a pressure unit that does not say absolute or gauge:
// the one rule of every front end, whose texts are in the program's
// language.
void EnterParameterText(TCalcParameter& p, const std::string& text,
                        const std::vector<TCalcParameter*>& sameRow = {});

}  // namespace torvacalc
