// Calculations in calculation files: the items' tags, the super module's
// "Calculation" tag, and saving and opening whole calculations with the
// checks and messages an engineer sees.
#pragma once

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "files/hx_file.h"
#include "framework/item_tag.h"
#include "framework/super_module.h"

namespace torvacalc {

// A calculation that cannot be saved or opened; the text is the one to
// show (translated).
class ECalculationFile : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The tag of one item, seen through the file's attribute writers and
// readers (so that empty values and the attribute section apply).
class THXItemTag : public TItemTagWriter, public TItemTagReader {
 public:
  THXItemTag(THXFile& file, TBixBinaryTag& tag) : FFile(file), FTag(tag) {}
  void AddBoolean(std::string_view name, bool value) override;
  void AddLongInt(std::string_view name, std::int32_t value) override;
  void AddString(std::string_view name, const std::string& value) override;
  void AddExtended(std::string_view name, Extended value) override;
  bool Exists(std::string_view name) const override;
  bool AsBoolean(std::string_view name, bool def) const override;
  std::int64_t AsInteger(std::string_view name, std::int64_t def) const override;
  std::string AsString(std::string_view name, const std::string& def) const override;
  Extended AsFloat(std::string_view name, Extended def) const override;

 private:
  THXFile& FFile;
  TBixBinaryTag& FTag;
};

// What the "Infos" child of a "Calculation" tag says.
struct TCalculationInfos {
  std::string ClassName, Identifier, Name;
  int VersionNo = 0, LanguageNo = 0, DetailLevel = 0;
  std::string HYDRIXVersion, HYDRIXServicePack, HYDRIXBuild, OriginalAuthor, OriginalRevisor;
  bool SeriesValid = true, IgnoreDifferentNames = false;
};

// Writes "Infos", "AdditionalDatas.Items" and one tag per item under
// "Items" (named with the item's name) into a "Calculation" tag.
void WriteCalculationTag(THXFile& file, TBixBinaryTag& calculation, const TCalculationInfos& infos,
                         const std::vector<TCalcItem*>& items);
// Reads the "Infos" of a "Calculation" tag (missing values stay empty).
TCalculationInfos ReadCalculationInfos(const THXFile& file, const TBixBinaryTag& calculation);
// Every item with a tag of exactly its name under "Items" reads its
// attributes from it; items without a tag keep their values, tags without
// an item are ignored. An item that reads through another (a main module's
// view of a computing module's item) reads only the user's entry, which it
// hands on to that item. Returns the number of items read.
// `absent`, when given, receives the items the file holds no entry for.
int ReadCalculationItems(THXFile& file, TBixBinaryTag& calculation, const std::vector<TCalcItem*>& items,
                         std::vector<TCalcItem*>* absent = nullptr);

// The pages and groups a front end shows a calculation's items in, for
// readers of its files that do not rebuild the calculation (export
// templates loop over them). Captions are German, as the items'.
struct TCalcStructure {
  struct TGroup {
    std::string Caption;
    std::vector<std::string> Items;  // item names
  };
  struct TPage {
    std::string Caption;
    bool Visible = true;
    std::vector<TGroup> Groups;
  };
  std::vector<TPage> Pages;
};
// Gives a calculation its structure, written into its files as the tag
// "Structure" from then on (an empty one writes none). The structure is
// let go when the calculation ends (TCalculationFiles::Release).
void SetCalculationStructure(const TSuperCalcModule& m, TCalcStructure structure);
// The same, the structure made by `make` as a file is written (most
// calculations opened are never saved); an empty function writes none.
void SetCalculationStructureMaker(const TSuperCalcModule& m, std::function<TCalcStructure()> make);

// The super module's own SaveToTag and LoadFromTag.
void SuperModuleSaveToTag(TSuperCalcModule& module, THXFile& file, TBixBinaryTag& calculation);
bool SuperModuleLoadFromTag(TSuperCalcModule& module, THXFile& file, TBixBinaryTag& calculation);

// The GUID of a super module as file GUID, and back.
TGUID GUIDFromText(const std::string& text);

// The notice for saving `m` as `fileName` over a file that a newer program
// version wrote (its information may be lost); "" when the file is absent,
// unreadable or not newer.
std::string NewerFileNotice(const TSuperCalcModule& m, const std::string& fileName);

// A calculation module on its own in a calculation file: "Infos" name its
// class, "Items" hold its items. The file name must carry `extension`
// (ECalculationFile otherwise); the save is atomic.
void SaveModuleToFile(TCalcModule& module, const std::string& fileName, const std::string& extension);
// The class name a calculation file names ("" when it names none). Throws
// EHXFileReadError for a damaged file, EHXFileOpenError for a missing one.
std::string CalculationClassOfFile(const std::string& fileName);
// The same of a file already read.
std::string CalculationClassOfFile(THXFile& file);
// Reads the items of a module file into `module` (inactive while reading,
// computed once when switched on afterwards by the caller).
void ReadModuleFromFile(TCalcModule& module, const std::string& fileName);
// The same from a file already read (a program that asked for its class
// first reads the file once).
void ReadModuleFromFile(TCalcModule& module, THXFile& file);

// What a read that fails does with the calculation: put its state back, or
// leave it half read for a caller that throws it away anyway (and so need
// not copy the whole state before reading).
enum class TFailedRead { PutBack, Discard };

// TSuperCalcModule::ReadFromFile from a file already read (`file`, read
// from `fileName`, which it keeps for saving again): a program that asked
// for the calculation's class first reads the file once.
void ReadCalculationFromFile(TSuperCalcModule& m, std::unique_ptr<THXFile> file, const std::string& fileName,
                             std::vector<std::string>* notices = nullptr,
                             TFailedRead failed = TFailedRead::PutBack);

// The questions and notices the original dialogs offered to switch off
// ("Diesen Dialog nicht mehr anzeigen") as the caller's options.
struct TCalculationFileOptions {
  // Save over a file that a newer program version wrote (information of
  // that version may be lost); refused with the notice's text otherwise.
  bool SaveOverNewerFiles = false;
  // Report files of a newer version when opening them.
  bool NoticeNewerFiles = true;
  // Report files older than format 800 when opening them.
  bool NoticeOlderFiles = true;
};
TCalculationFileOptions& CalculationFileOptions();

// Registers the calculation-file implementation with the framework, so
// that TSuperCalcModule::SaveToFile, ReadFromFile and the automatic backup
// work. Idempotent.
void RegisterCalculationFiles();

}  // namespace torvacalc
