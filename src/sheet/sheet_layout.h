// The control valve specification sheet of a calculation as a purchaser
// reads it, in the order of IEC 60534-7 forms: the document header on
// every page, line and fluid, the service conditions with one column per
// operating point, valve body and trim, actuator, positioner and
// accessories, noise, the two charts (the installed characteristic and the
// octave spectrum of the loudest point), the messages that need action
// with their point, and the requirements. Always kSheetPages pages, so the
// "page n of m" a sheet prints is the page count it has; what does not fit
// (a very long list of messages) is cut with a line that says so.
//
// The layout reads the calculation through the workspace (items per
// operating point, messages per point) and writes a display list; it is
// computed once and rendered by the PDF and HTML writers and the desktop.
#pragma once

#include <string>
#include <vector>

#include "sheet/display_list.h"

namespace torvacalc {

class TWorkspace;

inline constexpr int kSheetPages = 2;

struct TSheetOptions {
  TPaper paper = TPaper::A4;
  // The name of the calculation's file, printed in the footer.
  std::string source;
  // What the second page holds besides the actuator and the noise: the
  // two charts, the messages that need action, the requirements. A part
  // left out gives its room to the messages.
  bool charts = true, messages = true, requirements = true;
};

// The sheet of the calculation in the program's present language.
TSheetDocument LayoutSheet(TWorkspace& calc, const TSheetOptions& options);

// One line of the index of many sheets.
struct TSheetIndexRow {
  std::string tag, service, size, kvs, loudest, file;
};
TSheetIndexRow IndexRowOf(TWorkspace& calc, const std::string& file);
// The index as CSV (comma separated, texts quoted where needed, UTF-8).
std::string IndexCsv(const std::vector<TSheetIndexRow>& rows);
// The index as pages of a table.
TSheetDocument LayoutIndex(const std::vector<TSheetIndexRow>& rows, const TSheetOptions& options);

}  // namespace torvacalc
