// Which items mean anything for the calculation as it stands: an item
// that has no meaning for the medium, its phase, the valve style or an
// option not chosen (the isentropic exponent of a liquid, the cavitation
// indices of a gas, the trims of a rotary valve beside a globe valve, the
// orifice without an orifice) is left out of every table and marked
// "relevant": false in JSON. One table of item names and the condition
// under which they apply (docs/relevance.md); everything it does not name
// is always relevant.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "framework/calc_module.h"

namespace torvacalc {

// What an item needs to mean anything.
enum class TRelevantWhen : std::uint8_t {
  Gas,        // a gas or vapour flows (not a liquid)
  Liquid,     // a liquid flows (a liquid or a liquid with vapour or gas)
  Water,      // water (or a pulp in water) is the medium, or a gas carries water vapour
  Pulp,       // a pulp suspension is the medium
  MoistGas,   // a gas with its humidity
  Globe,      // the valve style with its trims: globe,
  Rotary,     //   rotary plug,
  Butterfly,  //   butterfly,
  Ball,       //   ball
  Resistor,   // a resistor (orifice, plate, stages) behind the valve
  Recommendation,  // the characteristic is to be recommended from the control task
};

struct TRelevanceRule {
  TRelevantWhen when;
  std::vector<std::string> items;  // names without a point's suffix, any case
};
extern const std::vector<TRelevanceRule> kRelevanceRules;

// The conditions of one calculation, read from the switches of `m` (the
// main module of a whole calculation or a computing module on its own):
// Phase, SubstanceType, GasMedium, ValveType, UseResistors, RecommendChar. A condition
// whose switch the module does not have holds.
class TRelevance {
 public:
  explicit TRelevance(const TCalcModule& m);
  bool Holds(TRelevantWhen when) const;
  // Whether the item named `name` (with or without a point's suffix)
  // means anything here.
  bool operator()(const std::string& name) const;
  // The same for an item, where a value the user has given is always
  // relevant: what was typed is shown back.
  bool operator()(const TCalcItem& item) const;

 private:
  int FPhase = -1, FSubstance = -1, FGasMedium = -1, FValveStyle = -1, FResistors = -1, FRecommend = -1;
};

}  // namespace torvacalc
