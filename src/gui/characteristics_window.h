// The characteristics window: the valve's characteristic over its travel
// with the operating points where the calculation places them, the flow
// the plant passes over the whole travel (the installed characteristic,
// from the plant's pressures through the operating points), and the
// octave spectrum of the sound pressure level at a chosen point.
// Everything drawn is read from the calculation's items; nothing here
// changes the calculation.
#pragma once

#include <QWidget>

class QChartView;
class QComboBox;
class QValueAxis;

namespace torvacalc {

class TWorkspace;

// The step of axis ticks for a span: 1, 2 or 5 times a power of ten, so
// that the span takes at most `maxTicks` steps.
double TickStep(double span, int maxTicks = 6);
// The axis from `low` to at least `high`, ticks in such steps from zero.
void SetTicks125(QValueAxis& axis, double low, double high);

class TCharacteristicsWindow : public QWidget {
 public:
  TCharacteristicsWindow(TWorkspace& calc, const QString& title, QWidget* parent = nullptr);
  // Draws the charts anew from the calculation.
  void Refresh();
  QChartView* CurveView() const { return FCurve; }
  QChartView* SpectrumView() const { return FSpectrum; }
  // The point whose spectrum is shown (0 for point 1).
  QComboBox* SpectrumPoint() const { return FPoint; }

 private:
  void DrawCurves();
  void DrawSpectrum();

  TWorkspace& FCalc;
  QChartView* FCurve;
  QChartView* FSpectrum;
  QComboBox* FPoint;
};

}  // namespace torvacalc
