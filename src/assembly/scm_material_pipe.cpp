#include "assembly/scm_material_pipe.h"

namespace torvacalc {

TCustomMCMSubstancesMaterialPipe::TCustomMCMSubstancesMaterialPipe(TCalcComponent* owner, std::string name)
    : TCustomMCMSubstances(owner, std::move(name)) {}

TCustomSCMSubstancesMaterialPipe::TCustomSCMSubstancesMaterialPipe(TCalcComponent* owner, std::string name)
    : TCustomSCMSubstancesMaterialPipe(owner, std::move(name), MakeMainModule<TCustomMCMSubstancesMaterialPipe>) {}

TCustomSCMSubstancesMaterialPipe::TCustomSCMSubstancesMaterialPipe(TCalcComponent* owner, std::string name,
                                                                   TMainModuleFactory makeMain)
    : TCustomSCMSubstances(owner, std::move(name), makeMain) {}

void TCustomSCMSubstancesMaterialPipe::Init() { TCustomSCMSubstances::Init(); }

}  // namespace torvacalc
