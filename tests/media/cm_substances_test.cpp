// The substances module and the substance database: water as IAPWS-IF97
// gives it, the automatic phase change and its message, the messages of a
// state that contradicts the declared phase, the relevance of the items,
// hostile input, and the database's content.
#include "media/cm_substances.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <set>
#include <thread>

#include "framework/options.h"
#include "media/water_steam.h"

namespace torvacalc {
namespace {

// A module with its own message container, computing once all inputs are
// set (as the command line does).
struct TModule {
  TCalcMessageContainer messages;
  TCMSubstances m;
  TModule() { m.SetCalcMessageContainer(&messages); }
  ~TModule() {
    messages.RemoveAllMessages();
    m.SetCalcMessageContainer(nullptr);
  }
  void Set(const std::string& fluid, Extended T, Extended P, int phase = -1) {
    m.SetActive(false);
    m.FluidName->SetText(fluid);
    if (phase >= 0) m.Phase->SetSwitchStatus(phase);
    m.T1->SetValue(T);
    m.p1->SetValue(P);
    m.SetActive(true);
  }
  bool Has(int no) const {
    for (const auto& msg : messages.Messages())
      if (msg->MsgNo == no) return true;
    return false;
  }
};

Extended V(const TCalcParameter* p) { return p->GetValue(); }

TEST(CMSubstances, WaterEqualsIf97Exactly) {
  struct Case { Extended T, P; };
  for (const Case& c : {Case{20, 1}, Case{90, 6.8L}, Case{180, 10}, Case{250, 40}, Case{400, 250}, Case{550, 100}}) {
    SCOPED_TRACE(static_cast<double>(c.T));
    TModule t;
    t.Set("Wasser", c.T, c.P);
    tWaterSteam w;
    w.SetT(c.T);
    w.SetP(c.P);
    EXPECT_EQ(V(t.m.rho1), w.GetRho());
    EXPECT_EQ(V(t.m.pv1), w.GetPv());
    EXPECT_EQ(V(t.m.tv1), w.GetTv());
    EXPECT_EQ(V(t.m.eta1), w.GetEta());
    EXPECT_EQ(V(t.m.Lambda1), w.GetLambda());
    EXPECT_EQ(V(t.m.H1), w.GetH());
    EXPECT_EQ(V(t.m.S1), w.GetS());
    EXPECT_EQ(V(t.m.cp1), w.Getcp());
    EXPECT_EQ(V(t.m.kappa1), w.GetKappa());
    EXPECT_EQ(t.m.DisplayPhase->GetSwitchStatus(), w.GetPhase());
    EXPECT_EQ(t.m.SubstanceType->GetSwitchStatus(), stWater);
  }
  // The English name chooses the same entry.
  TModule e;
  e.Set("Water", 20, 1);
  EXPECT_EQ(e.m.SubstanceType->GetSwitchStatus(), stWater);
  EXPECT_NEAR(V(e.m.rho1), 998.2L, 0.1L);
}

// A medium declared as liquid whose state is a gas: with the automatic
// change the phase becomes "Gasförmig" and the user is told once; without
// it the contradiction is reported.
TEST(CMSubstances, AutomaticPhaseChangeAndItsMessage) {
  TModule t;
  int told = 0;
  t.m.OnInformation = [&](const std::string& text) {
    ++told;
    EXPECT_EQ(text, "Phasenwechsel");
  };
  t.Set("Methan", 20, 50, phLiquid);
  EXPECT_EQ(t.m.Phase->GetSwitchStatus(), phGas);
  EXPECT_EQ(told, 1);
  EXPECT_TRUE(t.Has(113));
  EXPECT_NEAR(V(t.m.z1), 0.913L, 0.005L);  // methane, 20 degC, 50 bar (NIST 0.9125)
  // Vapour to gas: the operating-basis gas.
  TModule v;
  v.Set("Methane", 20, 50, phVapour);
  EXPECT_EQ(v.m.Phase->GetSwitchStatus(), phGas);
  EXPECT_EQ(v.m.GasMedium->GetSwitchStatus(), gmGasOp);
  // Gas to liquid: toluene at 25 degC.
  TModule l;
  l.Set("Toluol", 25, 1, phGas);
  EXPECT_EQ(l.m.Phase->GetSwitchStatus(), phLiquid);
  EXPECT_NEAR(V(l.m.rho1), 862.3L, 0.5L);
  // No phase chosen yet: set silently.
  TModule s;
  s.m.OnInformation = [&](const std::string&) { ++told; };
  s.Set("Toluol", 25, 1);
  EXPECT_EQ(s.m.Phase->GetSwitchStatus(), phLiquid);
  EXPECT_EQ(told, 1);
  EXPECT_FALSE(s.Has(113));
}

TEST(CMSubstances, StateAgainstTheDeclaredPhase) {
  struct Case {
    const char* what;
    const char* fluid;
    Extended T, P;
    TEPhase phase;
    std::vector<int> expected;
    Extended rho = NoValue;  // IAPWS-IF97 by python3-iapws, where given
  };
  // Water a hair off the saturation line is on the side its state says
  // (20 bar: Ts 212.385 degC; 40 bar: Ts 250.3575 degC), with the phase
  // change on as it is by default; on the line within the rounding of the
  // entry the declared phase decides (saturated vapour, boiling liquid).
  const Case cases[] = {
      {"0.015 K above saturation, declared liquid: steam", "Wasser", 212.4L, 20, phLiquid, {110}, 10.04158L},
      {"0.015 K above saturation, declared vapour", "Wasser", 212.4L, 20, phVapour, {}, 10.04158L},
      {"0.04 K above saturation at 40 bar", "Wasser", 250.4L, 40, phVapour, {}, 20.08602L},
      {"on the line at 40 bar, declared vapour", "Wasser", 250.36L, 40, phVapour, {}, 20.08976L},
      {"on the line at 40 bar, declared liquid", "Wasser", 250.36L, 40, phLiquid, {}, 798.3582L},
      {"liquid declared, boiling", "Toluol", 150, 1, phLiquid, {111}},
      {"liquid above the critical temperature", "Propan", 120, 60, phLiquid, {111}},
      {"vapour declared, liquid", "Toluol", 25, 1, phVapour, {116}},
      {"gas declared, liquid", "Toluol", 25, 1, phGas, {117}},
      {"liquid with gas, boiling", "Aceton", 80, 1, phMixPhaseG, {112}},
      {"below the melting point", "Benzol", -20, 1, phLiquid, {114}},
      {"at the saturation line", "Wasser", 100, 1.01418L, phLiquid, {}},
      {"above the critical point", "Kohlendioxid", 40, 100, phGas, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TModule t;
    t.m.ChangePhase->SetChecked(HasValue(c.rho));
    t.Set(c.fluid, c.T, c.P, c.phase);
    if (HasValue(c.rho)) {
      EXPECT_NEAR(V(t.m.rho1), c.rho, 2e-5L * c.rho);
    }
    for (int no : c.expected) EXPECT_TRUE(t.Has(no)) << no;
    for (int no : {110, 111, 112, 114, 116, 117})
      if (std::find(c.expected.begin(), c.expected.end(), no) == c.expected.end()) {
        EXPECT_FALSE(t.Has(no)) << no;
      }
  }
}

// A result computed by a correlation outside its range, or by an
// approximation, is shown as approximated: the flag the computation sets
// reaches the parameter (the heat of vaporization away from the boiling
// line, the critical flow function of a real gas by its isentropic
// exponent, the liquid sound speed of the database).
TEST(CMSubstances, ApproximatedResultsShowAsSuch) {
  struct Case { const char* fluid; Extended T, P; TEPhase phase; std::vector<const char*> approximated; };
  const Case cases[] = {
      {"Toluol", 25, 1, phLiquid, {"Dhv", "cf"}},
      {"Methan", 20, 50, phGas, {"CStar"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fluid);
    TModule t;
    t.Set(c.fluid, c.T, c.P, c.phase);
    for (const char* n : c.approximated) {
      const TCalcParameter* p = t.m.CalcItemByName(n)->AsParameter();
      EXPECT_TRUE(HasValue(p->GetValue())) << n;
      EXPECT_TRUE(p->GetIsApproximated()) << n;
    }
  }
}

// A liquid without a sound speed in the database gets one from its own
// density and heat capacity correlations (approximated): Kaye and Laby,
// Tables of Physical and Chemical Constants (oxygen, argon); liquid
// methane (LNG) at its normal boiling point by the equation of state of
// Setzmann and Wagner, about 1340 m/s.
TEST(CMSubstances, LiquidSoundSpeedWithoutADatabaseValue) {
  struct Case { const char* fluid; Extended T, P, cf; };
  for (const Case& c : {Case{"Sauerstoff", -186, 1.2L, 950}, Case{"Argon", -188, 1.5L, 853},
                        Case{"Methan", -161.5L, 1.2L, 1340}}) {
    SCOPED_TRACE(c.fluid);
    TModule t;
    t.Set(c.fluid, c.T, c.P, phLiquid);
    EXPECT_EQ(t.m.CalculatedPhase->GetSwitchStatus(), cpLiquid);
    EXPECT_NEAR(V(t.m.cf), c.cf, 0.06L * c.cf);
    EXPECT_TRUE(t.m.cf->GetIsApproximated());
  }
}

TEST(CMSubstances, RelevanceFollowsThePhaseAndTheChoices) {
  TModule t;
  t.m.GasMedium->SetSwitchStatus(gmGasMoist);
  t.Set("Luft", 20, 1.01325L, phGas);
  EXPECT_TRUE(t.m.z1->GetUtilized());
  EXPECT_TRUE(t.m.PhiRel->GetUtilized());
  EXPECT_FALSE(t.m.xPulp->GetUtilized());
  // Normal conditions of the user only.
  EXPECT_FALSE(t.m.TN0->GetUtilized());
  t.m.StandardConditions->SetSwitchStatus(scUser);
  EXPECT_TRUE(t.m.TN0->GetUtilized());
  // Exactly one of the four humidity inputs.
  const std::vector<TCalcParameter*> four = {t.m.XSpec, t.m.FnF, t.m.FnTr, t.m.FF};
  for (int type = 0; type < 5; ++type) {
    SCOPED_TRACE(type);
    t.m.HumidityType->SetSwitchStatus(type);
    int used = 0;
    for (TCalcParameter* p : four) used += p->GetUtilized() ? 1 : 0;
    EXPECT_EQ(used, type == htRelative ? 0 : 1);
  }
  // A liquid has no real-gas factor or isentropic exponent in use.
  TModule l;
  l.Set("Toluol", 25, 1, phLiquid);
  EXPECT_FALSE(l.m.z1->GetUtilized());
  EXPECT_FALSE(l.m.kappa1->GetUtilized());
  EXPECT_FALSE(l.m.PhiRel->GetUtilized());
}

// Moist air at 20 degC, 1.01325 bar: dry at 0 %, lighter at 100 %
// (1.2041 and 1.1944 kg/m3 by the ideal mixture of air and water vapour
// with the vapour pressure of IAPWS-IF97).
TEST(CMSubstances, MoistGasAtZeroAndFullHumidity) {
  Extended rho[2];
  int i = 0;
  for (Extended phi : {0.0L, 100.0L}) {
    TModule t;
    t.m.SetActive(false);
    t.m.GasMedium->SetSwitchStatus(gmGasMoist);
    t.m.PhiRel->SetValue(phi);
    t.Set("Luft", 20, 1.01325L, phGas);
    rho[i++] = V(t.m.rho1);
    EXPECT_NEAR(V(t.m.PvW), 0.023393L, 0.00001L);
  }
  EXPECT_NEAR(rho[0], 1.2041L, 0.002L);
  EXPECT_NEAR(rho[1], 1.1944L, 0.002L);
}

TEST(CMSubstances, BadInputGivesMessagesNeverNaN) {
  struct Case { const char* what; const char* fluid; Extended T, P; int expected; };
  const Case cases[] = {{"unknown substance", "Unobtainium", 20, 1, 130},
                        {"below absolute zero", "Toluol", -300, 1, 120},
                        {"zero pressure", "Toluol", 25, 0, 119},
                        {"cold natural gas", "Erdgas H (typisch) (GERG-2008)", 0, 40, 122}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TModule t;
    t.Set(c.fluid, c.T, c.P, phLiquid);
    EXPECT_TRUE(t.Has(c.expected));
    for (const TCalcItem* item : t.m.GetCalcItems()) {
      if (const auto* p = item->AsParameter()) {
        EXPECT_TRUE(std::isfinite(static_cast<double>(p->GetValue())) || IsNoValue(p->GetValue())) << p->GetName();
      }
    }
  }
  // An overruled value out of its bounds: a density must be more than
  // nothing.
  TModule o;
  o.m.SetActive(false);
  o.m.rho1->SetValue(-5);
  o.Set("Toluol", 25, 1, phLiquid);
  EXPECT_TRUE(o.Has(119));
}

// A natural gas of the database with its method's provider: the stored
// composition reaches the provider, and the provider's values are shown.
TEST(CMSubstances, NaturalGasCompositionReachesItsProvider) {
  TModule t;
  tExtSubstances provider;
  provider.SetRho(35.2L);
  provider.SetZ(0.88L);
  provider.SetPhase(cpGas);
  t.m.Substance().SetExtSubstances(&provider);
  t.Set("Natural gas H (typical) (GERG-2008)", 20, 40, phGas);
  EXPECT_EQ(provider.GetAGAConcentration().GetCType(), tAGAConcentration::ctGERG);
  EXPECT_EQ(provider.GetAGAConcentration().GetC(1), 93);  // methane
  EXPECT_EQ(provider.GetAGAConcentration().GetC(2), 1.5L);  // nitrogen
  EXPECT_NEAR(provider.GetAGAConcentration().CalculateCSum(), 100, 1e-9L);
  EXPECT_EQ(V(t.m.rho1), 35.2L);
  EXPECT_EQ(V(t.m.z1), 0.88L);
  EXPECT_FALSE(t.Has(129));
  EXPECT_TRUE(t.m.Concentration->GetUtilized());
}

// A natural gas chosen without a provider brings its method along: the
// module makes the AGA8-DC92 or GERG-2008 provider itself (an H-gas at
// 40 bar and 20 degC has a compressibility factor of about 0.91).
TEST(CMSubstances, NaturalGasWithoutAProviderUsesItsOwnMethod) {
  for (const char* gas : {"Erdgas H (typisch) (AGA8-DC92)", "Erdgas H (typisch) (GERG-2008)"}) {
    SCOPED_TRACE(gas);
    TModule t;
    t.Set(gas, 20, 40, phGas);
    EXPECT_FALSE(t.Has(129));
    EXPECT_GT(V(t.m.z1), 0.85L);
    EXPECT_LT(V(t.m.z1), 0.95L);
    EXPECT_TRUE(HasValue(V(t.m.rho1)));
  }
}

// A library substance replaces the database record while UseExtFluid is
// on: nitrogen at 0 degC and 1.01325 bar by its GERG-2008 equation (normal
// density 1.2504 kg/m3), with its critical point; off, the record's
// nitrogen again.
TEST(CMSubstances, LibrarySubstanceWhileUseExtFluidIsOn) {
  TModule t;
  t.m.ExtFluids->SetText("Stickstoff");
  t.m.UseExtFluid->SetChecked(true);
  t.Set("Wasser", 0, 1.01325L, phGas);
  EXPECT_EQ(t.m.SubstanceType->GetSwitchStatus(), stRUBochum);
  EXPECT_NEAR(V(t.m.rho1), 1.2504, 1E-4);
  EXPECT_NEAR(V(t.m.Tc), 126.192 - 273.15, 1E-3);
  EXPECT_TRUE(t.Has(133));
  t.m.UseExtFluid->SetChecked(false);
  t.Set("Stickstoff", 0, 1.01325L, phGas);
  EXPECT_NE(t.m.SubstanceType->GetSwitchStatus(), stRUBochum);
  EXPECT_NEAR(V(t.m.rho1), 1.2505, 2E-3);
  EXPECT_FALSE(t.Has(133));
}

// ------------------------------------------------------------ database

TEST(SubstanceDatabase, HoldsSourcedSubstancesInBothLanguages) {
  const TDataModuleCDSSubstance& db = TDataModuleCDSSubstance::Default();
  ASSERT_TRUE(db.GetLoaded()) << db.GetLoadError();
  EXPECT_GE(db.Count(), 60);
  std::set<std::string> names;
  for (int i = 0; i < db.Count(); ++i) {
    SCOPED_TRACE(db.Name(i, "de"));
    EXPECT_FALSE(db.Record(i).Source.empty());
    EXPECT_FALSE(db.Name(i, "de").empty());
    EXPECT_FALSE(db.Name(i, "en").empty());
    EXPECT_TRUE(names.insert(db.Name(i, "de")).second);
    for (const auto& f : db.Record(i).Functions) {
      if (f.Valid && HasValue(f.MeanError)) {
        EXPECT_LE(f.MeanError, f.MaxError);
      }
    }
  }
  for (const char* wanted : {"Wasser", "Air", "Stickstoff", "Hydrogen", "Kohlendioxid", "Methan", "n-Octane",
                             "Ammoniak", "Chlorine", "R134a (1,1,1,2-tetrafluoroethane)", "Ethanol", "Aceton",
                             "p-Xylol", "Ethylene glycol", "Essigsäure", "Heavy fuel oil (RMG 380)"})
    EXPECT_TRUE(db.FluidDoesExist(wanted)) << wanted;
  EXPECT_EQ(db.Find("Water"), db.Find("wasser"));
  EXPECT_EQ(db.TranslatedSubstanceName("Toluol", "en"), "Toluene");
  EXPECT_EQ(db.Find("Unobtainium"), nullptr);
}

// A substance is read from the file when first asked for: threads of a
// batch asking at once get the one record, complete.
TEST(SubstanceDatabase, ThreadsShareTheRecordsReadOnFirstUse) {
  const TDataModuleCDSSubstance db((std::filesystem::path(ProgramDataDir()) / TDataModuleCDSSubstance::FileName).string());
  std::vector<std::vector<const tPropertyDescription*>> seen(4);
  std::vector<std::thread> threads;
  for (auto& mine : seen)
    threads.emplace_back([&db, &mine] {
      for (int i = db.Count() - 1; i >= 0; --i) mine.push_back(&db.Record(i));
    });
  for (std::thread& t : threads) t.join();
  for (const auto& mine : seen) EXPECT_EQ(mine, seen.front());
  for (const tPropertyDescription* d : seen.front()) EXPECT_FALSE(d->Source.empty()) << d->FluidNameText;
}

// The temperature functions against the data they were fitted to: the
// normal boiling point of methanol (NIST WebBook, 337.69 K) on its Antoine
// fit, the viscosity of toluene at 25 degC (CRC Handbook, 0.560 mPa s).
TEST(SubstanceDatabase, TemperatureFunctionsReproduceTheirData) {
  const TDataModuleCDSSubstance& db = TDataModuleCDSSubstance::Default();
  const tPropertyDescription* methanol = db.Find("Methanol");
  ASSERT_NE(methanol, nullptr);
  const auto* pv = methanol->Usable(pfPv);
  ASSERT_NE(pv, nullptr);
  EXPECT_NEAR(pv->Evaluate(337.69L - ZeroCelsius), 1.01325L, 0.01L);
  EXPECT_NEAR(pv->Inverse(1.01325L), 337.69L - ZeroCelsius, 0.3L);
  const tPropertyDescription* toluene = db.Find("Toluene");
  ASSERT_NE(toluene, nullptr);
  const auto* eta = toluene->Usable(pfEtaLiquid);
  ASSERT_NE(eta, nullptr);
  EXPECT_NEAR(eta->Evaluate(25) * 1000, 0.560L, 0.560L * eta->MaxError / 100 + 1e-6L);
  bool outside = false;
  eta->Evaluate(150, &outside);
  EXPECT_TRUE(outside);
  // Critical density from the critical volume: toluene 92.141/316 g/cm3.
  EXPECT_NEAR(toluene->rhoc, 92.141L / 316 * 1000, 1e-9L);
  EXPECT_NEAR(toluene->tc, 591.75L - ZeroCelsius, 1e-9L);
}

}  // namespace
}  // namespace torvacalc
