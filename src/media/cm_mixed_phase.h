// The calculation modules of gas-liquid mixtures: the density and sound
// speed of the mixture (TCMMixedDensity) and the two-phase correction of a
// valve calculation (TCMMixedPhaseCorr).
#pragma once

#include <string>

#include "framework/calc_module.h"
#include "framework/calc_switch.h"
#include "media/mixed_phase.h"

namespace torvacalc {

class TCMMixedDensity : public TCalcModule {
 public:
  explicit TCMMixedDensity(TCalcComponent* owner = nullptr, std::string name = "CMMixedDensity");
  ~TCMMixedDensity() override;
  const char* ClassName() const override { return "TCMMixedDensity"; }
  TMixedDensity& Mixture() { return FMixture; }

  TCalcListSwitch *Phase = nullptr, *FlowState = nullptr, *SubstanceType = nullptr;
  TInputParameter *RhoF = nullptr, *RhoG = nullptr, *RhoV = nullptr, *kappaG = nullptr, *cfF = nullptr, *cfG = nullptr,
                  *pv1 = nullptr, *pv2 = nullptr, *p2 = nullptr, *xFG = nullptr;
  TOverruleParameter *Rho = nullptr, *cf = nullptr;

 protected:
  void DoCalculate() override;

 private:
  TMixedDensity FMixture;
};

class TCMMixedPhaseCorr : public TCalcModule {
 public:
  explicit TCMMixedPhaseCorr(TCalcComponent* owner = nullptr, std::string name = "CMMixedPhaseCorr");
  ~TCMMixedPhaseCorr() override;
  const char* ClassName() const override { return "TCMMixedPhaseCorr"; }
  const TMixedPhaseCorr& Correction() const { return FCorr; }

  TCalcListSwitch *Phase = nullptr, *SubstanceType = nullptr, *SubstancetypeV = nullptr,
                  *CalculatedPhaseV = nullptr, *ValveType = nullptr, *CharacteristicType = nullptr,
                  *NoiseNormLiquid = nullptr, *NoiseNormGas = nullptr;
  TInputParameter *qm = nullptr, *kvs = nullptr, *phi0 = nullptr, *xFG1 = nullptr, *xFG2l = nullptr,
                  *t2VP = nullptr, *t2LP = nullptr, *kvv = nullptr, *kvl = nullptr, *LpAav = nullptr,
                  *LpAal = nullptr, *PVerv = nullptr, *PVerl = nullptr, *rho1v = nullptr, *rho1l = nullptr,
                  *rho2v = nullptr, *rho2l = nullptr, *cf2v = nullptr, *cf2l = nullptr;
  TInOutParameter *tv1 = nullptr, *pv1 = nullptr, *t1 = nullptr, *p1 = nullptr, *p2 = nullptr;
  TOutputParameter *qml = nullptr, *qmv = nullptr, *kv = nullptr, *kvkvs = nullptr, *h = nullptr,
                   *LpAa = nullptr, *PVer = nullptr, *xv1 = nullptr;
  TOverruleParameter *rho1 = nullptr, *rho2 = nullptr, *t2 = nullptr, *cf2 = nullptr, *xFG2 = nullptr,
                     *fmss = nullptr;

 protected:
  void DoCalculate() override;

 private:
  TMixedPhaseCorr FCorr;
};

}  // namespace torvacalc
