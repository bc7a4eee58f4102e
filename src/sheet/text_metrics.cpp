#include "sheet/text_metrics.h"

#include <cstdint>

namespace torvacalc {

namespace {

// Advance widths of the codes 32..255 of Windows-1252 from the Adobe font
// metrics of Helvetica and Helvetica-Bold (Helvetica.afm, Helvetica-Bold.afm,
// Adobe Core 14 fonts); 0 where the code page has no character.
constexpr std::uint16_t kHelvetica[224] = {
    278, 278, 355, 556, 556, 889, 667, 191, 333, 333, 389, 584, 278, 333, 278, 278,
    556, 556, 556, 556, 556, 556, 556, 556, 556, 556, 278, 278, 584, 584, 584, 556,
    1015, 667, 667, 722, 722, 667, 611, 778, 722, 278, 500, 667, 556, 833, 722, 778,
    667, 778, 722, 667, 611, 722, 667, 944, 667, 667, 611, 278, 278, 278, 469, 556,
    333, 556, 556, 500, 556, 556, 278, 556, 556, 222, 222, 500, 222, 833, 556, 556,
    556, 556, 333, 500, 278, 556, 500, 722, 500, 500, 500, 334, 260, 334, 584, 0,
    556, 0, 222, 556, 333, 1000, 556, 556, 333, 1000, 667, 333, 1000, 0, 611, 0,
    0, 222, 222, 333, 333, 350, 556, 1000, 333, 1000, 500, 333, 944, 0, 500, 667,
    278, 333, 556, 556, 556, 556, 260, 556, 333, 737, 370, 556, 584, 333, 737, 333,
    400, 584, 333, 333, 333, 556, 537, 278, 333, 333, 365, 556, 834, 834, 834, 611,
    667, 667, 667, 667, 667, 667, 1000, 722, 667, 667, 667, 667, 278, 278, 278, 278,
    722, 722, 778, 778, 778, 778, 778, 584, 778, 722, 722, 722, 722, 667, 667, 611,
    556, 556, 556, 556, 556, 556, 889, 500, 556, 556, 556, 556, 278, 278, 278, 278,
    556, 556, 556, 556, 556, 556, 556, 584, 611, 556, 556, 556, 556, 500, 556, 500,
};
constexpr std::uint16_t kHelveticaBold[224] = {
    278, 333, 474, 556, 556, 889, 722, 238, 333, 333, 389, 584, 278, 333, 278, 278,
    556, 556, 556, 556, 556, 556, 556, 556, 556, 556, 333, 333, 584, 584, 584, 611,
    975, 722, 722, 722, 722, 667, 611, 778, 722, 278, 556, 722, 611, 833, 722, 778,
    667, 778, 722, 667, 611, 722, 667, 944, 667, 667, 611, 333, 278, 333, 584, 556,
    333, 556, 611, 556, 611, 556, 333, 611, 611, 278, 278, 556, 278, 889, 611, 611,
    611, 611, 389, 556, 333, 611, 556, 778, 556, 556, 500, 389, 280, 389, 584, 0,
    556, 0, 278, 556, 500, 1000, 556, 556, 333, 1000, 667, 333, 1000, 0, 611, 0,
    0, 278, 278, 500, 500, 350, 556, 1000, 333, 1000, 556, 333, 944, 0, 500, 667,
    278, 333, 556, 556, 556, 556, 280, 556, 333, 737, 370, 556, 584, 333, 737, 333,
    400, 584, 333, 333, 333, 611, 556, 278, 333, 333, 365, 556, 834, 834, 834, 611,
    722, 722, 722, 722, 722, 722, 1000, 722, 667, 667, 667, 667, 278, 278, 278, 278,
    722, 722, 778, 778, 778, 778, 778, 584, 778, 722, 722, 722, 722, 667, 667, 611,
    556, 556, 556, 556, 556, 556, 889, 556, 556, 556, 556, 556, 278, 278, 278, 278,
    611, 611, 611, 611, 611, 611, 611, 584, 611, 611, 611, 611, 611, 556, 611, 556,
};

// Windows-1252 codes 0x80..0x9F by their Unicode code points.
constexpr char32_t kHighCodes[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

char WinAnsiOf(char32_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<char>(c);
  for (int i = 0; i < 32; ++i)
    if (kHighCodes[i] != 0 && kHighCodes[i] == c) return static_cast<char>(0x80 + i);
  if (c == 0x2212) return '-';  // minus sign
  if (c == 0x2009 || c == 0x202F) return ' ';  // thin blanks
  return '?';
}

}  // namespace

std::string ToWinAnsi(const std::string& utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (size_t i = 0; i < utf8.size();) {
    const auto b = static_cast<unsigned char>(utf8[i]);
    char32_t c = b;
    int more = 0;
    if (b >= 0xF0) c = b & 0x07, more = 3;
    else if (b >= 0xE0) c = b & 0x0F, more = 2;
    else if (b >= 0xC0) c = b & 0x1F, more = 1;
    else if (b >= 0x80) c = 0xFFFD;  // a stray continuation byte
    ++i;
    for (; more > 0 && i < utf8.size() && (static_cast<unsigned char>(utf8[i]) & 0xC0) == 0x80; --more, ++i)
      c = (c << 6) | (static_cast<unsigned char>(utf8[i]) & 0x3F);
    if (more > 0) c = 0xFFFD;
    out += WinAnsiOf(c);
  }
  return out;
}

double TextWidth(const std::string& utf8, double size, bool bold) {
  const std::uint16_t* widths = bold ? kHelveticaBold : kHelvetica;
  long sum = 0;
  for (char ch : ToWinAnsi(utf8)) {
    const auto c = static_cast<unsigned char>(ch);
    sum += c >= 32 ? widths[c - 32] : 0;
  }
  return sum * size / 1000.0;
}

std::vector<std::string> BreakLines(const std::string& utf8, double width, double size, bool bold) {
  // The pieces after which a line may end: a word with the blank, hyphen or
  // slash that follows it.
  std::vector<std::string> pieces;
  std::string piece;
  for (char ch : utf8) {
    if (ch == '\n') {
      pieces.push_back(piece);
      pieces.emplace_back("\n");
      piece.clear();
      continue;
    }
    piece += ch;
    if (ch == ' ' || ch == '-' || ch == '/') {
      pieces.push_back(piece);
      piece.clear();
    }
  }
  if (!piece.empty()) pieces.push_back(piece);

  std::vector<std::string> lines;
  std::string line;
  auto trimmed = [](std::string s) {
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
  };
  for (const std::string& p : pieces) {
    if (p == "\n") {
      lines.push_back(trimmed(line));
      line.clear();
      continue;
    }
    if (!line.empty() && TextWidth(trimmed(line + p), size, bold) > width) {
      lines.push_back(trimmed(line));
      line.clear();
    }
    line += p;
  }
  if (!line.empty() || lines.empty()) lines.push_back(trimmed(line));
  return lines;
}

}  // namespace torvacalc
