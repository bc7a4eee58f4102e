// The characteristics window: the valve's characteristic over its travel
// with the operating points where the calculation places them, the flow
// the plant passes at those travels (the installed characteristic), and
// the octave spectrum of the sound pressure level at operating point 1.
// Everything drawn is read from the calculation's items; the curve of the
// trim is the valve calculation's own relation between Kv/Kvs and travel.
#pragma once

#include <QWidget>

class QChartView;

namespace torvacalc {

class TWorkspace;

class TCharacteristicsWindow : public QWidget {
 public:
  TCharacteristicsWindow(TWorkspace& calc, const QString& title, QWidget* parent = nullptr);
  // Draws the charts anew from the calculation.
  void Refresh();
  QChartView* CurveView() const { return FCurve; }
  QChartView* SpectrumView() const { return FSpectrum; }

 private:
  TWorkspace& FCalc;
  QChartView* FCurve;
  QChartView* FSpectrum;
};

}  // namespace torvacalc
