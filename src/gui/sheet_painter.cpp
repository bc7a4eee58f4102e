#include "gui/sheet_painter.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QPrinter>

#include "gui/qt_text.h"

namespace torvacalc {

namespace {

QColor GreyOf(double g) { return QColor::fromRgbF(g, g, g); }

QPen PenOf(double width, double grey, bool dashed, double scale) {
  QPen pen(GreyOf(grey), width * scale);
  if (dashed) pen.setDashPattern({3 / width, 2 / width});
  return pen;
}

}  // namespace

void PaintSheetPage(QPainter& painter, const TSheetPage& page, double scale) {
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  auto pt = [scale](double x, double y) { return QPointF(x * scale, y * scale); };
  for (const TSheetItem& item : page.items) {
    if (const auto* b = std::get_if<TSheetBox>(&item)) {
      const QRectF r(pt(b->x, b->y), pt(b->x + b->w, b->y + b->h));
      if (b->fill >= 0) painter.fillRect(r, GreyOf(b->fill));
      if (b->line > 0) {
        painter.setPen(PenOf(b->line, 0, false, scale));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(r);
      }
    } else if (const auto* l = std::get_if<TSheetLine>(&item)) {
      painter.setPen(PenOf(l->width, l->grey, l->dashed, scale));
      painter.drawLine(pt(l->x1, l->y1), pt(l->x2, l->y2));
    } else if (const auto* p = std::get_if<TSheetPolyline>(&item)) {
      QPainterPath path(pt(p->points.front().first, p->points.front().second));
      for (size_t i = 1; i < p->points.size(); ++i) path.lineTo(pt(p->points[i].first, p->points[i].second));
      painter.setPen(PenOf(p->width, p->grey, p->dashed, scale));
      painter.setBrush(Qt::NoBrush);
      painter.drawPath(path);
    } else if (const auto* t = std::get_if<TSheetText>(&item)) {
      // Helvetica where installed, else a face of the same widths.
      QFont font("Helvetica");
      font.setStyleHint(QFont::Helvetica);
      font.setPixelSize(std::max(1, qRound(t->size * scale)));
      font.setBold(t->bold);
      painter.setFont(font);
      painter.setPen(GreyOf(t->grey));
      const QString text = Q(t->text);
      double x = t->x * scale;
      if (t->align != TAlign::Left) {
        const double w = QFontMetricsF(font, painter.device()).horizontalAdvance(text);
        x -= t->align == TAlign::Right ? w : w / 2;
      }
      painter.drawText(QPointF(x, t->y * scale), text);
    }
  }
  painter.restore();
}

void PrintSheet(const TSheetDocument& doc, QPrinter& printer) {
  printer.setPageSize(QPageSize(QSizeF(doc.size.width, doc.size.height), QPageSize::Point));
  printer.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Point);
  printer.setFullPage(true);
  QPainter painter(&printer);
  const double scale = printer.resolution() / 72.0;
  for (size_t i = 0; i < doc.pages.size(); ++i) {
    if (i > 0) printer.newPage();
    PaintSheetPage(painter, doc.pages[i], scale);
  }
}

}  // namespace torvacalc
