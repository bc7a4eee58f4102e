// The second layer of a valve calculation: the pipe in which the valve
// sits (pipe class, nominal size, rating, outside diameter, wall, bore) and
// its material at the operating temperature, one of each for the whole
// calculation (FCCMNormPipeThickness1, FCCMMaterialData1).
//
// Wiring: what a module owns (its choices, the pipe dimensions, the
// material values) the main module shows by reading through the module's
// item; what comes from elsewhere in the calculation goes in: the pressure
// of point 1 to the pipe's rating check, the temperature of point 1 and the
// pipe's wall to the material.
#pragma once

#include <string>
#include <vector>

#include "assembly/scm_substances.h"
#include "piping/cm_material_data.h"
#include "piping/cm_norm_pipe_thickness.h"

namespace torvacalc {

class TCustomMCMSubstancesMaterialPipe : public TCustomMCMSubstances {
 public:
  explicit TCustomMCMSubstancesMaterialPipe(TCalcComponent* owner, std::string name = "MainCalcModule");
  const char* ClassName() const override { return "TCustomMCMSubstancesMaterialPipe"; }

  // Main-module name and module name of the pipe's and the material's items.
  struct TNamePair {
    const char* main;
    const char* module;
  };
  static const std::vector<TNamePair>& PipeItems();
  static const std::vector<TNamePair>& MaterialItems();
};

class TCustomSCMSubstancesMaterialPipe : public TCustomSCMSubstances {
 public:
  explicit TCustomSCMSubstancesMaterialPipe(TCalcComponent* owner = nullptr,
                                            std::string name = "SCMSubstancesMaterialPipe");
  const char* ClassName() const override { return "TCustomSCMSubstancesMaterialPipe"; }

  TCCMNormPipeThickness* FCCMNormPipeThickness1 = nullptr;
  TCCMMaterialData* FCCMMaterialData1 = nullptr;
  TCalcConnector *FCalcConnectorNormPipeThickness1 = nullptr, *FCalcConnectorMaterialData1 = nullptr;

 protected:
  TCustomSCMSubstancesMaterialPipe(TCalcComponent* owner, std::string name, TMainModuleFactory makeMain);
  void Init() override;
};

}  // namespace torvacalc
