// Behaviour of calculation items and parameters: how text becomes a value,
// value states, bounds, events to the module, links and unit coupling.
#include <gtest/gtest.h>

#include <vector>

#include "framework/calc_module.h"
#include "framework/options.h"

using namespace torvacalc;

namespace {

// A module that records the events its items raise.
struct RecordingModule : TAncestorCalcModule {
  explicit RecordingModule(const std::string& name = "M") : TAncestorCalcModule(name) {
    OnCalcEvent = [this](TCalcEvent e, TCalcItem* i) { events.push_back({e, i}); };
  }
  int Count(TCalcEvent e) const {
    int n = 0;
    for (const auto& x : events) n += x.first == e;
    return n;
  }
  std::vector<std::pair<TCalcEvent, TCalcItem*>> events;
};

// Restores the process-wide number options after a test changes them.
struct OptionsGuard {
  THXOptions saved = HXOptions();
  ~OptionsGuard() { HXOptions() = saved; }
};

TEST(ParameterText, BothDecimalMarksAreRead) {
  OptionsGuard guard;
  RecordingModule m;
  auto* p = m.AddItem<TInputParameter>("p1", qPressureBar);
  struct Case { char dec, thousands; const char* text; Extended value; };
  const Case cases[] = {
      {'.', ',', "1,5", 1.5L}, {'.', ',', "1.5", 1.5L}, {',', '.', "1.5", 1.5L},
      {',', '.', "1,5", 1.5L}, {'.', ',', " -2.5E-3 ", -0.0025L}, {'.', ',', "7", 7},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    HXOptions().DecimalSeparator = c.dec;
    HXOptions().ThousandSeparator = c.thousands;
    p->SetText(c.text);
    EXPECT_EQ(p->GetValueState(), vsNormal);
    EXPECT_NEAR(p->GetValue(), c.value, 1e-18L);
  }
}

TEST(ParameterText, UnreadableAndEmptyText) {
  RecordingModule m;
  auto* p = m.AddItem<TInputParameter>("p1", qPressureBar);
  for (const char* bad : {"abc", "1.2.3", "1e", "inf", "nan", "0x10", "--1", "1 2"}) {
    SCOPED_TRACE(bad);
    p->SetText(bad);
    EXPECT_EQ(p->GetValueState(), vsFaulty);
    EXPECT_EQ(p->GetValue(), NoValue);
    EXPECT_EQ(p->GetText(), bad);  // the user's text is kept for correction
    EXPECT_EQ(p->GetDisplayText(), "keine Zahl");
  }
  p->SetText("");
  EXPECT_EQ(p->GetValueState(), vsUndefined);
  EXPECT_EQ(p->GetValue(), NoValue);
  EXPECT_EQ(p->GetDisplayText(), "");
}

// A number too large for the range of values (NoValue is 1E4000) is an
// entry all the same: kept as typed, never taken for a missing value, and
// outside the bounds for the calculation.
TEST(ParameterText, NumbersBeyondTheRangeStayAsTyped) {
  RecordingModule m;
  auto* p = m.AddItem<TInputParameter>("qm", qMassFlowrate);
  p->SetCalcUnitNo(TQuantityArray::UnitNoByName(qMassFlowrate, "t/h"));
  struct Case { const char* text; tValueState state; };
  const Case cases[] = {
      {"1e4000", vsInfinity}, {"1E4500", vsInfinity}, {"-1e4000", vsMinusInfinity}, {"9,9e3999", vsInfinity},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    p->SetText(c.text);
    EXPECT_EQ(p->GetValueState(), c.state);
    EXPECT_TRUE(p->TypedBeyondRange());
    EXPECT_EQ(p->GetText(), c.text);
    EXPECT_EQ(p->GetDisplayText(), c.text);
    EXPECT_TRUE(IsNoValue(p->GetCalcValue()));
    EXPECT_FALSE(p->GetInBounds());
  }
  // The state set directly still shows its own text.
  p->SetText("");
  p->SetValueState(vsInfinity);
  EXPECT_FALSE(p->TypedBeyondRange());
  EXPECT_EQ(p->GetDisplayText(), "unendlich");
}

// What a user types into a parameter: a number with an optional unit. A
// unit that cannot be taken is refused before anything changes.
TEST(ParameterEntry, NumberAndUnitAsTyped) {
  RecordingModule m;
  auto* p = m.AddItem<TInputParameter>("p1", qPressureBar);
  struct Case { const char* text; const char* unit; Extended basic; const char* shown; };
  const Case cases[] = {
      {"6,8 bar(a)", "bar(a)", 6.8L, "6,8"},
      {" 5.8  bar(g) ", "bar(g)", 5.8L + 1.01325L, "5.8"},
      {"680 kPa(a)", "kPa(a)", 6.8L, "680"},
      {"7", "kPa(a)", 0.07L, "7"},                 // the unit chosen before
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EnterParameterText(*p, c.text);
    EXPECT_EQ(p->GetCalcUnitName(), c.unit);
    EXPECT_NEAR(p->GetValue(), c.basic, 1e-12L);
    EXPECT_EQ(p->GetText(), c.shown);
    EXPECT_EQ(p->GetInputState(), isUser);
  }
  struct Bad { const char* text; const char* error; };
  const Bad bad[] = {
      {"1.000,5", "[1.000,5] ist keine Zahl"},  // no grouping: neither 1.0005 nor 1000.5
  };
  for (const auto& b : bad) {
    SCOPED_TRACE(b.text);
    try {
      EnterParameterText(*p, b.text);
      ADD_FAILURE() << "taken";
    } catch (const ECalcEntry& e) {
      EXPECT_EQ(std::string(e.what()).rfind(b.error, 0), 0u) << e.what();
    }
    EXPECT_EQ(p->GetText(), "7");
    EXPECT_EQ(p->GetCalcUnitName(), "kPa(a)");
  }
  EnterParameterText(*p, "  ");
  EXPECT_EQ(p->GetValueState(), vsUndefined);
}

TEST(ParameterValue, StateRulesAndEvents) {
  RecordingModule m;
  auto* p = m.AddItem<TInOutParameter>("qm", qMassFlowrate);
  EXPECT_EQ(p->GetValueState(), vsUndefined);
  EXPECT_EQ(p->GetValue(), NoValue);

  p->SetValue(1234.5678901234L);
  EXPECT_EQ(p->GetValueState(), vsNormal);
  EXPECT_EQ(p->GetValue(), 1234.5678901234L);  // the text reads back exactly
  EXPECT_EQ(m.Count(ceValueFieldChange), 1);
  EXPECT_EQ(m.Count(ceBeforeFieldChange), 1);

  // The same number again is no change; one that differs only in the
  // 12th significant digit is (a value never stays behind its inputs).
  p->SetValue(1234.5678901234L);
  EXPECT_EQ(m.Count(ceValueFieldChange), 1);
  p->SetValue(1234.5678901234L * (1 + 3e-12L));
  EXPECT_EQ(m.Count(ceValueFieldChange), 2);
  EXPECT_EQ(p->GetValue(), 1234.5678901234L * (1 + 3e-12L));

  // Zero equals only zero.
  p->SetValue(0);
  p->SetValue(1e-30L);
  EXPECT_EQ(p->GetValue(), 1e-30L);

  p->SetValue(NoValue);
  EXPECT_EQ(p->GetValueState(), vsUndefined);
  EXPECT_EQ(p->GetDisplayText(), "");
  const int before = m.Count(ceValueFieldChange);
  p->SetValue(NoValue);  // unset stays unset without an event
  EXPECT_EQ(m.Count(ceValueFieldChange), before);
}

TEST(ParameterValue, IntegerQuantityRoundsHalfToEven) {
  RecordingModule m;
  auto* n = m.AddItem<TInputParameter>("n", qInteger);
  const std::pair<Extended, Extended> cases[] = {{2.5L, 2}, {3.5L, 4}, {2.4L, 2}, {-2.5L, -2}, {7, 7}};
  for (const auto& [in, out] : cases) {
    n->SetValue(in);
    EXPECT_EQ(n->GetValue(), out) << static_cast<double>(in);
  }
  n->SetText("4.5");
  EXPECT_EQ(n->GetValue(), 4);
}

TEST(ParameterBounds, CalcValueOnlyWithinBounds) {
  RecordingModule m;
  auto* t = m.AddItem<TInputParameter>("t", 0, 100, qTemperature);
  t->SetValue(150);
  EXPECT_FALSE(t->GetInBounds());
  EXPECT_EQ(t->GetCalcValue(), NoValue);
  EXPECT_EQ(t->GetValue(), 150);
  t->SetValue(100);
  EXPECT_TRUE(t->GetInBounds());
  EXPECT_EQ(t->GetCalcValue(), 100);
  t->SetText("x");
  EXPECT_EQ(t->GetCalcValue(), NoValue);

  // Bounds switched off.
  auto* free = m.AddItem<TInputParameter>("f", 5, 5, qNoUnit);
  free->SetValue(-1e30L);
  EXPECT_TRUE(free->GetInBounds());
  EXPECT_EQ(free->GetCalcValue(), -1e30L);

  // Quantity bounds by default: absolute pressure must be positive.
  auto* p = m.AddItem<TInputParameter>("p", qPressureBar);
  p->SetValue(-1);
  EXPECT_EQ(p->GetCalcValue(), NoValue);
  EXPECT_EQ(p->ConvertToUnitString(p->GetUpperBound()), "250000 bar(a)");
  // A value on the lower bound of its quantity is valid: 0 % vapour or
  // pulp, no revolutions, a factor of 0.
  for (TQuantity q : {qPortion, qInteger, qFixedPortion}) {
    auto* zero = m.AddItem<TInputParameter>("zero" + std::to_string(q), q);
    zero->SetText("0");
    EXPECT_EQ(zero->GetCalcValue(), 0) << QuantityRecord(q).Ident;
  }
  auto* x = m.AddItem<TInputParameter>("x", qFixedPortion);
  EXPECT_EQ(x->ConvertToUnitString(x->GetUpperBound()), "1");  // unit "-" left off
}

// Text is a number in the display unit, the value stays in the basic unit
// and a unit change keeps it.
TEST(ParameterText, TextAndDisplayAreInTheChosenUnit) {
  OptionsGuard guard;
  RecordingModule m;
  auto* p = m.AddItem<TInputParameter>("p1", qPressureBar);
  p->SetCalcUnitNo(TQuantityArray::UnitNoByName(qPressureBar, "bar(g)"));
  p->SetText("1");
  EXPECT_NEAR(p->GetValue(), 2.01325L, 1e-15L);  // stored absolute, in bar
  EXPECT_EQ(p->GetText(), "1");
  EXPECT_EQ(p->GetDisplayText(), "1");
  p->SetCalcUnitNo(99);  // unknown unit: ignored
  EXPECT_EQ(p->GetCalcUnitName(), "bar(g)");
  p->SetCalcUnitNo(TQuantityArray::UnitNoByName(qPressureBar, "kPa(a)"));
  EXPECT_NEAR(p->GetValue(), 2.01325L, 1e-15L);
  EXPECT_EQ(p->GetText(), "201.325");  // no conversion noise in the text
  EXPECT_EQ(p->GetDisplayText(), "201.3");
  p->SetCalcUnitNo(0);
  EXPECT_EQ(p->GetDisplayText(), "2.013");
  // SetValue keeps the exact value, whatever the unit's factor.
  p->SetValue(1.0L / 3);
  EXPECT_EQ(p->GetValue(), 1.0L / 3);
  // A text beyond what the unit can convert is not a number.
  auto* t = m.AddItem<TInputParameter>("t", qTemperature);
  t->SetText("1e4999");
  EXPECT_EQ(t->GetValueState(), vsFaulty);

  auto* qm = m.AddItem<TInputParameter>("qm", qMassFlowrate);
  qm->SetValue(123456.7L);
  EXPECT_EQ(qm->GetDisplayText(), "123456.7");  // no integer digit lost
  HXOptions().DecimalSeparator = ',';
  qm->SetValue(0.000012345L);
  EXPECT_EQ(qm->GetDisplayText(), "1,235E-5");
}

TEST(ParameterAssign, ModulesWriteResultsAccordingToFlags) {
  RecordingModule m;
  auto* in = m.AddItem<TInputParameter>("p1", qPressureBar);
  try {
    in->AssignValue(0, 5);
    FAIL() << "an input must not be assigned";
  } catch (const ECompCalcLink& e) {
    EXPECT_STREQ(e.what(), "Fehlerhafte Zuweisung von p1 [M]");
  }

  auto* kv = m.AddItem<TOverruleParameter>("kv", qKvCv);
  kv->AssignValue(0, 10);
  EXPECT_EQ(kv->GetValue(), 10);
  EXPECT_EQ(kv->GetInputState(), isCalculated);

  // The user overrules: later results do not overwrite the value.
  kv->OverruleValue(false, 12);
  EXPECT_EQ(kv->GetInputState(), isUser);
  kv->AssignValue(0, 11);
  EXPECT_EQ(kv->GetValue(), 12);

  // An unused result is not written either.
  auto* out = m.AddItem<TOutputParameter>("fr", qNoUnit);
  out->SetIsUsed(false);
  out->AssignValue(0, 1);
  EXPECT_EQ(out->GetValue(), NoValue);
  EXPECT_FALSE(out->GetCanModify());
  EXPECT_TRUE(kv->GetCanModify());

  // Equal within the given digits: no new event.
  out->SetIsUsed(true);
  out->AssignValue(6, 1);
  const int events = m.Count(ceValueFieldChange);
  out->AssignValue(6, 1.0000000001L);
  EXPECT_EQ(m.Count(ceValueFieldChange), events);

  // A database value replaces even an overruled one, as a database value.
  auto* fl = m.AddItem<TModifyParameter>("FL", qFixedPortion);
  fl->SetOverruled(true);
  fl->AssignValue(0, 0.9L);
  EXPECT_EQ(fl->GetValue(), 0.9L);
  EXPECT_EQ(fl->GetInputState(), isDatabase);
  // ... but not one the user modified.
  fl->SetModified(true);
  fl->AssignValue(0, 0.8L);
  EXPECT_EQ(fl->GetValue(), 0.9L);
}

TEST(ItemLinks, TargetReadsAndWritesThroughItsSource) {
  RecordingModule main("Main"), valve("Valve");
  auto* p1 = main.AddItem<TInputParameter>("p1", qPressureBar);
  auto* vp1 = valve.AddItem<TInputParameter>("p1", qPressureBar);
  vp1->SetValue(3);
  p1->SetValue(8);
  vp1->SetSourceCalcItem(p1);
  EXPECT_TRUE(vp1->GetIsTarget());
  EXPECT_TRUE(p1->GetIsSource());
  EXPECT_EQ(vp1->GetValue(), 8);
  EXPECT_EQ(vp1->GetRootCalcItem(), p1);

  // A change at the source reaches the target's module as its own item.
  valve.events.clear();
  p1->SetText("9");
  ASSERT_EQ(valve.Count(ceValueFieldChange), 1);
  for (const auto& e : valve.events) EXPECT_EQ(e.second, vp1);

  // Writing the target writes the source.
  vp1->SetValue(10);
  EXPECT_EQ(p1->GetValue(), 10);
  vp1->SetEnabled(false);
  EXPECT_FALSE(p1->GetEnabled());
  vp1->SetEnabled(true);

  // Unlinking gives the target back its own value.
  vp1->SetSourceCalcItem(nullptr);
  EXPECT_EQ(vp1->GetValue(), 3);
  EXPECT_EQ(p1->GetValue(), 10);
  EXPECT_FALSE(p1->GetIsSource());
}

TEST(ItemLinks, CircularLinkIsRefusedWithItsText) {
  RecordingModule a("A"), b("B"), c("C");
  auto* x = a.AddItem<TInputParameter>("x", qNoUnit);
  auto* y = b.AddItem<TInputParameter>("y", qNoUnit);
  auto* z = c.AddItem<TInputParameter>("z", qNoUnit);
  y->SetSourceCalcItem(x);
  try {
    x->SetSourceCalcItem(y);
    FAIL() << "circular link accepted";
  } catch (const ECompCalcLink& e) {
    EXPECT_STREQ(e.what(), "Schwerwiegender Fehler: CalcItems x (A) und y (B) haben zirkuläre Verweise");
  }
  EXPECT_FALSE(x->GetIsTarget());  // the link was not made
  // Longer cycles too.
  z->SetSourceCalcItem(y);
  EXPECT_THROW(x->SetSourceCalcItem(z), ECompCalcLink);
  EXPECT_THROW(x->SetSourceCalcItem(x), ECompCalcLink);
}

TEST(ItemLinks, DestroyingAModuleUnlinksItsItems) {
  RecordingModule main("Main");
  auto* p1 = main.AddItem<TInputParameter>("p1", qPressureBar);
  p1->SetValue(4);
  {
    RecordingModule valve("Valve");
    auto* vp1 = valve.AddItem<TInputParameter>("p1", qPressureBar);
    vp1->SetSourceCalcItem(p1);
    EXPECT_TRUE(p1->GetIsSource());
  }
  EXPECT_FALSE(p1->GetIsSource());
  p1->SetValue(5);  // must not touch the destroyed target
  {
    RecordingModule valve("Valve");
    auto* vp1 = valve.AddItem<TInputParameter>("p1", qPressureBar);
    {
      RecordingModule other("Other");
      auto* src = other.AddItem<TInputParameter>("p", qPressureBar);
      vp1->SetSourceCalcItem(src);
    }
    EXPECT_FALSE(vp1->GetIsTarget());
  }
}

TEST(ItemLinks, DataSourcePassesDatabaseValues) {
  RecordingModule db("Db"), valve("Valve");
  auto* fl = db.AddItem<TOutputParameter>("FL", qFixedPortion);
  auto* vfl = valve.AddItem<TModifyParameter>("FL", qFixedPortion);
  fl->SetValue(0.9L);
  vfl->SetDataSourceCalcItem(fl);
  EXPECT_EQ(vfl->GetValue(), 0.9L);
  EXPECT_EQ(vfl->GetInputState(), isDatabase);
  fl->SetValue(0.85L);
  EXPECT_EQ(vfl->GetValue(), 0.85L);
  vfl->SetModified(true);  // the user's own value stays
  vfl->SetValue(0.7L);
  fl->SetValue(0.8L);
  EXPECT_EQ(vfl->GetValue(), 0.7L);
}

TEST(UnitSynchronisation, PressureAndPressureDropFollowEachOther) {
  RecordingModule m;
  auto* p1 = m.AddItem<TInputParameter>("p1", qPressureBar);
  auto* p2 = m.AddItem<TInputParameter>("p2", qPressureBar);
  auto* dp = m.AddItem<TInputParameter>("dp", qPressureDropBar);
  TCalcParameter::SynchronizeUnits(*p1, *p2);
  TCalcParameter::SynchronizeUnits(*p1, *dp);
  TCalcParameter::SynchronizeUnits(*p1, *dp);  // entered once only
  EXPECT_EQ(p1->GetListSynchronizedUnits().size(), 2u);

  p1->SetCalcUnitNo(TQuantityArray::UnitNoByName(qPressureBar, "psi(g)"));
  EXPECT_EQ(p2->GetCalcUnitName(), "psi(g)");
  EXPECT_EQ(dp->GetCalcUnitName(), "psi");

  // A difference unit gives the pressure the absolute unit of that name,
  // unless the pressure already shows that unit (gauge or absolute).
  dp->SetCalcUnitNo(TQuantityArray::UnitNoByName(qPressureDropBar, "kPa"));
  EXPECT_EQ(p1->GetCalcUnitName(), "kPa(a)");
  EXPECT_EQ(p2->GetCalcUnitName(), "kPa(a)");
  p1->ConvertToGaugePressure();
  EXPECT_EQ(p1->GetCalcUnitName(), "kPa(g)");
  EXPECT_EQ(dp->GetCalcUnitName(), "kPa");

  // mbar pressures couple with mbar differences.
  auto* pm = m.AddItem<TInputParameter>("pm", qPressureMBar);
  auto* dpm = m.AddItem<TInputParameter>("dpm", qPressureDropMBar);
  TCalcParameter::SynchronizeUnits(*pm, *dpm);
  pm->SetCalcUnitNo(TQuantityArray::UnitNoByName(qPressureMBar, "Pa(g)"));
  EXPECT_EQ(dpm->GetCalcUnitName(), "Pa");
}

TEST(ItemDisplayState, VisibilityEnablingAndReadOnly) {
  RecordingModule m;
  auto* p = m.AddItem<TInputParameter>("p", qPressureBar);
  auto* r = m.AddItem<TOutputParameter>("r", qPressureBar);
  EXPECT_EQ(p->GetDisplayState(), dsNormal);
  EXPECT_EQ(r->GetDisplayState(), dsReadOnly);
  p->SetDetailLevel(dlHigh);
  EXPECT_EQ(p->GetDisplayState(), dsInvisible);  // module shows the low level only
  m.SetDetailLevel(dlHigh);
  EXPECT_EQ(p->GetDisplayState(), dsNormal);
  p->SetEnabled(false);
  EXPECT_EQ(p->GetDisplayState(), dsDisabled);
  p->SetText("12");
  EXPECT_EQ(p->GetDisplayText(), "12");  // a disabled item shows its plain text
  p->SetUtilized(false);
  EXPECT_EQ(p->GetDisplayState(), dsInvisible);
  p->SetUtilized(true);
  p->SetEnabled(true);
  m.SetReadOnly(true);
  EXPECT_EQ(p->GetDisplayState(), dsReadOnly);
}

TEST(TextItems, RelevantTextRecalculatesPlainTextDoesNot) {
  RecordingModule m;
  auto* author = m.AddItem<tCalcString>("Author");
  auto* medium = m.AddItem<TCalcRelevantString>("Fluidname");
  author->SetText("Meier");
  EXPECT_EQ(m.Count(ceValueFieldChange), 0);
  EXPECT_EQ(m.Count(ceFieldChange), 1);
  medium->SetText("Wasser");
  EXPECT_EQ(m.Count(ceValueFieldChange), 1);
  medium->SetText("Wasser");
  EXPECT_EQ(m.Count(ceValueFieldChange), 1);
  EXPECT_THROW(m.AddItem<tCalcString>("author"), EHXInternal);  // names are not case-sensitive
}

}  // namespace

// A value handed over by a calculation and the same value typed as the text
// it shows end in the same text, state and events: the calculated value only
// skips reading its own text back. The value itself stays exact.
TEST(ParameterValue, CalculatedValuesShowTheTextATypedValueWould) {
  OptionsGuard guard;
  struct Case { Extended value; const char* unit; char decimal; const char* text; };
  const Case cases[] = {
      {2.01325L, "kPa(a)", '.', "201.325"},
      {2.01325L, "bar(g)", '.', "1"},
      {1.0L / 3, "bar(a)", '.', "0.333333333333333"},
      {1.0L / 3, "bar(a)", ',', "0,333333333333333"},
      {123456789012.5L, "bar(a)", '.', "123456789012.5"},
      {1e-30L, "bar(a)", '.', "1e-30"},
      {-7.25e25L, "bar(a)", ',', "-7,25e+25"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    HXOptions().DecimalSeparator = c.decimal;
    RecordingModule m;
    auto* calculated = m.AddItem<TInOutParameter>("p1", qPressureBar);
    auto* typed = m.AddItem<TInOutParameter>("p2", qPressureBar);
    for (auto* p : {calculated, typed}) p->SetCalcUnitNo(TQuantityArray::UnitNoByName(qPressureBar, c.unit));
    calculated->SetValue(c.value);
    EXPECT_EQ(calculated->GetText(), c.text);
    EXPECT_EQ(calculated->GetValue(), c.value);
    typed->SetText(calculated->GetText());
    EXPECT_EQ(typed->GetText(), calculated->GetText());
    EXPECT_EQ(typed->GetValueState(), vsNormal);
    EXPECT_EQ(calculated->GetValueState(), vsNormal);
    EXPECT_EQ(m.Count(ceValueFieldChange), 2);
    EXPECT_EQ(m.Count(ceBeforeFieldChange), 2);
    // The same value again is no change and raises nothing.
    calculated->SetValue(c.value);
    EXPECT_EQ(m.Count(ceValueFieldChange), 2);
  }
}

// The text of a calculated value is the one of the moment it was set: a
// later change of the decimal separator leaves it alone, a change of unit
// shows it in the new unit, and a value close enough to share its text with
// the previous one raises no change.
TEST(ParameterValue, CalculatedTextIsTheTextOfTheMomentItWasSet) {
  OptionsGuard guard;
  RecordingModule m;
  auto* p = m.AddItem<TInOutParameter>("p1", qPressureBar);
  HXOptions().DecimalSeparator = ',';
  p->SetValue(2.5L);
  HXOptions().DecimalSeparator = '.';
  EXPECT_EQ(p->GetText(), "2,5");
  p->SetValue(2.75L);
  EXPECT_EQ(p->GetText(), "2.75");
  p->SetCalcUnitNo(TQuantityArray::UnitNoByName(qPressureBar, "kPa(a)"));
  EXPECT_EQ(p->GetText(), "275");
  HXOptions().SignificantDigits = 20;  // equality to 19 digits: tiny changes pass
  const int before = m.Count(ceValueFieldChange);
  p->SetValue(2.75L * (1 + 1E-17L));  // the same 15-digit text
  EXPECT_EQ(m.Count(ceValueFieldChange), before);
  EXPECT_EQ(p->GetText(), "275");
  p->SetValue(2.75L * (1 + 1E-13L));  // the 14th digit differs
  EXPECT_EQ(m.Count(ceValueFieldChange), before + 1);
  EXPECT_EQ(p->GetText(), "275.000000000028");
}

// Items are found by name whatever the case of its letters, and only by
// their whole name; the module lists its inputs (no results, no switches
// or texts) in creation order, with their kind known without a cast.
TEST(ModuleItems, FoundByWholeNameInAnyCaseAndInputsListed) {
  RecordingModule m;
  auto* p1 = m.AddItem<TInputParameter>("p1", qPressureBar);
  auto* kv = m.AddItem<TInOutParameter>("Kv", qKvCv);
  auto* dp = m.AddItem<TOutputParameter>("dp", qPressureDropBar);
  auto* name = m.AddItem<tCalcString>("FluidName");
  auto* fl = m.AddItem<TModifyParameter>("fl2_75", qFixedPortion);
  auto* what = m.AddItem<tCalcString>("WhatToCalculate[1]");
  struct Lookup { const char* name; TCalcItem* found; };
  const Lookup lookups[] = {
      {"p1", p1},          {"P1", p1},     {"kv", kv},        {"KV", kv},     {"dP", dp},
      {"fluidname", name}, {"FL2_75", fl}, {"p", nullptr},    {"p10", nullptr}, {"p1 ", nullptr},
      {"", nullptr},       {"kvs", nullptr}, {"fl2-75", nullptr},
      {"WHATTOCALCULATE[1]", what}, {"whattocalculate{1}", nullptr}, {"WhatToCalculate[1", nullptr},
  };
  for (const Lookup& l : lookups) {
    SCOPED_TRACE(l.name);
    EXPECT_EQ(m.CalcItemByName(l.name), l.found);
  }
  EXPECT_EQ(m.GetInputParameters(), (std::vector<TCalcParameter*>{p1, kv, fl}));
  EXPECT_EQ(dp->AsParameter(), dp);
  EXPECT_TRUE(dp->IsOutputParameter());
  EXPECT_FALSE(kv->IsOutputParameter());
  EXPECT_EQ(name->AsParameter(), nullptr);
}
