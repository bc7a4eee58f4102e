// The valve styles and trims: one list in the valve database, offered to
// every module's style switches with its English names and typical factors;
// a database of one's own in place of the program's; no database at all.
#include "valves/valve_styles.h"

#include <gtest/gtest.h>

#include <memory>
#include <sqlite3.h>

#include <set>

#include "framework/options.h"
#include "temp_folder.h"
#include "catalogue/cm_actuator.h"
#include "valves/cm_control_valves.h"
#include "noise/cm_noise.h"
#include "catalogue/cm_valve_database.h"
#include "valves/valve_database.h"

namespace torvacalc {
namespace {

// The names of valve styles or trims.
template <class TStyle>
std::vector<std::string> Names(const std::vector<TStyle>& styles) {
  std::vector<std::string> out;
  for (const auto& s : styles) out.push_back(s.Name);
  return out;
}

struct Module {
  TCalcMessageContainer messages;
  TCMControlValves m;
  Module() { m.SetCalcMessageContainer(&messages); }
  ~Module() { m.SetCalcMessageContainer(nullptr); }
  void Set(const char* name, const std::string& text) { m.CalcItemByName(name)->SetText(text); }
  bool Has(int no) const {
    for (const auto& msg : messages.Messages())
      if (msg->MsgNo == no) return true;
    return false;
  }
};

// IEC 60534-2-1:2011 Annex E example 1 (water, globe valve DN 150), the
// factors FL2 and Fd left to the database unless `factors`.
void Liquid(Module& x, bool factors) {
  x.m.Phase->SetSwitchStatus(phLiquid);
  for (const auto& [name, text] : {std::pair{"qm", "347544"}, {"p1", "6.8"}, {"p2", "2.2"}, {"rho1", "965.4"},
                                   {"pv1", "0.701"}, {"pc", "221.2"}, {"eta1", "3.1472E-4"}, {"DNV", "150"}})
    x.Set(name, text);
  if (factors) {
    x.Set("fl2_75", "0.81");
    x.Set("fd_75", "0.46");
  }
}

// Every module that shows the valve styles shows the database's, in its
// order (index = ID - 1), and the sub-style switches its trims (index =
// TrimNo): connectors hand the index from one module to the other.
TEST(ValveStyles, EveryModuleOffersTheStylesAndTrimsOfTheDatabase) {
  const auto db = TValveDatabase::OpenDefault();
  const std::vector<std::string> styles = Names(db->Styles());
  ASSERT_EQ(styles.size(), 10u);
  TCMControlValves sizing;
  TCMValveDatabase catalogue;
  tCMIEC2003 noise;
  TCMActuator actuator;
  // The trims of globe, rotary plug, butterfly and ball valves.
  struct Case { const char* module; const TCustomCalcMultiSwitch *valveType, *trims[4]; };
  const Case cases[] = {
      {"sizing", sizing.ValveType, {sizing.GlobeType, sizing.RotaryType, sizing.ButterflyType, sizing.BallValveType}},
      {"catalogue", catalogue.ValveType,
       {catalogue.GlobeType, catalogue.RotaryType, catalogue.ButterflyType, catalogue.BallValveType}},
      {"noise", noise.ValveType, {}},
      {"actuator", actuator.ValveType, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.module);
    EXPECT_EQ(c.valveType->GetValueList(), styles);
    EXPECT_EQ(c.valveType->GetSwitchStatus(), 0);
    for (int i = 0; i < 4; ++i) {
      if (!c.trims[i]) continue;
      SCOPED_TRACE(styles[static_cast<size_t>(i)]);
      EXPECT_EQ(c.trims[i]->GetValueList(), Names(db->Trims(i + 1)));
      EXPECT_EQ(c.trims[i]->GetSwitchStatus(), 0);
    }
  }
}

// The record behind an entry is its database row.
TEST(ValveStyles, EntriesDescribeTheirDatabaseRows) {
  TCMControlValves sizing;
  sizing.ValveType->SetSwitchStatus(2);
  const auto record = sizing.ValveType->ValveDescription();
  ASSERT_NE(record, nullptr);
  EXPECT_EQ(record->Key, "3");
  EXPECT_EQ(record->Fields.at("NameEn"), "Butterfly valve");
  const auto trim = sizing.ValveStyles().TrimSource(0).Describe(1);
  ASSERT_NE(trim, nullptr);
  EXPECT_EQ(trim->Fields.at("FL"), "0.8");
  EXPECT_EQ(trim->Fields.at("Direction"), "close");
}

class ValveStylesOfOwnDatabase : public TempFolderTest {
 protected:
  // A valve database of two styles; the second has a gap in its trims.
  std::string MakeDatabase() const {
    const std::string path = Path("Own.CDS");
    sqlite3* db = nullptr;
    EXPECT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    const char* sql =
        "CREATE TABLE ValveStyle (ID INTEGER PRIMARY KEY, Name TEXT, NameEn TEXT, EquivalentID INTEGER);"
        "CREATE TABLE TrimStyle (StyleID INTEGER, TrimNo INTEGER, Name TEXT, NameEn TEXT, Direction TEXT,"
        " FL REAL, XT REAL, Fd REAL, Kc REAL, PerforatedPlug INTEGER, Source TEXT);"
        "INSERT INTO ValveStyle VALUES (1, 'Hubventil', 'Lift valve', 1), (2, 'Drehventil', 'Turn valve', 2),"
        " (4, 'Nach der Lücke', 'After the gap', 4);"
        "INSERT INTO TrimStyle VALUES"
        " (1, 0, 'Kegel A', 'Plug A', 'open', 0.5, 0.4, 0.3, NULL, 0, 'test'),"
        " (1, 1, 'Kegel B', 'Plug B', 'close', 0.6, NULL, 0.2, NULL, 0, 'test'),"
        " (2, 0, 'Scheibe', 'Disc', 'any', 0.7, 0.5, 0.4, NULL, 0, 'test'),"
        " (2, 2, 'Hinter der Lücke', 'Behind the gap', 'any', 0.8, 0.5, 0.4, NULL, 0, 'test');";
    char* error = nullptr;
    EXPECT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, &error), SQLITE_OK) << (error ? error : "");
    sqlite3_free(error);
    sqlite3_close(db);
    return path;
  }
};

TEST_F(ValveStylesOfOwnDatabase, FillTheSwitchesWithTheirNamesAndFactors) {
  const auto own = std::make_shared<TValveStyles>(MakeDatabase());
  ASSERT_TRUE(own->GetLoaded()) << own->GetLoadError();
  Module x;
  x.m.SetValveStyles(own);
  // The numbering ends at a gap: a later row could not keep its index.
  EXPECT_EQ(x.m.ValveType->GetValueList(), (std::vector<std::string>{"Hubventil", "Drehventil"}));
  EXPECT_EQ(x.m.GlobeType->GetValueList(), (std::vector<std::string>{"Kegel A", "Kegel B"}));
  EXPECT_EQ(x.m.RotaryType->GetValueList(), (std::vector<std::string>{"Scheibe"}));
  EXPECT_TRUE(x.m.ButterflyType->GetValueList().empty());
  EXPECT_EQ(x.m.ButterflyType->GetSwitchStatus(), -1);

  // Either language names an entry, whatever the language shown: the
  // English name is the database's, no dictionary knows it.
  struct Pick { const char* text; TCustomCalcMultiSwitch* sw; int index; };
  const Pick picks[] = {{"Turn valve", x.m.ValveType, 1}, {"lift VALVE", x.m.ValveType, 0},
                        {"Drehventil", x.m.ValveType, 1}, {"Plug B", x.m.GlobeType, 1},
                        {"Kegel A", x.m.GlobeType, 0},    {"Valve of nobody", x.m.ValveType, -1}};
  for (const Pick& p : picks) {
    SCOPED_TRACE(p.text);
    EXPECT_EQ(p.sw->IndexOfText(p.text), p.index);
  }
  // The language of the texts shown, put back however the test ends.
  struct Language {
    std::string before = HXOptions().Language;
    explicit Language(const char* l) { HXOptions().Language = l; }
    ~Language() { HXOptions().Language = before; }
  };
  auto english = std::make_unique<Language>("en");
  x.m.ValveType->SetSwitchStatus(1);
  EXPECT_EQ(x.m.ValveType->GetText(), "Turn valve");
  EXPECT_EQ(x.m.GlobeType->GetTranslatedValueList(), (std::vector<std::string>{"Plug A", "Plug B"}));
  english.reset();
  x.m.ValveType->SetSwitchStatus(0);
  EXPECT_EQ(x.m.ValveType->GetText(), "Hubventil");

  // The typical factors are the database's: FL 0.6 of "Kegel B", its xT
  // empty.
  Liquid(x, false);
  x.m.GlobeType->SetSwitchStatus(1);
  x.m.SetActive(true);
  EXPECT_NEAR(x.m.fl2_75->GetValue(), 0.36L, 1e-12);
  EXPECT_NEAR(x.m.fd_75->GetValue(), 0.2L, 1e-12);
  EXPECT_TRUE(IsNoValue(x.m.xt_75->GetValue()));
  EXPECT_TRUE(HasValue(x.m.kv->GetValue()));
  EXPECT_FALSE(x.Has(983));
}

// Pointing a module at other styles keeps each choice whose text the new
// lists still have; the program's default comes back when the test's is
// withdrawn.
TEST_F(ValveStylesOfOwnDatabase, ReplaceTheDefaultAndKeepChoicesByText) {
  const auto own = std::make_shared<TValveStyles>(MakeDatabase());
  const auto program = TValveStyles::Default();
  TValveStyles::SetDefault(own);
  {
    TCMValveDatabase catalogue;
    EXPECT_EQ(catalogue.ValveType->GetValueList().size(), 2u);
    catalogue.ValveType->SetText("Drehventil");
    catalogue.SetValveStyles(program);
    EXPECT_EQ(catalogue.ValveType->GetValueList().size(), 10u);
    EXPECT_EQ(catalogue.ValveType->GetSwitchStatus(), -1);  // no "Drehventil" there
    catalogue.ValveType->SetText("Kugelhahn");
    catalogue.SetValveStyles(std::make_shared<TValveStyles>(program->Path()));
    EXPECT_EQ(catalogue.ValveType->GetSwitchStatus(), 3);
  }
  TValveStyles::SetDefault(nullptr);
  EXPECT_EQ(TValveStyles::Default()->Styles().size(), 10u);
  EXPECT_NE(TValveStyles::Default(), own);
}

// Without a readable database the module has no styles to offer and no
// typical factors; it sizes with the factors entered and says why the
// lists are empty. A foreign file is no valve database either.
TEST_F(ValveStylesOfOwnDatabase, WithoutDatabaseTheModuleSizesWithEnteredFactorsAndSaysSo) {
  Write("foreign.CDS", "not a database at all");
  Module reference;
  Liquid(reference, true);
  reference.m.SetActive(true);
  ASSERT_TRUE(HasValue(reference.m.kv->GetValue()));
  EXPECT_FALSE(reference.Has(983));
  for (const char* file : {"missing.CDS", "foreign.CDS"}) {
    SCOPED_TRACE(file);
    const auto none = std::make_shared<TValveStyles>(Path(file));
    EXPECT_FALSE(none->GetLoaded());
    EXPECT_NE(none->GetLoadError().find(file), std::string::npos);
    Module x;
    x.m.SetValveStyles(none);
    EXPECT_TRUE(x.m.ValveType->GetValueList().empty());
    EXPECT_TRUE(x.m.GlobeType->GetValueList().empty());
    Liquid(x, true);
    x.m.SetActive(true);
    EXPECT_TRUE(x.Has(983));
    EXPECT_NEAR(x.m.kv->GetValue(), reference.m.kv->GetValue(), 1e-9L * reference.m.kv->GetValue());
    // Without an entered FL2 nothing fills it: the module asks for it, and
    // the flow state cannot be judged.
    x.m.fl2_75->SetText("");
    EXPECT_TRUE(IsNoValue(x.m.fl2_75->GetValue()));
    EXPECT_EQ(x.m.FlowState->GetSwitchStatus(), fsUndefined);
    EXPECT_TRUE(x.Has(101));
    EXPECT_TRUE(x.Has(983));
  }
}

}  // namespace
}  // namespace torvacalc
