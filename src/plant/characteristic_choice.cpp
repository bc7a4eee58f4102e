#include "plant/characteristic_choice.h"

namespace torvacalc {

TDropBehaviour DropBehaviourOf(Extended ratio) {
  if (!HasValue(ratio) || ratio <= 0) return dbUnknown;
  if (ratio < 0.2L) return dbFallingBelow20;
  if (ratio < 0.8L) return dbFallingAbove20;
  if (ratio <= 1.25L) return dbConstant;
  return ratio <= 2 ? dbRising : dbRisingAbove200;
}

TCharacteristicChoice RecommendCharacteristic(const TControlLoop& loop) {
  switch (loop.Task) {
    case ctTemperatureControl:
      // The heat an exchanger passes grows ever more slowly with the flow of
      // the heating or cooling medium; the equal-percentage trim makes up
      // for it.
      return {rkEqualPercentage, crTemperature};
    case ctPressureControl:
      if (loop.PressureProcess == 0) return {rkEqualPercentage, crPressureLiquid};
      if (loop.PressureProcess == 1) return {rkEqualPercentage, crPressureSmallGas};
      if (loop.Drop == dbUnknown) return {rkNone, crNeedDrop};
      return loop.Drop == dbFallingBelow20 ? TCharacteristicChoice{rkEqualPercentage, crLevelDropFalls}
                                           : TCharacteristicChoice{rkLinear, crPressureLargeGas};
    case ctLevelControl:
      switch (loop.Drop) {
        case dbUnknown: return {rkNone, crNeedDrop};
        case dbFallingBelow20: return {rkEqualPercentage, crLevelDropFalls};
        case dbRisingAbove200: return {rkLinear, crLevelDropRisesMuch};
        default: return {rkLinear, crLevelSteadyDrop};
      }
    case ctFlowControl:
      // A flow measured by a differential pressure, the valve in a bypass:
      // equal percentage whatever the range.
      if (loop.FlowSquared && loop.Bypass) return {rkEqualPercentage, crFlowSquaredBypass};
      return loop.SmallRange ? TCharacteristicChoice{rkEqualPercentage, crFlowSmallRange}
                             : TCharacteristicChoice{rkLinear, crFlowWideRange};
  }
  return {};
}

}  // namespace torvacalc
