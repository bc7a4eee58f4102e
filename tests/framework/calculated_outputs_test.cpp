// Results written by a module's calculation: inside the calculation's own
// update bracket a result is stored without a bracket of its own, and the
// views must still learn of exactly the changes they learnt of before: one
// "before" and one "after" event per changed result, none for a result
// written with its value again, the text of the new value, the database
// targets of a result refreshed, nothing lost when the result is linked.
#include <gtest/gtest.h>

#include <map>
#include <utility>
#include <vector>

#include "framework/calc_module.h"

namespace torvacalc {
namespace {

// y = a * x, and an integer count n = round(x); `writes` is how often the
// calculation writes y per pass (a module re-assigns its results).
class TCMScale : public TCalcModule {
 public:
  using TCalcModule::TCalcModule;
  TInputParameter* x = AddItem<TInputParameter>("x", qNoUnit);
  TInputParameter* a = AddItem<TInputParameter>("a", qNoUnit);
  TOutputParameter* y = AddItem<TOutputParameter>("y", qNoUnit);
  TOutputParameter* n = AddItem<TOutputParameter>("n", qInteger);
  TOverruleParameter* z = AddItem<TOverruleParameter>("z", qNoUnit);
  int writes = 3;

 protected:
  void DoCalculate() override {
    const Extended X = x->GetCalcValue(), A = a->GetCalcValue();
    const Extended Y = Available(X, A) ? X * A : NoValue;
    for (int i = 0; i < writes; ++i) y->AssignValue(0, Y);
    n->AssignValue(0, HasValue(X) ? X : NoValue);
    z->AssignValue(0, HasValue(Y) ? 2 * Y : NoValue);
  }
};

struct TEventLog {
  std::map<std::pair<TCalcEvent, const TCalcItem*>, int> counts;
  int Of(TCalcEvent e, const TCalcItem* i) const {
    const auto it = counts.find({e, i});
    return it == counts.end() ? 0 : it->second;
  }
};

TEST(CalculatedOutputs, OneBeforeAndOneAfterEventPerChangedResultAndNoneForAnUnchangedOne) {
  TCMScale m(nullptr, "scale");
  m.x->SetValue(2);
  m.a->SetValue(3);
  m.SetActive(true);
  EXPECT_EQ(m.y->GetValue(), 6);
  EXPECT_EQ(m.y->GetInputState(), isCalculated);
  TEventLog log;
  m.OnCalcEvent = [&](TCalcEvent e, TCalcItem* i) { ++log.counts[{e, i}]; };

  // yEvents, nEvents: the events of each kind at y and n.
  struct Step { const char* what; TCalcParameter* input; Extended value; int yEvents, nEvents; Extended y; };
  const Step steps[] = {
      {"a changes y only", m.a, 4, 1, 0, 8},
      {"the same a again: no calculation, no events", m.a, 4, 0, 0, 8},
      {"x changes y and n", m.x, 2.6L, 1, 1, 2.6L * 4},
      {"x within the digits kept: nothing changes", m.x, 2.6L * (1 + 1E-17L), 0, 0, 2.6L * 4},
      {"x missing: y and n become missing", m.x, NoValue, 1, 1, NoValue},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.what);
    log.counts.clear();
    s.input->SetValue(s.value);
    for (TCalcEvent e : {ceBeforeFieldChange, ceValueFieldChange}) {
      EXPECT_EQ(log.Of(e, m.y), s.yEvents) << "event " << int(e);
      EXPECT_EQ(log.Of(e, m.n), s.nEvents) << "event " << int(e);
    }
    EXPECT_EQ(m.y->GetValue(), s.y);
    EXPECT_EQ(m.GetUpdateCounter(), 0);
  }
}

TEST(CalculatedOutputs, StoredResultsShowTheirValueAndIntegersStayRounded) {
  TCMScale m(nullptr, "scale");
  m.x->SetValue(2.4L);
  m.a->SetValue(1.5L);
  m.SetActive(true);
  m.x->SetValue(3.6L);
  EXPECT_EQ(m.y->GetText(), "5.4");
  EXPECT_EQ(m.y->GetValue(), 3.6L * 1.5L);  // exact, not read back from the text
  EXPECT_EQ(m.n->GetValue(), 4);
  EXPECT_EQ(m.n->GetText(), "4");
  // An integer result written with an unrounded value equal to what it
  // holds once rounded changes nothing.
  m.x->SetValue(3.9L);
  EXPECT_EQ(m.n->GetValue(), 4);
}

TEST(CalculatedOutputs, OverruledAndLinkedResultsAreHandledAsBefore) {
  TCMScale m(nullptr, "scale");
  m.x->SetValue(2);
  m.a->SetValue(3);
  m.SetActive(true);
  EXPECT_EQ(m.z->GetValue(), 12);
  // Overruled by the user: the calculation no longer writes it.
  m.z->OverruleValue(false, 5);
  m.a->SetValue(4);
  EXPECT_EQ(m.z->GetValue(), 5);
  EXPECT_EQ(m.y->GetValue(), 8);

  // A result read through a link in another module: the change reaches it,
  // with its events, while the calculation is running.
  TCMScale reader(nullptr, "reader");
  TEventLog log;
  reader.OnCalcEvent = [&](TCalcEvent e, TCalcItem* i) { ++log.counts[{e, i}]; };
  reader.y->SetSourceCalcItem(m.y);
  log.counts.clear();
  m.a->SetValue(5);
  EXPECT_EQ(reader.y->GetValue(), 10);
  EXPECT_EQ(log.Of(ceValueFieldChange, reader.y), 1);
  EXPECT_EQ(log.Of(ceBeforeFieldChange, reader.y), 1);
}

TEST(CalculatedOutputs, DatabaseTargetsOfAResultFollowIt) {
  TCMScale m(nullptr, "scale");
  TCMScale other(nullptr, "other");
  m.x->SetValue(2);
  m.a->SetValue(3);
  m.SetActive(true);
  other.a->SetDataSourceCalcItem(m.y);
  EXPECT_EQ(other.a->GetValue(), 6);
  m.a->SetValue(7);
  EXPECT_EQ(other.a->GetValue(), 14);
  EXPECT_EQ(other.a->GetInputState(), isDatabase);
}

}  // namespace
}  // namespace torvacalc
