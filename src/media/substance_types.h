// The enumerations of the medium: where the properties come from, the phase
// the user declares, the kind of gas, the pulp, the humidity input, the given
// gas constant. The order of the members is the order of the items of the
// matching list switches and of stored calculations.
// The valve layer uses them as they are (valves/valve_types.h includes this
// header).
#pragma once

namespace torvacalc {

// Where the properties come from: the water/steam formulation, water with
// pulp, the substance database with the generalized correlations, a
// substance library, the natural-gas methods (AGA8-DC92, GERG-2008).
enum teSubstanceType { stWater, stPulpe, stOthers, stRUBochum, stAGA, stGERG };

// The phase a calculation finds for the medium.
enum teCalculatedPhase {
  cpUndef, cpLiquid, cpVapour, cpGas, cpSaturated, cpSolid, cpSuperCritical, cpZweiPhasig
};

// The phase the user declares for the medium.
enum TEPhase { phLiquid, phVapour, phGas, phGasOp, phMixPhaseV, phMixPhaseG, phUndef };

// Dry or moist gas, given at normal or at operating conditions.
enum TEGasMedium { gmGas, gmGasMoist, gmGasOp, gmGasMoistOp };

enum TEPulpeType { ptKraft, ptMechanical, ptRecycled };

// How the humidity of a moist gas is given: relative humidity, specific
// humidity (kg water per kg dry gas), absolute humidity at normal conditions
// referred to moist or to dry gas, absolute humidity at operating conditions.
enum TEHumidityType { htRelative, htSpecific, htAbsoluteHnMoist, htAbsoluteHnDry, htAbsoluteHMoist };

// Which of the four equivalent gas constants is given: density at normal
// conditions, specific gas constant, molar mass, specific gravity.
enum TERhonRiM { rrmRhoN, rrmRi, rrmM, rrmSg };

// Which side of the saturation line a saturated state means.
enum teSaturatedPhase { spLiquid, spVapour, spTwoPhase };

// The normal conditions of a gas: 0 degC, 60 degF or the user's.
enum teStandardConditions { sc0DegC, sc60DegF, scUser };

}  // namespace torvacalc
