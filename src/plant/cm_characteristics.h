// The calculation module of the plant characteristic: the operating points
// 1 to 3 under indexed names (qm1, p11, p21, pr1, ... for point 1; qm2,
// p12, ... for point 2), the number of points to use, the evaluation flow
// qmx, and the state of the plant at qmx with its flow limits. The
// engineering lives in tCharacteristics.
#pragma once

#include <array>
#include <memory>
#include <string>

#include "framework/calc_module.h"
#include "framework/calc_switch.h"
#include "plant/characteristics.h"

namespace torvacalc {

class TCMCharacteristics : public TCalcModule {
 public:
  explicit TCMCharacteristics(TCalcComponent* owner = nullptr,
                              std::string name = "CMCharacteristics");
  ~TCMCharacteristics() override;
  const char* ClassName() const override { return "TCMCharacteristics"; }

  tCharacteristics& Characteristics() { return *FChar; }
  // A new evaluation flow (kg/h); the module recalculates when active.
  void SetQmx(Extended qm);

  // Per point (index 0..2 for the points 1..3).
  std::array<TInputParameter*, 3> qm, p1, p2, pr, pv1, pv2, t1, t2, phiRel, fmss, xFG1, xFG2,
      xFG2L;
  TInputParameter *NoOfValidOps, *qmax, *qmx;
  TOutputParameter *p1x, *p2x, *prx, *pv1x, *pv2x, *t1x, *t2x, *phiRelx, *xFG1x, *xFG2x,
      *xFG2Lx, *fmssx, *VDynX, *ax, *a1, *dpMin, *dpMax;
  TCalcSwitch *UseResistors, *UseSmoothCurves, *BadPressureCurves, *Optimization;

 protected:
  void DoCalculate() override;

 private:
  int Points() const;
  std::unique_ptr<tCharacteristics> FChar;
};

}  // namespace torvacalc
