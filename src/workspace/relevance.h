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

// What an item needs to mean anything. The phase conditions are read per
// operating point: an item of a point applies by what that point is (the
// phase calculated at its inlet, the state behind its valve), an item of
// the whole calculation where it applies to any point that is on.
enum class TRelevantWhen : std::uint8_t {
  Gas,        // a gas or vapour flows (not a liquid)
  Liquid,     // a liquid flows (a liquid or a liquid with vapour or gas)
  TwoPhaseOutlet,  // liquid and vapour leave the valve together (flashing, wet steam)
  Cavitation,      // a liquid that stays liquid behind the valve (not flashing)
  Water,      // water (or a pulp in water) is the medium, or a gas carries water vapour
  Pulp,       // a pulp suspension is the medium
  MoistGas,   // a gas with its humidity
  TwoPhaseInlet,  // liquid with its vapour or a gas at the inlet
  Globe,      // the valve style with its trims: globe,
  Rotary,     //   rotary plug,
  Butterfly,  //   butterfly,
  Ball,       //   ball
  Resistor,   // a resistor (orifice, plate, stages) behind the valve
  Recommendation,  // the characteristic is to be recommended from the control task
  FlowSolved,        // the flow is calculated from the Kv (WhatToCalculate)
  InletPressureSolved,  // the inlet pressure is calculated from the Kv
  VdmaNoise,  // the noise is predicted by VDMA 24422 (1979 or 1989)
  Never,      // values passed between the modules that repeat what another row says
};

struct TRelevanceRule {
  TRelevantWhen when;
  std::vector<std::string> items;  // names without a point's suffix, any case
};
extern const std::vector<TRelevanceRule> kRelevanceRules;

// The conditions of one calculation, read from the switches of `m` (the
// main module of a whole calculation or a computing module on its own):
// Phase, SubstanceType, GasMedium, ValveType, UseResistors, RecommendChar,
// NoiseNormLiquid/NoiseNormGas,
// and per point the calculated phase at the inlet (CalculatedPhase), the
// flow state (FlowState) and the vapour fraction behind the valve (xFG),
// with the point's suffix. A condition whose switch the module does not
// have, or that the point has not calculated yet, holds as declared.
class TRelevance {
 public:
  // The points of a whole calculation (1, 2, 3, X).
  static constexpr int kPoints = 4;

  explicit TRelevance(const TCalcModule& m);
  // Whether the condition holds at `point` (0..3), or at any point that is
  // on for `point` < 0.
  bool Holds(TRelevantWhen when, int point = -1) const;
  // Whether the item named `name` (with or without a point's suffix)
  // means anything here: an item with twins at the other points by its
  // own point, any other by every point that is on.
  bool operator()(const std::string& name) const;
  // The same for an item, where a value the user has given is always
  // relevant: what was typed is shown back.
  bool operator()(const TCalcItem& item) const;

 private:
  // What a point is, as calculated (Unknown before it has been).
  enum class TState : std::uint8_t { Unknown, Liquid, Gas, TwoPhase };
  bool HoldsAt(TRelevantWhen when, int point) const;

  const TCalcModule* FModule;
  int FPhase = -1, FSubstance = -1, FVdma = -1, FGasMedium = -1, FValveStyle = -1, FResistors = -1, FRecommend = -1, FWhat = -1;
  bool FOn[kPoints] = {true, false, false, false};
  TState FInlet[kPoints] = {};
  TState FOutlet[kPoints] = {};
  bool FFlashing[kPoints] = {};
};

}  // namespace torvacalc
