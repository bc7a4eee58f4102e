// A small calculation assembled from a super module, its main module and
// two computing modules wired by connectors, followed along the road of
// one edited value.
#include <gtest/gtest.h>

#include <cmath>

#include "framework/options.h"
#include "framework/super_module.h"

using namespace torvacalc;

namespace {

// Kv from mass flow, density and pressure drop (IEC 60534-2-1 eq. for
// turbulent non-choked flow, Kv = Qm / sqrt(1000 rho dp) in kg/h, kg/m3,
// bar, m3/h).
class TCMKv : public TCalcModule {
 public:
  TCMKv(TCalcComponent* owner, std::string name) : TCalcModule(owner, std::move(name)) {
    qm = AddItem<TInputParameter>("qm", qMassFlowrate);
    rho = AddItem<TInputParameter>("rho", qDensity);
    dp = AddItem<TInputParameter>("dp", qPressureDropBar);
    kv = AddItem<TOutputParameter>("kv", qKvCv);
  }
  TInputParameter *qm, *rho, *dp;
  TOutputParameter* kv;
  int calculations = 0;

 protected:
  void DoCalculate() override {
    ++calculations;
    if (!CheckParameters({qm, rho, dp})) {
      kv->AssignValue(0, NoValue);
      return;
    }
    kv->AssignValue(0, qm->GetCalcValue() / std::sqrt(1000 * rho->GetCalcValue() * dp->GetCalcValue()));
  }
};

// Relative opening h = Kv / Kvs, with a warning above 90 %.
class TCMOpening : public TCalcModule {
 public:
  TCMOpening(TCalcComponent* owner, std::string name) : TCalcModule(owner, std::move(name)) {
    kv = AddItem<TInputParameter>("kv", qKvCv);
    kvs = AddItem<TInputParameter>("kvs", qKvCv);
    h = AddItem<TOutputParameter>("h", qFixedPortion);
  }
  TInputParameter *kv, *kvs;
  TOutputParameter* h;
  int calculations = 0;

 protected:
  void DoCalculate() override {
    ++calculations;
    if (!CheckParameters({kv, kvs})) {
      h->AssignValue(0, NoValue);
      return;
    }
    const Extended ratio = kv->GetCalcValue() / kvs->GetCalcValue();
    h->AssignValue(0, ratio);
    if (ratio > 0.9L) CreateMessage<tCalcWarning>({h}, "Ventil fast ganz offen");
  }
};

class TestCalculation : public TSuperCalcModule {
 public:
  explicit TestCalculation(std::string name = "Test") : TSuperCalcModule(std::move(name)) {
    TMainCalcModule* main = GetMainCalcModule();
    main->AddItem<TInputParameter>("qm", qMassFlowrate);
    main->AddItem<TInputParameter>("rho", qDensity);
    main->AddItem<TInputParameter>("dp", qPressureDropBar);
    main->AddItem<TOutputParameter>("kv", qKvCv);
    main->AddItem<TInputParameter>("kvs", qKvCv);
    main->AddItem<TOutputParameter>("h", qFixedPortion);
    kvModule = CreateModule<TCMKv>("CMKv");
    opening = CreateModule<TCMOpening>("CMOpening");
    TCalcSource* mainSource = CalcSourceCustomMCM1();
    TCalcConnector* c1 = CreateConnector(mainSource, CreateSource(kvModule, "SourceKv"), "ConnectorKv");
    for (const char* n : {"qm|qm", "rho|rho", "dp|dp"}) c1->InConnections.AddConnection(n);
    c1->OutConnections.AddConnection("kv|kv");
    TCalcConnector* c2 = CreateConnector(mainSource, CreateSource(opening, "SourceOpening"), "ConnectorOpening");
    c2->InConnections.AddConnection("kv|kv");
    c2->InConnections.AddConnection("kvs|kvs");
    c2->OutConnections.AddConnection("h|h");
    c1->SetActive(true);
    c2->SetActive(true);
    SetActive(true);
  }
  TCalcParameter* Main(const char* name) const {
    return dynamic_cast<TCalcParameter*>(GetMainCalcModule()->CalcItemByName(name));
  }
  TCMKv* kvModule;
  TCMOpening* opening;
};

// A view that counts what reaches it.
struct CountingLink : TFieldCalcLink {
  void CalcEvent(TCalcEvent e, TCalcItem* item) override {
    ++events;
    if (e == ceFieldChange) changed.push_back(item);
  }
  int events = 0;
  std::vector<TCalcItem*> changed;
};

struct CountingMessager : TCalcMessager {
  void Reload() override { ++reloads; }
  int reloads = 0;
};

TEST(Calculation, OneEditTravelsThroughConnectorsModulesAndBack) {
  TestCalculation calc;
  calc.Main("qm")->SetValue(10000);
  calc.Main("rho")->SetValue(1000);
  calc.Main("kvs")->SetValue(16);
  // Without the pressure drop the Kv module says that an input is missing,
  // shown at the main module's item, and the opening module that Kv could
  // not be calculated; the error comes first.
  TCalcMessageContainer* messages = calc.GetCalcMessageContainer();
  ASSERT_EQ(messages->GetMessageCount(), 2);
  EXPECT_EQ(messages->Messages()[0]->MsgNo, 103);
  EXPECT_EQ(messages->Messages()[0]->CalcItem, calc.Main("kv"));
  EXPECT_EQ(messages->Messages()[0]->CalcModule, calc.opening);
  const TCalcMessage* missing = messages->GetMessageOf(calc.Main("dp"));
  ASSERT_NE(missing, nullptr);
  EXPECT_EQ(missing->MsgNo, 101);
  EXPECT_EQ(missing->CalcModule, calc.kvModule);
  EXPECT_EQ(missing->Text, "Die Eingabe fehlt.");
  EXPECT_EQ(messages->GetMessageTypeOf(calc.Main("dp")), cmMissingParameter);
  EXPECT_TRUE(calc.Main("dp")->GetTroubleMaker());
  EXPECT_EQ(calc.Main("kv")->GetValue(), NoValue);

  CountingLink view;
  calc.CalcSourceCustomMCM1()->AddCalcLink(&view);
  CountingMessager panel;
  messages->AddCalcMessager(&panel);
  int refreshes = 0;
  calc.CalcSourceCustomMCM1()->AfterRefresh.push_back([&] { ++refreshes; });
  const size_t history = calc.GetHistoryCount();
  const int kvRuns = calc.kvModule->calculations, openingRuns = calc.opening->calculations;

  calc.Main("dp")->SetText("1");  // the user types 1 bar

  // The edit reached the Kv module through its connector, it recalculated,
  // and its result came back into the main module and on to the opening.
  EXPECT_EQ(calc.kvModule->calculations, kvRuns + 1);
  EXPECT_EQ(calc.opening->calculations, openingRuns + 1);
  const Extended kv = 10000 / std::sqrt(1000.0L * 1000 * 1);
  EXPECT_NEAR(calc.kvModule->kv->GetValue(), kv, 1e-15L);
  EXPECT_NEAR(calc.Main("kv")->GetValue(), kv, 1e-15L);
  EXPECT_EQ(calc.Main("kv")->GetInputState(), isCalculated);
  EXPECT_NEAR(calc.Main("h")->GetValue(), kv / 16, 1e-15L);
  EXPECT_EQ(messages->GetMessageCount(), 0);
  EXPECT_FALSE(calc.Main("dp")->GetTroubleMaker());

  // The view heard of it once, after the outermost bracket, each changed
  // item once.
  EXPECT_EQ(refreshes, 1);
  for (const char* n : {"dp", "kv", "h"})
    EXPECT_EQ(std::count(view.changed.begin(), view.changed.end(), calc.Main(n)), 1) << n;
  EXPECT_GE(panel.reloads, 1);
  // One history entry.
  EXPECT_EQ(calc.GetHistoryCount(), history + 1);

  // Undo brings back the missing input, its message and the empty results.
  ASSERT_TRUE(calc.UnDo());
  EXPECT_EQ(calc.Main("dp")->GetValue(), NoValue);
  EXPECT_EQ(calc.Main("kv")->GetValue(), NoValue);
  ASSERT_EQ(messages->GetMessageCount(), 2);
  EXPECT_EQ(messages->GetMessageOf(calc.Main("dp"))->MsgNo, 101);
  EXPECT_EQ(calc.GetHistoryCount(), history);
  messages->RemoveCalcMessager(&panel);
  calc.CalcSourceCustomMCM1()->RemoveCalcLink(&view);
}

TEST(Calculation, WarningsAndOutOfBoundsMessagesCarryTheirArguments) {
  TestCalculation calc;
  calc.Main("qm")->SetValue(30000);
  calc.Main("rho")->SetValue(1000);
  calc.Main("dp")->SetValue(1);
  calc.Main("kvs")->SetValue(40);
  TCalcMessageContainer* messages = calc.GetCalcMessageContainer();
  ASSERT_EQ(messages->GetMessageCount(), 0);  // h = 0.75
  calc.Main("kvs")->SetValue(32);             // h = 0.9375: the opening module warns
  EXPECT_EQ(messages->GetTypedMessageCount<tCalcWarning>(), 1);
  EXPECT_EQ(messages->Messages()[0]->Text, "Ventil fast ganz offen");
  EXPECT_EQ(messages->Messages()[0]->CalcItem, calc.Main("h"));

  // A value outside its bounds: message 120 with the bounds in the display
  // unit of the item it is checked at; at or below a lower bound that
  // stands for "more than nothing", 119.
  calc.Main("dp")->SetCalcUnitNo(TQuantityArray::UnitNoByName(qPressureDropBar, "kPa"));
  calc.Main("dp")->SetValue(-1);
  const TCalcMessage* m = messages->GetMessageOf(calc.Main("dp"));
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(m->MsgNo, 119);
  EXPECT_EQ(m->MessageType, cmOutOfBounds);
  EXPECT_EQ(m->Text, "Der Wert muss größer als 0 kPa sein.");
  calc.Main("dp")->SetValue(3e7);
  m = messages->GetMessageOf(calc.Main("dp"));
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(m->MsgNo, 120);
  EXPECT_EQ(m->Text, "Der Wert liegt außerhalb des zulässigen Bereichs von 1E-10 kPa bis 2.5E7 kPa.");
}

// Inputs changed inside one update are calculated when it closes: each
// module once, the Kv module before the opening module that reads its
// result, whatever order the inputs came in.
TEST(Calculation, ChangesInsideAnUpdateCalculateEachModuleOnceWhenItCloses) {
  TestCalculation calc;
  for (const auto& [n, v] : {std::pair{"qm", 10000}, {"rho", 1000}, {"dp", 1}, {"kvs", 16}}) calc.Main(n)->SetValue(v);
  std::vector<std::string> order;
  calc.kvModule->BeforeCalculate = [&](TCalcModule&) { order.push_back("kv"); };
  calc.opening->BeforeCalculate = [&](TCalcModule&) { order.push_back("opening"); };
  calc.BeginUpdate();
  calc.Main("kvs")->SetValue(25);
  calc.Main("qm")->SetValue(20000);
  calc.Main("rho")->SetValue(990);
  calc.Main("dp")->SetValue(2);
  EXPECT_TRUE(order.empty());
  calc.EndUpdate(true);
  EXPECT_EQ(order, (std::vector<std::string>{"kv", "opening"}));
  EXPECT_NEAR(calc.Main("h")->GetValue(), 20000 / std::sqrt(1000.0L * 990 * 2) / 25, 1e-15L);
  // Outside an update an edit still calculates at once.
  order.clear();
  calc.Main("kvs")->SetValue(30);
  EXPECT_EQ(order, std::vector<std::string>{"opening"});
}

TEST(Calculation, OutputsAndReadOnlyInputsDoNotRecalculate) {
  TestCalculation calc;
  const int runs = calc.kvModule->calculations;
  calc.kvModule->kv->SetValue(5);  // an output of its own module
  EXPECT_EQ(calc.kvModule->calculations, runs);
  calc.kvModule->rho->SetReadOnly(true);
  calc.GetMainCalcModule()->SetReadOnly(true);
  calc.Main("rho")->SetValue(999);  // reaches the module through a read-only item
  EXPECT_EQ(calc.kvModule->calculations, runs);
  calc.GetMainCalcModule()->SetReadOnly(false);
  calc.kvModule->rho->SetReadOnly(false);
  calc.Main("rho")->SetValue(998);
  EXPECT_EQ(calc.kvModule->calculations, runs + 1);
}

// Inputs set while the Kv module is off, or inside a bracket of set values,
// compute nothing; switched on again, it computes once.
TEST(Calculation, ChangesWhileInactiveComputeOnceWhenSwitchedOn) {
  for (const bool bracket : {false, true}) {
    SCOPED_TRACE(bracket ? "set values" : "module off");
    TestCalculation calc;
    if (bracket) calc.BeginSetValues();
    else calc.kvModule->SetActive(false);
    const int runs = calc.kvModule->calculations;
    calc.Main("qm")->SetValue(1000);
    calc.Main("rho")->SetValue(1000);
    calc.Main("dp")->SetValue(4);
    EXPECT_EQ(calc.kvModule->calculations, runs);
    EXPECT_EQ(calc.Main("kv")->GetValue(), NoValue);
    if (bracket) {
      calc.BeginSetValues();  // nested: fine while inactive
      calc.EndSetValues();
      calc.EndSetValues();
    } else {
      calc.kvModule->SetActive(true);
    }
    EXPECT_EQ(calc.kvModule->calculations, runs + 1);
    EXPECT_NEAR(calc.Main("kv")->GetValue(), 0.5L, 1e-15L);
  }
}

TEST(Calculation, SetValuesOnAnActiveModuleIsAProgrammingError) {
  TestCalculation calc;
  calc.BeginSetValues();
  calc.GetMainCalcModule()->SetActive(true);  // someone switched it on
  try {
    calc.BeginSetValues();
    FAIL() << "expected ECompCalcLink";
  } catch (const ECompCalcLink& e) {
    EXPECT_STREQ(e.what(), "Schwerwiegender Fehler: CalcModule Test ist aktiv, sollte aber ausgeschaltet sein!");
  }
  calc.EndSetValues();
}

TEST(Calculation, HistoryKeepsTheLastEntriesAndUndoStepsBack) {
  TestCalculation calc;
  calc.ClearHistory();
  calc.MaxHistoryCount = 3;
  EXPECT_FALSE(calc.GetCanUndo());
  for (int i = 1; i <= 5; ++i) calc.Main("qm")->SetValue(1000 * i);
  // While more than three entries are held the oldest goes: three before
  // each new one.
  EXPECT_EQ(calc.GetHistoryCount(), 4u);
  ASSERT_TRUE(calc.UnDo());
  EXPECT_EQ(calc.Main("qm")->GetValue(), 4000);
  EXPECT_EQ(calc.GetHistoryCount(), 3u);
  ASSERT_TRUE(calc.UnDo());
  ASSERT_TRUE(calc.UnDo());
  EXPECT_EQ(calc.Main("qm")->GetValue(), 2000);
  EXPECT_FALSE(calc.GetCanUndo());
  EXPECT_FALSE(calc.UnDo());

  // Nested brackets record once, and only when recalculated.
  calc.ClearHistory();
  calc.BeginUpdate();
  calc.BeginUpdate();
  calc.EndUpdate(true);
  EXPECT_EQ(calc.GetHistoryCount(), 0u);
  calc.EndUpdate(true);
  EXPECT_EQ(calc.GetHistoryCount(), 1u);
  calc.BeginUpdate();
  calc.EndUpdate(false);
  EXPECT_EQ(calc.GetHistoryCount(), 1u);
}

TEST(Calculation, AutomaticBackupAtMostEvery30Seconds) {
  TestCalculation calc;
  double now = 46000.0;
  calc.Now = [&] { return now; };
  calc.AutoBackup = true;
  calc.BackupDir = "/tmp/torvacalc-backup-test";
  std::vector<std::string> written;
  calc.WriteBackup = [&](TSuperCalcModule&, const std::string& path) { written.push_back(path); };
  calc.Main("qm")->SetValue(1);
  ASSERT_EQ(written.size(), 1u);
  EXPECT_EQ(written[0], "/tmp/torvacalc-backup-test/" + calc.GUIDAsStr() + ".hxc");
  now += 20.0 / 86400;
  calc.Main("qm")->SetValue(2);
  EXPECT_EQ(written.size(), 1u);
  now += 11.0 / 86400;
  calc.Main("qm")->SetValue(3);
  EXPECT_EQ(written.size(), 2u);
  // A failing writer leaves the calculation as it is.
  calc.WriteBackup = [](TSuperCalcModule&, const std::string&) { throw std::runtime_error("disk full"); };
  now += 1;
  EXPECT_NO_THROW(calc.Main("qm")->SetValue(4));
  EXPECT_EQ(calc.Main("qm")->GetValue(), 4);
}

TEST(WatchDog, LowersDigitsStepByStepAndRestoresThem) {
  double ms = 0;
  TNumericOptions options;  // a calculation's: the program's stay as they are
  const int program = HXOptions().SignificantDigits;
  tWatchDog dog(options);
  dog.NowMs = [&] { return ms; };
  const int before = options.SignificantDigits;
  EXPECT_EQ(dog.IntervalFor(11), 1250);
  EXPECT_EQ(dog.IntervalFor(5), 5000);
  EXPECT_EQ(dog.IntervalFor(1), 10000);
  dog.Start(9);
  EXPECT_FALSE(dog.Check());
  ms += 1251;
  EXPECT_TRUE(dog.Check());
  EXPECT_EQ(options.SignificantDigits, before - 1);
  ms += 100000;
  EXPECT_TRUE(dog.Check());
  ms += 100000;
  EXPECT_FALSE(dog.Check());  // never below the minimum
  EXPECT_EQ(options.SignificantDigits, 9);
  dog.Reset();
  EXPECT_EQ(options.SignificantDigits, before);
  ms += 100000;
  dog.Check();
  dog.Stopp();
  EXPECT_EQ(options.SignificantDigits, before);
  EXPECT_EQ(HXOptions().SignificantDigits, program);
}

// A module whose computation fails in a way nobody foresaw.
class TCMBroken : public TCalcModule {
 public:
  using TCalcModule::TCalcModule;
  TInputParameter* x = AddItem<TInputParameter>("x", qNoUnit);

 protected:
  void DoCalculate() override { throw std::runtime_error("Division durch Null"); }
};

TEST(Calculation, AFailingComputationBecomesAMessageNotAnException) {
  TCalcMessageContainer container;
  TCMBroken m(nullptr, "Broken");
  m.SetCalcMessageContainer(&container);
  EXPECT_NO_THROW(m.SetActive(true));
  EXPECT_NO_THROW(m.x->SetValue(1));
  ASSERT_EQ(container.GetMessageCount(), 1);
  EXPECT_EQ(container.Messages()[0]->Text, "Division durch Null");
  EXPECT_EQ(container.Messages()[0]->MessageType, cmCalculationError);
}

}  // namespace
