// The message container's order, merging and counting, and the catalogue.
#include <gtest/gtest.h>

#include "framework/calc_module.h"
#include "framework/options.h"
#include "temp_folder.h"

using namespace torvacalc;
using namespace std::string_literals;

namespace {

struct Fixture {
  TCalcMessageContainer container;
  TCalcModule module{"M"};
  TInputParameter* a = module.AddItem<TInputParameter>("a", qNoUnit);
  TInputParameter* b = module.AddItem<TInputParameter>("b", qNoUnit);
  Fixture() { module.SetCalcMessageContainer(&container); }
  template <class M>
  void Raise(TCalcItem* item, const std::string& text, std::int8_t priority = 0) {
    module.CreateMessage<M>({item}, text, priority);
  }
  std::vector<std::string> Texts() const {
    std::vector<std::string> t;
    for (const auto& m : container.Messages()) t.push_back(m->Text);
    return t;
  }
};

TEST(MessageContainer, OrderedByTypeThenPriorityThenArrival) {
  Fixture f;
  f.Raise<tceCalculationError>(f.a, "error 1");
  f.Raise<tCalcHint>(f.a, "hint");
  f.Raise<tceCalculationError>(f.b, "error 2");
  f.Raise<tCalcWarning>(f.a, "warning");  // between the errors and the hint
  EXPECT_EQ(f.Texts(), (std::vector<std::string>{"error 1", "error 2", "warning", "hint"}));
  f.Raise<tCalcHint>(f.b, "urgent hint", 5);
  f.Raise<tCalcFatalWarning>(f.b, "alarm");
  f.Raise<tceOutOfBounds>(f.b, "bounds");
  EXPECT_EQ(f.Texts(), (std::vector<std::string>{"error 1", "error 2", "bounds", "alarm", "warning", "urgent hint",
                                                 "hint"}));
}

TEST(MessageContainer, DuplicatesMergeAndTakeTheHigherPriority) {
  Fixture f;
  f.module.CreateMessage(101, {f.a}, {}, 1);
  f.module.CreateMessage(101, {f.a}, {}, 4);
  f.module.CreateMessage(101, {f.b}, {}, 0);  // another item: another message
  ASSERT_EQ(f.container.GetMessageCount(), 2);
  EXPECT_EQ(f.container.GetMessageOf(f.a)->Priority, 4);
  EXPECT_EQ(f.a->GetXTroubleMaker(), 1);  // merged: counted once
  f.module.RemoveMessages();
  EXPECT_EQ(f.container.GetMessageCount(), 0);
  EXPECT_EQ(f.a->GetXTroubleMaker(), 0);
}

TEST(MessageContainer, FatalWarningWinsAtTheItem) {
  Fixture f;
  f.Raise<tceCalculationError>(f.a, "error");
  f.Raise<tCalcFatalWarning>(f.a, "alarm");
  EXPECT_EQ(f.container.GetMessageTypeOf(f.a), cmFatalWarning);
  EXPECT_EQ(TroubleIconOfType(f.container.GetMessageTypeOf(f.a)), tiFatalWarning);
  EXPECT_EQ(f.container.GetMessageOf(f.a)->Text, "alarm");
  f.Raise<tCalcHint>(f.b, "hint");
  f.Raise<tCalcWarning>(f.b, "warning");
  EXPECT_EQ(f.container.GetMessageTypeOf(f.b), cmWarning);
  EXPECT_EQ(f.container.GetMessageTypeOf(nullptr), cmNoError);
  EXPECT_EQ(TroubleIconOfType(cmOutOfBounds), tiError);
  EXPECT_EQ(TroubleIconOfType(cmNoLink), tiHint);
}

TEST(MessageContainer, InvisibleItemsGetNoMessagesAndViewsReloadOutsideUpdates) {
  Fixture f;
  f.a->SetUtilized(false);
  f.Raise<tCalcWarning>(f.a, "w");
  EXPECT_EQ(f.container.GetMessageCount(), 0);

  struct View : TCalcMessager {
    void Reload() override { ++reloads; }
    void SetHiddenMessages(tsCalcMessageTypes h) override { hidden = h; }
    int reloads = 0;
    tsCalcMessageTypes hidden = 0;
  } view;
  f.container.AddCalcMessager(&view);
  EXPECT_EQ(view.hidden, MessageTypeBit(cmNoLink));
  f.container.SetHiddenMessages(MessageTypeBit(cmHint) | MessageTypeBit(cmCorrect));
  EXPECT_EQ(view.hidden, MessageTypeBit(cmHint) | MessageTypeBit(cmCorrect));
  f.container.BeginUpdate();
  f.module.RemoveMessages();
  EXPECT_EQ(view.reloads, 0);
  f.container.EndUpdate(true);
  EXPECT_EQ(view.reloads, 1);
  f.container.RemoveCalcMessager(&view);
}

TEST(MessageCatalogue, TextsTypesAndLanguages) {
  Fixture f;
  TDataModuleMessages::Instance().LoadDefault();
  f.a->SetText("x");
  f.module.CreateMessage(120, {f.a}, {"0 bar"s, "10 bar"s});
  const TCalcMessage* m = f.container.GetMessageOf(f.a);
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(m->MessageType, cmOutOfBounds);
  EXPECT_NE(dynamic_cast<const tceOutOfBounds*>(m), nullptr);
  EXPECT_EQ(m->Text, "Der Wert liegt außerhalb des zulässigen Bereichs von 0 bar bis 10 bar.");
  EXPECT_EQ(m->HelpNo, 120);

  const std::string saved = HXOptions().Language;
  HXOptions().Language = "en";
  f.module.CreateMessage(101, {f.b});
  EXPECT_EQ(f.container.GetMessageOf(f.b)->Text, "Input missing.");
  HXOptions().Language = saved;

  // A number the catalogue lacks still makes an error message.
  f.module.CreateMessage(99999, {});
  const auto& last = f.container.Messages().front();
  EXPECT_EQ(last->Text, "<<< Die Meldung Nr. 99999 ist unbekannt >>>");
  EXPECT_EQ(last->MessageType, cmCalculationError);
  EXPECT_EQ(last->CalcItem, nullptr);
  EXPECT_EQ(last->ModulNo, -1);
}

// A message raised again on every recalculation shows the numbers, the
// language and the decimal separator in force when it is raised, not those
// of an earlier raise of the same message.
TEST(MessageCatalogue, RaisedAgainTheTextFollowsArgumentsLanguageAndSeparator) {
  Fixture f;
  TDataModuleMessages::Instance().LoadDefault();
  f.a->SetText("x");
  const std::string savedLanguage = HXOptions().Language;
  const char savedSeparator = HXOptions().DecimalSeparator;
  const auto raise = [&](std::vector<TMessageArg> args) {
    f.module.RemoveMessages();
    f.module.CreateMessage(120, {f.a}, args);
    return f.container.GetMessageOf(f.a)->Text;
  };
  struct Case { const char* what; char separator; std::vector<TMessageArg> args; std::string bounds; };
  const Case cases[] = {
      {"first", '.', {"0 bar"s, "10 bar"s}, "0 bar bis 10 bar."},
      {"same again", '.', {"0 bar"s, "10 bar"s}, "0 bar bis 10 bar."},
      {"other bounds", '.', {"1 bar"s, "2 bar"s}, "1 bar bis 2 bar."},
      {"a number", '.', {Extended(1.5L), "2 bar"s}, "1.5 bis 2 bar."},
      {"decimal comma", ',', {Extended(1.5L), "2 bar"s}, "1,5 bis 2 bar."},
  };
  HXOptions().Language = "de";
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    HXOptions().DecimalSeparator = c.separator;
    EXPECT_EQ(raise(c.args), "Der Wert liegt außerhalb des zulässigen Bereichs von " + c.bounds);
  }
  HXOptions().DecimalSeparator = '.';
  HXOptions().Language = "en";
  const std::string english = raise({"0 bar"s, "10 bar"s});
  EXPECT_EQ(english.find("Der Wert"), std::string::npos);
  EXPECT_NE(english.find("0 bar"), std::string::npos);
  HXOptions().Language = savedLanguage;
  HXOptions().DecimalSeparator = savedSeparator;
}

class MessageCatalogueFile : public TempFolderTest {};

TEST_F(MessageCatalogueFile, MissingOrDamagedCatalogueNeverStopsACalculation) {
  Write("HYDRIXMessages.CDS", "this is not a database");
  auto& catalogue = TDataModuleMessages::Instance();
  EXPECT_FALSE(catalogue.Load(Path("HYDRIXMessages.CDS")));
  EXPECT_FALSE(catalogue.LastError().empty());
  EXPECT_EQ(catalogue.Count(), 0u);
  EXPECT_FALSE(catalogue.Load(Path("missing.CDS")));
  Fixture f;
  f.module.CreateMessage(101, {f.a});
  EXPECT_EQ(f.container.GetMessageOf(f.a)->Text, "<<< Die Meldung Nr. 101 ist unbekannt >>>");
  EXPECT_TRUE(catalogue.LoadDefault());
  EXPECT_GE(catalogue.Count(), 10u);
}

TEST(MessageText, PlaceholdersAreFilled) {
  EXPECT_EQ(FormatMessageText("%s bis %s", {"1 bar"s, "2 bar"s}), "1 bar bis 2 bar");
  EXPECT_EQ(FormatMessageText("Nr. %d", {Extended(12.0L)}), "Nr. 12");
  EXPECT_EQ(FormatMessageText("%.2f %%", {Extended(12.345L)}), "12.35 %");  // 12.345 rounds half-even in binary
  EXPECT_EQ(FormatMessageText("%s", {Extended(1234567.0L)}), "1.235E6");
  EXPECT_EQ(FormatMessageText("%s und %s", {"a"s}), "a und %s");
}

TEST(CheckParameters, MissingOutOfBoundsAndApproximatedInputs) {
  Fixture f;
  auto* unused = f.module.AddItem<TInputParameter>("unused", qNoUnit);
  unused->SetIsUsed(false);
  auto* p = f.module.AddItem<TInputParameter>("p", 0, 10, qPressureBar);
  auto* approx = f.module.AddItem<TModifyParameter>("fl", qFixedPortion);
  approx->AssignApproximatedValue(0, 0.9L);
  auto* disabled = f.module.AddItem<TInputParameter>("off", qNoUnit);
  disabled->SetReadOnly(true);

  EXPECT_TRUE(f.module.CheckParameters({unused}));     // not used: nothing to say
  EXPECT_TRUE(f.module.CheckParameters({disabled}));   // empty but not modifiable
  EXPECT_FALSE(f.module.CheckParameters({p}));         // used, empty, modifiable: 101
  EXPECT_EQ(f.container.GetMessageOf(p)->MsgNo, 101);
  p->SetValue(12);
  f.module.RemoveMessages();
  EXPECT_FALSE(f.module.CheckParameters({p}));
  EXPECT_EQ(f.container.GetMessageOf(p)->MsgNo, 120);
  EXPECT_NE(f.container.GetMessageOf(p)->Text.find("0 bar(a) bis 10 bar(a)"), std::string::npos);
  f.module.RemoveMessages();
  EXPECT_FALSE(f.module.CheckParameters({approx}));
  EXPECT_EQ(f.container.GetMessageOf(approx)->MsgNo, 102);

  // A result that is used but could not be computed: 103.
  auto* out = f.module.AddItem<TOutputParameter>("kv", qKvCv);
  f.module.CalculationFails({out});
  EXPECT_EQ(f.container.GetMessageOf(out)->MsgNo, 103);
}

// Raises message `no` at `item` straight through the container, as a
// module does, with a chosen severity, so that a merge can raise it.
void AddTyped(TCalcMessageContainer& c, TCalcModule& m, TCalcItem* item, int typeNo, tCalcMessageType type,
              int no) {
  auto msg = c.NewMessage(typeNo);
  msg->MsgNo = no;
  msg->MessageType = type;
  msg->CalcModule = &m;
  msg->CalcItem = item;
  msg->CalcItems = {item};
  msg->Troublemakers = {item};
  msg->Text = "a text long enough to live on the heap of the message";
  msg->Priority = 3;
  c.AddCalcMessage(msg);
}

// Messages removed by one calculation are reused by the next: a reused
// message must come back as new, of the class asked for, whatever a merge
// made of it before.
TEST(MessageContainer, ReusedMessagesStartAsNew) {
  // type: the class's own severity.
  struct Case { const char* what; int typeNo; tCalcMessageType type; const char* className; };
  const Case cases[] = {
      {"calculation error", 0, cmCalculationError, "tceCalculationError"},
      {"out of bounds", 1, cmOutOfBounds, "tceOutOfBounds"},
      {"alarm", 2, cmFatalWarning, "tCalcFatalWarning"},
      {"missing input", 3, cmMissingParameter, "tceMissingParameter"},
      {"warning", 4, cmWarning, "tCalcWarning"},
      {"hint", 5, cmHint, "tCalcHint"},
      {"confirmation", 6, cmCorrect, "tCalcCorrect"},
      {"not in the catalogue", 17, cmCalculationError, "TCalcMessage"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Fixture f;
    AddTyped(f.container, f.module, f.a, c.typeNo, c.type, 900);
    // The same number at the same item merges and takes the more severe type.
    AddTyped(f.container, f.module, f.a, c.typeNo, cmCalculationError, 900);
    ASSERT_EQ(f.container.GetMessageCount(), 1);
    EXPECT_EQ(f.container.Messages()[0]->MessageType, cmCalculationError);
    f.container.RemoveAllMessages();
    EXPECT_EQ(f.a->GetXTroubleMaker(), 0);
    for (int round = 0; round < 3; ++round) {
      auto msg = f.container.NewMessage(c.typeNo);
      EXPECT_STREQ(msg->ClassName(), c.className);
      EXPECT_EQ(msg->MessageType, c.type);
      EXPECT_EQ(msg->MsgNo, -1);
      EXPECT_TRUE(msg->Text.empty());
      EXPECT_TRUE(msg->CalcItems.empty());
      EXPECT_TRUE(msg->Troublemakers.empty());
      EXPECT_EQ(msg->CalcModule, nullptr);
      EXPECT_EQ(msg->CalcItem, nullptr);
      EXPECT_EQ(msg->Priority, 0);
      EXPECT_EQ(msg->ModulNo, -1);
      EXPECT_EQ(msg->HelpNo, -1);
    }
  }
}

// A recalculation raises its messages again: the texts, items and order
// are those of the first calculation, however often it runs.
TEST(MessageContainer, RaisingAgainGivesTheSameMessages) {
  Fixture f;
  auto raise = [&] {
    f.module.RemoveMessages();
    f.module.CreateMessage(101, {f.a, f.b});
    f.module.CreateMessage(120, {f.b}, {"1"s, "2"s});
    f.module.CreateMessage<tCalcHint>({f.a}, "own hint");
  };
  raise();
  struct Seen { int no; std::string text; tCalcMessageType type; std::vector<TCalcItem*> items; };
  auto seen = [&] {
    std::vector<Seen> s;
    for (const auto& m : f.container.Messages()) s.push_back({m->MsgNo, m->Text, m->MessageType, m->CalcItems});
    return s;
  };
  const std::vector<Seen> first = seen();
  ASSERT_EQ(first.size(), 3u);
  for (int round = 0; round < 5; ++round) {
    SCOPED_TRACE(round);
    raise();
    const std::vector<Seen> again = seen();
    ASSERT_EQ(again.size(), first.size());
    for (size_t i = 0; i < first.size(); ++i) {
      EXPECT_EQ(again[i].no, first[i].no);
      EXPECT_EQ(again[i].text, first[i].text);
      EXPECT_EQ(again[i].type, first[i].type);
      EXPECT_EQ(again[i].items, first[i].items);
    }
    EXPECT_EQ(f.a->GetXTroubleMaker(), 2);
    EXPECT_EQ(f.b->GetXTroubleMaker(), 1);
  }
}

}  // namespace
