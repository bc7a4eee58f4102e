#include "gui/characteristics_window.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QLegendMarker>
#include <QHBoxLayout>
#include <QLineSeries>
#include <QPen>
#include <QScatterSeries>
#include <QVBoxLayout>
#include <QValueAxis>
#include <algorithm>
#include <cmath>
#include <iterator>
#include <vector>

#include "framework/calc_switch.h"
#include "framework/translation.h"
#include "workspace/workspace.h"
#include "gui/qt_text.h"
#include "plant/characteristics.h"
#include "valves/control_valve.h"

namespace torvacalc {

namespace {

// A parameter's value in the unit it is shown in (NoValue when the item
// is missing or has no valid value).
Extended Shown(const TWorkspace& calc, const char* name, int op) {
  const TCalcItem* item = calc.Item(name, op);
  const TCalcParameter* p = item ? item->AsParameter() : nullptr;
  if (!p) return NoValue;
  const TCalcParameter& shown = ShownParameter(*p);
  const Extended v = shown.GetCalcValue();
  return HasValue(v) ? shown.ConvertToUnit(v) : NoValue;
}

std::string UnitOf(const TWorkspace& calc, const char* name) {
  const TCalcItem* item = calc.Item(name, 0);
  const TCalcParameter* p = item ? item->AsParameter() : nullptr;
  return p ? ShownParameter(*p).GetCalcUnitName() : std::string();
}

Extended Basic(const TWorkspace& calc, const char* name, int op) {
  const TCalcItem* item = calc.Item(name, op);
  const TCalcParameter* p = item ? item->AsParameter() : nullptr;
  return p ? p->GetValue() : NoValue;
}

int CharacteristicOf(const TWorkspace& calc) {
  if (auto* s = dynamic_cast<const TCustomCalcMultiSwitch*>(calc.Item("CharacteristicType", 0)))
    return s->GetSwitchStatus();
  return ctEqualPercentage;
}

// The travel of an operating point in percent: the calculation's stroke
// position, or (for the valve module on its own) the travel its
// characteristic gives for Kv/Kvs.
Extended TravelOf(const TWorkspace& calc, int op) {
  if (calc.Item("StrokePosition", 0)) return Basic(calc, "StrokePosition", op);
  const Extended kv = Basic(calc, "kv", op), kvs = Basic(calc, "kvs", 0);
  if (!HasValue(kv) || !HasValue(kvs) || kvs <= 0) return NoValue;
  return tControlValve::CalculateStroke(static_cast<teCharacteristicType>(CharacteristicOf(calc)), 100 * kv / kvs,
                                        Basic(calc, "phi0", 0));
}

QString AxisTitle(const std::string& caption, const std::string& unit) {
  return Q(Translate(caption)) + (unit.empty() || unit == "-" ? QString() : " in " + Q(unit));
}

// Marks that tell the points apart also without colour.
constexpr QScatterSeries::MarkerShape kShapes[] = {QScatterSeries::MarkerShapeCircle,
                                                   QScatterSeries::MarkerShapeRectangle,
                                                   QScatterSeries::MarkerShapeTriangle, QScatterSeries::MarkerShapeStar};
const QColor kPointColours[] = {QColor(0, 90, 200), QColor(220, 110, 0), QColor(0, 150, 70), QColor(170, 30, 150)};

// The octave bands of the noise methods, 63 Hz to 16 kHz, A-weighted.
struct TBand {
  const char* Item;
  const char* Label;
};
constexpr TBand kBands[] = {{"LpAe63", "63"},  {"LpAe125", "125"}, {"LpAe250", "250"},
                            {"LpAe500", "500"}, {"LpAe1k", "1k"},   {"LpAe2k", "2k"},
                            {"LpAe4k", "4k"},   {"LpAe8k", "8k"},   {"LpAe16k", "16k"}};

}  // namespace

double TickStep(double span, int maxTicks) {
  if (!(span > 0) || maxTicks < 1) return 1;
  const double raw = span / maxTicks;
  const double decade = std::pow(10.0, std::floor(std::log10(raw)));
  for (double m : {1.0, 2.0, 5.0})
    if (m * decade >= raw * (1 - 1e-9)) return m * decade;
  return 10 * decade;
}

void SetTicks125(QValueAxis& axis, double low, double high) {
  if (!(high > low)) high = low + 1;
  const double step = TickStep(high - low);
  axis.setRange(std::floor(low / step) * step, std::ceil(high / step) * step);
  axis.setTickType(QValueAxis::TicksDynamic);
  axis.setTickAnchor(0);
  axis.setTickInterval(step);
  axis.setLabelFormat("%g");
}

TCharacteristicsWindow::TCharacteristicsWindow(TWorkspace& calc, const QString& title, QWidget* parent)
    : QWidget(parent, Qt::Window), FCalc(calc) {
  setWindowTitle(Q(Translate("Kennlinien")) + " - " + title);
  auto* layout = new QHBoxLayout(this);
  FCurve = new QChartView(this);
  FCurve->setRenderHint(QPainter::Antialiasing);
  auto* right = new QVBoxLayout;
  FPoint = new QComboBox(this);
  for (int op = 0; op < FCalc.OperatingPointCount(); ++op) FPoint->addItem(Q(FCalc.OperatingPointCaption(op)), op);
  FSpectrum = new QChartView(this);
  right->addWidget(FPoint);
  right->addWidget(FSpectrum, 1);
  layout->addWidget(FCurve, 3);
  layout->addLayout(right, 2);
  QObject::connect(FPoint, &QComboBox::activated, this, [this] { DrawSpectrum(); });
  resize(1200, 560);
  Refresh();
}

void TCharacteristicsWindow::Refresh() {
  DrawCurves();
  DrawSpectrum();
}

void TCharacteristicsWindow::DrawCurves() {
  const int ops = FCalc.OperatingPointCount();
  const Extended kvs = Shown(FCalc, "kvs", 0);
  const auto type = static_cast<teCharacteristicType>(CharacteristicOf(FCalc));
  const Extended phi0 = Basic(FCalc, "phi0", 0);

  auto* chart = new QChart;
  chart->setTitle(Q(Translate("Kennlinien")));
  auto* travel = new QValueAxis;
  SetTicks125(*travel, 0, 100);
  travel->setTitleText(Q(Translate("Hub h/H100 in %")));
  chart->addAxis(travel, Qt::AlignBottom);
  auto* kvAxis = new QValueAxis;
  kvAxis->setTitleText(AxisTitle("Kv", UnitOf(FCalc, "kv")));
  chart->addAxis(kvAxis, Qt::AlignLeft);
  double kvTop = HasValue(kvs) ? static_cast<double>(kvs) : 0;

  // The trim's characteristic: Kv over travel, drawn from the travel the
  // calculation finds for each Kv/Kvs.
  if (HasValue(kvs) && kvs > 0) {
    auto* curve = new QLineSeries;
    curve->setName(Q(Translate("Ventilkennlinie")));
    for (int i = 0; i <= 400; ++i) {
      const Extended r = i / 4.0L;  // Kv/Kvs in %
      const Extended h = tControlValve::CalculateStroke(type, r, phi0);
      if (HasValue(h)) curve->append(static_cast<double>(h), static_cast<double>(kvs * r / 100));
    }
    QPen pen = curve->pen();
    pen.setWidth(2);
    pen.setColor(Qt::black);
    curve->setPen(pen);
    chart->addSeries(curve);
    curve->attachAxis(travel);
    curve->attachAxis(kvAxis);
  }

  // Each operating point where the calculation places it; the load points
  // 1 to 3 also carry the plant (point X stands for a separate case).
  struct TLoad {
    int Op;
    double Travel, Kv, Flow;           // as shown
    Extended Qm, P1, P2, KvBasic;      // basic units: kg/h, bar(a)
  };
  std::vector<TLoad> loads;
  std::vector<QScatterSeries*> marks(ops, nullptr);
  for (int op = 0; op < ops; ++op) {
    const Extended h = TravelOf(FCalc, op), kv = Shown(FCalc, "kv", op);
    if (!HasValue(h) || !HasValue(kv)) continue;
    auto* point = new QScatterSeries;
    point->setName(Q(FCalc.OperatingPointCaption(op)));
    point->setMarkerShape(kShapes[op % 4]);
    point->setMarkerSize(12);
    point->setColor(kPointColours[op % 4]);
    point->setBorderColor(Qt::black);
    point->append(static_cast<double>(h), static_cast<double>(kv));
    chart->addSeries(point);
    point->attachAxis(travel);
    point->attachAxis(kvAxis);
    marks[op] = point;
    kvTop = std::max(kvTop, static_cast<double>(kv));
    const Extended q = Shown(FCalc, "qm", op);
    if (HasValue(q) && op < 3)
      loads.push_back({op, static_cast<double>(h), static_cast<double>(kv), static_cast<double>(q), Basic(FCalc, "qm", op),
                       Basic(FCalc, "P1", op), Basic(FCalc, "p2", op), Basic(FCalc, "kv", op)});
  }
  SetTicks125(*kvAxis, 0, kvTop > 0 ? kvTop * 1.05 : 1);

  // The installed characteristic: the flow the plant passes over the
  // travel. The plant's inlet and outlet pressures run through the load
  // points as the characteristics module lays them (y = A + B q^2 per
  // segment); at each flow the valve needs the Kv that passes it at the
  // plant's drop, scaled from the nearest load point as for a non-choked
  // turbulent flow of constant density (Kv ~ q / sqrt(dp), IEC 60534-2-1
  // eq. 1), so that the curve runs through the points themselves.
  bool usable = loads.size() >= 2 && HasValue(kvs) && kvs > 0;
  for (const TLoad& l : loads)
    usable = usable && HasValue(l.Qm) && HasValue(l.P1) && HasValue(l.P2) && HasValue(l.KvBasic) && l.Qm > 0;
  tCharacteristics plant;
  if (usable) {
    plant.SetNoOfValidOps(static_cast<int>(loads.size()));
    for (size_t i = 0; i < loads.size(); ++i) {
      plant.SetQm(static_cast<int>(i), loads[i].Qm);
      plant.SetP1(static_cast<int>(i), loads[i].P1);
      plant.SetP2(static_cast<int>(i), loads[i].P2);
    }
    usable = !plant.BadCurve();
  }
  if (usable) {
    auto* flowAxis = new QValueAxis;
    flowAxis->setTitleText(AxisTitle("Massenstrom", UnitOf(FCalc, "qm")));
    chart->addAxis(flowAxis, Qt::AlignRight);
    auto* flow = new QLineSeries;
    flow->setName(Q(Translate("Betriebskennlinie")));
    const double shownPerBasic = loads[0].Flow / static_cast<double>(loads[0].Qm);
    Extended qEnd = 0;
    for (const TLoad& l : loads) qEnd = std::max(qEnd, l.Qm);
    const Extended limit = plant.GetQax();
    qEnd = HasValue(limit) && limit > qEnd ? std::min(limit, 2 * qEnd) : 1.5L * qEnd;
    double top = 0;
    // An even grid of flows and the flows of the load points themselves.
    std::vector<Extended> flows;
    for (int i = 1; i <= 200; ++i) flows.push_back(qEnd * i / 200);
    for (const TLoad& l : loads) flows.push_back(l.Qm);
    std::sort(flows.begin(), flows.end());
    for (const Extended q : flows) {
      const Extended dp = plant.GetValue(tQuadCurves::cvP1, q) - plant.GetValue(tQuadCurves::cvP2, q);
      if (!HasValue(dp) || dp <= 0) break;
      const TLoad* near = &loads[0];
      for (const TLoad& l : loads)
        if (std::fabs(l.Qm - q) < std::fabs(near->Qm - q)) near = &l;
      const Extended kv = near->KvBasic * (q / near->Qm) * std::sqrt((near->P1 - near->P2) / dp);
      const Extended ratio = 100 * kv / Basic(FCalc, "kvs", 0);
      if (ratio > 100) break;
      const Extended h = tControlValve::CalculateStroke(type, ratio, phi0);
      if (!HasValue(h)) continue;
      flow->append(static_cast<double>(h), static_cast<double>(q) * shownPerBasic);
      top = std::max(top, static_cast<double>(q) * shownPerBasic);
    }
    QPen pen = flow->pen();
    pen.setStyle(Qt::DashLine);
    pen.setWidth(2);
    pen.setColor(QColor(200, 30, 30));
    flow->setPen(pen);
    chart->addSeries(flow);
    flow->attachAxis(travel);
    flow->attachAxis(flowAxis);
    // The load points on the flow axis, with the marks of their legend.
    for (const TLoad& l : loads) {
      auto* mark = new QScatterSeries;
      mark->setMarkerShape(kShapes[l.Op % 4]);
      mark->setMarkerSize(12);
      mark->setColor(kPointColours[l.Op % 4]);
      mark->setBorderColor(QColor(200, 30, 30));
      mark->append(l.Travel, l.Flow);
      chart->addSeries(mark);
      mark->attachAxis(travel);
      mark->attachAxis(flowAxis);
      for (QLegendMarker* m : chart->legend()->markers(mark)) m->setVisible(false);
      top = std::max(top, l.Flow);
    }
    SetTicks125(*flowAxis, 0, top > 0 ? top * 1.05 : 1);
  }
  // Beside the chart, one line an entry: every name readable at the
  // default size.
  chart->legend()->setAlignment(Qt::AlignRight);
  chart->legend()->setMarkerShape(QLegend::MarkerShapeFromSeries);
  QChart* old = FCurve->chart();
  FCurve->setChart(chart);
  delete old;
}

void TCharacteristicsWindow::DrawSpectrum() {
  const int op = std::max(0, FPoint->currentIndex());
  auto* spectrum = new QChart;
  auto* set = new QBarSet(Q(Translate("Schalldruckpegel")) + " " + Q(FCalc.OperatingPointCaption(op)));
  set->setColor(kPointColours[op % 4]);
  QStringList bands;
  bool any = false;
  double top = 0, energy = 0;
  for (const TBand& b : kBands) {
    bands << b.Label;
    const Extended level = Shown(FCalc, b.Item, op);
    any = any || HasValue(level);
    *set << (HasValue(level) ? static_cast<double>(level) : 0.0);
    if (HasValue(level)) {
      top = std::max(top, static_cast<double>(level));
      energy += std::pow(10.0, static_cast<double>(level) / 10);
    }
  }
  // The bands add up by energy to the level of the point.
  QString title = Q(Translate("Oktavspektrum")) + " - " + Q(FCalc.OperatingPointCaption(op));
  const TCalcItem* total = FCalc.Item("LpAa", op);
  if (!any) {
    title += " - " + Q(Translate("Keine Geräuschberechnung"));
  } else {
    title += "<br>" + Q(Translate("Summe")) + " = " + QString::number(10 * std::log10(energy), 'f', 1) + " dB(A)";
    if (total && !FieldText(*total).empty())
      title += ", LpAa = " + Q(FieldText(*total)) + " " + Q(UnitOf(FCalc, "LpAa"));
  }
  spectrum->setTitle(title);
  auto* bars = new QBarSeries;
  bars->append(set);
  spectrum->addSeries(bars);
  auto* bandAxis = new QBarCategoryAxis;
  bandAxis->append(bands);
  bandAxis->setTitleText(Q(Translate("Frequenz in Hz")));
  auto* level = new QValueAxis;
  SetTicks125(*level, 0, std::max(100.0, top + 5));
  level->setTitleText(Q(Translate("Pegel")) + " in dB(A)");
  spectrum->addAxis(bandAxis, Qt::AlignBottom);
  spectrum->addAxis(level, Qt::AlignLeft);
  bars->attachAxis(bandAxis);
  bars->attachAxis(level);
  spectrum->legend()->setAlignment(Qt::AlignBottom);
  QChart* old = FSpectrum->chart();
  FSpectrum->setChart(spectrum);
  delete old;
}

}  // namespace torvacalc
