#include "assembly/whole_calculation.h"

#include "assembly/scm_control_valves.h"

namespace torvacalc {

namespace {

struct TLayer {
  const char* className;
  std::unique_ptr<TCustomSCMSubstances> (*create)(bool switchOn);
};

template <class T>
std::unique_ptr<TCustomSCMSubstances> Create(bool switchOn) {
  auto c = std::make_unique<T>(nullptr);
  c->AfterCreate(switchOn);
  return c;
}

// Every layer is a calculation of its own: a file saved from any of them
// opens again as that layer.
const TLayer kLayers[] = {
    {"TCustomSCMSubstances", Create<TCustomSCMSubstances>},
    {"TCustomSCMSubstancesMaterialPipe", Create<TCustomSCMSubstancesMaterialPipe>},
    {"TCustomSCM3SubstancesMaterialPipe", Create<TCustomSCM3SubstancesMaterialPipe>},
    {"TCustomSCM3SubstancesMaterialPipe3Flow", Create<TCustomSCM3SubstancesMaterialPipe3Flow>},
    {"TCustomSCM3ControlValves", Create<TCustomSCM3ControlValves>},
    {"TSCMTorva", Create<TSCMTorva>},
};

}  // namespace

std::unique_ptr<TCustomSCMSubstances> CreateWholeCalculation() { return CreateCalculation<TSCMTorva>(); }

std::unique_ptr<TCustomSCMSubstances> CreateWholeCalculationOfClass(const std::string& className, bool switchOn) {
  for (const TLayer& l : kLayers)
    if (className == l.className) return l.create(switchOn);
  return nullptr;
}

std::vector<std::string> WholeCalculationClasses() {
  std::vector<std::string> names;
  for (const TLayer& l : kLayers) names.emplace_back(l.className);
  return names;
}

}  // namespace torvacalc
