// The industrial formulation IAPWS-IF97 for water and steam (IAPWS R7-97(2012),
// "Revised Release on the IAPWS Industrial Formulation 1997 for the
// Thermodynamic Properties of Water and Steam"): regions 1, 2, 3 and 5, the
// saturation line of region 4 and the boundary between regions 2 and 3; and
// the IAPWS formulations 1985 for viscosity and thermal conductivity in their
// industrial form (IAPWS, "Revised Release on the IAPS Formulation 1985 for
// the Viscosity of Ordinary Water Substance" (2003) and "... for the Thermal
// Conductivity of Ordinary Water Substance" (1998)), without the critical
// enhancement.
//
// Units at this interface: temperatures t in degC, pressures P in bar
// absolute, densities in kg/m3, specific enthalpy in kJ/kg, specific entropy
// and heat capacities in kJ/(kg K), speed of sound in m/s, dynamic viscosity
// in Pa s, thermal conductivity in W/(m K). Inside, the equations work in
// MPa and K as the releases do. Every function returns NoValue for a missing
// input and for an arithmetic failure.
//
// Precision of the kernels. Arguments, results and NoValue are Extended.
// - Properties of regions 1, 2 and 5 (CalculateRho1, Calculateh2, ...,
//   CalculateCaloric, and region 3's start estimates): the sums of the
//   Gibbs functions are evaluated in double, the reduced variables and the
//   property relations around them in Extended. Against an Extended
//   evaluation over 4000 states of the three regions the largest relative
//   differences are: region 1 rho 4E-15, h 2E-13 (h passes through 0 at the
//   triple point), s 1E-13, cp 4E-14, cv 1.2E-12, w 9E-13; regions 2 and 5
//   1E-15 and below for every property. The verification tables of
//   R7-97(2012) (Tables 5, 15 and 42) are met to 9 digits and more. The
//   rate of density and enthalpy from (t, P) rises about 3x in regions 1
//   and 2 and 4x in region 5.
// - Region 3 properties at a given density (Calculateh3, Calculates3,
//   CalculateCp3, CalculateCv3, Calculatecf3, CalculateCaloric): the
//   Helmholtz sums in double. Against Extended over 2280 states of region 3
//   (350 to 590 degC, up to 1000 bar) the largest relative differences are
//   h 1.5E-13, s 9E-14, w 9E-13, cp 2E-12 and cv 3E-12 (the last two near
//   the critical point); Table 33 of R7-97(2012) is met to 9 digits.
// - The region 3 density search iterates on its isotherm polynomial in
//   double and takes its last Newton steps from the pressure and slope in
//   Extended; the density found gives its pressure back to 14 digits.
// - The derivative functions of the families (CalculateGamma1 ...,
//   CalculatePhi3 ...), the region 3 pressure CalculateP3, the saturation
//   line, the 2-3 boundary and the transport properties: Extended
//   throughout, results unchanged to the bit.
//   Numerical differentiation of the family functions and the density
//   search, which gives its pressure back to 14 digits near the critical
//   point, need the extended mantissa.
#pragma once

#include "framework/basics.h"

namespace torvacalc {

// Constants of water shared by the water/steam formulation and the substance
// engine.
struct TWaterConstants {
  Extended Pc = 220.64L;           // critical pressure, bar
  Extended Tc = 373.946L;          // critical temperature, degC
  Extended Tt = 0.01L;             // triple-point temperature, degC
  Extended Ts = 99.9743L;          // normal boiling temperature, degC
  Extended RhoNVapour = 0.8038L;   // water vapour at normal conditions, kg/m3
  Extended RhoC = 322.0L;          // critical density, kg/m3
  Extended M = 18.015257L;         // molar mass, kg/kmol
  Extended Omega = 0.344L;         // acentric factor
  Extended My = 1.8L;              // dipole moment, debye
};
inline constexpr TWaterConstants WaterConstants{};

// Specific gas constant of IAPWS-IF97, kJ/(kg K) (R7-97(2012), eq. 1).
inline constexpr Extended IF97R = 0.461526L;

// ---------------------------------------------------------------- region 1
// Dimensionless Gibbs free energy gamma(pi, tau) with pi = p/16.53 MPa and
// tau = 1386 K/T, and its derivatives (R7-97(2012), eq. 7 and Table 4).
Extended CalculateGamma1(Extended pi, Extended tau);
Extended CalculateGammaPi1(Extended pi, Extended tau);
Extended CalculateGammaPiPi1(Extended pi, Extended tau);
Extended CalculateGammaTau1(Extended pi, Extended tau);
Extended CalculateGammaTauTau1(Extended pi, Extended tau);
Extended CalculateGammaPiTau1(Extended pi, Extended tau);

// ---------------------------------------------------------------- region 2
// Ideal-gas part gamma0(pi, tau) and residual part gammaR(pi, tau) with
// pi = p/1 MPa and tau = 540 K/T (R7-97(2012), eqs. 16 to 18, Tables 10, 11).
Extended CalculateGamma02(Extended pi, Extended tau);
Extended CalculateGamma0Tau2(Extended pi, Extended tau);
Extended CalculateGamma0TauTau2(Extended pi, Extended tau);
Extended CalculateGammaR2(Extended pi, Extended tau);
Extended CalculateGammaRPi2(Extended pi, Extended tau);
Extended CalculateGammaRPiPi2(Extended pi, Extended tau);
Extended CalculateGammaRTau2(Extended pi, Extended tau);
Extended CalculateGammaRTauTau2(Extended pi, Extended tau);
Extended CalculateGammaRPiTau2(Extended pi, Extended tau);

// ---------------------------------------------------------------- region 3
// Dimensionless Helmholtz free energy phi(delta, tau) with delta = rho/322
// kg/m3 and tau = Tc/T, Tc = 647.096 K (R7-97(2012), eq. 28 and Table 30).
Extended CalculatePhi3(Extended delta, Extended tau);
Extended CalculatePhiDelta3(Extended delta, Extended tau);
Extended CalculatePhiDeltaDelta3(Extended delta, Extended tau);
Extended CalculatePhiTau3(Extended delta, Extended tau);
Extended CalculatePhiTauTau3(Extended delta, Extended tau);
Extended CalculatePhiDeltaTau3(Extended delta, Extended tau);

// ---------------------------------------------------------------- region 5
// Ideal-gas and residual parts with pi = p/1 MPa and tau = 1000 K/T
// (R7-97(2012), eqs. 32 to 34, Tables 37 and 38).
Extended CalculateGamma05(Extended pi, Extended tau);
Extended CalculateGamma0Tau5(Extended pi, Extended tau);
Extended CalculateGamma0TauTau5(Extended pi, Extended tau);
Extended CalculateGammaR5(Extended pi, Extended tau);
Extended CalculateGammaRPi5(Extended pi, Extended tau);
Extended CalculateGammaRPiPi5(Extended pi, Extended tau);
Extended CalculateGammaRTau5(Extended pi, Extended tau);
Extended CalculateGammaRTauTau5(Extended pi, Extended tau);
Extended CalculateGammaRPiTau5(Extended pi, Extended tau);

// ------------------------------------------------- properties by region
// Regions 1, 2 and 5 from pressure and temperature; region 3 from density
// and temperature.
Extended CalculateRho1(Extended P, Extended t);
Extended CalculateRho2(Extended P, Extended t);
Extended CalculateRho5(Extended P, Extended t);
Extended Calculateh1(Extended P, Extended t);
Extended Calculateh2(Extended P, Extended t);
Extended Calculateh3(Extended rho, Extended t);
Extended Calculateh5(Extended P, Extended t);
Extended Calculates1(Extended P, Extended t);
Extended Calculates2(Extended P, Extended t);
Extended Calculates3(Extended rho, Extended t);
Extended Calculates5(Extended P, Extended t);
Extended Calculatecp1(Extended P, Extended t);
Extended Calculatecp2(Extended P, Extended t);
Extended CalculateCp3(Extended rho, Extended t);
Extended Calculatecp5(Extended P, Extended t);
Extended Calculatecv1(Extended P, Extended t);
Extended Calculatecv2(Extended P, Extended t);
Extended CalculateCv3(Extended rho, Extended t);
Extended Calculatecv5(Extended P, Extended t);
Extended Calculatecf1(Extended P, Extended t);
Extended Calculatecf2(Extended P, Extended t);
Extended Calculatecf3(Extended rho, Extended t);
Extended Calculatecf5(Extended P, Extended t);

// Region 3 pressure p = rho R T delta phi_delta, in bar.
Extended CalculateP3(Extended rho, Extended t);

// Region 3 density at (P, t), the root of CalculateP3(rho, t) = P, given
// back to 14 digits of the pressure (11 at the critical point itself, where
// the isotherm has no slope). Below the critical temperature the isotherm
// has a liquid and a vapour branch: the vapour branch is taken when P is
// below the saturation pressure, the liquid branch otherwise; the second
// form takes the branch asked for (above the critical temperature `liquid`
// means nothing), which on the saturation line gives the saturated liquid
// or vapour. A pressure just beyond the end of its branch (by 1E-6 at most:
// the saturation pressure within some 1E-4 K of the critical temperature
// lies at or beyond the end of the vapour branch) gives the density 1E-9 of
// the pressure inside the end, where cp and w are still finite. NoValue
// when no density is found between 10 and 800 kg/m3.
Extended CalculateRho3(Extended P, Extended t);
Extended CalculateRho3(Extended P, Extended t, bool liquid);

// Dispatchers by region number (1, 2, 3, 5). `rho` is used in region 3 only;
// when it is NoValue there, the density is searched from (P, t). Other
// regions give NoValue.
Extended CalculateRho(int range, Extended P, Extended t);
Extended Calculateh(int range, Extended P, Extended t, Extended rho = NoValue);
Extended Calculates(int range, Extended P, Extended t, Extended rho = NoValue);
Extended Calculatecp(int range, Extended P, Extended t, Extended rho = NoValue);
Extended Calculatecv(int range, Extended P, Extended t, Extended rho = NoValue);
Extended Calculatecf(int range, Extended P, Extended t, Extended rho = NoValue);

// Enthalpy, entropy, heat capacities and speed of sound of one state from a
// single evaluation of all derivatives of its region's fundamental
// equation, for callers that need several of them: arguments as for the
// dispatchers above, each member equal to what Calculateh, Calculates,
// Calculatecp, Calculatecv and Calculatecf return for them.
struct TIF97Caloric {
  Extended h = NoValue, s = NoValue, cp = NoValue, cv = NoValue, w = NoValue;
};
TIF97Caloric CalculateCaloric(int range, Extended P, Extended t, Extended rho = NoValue);

// Density and enthalpy of one state, the pair most callers ask for, from a
// single pass over the sums of its region's fundamental equation (regions 1,
// 2 and 5; in region 3 the density searched from (P, t), or `rho` when
// given, and the enthalpy at it). Each member equals, to the bit, what
// CalculateRho and Calculateh return for the same arguments: the two sums
// are the same operations, only made in one loop.
struct TIF97RhoH {
  Extended rho = NoValue, h = NoValue;
};
TIF97RhoH CalculateRhoH(int range, Extended P, Extended t, Extended rho = NoValue);

// ------------------------------------------------ saturation and B23
// Saturation pressure at t (R7-97(2012), eq. 30) from 0 degC to the
// critical temperature (220.64 bar there); NoValue outside that range.
Extended CalculatePv(Extended t);
// Saturation temperature at P (R7-97(2012), eq. 31) from 611.213 Pa to the
// critical pressure (373.946 degC there); NoValue outside that range.
Extended CalculateTv(Extended P);
// Boundary between regions 2 and 3 (R7-97(2012), eqs. 5 and 6); p23 is
// NoValue below 0 K and above 2000 degC.
Extended CalculateP23(Extended t);
Extended CalculateT23(Extended P);

// Backward equations (R7-97(2012), eqs. 11 and 22 to 24; the subregions of
// region 2 split at 4 MPa and at the 2b-2c boundary of eq. 21): the
// temperature (degC) at P (bar) of the enthalpy h (kJ/kg) in region 1 and
// in region 2, without iteration. They agree with the forward equations
// to 25 mK (region 1) and 10 mK (region 2), which makes them a start for a
// few Newton steps on h(P, t) rather than results; outside their regions
// they extrapolate.
Extended CalculateT1ph(Extended P, Extended h);
Extended CalculateT2ph(Extended P, Extended h);

// A state lies on the saturation line itself when its pressure equals the
// saturation pressure to this many digits: a few thousandths of a kelvin
// (0.009 K at 20 bar, 0.007 K at 40 bar, 0.003 K at 1 bar), the rounding of
// a saturation temperature entered with two decimals. Further away the
// state is on the side its pressure says, however close to the line (20
// bar and 212.4 degC, 0.015 K above saturation, is steam); only on the line
// does the declared side (boiling liquid or saturated vapour) decide.
constexpr int kSaturationLineDigits = 4;

// Region of IF97 for (P, t): 0 outside the formulation, else 1, 2, 3 or 5.
// `displayRange` receives 4 near the saturation line (P equal to Pv within 3
// digits in regions 1 to 3); on the line itself (kSaturationLineDigits) a
// region 1 or 2 becomes 1 on the liquid side and 2 on the vapour side, off
// it the region is the one of the state. `tMin` is the lowest temperature
// (degC).
int CalculateRange(Extended P, Extended t, Extended tMin, Extended Pv, Extended p23, bool liquid,
                   int& displayRange);
// The same with the saturation pressure and the 2-3 boundary worked out
// here, and only where the rules read them: Pv up to 800 degC, p23 between
// 350 and 800 degC. The result is the one of the form above given
// CalculatePv(t) and CalculateP23(t).
int CalculateRange(Extended P, Extended t, Extended tMin, bool liquid, int& displayRange);

// ---------------------------------------- viscosity and conductivity
// Reduced variables of both transport formulations: tau = 647.226 K/T,
// delta = rho/317.763 kg/m3.
Extended CalculatePsi0(Extended tau);
Extended CalculatePsi1(Extended delta, Extended tau);
// Dynamic viscosity, Pa s.
Extended Calculateeta(Extended t, Extended rho);
Extended Calculatelambda0(Extended tau);
Extended Calculatelambda1(Extended delta, Extended tau);
// The critical enhancement of the conductivity is left out in industrial use.
Extended Calculatelambda2(Extended delta, Extended tau);
// Thermal conductivity, W/(m K).
Extended Calculatelambda(Extended t, Extended rho);

}  // namespace torvacalc
