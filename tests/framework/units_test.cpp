// The unit table checked against independent facts: defined conversion
// constants (NIST SP 811), temperature scale definitions and the pairing of
// gauge and absolute pressure units.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>

#include "framework/settings.h"
#include "framework/units.h"

using namespace torvacalc;

namespace {

Extended Convert(TQuantity q, Extended value, const char* from, const char* to) {
  const int f = TQuantityArray::UnitNoByName(q, from);
  const int t = TQuantityArray::UnitNoByName(q, to);
  EXPECT_GE(f, 0) << from;
  EXPECT_GE(t, 0) << to;
  return GetUnitValue(t, q, GetBasicUnitValue(f, q, value));
}

struct ConversionCase {
  const char* fact;
  TQuantity q;
  Extended value;
  const char* from;
  const char* to;
  Extended expected;
};

// Each expected value is a published definition, not a number of the table.
const ConversionCase kConversions[] = {
    // 1 lbf/in2: 0.45359237 kg * 9.80665 m/s2 / (0.0254 m)^2.
    {"1 psi = 6894.757293168 Pa", qPressureBar, 1, "psi(a)", "Pa(a)", 6894.757293168L},
    {"1 psi = 68.94757293168 mbar", qPressureMBar, 1, "psi(a)", "mbar(a)", 68.94757293168L},
    {"1 US gpm = 0.22712470704 m3/h exactly", qVolumeFlowrate, 1, "gal/min(US)", "m³/h", 0.22712470704L},
    {"1 short ton/h = 2000 lb/h", qMassFlowrate, 1, "ton/h(US)", "lb/h", 2000},
    // Cv: US gallons per minute of water at 1 psi; Kv: m3/h at 1 bar.
    {"1 Cv = 0.22712470704 / sqrt(0.06894757293168) Kv", qKvCv, 1, "Cv", "Kv",
     0.22712470704L / std::sqrt(0.06894757293168L)},
    {"1 lb = 0.45359237 kg exactly", qMass, 1, "lb", "kg", 0.45359237L},
    {"1 in = 25.4 mm exactly", qLengthMM, 1, "in", "mm", 25.4L},
    {"1 ft = 0.3048 m exactly", qLengthM, 1, "ft", "m", 0.3048L},
    {"1 US gallon = 3.785411784 l exactly", qVolumeFlowrate, 1, "gal/h(US)", "l/h", 3.785411784L},
    {"1 atm = 101325 Pa", qPressureBar, 1, "atm(a)", "Pa(a)", 101325},
    {"760 Torr = 1 atm", qPressureBar, 760, "Torr(a)", "atm(a)", 1},
    {"1 kp/cm2 = 0.980665 bar", qPressureBar, 1, "kp/cm²(a)", "bar(a)", 0.980665L},
    {"1 cP = 1 mPa s", qDynamicViscosity, 1, "cP", "mPa s", 1},
    {"1 cSt = 1 mm2/s", qKinematicViscosity, 1, "cST", "mm²/s", 1},
    {"1 kcal/h = 1.163 W", qPower, 1, "kcal/h", "W", 1.163L},
    {"1 BTU/lb = 2.326 kJ/kg exactly", qEnthalpy, 1, "BTU/lb", "kJ/kg", 2.326L},
    {"1 rad = 180/pi degrees", qAngle, 1, "rad", "°", 57.29577951308232L},
    {"1 MPa = 1 N/mm2", qModulusOfElasticity, 1, "MPa", "N/mm²", 1},
    // Units of the surveyor, the workshop and the heating engineer: a
    // Gunter's chain is 66 ft (US survey, 20.1168402 m), a mile 1609.344 m,
    // a metre-kilopond per second 9.80665 W, a metric horsepower 735.49875 W,
    // the international table Btu 1055.05585262 J, a calorie 4.1868 J, a
    // pound-force 4.4482216152605 N, a long ton-force 2240 lbf.
    {"1 chain = 20.1168 m", qLengthM, 1, "chain", "m", 20.11684023L},
    {"1 mile = 1609.344 m exactly", qLengthMM, 1, "mile", "m", 1609.344L},
    {"1 mile2 = 2.589988110336 km2", qAreaQMM, 1, "mile²", "km²", 2.589988110336L},
    {"1 m kp/s = 9.80665 W", qHeatPower, 1, "m kp/s", "W", 9.80665L},
    {"1 PS = 735.49875 W", qHeatPower, 1, "PS", "W", 735.49875L},
    {"1 BTU/h = 0.29307107 W", qPower, 1, "BTU/h", "W", 0.29307107017222L},
    {"1 therm/h = 10^5 BTU/h", qHeatPower, 1, "therm/h", "BTU/h", 100000},
    {"1 cal/(m2 s K) = 4.1868 W/(m2 K)", qHeatTransferCoefficient, 1, "cal/(m² s °C)", "W/(m² K)", 4.1868L},
    {"1 BTU in/(ft2 h degF) = 0.1442279 W/(m K)", qHeatConductivity, 1, "BTU in/(ft² h °F)", "W/(m K)",
     0.14422788886428L},
    {"1 lbf/ft2 = 47.880259 Pa", qPressureBar, 1, "lbf/ft²(a)", "Pa(a)", 47.880258980336L},
    {"1 ftH2O = 2989.0669 Pa in either pressure quantity", qPressureMBar, 1, "ftH2O(a)", "Pa(a)", 2989.0669L},
    {"1 tonf = 2240 lbf", qForce, 1, "tonf", "lbf", 2240},
    {"1 ft2/s = 0.09290304 m2/s exactly", qKinematicViscosity, 1, "ft²/s", "m²/s", 0.09290304L},
    {"1 long ton/h = 1016.0469088 kg/h", qMassFlowrate, 1, "ton/h(UK)", "kg/h", 1016.0469088L},
    // Temperature fixed points: water freezes at 0 degC = 32 degF = 491.67 degR
    // = 273.15 K and boils at 100 degC = 212 degF = 80 degRe.
    {"20 degC = 293.15 K", qTemperature, 20, "°C", "K", 293.15L},
    {"68 degF = 20 degC", qTemperature, 68, "°F", "°C", 20},
    {"212 degF = 100 degC", qTemperature, 212, "°F", "°C", 100},
    {"491.67 degR = 273.15 K", qTemperature, 491.67L, "°Rankine", "K", 273.15L},
    {"0 degR = 0 K", qTemperature, 0, "°Rankine", "K", 0},
    {"80 degRe = 100 degC", qTemperature, 80, "°Reaumur", "°C", 100},
    {"differences carry no offset: 9 degF = 5 K", qTemperatureDifference, 9, "°F", "K", 5},
    // Gauge pressure is one standard atmosphere (1.01325 bar) below absolute.
    {"1 bar(g) = 2.01325 bar(a)", qPressureBar, 1, "bar(g)", "bar(a)", 2.01325L},
    // Into the units with both an offset and a factor other than 1.
    {"20 degC = 68 degF", qTemperature, 20, "°C", "°F", 68},
    {"100 degC = 671.67 degR", qTemperature, 100, "°C", "°Rankine", 671.67L},
    {"0.06894757293168 bar(g) = 1 psi(g)", qPressureBar, 0.06894757293168L, "bar(g)", "psi(g)", 1},
    {"2.01325 bar(a) = 100 kPa(g)", qPressureBar, 2.01325L, "bar(a)", "kPa(g)", 100},
    {"1 bar(g) = 0.1 MPa(g)", qPressureMBar, 1, "bar(g)", "MPa(g)", 0.1L},
};

TEST(UnitTable, AgreesWithPublishedConversionFactors) {
  for (const auto& c : kConversions) {
    SCOPED_TRACE(c.fact);
    EXPECT_NEAR(Convert(c.q, c.value, c.from, c.to), c.expected, 1e-9L * std::max(1.0L, std::fabs(c.expected)));
  }
}

TEST(UnitTable, GaugeAndAbsolutePressureUnitsPairUp) {
  // One standard atmosphere in psi: 101325 Pa / 6894.757293168 Pa.
  EXPECT_NEAR(Convert(qPressureBar, 0, "psi(g)", "psi(a)"), 14.69594877551L, 1e-9L);
  // Every gauge unit of both pressure quantities pairs with an absolute unit
  // of the same factor, one atmosphere below.
  for (TQuantity q : {qPressureBar, qPressureMBar}) {
    const Extended atm = q == qPressureBar ? 1.01325L : 1013.25L;
    int pairs = 0;
    for (const auto& e : TQuantityArray::UnitStringList(q, SortTable)) {
      if (e.Name.size() < 3 || e.Name.substr(e.Name.size() - 3) != "(g)") continue;
      const std::string abs = e.Name.substr(0, e.Name.size() - 3) + "(a)";
      const int a = TQuantityArray::UnitNoByName(q, abs);
      ASSERT_GE(a, 0) << abs;
      EXPECT_EQ(UnitRecord(q, a)->Factor, e.Ref.Factor) << e.Name;
      EXPECT_EQ(UnitRecord(q, a)->Offset, 0) << abs;
      EXPECT_NEAR(e.Ref.Offset, atm, 1e-12L) << e.Name;
      // Two atmospheres absolute are one atmosphere gauge in every unit.
      EXPECT_NEAR(Convert(q, 2, "atm(a)", e.Name.c_str()), Convert(q, 1, "atm(a)", abs.c_str()),
                  1e-12L * Convert(q, 1, "atm(a)", abs.c_str())) << e.Name;
      ++pairs;
    }
    EXPECT_EQ(pairs, 19);
  }
  // Pressure differences have the same units without suffix and offset.
  for (const auto& e : TQuantityArray::UnitStringList(qPressureDropBar, SortTable)) {
    EXPECT_EQ(e.Ref.Offset, 0) << e.Name;
    const int a = TQuantityArray::UnitNoByName(qPressureBar, e.Name + "(a)");
    ASSERT_GE(a, 0) << e.Name;
    EXPECT_EQ(UnitRecord(qPressureBar, a)->Factor, e.Ref.Factor) << e.Name;
  }
}

TEST(UnitTable, SIConversion) {
  EXPECT_NEAR(GetSIValue(0, qTemperature, 20), 293.15L, 1e-12L);
  EXPECT_NEAR(GetSIValue(0, qPressureBar, 1), 100000, 1e-9L);
  EXPECT_NEAR(GetSIValue(0, qMassFlowrate, 3600), 1, 1e-15L);
  EXPECT_NEAR(GetSIValue(0, qPressureMBar, 1), 100, 1e-12L);
  EXPECT_NEAR(GetSIValue(TQuantityArray::UnitNoByName(qTemperature, "°F"), qTemperature, 32), 273.15L, 1e-12L);
}

// Quantities that measure the same thing in other basic units (lengths in m
// and mm, pressures in bar and mbar, absolute and as differences, power and
// heat flow) list many units twice: a unit must mean the same amount in
// each of them. Compared as the SI amount of one unit (the slope, so that
// the gauge offsets drop out), with the "(a)" and "(g)" marks taken off.
TEST(UnitTable, AUnitMeansTheSameInEveryQuantityThatListsIt) {
  const std::vector<std::vector<TQuantity>> groups = {
      {qLengthM, qLengthMM},
      {qAreaQM, qAreaQCM, qAreaQMM},
      {qPressureBar, qPressureMBar, qPressureDropBar, qPressureDropMBar},
      {qPower, qHeatPower},
      {qTime, qTimeH}};
  int compared = 0;
  for (const auto& group : groups) {
    std::map<std::string, std::pair<Extended, std::string>> seen;  // name -> SI per unit, where
    for (TQuantity q : group) {
      for (int u = 0; u < TQuantityArray::GetCount(q); ++u) {
        std::string name = TQuantityArray::GetUnitName(q, u);
        if (name.size() > 3 && (name.ends_with("(a)") || name.ends_with("(g)"))) name.resize(name.size() - 3);
        const Extended si = GetSIValue(u, q, 1) - GetSIValue(u, q, 0);
        const auto [it, fresh] = seen.try_emplace(name, si, QuantityRecord(q).Ident);
        if (fresh) continue;
        ++compared;
        EXPECT_NEAR(si / it->second.first, 1, 1e-12L)
            << name << " in " << QuantityRecord(q).Ident << " against " << it->second.second;
      }
    }
  }
  EXPECT_GT(compared, 50);
}

TEST(UnitTable, StructureOfEveryQuantity) {
  for (int i = 0; i < QuantityCount; ++i) {
    const auto q = static_cast<TQuantity>(i);
    SCOPED_TRACE(QuantityRecord(q).Ident);
    EXPECT_EQ(QuantityByName(QuantityRecord(q).Ident), q);
    const int n = TQuantityArray::GetCount(q);
    ASSERT_GE(n, 1);
    EXPECT_EQ(n, QuantityRecord(q).UnitCount);  // no unit cut off by the slots of unit numbers
    EXPECT_EQ(UnitRecord(q, 0)->Factor, 1);  // unit 0 is the basic unit
    EXPECT_EQ(UnitRecord(q, 0)->Offset, 0);
    EXPECT_EQ(UnitRecord(q, n), nullptr);
    EXPECT_LE(TQuantityArray::GetLowerBound(q), TQuantityArray::GetUpperBound(q));
    // Every displayed name resolves back to its own unit number.
    for (int u = 0; u < n; ++u) {
      const std::string name = TQuantityArray::GetUnitName(q, u);
      EXPECT_EQ(name.find("%s"), std::string::npos);
      EXPECT_EQ(TQuantityArray::UnitNoByName(q, name), u) << name;
    }
  }
}

TEST(UnitTable, NamesAndLists) {
  EXPECT_EQ(TQuantityArray::GetUnitName(qPressureBar, 7), "kp/cm²(a)");
  EXPECT_EQ(TQuantityArray::GetUnitName(qPortion, 0), "%");
  EXPECT_EQ(TQuantityArray::UnitNoByName(qPressureBar, "KP/CM²(A)"), 7);
  EXPECT_EQ(TQuantityArray::UnitNoByName(qPressureBar, "kp/cm%s(a)"), 7);
  EXPECT_EQ(TQuantityArray::UnitNoByName(qPressureBar, "furlong"), -1);
  EXPECT_EQ(QuantityByName("QPRESSUREBAR"), qPressureBar);
  EXPECT_EQ(QuantityByName("76"), qAngle);
  EXPECT_FALSE(QuantityByName("77"));
  EXPECT_FALSE(QuantityByName("qNothing"));
  // Sorted by index (as the units command lists them), the absolute kgf/cm2
  // unit stands among the absolute units, and "MPa" comes before "N/mm2".
  const auto byIndex = TQuantityArray::UnitStrings(qPressureBar, SortIndex);
  ASSERT_EQ(byIndex.size(), 38u);
  EXPECT_EQ(byIndex[18], "kgf/cm²(a)");
  EXPECT_EQ(byIndex[19], "bar(g)");
  EXPECT_EQ(TQuantityArray::UnitStrings(qModulusOfElasticity, SortIndex)[0], "MPa");
}

TEST(UnitConversion, NoValuePassesThroughEveryConversion) {
  for (int i = 0; i < QuantityCount; ++i) {
    const auto q = static_cast<TQuantity>(i);
    for (int u = 0; u < TQuantityArray::GetCount(q); ++u) {
      EXPECT_EQ(GetBasicUnitValue(u, q, NoValue), NoValue);
      EXPECT_EQ(GetUnitValue(u, q, NoValue), NoValue);
      EXPECT_EQ(GetSIValue(u, q, NoValue), NoValue);
      EXPECT_EQ(GetBasicUnitValue(u, q, -NoValue), NoValue);
    }
  }
  EXPECT_EQ(GetBasicUnitValue(0, qPressureBar, std::numeric_limits<Extended>::quiet_NaN()), NoValue);
  // Overflow is no value, not infinity.
  EXPECT_EQ(GetBasicUnitValue(1, qMassFlowrate, std::numeric_limits<Extended>::max()), NoValue);
  // An unknown unit number converts nothing.
  EXPECT_EQ(GetBasicUnitValue(99, qPressureBar, 1), NoValue);
}

}  // namespace
