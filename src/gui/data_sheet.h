// The data sheet of a calculation, as it goes with a purchase order: a
// header with the identifier and the date, the operating points side by
// side, medium, valve and pipe data, results, noise, and the messages.
#pragma once

#include <QString>

class QPrinter;

namespace torvacalc {

class TWorkspace;

// The sheet as HTML (for preview, printing and PDF).
QString DataSheetHtml(TWorkspace& calc, const QString& title);
// Prints the sheet on a configured printer.
void PrintDataSheet(TWorkspace& calc, const QString& title, QPrinter& printer);
// Writes the sheet as a PDF file; false with a reason when it cannot.
bool ExportDataSheetPdf(TWorkspace& calc, const QString& title, const QString& pdfPath, QString* error);

}  // namespace torvacalc
