// The fourth layer of a valve calculation: the flow at each operating
// point. One flow module per point (FCCMFlow1, FCCMFlow2, FCCMFlow3,
// FCCMFlowX) converts the flow the user gives there (mass flow, operating
// volume flow, or normal volume flow of a dry or moist gas, as QmOrQv and
// QmOrQvMoist say for all points) into the others, with the density,
// pressure, temperature and humidity of that point. The flow modules of
// points that are off do not calculate.
#pragma once

#include <string>
#include <vector>

#include "assembly/scm_operating_points.h"
#include "piping/cm_flow.h"

namespace torvacalc {

class TCustomMCM3SubstancesMaterialPipe3Flow : public TCustomMCM3SubstancesMaterialPipe {
 public:
  explicit TCustomMCM3SubstancesMaterialPipe3Flow(TCalcComponent* owner, std::string name = "MainCalcModule");
  const char* ClassName() const override { return "TCustomMCM3SubstancesMaterialPipe3Flow"; }
  // The flows of a point (without suffix).
  static const std::vector<std::string>& FlowNames();
};

class TCustomSCM3SubstancesMaterialPipe3Flow : public TCustomSCM3SubstancesMaterialPipe {
 public:
  explicit TCustomSCM3SubstancesMaterialPipe3Flow(TCalcComponent* owner = nullptr,
                                                  std::string name = "SCM3SubstancesMaterialPipe3Flow");
  const char* ClassName() const override { return "TCustomSCM3SubstancesMaterialPipe3Flow"; }

  TCCMAllFlow *FCCMFlow1 = nullptr, *FCCMFlow2 = nullptr, *FCCMFlow3 = nullptr, *FCCMFlowX = nullptr;
  TCalcConnector *FCalcConnectorFlow1 = nullptr, *FCalcConnectorFlow2 = nullptr, *FCalcConnectorFlow3 = nullptr,
                 *FCalcConnectorFlowX = nullptr;
  // The flow module of point 1, 2, 3 or X (4).
  TCCMAllFlow* Flow(int point) const;

 protected:
  TCustomSCM3SubstancesMaterialPipe3Flow(TCalcComponent* owner, std::string name, TMainModuleFactory makeMain);
  void Init() override;
  void ApplyNoOfOps() override;
  void ApplyOpXEnabled() override;
};

}  // namespace torvacalc
