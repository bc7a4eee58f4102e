// The pages of a printed sheet as a small display list: boxes, lines,
// polylines and runs of text in points (1/72 inch) from the top left
// corner of the page, y downwards. One layout makes the list; a PDF
// writer, an HTML writer and the desktop's painter each render it, so
// every output shows the same sheet.
#pragma once

#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace torvacalc {

enum class TPaper { A4, Letter };

struct TPageSize {
  double width, height;  // points
};
TPageSize PageSizeOf(TPaper paper);

// A rectangle: outlined with `line` points (0: no outline), filled with the
// grey `fill` (0 black .. 1 white; negative: not filled).
struct TSheetBox {
  double x, y, w, h;
  double line = 0.5;
  double fill = -1;
};

// A straight line.
struct TSheetLine {
  double x1, y1, x2, y2;
  double width = 0.5;
  double grey = 0;
  bool dashed = false;
};

// A curve through points (a chart's series).
struct TSheetPolyline {
  std::vector<std::pair<double, double>> points;
  double width = 1;
  double grey = 0;
  bool dashed = false;
};

// A run of text in Helvetica: `y` is the baseline; `x` the left end, the
// centre or the right end by `align`. UTF-8; what Windows-1252 cannot
// write prints as "?".
enum class TAlign { Left, Centre, Right };
struct TSheetText {
  double x, y;
  double size;
  bool bold = false;
  std::string text;
  TAlign align = TAlign::Left;
  double grey = 0;  // 0 black .. 1 white
};

using TSheetItem = std::variant<TSheetBox, TSheetLine, TSheetPolyline, TSheetText>;

struct TSheetPage {
  std::vector<TSheetItem> items;  // in painting order
};

struct TSheetDocument {
  TPageSize size{595.276, 841.89};
  std::string title;  // the document's title (a tag, "index")
  std::vector<TSheetPage> pages;
};

}  // namespace torvacalc
