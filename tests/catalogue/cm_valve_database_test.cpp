// The valve catalogue module and the nominal size suggestion: the items a
// super module links to the sizing and noise modules, the choice of a
// valve and its messages, and the smallest size against velocities worked
// out by hand.
#include "catalogue/cm_suggest_dn.h"
#include "catalogue/cm_valve_database.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <set>

#include "valves/cm_control_valves.h"
#include "noise/cm_noise.h"

namespace torvacalc {
namespace {

template <class M>
struct Module {
  TCalcMessageContainer messages;
  M m;
  Module() {
    m.SetCalcMessageContainer(&messages);
    m.SetActive(true);
  }
  ~Module() { m.SetCalcMessageContainer(nullptr); }
  TCalcItem* Item(const char* name) const {
    TCalcItem* i = m.CalcItemByName(name);
    if (!i) throw std::runtime_error(std::string("no item ") + name);
    return i;
  }
  void Set(const char* name, const std::string& text) { Item(name)->SetText(text); }
  void Set(const std::vector<std::pair<const char*, const char*>>& entries) {
    for (const auto& [name, text] : entries) Set(name, text);
  }
  // Sets the entries and calculates once more.
  void Calculate(const std::vector<std::pair<const char*, const char*>>& entries) {
    Set(entries);
    m.Calculate();
  }
  // As the front end enters a value: the user's own choice.
  void Enter(const char* name, const std::string& text) {
    Item(name)->EnterByUser(text.empty());
    Item(name)->SetText(text);
  }
  Extended Value(const char* name) const { return Item(name)->AsParameter()->GetValue(); }
  std::string Text(const char* name) const { return Item(name)->GetText(); }
  bool Has(int no) const {
    for (const auto& msg : messages.Messages())
      if (msg->MsgNo == no) return true;
    return false;
  }
};

using ValveDb = Module<TCMValveDatabase>;
using SuggestDN = Module<TCMSuggestDN>;

// The connectors link the module's items one to one with those of the
// sizing module and the noise modules: the same class and, for list
// switches, the same entries in the same order.
TEST(ValveDatabaseModule, ItemsMatchTheModulesTheyFeed) {
  TCMValveDatabase db;
  TCMSuggestDN sug;
  TCMControlValves cv;
  TCMVDMA89 vdma;
  TCMIsa89 isa;
  const std::vector<std::pair<TCalcModule*, TCalcModule*>> pairs = {
      {&db, &cv}, {&db, &vdma}, {&db, &isa}, {&sug, &cv}, {&sug, &vdma}};
  int compared = 0;
  for (auto [mine, theirs] : pairs) {
    for (TCalcItem* item : mine->GetCalcItems()) {
      TCalcItem* other = theirs->CalcItemByName(item->GetName());
      if (!other) continue;
      SCOPED_TRACE(item->GetName() + " against " + theirs->ClassName());
      ++compared;
      const auto* ms = dynamic_cast<const TCustomCalcMultiSwitch*>(item);
      const auto* os = dynamic_cast<const TCustomCalcMultiSwitch*>(other);
      const auto* mp = item->AsParameter();
      const auto* op = other->AsParameter();
      if (ms && os) {
        if (!dynamic_cast<const TDataMultiSwitch*>(ms)) {
          EXPECT_EQ(ms->GetValueList(), os->GetValueList());
        }
        // The noise modules show the valve style as a plain list.
        if (theirs == &cv) {
          EXPECT_STREQ(item->ClassName(), other->ClassName());
        }
      } else if (mp && op) {
        EXPECT_EQ(mp->GetQuantity(), op->GetQuantity());
      } else {
        EXPECT_STREQ(item->ClassName(), other->ClassName());
      }
    }
  }
  EXPECT_GT(compared, 40);
}

TEST(ValveDatabaseModule, OffComputesNothingAndKeepsTheUsersValues) {
  ValveDb x;
  x.Calculate({{"kvs", "25"}, {"kv", "10"}});
  EXPECT_NEAR(x.Value("kvs"), 25, 1e-12);
  EXPECT_TRUE(IsNoValue(x.Value("DNV")));
  EXPECT_TRUE(x.messages.Messages().empty());
}

TEST(ValveDatabaseModule, ReturnsTheDataOfTheChosenValve) {
  ValveDb x;
  x.Calculate({{"kv", "10"}, {"p1", "10"}, {"ValveFromDatabase", "ja"}});
  for (const auto& [name, text] : {std::pair{"VManufacturer", "Sample valves"}, {"VSeries", "Series G1 globe"},
                                   {"OnlyFittingValves", "DN 32, Kvs 16, PN 16"}, {"AllValves", "DN 32, Kvs 16, PN 16"},
                                   {"ListDN", "DN 32"}, {"ListPN", "PN 16"}})
    EXPECT_EQ(x.Text(name), text) << name;
  struct Expect { const char* name; Extended value; };
  const Expect expected[] = {
      {"DNV", 32}, {"kvs", 16}, {"PNV", 16 + StandardPressure}, {"pmaxValve", 16 + StandardPressure}, {"Seat", 28},
      {"Stroke", 20},
      // IEC 60534-2-1 Table D.2, contoured globe plug, flow to open.
      {"fl2_75", 0.81L}, {"xt_75", 0.72L}, {"fd_75", 0.46L}, {"fd_75c", 1.0L},
      // Rangeability 50: Kv0 is 2 % of Kvs.
      {"phi0", 2}, {"tmaxValve", 400}, {"rw", 0.25L}, {"Stp", 0.2L}, {"Aeta", -4.6L},
      // VDMA 24422 (1989) sample coefficients of the globe series.
      {"f1", -6}, {"f2", 0.5L}, {"g1", -4}, {"g2", 1.8L}};
  for (const Expect& e : expected) EXPECT_NEAR(x.Value(e.name), e.value, 1e-9) << e.name;
  EXPECT_TRUE(IsNoValue(x.Value("Kc_75")));  // no published typical Kc
  EXPECT_EQ(x.Text("KvCurve"), "");  // the ideal characteristic reads no table
  EXPECT_EQ(x.m.NoiseNormGas->GetSwitchStatus(), 2);
  EXPECT_FALSE(x.m.fl2func->GetChecked());
  EXPECT_TRUE(x.messages.Messages().empty());

  // A larger flow moves to the next size; the fitting list shrinks.
  const size_t allBefore = x.m.AllValves->GetValueList().size();
  x.Calculate({{"kv", "30"}});
  EXPECT_EQ(x.Text("OnlyFittingValves"), "DN 50, Kvs 40, PN 16");
  EXPECT_EQ(x.m.AllValves->GetValueList().size(), allBefore);
  for (const std::string& v : x.m.OnlyFittingValves->GetValueList())
    EXPECT_GE(std::stold(v.substr(v.find("Kvs ") + 4)), 33) << v;
}

TEST(ValveDatabaseModule, FilterFindsTheTrimAndItsAcousticData) {
  ValveDb x;
  x.Set({{"kv", "10"}, {"ValveFromDatabase", "ja"}, {"FilterValveDatabase", "ja"}});
  x.m.GlobeType->SetSwitchStatus(3);          // drilled cage
  x.m.CharacteristicType->SetSwitchStatus(1);  // linear
  x.m.Calculate();
  ASSERT_EQ(x.m.VSeries->GetValueList(), std::vector<std::string>{"Series G2 globe, drilled cage"});
  EXPECT_EQ(x.m.LowNoiseDesign->GetSwitchStatus(), lnPerforatedPlug);
  EXPECT_NEAR(x.Value("fd_75"), 0.13L, 1e-9);
  EXPECT_NEAR(x.Value("dLGas0500"), -12, 1e-9);
  EXPECT_NEAR(x.Value("dLaCo"), -10, 1e-9);
  // A rotary valve's factors follow the opening.
  x.m.ValveType->SetSwitchStatus(1);
  x.m.CharacteristicType->SetSwitchStatus(ctModified_eq);
  x.m.Calculate();
  EXPECT_EQ(x.Text("VSeries"), "Series R1 rotary plug");
  EXPECT_TRUE(x.m.xtfunc->GetChecked());
  EXPECT_EQ(x.Text("KvCurve"), "");  // not measured
  // A measured equal-percentage characteristic: the measured series of that shape.
  x.m.ValveType->SetSwitchStatus(0);
  x.m.GlobeType->SetSwitchStatus(0);
  x.m.CharacteristicType->SetSwitchStatus(ctMVEQ);
  x.m.Calculate();
  EXPECT_EQ(x.m.VSeries->GetValueList(), std::vector<std::string>{"Series G1 globe"});
  EXPECT_TRUE(TTravelCurve::FromText(x.Text("KvCurve")).IsValid());  // series G1 is measured
}

TEST(ValveDatabaseModule, RaisesItsMessages) {
  {
    SCOPED_TRACE("nothing fits: outputs withdrawn");
    ValveDb x;
    x.Calculate({{"ValveFromDatabase", "ja"}, {"kv", "10"}});
    ASSERT_NEAR(x.Value("kvs"), 16, 1e-9);
    x.Calculate({{"kv", "5000"}});
    EXPECT_TRUE(x.Has(1701));
    EXPECT_TRUE(IsNoValue(x.Value("kvs")));
  }
  {
    SCOPED_TRACE("a valve picked by hand beyond its pressure and temperature limits");
    ValveDb x;
    x.Calculate({{"ValveFromDatabase", "ja"}, {"kv", "10"}, {"p1", "150"}, {"t1", "450"}});
    EXPECT_TRUE(x.Has(1701));
    x.Enter("AllValves", "DN 50, Kvs 40, PN 100");
    x.m.Calculate();
    EXPECT_TRUE(x.m.ManualDN->GetChecked());
    EXPECT_NEAR(x.Value("DNV"), 50, 1e-9);
    EXPECT_TRUE(x.Has(1702));
    EXPECT_TRUE(x.Has(1704));
    EXPECT_FALSE(x.Has(1701));
    // The pick stays the user's while the series offers it.
    x.Calculate({{"kv", "12"}});
    EXPECT_NEAR(x.Value("DNV"), 50, 1e-9);
    EXPECT_TRUE(x.m.ManualDN->GetChecked());
    // A text that names no valve of the series (entered as a case file or
    // a calculation file enters it, into the inactive module) hands the
    // choice back.
    x.Set({{"p1", "10"}, {"t1", "20"}});
    x.m.SetActive(false);
    x.Enter("AllValves", "DN 51, Kvs 40, PN 16");
    x.m.SetActive(true);
    EXPECT_TRUE(x.Has(1708));
    EXPECT_FALSE(x.m.ManualDN->GetChecked());
    EXPECT_NEAR(x.Value("DNV"), 32, 1e-9);
  }
  {
    SCOPED_TRACE("catalogue not readable: the user's values stay");
    ValveDb x;
    x.m.SetCatalogue(nullptr);
    x.Set({{"kvs", "25"}, {"ValveFromDatabase", "ja"}});
    EXPECT_TRUE(x.Has(1703));
    EXPECT_NEAR(x.Value("kvs"), 25, 1e-12);
  }
  {
    SCOPED_TRACE("no series of the style");
    ValveDb x;
    x.Set("ValveFromDatabase", "ja");
    x.m.ValveType->SetSwitchStatus(5);  // diaphragm valve
    x.m.Calculate();
    EXPECT_TRUE(x.Has(1705));
  }
  {
    SCOPED_TRACE("the recommended Kvs out of reach");
    ValveDb x;
    x.Calculate({{"ValveFromDatabase", "ja"}, {"kv", "100"}, {"SuggestedKvs", "2000"}});
    EXPECT_TRUE(x.Has(1707));
    EXPECT_NEAR(x.Value("kvs"), 1600, 1e-9);
  }
}

// Velocity u = qm / (rho pi d^2 / 4) in the valve, qm in kg/s, d in m.
Extended Velocity(Extended qmKgH, Extended rho, Extended dnMm) {
  const Extended d = dnMm / 1000;
  return qmKgH / 3600 / (rho * std::numbers::pi_v<long double> * d * d / 4);
}

TEST(SuggestDNModule, SmallestSizeKeepsTheVelocityBelowTheLimit) {
  struct Case {
    const char* what; TEPhase phase; TECVFlowState state; const char *qm, *rho1, *rho2, *cf2, *uMaxCav;
    Extended maxU1, maxU2, minDN;
  };
  // Water 36 t/h: 5.09 m/s in DN 50, 3.01 m/s in DN 65, 1.99 m/s in DN 80.
  // Gas 5 t/h at 2 kg/m3 behind the valve, c = 340 m/s: 0.3 Ma = 102 m/s;
  // 88.4 m/s in DN 100, 138.2 m/s in DN 80; at 5 kg/m3 in the inlet
  // DN 65 (83.7 m/s) would do.
  const Case cases[] = {
      {"water, no cavitation: 4 m/s", phLiquid, fsNormal, "36000", "1000", "", "", "", 4, 4, 65},
      {"water, cavitation with 3 m/s given", phLiquid, fsStrongCavitation, "36000", "1000", "", "", "3", 4, 3, 80},
      {"gas: Mach 0.3 of the outlet sound speed", phGas, fsNormal, "5000", "5", "2", "340", "", 102, 102, 100},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SuggestDN x;
    x.m.Phase->SetSwitchStatus(c.phase);
    x.m.FlowState->SetSwitchStatus(c.state);
    x.Calculate({{"qm", c.qm}, {"rho1", c.rho1}, {"rho2", c.rho2}, {"cf2", c.cf2}, {"uMaxCav", c.uMaxCav}});
    EXPECT_NEAR(x.Value("MaxU1"), c.maxU1, 1e-9);
    EXPECT_NEAR(x.Value("MaxU2"), c.maxU2, 1e-9);
    ASSERT_NEAR(x.Value("MinDN"), c.minDN, 1e-9);
    // The hand check: the suggested size keeps the limit, the next smaller
    // standard size (EN 10220 series) does not.
    const Extended qm = std::stold(c.qm);
    const Extended rho2 = *c.rho2 ? std::stold(c.rho2) : std::stold(c.rho1);
    const std::vector<Extended> sizes = {15, 20, 25, 32, 40, 50, 65, 80, 100, 125, 150, 200};
    const auto it = std::find(sizes.begin(), sizes.end(), c.minDN);
    ASSERT_NE(it, sizes.begin());
    EXPECT_LE(Velocity(qm, rho2, c.minDN), c.maxU2);
    EXPECT_GT(Velocity(qm, rho2, *(it - 1)), c.maxU2);
  }
}

TEST(SuggestDNModule, WarnsAboutSmallValvesAndImpossibleFlows) {
  SuggestDN x;
  x.m.Phase->SetSwitchStatus(phGas);
  x.Calculate({{"qm", "5000"}, {"rho1", "5"}, {"rho2", "2"}, {"cf2", "340"}, {"DNV", "80"}});
  EXPECT_TRUE(x.Has(1710));
  x.Calculate({{"DNV", "100"}});
  EXPECT_FALSE(x.Has(1710));
  x.Calculate({{"qm", "1e8"}});
  EXPECT_TRUE(x.Has(1711));
  EXPECT_TRUE(IsNoValue(x.Value("MinDN")));
  // Without the sound speed a gas has no limit and no suggestion, and no
  // message either.
  SuggestDN y;
  y.m.Phase->SetSwitchStatus(phGas);
  y.Calculate({{"qm", "5000"}, {"rho1", "5"}});
  EXPECT_TRUE(IsNoValue(y.Value("MaxU2")));
  EXPECT_TRUE(IsNoValue(y.Value("MinDN")));
  EXPECT_TRUE(y.messages.Messages().empty());
}

}  // namespace
}  // namespace torvacalc
