// The calculation module of the state downstream of the valve and of the
// cooling water injection (desuperheating) of one operating point; the
// engineering is tWaterInjection (media/water_injection.h).
//
// Without injection (WIApplication "keine") it gives the plain downstream
// state: the adiabatic (isenthalpic) outlet temperature t2 at p2, the
// density rho2r, the temperature t2v directly behind the valve (at p2v,
// before resistors) and the vapour fraction xFG of a flashing liquid. The
// state is the one in the outlet pipe, where the flow has slowed to the
// pipe velocity: the enthalpy keeps the kinetic energy of the inlet pipe
// velocity (bore D1, density rho1) less that of the outlet pipe velocity
// (bore D2). Water and steam by IAPWS-IF97; other media by the medium's
// own method (`Throttle`, the substance engine of the inlet: GERG-2008 or
// AGA8 for natural gas, a provider, or the correlations), with the kinetic
// energy through cp1. A flashing liquid of another medium cools to its
// boiling temperature and its vapour fraction follows from the heat
// balance cp2 (t1 - tv2) = x dhv2.
//
// Items as a super module connects them (main module name | module name):
//   In:  Phase, UseResistors, ResistorType, FlowState, SubstanceType,
//        SteamConverter, WIApplication, T2orDtv, dt, p1, h1, p2Res|p2,
//        p2|p2v, t1, qm, DiP1|D1, DiP|D2, Rho1|rho1, Cp1|cp1, pwi, dpowi,
//        twi, phi0, rho2v|rho2, dhv2, CpL2|cp2, kappa1, kappa2Star|kappa2,
//        z2, cf|cf1
//   Out: t2, rho2r, t2v, xFG, qmwi, pvwi, tvwi, WIType (further h2, tv2)
// t2 is an input while an injection aims at a given outlet temperature
// (T2orDtv "Temperatur t2"), a result otherwise.
#pragma once

#include <functional>
#include <string>

#include "framework/calc_module.h"
#include "framework/calc_switch.h"
#include "media/water_injection.h"

namespace torvacalc {

class TCMWaterInjection : public TCalcModule {
 public:
  explicit TCMWaterInjection(TCalcComponent* owner = nullptr, std::string name = "CMWaterInjection");
  ~TCMWaterInjection() override;
  const char* ClassName() const override { return "TCMWaterInjection"; }
  std::string ModuleCaption() const override { return "Zustand nach dem Ventil und Wassereinspritzung"; }

  // Lowest steam velocity after the injection at which the spray still
  // evaporates well (m/s); below it a hint.
  static constexpr Extended MinSteamVelocity = 6;

  TInOutParameter *p1, *p2, *qm, *t2, *tv2;
  TInputParameter *t1, *dt, *u1, *u2, *h1, *p2v, *D1, *D2, *rho1, *cp1, *pwi, *dpowi, *twi, *phi0, *rho2,
      *dhv2, *cp2, *kappa1, *kappa2, *z2, *cf1;

  // The temperature (degC) of the medium throttled isenthalpically from
  // (T1, P1) to P2 (bar), by the medium's own method; unset, a medium other
  // than water keeps its inlet temperature.
  std::function<Extended(Extended T1, Extended P1, Extended P2)> Throttle;
  TOutputParameter *rho2r, *t2v, *xFG, *h2, *qmwi, *pvwi, *tvwi;
  TCalcListSwitch *Phase, *ResistorType, *FlowState, *SubstanceType, *WIApplication, *T2orDtv,
      *WIType;
  TCalcSwitch *UseResistors, *SteamConverter;

 protected:
  void DoCalculate() override;

 private:
  TEWaterInjection Application() const;
  void CalculateWater();
  void CalculateOtherMedium();
  void ClearInjection();
  // Velocity (m/s) of qm (kg/h) at density rho in a bore d (mm).
  Extended PipeVelocity(Extended rho, Extended d) const;
};

}  // namespace torvacalc
