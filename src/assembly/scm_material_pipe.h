// The second layer of a valve calculation: the material and the pipe
// (nominal size, rating, wall) in which the valve sits, one for the whole
// calculation.
#pragma once

#include <string>

#include "assembly/scm_substances.h"

namespace torvacalc {

class TCustomMCMSubstancesMaterialPipe : public TCustomMCMSubstances {
 public:
  explicit TCustomMCMSubstancesMaterialPipe(TCalcComponent* owner, std::string name = "MainCalcModule");
  const char* ClassName() const override { return "TCustomMCMSubstancesMaterialPipe"; }
};

class TCustomSCMSubstancesMaterialPipe : public TCustomSCMSubstances {
 public:
  explicit TCustomSCMSubstancesMaterialPipe(TCalcComponent* owner = nullptr,
                                            std::string name = "SCMSubstancesMaterialPipe");
  const char* ClassName() const override { return "TCustomSCMSubstancesMaterialPipe"; }

 protected:
  TCustomSCMSubstancesMaterialPipe(TCalcComponent* owner, std::string name, TMainModuleFactory makeMain);
  void Init() override;
};

}  // namespace torvacalc
