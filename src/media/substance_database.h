// The substance database (Substances.CDS, an SQLite file built from
// data/substances.sql): substances with their constants in German and
// English names, the temperature functions of the common liquids and the
// compositions of the natural gases. The names are read when the file is
// loaded, the constants and curves of a substance when it is first used;
// the records are handed out in the units of the property engine (degC,
// bar, kg/m3) and stay where they are while the database lives.
//
// Water and pulp are built in: when the file lacks them (or there is no
// file), CheckWaterAndPulp adds them with the constants of IAPWS-IF97.
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

#include "framework/calc_switch.h"
#include "media/substance_calc.h"

namespace torvacalc {

// The substance database cannot be opened or is not one.
class EDataSubstances : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class TDataModuleCDSSubstance : public TSwitchDataSource {
 public:
  static constexpr const char* FileName = "Substances.CDS";

  // An empty database with the built-in water and pulp.
  TDataModuleCDSSubstance();
  // Loads the file; throws EDataSubstances when it is missing or is not a
  // substance database.
  explicit TDataModuleCDSSubstance(const std::string& path);
  // The database of the program's data folder, read once per process. When
  // the file cannot be read, the built-in water and pulp only.
  static const TDataModuleCDSSubstance& Default();

  void LoadDatabase(const std::string& path);
  // Adds water and pulp when the file did not bring them.
  void CheckWaterAndPulp();
  bool GetLoaded() const { return FLoaded; }
  const std::string& GetLoadError() const { return FLoadError; }

  // Names: "de" or "en"; other languages show the English names.
  void SetLanguageNo(const std::string& language);
  const std::string& GetLanguageNo() const { return FLanguage; }
  // The language of the texts in use (the loaded dictionary).
  static std::string ActiveLanguage();
  // The names in the chosen language, in database order.
  std::vector<std::string> FillNamesList() const;
  std::string GetFirstName() const;
  // True when `name` is a substance (in any language, case ignored).
  bool FluidDoesExist(const std::string& name) const;
  // The name of the same substance in `language`; "" when unknown.
  std::string TranslatedSubstanceName(const std::string& name, const std::string& language) const;
  // The description of a substance in the program's language (the German
  // one where the database has no other).
  std::string LocalDescription(const std::string& name) const;
  // The record of a substance named in any language; nullptr when unknown.
  const tPropertyDescription* Find(const std::string& name) const;
  // The composition of a natural gas ("1=93;4=3;..." in mole-%), "" if none.
  std::string Concentration(const std::string& name) const;
  bool IsModifiedByUser(const std::string& name) const;
  int Count() const { return static_cast<int>(FRecords.size()); }
  const tPropertyDescription& Record(int i) const { return Described(FRecords.at(static_cast<size_t>(i))); }
  std::string Name(int i, const std::string& language) const;

  // TSwitchDataSource: the names and a record of the fields as text.
  std::vector<std::string> ValueList() const override { return FillNamesList(); }
  // The names made once for the language in force and shared by every
  // substance switch (a calculation has one at each of its points).
  TChoiceList SharedValueList() const override;
  std::shared_ptr<const TDataRecord> Describe(int index) const override;

 private:
  // The constants and curves of a substance, read from the file when first
  // asked for (a calculation uses one or two of the substances); built-in
  // entries have them from the start.
  // The record is made when it is read: a substance that is never used
  // costs no record (a large one, with its curves).
  struct TRecord {
    std::once_flag Read;
    std::unique_ptr<tPropertyDescription> Description;
  };
  // Texts by language, two or three per substance: a short vector in
  // language order rather than a map, which allocates a node for each.
  class TByLanguage {
   public:
    using TItem = std::pair<std::string, std::string>;
    using const_iterator = std::vector<TItem>::const_iterator;
    std::string& operator[](const std::string& language);
    const_iterator find(const std::string& language) const;
    const_iterator begin() const { return FItems.begin(); }
    const_iterator end() const { return FItems.end(); }
    bool empty() const { return FItems.empty(); }

   private:
    std::vector<TItem> FItems;
  };
  struct TEntry {
    int Id = -1;  // the row of the file; -1 for a built-in entry
    teSubstanceType Type = stOthers;
    std::shared_ptr<TRecord> Record = std::make_shared<TRecord>();
    TByLanguage Names;         // language -> name
    TByLanguage Descriptions;  // language -> description
    std::string Concentration;
  };
  // The open file, shared by the threads that read records from it, one at
  // a time.
  struct TSource;
  int IndexOf(const std::string& name) const;
  const tPropertyDescription& Described(const TEntry& e) const;

  std::vector<TEntry> FRecords;
  // The list SharedValueList hands out; a new one when the entries change.
  struct TNamesList {
    std::mutex Lock;
    std::string Language;
    TChoiceList Names;
  };
  std::shared_ptr<TNamesList> FNamesList = std::make_shared<TNamesList>();
  std::shared_ptr<TSource> FSource;
  std::string FLanguage = "de";
  bool FLoaded = false;
  std::string FLoadError;
};

// The substance switch: its entries are the names of the database in the
// active language; a name of the other language chooses the same entry.
class TSubstanceNameSwitch : public TFluidDataMultiSwitch {
 public:
  using TFluidDataMultiSwitch::TFluidDataMultiSwitch;
  const char* ClassName() const override { return "TFluidDataMultiSwitch"; }
  void SetDatabase(const TDataModuleCDSSubstance* db);
  const TDataModuleCDSSubstance* GetDatabase() const { return FDatabase; }
  int IndexOfText(const std::string& text) const override;

 private:
  const TDataModuleCDSSubstance* FDatabase = nullptr;
};

}  // namespace torvacalc
