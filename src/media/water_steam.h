// Water and steam by IAPWS-IF97 as a substance provider: properties from
// temperature and pressure, lazily computed and cached, each one overrulable.
#pragma once

#include "framework/calc_set.h"
#include "media/ext_substances.h"
#include "media/if97.h"

namespace torvacalc {

class tWaterSteam : public tExtSubstances {
 public:
  tWaterSteam();

  // Inputs: t in degC, P in bar absolute. A value equal to the stored one to
  // 11 digits changes nothing; any other value invalidates the results that
  // depend on it.
  Extended Gett() const { return GetT(); }
  void SetT(Extended value) override;
  void SetP(Extended value) override;
  void SetPN0(Extended value) override;
  void SetTN0(Extended value) override;
  void SetLiquid(bool value) override;

  Extended GetValue(TExtProperty p) override;
  void SetValue(TExtProperty p, Extended value, bool overrule = true) override;

  // Pressure of the boundary between regions 2 and 3 at t, bar.
  Extended GetP23();
  void SetP23(Extended value, bool overrule = true);
  // Region of the formulation (0 outside it, 1, 2, 3, 5); on the saturation
  // line a region 1 or 2 follows `Liquid`. SetRange overrules it.
  int GetRange();
  void SetRange(int value, bool overrule = true);
  // The region shown: 4 on the saturation line, else the region.
  int GetDisplayRange() override;
  // True for steam: above the critical temperature; on the saturation line
  // the side not chosen by `Liquid`; elsewhere when t is at or above the
  // saturation temperature. False when inputs are missing.
  bool GetIsSteam();
  teCalculatedPhase GetPhase() override;

  void Assign(const tExtSubstances& source) override;

  // Heat of vaporization at t (h'' - h' on the saturation line), kJ/kg;
  // NoValue at and above the critical temperature.
  static Extended Calculatedhv(Extended t);
  // Enthalpies (kJ/kg) of the boiling water h' and of the saturated steam h''
  // at the pressure P (bar), below the critical pressure; NoValue otherwise.
  static void SaturationEnthalpies(Extended P, Extended& hL, Extended& hV);
  // A property of wet steam of vapour fraction x (%) at the pressure P: that
  // of the boiling water and that of the saturated steam, mixed by x (the
  // mixture rule of specific quantities: enthalpy, entropy, volume; the
  // viscosity by its fluidity).
  static Extended WetSteam(TExtProperty p, Extended P, Extended x);
  // Vapour fraction in % of a state of enthalpy h (kJ/kg) at the saturation
  // pressure P: (h - h')/(h'' - h') * 100.
  static Extended CalculatexFG(Extended h, Extended P);
  // Density of water vapour at the normal conditions PN0 (bar), TN0 (degC).
  static Extended CalculateRhoN(Extended PN0, Extended TN0);
  // Density of the saturated liquid or vapour at t, kg/m3.
  static Extended SaturatedDensity(Extended t, bool liquid);
  // Enthalpy (kJ/kg) of the state (t, P) on the side `liquid` of the
  // saturation line.
  static Extended GetH(Extended t, Extended P, bool liquid);
  using tExtSubstances::GetH;
  // Temperature (degC) at the pressure P2 where the enthalpy is hTarget; the
  // saturation temperature when hTarget lies between h' and h''. Newton
  // steps on h(P2, t), at most 50, kept inside a bracket of the temperature;
  // in regions 1 and 2 they start from the backward equations t(P, h) of
  // IAPWS-IF97, which leaves two or three.
  static Extended IterateH(Extended P2, Extended hTarget);
  // The same, with the density (kg/m3) of the state found in `rho`: on the
  // liquid side of the saturation line below it and above the critical
  // pressure, the vapour side above it; NoValue for a two-phase state.
  static Extended IterateH(Extended P2, Extended hTarget, Extended& rho);

  // The saturation line at the pressure P (bar) below the critical
  // pressure: the temperature and the enthalpies and densities of the
  // boiling water and the saturated steam, all NoValue elsewhere. The last
  // few pressures asked are remembered (per thread): the states behind a
  // valve ask for the same outlet pressures many times.
  struct TSaturation {
    Extended P = NoValue, ts = NoValue, hL = NoValue, hV = NoValue, rhoL = NoValue,
             rhoV = NoValue;
  };
  static TSaturation SaturationAt(Extended P);

 protected:
  Extended DoCalculateT2(Extended T1, Extended P1, Extended P2) override;
  void DoCalculateRhoIsentrop(Extended& Rho2, Extended& T2, Extended T1, Extended P1,
                              Extended P2) override;

 private:
  Extended Compute(TExtProperty p);
  // Stores a property worked out along with another one, unless it is
  // already valid or overruled.
  void KeepIfDue(TExtProperty p, Extended value);
  // The side of the saturation line the state lies on below the critical
  // temperature: the declared one (`Liquid`) on the line itself, else the
  // liquid above the saturation pressure; true where there is no
  // saturation pressure.
  bool LiquidSide();
  // Temperature at P2 where property p (enthalpy or entropy) takes `target`;
  // the density there in *rho when asked for.
  static Extended IterateT(Extended P2, Extended target, TExtProperty p, Extended* rho = nullptr);

  TCalcSet Cache;
  Extended FP23 = NoValue;
  int FRange = 0;
};

}  // namespace torvacalc
