// Which inherent characteristic suits a control loop: linear or equal
// percentage, from the task of the loop and from how the pressure drop at
// the valve changes with the load. The rules are the selection guidelines
// of the Fisher Control Valve Handbook (Emerson, 4th ed. 2005, ch. 5,
// "Guidelines for selecting inherent valve characteristics"), the table
// the ISA and valve makers' literature repeat.
#pragma once

#include "framework/basics.h"

namespace torvacalc {

// What the loop controls.
enum TControlTask : int { ctFlowControl, ctPressureControl, ctLevelControl, ctTemperatureControl };
// How the pressure drop at the valve behaves from the smallest to the
// largest load (ratio r = drop at the largest flow / drop at the smallest).
enum TDropBehaviour : int {
  dbConstant,        // 0.8 <= r <= 1.25
  dbFallingAbove20,  // 0.2 <= r < 0.8: most of the drop stays at the valve
  dbFallingBelow20,  // r < 0.2: the plant takes most of the drop at full load
  dbRising,          // 1.25 < r <= 2
  dbRisingAbove200,  // r > 2
  dbUnknown,
};
TDropBehaviour DropBehaviourOf(Extended ratio);

struct TControlLoop {
  TControlTask Task = ctFlowControl;
  TDropBehaviour Drop = dbUnknown;
  bool FlowSquared = false;   // flow measured by a differential pressure (orifice), signal ~ q²
  bool Bypass = false;        // the valve in a bypass of the measured flow, not in series
  bool SmallRange = false;    // small range of set points, large change of the drop with load
  int PressureProcess = 0;    // 0 liquid, 1 gas of small volume, 2 gas of large volume
};

enum TRecommendedKind : int { rkNone, rkLinear, rkEqualPercentage };
// The recommendation and the rule that gave it (message number offset:
// one rule, one message that names the reason).
struct TCharacteristicChoice {
  TRecommendedKind Kind = rkNone;
  int Rule = 0;
};
enum TChoiceRule : int {
  crNeedDrop,             // the rule needs the drop behaviour, which is unknown
  crLevelSteadyDrop,      // level, drop constant, falling to no less than 20 % or rising to 200 %: linear
  crLevelDropFalls,       // level (or gas of large volume), drop falls below 20 %: equal percentage
  crLevelDropRisesMuch,   // level, drop rises above 200 %: linear (a quick-opening trim would suit)
  crPressureLiquid,       // pressure of a liquid: equal percentage
  crPressureSmallGas,     // pressure of a gas of small volume: equal percentage
  crPressureLargeGas,     // pressure of a gas of large volume, drop stays above 20 %: linear
  crFlowWideRange,        // flow over a wide range of set points: linear
  crFlowSmallRange,       // flow in a small range with a large change of the drop: equal percentage
  crFlowSquaredBypass,    // flow measured as q², valve in a bypass: equal percentage
  crTemperature,          // temperature: equal percentage
};
TCharacteristicChoice RecommendCharacteristic(const TControlLoop& loop);

}  // namespace torvacalc
