// The widths of text in the standard PDF fonts Helvetica and
// Helvetica-Bold (Adobe's published character widths, in thousandths of
// the font size, for the Windows-1252 characters), the conversion of UTF-8
// into that encoding, and the breaking of text into lines at blanks only:
// a word is never split, so "Betriebspunkt" is never printed as
// "Betriebsp" / "unkt".
#pragma once

#include <string>
#include <vector>

namespace torvacalc {

// UTF-8 to Windows-1252; a character outside it becomes '?'.
std::string ToWinAnsi(const std::string& utf8);
// The width in points of `utf8` at `size` points.
double TextWidth(const std::string& utf8, double size, bool bold);
// The lines of `utf8` no wider than `width`, broken after blanks, hyphens
// and slashes; a word wider than `width` stands alone on its line.
std::vector<std::string> BreakLines(const std::string& utf8, double width, double size, bool bold);

}  // namespace torvacalc
