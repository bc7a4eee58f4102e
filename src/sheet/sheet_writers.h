// The renderers of a sheet's display list that need no display: PDF 1.4
// with the standard fonts Helvetica and Helvetica-Bold (nothing embedded,
// every reader has them; Windows-1252 text, so ä ö ü ß ° ³ µ print) and
// HTML with one SVG drawing per page.
#pragma once

#include <string>

#include "sheet/display_list.h"

namespace torvacalc {

// The PDF file of `doc`; the page contents compressed unless `compress` is
// false (for reading the drawing operators in a test).
std::string PdfOfDocument(const TSheetDocument& doc, bool compress = true);
// A self-contained HTML page of `doc` (UTF-8); `language` is its lang.
std::string HtmlOfDocument(const TSheetDocument& doc, const std::string& language);
// Writes `bytes` to `path` through a temporary file beside it; throws
// std::runtime_error naming the path when it cannot.
void WriteFileAtomically(const std::string& path, const std::string& bytes);

}  // namespace torvacalc
