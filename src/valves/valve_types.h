// The enumerations of valve sizing. The order of the members is the order of
// the items of the matching list switches and of stored calculations.
#pragma once

#include "media/substance_types.h"

namespace torvacalc {

// Which of Kv, Qm, p1, p2 is the unknown of a sizing calculation.
enum teCVCanCalcRest { ccKv, ccQm, ccP1, ccP2 };

// Which equations size the valve: those of the phase the medium has, those
// of a compressible fluid (gas, vapour) or those of an incompressible one
// (liquid), whatever the phase.
enum teCompressible { cmByPhase, cmCompressible, cmIncompressible };

// Flow direction against the plug.
enum teCvInwardFlow { ifOpening, ifClosing, ifAny };

enum teCharacteristicType {
  ctEqualPercentage, ctLinear, ctModified_eq, ctOnOff, ctMeasuredValues,
  ctMVEQ, ctMVLin, ctMVOO, ctMVMODEQ
};

// The method of the Reynolds number factor: IEC 534-2 (1980, reprinted in
// the 1989 method), the draft revision of 1994, and EN 60534-2-1:2000.
enum teCvViscosityNorm { vnIEC89, vnIEC94, vnEN60534_2000 };

enum teLowNoiseDesign { lnNone, lnSilentPack, lnPerforatedPlug, lnUserDefined };

enum TECVFlowState {
  fsUndefined, fsNormal, fsPartialCavitation, fsStrongCavitation, fsMaximumCavitation,
  fsFlashing, fsChokedFlow, fsMechDamage, fsPartCavSigmaMr, fsMaxCavSigmaMr
};

enum TECVFlowType { ftUndefined, ftTurbulent, ftTransient, ftLaminar, ftPlugs, ftMechDamage };

// Why a sizing for the unknown Kv found none: in non-turbulent flow FR Kv
// stays short of the Kv the flow needs up to the bore of the valve; or the
// flow needs more than the reducers pass even around an open pipe.
enum teKvFailure { kfNone, kfNonTurbulent, kfReducers };

enum teResistorType {
  rtUnknown, rtValve, rtSingleHole, rtSilencerDirect, rtSilencerIndirect, rtPerforatedPlug,
  rtInjectionNozzle
};

}  // namespace torvacalc
