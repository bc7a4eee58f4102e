// Template expressions over calculation files.
#include <gtest/gtest.h>

#include "output/calc_file_builder.h"
#include "output/hx_expression_parser.h"

using namespace torvacalc;

namespace {

struct ExprCase { const char* expr; const char* text; };

std::string Eval(THXExpressionParser& p, const char* expr) {
  const TExprValue v = p.ParseStr(expr);
  EXPECT_EQ(p.ErrorPos(), 0) << expr << ": " << p.ErrorMessage();
  return v.AsText();
}

class HXExpressions : public ::testing::Test {
 protected:
  void SetUp() override {
    FillValveCalculation(source_, "/plant/unit7/liquid.cvc");
    FillValveCalculation(dest_, "/plant/copy/other.cvc", 120);
    AddAddParam(source_, "Project", "THXAddDataInt", "Projekt", "Anlage 7");
    AddAddParam(source_, "Blank", "THXAddDataInt", "Leer", "   ");
    TBixBinaryTag& ref = AddAddParam(source_, "Flow", "THXAddDataParameter", "Durchfluss", "");
    source_.AddStrAttr(ref, "Data", "qm");
  }
  THXFile source_, dest_;
};

// Values in the display unit and in SI: 347544 kg/h shown in t/h and as
// 96.54 kg/s, 6.8 bar as 680000 Pa, 90 degC as 363.15 K.
TEST_F(HXExpressions, ParameterAttributesReadTheStoredTags) {
  const ExprCase cases[] = {
      {"qm.value", "347.544"},   {"qm.sivalue", "96.54"},  {"p1.sivalue", "680000"}, {"t1.sivalue", "363.15"},
      {"qm.unit", "2"},          {"qm.quantity", "9"},     {"param(qm, value)", "347.544"},
      {"param(\"QM\", \"Value\")", "347.544"},             {"Param(p1, VALUE) * 2", "13.6"},
      {"SourceCalc.kv.value > 164.92 and SourceCalc.kv.value < 164.93", "True"},
      {"DestCalc.kv.value", "120"}, {"SourceCalc.kv.value = DestCalc.kv.value", "False"},
      {"kv.iscalculated and not kv.isinput and not kv.isdatabase", "True"},
      {"qm.isinput", "True"},    {"t1.isdatabase", "True"}, {"kv.overwritten", "False"},
      {"kv.canbeoverwritten", "True"},                     {"kv.note", "Kavitation prüfen\nHersteller fragen"},
      {"kv.hasnote and not kv.hascomment", "True"},        {"qm.hasnote", "False"},
      {"Phase.checked", "True"}, {"ViscosityNorm.checked", "False"}, {"LineSize.checked", "True"},
      {"kv.calcmessage", "Starke Kavitation: Verschleiß und Geräusch sind zu erwarten."},
      {"kv.troubletype < 8", "True"},
      {"kv.value.extra", "164.9214832948513"},  // names after name.attribute are ignored
      {"nosuch.value", ""},      {"qm.nosuchattribute", ""},
      {"xt.value", ""},                           // not set: no value, not 1E4000
      {"addparam(Project)", "Anlage 7"},
      {"addparam(Flow)", "347.5"},                // a reference shows the item's text
      {"hasvalue(Project)", "True"}, {"hasvalue(Blank)", "False"}, {"hasvalue(Nothing)", "False"},
      {"filename", "liquid.cvc"}, {"filepath", "/plant/unit7/"}, {"fullfilename", "/plant/unit7/liquid.cvc"},
      {"DestCalc.filename & \" <- \" & SourceCalc.filename", "other.cvc <- liquid.cvc"},
      {"Root(16, 2)", "4"},                       // built-in functions come first
      {"sourceparam.value", ""},                  // nothing selected
  };
  THXExpressionParser p(&source_, &dest_);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.expr);
    EXPECT_EQ(Eval(p, c.expr), c.text);
  }
  p.SourceParam = "qm";
  p.DestParam = "kv";
  EXPECT_EQ(Eval(p, "sourceparam.value & \"/\" & DestCalc.destparam.value"), "347.544/120");
}

// A calculation name alone is a syntax error at the token read after it;
// nothing after the error is evaluated. Names the parser does not know
// still reach the callback.
TEST_F(HXExpressions, SyntaxErrorsAndUnknownNames) {
  struct Case { const char* expr; int pos; };
  const Case cases[] = {{"SourceCalc", 11}, {"DestCalc", 9}, {"1 + DestCalc", 13}, {"SourceCalc = 1 or other", 13}};
  std::vector<std::string> asked;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.expr);
    THXExpressionParser p(&source_, &dest_);
    p.OnUnresolvedElement = [&](const std::vector<std::string>& path, const std::vector<std::string>&) {
      asked.push_back(path.front());
      return std::string("?");
    };
    EXPECT_EQ(p.ParseStr(c.expr).AsText(), "False");
    EXPECT_EQ(p.ErrorPos(), c.pos);
    EXPECT_EQ(p.ErrorMessage(), "\".\" erwartet.");
    EXPECT_TRUE(asked.empty());
    EXPECT_EQ(Eval(p, "Root(16, 2) & qm.value & other"), "4347.544?");
    EXPECT_EQ(asked, std::vector<std::string>{"other"});
    asked.clear();
  }
}

TEST_F(HXExpressions, AbsentCalculationsGiveNoValue) {
  THXExpressionParser p;  // neither source nor destination
  for (const char* expr : {"qm.value", "filename", "DestCalc.qm.value", "hasvalue(Project)"}) {
    SCOPED_TRACE(expr);
    EXPECT_EQ(Eval(p, expr), "");
  }
  THXExpressionParser onlySource(&source_);
  EXPECT_EQ(Eval(onlySource, "DestCalc.kv.value"), "");
  EXPECT_EQ(Eval(onlySource, "kv.unit"), "0");
}

// With the attribute section the tags store pooled indices instead of
// names; lower-cased names from expressions must still find them.
TEST_F(HXExpressions, PooledAttributeNamesAreFoundAfterReloading) {
  THXFile pooled;
  pooled.UseAttributeSection = true;
  FillValveCalculation(pooled, "/tmp/pooled.cvc");
  THXFile loaded;
  loaded.LoadFromString(pooled.SaveToString());
  ASSERT_FALSE(loaded.AttributeNames().empty());
  THXExpressionParser p(&loaded);
  EXPECT_EQ(Eval(p, "qm.value"), "347.544");
  EXPECT_EQ(Eval(p, "kv.calcmessage"), "Starke Kavitation: Verschleiß und Geräusch sind zu erwarten.");
  EXPECT_EQ(Eval(p, "kv.iscalculated and Phase.checked"), "True");
}

// A template's (lower-cased) name finds the attribute of that exact
// spelling first, else the first that matches ignoring case; with the
// attribute section, pooled names come before the tag's own.
TEST_F(HXExpressions, TemplateNamesFindTheExactSpellingFirst) {
  for (bool pooled : {false, true}) {
    SCOPED_TRACE(pooled ? "pooled names" : "plain names");
    THXFile file;
    file.UseAttributeSection = pooled;
    TBixBinaryTag& item = file.GetItemsTag().AddTag("x");
    for (int i = 0; i < 12; ++i) file.AddLongIntAttr(item, "a" + std::to_string(i), i);
    file.AddLongIntAttr(item, "Level", 1);
    file.AddLongIntAttr(item, "level", 2);
    file.AddLongIntAttr(item, "Mode", 3);
    THXFile loaded;
    loaded.LoadFromString(file.SaveToString());
    const TBixBinaryTag& tag = *loaded.GetParameterTag("x");
    struct Case { const char* name; const char* stored; std::int64_t value; };
    const Case cases[] = {{"level", "level", 2}, {"LEVEL", "Level", 1}, {"mode", "Mode", 3},
                          {"a11", "a11", 11},    {"missing", "", -1},    {"", "", -1}};
    for (const auto& c : cases) {
      SCOPED_TRACE(c.name);
      std::string stored;
      const TBixBinaryAttribute* a = TemplateAttribute(loaded, tag, c.name, &stored);
      EXPECT_EQ(stored, c.stored);
      EXPECT_EQ(a ? a->AsInteger().value_or(-2) : -1, c.value);
      EXPECT_EQ(FindAttributeName(loaded, tag, c.name), c.stored);
      EXPECT_EQ(AttributeValue(loaded, tag, c.name).Data == TExportValue().Data, c.value < 0);
    }
  }
}

}  // namespace
