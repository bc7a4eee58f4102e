// The calculation module of the state downstream of the valve and of the
// cooling water injection (desuperheating) of one operating point; the
// engineering is tWaterInjection (media/water_injection.h).
//
// Without injection (WIApplication "keine") it gives the plain downstream
// state: for water and steam the adiabatic (isenthalpic, with the kinetic
// energy of u1 and u2) outlet temperature t2 at p2, the density rho2r, the
// temperature t2v directly behind the valve (at p2v, before resistors) and
// the vapour fraction xFG of a flashing liquid. For other media the inlet
// temperature and the given outlet density stand for the outlet state, and
// a flashing liquid's vapour fraction follows from cp2, dhv2 and the
// boiling temperature tv2 at the outlet when they are given.
//
// Items as a super module connects them (main module name | module name):
//   In:  Phase, UseResistors, ResistorType, FlowState, SubstanceType,
//        SteamConverter, WIApplication, T2orDtv, dt, p1, u|u1, u2, h1,
//        p2Res|p2, p2|p2v, t1, qm, DNV|D2, pwi, dpowi, twi, phi0,
//        rho2v|rho2, dhv2, CpL2|cp2, kappa1, kappa2Star|kappa2, z2, cf|cf1
//   Out: t2, rho2r, t2v, xFG, qmwi, pvwi, tvwi, WIType (further h2, tv2)
// t2 is an input while an injection aims at a given outlet temperature
// (T2orDtv "Temperatur t2"), a result otherwise.
#pragma once

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
  TInputParameter *t1, *dt, *u1, *u2, *h1, *p2v, *D2, *pwi, *dpowi, *twi, *phi0, *rho2, *dhv2,
      *cp2, *kappa1, *kappa2, *z2, *cf1;
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
};

}  // namespace torvacalc
