// The characteristics window: the installed valve characteristic with the
// operating points on it, and the octave spectrum of the noise prediction.
#pragma once

#include <QWidget>

class QChartView;

namespace torvacalc {

class TGuiCalculation;

// The relative flow coefficient Kv/Kvs of an inherent characteristic at
// relative travel h (0..1), with the theoretical rangeability Kvs/Kv0 = 50
// (VDI/VDE 2173; IEC 60534-2-4 describes the same forms): linear
// Kv/Kvs = Phi0 + (1 - Phi0) h, equal percentage Kv/Kvs = Phi0 exp(h ln(1/Phi0)),
// Phi0 = 1/50. Other kinds (modified, on/off, measured) are drawn linear
// until their measured tables are part of the calculation.
double InherentCharacteristic(int characteristicType, double h);

class TCharacteristicsWindow : public QWidget {
 public:
  TCharacteristicsWindow(TGuiCalculation& calc, const QString& title, QWidget* parent = nullptr);
  // Draws the charts anew from the calculation.
  void Refresh();

 private:
  TGuiCalculation& FCalc;
  QChartView* FCurve;
  QChartView* FSpectrum;
};

}  // namespace torvacalc
