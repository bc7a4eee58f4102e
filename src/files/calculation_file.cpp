#include "files/calculation_file.h"

#include <bit>
#include <functional>
#include <map>
#include <mutex>
#include <optional>

#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <filesystem>
#include <string_view>
#include <vector>

#include "framework/calc_module.h"
#include "framework/options.h"
#include "framework/translation.h"

namespace torvacalc {

namespace fs = std::filesystem;

// ------------------------------------------------------------- item tags

void THXItemTag::AddBoolean(std::string_view name, bool value) { FFile.AddBooleanAttr(FTag, name, value); }
void THXItemTag::AddLongInt(std::string_view name, std::int32_t value) { FFile.AddLongIntAttr(FTag, name, value); }
void THXItemTag::AddString(std::string_view name, const std::string& value) {
  FFile.AddAnsiStrAttr(FTag, name, value);
}
void THXItemTag::AddExtended(std::string_view name, Extended value) { FFile.AddExtendedAttr(FTag, name, value); }
bool THXItemTag::Exists(std::string_view name) const { return FFile.AttributeExists(FTag, name); }
bool THXItemTag::AsBoolean(std::string_view name, bool def) const { return FFile.AttributeAsBoolean(FTag, name, def); }
std::int64_t THXItemTag::AsInteger(std::string_view name, std::int64_t def) const {
  return FFile.AttributeAsInteger(FTag, name, def);
}
std::string THXItemTag::AsString(std::string_view name, const std::string& def) const {
  return FFile.AttributeAsString(FTag, name, def);
}
Extended THXItemTag::AsFloat(std::string_view name, Extended def) const {
  return FFile.AttributeAsFloat(FTag, name, def);
}

// ------------------------------------------------------ calculation tag

namespace {

// The item tags under "Items" by exact name, the first of each name, as a
// search from the front finds them. Built once per read or write, so that
// a file of many tags (or many of one name) costs time in proportion to
// its tags, not to tags times items: an open-addressed table of the tags'
// positions with the hashes of their names (no allocation per tag), at
// most half full.
class TItemTagIndex {
 public:
  explicit TItemTagIndex(TBixBinaryTag& items) : FItems(items) { Rebuild(); }
  TBixBinaryTag* Find(std::string_view name) const {
    const TSlot& s = FSlots[Place(name, BixHash(name))];
    return s.Tag ? &FItems.Tag(s.Tag - 1) : nullptr;
  }
  TBixBinaryTag& FindOrAdd(const std::string& name) {
    if (TBixBinaryTag* t = Find(name)) return *t;
    TBixBinaryTag& added = FItems.AddTag(name);
    if (2 * FItems.TagCount() > FSlots.size()) Rebuild();
    else Enter(FItems.TagCount() - 1);
    return added;
  }

 private:
  struct TSlot {
    std::uint32_t Hash = 0;
    std::uint32_t Tag = 0;  // position + 1; 0: free
  };
  // The slot of the first tag named `name`, or the free slot where it would go.
  std::size_t Place(std::string_view name, std::uint32_t hash) const {
    const std::size_t mask = FSlots.size() - 1;
    for (std::size_t k = hash & mask;; k = (k + 1) & mask)
      if (const TSlot& s = FSlots[k]; !s.Tag || (s.Hash == hash && FItems.Tag(s.Tag - 1).TagName == name)) return k;
  }
  // Enters tag i unless a tag before it has its name.
  void Enter(std::size_t i) {
    const std::string& name = FItems.Tag(i).TagName;
    const std::uint32_t hash = BixHash(name);
    if (TSlot& s = FSlots[Place(name, hash)]; !s.Tag) s = {hash, static_cast<std::uint32_t>(i + 1)};
  }
  void Rebuild() {
    FSlots.assign(std::bit_ceil(2 * FItems.TagCount() + 16), {});
    for (std::size_t i = 0; i < FItems.TagCount(); ++i) Enter(i);
  }

  TBixBinaryTag& FItems;
  std::vector<TSlot> FSlots;
};

}  // namespace

void WriteCalculationTag(THXFile& file, TBixBinaryTag& calculation, const TCalculationInfos& i,
                         const std::vector<TCalcItem*>& items) {
  TBixBinaryTag& infos = *file.FindFirstTag(calculation, "Infos", true);
  file.AddAnsiStrAttr(infos, "ClassName", i.ClassName);
  file.AddAnsiStrAttr(infos, "Identifier", i.Identifier);
  file.AddLongIntAttr(infos, "VersionNo", i.VersionNo);
  file.AddLongIntAttr(infos, "LanguageNo", i.LanguageNo);
  file.AddAnsiStrAttr(infos, "HYDRIXVersion", i.HYDRIXVersion);
  file.AddAnsiStrAttr(infos, "HYDRIXServicePack", i.HYDRIXServicePack);
  file.AddAnsiStrAttr(infos, "HYDRIXBuild", i.HYDRIXBuild);
  file.AddAnsiStrAttr(infos, "Name", i.Name);
  file.AddLongIntAttr(infos, "DetailLevel", i.DetailLevel);
  file.AddBooleanAttr(infos, "SeriesValid", i.SeriesValid);
  file.AddAnsiStrAttr(infos, "OriginalAuthor", i.OriginalAuthor);
  file.AddAnsiStrAttr(infos, "OriginalRevisor", i.OriginalRevisor);
  file.AddBooleanAttr(infos, "IgnoreDifferentNames", i.IgnoreDifferentNames);
  file.FindFirstTag(calculation, "AdditionalDatas", true);
  calculation.TagByPath("AdditionalDatas.Items", '.', true, true);
  TItemTagIndex itemTags(*file.FindFirstTag(calculation, "Items", true));
  for (TCalcItem* item : items) {
    if (!item || item->GetName().empty()) continue;
    THXItemTag writer(file, itemTags.FindOrAdd(item->GetName()));
    item->SaveToTag(writer);
  }
}

TCalculationInfos ReadCalculationInfos(const THXFile& file, const TBixBinaryTag& calculation) {
  TCalculationInfos i;
  const TBixBinaryTag* infos = calculation.FindFirstTag("Infos", true);
  if (!infos) return i;
  i.ClassName = file.AttributeAsString(*infos, "ClassName", {});
  i.Identifier = file.AttributeAsString(*infos, "Identifier", {});
  i.VersionNo = static_cast<int>(file.AttributeAsInteger(*infos, "VersionNo", 0));
  i.LanguageNo = static_cast<int>(file.AttributeAsInteger(*infos, "LanguageNo", 0));
  i.HYDRIXVersion = file.AttributeAsString(*infos, "HYDRIXVersion", {});
  i.HYDRIXServicePack = file.AttributeAsString(*infos, "HYDRIXServicePack", {});
  i.HYDRIXBuild = file.AttributeAsString(*infos, "HYDRIXBuild", {});
  i.Name = file.AttributeAsString(*infos, "Name", {});
  i.DetailLevel = static_cast<int>(file.AttributeAsInteger(*infos, "DetailLevel", 0));
  i.SeriesValid = file.AttributeAsBoolean(*infos, "SeriesValid", true);
  i.OriginalAuthor = file.AttributeAsString(*infos, "OriginalAuthor", {});
  i.OriginalRevisor = file.AttributeAsString(*infos, "OriginalRevisor", {});
  i.IgnoreDifferentNames = file.AttributeAsBoolean(*infos, "IgnoreDifferentNames", false);
  return i;
}

namespace {

// A main module's item that reads through a computing module's item shows
// what that item holds. What the calculation found there comes back by
// recalculating, but what the user entered there (a temperature the
// medium module takes, a pipe size, a flow) lives in the source only: the
// file keeps it under the main module's name, and it goes back to the
// source through the item, as the user's entry did.
bool HoldsUsersEntry(const TCalcItem& item, const TItemTagReader& tag) {
  if (item.GetReadOnly() || item.IsOutputParameter()) return false;
  if (tag.AsInteger("InputState", isCalculated) != isUser) return false;
  if (!item.AsParameter()) return true;  // switches and texts: the user's choice
  const std::int64_t state = tag.AsInteger("ValueState", vsUndefined);
  return state != vsUndefined && state != vsOutdated;
}

}  // namespace

int ReadCalculationItems(THXFile& file, TBixBinaryTag& calculation, const std::vector<TCalcItem*>& items,
                         std::vector<TCalcItem*>* absent) {
  TBixBinaryTag* itemsTag = calculation.FindFirstTag("Items", 0, true, false);
  if (!itemsTag) return 0;
  const TItemTagIndex itemTags(*itemsTag);
  int read = 0;
  for (TCalcItem* item : items) {
    if (!item || item->GetName().empty()) continue;
    TBixBinaryTag* tag = itemTags.Find(item->GetName());
    if (!tag) {
      if (absent) absent->push_back(item);
      continue;
    }
    THXItemTag reader(file, *tag);
    if (item->GetIsTarget() && !HoldsUsersEntry(*item, reader)) {
      // The value comes back by recalculating; the unit it was shown in
      // is the user's choice and comes back from the file.
      if (TCalcParameter* p = item->AsParameter()) {
        const std::int64_t unit = reader.AsInteger("CalcUnitNo", -1);
        if (unit >= 0 && unit < p->CalcUnits().GetCount()) p->SetCalcUnitNo(static_cast<int>(unit));
      }
      continue;
    }
    item->LoadFromTag(reader);
    ++read;
  }
  return read;
}

namespace {
std::map<const TSuperCalcModule*, std::function<TCalcStructure()>>& Structures() {
  static std::map<const TSuperCalcModule*, std::function<TCalcStructure()>> structures;
  return structures;
}
// The pages and the kept files of every calculation of the process: a
// batch computes several calculations at once, each on its own thread.
std::mutex& KeptLock() {
  static std::mutex lock;
  return lock;
}
}  // namespace

void SetCalculationStructure(const TSuperCalcModule& m, TCalcStructure structure) {
  if (structure.Pages.empty()) SetCalculationStructureMaker(m, {});
  else SetCalculationStructureMaker(m, [s = std::move(structure)] { return s; });
}

void SetCalculationStructureMaker(const TSuperCalcModule& m, std::function<TCalcStructure()> make) {
  std::lock_guard guard(KeptLock());
  if (!make) Structures().erase(&m);
  else Structures()[&m] = std::move(make);
}

void SuperModuleSaveToTag(TSuperCalcModule& m, THXFile& file, TBixBinaryTag& calculation) {
  TCalculationInfos i;
  i.ClassName = m.ClassName();
  i.Identifier = m.Identifier()->GetText();
  i.VersionNo = m.VersionNo;
  i.LanguageNo = m.LanguageNo;
  i.HYDRIXVersion = m.HYDRIXVersion;
  i.HYDRIXServicePack = m.HYDRIXServicePack;
  i.HYDRIXBuild = m.HYDRIXBuild;
  i.Name = m.GetName();
  i.DetailLevel = m.GetDetailLevel();
  i.SeriesValid = m.GetSeriesValid();
  i.OriginalAuthor = m.OriginalAuthor;
  i.OriginalRevisor = m.OriginalRevisor;
  i.IgnoreDifferentNames = m.IgnoreDifferentNames;
  WriteCalculationTag(file, calculation, i, m.GetFileItems());
  // Pages "Page1"... with their groups "Group1"..., each group a child tag
  // per item named like the item's tag under "Items".
  std::function<TCalcStructure()> make;
  {
    // Another thread may add or remove another calculation's pages.
    std::lock_guard guard(KeptLock());
    const auto it = Structures().find(&m);
    if (it != Structures().end()) make = it->second;
  }
  if (const TCalcStructure s = make ? make() : TCalcStructure(); !s.Pages.empty()) {
    TBixBinaryTag& structure = *file.FindFirstTag(calculation, "Structure", true);
    structure.Clear();
    for (size_t p = 0; p < s.Pages.size(); ++p) {
      const TCalcStructure::TPage& page = s.Pages[p];
      TBixBinaryTag& pageTag = file.AddTag(structure, "Page" + std::to_string(p + 1));
      file.AddAnsiStrAttr(pageTag, "Caption", page.Caption);
      file.AddBooleanAttr(pageTag, "Visible", page.Visible);
      for (size_t g = 0; g < page.Groups.size(); ++g) {
        TBixBinaryTag& groupTag = file.AddTag(pageTag, "Group" + std::to_string(g + 1));
        file.AddAnsiStrAttr(groupTag, "Caption", page.Groups[g].Caption);
        for (const std::string& item : page.Groups[g].Items) file.AddTag(groupTag, item);
      }
    }
  }
}

bool SuperModuleLoadFromTag(TSuperCalcModule& m, THXFile& file, TBixBinaryTag& calculation) {
  if (const TBixBinaryTag* infos = calculation.FindFirstTag("Infos", true)) {
    auto str = [&](const char* name, const std::string& current) {
      return file.AttributeExists(*infos, name) ? file.AttributeAsString(*infos, name, current) : current;
    };
    auto num = [&](const char* name, int current) {
      return file.AttributeExists(*infos, name) ? static_cast<int>(file.AttributeAsInteger(*infos, name, current))
                                                : current;
    };
    m.LoadedVersionNo = num("VersionNo", 0);
    m.LanguageNo = num("LanguageNo", m.LanguageNo);
    m.HYDRIXVersion = str("HYDRIXVersion", m.HYDRIXVersion);
    m.HYDRIXServicePack = str("HYDRIXServicePack", m.HYDRIXServicePack);
    m.HYDRIXBuild = str("HYDRIXBuild", m.HYDRIXBuild);
    const std::string name = str("Name", m.GetName());
    if (!name.empty()) m.SetName(name);
    const int level = num("DetailLevel", m.GetDetailLevel());
    if (level >= dlInvisible && level <= dlLow) m.SetDetailLevel(static_cast<TEDetailLevel>(level));
    m.OriginalAuthor = str("OriginalAuthor", m.OriginalAuthor);
    m.OriginalRevisor = str("OriginalRevisor", m.OriginalRevisor);
    if (file.AttributeExists(*infos, "IgnoreDifferentNames"))
      m.IgnoreDifferentNames = file.AttributeAsBoolean(*infos, "IgnoreDifferentNames", false);
  }
  std::vector<TCalcItem*> absent;
  if (ReadCalculationItems(file, calculation, m.GetFileItems(), &absent) > 0)
    m.BringUpToDate(m.LoadedVersionNo, absent);
  return true;
}

// ------------------------------------------------------------------ GUIDs

TGUID GUIDFromText(const std::string& text) {
  std::string hex;
  for (char c : text)
    if (std::isxdigit(static_cast<unsigned char>(c))) hex += c;
  TGUID g;
  if (hex.size() != 32) return TGUID::NewGUID();
  auto byte = [&](size_t i) { return static_cast<std::uint8_t>(std::stoi(hex.substr(2 * i, 2), nullptr, 16)); };
  // The order in which the text shows the bytes (see TGUID::ToString).
  const size_t order[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
  for (size_t i = 0; i < 16; ++i) g.Bytes[order[i]] = byte(i);
  return g;
}

// ------------------------------------------------- saving and opening

namespace {

std::string Fill(const std::string& pattern, const std::vector<std::string>& args) {
  std::string out = Translate(pattern);
  for (const auto& a : args) {
    const auto pos = out.find("%s");
    if (pos == std::string::npos) break;
    out.replace(pos, 2, a);
  }
  return out;
}

std::string BaseName(const std::string& path) { return fs::path(path).filename().string(); }

bool HasExtension(const std::string& path, const std::string& extension) {
  std::string ext = fs::path(path).extension().string();
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  std::string want = "." + extension;
  for (char& c : want) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return ext == want;
}

// The calculation of `fileName`, from `loaded` where the file is read
// already, else read here.
void ReadCalculation(TSuperCalcModule& m, std::unique_ptr<THXFile> loaded, const std::string& fileName,
                     std::vector<std::string>* notices, TFailedRead failed = TFailedRead::PutBack) {
  const std::string invalid = Fill("%s ist keine gültige %s-Berechnung", {BaseName(fileName), m.ModuleName()});
  if (!HasExtension(fileName, m.FileExtension())) throw ECalculationFile(invalid);
  // The calculation as it is, to put back when the file cannot be read.
  std::optional<TCalcState> kept;
  if (failed == TFailedRead::PutBack) kept = m.SaveState();
  const bool history = m.UseHistory;
  m.UseHistory = false;
  bool ok = false;
  // The file's tree is kept with the process's files (for saving again)
  // only when it could be read.
  const bool read = loaded != nullptr;
  if (!read) loaded = std::make_unique<THXFile>(TGUID::NewGUID());
  THXFile& file = *loaded;
  m.BeginSetValues();
  try {
    m.Storno();
    // The calculation was created when the file says, not a moment ago:
    // the new calculation's own date would pass for the file's (a value
    // equal to many digits is not taken again).
    const Extended created = m.WhenCreated()->GetValue();
    m.WhenCreated()->SetValue(NoValue);
    if (!read) file.Load(fileName);
    file.SetFileName(fileName);
    TGUID fileGuid = file.GetGUID();
    const TCalculationInfos infos = ReadCalculationInfos(file, file.GetCalculationTag());
    if (!infos.ClassName.empty() && infos.ClassName != m.ClassName()) throw ECalculationFile(invalid);
    ok = file.FileToSCM(fileGuid, [&](THXFile& f, TBixBinaryTag& tag) { return SuperModuleLoadFromTag(m, f, tag); });
    if (!HasValue(m.WhenCreated()->GetValue())) m.WhenCreated()->SetValue(created);
    m.SetGUIDAsStr(fileGuid.ToString());
  } catch (...) {
    ok = false;
  }
  m.EndSetValues();
  if (!ok) {
    if (kept) m.LoadState(*kept);
    m.UseHistory = history;
    throw ECalculationFile(invalid);
  }
  {
    std::lock_guard guard(KeptLock());
    HXFileList().Put(std::move(loaded));
  }
  m.UseHistory = history;
  m.ClearHistory();
  m.AddToHistory();
  if (notices && m.LoadedVersionNo != m.VersionNo) {
    if (m.LoadedVersionNo > m.VersionNo && CalculationFileOptions().NoticeNewerFiles)
      notices->push_back(Fill("Die Datei [%s] stammt von einer neueren Torvacalc-Version.", {BaseName(fileName)}) +
                         " " + Translate("Wenn Sie die Berechnung speichern, gehen eventuell Informationen "
                                         "verloren."));
    else if (m.LoadedVersionNo < m.VersionNo && CalculationFileOptions().NoticeOlderFiles && m.LoadedVersionNo < 800)
      notices->push_back(Fill("Die Datei [%s] stammt von einer älteren Torvacalc-Version.", {BaseName(fileName)}) +
                         " " + Translate("Wenn Sie die Berechnung speichern, können ältere Torvacalc-Versionen "
                                         "die Berechnung eventuell nicht mehr öffnen."));
  }
}

class TCalculationFilesImpl : public TCalculationFiles {
 public:
  void SaveToFile(TSuperCalcModule& m, const std::string& fileName) override {
    if (!HasExtension(fileName, m.FileExtension()))
      throw ECalculationFile(
          Fill("Falsche Endung: %s ist nicht vom Format %s", {BaseName(fileName), "." + m.FileExtension()}));
    std::error_code ec;
    if (fs::exists(fileName, ec) && ::access(fileName.c_str(), W_OK) != 0)
      throw ECalculationFile(
          Fill("Die Datei [%s] ist bereits geöffnet, ist schreibgeschützt oder wird von einer anderen "
               "Anwendung gesperrt.",
               {BaseName(fileName)}) +
          " " + Translate("Prüfen Sie bitte, ob der Dateiname korrekt ist und Sie ausreichende Zugriffsrechte "
                          "besitzen"));
    if (m.LoadedVersionNo > m.VersionNo && !CalculationFileOptions().SaveOverNewerFiles)
      throw ECalculationFile(Fill("Die Datei [%s] stammt von einer neueren Torvacalc-Version.", {BaseName(fileName)}) +
                             " " + Translate("Wenn Sie die Berechnung speichern, gehen eventuell Informationen "
                                             "verloren."));
    // The calculation was changed last when it is saved; the date is no
    // change of its own (no undo step).
    if (m.WhenModified()) {
      const bool history = m.UseHistory;
      m.UseHistory = false;
      m.WhenModified()->SetValue(m.Now ? m.Now() : NowDayNumber());
      m.UseHistory = history;
    }
    const TGUID guid = GUIDFromText(m.GUIDAsStr());
    THXFile* kept = nullptr;
    {
      std::lock_guard guard(KeptLock());
      kept = HXFileList().FileOfGUID(guid, true);
    }
    THXFile& file = *kept;
    file.SCMToFile(guid, fileName, [&](THXFile& f, TBixBinaryTag& tag) { SuperModuleSaveToTag(m, f, tag); });
    file.SetFileName(fileName);
    try {
      file.SaveToFile(fileName);
    } catch (const EHXFileWriteError& e) {
      // Worded by its cause: only a refused access is a matter of locks
      // and rights; a full disk or a missing folder is said as such.
      const bool refused = e.Errno == EACCES || e.Errno == EPERM || e.Errno == EROFS || e.Errno == ETXTBSY ||
                           e.Errno == EBUSY;
      throw ECalculationFile(
          (refused ? Fill("Die Datei [%s] ist bereits geöffnet, ist schreibgeschützt oder wird von einer anderen "
                          "Anwendung gesperrt.",
                          {BaseName(fileName)})
                   : Fill("Die Datei [%s] kann nicht gespeichert werden.", {BaseName(fileName)})) +
          " (" + e.what() + ")");
    }
    m.DeleteAutoSaveFile();
  }

  void ReadFromFile(TSuperCalcModule& m, const std::string& fileName, std::vector<std::string>* notices) override {
    ReadCalculation(m, nullptr, fileName, notices);
  }

  // Every calculation read or saved has a GUID of its own, so its kept
  // file is nobody else's.
  void Release(const TSuperCalcModule& m) override {
    std::lock_guard guard(KeptLock());
    Structures().erase(&m);
    if (m.GUIDAsStr().empty()) return;
    THXFileList& list = HXFileList();
    const long i = list.IndexOfGUID(GUIDFromText(m.GUIDAsStr()));
    if (i >= 0) list.Delete(static_cast<std::size_t>(i));
  }

  void WriteBackup(TSuperCalcModule& m, const std::string& path) override {
    const TGUID guid = GUIDFromText(m.GUIDAsStr());
    THXFile file(guid);
    file.SCMToFile(guid, path, [&](THXFile& f, TBixBinaryTag& tag) { SuperModuleSaveToTag(m, f, tag); });
    file.SaveToFile(path);
  }

};

}  // namespace

void SaveModuleToFile(TCalcModule& module, const std::string& fileName, const std::string& extension) {
  if (!HasExtension(fileName, extension))
    throw ECalculationFile(Fill("Falsche Endung: %s ist nicht vom Format %s", {BaseName(fileName), "." + extension}));
  TCalculationInfos infos;
  infos.ClassName = module.ClassName();
  infos.Name = module.GetName();
  infos.VersionNo = 800;
  infos.LanguageNo = HXOptions().Language == "de" ? 0 : 1;
  const TGUID guid = TGUID::NewGUID();
  THXFile file(guid);
  file.SCMToFile(guid, fileName,
                 [&](THXFile& f, TBixBinaryTag& tag) { WriteCalculationTag(f, tag, infos, module.GetCalcItems()); });
  file.SaveToFile(fileName);
}

std::string NewerFileNotice(const TSuperCalcModule& m, const std::string& fileName) {
  std::error_code ec;
  if (!fs::is_regular_file(fileName, ec)) return {};
  try {
    THXFile file;
    file.Load(fileName);
    if (ReadCalculationInfos(file, file.GetCalculationTag()).VersionNo <= m.VersionNo) return {};
  } catch (const std::exception&) {
    return {};  // not a calculation file this program reads: nothing of it is lost
  }
  return Fill("Die Datei [%s] stammt von einer neueren Torvacalc-Version.", {BaseName(fileName)}) + " " +
         Translate("Wenn Sie die Berechnung speichern, gehen eventuell Informationen verloren.");
}

std::string CalculationClassOfFile(const std::string& fileName) {
  THXFile file;
  file.Load(fileName);
  return CalculationClassOfFile(file);
}

std::string CalculationClassOfFile(THXFile& file) {
  return ReadCalculationInfos(file, file.GetCalculationTag()).ClassName;
}

void ReadModuleFromFile(TCalcModule& module, const std::string& fileName) {
  THXFile file;
  file.Load(fileName);
  ReadModuleFromFile(module, file);
}

void ReadModuleFromFile(TCalcModule& module, THXFile& file) {
  const bool active = module.GetActive();
  module.SetActive(false);
  std::vector<TCalcItem*> absent;
  if (ReadCalculationItems(file, file.GetCalculationTag(), module.GetCalcItems(), &absent) > 0)
    module.BringUpToDate(ReadCalculationInfos(file, file.GetCalculationTag()).VersionNo, absent);
  if (active) module.SetActive(true);
}

TCalculationFileOptions& CalculationFileOptions() {
  static TCalculationFileOptions options;
  return options;
}

void ReadCalculationFromFile(TSuperCalcModule& m, std::unique_ptr<THXFile> file, const std::string& fileName,
                             std::vector<std::string>* notices, TFailedRead failed) {
  ReadCalculation(m, std::move(file), fileName, notices, failed);
}

void RegisterCalculationFiles() {
  static TCalculationFilesImpl files;
  SetCalculationFiles(&files);
}

}  // namespace torvacalc
