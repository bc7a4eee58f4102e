#include "gui/data_sheet.h"

#include <QPrinter>
#include <stdexcept>

#include "framework/options.h"
#include "framework/translation.h"
#include "gui/qt_text.h"
#include "gui/sheet_painter.h"
#include "sheet/sheet_layout.h"
#include "sheet/sheet_writers.h"

namespace torvacalc {

namespace {

// The sheet in the paper size the printer is set to (Letter where it is,
// A4 otherwise).
TSheetDocument Layout(TWorkspace& calc, const QString& title, const QPrinter* printer) {
  TSheetOptions options;
  options.source = S(title);
  if (printer && printer->pageLayout().pageSize().id() == QPageSize::Letter) options.paper = TPaper::Letter;
  return LayoutSheet(calc, options);
}

}  // namespace

QString DataSheetHtml(TWorkspace& calc, const QString& title) {
  return Q(HtmlOfDocument(Layout(calc, title, nullptr), HXOptions().Language));
}

void PrintDataSheet(TWorkspace& calc, const QString& title, QPrinter& printer) {
  PrintSheet(Layout(calc, title, &printer), printer);
}

bool ExportDataSheetPdf(TWorkspace& calc, const QString& title, const QString& pdfPath, QString* error) {
  // The same vector PDF the command line writes.
  try {
    WriteFileAtomically(S(pdfPath), PdfOfDocument(Layout(calc, title, nullptr)));
  } catch (const std::runtime_error&) {
    if (error) *error = Q(Translate("Die PDF-Datei konnte nicht geschrieben werden")) + ": " + pdfPath;
    return false;
  }
  return true;
}

}  // namespace torvacalc
