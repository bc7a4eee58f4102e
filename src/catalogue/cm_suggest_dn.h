// The nominal size suggestion: the recommended maximum velocities in the
// valve inlet and outlet for the medium and flow state, and the smallest
// standard size of the pipe class that keeps the flow below them.
//
// Limits (velocities in m/s):
//  - Liquids: in the outlet by the flow state, the values given or the
//    customary ones of the noise methods (TCMCustomNoisePrediction::GetMaxU:
//    4 without cavitation, 5 with cavitation or flashing, 3 where damage is
//    expected); in the inlet, upstream of the vena contracta, the limit
//    without cavitation.
//  - Gases and vapours: a Mach number of 0.3 in the inlet and the outlet,
//    u = 0.3 cf2, above which the flow in the valve body is no longer
//    nearly incompressible and aerodynamic noise grows steeply (the
//    customary limit of VDMA 24422 and of the sizing's velocity check).
//    Throttling an ideal gas keeps its temperature, so the sound speed at
//    the outlet stands for the inlet as well.
//  - Mixed phases and liquids flashing into two phases: the gas limit of
//    the noise methods (30 m/s).
// The smallest size: the first DN of the pipe class whose mean velocity
// u = Qm / (rho pi DN^2 / 4) stays at or below the limit in the inlet
// (rho1) and in the outlet (rho2, rho1 for a liquid without rho2).
#pragma once

#include <string>
#include <vector>

#include "framework/calc_module.h"
#include "framework/calc_switch.h"
#include "valves/valve_types.h"

namespace torvacalc {

class TCMSuggestDN : public TCalcModule {
 public:
  // The Mach number limit of gases and vapours in the valve.
  static constexpr Extended GasMach = 0.3L;

  explicit TCMSuggestDN(TCalcComponent* owner = nullptr, std::string name = "CMSuggestDN");
  ~TCMSuggestDN() override;
  const char* ClassName() const override { return "TCMSuggestDN"; }
  std::string ModuleCaption() const override { return "Nennweitenvorschlag"; }

  // The recommended maximum velocities in the inlet and in the outlet;
  // NoValue when the limit cannot be told (a gas without its sound speed).
  static void MaxVelocities(TEPhase phase, teCalculatedPhase calculated, TECVFlowState state,
                            Extended cf2, Extended noCav, Extended cav, Extended partCav,
                            Extended flashing, Extended& maxU1, Extended& maxU2);
  // The smallest of the ascending sizes DNs (mm) whose mean velocity of Qm
  // (kg/h) at rho (kg/m3) does not exceed u (m/s); NoValue when even the
  // largest is too small or an input is missing.
  static Extended SmallestDN(const std::vector<Extended>& DNs, Extended Qm, Extended rho, Extended u);
  // The standard sizes of a pipe class (by the switch's name), from the
  // pipe database; the EN 1092-1 series when the database cannot be read.
  static std::vector<Extended> StandardSizes(const std::string& pipeClass);

  TCalcListSwitch *Phase, *CalculatedPhase, *FlowState;
  TPipeClassSwitch* PipeClass;
  TModifyParameter *kvs, *DNV;
  TInOutParameter *qm, *p2;
  TInputParameter *rho1, *rho2, *cf2, *uMaxCav, *uMaxFlashing, *uMaxNoCav, *uMaxPartCav;
  TOutputParameter *MaxU1, *MaxU2, *MinDN;

 protected:
  void DoCalculate() override;
};

}  // namespace torvacalc
