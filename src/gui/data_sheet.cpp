#include "gui/data_sheet.h"

#include <QPrinter>
#include <algorithm>
#include <stdexcept>

#include "framework/options.h"
#include "framework/translation.h"
#include "gui/print_dialogs.h"
#include "gui/qt_text.h"
#include "gui/sheet_painter.h"
#include "sheet/sheet_layout.h"
#include "sheet/sheet_writers.h"

namespace torvacalc {

namespace {

// The sheet in the paper size the printer is set to (Letter where it is,
// A4 otherwise), with the parts and pages the print options ask for.
TSheetDocument Layout(TWorkspace& calc, const QString& title, const QPrinter* printer) {
  const TPrintOptions print = TPrintOptions::Read();
  TSheetOptions options;
  options.source = S(title);
  if (printer && printer->pageLayout().pageSize().id() == QPageSize::Letter) options.paper = TPaper::Letter;
  TSheetDocument doc = LayoutSheet(calc, print.Apply(options));
  KeepChosenPages(doc, print);
  return doc;
}

}  // namespace

QString DataSheetHtml(TWorkspace& calc, const QString& title) {
  return Q(HtmlOfDocument(Layout(calc, title, nullptr), HXOptions().Language));
}

void PrintDataSheet(TWorkspace& calc, const QString& title, QPrinter& printer) {
  TSheetDocument doc = Layout(calc, title, &printer);
  // The pages the print dialog asked for, counted as printed.
  if (printer.printRange() == QPrinter::PageRange && printer.fromPage() > 0) {
    const size_t from = static_cast<size_t>(printer.fromPage()) - 1;
    const size_t to = std::min(doc.pages.size(), static_cast<size_t>(std::max(printer.toPage(), printer.fromPage())));
    if (from < to) doc.pages = std::vector<TSheetPage>(doc.pages.begin() + static_cast<std::ptrdiff_t>(from),
                                                       doc.pages.begin() + static_cast<std::ptrdiff_t>(to));
  }
  // Copies the printer does not make itself are printed one after another.
  if (!printer.supportsMultipleCopies() && printer.copyCount() > 1) {
    const std::vector<TSheetPage> one = doc.pages;
    for (int c = 1; c < printer.copyCount(); ++c) doc.pages.insert(doc.pages.end(), one.begin(), one.end());
  }
  PrintSheet(doc, printer);
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
