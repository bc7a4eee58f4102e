// The calculation modules that exist on their own: one row a kind, which
// is all a new module needs to be created, saved and opened again by every
// front end.
#include "workspace/module_kinds.h"

#include "assembly/noise_methods.h"
#include "piping/cm_flow.h"
#include "piping/cm_material_data.h"
#include "media/cm_mixed_phase.h"
#include "piping/cm_norm_pipe_thickness.h"
#include "media/cm_water_injection.h"
#include "media/substances_module.h"
#include "catalogue/cm_actuator.h"
#include "plant/cm_characteristics.h"
#include "valves/cm_control_valves.h"
#include "plant/cm_resistor.h"
#include "catalogue/cm_suggest_dn.h"
#include "catalogue/cm_valve_database.h"

namespace torvacalc {

const std::vector<TModuleKind>& ModuleKinds() {
  static const std::vector<TModuleKind> kinds = [] {
    std::vector<TModuleKind> v = {
        {"valve", "TCMControlValves", "cvc", [] { return std::make_unique<TCMControlValves>(); },
         "control valve sizing"},
        {"substances", "TCMSubstances", "sub", [] { return CreateSubstancesModule(); },
         "properties of the medium"},
        {"material", "TCMMaterialData", "cmd", [] { return std::make_unique<TCMMaterialData>(); },
         "pipe material strengths and physical data"},
        {"pipe", "TCMNormPipeThickness", "cnp", [] { return std::make_unique<TCMNormPipeThickness>(); },
         "pipe class, nominal size, wall and bore"},
        {"flow", "TCMAllFlow", "caf", [] { return std::make_unique<TCMAllFlow>(); },
         "mass, volume and normal volume flow"},
        {"mixeddensity", "TCMMixedDensity", "cmx", [] { return std::make_unique<TCMMixedDensity>(); },
         "density of a liquid-vapour or liquid-gas mixture"},
        {"mixedphase", "TCMMixedPhaseCorr", "cmp", [] { return std::make_unique<TCMMixedPhaseCorr>(); },
         "two-phase correction of the flow coefficient"},
        {"valvedb", "TCMValveDatabase", "cvd", [] { return std::make_unique<TCMValveDatabase>(); },
         "a valve of the sample catalogue for a duty"},
        {"suggestdn", "TCMSuggestDN", "csd", [] { return std::make_unique<TCMSuggestDN>(); },
         "recommended velocities and smallest valve size"},
        {"characteristics", "TCMCharacteristics", "chc", [] { return std::make_unique<TCMCharacteristics>(); },
         "plant state between the operating points"},
        {"resistor", "TCMResistor", "rsc", [] { return std::make_unique<TCMResistor>(); },
         "restriction orifice, perforated plate, stages"},
        {"p2resistor", "TCMp2Resistor", "p2c", [] { return std::make_unique<TCMp2Resistor>(); },
         "resistor carried to another operating point"},
        {"waterinjection", "TCMWaterInjection", "cwi", [] { return std::make_unique<TCMWaterInjection>(); },
         "state behind the valve, steam desuperheating"},
        {"actuator", "TCMActuator", "cac", [] { return std::make_unique<TCMActuator>(); },
         "thrust of a globe valve and its actuator"},
        {"actuatordb", "TCMActuatorDataBase", "cad", [] { return std::make_unique<TCMActuatorDataBase>(); },
         "actuator from the catalogue"},
    };
    // The noise methods after the resistors, one kind each (their table).
    auto at = v.begin() + 12;
    for (const TNoiseMethod& n : NoiseMethods())
      at = v.insert(at, TModuleKind{n.Kind, n.ClassName, "cvn", n.CreateAlone, n.Title}) + 1;
    return v;
  }();
  return kinds;
}


const TModuleKind* ModuleKindByName(const std::string& kind) {
  for (const auto& k : ModuleKinds())
    if (kind == k.kind) return &k;
  return nullptr;
}

const TModuleKind* ModuleKindByClass(const std::string& className) {
  for (const auto& k : ModuleKinds())
    if (className == k.className) return &k;
  return nullptr;
}

std::string ModuleKindNames() {
  std::string names;
  for (const auto& k : ModuleKinds()) names += (names.empty() ? "" : ", ") + std::string(k.kind);
  return names;
}

TStandaloneModule::TStandaloneModule(const TModuleKind& kind) : FModule(kind.create()) {
  FModule->SetCalcMessageContainer(&FMessages);
}

TStandaloneModule::~TStandaloneModule() {
  FMessages.RemoveAllMessages();
  FModule->SetCalcMessageContainer(nullptr);
}

}  // namespace torvacalc
