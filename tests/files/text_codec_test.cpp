#include "files/text_codec.h"

#include <gtest/gtest.h>

#include "test_bytes.h"

using namespace torvacalc;
using torvacalc::test::Bytes;
using torvacalc::test::Hex;

namespace {

// Windows-1252 code chart (Microsoft, "cp1252" best-fit table, and the
// Unicode Consortium's mapping file CP1252.TXT).
struct CodePageCase { const char* utf8; const char* win1252; };
const CodePageCase kCodePage[] = {
    {"Ventil", "'Ventil'"},
    {"\xC3\xA4\xC3\xB6\xC3\xBC\xC3\x9F", "e4 f6 fc df"},       // äöüß
    {"\xC2\xB0" "C", "b0 'C'"},                                  // °C
    {"\xE2\x82\xAC", "80"},                                      // €
    {"\xE2\x80\x93 \xE2\x80\x9E\xE2\x80\x9C", "96 20 84 93"},   // – „“
    {"\xC5\xA0\xC5\xBD\xC5\xB8", "8a 8e 9f"},                    // Š Ž Ÿ
    {"\xE2\x84\xA2\xE2\x80\xB0", "99 89"},                       // ™ ‰
    {"\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D", "81 8d 8f 90 9d"},  // undefined: C1 controls
    {"m\xC2\xB3/h", "'m' b3 '/h'"},                              // m³/h
    {"Durchflusskoeffizient \xE2\x82\xAC", "'Durchflusskoeffizient ' 80"},  // long ASCII run, then €
};

}  // namespace

TEST(TextCodec, Windows1252BothWays) {
  for (const auto& c : kCodePage) {
    SCOPED_TRACE(c.utf8);
    EXPECT_EQ(Hex(Utf8ToWin1252(c.utf8)), Hex(Bytes(c.win1252)));
    EXPECT_EQ(Win1252ToUtf8(Bytes(c.win1252)), c.utf8);
  }
  // Every byte survives the trip through UTF-8.
  std::string all;
  for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
  EXPECT_EQ(Utf8ToWin1252(Win1252ToUtf8(all)), all);
}

TEST(TextCodec, CharactersOutside1252BecomeQuestionMarks) {
  const CodePageCase cases[] = {
      {"\xCE\x94p", "'?p'"},                  // Δp: Greek capital delta
      {"\xE2\x88\x9A" "2", "'?2'"},          // √
      {"\xF0\x9F\x98\x80", "'?'"},           // an emoji: one character, one ?
      {"a\xFF" "b", "'a?b'"},                // not UTF-8 at all
      {"\xC3", "'?'"},                       // truncated sequence
      {"\xC0\xAF", "3f 3f"},                  // overlong "/"
      {"\xED\xA0\x80", "3f 3f 3f"},             // an encoded surrogate
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Hex(c.utf8));
    EXPECT_EQ(Utf8ToWin1252(c.utf8), Bytes(c.win1252));
  }
}

TEST(TextCodec, Utf16LittleEndianWithSurrogatePairs) {
  const CodePageCase cases[] = {
      {"Kv", "4b 00 76 00"},
      {"\xC3\xA4", "e4 00"},
      {"\xE2\x82\xAC", "ac 20"},
      {"\xF0\x9D\x84\x9E", "34 d8 1e dd"},  // U+1D11E musical G clef: D834 DD1E
      {"", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.utf8);
    EXPECT_EQ(Hex(Utf8ToUtf16LE(c.utf8)), Hex(Bytes(c.win1252)));
    EXPECT_EQ(Utf16LEToUtf8(Bytes(c.win1252)), c.utf8);
    EXPECT_EQ(Utf16Length(c.utf8) * 2, Bytes(c.win1252).size());
  }
  // Unpaired surrogates from a file become U+FFFD.
  EXPECT_EQ(Utf16LEToUtf8(Bytes("34 d8 41 00")), "\xEF\xBF\xBD" "A");
  EXPECT_EQ(Utf16LEToUtf8(Bytes("1e dd")), "\xEF\xBF\xBD");
}
