// Connectors and calculation sources.
#include <gtest/gtest.h>

#include "framework/calc_connector.h"

using namespace torvacalc;

namespace {

TEST(Connections, EntriesSplitAtTheFirstBar) {
  EXPECT_EQ(TConnectionItem("p1|p1Ap2").GetSourceName(), "p1");
  EXPECT_EQ(TConnectionItem("p1|p1Ap2").GetTargetName(), "p1Ap2");
  EXPECT_EQ(TConnectionItem("a|b|c").GetTargetName(), "b|c");
  EXPECT_EQ(TConnectionItem("nobar").GetSourceName(), "");
  EXPECT_EQ(TConnectionItem("nobar").GetTargetName(), "");
  TConnections list;
  EXPECT_EQ(list.AddConnection("a|b"), 0);
  EXPECT_EQ(list.AddConnection("a|b"), -1);
  EXPECT_EQ(list.AddConnection("c|d"), 1);
  EXPECT_EQ(list.Count(), 2u);
}

struct Pair {
  TCalcModule a{"A"}, b{"B"};
  TCalcSource sa, sb;
  TCalcConnector c{nullptr, "C"};
  Pair() {
    sa.SetCalcModule(&a);
    sb.SetCalcModule(&b);
    c.SetCalcSource(&sa);
    c.SetCalcTarget(&sb);
  }
};

TEST(Connector, LinksOnActivationAndUnlinksOnDeactivation) {
  Pair p;
  auto* x = p.a.AddItem<TInputParameter>("x", qNoUnit);
  auto* y = p.b.AddItem<TInputParameter>("y", qNoUnit);
  auto* r = p.b.AddItem<TOutputParameter>("r", qNoUnit);
  auto* ra = p.a.AddItem<TOutputParameter>("r", qNoUnit);
  p.c.InConnections.AddConnection("x|y");
  p.c.OutConnections.AddConnection("r|r");
  x->SetValue(3);
  y->SetValue(1);
  p.c.SetActive(true);
  EXPECT_EQ(y->GetSourceCalcItem(), x);
  EXPECT_EQ(y->GetValue(), 3);
  EXPECT_EQ(ra->GetSourceCalcItem(), r);  // Out: the source module reads the result
  EXPECT_TRUE(p.c.IsAttached(x));
  EXPECT_FALSE(p.c.IsAttached(nullptr));
  p.c.SetActive(false);
  EXPECT_EQ(y->GetSourceCalcItem(), nullptr);
  EXPECT_EQ(y->GetValue(), 1);
  EXPECT_EQ(ra->GetSourceCalcItem(), nullptr);
  // Adding to an active connector relinks at once.
  p.c.SetActive(true);
  p.b.AddItem<TInputParameter>("z", qNoUnit);
  p.a.AddItem<TInputParameter>("w", qNoUnit);
  p.c.InConnections.AddConnection("w|z");
  EXPECT_EQ(p.b.CalcItemByName("z")->GetSourceCalcItem(), p.a.CalcItemByName("w"));
  // Disabled connectors do not link.
  p.c.SetEnabled(false);
  EXPECT_EQ(y->GetSourceCalcItem(), nullptr);
  // A source now in another module links that module's items of the names.
  p.c.SetEnabled(true);
  p.c.SetActive(false);
  TCalcModule other{"O"};
  for (const char* n : {"r", "w"}) other.AddItem<TInputParameter>(n, qNoUnit);
  auto* x2 = other.AddItem<TInputParameter>("x", qNoUnit);
  p.sa.SetCalcModule(&other);
  p.c.SetActive(true);
  EXPECT_EQ(y->GetSourceCalcItem(), x2);
  p.c.SetActive(false);
  EXPECT_EQ(y->GetSourceCalcItem(), nullptr);
}

TEST(Connector, CircularConnectionsAreRefused) {
  Pair p;
  p.a.AddItem<TInputParameter>("x", qNoUnit);
  p.b.AddItem<TInputParameter>("y", qNoUnit);
  p.c.InConnections.AddConnection("x|y");
  p.c.OutConnections.AddConnection("y|x");
  try {
    p.c.SetActive(true);
    FAIL() << "circle accepted";
  } catch (const ECompCalcLink& e) {
    // The message walks the circle from the reading item round to it again.
    EXPECT_STREQ(e.what(), "Schwerwiegender Fehler: CalcConnector C hat zirkuläre Verweise: (x [A], y [B], x [A])");
  }
  EXPECT_FALSE(p.c.GetActive());
  EXPECT_EQ(p.b.CalcItemByName("y")->GetSourceCalcItem(), nullptr);
}

TEST(Connector, UnknownItemNameIsAProgrammingError) {
  Pair p;
  p.c.InConnections.AddConnection("nothing|here");
  EXPECT_THROW(p.c.SetActive(true), EHXInternal);
  EXPECT_FALSE(p.c.GetActive());
}

TEST(Connector, DataPumpPassesDatabaseValues) {
  Pair p;
  auto* db = p.a.AddItem<TOutputParameter>("FL", qFixedPortion);
  auto* fl = p.b.AddItem<TModifyParameter>("FL", qFixedPortion);
  p.c.InDataPump.AddConnection("FL|FL");
  db->SetValue(0.9L);
  p.c.SetActive(true);
  EXPECT_EQ(fl->GetValue(), 0.9L);
  EXPECT_EQ(fl->GetInputState(), isDatabase);
  EXPECT_FALSE(fl->GetIsTarget());  // a data link copies; the user may still modify
}

TEST(Connector, EventsOfAttachedItemsOnly) {
  Pair p;
  auto* x = p.a.AddItem<TInputParameter>("x", qNoUnit);
  auto* other = p.a.AddItem<TInputParameter>("other", qNoUnit);
  p.b.AddItem<TInputParameter>("y", qNoUnit);
  p.c.InConnections.AddConnection("x|y");
  int changes = 0;
  p.c.OnDataChange = [&](TCalcConnector&, TCalcItem*) { ++changes; };
  p.c.SetActive(true);
  x->SetValue(1);
  EXPECT_GE(changes, 1);
  const int before = changes;
  other->SetValue(1);
  EXPECT_EQ(changes, before);
  // Connectors that come, go, gain an item while on or a handler later are
  // heard in the order they came.
  p.b.AddItem<TInputParameter>("z", qNoUnit);
  p.b.AddItem<TInputParameter>("w", qNoUnit);
  p.c.InConnections.AddConnection("other|z");
  std::string order;
  p.c.OnDataChange = [&](TCalcConnector&, TCalcItem*) { order += 'C'; };
  auto d = std::make_unique<TCalcConnector>(nullptr, "D");
  d->SetCalcTarget(&p.sb);
  d->SetCalcSource(&p.sa);
  d->InConnections.AddConnection("other|w");
  d->SetActive(true);
  d->OnDataChange = [&](TCalcConnector&, TCalcItem*) { order += 'D'; };
  other->SetValue(2);
  d.reset();
  order += '|';
  other->SetValue(3);
  EXPECT_EQ(order, "CDCDD|CC");
}

TEST(CalcSource, ViewsHearNothingDuringAnUpdateAndEachItemOnceAfter) {
  TCalcModule m("M");
  TCalcSource s;
  s.SetCalcModule(&m);
  auto* x = m.AddItem<TInputParameter>("x", qNoUnit);
  auto* y = m.AddItem<TInputParameter>("y", qNoUnit);
  struct Link : TFieldCalcLink {
    std::vector<std::pair<TCalcEvent, TCalcItem*>> got;
    void CalcEvent(TCalcEvent e, TCalcItem* i) override { got.push_back({e, i}); }
  } link;
  s.AddCalcLink(&link);
  int before = 0, after = 0;
  s.OnBeforeDataChange = [&](TCalcSource&, TCalcItem*) { ++before; };
  s.OnAfterDataChange = [&](TCalcSource&, TCalcItem*) { ++after; };

  m.BeginUpdate();
  x->SetValue(1);
  x->SetValue(2);
  y->SetValue(3);
  x->SetEnabled(false);
  EXPECT_TRUE(link.got.empty());
  EXPECT_GE(after, 3);  // handlers fire at once
  EXPECT_EQ(before, 3);
  m.EndUpdate(true);
  int xData = 0, yData = 0, xState = 0;
  for (auto& [e, i] : link.got) {
    xData += e == ceFieldChange && i == x;
    yData += e == ceFieldChange && i == y;
    xState += e == ceUpdateState && i == x;
  }
  EXPECT_EQ(xData, 1);
  EXPECT_EQ(yData, 1);
  EXPECT_EQ(xState, 1);
  link.got.clear();
  y->SetValue(4);  // outside an update: at once
  EXPECT_FALSE(link.got.empty());
  s.RemoveCalcLink(&link);
}

}  // namespace
