// Formatting of exported values: number and date patterns, columns.
#include <gtest/gtest.h>

#include "files/date_time.h"
#include "output/value_format.h"

using namespace torvacalc;

namespace {

TEST(ValueFormat, NumberPatterns) {
  struct Case { const char* pattern; Extended value; const char* text; };
  const Case cases[] = {
      {"0.00", 3.14159L, "3.14"},   {"0.00", 2.0L, "2.00"},
      {"0.##", 2.5L, "2.5"},        // optional decimals drop their zeros
      {"0.0#", 2.0L, "2.0"},        {"#.##", 0.5L, ".5"},  // no integer digit required
      {"000", 7, "007"},
      {"#,##0.0", 1234567.89L, "1,234,567.9"},  // grouping comma split the arguments
      {"#,##0", 999, "999"},        {"0", 164.9214832948513L, "165"},
      {"0.00E+00", 1234.5L, "1.23E+03"}, {"0.0E-0", 0.00012L, "1.2E-4"}, {"0.0e+000", 2968000, "3.0e+006"},
      {"0.0", -2.26L, "-2.3"},      {"0.0;(0.0)", -2.26L, "(2.3)"}, {"0.0;(0.0);'null'", 0, "null"},
      {"0.0", -0.04L, "0.0"},       // no minus sign on a value that rounds to zero
      {"0.0 'bar'", 6.8L, "6.8 bar"}, {"'Kv = '0.0", 164.92L, "Kv = 164.9"},
      {"0.00", NoValue, ""},
      {"abc", 5, "abc"},            // no placeholder: the literal text
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.pattern);
    EXPECT_EQ(FormatNumberPattern(c.pattern, c.value), c.text);
  }
}

TEST(ValueFormat, DatePatterns) {
  const double t = EncodeDateTime(2024, 3, 5, 14, 30, 7, 250);  // a Tuesday
  struct Case { const char* pattern; double value; const char* text; };
  const Case cases[] = {
      {"dd.mm.yyyy hh:nn:ss", t, "05.03.2024 14:30:07"}, {"d. mmmm yyyy", t, "5. März 2024"},
      {"hh:mm", t, "14:30"},  // m after an hour is the minute
      {"ddd yy/mm/dd", t, "Di 24.03.05"}, {"dddd", t, "Dienstag"}, {"ddddd", t, "05.03.2024"},
      {"h:nn am/pm", t, "2:30 pm"},       {"ss.zzz", t, "07.250"},
      {"'Stand:' c", EncodeDateTime(2024, 3, 5), "Stand: 05.03.2024"}, {"c", t, "05.03.2024 14:30:07"},
      {"yyyy-mm-dd", -1.25, "1899-12-29"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.pattern);
    EXPECT_EQ(FormatDatePattern(c.pattern, c.value), c.text);
  }
  EXPECT_EQ(FormatExportValue(TExportValue::Date(t), ""), "05.03.2024 14:30:07");
}

TEST(ValueFormat, ValuesWithoutPattern) {
  EXPECT_EQ(FormatExportValue(TExportValue::Integer(-42), ""), "-42");
  EXPECT_EQ(FormatExportValue(TExportValue::Integer(1234567), "#,##0"), "1,234,567");
  EXPECT_EQ(FormatExportValue(TExportValue::Real(164.9214832948513L), ""), "164.921483294851");
  EXPECT_EQ(FormatExportValue(TExportValue::Real(2.5E-7L), ""), "2.5E-7");
  EXPECT_EQ(FormatExportValue(TExportValue::Boolean(true), ""), "True");
  EXPECT_EQ(FormatExportValue(TExportValue::Text("m³/h"), "0.00"), "m³/h");
  EXPECT_EQ(FormatExportValue(TExportValue(), "0.00"), "");
}

TEST(ValueFormat, AlignmentWidthAndCut) {
  struct Case { const char* text; const char* alignment; long width; bool cut; const char* out; };
  const Case cases[] = {
      {"abc", "alCenter", 8, false, "  abc   "}, {"abc", "alcenter", 7, false, "  abc  "},
      {"abc", "alRight", 5, false, "  abc"},     {"abc", "alLeft", 5, false, "abc  "},
      {"abc", "", 5, false, "abc  "},            {"abc", "alRight", 0, false, "abc"},
      {"abcdefgh", "alLeft", 6, true, "abc..."}, {"abcdefgh", "alLeft", 6, false, "abcdefgh"},
      {"abcdef", "alLeft", 6, true, "abc..."},   // not wider than the text: cut
      {"abc", "alLeft", 6, true, "abc   "},
      {"m³/h", "alRight", 6, false, "  m³/h"},   // characters, not bytes
      {"Übergröße", "alLeft", 7, true, "Über..."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.text) + " " + c.alignment + " " + std::to_string(c.width));
    EXPECT_EQ(AlignText(c.text, c.alignment, c.width, c.cut), c.out);
  }
}

// Fields are written onto the document as aligning and then escaping the
// text would give them, after what the document already holds.
TEST(ValueFormat, FieldsAppendedAlignedAndEscaped) {
  struct Case { const char* text; const char* alignment; long width; bool cut; };
  const Case cases[] = {
      {"a<b", "alCenter", 9, false}, {"a<b", "alRight", 5, false}, {"a<b", "alLeft", 5, false},
      {"a&b", "", 0, false},         {"<<<<<<<<", "alLeft", 6, true}, {"\"x\" & 'y'", "alRight", 3, false},
      {"", "alRight", 4, false},     {"m³ > 2", "alCenter", 10, false}, {"Übergröße<", "alLeft", 7, true},
      {"plain", "alLeft", 2, true},
  };
  for (const auto& c : cases)
    for (bool html : {false, true}) {
      SCOPED_TRACE(std::string(c.text) + " " + c.alignment + " " + std::to_string(c.width) + (html ? " html" : ""));
      std::string out = "before|";
      AppendAligned(out, c.text, c.alignment, c.width, c.cut, html);
      const std::string aligned = AlignText(c.text, c.alignment, c.width, c.cut);
      EXPECT_EQ(out, "before|" + (html ? HtmlEscape(aligned) : aligned));
    }
}

TEST(ValueFormat, HtmlEscapesMarkupCharacters) {
  EXPECT_EQ(HtmlEscape("p < 10 bar & \"T\" > 'x'"), "p &lt; 10 bar &amp; &quot;T&quot; &gt; &#39;x&#39;");
  EXPECT_EQ(HtmlEscape("m³/h"), "m³/h");
}

}  // namespace
