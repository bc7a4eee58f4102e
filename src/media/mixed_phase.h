// Gas-liquid mixtures: the density and sound speed of a homogeneous
// mixture (TMixedDensity) and the two-phase correction of a valve
// calculation that combines a liquid-side and a vapour-side result by the
// vapour mass fraction (TCustomMixedPhaseCorr, TMixedPhaseCorr).
//
// Units: densities kg/m3, sound speeds m/s, pressures bar abs, mass
// fractions xFG in % (the class routines named "...X" take the fraction x
// from 0 to 1), flow coefficients m3/h, levels dB(A), powers kW.
#pragma once

#include <cstdint>
#include <functional>

#include "framework/basics.h"

namespace torvacalc {

// The sound speed of a two-phase mixture from the gas and liquid densities
// (kg/m3), the gas mass fraction (%), the pressure (bar abs), the gas's
// isentropic exponent and the two single-phase sound speeds (m/s; NoValue
// when not known). This is where the substance engine's mixture model
// plugs in; by default TMixedDensity uses WoodSoundSpeed.
using TMixSoundSpeed =
    std::function<Extended(Extended rhoG, Extended rhoL, Extended xFG, Extended p, Extended kappa, Extended cG, Extended cL)>;

class TMixedDensity {
 public:
  bool Active = true;
  std::function<void(TMixedDensity&)> OnResultsChange;
  bool Flashing = false;  // the liquid flashes: the outlet is vapour and boiling liquid
  bool Mixture = false;   // a gas-liquid mixture flows
  Extended RhoF = NoValue, RhoG = NoValue;  // liquid and gas density
  // Density of the saturated vapour at the outlet of a flashing liquid
  // (whose own density at the outlet is RhoG, on the liquid side).
  Extended RhoV = NoValue;
  Extended cfF = NoValue, cfG = NoValue;    // liquid and gas sound speed
  Extended xFG = NoValue;                   // gas mass fraction, %
  Extended pv = NoValue;                    // pressure of the mixture, bar abs
  Extended kappaG = NoValue;
  // The mixture sound-speed model (see TMixSoundSpeed).
  TMixSoundSpeed MixSoundSpeed = WoodSoundSpeed;

  // Density: without a mixture the gas density when known, else the
  // liquid density; a mixture: 1/rho = x/rhoG + (1 - x)/rhoF for
  // 0 <= xFG <= 100 and both densities positive, else NoValue. A flashing
  // liquid leaves as the homogeneous mixture of its saturated vapour RhoV
  // and its boiling liquid RhoG at the vapour fraction xFG of the
  // isenthalpic flash.
  Extended GetRho() const;
  // Sound speed by the same rule, the mixture by MixSoundSpeed. The
  // flashing mixture by Wood's equation with the vapour compressed
  // isothermally: bubbles that formed in the liquid exchange heat with it
  // much faster than a sound period lasts (C. E. Brennen, Cavitation and
  // Bubble Dynamics, 1995, sec. 6.2), so the vapour's stiffness is p.
  Extended Getcf() const;
  // Overruled results (NoValue gives the calculated one back); fires
  // OnResultsChange while Active.
  void SetRho(Extended v);
  void Setcf(Extended v);

  // Homogeneous (no-slip) mixture: Wood's equation (A. B. Wood, A Textbook
  // of Sound, 1930), 1/(rho c^2) = eps/(rhoG cG^2) + (1 - eps)/(rhoL cL^2)
  // with the homogeneous void fraction eps = x rho/rhoG. A gas sound speed
  // not given is sqrt(kappa p/rhoG) (ideal gas); a liquid one not given
  // is infinite (incompressible liquid).
  static Extended WoodSoundSpeed(Extended rhoG, Extended rhoL, Extended xFG, Extended p, Extended kappa, Extended cG,
                                 Extended cL);

 private:
  Extended FRho = NoValue, Fcf = NoValue;  // overruled values
  void Changed() {
    if (Active && OnResultsChange) OnResultsChange(*this);
  }
};

// The two-phase correction: formulas as class routines.
class TCustomMixedPhaseCorr {
 public:
  virtual ~TCustomMixedPhaseCorr() = default;

  // Mass-flow correction factor of Sheldon and Schuder (C. W. Sheldon,
  // C. B. Schuder, "Sizing control valves for liquid-gas mixtures",
  // Instruments & Control Systems 38, 1965) for the sum of the liquid and
  // vapour flow coefficients, as the published polynomial fit in the
  // vapour mass fraction x: from 0.903 to 1 the cubic
  //   f = 1 + 962.45347 - 3172.7349 x + 3490.2773 x^2 - 1279.997 x^3,
  // below 0.903 the ninth-degree fit plus a linear term that joins the two
  // branches; limited to 1 <= f <= 2; NoValue outside 0 <= x <= 1.
  static Extended SheldonShuder(Extended x);
  static Extended Calculatefmss(Extended xFG) { return HasValue(xFG) ? SheldonShuder(xFG / 100) : NoValue; }
  // Void fraction of Huq and Loth (R. Huq, J. L. Loth, "Analytical two-phase
  // flow void prediction method", J. Thermophysics 6, 1992):
  //   eps = 1 - 2 (1 - x)^2 / (1 - 2x + sqrt(1 + 4x(1 - x)(rhoL/rhoG - 1))).
  static Extended CalculateEHuq(Extended x, Extended rhoG, Extended rhoL);
  // Momentum density 1/(x^2/(eps rhoG) + (1 - x)^2/((1 - eps) rhoL)) with
  // the Huq-Loth void fraction; the single-phase density at x = 0 and 1.
  static Extended CalculateRhoImpuls(Extended x, Extended rhoG, Extended rhoL);
  // Homogeneous density 1/(x/rhoG + (1 - x)/rhoL).
  static Extended CalculateRhoHomogen(Extended x, Extended rhoG, Extended rhoL);
  // The vapour-fraction rule: at xFG <= 0 % the liquid-side value, at
  // xFG >= 100 % the vapour-side value, in between none (NoValue).
  static Extended AssignOnXFG1(Extended xFG, Extended liquid, Extended vapour);
  // The energetic sum of two sound levels.
  static Extended LevelSum(Extended a, Extended b);
  // Sound level of the mixture from the two sides' levels (see the class
  // comment of TMixedPhaseCorr).
  static Extended CalculateLpAa(Extended xFG, Extended LpAal, Extended LpAav);
  // Travel (%) at kv/kvs for the inherent characteristics of VDI/VDE 2173
  // with the theoretical ratio phi0 = kv0/kvs: equal percentage
  // kv/kvs = phi0 exp(h ln(1/phi0)), linear kv/kvs = phi0 + (1 - phi0) h.
  static Extended TravelEqualPercentage(Extended kvkvs, Extended phi0);
  static Extended TravelLinear(Extended kvkvs, Extended phi0);
};

// The characteristic types of the correction. The combined flow
// coefficient is not formed for a valve without a characteristic, an
// on/off valve and a measured characteristic (whose own calculation gives
// it).
enum teMixCharacteristic : std::uint8_t {
  mcNone, mcOnOff, mcEqualPercentage, mcLinear, mcModifiedEqualPercentage, mcMeasured
};

// The correction of one operating point. Sound level: A is the energetic
// sum of the liquid-side and vapour-side levels; B and C are the louder of
// the two sides (a little vapour in a liquid, or a little liquid in a
// vapour, makes the mixture as loud as its louder part). The level follows
// B towards A over the first 5 % of vapour and A towards C with the fifth
// power of the vapour fraction above.
class TMixedPhaseCorr : public TCustomMixedPhaseCorr {
 public:
  Extended qm = NoValue, kvs = NoValue, phi0 = NoValue;
  Extended xFG1 = NoValue;   // vapour mass fraction at the inlet, %
  Extended xFG2l = NoValue;  // vapour formed from the liquid part at the outlet, % of the liquid
  Extended kvv = NoValue, kvl = NoValue;          // vapour- and liquid-side flow coefficients
  Extended LpAav = NoValue, LpAal = NoValue;      // their sound levels
  Extended PVerv = NoValue, PVerl = NoValue;      // their power losses
  Extended rho1v = NoValue, rho1l = NoValue, rho2v = NoValue, rho2l = NoValue;
  Extended cf2v = NoValue, cf2l = NoValue;
  Extended t2VP = NoValue, t2LP = NoValue;        // outlet temperatures of the two sides
  teMixCharacteristic Characteristic = mcEqualPercentage;
  // Values the user overruled (NoValue: computed).
  Extended fmssGiven = NoValue, xFG2Given = NoValue;

  Extended Getqml() const;   // liquid mass flow
  Extended Getqmv() const;   // vapour mass flow
  Extended Getfmss() const { return HasValue(fmssGiven) ? fmssGiven : Calculatefmss(xFG1); }
  Extended Getkv() const;
  Extended Getkvkvs() const;  // %
  Extended Geth() const;      // travel, %
  Extended GetPVer() const;
  Extended GetLpAa() const;
  Extended Getrho1() const;  // momentum density at the inlet
  // Outlet: vapour fraction x2 = x1 + (1 - x1) x2l (the liquid part flashes
  // by xFG2l), its momentum density, sound speed (Wood) and temperature
  // (the liquid's, at saturation, while liquid is left).
  Extended GetxFG2() const;
  Extended Getrho2() const;
  Extended Getcf2() const;
  Extended Gett2() const;
  Extended Getxv1() const;  // void fraction at the inlet, %
};

}  // namespace torvacalc
