// One open calculation as every front end uses it: the one entry rule, the
// same whether a value is typed into a cell (Enter) or comes from a case
// file or command line (EnterAll), and the point each message concerns.
#include <gtest/gtest.h>

#include "workspace/torva_workspace.h"

namespace torvacalc {
namespace {

// Entries into the inlet pressure of point 2, as a user writes them.
struct EntryCase {
  const char* text;
  bool taken;
  Extended bar;            // the value taken, bar(a); NoValue for none
  const char* refusedFor;  // a word the refusal names
};
const EntryCase kEntries[] = {
    {"6.8 bar(a)", true, 6.8L, ""},
    {"6,8 bar(a)", true, 6.8L, ""},  // either decimal mark
    {"680 kPa(a)", true, 6.8L, ""},
    {"5.8 bar(g)", true, 5.8L + 1.01325L, ""},
    {"", true, NoValue, ""},  // the entry handed back to the calculation
    // A number outside the bounds is kept and reported, not lost.
    {"-5 bar(a)", true, -5, ""},
    // Ambiguous by a whole atmosphere: which one is meant must be said.
    {"5.5 bar", false, NoValue, "bar(g)"},
    {"sixty bar(a)", false, NoValue, "sixty"},
    {"1.000,5 bar(a)", false, NoValue, "1.000,5"},  // no grouping
    {"7 kg/h", false, NoValue, "kg/h"},
    {"7 furlong", false, NoValue, "furlong"},
};

TEST(WorkspaceEntry, CellsAndCaseFilesTakeAndRefuseTheSameEntries) {
  for (const EntryCase& c : kEntries) {
    SCOPED_TRACE(c.text);
    TTorvaWorkspace typed, batch;
    ASSERT_TRUE(typed.Enter("P1", 1, "4 bar(a)").Applied);
    const size_t history = typed.Super().GetHistoryCount();
    const TInputResult r = typed.Enter("P1", 1, c.text);
    EXPECT_EQ(r.Applied, c.taken) << r.Error;
    std::string refused;
    try {
      batch.EnterAll({"P1Ap2 = 4 bar(a)", std::string("P1Ap2 = ") + c.text});
    } catch (const ECalcEntry& e) {
      refused = e.what();
    }
    EXPECT_EQ(refused.empty(), c.taken) << refused;
    if (!c.taken) {
      // Refused: why, naming what was wrong; nothing changed, no undo step.
      EXPECT_NE(r.Error.find(c.refusedFor), std::string::npos) << r.Error;
      EXPECT_NE(refused.find("P1Ap2"), std::string::npos) << refused;
      EXPECT_EQ(typed.Super().GetHistoryCount(), history);
      EXPECT_NEAR(static_cast<double>(typed.Item("P1", 1)->AsParameter()->GetValue()), 4.0, 1e-12);
      continue;
    }
    for (TWorkspace* w : {static_cast<TWorkspace*>(&typed), static_cast<TWorkspace*>(&batch)}) {
      const Extended v = w->Item("P1", 1)->AsParameter()->GetValue();
      if (IsNoValue(c.bar))
        EXPECT_TRUE(IsNoValue(v));
      else
        EXPECT_NEAR(static_cast<double>(v), static_cast<double>(c.bar), 1e-12);
    }
    // Point 1 keeps its own value.
    EXPECT_EQ(typed.Item("P1", 0)->GetDisplayText(), batch.Item("P1", 0)->GetDisplayText());
  }
}

TEST(WorkspaceEntry, UnitTypedWithTheNumberBecomesTheUnitOfTheRow) {
  TTorvaWorkspace w;
  ASSERT_TRUE(w.Enter("T1", 2, "350 K").Applied);
  for (int point = 0; point < w.OperatingPointCount(); ++point)
    EXPECT_EQ(ShownParameter(*w.Item("T1", point)->AsParameter()).GetCalcUnitName(), "K") << point;
  EXPECT_FALSE(w.Enter("NoSuchItem", 0, "1").Applied);
}

TEST(WorkspaceMessages, MessagesNameThePointTheyConcern) {
  TTorvaWorkspace w;
  // An outlet pressure above the inlet pressure at point 3 only.
  w.EnterAll({"FluidName = Wasser", "Phase = Flüssig", "ValveType = Durchgangsventil", "DNV = 50", "kvs = 40",
              "T1 = 20 °C", "T1Ap2 = 20 °C", "T1Ap3 = 20 °C", "P1 = 6 bar(a)", "P1Ap2 = 6 bar(a)",
              "P1Ap3 = 6 bar(a)", "p2 = 4 bar(a)", "p2Ap2 = 4 bar(a)", "p2Ap3 = 8 bar(a)", "Qm = 10 t/h",
              "QmAp2 = 10 t/h", "QmAp3 = 10 t/h"});
  bool atThree = false;
  for (const auto& m : w.Messages().Messages()) {
    const int point = w.MessagePoint(*m);
    EXPECT_GE(point, -1);
    EXPECT_LT(point, w.OperatingPointCount());
    if (m->MsgNo == 903 || m->MsgNo == 904) {
      EXPECT_EQ(point, 2) << m->Text;
      atThree = true;
    }
  }
  EXPECT_TRUE(atThree);
}

}  // namespace
}  // namespace torvacalc
