#include "media/substance_database.h"

#include <algorithm>
#include <filesystem>
#include <functional>

#include "framework/options.h"
#include "framework/sqlite_reader.h"
#include "framework/translation.h"
#include "media/if97.h"

namespace torvacalc {

namespace {

Extended KelvinToCelsius(Extended t) { return HasValue(t) ? t - ZeroCelsius : NoValue; }

std::string Number(Extended v) {
  if (IsNoValue(v)) return {};
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.10Lg", v);
  return buf;
}

// The built-in entry of water (IAPWS-IF97 constants) or of pulp.
tPropertyDescription BuiltIn(teSubstanceType type) {
  tPropertyDescription d;
  const auto& w = WaterConstants;
  d.DataSubstanceType = type;
  d.FluidFound = true;
  d.Formula = type == stWater ? "H2O" : "H2O + Fasern";
  d.CANo = type == stWater ? "7732-18-5" : "";
  d.RhonRiM = rrmM;
  d.M = w.M;
  d.tt = w.Tt;
  d.ts = w.Ts;
  d.tc = w.Tc;
  d.pc = w.Pc;
  d.rhoc = w.RhoC;
  d.zc = 0.229L;
  d.omega = w.Omega;
  d.my = w.My;
  d.Rho25 = 997.05L;
  d.Source = "IAPWS-IF97 (built in)";
  return d;
}

}  // namespace

TDataModuleCDSSubstance::TDataModuleCDSSubstance() { CheckWaterAndPulp(); }

TDataModuleCDSSubstance::TDataModuleCDSSubstance(const std::string& path) {
  LoadDatabase(path);
  CheckWaterAndPulp();
}

const TDataModuleCDSSubstance& TDataModuleCDSSubstance::Default() {
  static const TDataModuleCDSSubstance db = [] {
    TDataModuleCDSSubstance d;
    try {
      d.LoadDatabase((std::filesystem::path(ProgramDataDir()) / FileName).string());
    } catch (const EDataSubstances& e) {
      d.FLoadError = e.what();
    }
    d.CheckWaterAndPulp();
    return d;
  }();
  return db;
}

std::string& TDataModuleCDSSubstance::TByLanguage::operator[](const std::string& language) {
  if (FItems.empty()) FItems.reserve(2);
  auto it = std::lower_bound(FItems.begin(), FItems.end(), language,
                             [](const TItem& item, const std::string& l) { return item.first < l; });
  if (it != FItems.end() && it->first == language) return it->second;
  return FItems.emplace(it, language, std::string())->second;
}

TDataModuleCDSSubstance::TByLanguage::const_iterator TDataModuleCDSSubstance::TByLanguage::find(
    const std::string& language) const {
  const auto it = std::lower_bound(FItems.begin(), FItems.end(), language,
                                   [](const TItem& item, const std::string& l) { return item.first < l; });
  return it != FItems.end() && it->first == language ? it : FItems.end();
}

struct TDataModuleCDSSubstance::TSource {
  std::mutex Lock;
  TSqliteReader Reader;
  // The queries of a record, compiled when the first is read and kept for
  // the others (under Lock, as the reader).
  std::unique_ptr<TSqliteStatement> Details, Curves;
};

void TDataModuleCDSSubstance::LoadDatabase(const std::string& path) {
  std::shared_ptr<TSource> source(new TSource{{}, OpenSqliteReader<EDataSubstances>(
      path, {"Substances", "SubstanceNames", "Curves", "PropertyCurves"}, "Stoffdatenbank"), {}, {}});
  const TSqliteReader& db = source->Reader;
  std::vector<TEntry> records;
  std::map<int, size_t> byId;
  db.Query("SELECT SUBSTANCESID, SUBSTANCETYPE FROM Substances ORDER BY SUBSTANCESID", [&](const TSqliteRow& r) {
    TEntry e;
    e.Id = r.Integer(0);
    const int type = r.Integer(1);
    e.Type = type >= 0 && type <= 5 ? static_cast<teSubstanceType>(type) : stOthers;
    byId[e.Id] = records.size();
    records.push_back(std::move(e));
  });
  db.Query("SELECT SubstancesId, LanguageId, SubstanceName, Description FROM SubstanceNames",
        [&](const TSqliteRow& r) {
          const auto it = byId.find(r.Integer(0));
          if (it == byId.end()) return;
          TEntry& e = records[it->second];
          const std::string lang = r.Text(1);
          e.Names[lang] = r.Text(2);
          e.Descriptions[lang] = r.Text(3);
        });
  db.Query("SELECT SubstancesId, Components FROM Concentrations", [&](const TSqliteRow& r) {
    const auto it = byId.find(r.Integer(0));
    if (it != byId.end()) records[it->second].Concentration = r.Text(1);
  });
  // A substance without a name cannot be chosen.
  std::erase_if(records, [](const TEntry& e) { return e.Names.empty(); });
  FRecords = std::move(records);
  FNamesList = std::make_shared<TNamesList>();
  FSource = std::move(source);
  FLoaded = true;
}

const tPropertyDescription& TDataModuleCDSSubstance::Described(const TEntry& e) const {
  TRecord& record = *e.Record;
  std::call_once(record.Read, [&] {
    if (!record.Description) record.Description = std::make_unique<tPropertyDescription>();
    if (e.Id < 0 || !FSource) return;
    tPropertyDescription& d = *record.Description;
    d.DataSubstanceType = e.Type;
    d.FluidFound = true;
    if (const auto de = e.Names.find("de"); de != e.Names.end()) {
      d.FluidNameText = de->second;
      d.Description = e.Descriptions.find("de")->second;
    }
    d.AGAConcentration = e.Concentration;
    const std::lock_guard guard(FSource->Lock);
    TSource& source = *FSource;
    if (!source.Details) {
      source.Details = std::make_unique<TSqliteStatement>(
          source.Reader,
          "SELECT FORMULA, CANO, MANUFACTURER, M, RHO25, RHON, ZN, TM, TS, TC, PC, VC, RHOC, ZC, OMEGA, MY, "
          "CF, RHONRIM, STANDARDCONDITIONS, Modified, Created, Author, Editor, OriginalAuthor, "
          "OriginalEditor, SOURCE FROM Substances WHERE SUBSTANCESID = ?1");
      source.Curves = std::make_unique<TSqliteStatement>(
          source.Reader,
          "SELECT p.PropertyId, c.FunctionTypeId, c.tmin, c.tmax, c.k0, c.k1, c.k2, c.k3, c.k4, c.k5, c.k6, "
          "c.k7, c.k8, c.k9, c.Ylog, c.MeanError, c.MaxError "
          "FROM PropertyCurves p JOIN Curves c ON c.CurveId = p.CurveId WHERE p.SubstancesId = ?1");
    }
    source.Details->Run({e.Id}, [&](const TSqliteRow& r) {
      d.Formula = r.Text(0);
      d.CANo = r.Text(1);
      d.Manufacturer = r.Text(2);
      d.M = r.Real(3);
      d.Rho25 = r.Real(4);
      d.RHoN = r.Real(5);
      d.Zn = r.Real(6);
      d.tt = KelvinToCelsius(r.Real(7));
      d.ts = KelvinToCelsius(r.Real(8));
      d.tc = KelvinToCelsius(r.Real(9));
      d.pc = r.Real(10);
      const Extended vc = r.Real(11);
      d.rhoc = r.Real(12);
      // The critical density from the critical molar volume (cm3/mol).
      if (IsNoValue(d.rhoc) && Available(vc, d.M) && vc > 0) d.rhoc = d.M / vc * 1000;
      d.zc = r.Real(13);
      d.omega = r.Real(14);
      d.my = r.Real(15);
      d.cfliquid = r.Real(16);
      const int rr = r.Integer(17);
      d.RhonRiM = rr >= 0 && rr <= 3 ? static_cast<TERhonRiM>(rr) : rrmM;
      const int sc = r.Integer(18);
      d.StandardConditions = sc >= 0 && sc <= 2 ? static_cast<teStandardConditions>(sc) : sc0DegC;
      d.Modified = r.Text(19);
      d.Created = r.Text(20);
      d.Author = r.Text(21);
      d.Revisor = r.Text(22);
      d.OriginalAuthor = r.Text(23);
      d.OriginalRevisor = r.Text(24);
      d.Source = r.Text(25);
      d.Original = d.Modified.empty();
    });
    source.Curves->Run({e.Id}, [&](const TSqliteRow& r) {
      const int prop = r.Integer(0);
      if (prop < 1 || prop > 9) return;
      tCustomFunctionDescription& f = d.Functions[static_cast<size_t>(prop)];
      f.Valid = true;
      f.PropertyId = prop;
      f.FunctionType = r.Integer(1);
      f.Tmin = r.Real(2);
      f.Tmax = r.Real(3);
      for (int i = 0; i < 10; ++i) {
        const Extended k = r.Real(4 + i);
        f.k[static_cast<size_t>(i)] = HasValue(k) ? k : 0;
      }
      f.Ylog = r.Integer(14) != 0;
      f.MeanError = r.Real(15);
      f.MaxError = r.Real(16);
      if (Available(f.Tmin, f.Tmax)) {
        f.Tmean = (f.Tmin + f.Tmax) / 2;
        f.Ymean = f.Evaluate(f.Tmean);
      }
    });
  });
  return *record.Description;
}

void TDataModuleCDSSubstance::CheckWaterAndPulp() {
  for (teSubstanceType type : {stWater, stPulpe}) {
    bool present = false;
    for (const TEntry& e : FRecords) present = present || e.Type == type;
    if (present) continue;
    TEntry e;
    e.Type = type;
    e.Record->Description = std::make_unique<tPropertyDescription>(BuiltIn(type));
    e.Names["de"] = type == stWater ? "Wasser" : "Faserstoffsuspension";
    e.Names["en"] = type == stWater ? "Water" : "Pulp suspension";
    e.Record->Description->FluidNameText = e.Names["de"];
    FRecords.insert(FRecords.begin() + (type == stWater ? 0 : 1), std::move(e));
    FNamesList = std::make_shared<TNamesList>();
  }
}

void TDataModuleCDSSubstance::SetLanguageNo(const std::string& language) {
  // The database is shared by every calculation of the process; each new
  // one sets the language, which changes only with the program's.
  const char* wanted = language == "de" ? "de" : "en";
  if (FLanguage != wanted) FLanguage = wanted;
}

std::string TDataModuleCDSSubstance::ActiveLanguage() {
  return Translate("nein") == "nein" ? "de" : "en";
}

std::string TDataModuleCDSSubstance::Name(int i, const std::string& language) const {
  const auto& names = FRecords.at(static_cast<size_t>(i)).Names;
  auto it = names.find(language);
  if (it == names.end()) it = names.find("en");
  if (it == names.end()) it = names.begin();
  return it == names.end() ? std::string() : it->second;
}

std::vector<std::string> TDataModuleCDSSubstance::FillNamesList() const {
  std::vector<std::string> out;
  for (int i = 0; i < Count(); ++i) out.push_back(Name(i, FLanguage));
  return out;
}

TChoiceList TDataModuleCDSSubstance::SharedValueList() const {
  const std::lock_guard guard(FNamesList->Lock);
  if (!FNamesList->Names || FNamesList->Language != FLanguage) {
    FNamesList->Names = std::make_shared<const std::vector<std::string>>(FillNamesList());
    FNamesList->Language = FLanguage;
  }
  return FNamesList->Names;
}

std::string TDataModuleCDSSubstance::GetFirstName() const {
  return FRecords.empty() ? std::string() : Name(0, FLanguage);
}

int TDataModuleCDSSubstance::IndexOf(const std::string& name) const {
  const std::string wanted = LowerAscii(name);
  if (wanted.empty()) return -1;
  for (size_t i = 0; i < FRecords.size(); ++i)
    for (const auto& [lang, n] : FRecords[i].Names)
      if (LowerAscii(n) == wanted) return static_cast<int>(i);
  return -1;
}

bool TDataModuleCDSSubstance::FluidDoesExist(const std::string& name) const { return IndexOf(name) >= 0; }

std::string TDataModuleCDSSubstance::TranslatedSubstanceName(const std::string& name,
                                                             const std::string& language) const {
  const int i = IndexOf(name);
  return i < 0 ? std::string() : Name(i, language);
}

std::string TDataModuleCDSSubstance::LocalDescription(const std::string& name) const {
  const int i = IndexOf(name);
  if (i < 0) return {};
  const auto& descriptions = FRecords[static_cast<size_t>(i)].Descriptions;
  const auto own = descriptions.find(ActiveLanguage());
  if (own != descriptions.end() && !own->second.empty()) return own->second;
  const auto de = descriptions.find("de");
  return de != descriptions.end() ? de->second : Record(i).Description;
}

const tPropertyDescription* TDataModuleCDSSubstance::Find(const std::string& name) const {
  const int i = IndexOf(name);
  return i < 0 ? nullptr : &Record(i);
}

std::string TDataModuleCDSSubstance::Concentration(const std::string& name) const {
  const int i = IndexOf(name);
  return i < 0 ? std::string() : FRecords[static_cast<size_t>(i)].Concentration;
}

bool TDataModuleCDSSubstance::IsModifiedByUser(const std::string& name) const {
  const tPropertyDescription* d = Find(name);
  return d && !d->Original;
}

std::shared_ptr<const TDataRecord> TDataModuleCDSSubstance::Describe(int index) const {
  if (index < 0 || index >= Count()) return nullptr;
  const tPropertyDescription& d = Record(index);
  auto r = std::make_shared<TDataRecord>();
  r->Key = Name(index, "de");
  // The description in the language of the program, as the name.
  const std::string description = LocalDescription(Name(index, "de"));
  r->Fields = {{"Formula", Translate(d.Formula)},       {"CANo", d.CANo},         {"Description", description},
               {"Manufacturer", d.Manufacturer}, {"M", Number(d.M)},   {"Tc", Number(d.tc)},
               {"Pc", Number(d.pc)},         {"Omega", Number(d.omega)}, {"Ts", Number(d.ts)},
               {"Tt", Number(d.tt)},         {"Rho25", Number(d.Rho25)}, {"Source", d.Source}};
  return r;
}

void TSubstanceNameSwitch::SetDatabase(const TDataModuleCDSSubstance* db) {
  FDatabase = db;
  SetDataSource(db);
  GetFromDataBase();
}

int TSubstanceNameSwitch::IndexOfText(const std::string& text) const {
  const int i = TFluidDataMultiSwitch::IndexOfText(text);
  if (i >= 0 || !FDatabase) return i;
  // A name in the other language: the entry of the same substance, in
  // whichever language the list was filled (a process that switched its
  // language keeps the list it made first).
  for (const char* language : {"de", "en"}) {
    const std::string mine = FDatabase->TranslatedSubstanceName(text, language);
    if (const int j = mine.empty() ? -1 : TFluidDataMultiSwitch::IndexOfText(mine); j >= 0) return j;
  }
  return -1;
}

}  // namespace torvacalc
