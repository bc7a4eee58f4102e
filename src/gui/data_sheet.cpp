#include "gui/data_sheet.h"

#include <QDateTime>
#include <QFileInfo>
#include <QPageLayout>
#include <QPrinter>
#include <QTextDocument>
#include <algorithm>

#include "framework/calc_switch.h"
#include "framework/translation.h"
#include "workspace/workspace.h"
#include "gui/qt_text.h"

namespace torvacalc {

namespace {

QString Esc(const std::string& s) { return Q(s).toHtmlEscaped(); }

}  // namespace

QString DataSheetHtml(TWorkspace& calc, const QString& title) {
  const int ops = calc.OperatingPointCount();
  QString h;
  h += "<html><head><meta charset='utf-8'><style>"
       "body{font-family:'DejaVu Sans',sans-serif;font-size:8pt}"
       "h1{font-size:14pt;margin:0}h2{font-size:11pt;margin:8pt 0 2pt 0;border-bottom:1px solid #555}"
       "table{border-collapse:collapse}td,th{padding:1pt 6pt;border-bottom:1px solid #ccc}"
       "th{text-align:left;background:#dde4ee}td.v{text-align:right}</style></head><body>";
  h += "<table width='100%'><tr><td><h1>" + Esc(Translate("Regelventil-Datenblatt")) + "</h1>" + title.toHtmlEscaped() +
       "</td><td style='text-align:right'>" + Esc(Translate("Datum")) + ": " +
       QDateTime::currentDateTime().toString("dd.MM.yyyy hh:mm") + "<br>" + Esc(calc.KindName()) + "</td></tr></table>";
  for (const auto& page : calc.Pages()) {
    for (const auto& group : page.Groups) {
      if (!group.OnDataSheet) continue;
      QString rows;
      for (const std::string& name : group.Items) {
        const TCalcItem* first = calc.Item(name, 0);
        if (!first) continue;
        bool any = false;
        QString cells;
        for (int op = 0; op < ops; ++op) {
          const TCalcItem* item = calc.Item(name, op);
          const std::string text = item ? FieldText(*item) : std::string();
          any = any || !text.empty();
          cells += "<td align='right'>" + Esc(text) + "</td>";
        }
        if (!any || !first->GetUtilized() || first->GetDisplayState() == dsInvisible ||
            (first->GetDetailLevel() == dlInvisible && !first->GetShowAlways()))
          continue;
        const TCalcParameter* p = first->AsParameter();
        const std::string unit = p ? ShownParameter(*p).GetCalcUnitName() : std::string();
        rows += "<tr><td>" + Esc(first->GetCaption()) + "</td>" + cells + "<td>&nbsp;" + (unit == "-" ? QString() : Esc(unit)) +
                "</td></tr>";
      }
      if (rows.isEmpty()) continue;
      // Caption, up to four operating points and the unit, in fixed shares
      // of the width so that every group lines up.
      const int valueWidth = 50 / std::max(ops, 1);
      h += "<h2>" + Esc(Translate(group.Caption)) + "</h2><table width='100%' cellpadding='2' cellspacing='0'>"
           "<tr><th width='38%'></th>";
      for (int op = 0; op < ops; ++op)
        h += QString("<th width='%1%' align='right'>").arg(valueWidth) + Esc(calc.OperatingPointCaption(op)) + "</th>";
      h += "<th width='12%'>&nbsp;" + Esc(Translate("Einheit")) + "</th></tr>" + rows + "</table>";
    }
  }
  // The valve module on its own has no noise prediction to show.
  if (!calc.Item("LpAa", 0))
    h += "<h2>" + Esc(Translate("Geräusch")) + "</h2><p>" + Esc(Translate("Keine Geräuschberechnung")) + "</p>";
  h += "<h2>" + Esc(Translate("Meldungen")) + "</h2>";
  if (calc.Messages().Messages().empty()) h += "<p>" + Esc(Translate("keine")) + "</p>";
  else {
    h += "<table width='100%' cellpadding='2' cellspacing='0'>";
    for (const auto& m : calc.Messages().Messages())
      h += "<tr><td>" + Esc(m->GetTypeText()) + " " + QString::number(m->MsgNo) + "</td><td>" +
           (m->CalcItem ? Esc(m->CalcItem->GetCaption()) : QString()) + "</td><td>" + Esc(m->Text) + "</td></tr>";
    h += "</table>";
  }
  h += "</body></html>";
  return h;
}

void PrintDataSheet(TWorkspace& calc, const QString& title, QPrinter& printer) {
  QTextDocument doc;
  doc.setHtml(DataSheetHtml(calc, title));
  doc.print(&printer);
}

bool ExportDataSheetPdf(TWorkspace& calc, const QString& title, const QString& pdfPath, QString* error) {
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(pdfPath);
  printer.setPageSize(QPageSize(QPageSize::A4));
  printer.setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
  PrintDataSheet(calc, title, printer);
  const QFileInfo written(pdfPath);
  if (!written.exists() || written.size() == 0) {
    if (error) *error = Q(Translate("Die PDF-Datei konnte nicht geschrieben werden")) + ": " + pdfPath;
    return false;
  }
  return true;
}

}  // namespace torvacalc
