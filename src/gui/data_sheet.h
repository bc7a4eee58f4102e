// The control valve specification sheet of a calculation, as it goes with
// a purchase order (the layout lives in src/sheet; here it is previewed,
// printed and saved from the window).
#pragma once

#include <QString>

class QPrinter;

namespace torvacalc {

class TWorkspace;

// The sheet as HTML (one SVG drawing a page).
QString DataSheetHtml(TWorkspace& calc, const QString& title);
// Prints the sheet on a configured printer.
void PrintDataSheet(TWorkspace& calc, const QString& title, QPrinter& printer);
// Writes the sheet as a PDF file; false with a reason when it cannot.
bool ExportDataSheetPdf(TWorkspace& calc, const QString& title, const QString& pdfPath, QString* error);

}  // namespace torvacalc
