// Thrust of a globe valve and its actuator: the three forces against hand
// calculations with the tabulated typical values, the selection from the
// sample catalogue, and the messages of bad input.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "catalogue/cm_actuator.h"
#include "module_under_test.h"

namespace torvacalc {
namespace {

constexpr Extended kLbfPerInInNPerMm = 4.4482216152605L / 25.4L;

// The forces in N, by hand.
struct ForceCase {
  const char* source; Extended dp, seat, stem; bool balanced; TEPackingType packing; TELeakageClass cls;
  Extended unbalanced, friction, seatLoad;
};
// By hand: unbalance 0.1 N/mm2 per bar over pi d^2/4; friction from the
// packing table (lbf x 4.44822); seat load (lbf/in x 0.175127 N/mm) x pi d.
const ForceCase kForces[] = {
    {"DN 50 globe, seat 50 mm, 10 bar, 1/2 in stem, single PTFE, class IV", 10, 50, 12.7L, false, pkPTFESingle, lcIV,
     1963.495L, 50 * 4.44822L, 40 * kLbfPerInInNPerMm * 157.0796L},
    {"seat 50 mm balanced with a 1/2 in stem, double PTFE, class V", 10, 50, 12.7L, true, pkPTFEDouble, lcV, 126.677L,
     75 * 4.44822L, 300 * kLbfPerInInNPerMm * 157.0796L},
    {"seat 125 mm, 25 bar, 1 in stem, class IV above 4-3/8 in port", 25, 125, 25.4L, false, pkPTFESingle, lcIV,
     30679.62L, 100 * 4.44822L, 80 * kLbfPerInInNPerMm * 392.6991L},
    {"seat 20 mm, 40 bar, 3/8 in stem, class II", 40, 20, 9.525L, false, pkPTFESingle, lcII, 1256.637L, 38 * 4.44822L,
     20 * kLbfPerInInNPerMm * 62.83185L},
    {"stem between the table rows (0.875 in): midway between 3/4 and 1 in", 0, 20, 22.225L, false, pkPTFESingle,
     lcIII, 0, 87.5L * 4.44822L, 40 * kLbfPerInInNPerMm * 62.83185L},
};

TEST(ActuatorForces, HandCalculations) {
  for (const auto& c : kForces) {
    SCOPED_TRACE(c.source);
    EXPECT_NEAR(tActuator::UnbalancedForce(c.dp, c.seat, c.stem, c.balanced), c.unbalanced, 0.01L);
    EXPECT_NEAR(tActuator::PackingFriction(c.stem, c.packing), c.friction, 0.01L);
    EXPECT_NEAR(tActuator::SeatLoad(c.cls, c.seat), c.seatLoad, 0.01L);
  }
}

TEST(ActuatorForces, DiaphragmThrust) {
  // Fail-close seats with the spring preload: 700 cm2 x 0.4 bar = 2800 N.
  EXPECT_NEAR(tActuator::DiaphragmThrust(700, 0.4L, 2.0L, fpClose, 4), 2800, 1e-9L);
  // Fail-open closes with air less the spring end: 700 x (4 - 2) = 14000 N.
  EXPECT_NEAR(tActuator::DiaphragmThrust(700, 0.4L, 2.0L, fpOpen, 4), 14000, 1e-9L);
  EXPECT_EQ(tActuator::DiaphragmThrust(700, 0.4L, 2.0L, fpOpen, 1.5L), 0);
  EXPECT_TRUE(IsNoValue(tActuator::DiaphragmThrust(700, 0.4L, 2.0L, fpOpen, NoValue)));
}

TEST(ActuatorSelection, SmallestThatFits) {
  std::vector<TActuatorRecord> cat;
  auto dia = [&](const char* name, Extended area, Extended s0, Extended s1, TEFailPosition fail, Extended stroke) {
    TActuatorRecord a;
    a.Name = name, a.Kind = akDiaphragm, a.Fail = fail, a.Area = area, a.SpringStart = s0, a.SpringEnd = s1;
    a.MaxSupply = 6, a.Stroke = stroke;
    cat.push_back(a);
  };
  dia("A", 250, 0.4L, 2.0L, fpClose, 15);   // 1000 N
  dia("B", 400, 1.4L, 2.8L, fpClose, 30);   // 5600 N
  dia("C", 1000, 0.4L, 2.0L, fpClose, 60);  // 4000 N
  dia("D", 700, 0.4L, 2.0L, fpOpen, 30);    // 700 x (supply - 2)
  // expected nullptr: none fits.
  struct Case { const char* what; TEFailPosition fail; Extended required, stroke, supply; const char* expected; };
  const Case cases[] = {
      {"3286 N + 10 %: C is the smallest thrust above 3615 N", fpClose, 3286, 20, 4, "C"},
      {"a supply below 2.8 bar cannot open B; C still fits", fpClose, 4500, 20, 2.5L, nullptr},
      {"stroke 40 mm rules out B", fpClose, 3286, 40, 4, "C"},
      {"small force: A", fpClose, 800, 15, 4, "A"},
      {"fail-open at 4 bar: 1400 N", fpOpen, 1200, 20, 4, "D"},
      {"too much for all", fpClose, 10000, 20, 4, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const auto i = tActuator::Select(cat, akDiaphragm, c.fail, c.required, 10, c.stroke, c.supply);
    EXPECT_EQ(i ? cat[*i].Name : "none", c.expected ? c.expected : "none");
  }
}

template <class M>
using Module = test::ModuleUnderTest<M>;

// The first force case as a module: 1963.50 + 222.41 + 1100.35 = 3286.26 N.
void GlobeValve(Module<TCMActuator>& x) { x.Set({{"Seat", "50"}, {"Stroke", "20"}, {"dpShutOff", "10"}}); }

TEST(ActuatorModule, RequiredThrustAndReserve) {
  Module<TCMActuator> x;
  GlobeValve(x);
  x.m.SetActive(true);
  EXPECT_NEAR(x.Value("RequiredThrust"), 3286.26L, 0.01L);
  EXPECT_TRUE(x.messages.Messages().empty());
  // A 1000 cm2 diaphragm with 0.4-2.0 bar, fail-close: 4000 N, 714 N to spare.
  x.Set({{"ActuatorArea", "1000"}, {"SpringStart", "0.4"}, {"SpringEnd", "2.0"}, {"SupplyPressure", "4"},
         {"ActuatorStroke", "60"}});
  EXPECT_NEAR(x.Value("ActuatorThrust"), 4000, 1e-9L);
  EXPECT_NEAR(x.Value("ThrustReserve"), 4000 - 3286.26L, 0.01L);
  EXPECT_TRUE(x.messages.Messages().empty());
  // The spring of 0.2-1.0 bar seats with 2000 N only.
  x.Set({{"SpringStart", "0.2"}, {"SpringEnd", "1.0"}});
  EXPECT_TRUE(x.Has(1801));
  EXPECT_LT(x.Value("ThrustReserve"), 0);
  // Just above the required force, but not by the 10 % reserve.
  x.Set("SpringStart", "0.34");
  EXPECT_FALSE(x.Has(1801));
  EXPECT_TRUE(x.Has(1802));
  x.ExpectNoNaN();
}

TEST(ActuatorModule, BadInputGivesMessages) {
  struct Case { const char* what; const char* name; const char* text; int message; };
  const Case cases[] = {
      {"no seat", "Seat", "", 101},
      {"outlet above inlet", "p2", "12", 903},
      {"shut-off from the operating pressures", "dpShutOff", "", 1805},
      {"rotary valve", "ValveType", "Klappe", 1808},
      {"actuator stroke too short", "ActuatorStroke", "10", 1806},
      {"supply below the spring end", "SupplyPressure", "1.5", 1807},
      {"electric actuator with a fail position", "ActuatorKind", "elektrischer Linearantrieb", 1810},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Module<TCMActuator> x;
    GlobeValve(x);
    x.Set({{"p1", "10"}, {"p2", "5"}, {"ActuatorArea", "1000"}, {"SpringStart", "0.4"}, {"SpringEnd", "2.0"},
           {c.name, c.text}});
    x.m.SetActive(true);
    EXPECT_TRUE(x.Has(c.message));
    x.ExpectNoNaN();
  }
}

TEST(ActuatorDataBaseModule, PicksFromTheSampleCatalogue) {
  ASSERT_FALSE(TCMActuatorDataBase::Catalogue().empty());
  struct Case { const char *what, *kind, *fail, *required, *stroke, *expected; Extended thrust; };
  const Case cases[] = {
      {"3286 N fail-close at 4 bar", "pneumatischer Membranantrieb", "schließend", "3286.26", "20",
       "SD 1000/60 0.4-2.0 FC", 4000},
      // 400 x (4 - 2.8) x 10 = 4800 N beats 250 x (4 - 2.0) x 10 = 5000 N.
      {"3286 N fail-open at 4 bar", "pneumatischer Membranantrieb", "öffnend", "3286.26", "20", "SD 400/30 1.4-2.8 FO",
       4800},
      {"3286 N electric", "elektrischer Linearantrieb", "bleibt stehen", "3286.26", "20", "SE 5 kN/30", 5000},
      {"20 kN electric with 50 mm stroke", "elektrischer Linearantrieb", "bleibt stehen", "20000", "50",
       "SE 25 kN/100", 25000},
      // An unbalanced 60 mm seat shut off against 160 bar (PN 160): 45 239
      // + 334 + 1320 N, 51.6 kN with the reserve.
      {"PN 160 on a 60 mm seat, fail-close", "pneumatischer Membranantrieb", "schließend", "46893", "30",
       "SD 2x1400/100 2.0-4.0 FC", 56000},
      {"PN 160 on a 60 mm seat, electric", "elektrischer Linearantrieb", "bleibt stehen", "46893", "30",
       "SE 60 kN/100", 60000},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Module<TCMActuatorDataBase> x;
    x.Set({{"ActuatorKind", c.kind}, {"FailPosition", c.fail}, {"RequiredThrust", c.required}, {"Stroke", c.stroke},
           {"SupplyPressure", "4"}});
    x.m.SetActive(true);
    EXPECT_EQ(x.Text("ActuatorName"), c.expected);
    EXPECT_EQ(x.Text("ActuatorManufacturer"), "Beispielantriebe");
    EXPECT_NEAR(x.Value("ActuatorThrust"), c.thrust, 1e-9L);
    EXPECT_TRUE(x.messages.Messages().empty());
  }
}

TEST(ActuatorDataBaseModule, NamedActuatorAndMisfits) {
  Module<TCMActuatorDataBase> x;
  x.Set({{"RequiredThrust", "3286.26"}, {"Stroke", "20"}, {"SupplyPressure", "4"},
         {"WantedActuator", "sd 700/30 0.4-2.0 fc"}});
  x.m.SetActive(true);
  EXPECT_EQ(x.Text("ActuatorName"), "SD 700/30 0.4-2.0 FC");
  EXPECT_EQ(x.Text("SpringRange"), "0.4 - 2.0 bar");
  EXPECT_NEAR(x.Value("ActuatorThrust"), 2800, 1e-9L);
  EXPECT_TRUE(x.Has(1801));
  x.Set("WantedActuator", "no such actuator");
  EXPECT_TRUE(x.Has(1804));
  EXPECT_EQ(x.Text("ActuatorName"), "");
  x.Set({{"WantedActuator", ""}, {"RequiredThrust", "100000"}});
  EXPECT_TRUE(x.Has(1803));
  x.ExpectNoNaN();
}

}  // namespace
}  // namespace torvacalc
