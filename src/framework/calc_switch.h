// Calculation switches: items whose value is a choice (yes/no, or one entry
// of a list). Besides holding the choice a switch re-wires the calculation:
// it lists connectors (and parameters) that belong to particular choices,
// and a change of the choice switches the connectors of the chosen entry on
// and all others off, so that another module or method feeds the results.
#pragma once

#include <bitset>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "framework/calc_item.h"

namespace torvacalc {

class TCalcConnector;
class TSwitchDataSource;

enum TCheckBoxState : std::uint8_t { cbUnchecked, cbChecked, cbGrayed };

// The entries of a list switch, and their own texts in other languages
// (language -> one text per entry): immutable and shared by every switch
// that offers the same entries (a link's target and its source, the
// switches a database source fills, a main module's mirror of a module's
// switch), so that a calculation of some hundred switches keeps each list
// once. A changed list is a new one.
using TChoiceList = std::shared_ptr<const std::vector<std::string>>;
using TChoiceTexts = std::shared_ptr<const std::map<std::string, std::vector<std::string>>>;
// The empty list.
const TChoiceList& NoChoices();

// "nein" for unchecked, "ja" for checked, empty otherwise.
std::string SwitchStatusToStr(TCheckBoxState status);
// "ja" (any letter case) checks, "nein" unchecks, anything else is grayed.
// "ja" or "yes" checked, "nein" or "no" unchecked (any case), else grayed.
TCheckBoxState StrToSwitchStatus(const std::string& text);

class tCustomCalcSwitch : public TCalcItem {
 public:
  using TCalcItem::TCalcItem;
  const char* ClassName() const override { return "tCustomCalcSwitch"; }

  const std::vector<std::string>& Connectors() const { return FConnectors; }
  const std::vector<std::string>& Parameters() const { return FParameters; }
  void RemoveConnector(const std::string& entry);
  void RemoveParameter(const std::string& entry);
  void RemoveAllConnectors() { FConnectors.clear(); }
  void RemoveAllParameters() { FParameters.clear(); }

 protected:
  // The connector of that name in the calculation the switch belongs to.
  TCalcConnector* FindConnector(const std::string& name) const;
  TCalcItem* FindParameter(const std::string& name) const;
  void AddEntry(std::vector<std::string>& list, const std::string& entry);
  std::vector<std::string> FConnectors, FParameters;
};

// A two-state switch ("ja"/"nein"; anything else is undecided).
class TCalcSwitch : public tCustomCalcSwitch {
 public:
  explicit TCalcSwitch(TAncestorCalcModule* module) : tCustomCalcSwitch(module) {
    FSwitchKind = TSwitchKind::TwoState;
  }
  const char* ClassName() const override { return "TCalcSwitch"; }

  TCheckBoxState GetSwitchStatus() const;
  void SetSwitchStatus(TCheckBoxState status);
  bool GetChecked() const { return GetSwitchStatus() == cbChecked; }
  void SetChecked(bool checked) { SetSwitchStatus(checked ? cbChecked : cbUnchecked); }
  void SetText(const std::string& text) override;
  void SaveToTag(TItemTagWriter& tag) const override;
  void LoadFromTag(const TItemTagReader& tag) override;

  // Connectors switched on while checked; parameters utilized while checked.
  void AddConnector(const std::string& connector) { AddEntry(FConnectors, connector); }
  void AddParameter(const std::string& parameter) { AddEntry(FParameters, parameter); }

 protected:
  void SetLocalSwitchStatus(TCheckBoxState status);
  TCheckBoxState FSwitchStatus = cbGrayed;
};

// A choice of one entry of a value list.
class TCustomCalcMultiSwitch : public tCustomCalcSwitch {
 public:
  explicit TCustomCalcMultiSwitch(TAncestorCalcModule* module) : tCustomCalcSwitch(module) {
    FSwitchKind = TSwitchKind::Multi;
  }
  const char* ClassName() const override { return "TCustomCalcMultiSwitch"; }

  // The index of the chosen entry; -1 when nothing is chosen.
  int GetSwitchStatus() const;
  void SetSwitchStatus(int index);
  // The chosen entry's text; a text not in the list chooses nothing.
  void SetText(const std::string& text) override;

  const std::vector<std::string>& GetValueList() const;
  // The list itself, to be shared by another switch.
  const TChoiceList& SharedValueList() const;
  std::vector<std::string> GetTranslatedValueList() const;
  void SetValueList(const std::vector<std::string>& values);
  void SetValueList(std::vector<std::string>&& values);
  virtual void SetValueList(TChoiceList values);
  int AddValue(const std::string& value);
  void RemoveValue(int index);
  void ClearValues();
  void AssignValues(const std::vector<std::string>& values) { SetValueList(values); }
  std::string GetValueOfIndex(int index) const;  // translated
  std::string GetSelectedValue() const { return GetValueOfIndex(GetSwitchStatus()); }
  // Index in the translated list (not case-sensitive); -1 for an empty text.
  virtual int IndexOfText(const std::string& text) const;
  // IndexOfText, and where that finds nothing, the index a switch reading
  // through this one with the same entries finds: a computing module's
  // switch may know more names for its entries (a substance by its name in
  // the other language) than the main module's switch it reads through.
  int IndexOfAnyName(const std::string& text) const;
  bool GetSorted() const { return FSorted; }
  void SetSorted(bool sorted);

  // Entries "Name|ValueNo": the connector is on (the parameter utilized)
  // while entry ValueNo is chosen.
  void AddConnector(const std::string& connector, int valueNo);
  void AddParameter(const std::string& parameter, int valueNo);
  static std::string ConnectorEntry(const std::string& connector, int valueNo);
  static std::string ParameterEntry(const std::string& parameter, int valueNo) {
    return ConnectorEntry(parameter, valueNo);
  }
  // The number after the "|", -1 when there is none.
  static int GetValueNoFromConnector(const std::string& entry);
  static int GetValueNoFromParameter(const std::string& entry) { return GetValueNoFromConnector(entry); }
  static std::string GetConnectorName(const std::string& entry);
  static std::string GetParameterName(const std::string& entry) { return GetConnectorName(entry); }

  bool IsDatabaseChoice() const override { return false; }
  void SaveToTag(TItemTagWriter& tag) const override;
  void LoadFromTag(const TItemTagReader& tag) override;

  // The entries' own texts in another language, one per entry, where they
  // come with the entries (the names a database keeps in each language)
  // rather than from the dictionary. A new value list drops them.
  void SetValueTexts(const std::string& language, std::vector<std::string> texts);
  // The text of an entry in `language` ("de": the entry itself): its own
  // text, else the dictionary's.
  std::string GetValueTextIn(int index, const std::string& language) const;
  // A switch that reads through another with the same entries lends it the
  // texts it has, so that the source shows and accepts them too.
  void SetSourceCalcItem(TCalcItem* source) override;

 protected:
  void SetLocalSwitchStatus(int index);
  // Takes the value list (and the entries' own texts) from a data source and
  // keeps the choice when its text is still in the list.
  void TakeValuesFrom(const TSwitchDataSource& source);
  int FSwitchStatus = -1;
  TChoiceList FValues = NoChoices();
  bool FSorted = false;

  // Language -> one text per entry; nullptr for none.
  TChoiceTexts FValueTexts;

 private:
  // The switch whose entries' own texts count: the end of the link chain.
  const TCustomCalcMultiSwitch& TextOwner() const;
  // The own text of entry i in the language shown (for German the entry
  // itself), nullptr where the dictionary translates the entry.
  const std::string* OwnTextOfIndex(size_t i) const;
  // Whether `text` is what GetValueOfIndex(index) gives, without making
  // that text (a settled calculation sets every switch again each pass).
  bool IsTextOfIndex(int index, const std::string& text) const;
};

class TXCalcMultiSwitch : public TCustomCalcMultiSwitch {
 public:
  using TCustomCalcMultiSwitch::TCustomCalcMultiSwitch;
  const char* ClassName() const override { return "TXCalcMultiSwitch"; }
};

// A list switch that offers only its visible entries.
class TXCalcListSwitch : public TXCalcMultiSwitch {
 public:
  using TXCalcMultiSwitch::TXCalcMultiSwitch;
  const char* ClassName() const override { return "TXCalcListSwitch"; }

  void SetVisible(int index, bool visible);
  bool GetVisible(int index) const;
  // Visible entries only.
  int GetFirstIndex() const;
  int GetLastIndex() const;
  int GetNext(int index) const;  // -1 after the last
  int GetNoOfVisibleIndexes() const;
  // Hidden entries cannot be chosen by text.
  int IndexOfText(const std::string& text) const override;

 private:
  std::bitset<256> FHidden;
};

class TCalcListSwitch : public TXCalcListSwitch {
 public:
  using TXCalcListSwitch::TXCalcListSwitch;
  const char* ClassName() const override { return "TCalcListSwitch"; }
  int GetSwitchIndex() const { return GetSwitchStatus(); }
  void SetSwitchIndex(int index) { SetSwitchStatus(index); }
  void SaveToTag(TItemTagWriter& tag) const override;
  void LoadFromTag(const TItemTagReader& tag) override;
};

// A list switch whose entries carry keys (database identifiers).
class TLookUpMultiSwitch : public TCalcListSwitch {
 public:
  using TCalcListSwitch::TCalcListSwitch;
  const char* ClassName() const override { return "TLookUpMultiSwitch"; }
  int AddValue(const std::string& value, const std::string& key);
  // The key of the chosen entry (empty when none).
  std::string ValueKey() const;
  int IndexOfValueKey(const std::string& key) const;
  const std::vector<std::string>& KeyList() const { return FKeys; }
  using TCalcListSwitch::SetValueList;
  void SetValueList(TChoiceList values) override;
  std::function<void(TLookUpMultiSwitch&)> OnSyncObject;
  void SaveToTag(TItemTagWriter& tag) const override;

 private:
  std::vector<std::string> FKeys;
};

// A list switch whose entries come from a data source (the sub-styles of a
// valve style in the valve database). In files and links it is a plain list
// switch: the stored index keeps selecting the same entry.
class TDataCalcListSwitch : public TCalcListSwitch {
 public:
  using TCalcListSwitch::TCalcListSwitch;
  const char* ClassName() const override { return "TCalcListSwitch"; }
  void SetDataSource(const TSwitchDataSource* source) { FDataSource = source; }
  const TSwitchDataSource* GetDataSource() const { return FDataSource; }
  // Refills the value list from the data source; keeps the choice when its
  // text is still in the list. False without a data source.
  bool GetFromDataBase();

 private:
  const TSwitchDataSource* FDataSource = nullptr;
};

class TPipeClassSwitch : public TXCalcListSwitch {
 public:
  using TXCalcListSwitch::TXCalcListSwitch;
  const char* ClassName() const override { return "TPipeClassSwitch"; }
};

// What a database tells about one of its entries (a medium, a material, a
// valve, an actuator): named fields as text.
struct TDataRecord {
  std::string Key;
  std::map<std::string, std::string> Fields;
};

// The source of the value lists of data-backed switches: the databases
// implement it.
class TSwitchDataSource {
 public:
  virtual ~TSwitchDataSource() = default;
  virtual std::vector<std::string> ValueList() const = 0;
  // The record of an entry; nullptr when there is none.
  virtual std::shared_ptr<const TDataRecord> Describe(int index) const = 0;
  // The entries' texts in other languages that the source keeps itself
  // (language -> one text per entry of ValueList); none by default, the
  // dictionary then translates.
  virtual std::map<std::string, std::vector<std::string>> ValueTexts() const { return {}; }
  // The same, to be shared by the switches: a source whose entries do not
  // change hands every switch the one list it keeps.
  virtual TChoiceList SharedValueList() const { return std::make_shared<const std::vector<std::string>>(ValueList()); }
  virtual TChoiceTexts SharedValueTexts() const;
};

// A multi-switch whose value list comes from elsewhere: from its link
// source, or from a database through GetFromDataBase.
class TDataMultiSwitch : public TCustomCalcMultiSwitch {
 public:
  using TCustomCalcMultiSwitch::TCustomCalcMultiSwitch;
  const char* ClassName() const override { return "TDataMultiSwitch"; }
  // A linked data switch takes over its source's value list.
  void SetSourceCalcItem(TCalcItem* source) override;
  void SetDataSource(const TSwitchDataSource* source) { FDataSource = source; }
  const TSwitchDataSource* GetDataSource() const { return FDataSource; }
  // Refills the value list from the data source; keeps the choice when its
  // text is still in the list. False without a data source.
  bool GetFromDataBase();
  // The record of the chosen entry.
  std::shared_ptr<const TDataRecord> Description() const;

 protected:
  const TSwitchDataSource* FDataSource = nullptr;
};

// A data switch that is read-only while its choice comes from a database.
class TDataListSwitch : public TDataMultiSwitch {
 public:
  using TDataMultiSwitch::TDataMultiSwitch;
  const char* ClassName() const override { return "TDataListSwitch"; }
  bool GetReadOnly() const override;
  bool IsDatabaseChoice() const override { return true; }
};

// The data-backed switches of media, materials, safety valves, nominal
// valve sizes and actuators.
class TFluidDataMultiSwitch : public TDataMultiSwitch {
 public:
  using TDataMultiSwitch::TDataMultiSwitch;
  const char* ClassName() const override { return "TFluidDataMultiSwitch"; }
  std::shared_ptr<const TDataRecord> PropertyDescription() const { return Description(); }
};

class TMatDataMultiSwitch : public TDataMultiSwitch {
 public:
  using TDataMultiSwitch::TDataMultiSwitch;
  const char* ClassName() const override { return "TMatDataMultiSwitch"; }
  std::shared_ptr<const TDataRecord> EN13480Description() const { return Description(); }
};

class TSIVDataMultiSwitch2 : public TDataListSwitch {
 public:
  using TDataListSwitch::TDataListSwitch;
  const char* ClassName() const override { return "TSIVDataMultiSwitch2"; }
  std::shared_ptr<const TDataRecord> SIVDescription() const { return Description(); }
  int GetSwitchIndex() const { return GetSwitchStatus(); }
  void SetSwitchIndex(int index) { SetSwitchStatus(index); }
};

class TDNVDataListSwitch : public TDataListSwitch {
 public:
  using TDataListSwitch::TDataListSwitch;
  const char* ClassName() const override { return "TDNVDataListSwitch"; }
  std::shared_ptr<const TDataRecord> ValveDescription() const { return Description(); }
  int GetSwitchIndex() const { return GetSwitchStatus(); }
  void SetSwitchIndex(int index) { SetSwitchStatus(index); }
};

class TActuatorDataListSwitch : public TDataListSwitch {
 public:
  using TDataListSwitch::TDataListSwitch;
  const char* ClassName() const override { return "TActuatorDataListSwitch"; }
  std::shared_ptr<const TDataRecord> ActuatorDescription() const { return Description(); }
  int GetSwitchIndex() const { return GetSwitchStatus(); }
  void SetSwitchIndex(int index) { SetSwitchStatus(index); }
};

}  // namespace torvacalc
