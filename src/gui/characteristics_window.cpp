#include "gui/characteristics_window.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QHBoxLayout>
#include <QLineSeries>
#include <QScatterSeries>
#include <QValueAxis>
#include <algorithm>
#include <cmath>

#include "framework/calc_switch.h"
#include "framework/translation.h"
#include "gui/gui_calculation.h"
#include "gui/qt_text.h"

namespace torvacalc {

double InherentCharacteristic(int type, double h) {
  constexpr double phi0 = 1.0 / 50;
  h = std::clamp(h, 0.0, 1.0);
  if (type == 0 || type == 5) return phi0 * std::exp(h * std::log(1 / phi0));  // equal percentage
  return phi0 + (1 - phi0) * h;
}

namespace {

// The travel at which the characteristic passes Kv/Kvs (bisection; the
// characteristics rise monotonically).
double TravelOf(int type, double phi) {
  double lo = 0, hi = 1;
  for (int i = 0; i < 60; ++i) {
    const double mid = (lo + hi) / 2;
    (InherentCharacteristic(type, mid) < phi ? lo : hi) = mid;
  }
  return (lo + hi) / 2;
}

}  // namespace

TCharacteristicsWindow::TCharacteristicsWindow(TGuiCalculation& calc, const QString& title, QWidget* parent)
    : QWidget(parent, Qt::Window), FCalc(calc) {
  setWindowTitle(Q(Translate("Kennlinien")) + " - " + title);
  auto* layout = new QHBoxLayout(this);
  FCurve = new QChartView(this);
  FSpectrum = new QChartView(this);
  FCurve->setRenderHint(QPainter::Antialiasing);
  layout->addWidget(FCurve);
  layout->addWidget(FSpectrum);
  resize(1000, 450);
  Refresh();
}

void TCharacteristicsWindow::Refresh() {
  int type = 0;
  if (auto* s = dynamic_cast<TCustomCalcMultiSwitch*>(FCalc.Item("CharacteristicType", 0))) type = s->GetSwitchStatus();

  auto* chart = new QChart;
  chart->setTitle(Q(Translate("Installierte Kennlinie")));
  auto* curve = new QLineSeries;
  curve->setName(Q(Translate("Kennlinie")));
  for (int i = 0; i <= 100; ++i) curve->append(i, 100 * InherentCharacteristic(type, i / 100.0));
  chart->addSeries(curve);
  auto* points = new QScatterSeries;
  points->setName(Q(Translate("Betriebspunkte")));
  for (int op = 0; op < FCalc.OperatingPointCount(); ++op) {
    const TCalcItem* kv = FCalc.Item("kv", op);
    const TCalcItem* kvs = FCalc.Item("kvs", op);
    if (!kv || !kvs || !kv->AsParameter() || !kvs->AsParameter()) continue;
    const Extended a = kv->AsParameter()->GetCalcValue(), b = kvs->AsParameter()->GetCalcValue();
    if (!HasValue(a) || !HasValue(b) || b <= 0) continue;
    const double phi = std::min(1.0, static_cast<double>(a / b));
    points->append(100 * TravelOf(type, phi), 100 * phi);
  }
  chart->addSeries(points);
  auto* x = new QValueAxis;
  x->setRange(0, 100);
  x->setTitleText(Q(Translate("Hub h/H100 in %")));
  auto* y = new QValueAxis;
  y->setRange(0, 100);
  y->setTitleText(Q(Translate("Kv/Kvs in %")));
  chart->addAxis(x, Qt::AlignBottom);
  chart->addAxis(y, Qt::AlignLeft);
  for (auto* s : {static_cast<QAbstractSeries*>(curve), static_cast<QAbstractSeries*>(points)}) {
    s->attachAxis(x);
    s->attachAxis(y);
  }
  QChart* old = FCurve->chart();
  FCurve->setChart(chart);
  delete old;

  // The octave bands of the sound power spectrum (IEC 60534-8-3); empty
  // until a noise prediction belongs to the calculation.
  auto* spectrum = new QChart;
  spectrum->setTitle(Q(Translate("Oktavspektrum")) + " - " + Q(Translate("Keine Geraeuschberechnung")));
  auto* set = new QBarSet(Q(Translate("Schallleistungspegel")));
  QStringList bands;
  for (int f : {63, 125, 250, 500, 1000, 2000, 4000, 8000}) {
    bands << QString::number(f);
    *set << 0;
  }
  auto* bars = new QBarSeries;
  bars->append(set);
  spectrum->addSeries(bars);
  auto* bandAxis = new QBarCategoryAxis;
  bandAxis->append(bands);
  bandAxis->setTitleText(Q(Translate("Frequenz in Hz")));
  auto* level = new QValueAxis;
  level->setRange(0, 120);
  level->setTitleText(Q(Translate("Pegel in dB")));
  spectrum->addAxis(bandAxis, Qt::AlignBottom);
  spectrum->addAxis(level, Qt::AlignLeft);
  bars->attachAxis(bandAxis);
  bars->attachAxis(level);
  old = FSpectrum->chart();
  FSpectrum->setChart(spectrum);
  delete old;
}

}  // namespace torvacalc
