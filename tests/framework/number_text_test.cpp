#include "framework/number_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <random>
#include <vector>

using namespace torvacalc;

TEST(NumberText, DisplayFormatChoosesNotationByMagnitude) {
  struct Case { Extended v; int digits; const char* text; };
  const Case cases[] = {
      {0, 4, "0"},                   {1, 4, "1"},              {2.01325L, 4, "2.013"},
      {123.456L, 4, "123.5"},        {0.001L, 4, "0.001"},     {0.00123456L, 4, "0.001235"},
      {0.000999996L, 4, "0.001"},    // rounds up into fixed notation
      {0.000123456L, 4, "1.235E-4"}, {999999.7L, 4, "1E6"},    {250000, 4, "250000"},
      {2.5e8L, 4, "2.5E8"},          {-17.77777L, 4, "-17.78"}, {-0.00001L, 3, "-1E-5"},
      {1e-300L, 4, "1E-300"},        {1.5L, 1, "2"},           {2.5L, 1, "2"},  // an exact tie: to even
      {0.0625L, 2, "0.062"},         {9.99951L, 4, "10"},      {-999.9996L, 6, "-1000"},
      {-99.996L, 4, "-100"},         {123456.7L, 4, "123457"}, {0.0125L, 2, "0.013"},  // 0.0125 lies a shade above
  };
  for (const auto& c : cases) EXPECT_EQ(HXFormatFloat(c.v, c.digits), c.text) << static_cast<double>(c.v);
  EXPECT_EQ(HXFormatFloat(NoValue, 4), "");
  EXPECT_EQ(HXFormatFloat(2.5L, 4, ','), "2,5");
}

TEST(NumberText, IntegerDigitsAreKeptBetweenThousandAndMillion) {
  EXPECT_EQ(OutputText(12345.678L, 4, true), "12345.7");
  EXPECT_EQ(OutputText(12345.678L, 4, false), "12346");  // integer digits never become zeros
  EXPECT_EQ(OutputText(999.96L, 4, true), "1000");
  EXPECT_EQ(OutputText(-54321.2L, 4, true), "-54321.2");
}

TEST(NumberText, WrittenValuesReadBackExactly) {
  for (Extended v : {0.1L, 1.0L / 3, 2.01325L, 1e-300L, -123456789.123456789L, 1E4000L / 1E10L, 293.15L}) {
    const std::string t = NumberToText(v);
    const auto back = TextToNumber(t);
    ASSERT_TRUE(back.has_value()) << t;
    EXPECT_EQ(*back, v) << t;
  }
  EXPECT_EQ(NumberToText(0.1L), "0.1");
  EXPECT_EQ(NumberToText(2.5L, ','), "2,5");
  EXPECT_EQ(*TextToNumber("2,5", ','), 2.5L);
  EXPECT_FALSE(TextToNumber("1e99999"));  // overflow is not a number
}

// The text is the shortest printf "%Lg" (at least 15 digits) that reads back:
// checked against that definition over values of every magnitude, powers of
// two (whose rounding interval is lopsided), integers and subnormals.
TEST(NumberText, WrittenTextIsTheShortestPrintfThatReadsBack) {
  std::mt19937_64 random(33);
  std::vector<Extended> values = {1e20L, 1e21L, 123456789012345678.0L, 1e-5L, 0.0001L, 0.00012345L, -2.5e-7L, 0.9999999999999995L, 99999999999999.95L,
                                  1e15L, 99999999999999999999.0L, std::numeric_limits<Extended>::denorm_min(),
                                  1e3999L, std::numeric_limits<Extended>::min(),
                                  std::numeric_limits<Extended>::min() / 3, 7 * std::numeric_limits<Extended>::denorm_min()};
  for (int i = 0; i < 5000; ++i) {
    const int e = static_cast<int>(random() % 120) - 60;
    const Extended mantissa = static_cast<Extended>(random()) / static_cast<Extended>(random.max());
    values.push_back((i % 2 ? -1 : 1) * std::ldexp(mantissa, e));
    values.push_back(std::ldexp(1.0L, e));
    values.push_back(static_cast<Extended>(random() % 100000000) / 1000);
  }
  for (Extended v : values) {
    char buf[64];
    for (int precision = 15; precision <= 21; ++precision) {
      std::snprintf(buf, sizeof buf, "%.*Lg", precision, v);
      if (std::strtold(buf, nullptr) == v) break;
    }
    ASSERT_EQ(NumberToText(v), buf) << static_cast<double>(v);
  }
  EXPECT_EQ(NumberToText(-0.0L), "-0");
}

// Rounded to a number of digits, as printf "%.*Lg" writes it: at every
// number of digits, over values of every magnitude, decimal fractions and
// their neighbours, and exact ties.
TEST(NumberText, RoundedTextIsWhatPrintfWrites) {
  std::mt19937_64 random(34);
  for (int i = 0; i < 3000; ++i) {
    const Extended decimal = static_cast<Extended>(random() % 2000000) / std::pow(10.0L, static_cast<int>(random() % 9));
    const Extended any = std::ldexp(static_cast<Extended>(random()) / random.max(), static_cast<int>(random() % 160) - 80);
    for (Extended v : {any, -decimal, std::nextafter(decimal, 1.0L), (static_cast<Extended>(random() % 99999) + 0.5L) / 16})
      for (int digits = 1; digits <= 21; ++digits) {
        char buf[96];
        std::snprintf(buf, sizeof buf, "%.*Lg", digits, v);
        ASSERT_EQ(GeneralNumberText(v, digits), buf) << digits;
      }
  }
}

TEST(NumberText, DayNumbersShowAsCivilDates) {
  EXPECT_EQ(DateTimeText(25569), "01.01.1970 00:00:00");
  EXPECT_EQ(DateTimeText(46362.5L), "06.12.2026 12:00:00");
  EXPECT_EQ(DateTimeText(0), "30.12.1899 00:00:00");
}
