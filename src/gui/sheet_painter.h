// The specification sheet on the desktop: the pages of the display list the
// sheet's layout makes (src/sheet), painted with QPainter for the preview
// and the printer, so the window prints what the command line writes.
#pragma once

#include "sheet/display_list.h"

class QPainter;
class QPrinter;

namespace torvacalc {

// Paints one page; `scale` is device pixels per point of the page.
void PaintSheetPage(QPainter& painter, const TSheetPage& page, double scale);
// Prints every page of `doc` on `printer`, each on a page of its size.
void PrintSheet(const TSheetDocument& doc, QPrinter& printer);

}  // namespace torvacalc
