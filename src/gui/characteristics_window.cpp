#include "gui/characteristics_window.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QHBoxLayout>
#include <QLineSeries>
#include <QPen>
#include <QScatterSeries>
#include <QValueAxis>
#include <algorithm>
#include <cmath>
#include <iterator>
#include <vector>

#include "framework/calc_switch.h"
#include "framework/translation.h"
#include "workspace/workspace.h"
#include "gui/qt_text.h"
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

}  // namespace

TCharacteristicsWindow::TCharacteristicsWindow(TWorkspace& calc, const QString& title, QWidget* parent)
    : QWidget(parent, Qt::Window), FCalc(calc) {
  setWindowTitle(Q(Translate("Kennlinien")) + " - " + title);
  auto* layout = new QHBoxLayout(this);
  FCurve = new QChartView(this);
  FSpectrum = new QChartView(this);
  FCurve->setRenderHint(QPainter::Antialiasing);
  layout->addWidget(FCurve, 3);
  layout->addWidget(FSpectrum, 2);
  resize(1200, 520);
  Refresh();
}

void TCharacteristicsWindow::Refresh() {
  const int ops = FCalc.OperatingPointCount();
  const Extended kvs = Shown(FCalc, "kvs", 0);
  const auto type = static_cast<teCharacteristicType>(CharacteristicOf(FCalc));
  const Extended phi0 = Basic(FCalc, "phi0", 0);

  auto* chart = new QChart;
  chart->setTitle(Q(Translate("Kennlinien")));
  auto* travel = new QValueAxis;
  travel->setRange(0, 100);
  travel->setTitleText(Q(Translate("Hub h/H100 in %")));
  chart->addAxis(travel, Qt::AlignBottom);
  auto* kvAxis = new QValueAxis;
  kvAxis->setTitleText(AxisTitle("Kv", UnitOf(FCalc, "kv")));
  kvAxis->setLabelFormat("%g");
  travel->setLabelFormat("%g");
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
    chart->addSeries(curve);
    curve->attachAxis(travel);
    curve->attachAxis(kvAxis);
  }
  // Each operating point where the calculation places it.
  struct TPoint {
    double Travel, Kv, Flow;
  };
  std::vector<TPoint> installed;
  for (int op = 0; op < ops; ++op) {
    const Extended h = TravelOf(FCalc, op), kv = Shown(FCalc, "kv", op);
    if (!HasValue(h) || !HasValue(kv)) continue;
    auto* point = new QScatterSeries;
    point->setName(Q(FCalc.OperatingPointCaption(op)));
    point->setMarkerSize(11);
    point->append(static_cast<double>(h), static_cast<double>(kv));
    chart->addSeries(point);
    point->attachAxis(travel);
    point->attachAxis(kvAxis);
    kvTop = std::max(kvTop, static_cast<double>(kv));
    // The installed characteristic runs through the load points 1 to 3;
    // point X stands for a separate case (start-up, a special duty).
    const Extended q = Shown(FCalc, "qm", op);
    if (HasValue(q) && op < 3)
      installed.push_back({static_cast<double>(h), static_cast<double>(kv), static_cast<double>(q)});
  }
  kvAxis->setRange(0, kvTop > 0 ? kvTop * 1.05 : 1);
  // The installed characteristic: the flow the plant passes at the travels
  // of its load points.
  if (installed.size() >= 2) {
    std::sort(installed.begin(), installed.end(), [](const TPoint& a, const TPoint& b) { return a.Travel < b.Travel; });
    auto* flowAxis = new QValueAxis;
    flowAxis->setTitleText(AxisTitle("Massenstrom", UnitOf(FCalc, "qm")));
    flowAxis->setLabelFormat("%g");
    chart->addAxis(flowAxis, Qt::AlignRight);
    auto* flow = new QLineSeries;
    flow->setName(Q(Translate("Betriebskennlinie")));
    double top = 0;
    for (const TPoint& p : installed) {
      flow->append(p.Travel, p.Flow);
      top = std::max(top, p.Flow);
    }
    QPen pen = flow->pen();
    pen.setStyle(Qt::DashLine);
    pen.setWidth(2);
    flow->setPen(pen);
    chart->addSeries(flow);
    flow->attachAxis(travel);
    flow->attachAxis(flowAxis);
    flowAxis->setRange(0, top > 0 ? top * 1.05 : 1);
  }
  chart->legend()->setAlignment(Qt::AlignBottom);
  QChart* old = FCurve->chart();
  FCurve->setChart(chart);
  delete old;

  // The octave bands of the sound pressure level at operating point 1.
  static const char* const kBands[] = {"LpAa0500", "LpAa1000", "LpAa2000", "LpAa4000", "LpAa8000"};
  static const int kHz[] = {500, 1000, 2000, 4000, 8000};
  auto* spectrum = new QChart;
  auto* set = new QBarSet(Q(Translate("Schalldruckpegel")) + " " + Q(FCalc.OperatingPointCaption(0)));
  QStringList bands;
  bool any = false;
  double top = 0;
  for (size_t i = 0; i < std::size(kBands); ++i) {
    bands << QString::number(kHz[i]);
    const Extended level = Shown(FCalc, kBands[i], 0);
    any = any || HasValue(level);
    *set << (HasValue(level) ? static_cast<double>(level) : 0.0);
    if (HasValue(level)) top = std::max(top, static_cast<double>(level));
  }
  QString title = Q(Translate("Oktavspektrum"));
  const TCalcItem* total = FCalc.Item("LpAa", 0);
  if (!any)
    title += " - " + Q(Translate("Keine Geräuschberechnung"));
  else if (total && !FieldText(*total).empty())
    title += " - LpAa = " + Q(FieldText(*total)) + " " + Q(UnitOf(FCalc, "LpAa"));
  spectrum->setTitle(title);
  auto* bars = new QBarSeries;
  bars->append(set);
  spectrum->addSeries(bars);
  auto* bandAxis = new QBarCategoryAxis;
  bandAxis->append(bands);
  bandAxis->setTitleText(Q(Translate("Frequenz in Hz")));
  auto* level = new QValueAxis;
  level->setRange(0, std::max(120.0, 10 * std::ceil(top / 10 + 0.5)));
  level->setTitleText(Q(Translate("Pegel in dB")));
  level->setLabelFormat("%g");
  spectrum->addAxis(bandAxis, Qt::AlignBottom);
  spectrum->addAxis(level, Qt::AlignLeft);
  bars->attachAxis(bandAxis);
  bars->attachAxis(level);
  old = FSpectrum->chart();
  FSpectrum->setChart(spectrum);
  delete old;
}

}  // namespace torvacalc
