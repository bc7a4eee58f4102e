// Resistors: fixed throttling elements behind (or instead of) a control
// valve. A single-hole restriction orifice, a perforated plate silencer
// (flow straight through the plate, or turned through a perforated
// cylinder), a perforated plug or an injection nozzle takes part of the
// pressure drop, in one or several stages.
//
// tResistor sizes one stage. It is a control valve as far as the flow is
// concerned: the same flow equations, choked flow, cavitation and
// flashing (tControlValve), with the valve factors replaced by those of an
// orifice:
//  - xT = 0.72 (the orifice limit of IEC 60534-2-1 Annex: a thin plate
//    chokes at the nozzle ratio), unless the user gives xT;
//  - FL2 = the pressure-loss ratio of ISO 5167-2:2003 (5.4) at the open
//    area ratio beta^2 (an injection nozzle blows into a large space:
//    beta = 0, FL2 = 1);
//  - z (xFz, onset of cavitation) from the size-class table of perforated
//    plates (tOrificePlate::xFzOfOrifice) corrected to p1;
//  - Fd = 1/sqrt(n) for n equal round bores (IEC 60534-2-1:2011 Annex A:
//    Fd = dH/do with do the diameter of the total flow area).
//
// Geometry (mm): the bore diameter dRes, the number of bores NBores, their
// pitch ARes and the inner diameter of the plate or pipe DNRes. Without
// Fixed the resistor is sized for the duty (qm, p1, p2):
//  - single hole: the bore whose Kv (tOrificePlate::KvOfSingleHole, the
//    ISO 5167-2 discharge coefficient at the pipe Reynolds number) equals
//    the required Kv;
//  - multi-hole types: the bore is given (default 5 mm for plates and
//    plugs, 3 mm for injection nozzles), the number of bores is the
//    required Kv over the Kv of one bore, rounded up; pitch and nominal
//    size follow (CalculateDNandA).
// With Fixed the geometry is given and the flow through it is computed
// for p1 and p2 (GetQm with the unknown ccQm). Any change of an input,
// the resistor's own or the valve core's (reported through
// OnResultsChange, which tResistor occupies), makes the next getter size
// again. The unknown of the core is set by the sizing itself; after a
// recalculation with Fixed the core's qm holds the computed flow.
//
// Units as tControlValve: bar, kg/h, kg/m3, m3/h, mm, Pa s, degC.
#pragma once

#include <cmath>
#include <vector>

#include "framework/basics.h"
#include "framework/calc_set.h"
#include "valves/control_valve.h"

namespace torvacalc {

class tResistor : public tControlValve {
 public:
  tResistor();

  // ----- inputs of the resistor -----
  void SetFixed(bool v) { SetOwn(FFixed, v); }
  void SetResistorTypeRes(teResistorType v);
  void SetT1(Extended v) { SetOwn(Ft1, v); }
  void SetMaSug(Extended v) { SetOwn(FMaSug, v); }
  void SetNRes(Extended v) { SetOwn(FNRes, v); }
  void SetDNLast(Extended v) { SetOwn(FDNLast, v); }
  void SetdResLast(Extended v) { SetOwn(FdResLast, v); }
  void SetdRes(Extended v) { SetOwn(FdResIn, v); }
  void SetNBores(Extended v) { SetOwn(FNBoresIn, v); }
  void SetARes(Extended v) { SetOwn(FAResIn, v); }
  void SetDNRes(Extended v) { SetOwn(FDNResIn, v); }
  // User values of xT, FL2 and z of the orifice (missing: computed).
  void SetXtRes(Extended v) { SetOwn(FXtUser, v); }
  void SetFl2Res(Extended v) { SetOwn(FFl2User, v); }
  void SetZyRes(Extended v) { SetOwn(FZyUser, v); }
  bool GetFixed() const { return FFixed; }
  teResistorType GetResistorTypeRes() const { return FType; }

  // ----- results -----
  // Sizes (or, with Fixed, recalculates) the resistor; every getter below
  // does it on demand.
  void Calculate();
  Extended GetdRes();
  Extended GetNBores();
  Extended GetARes();
  Extended GetDNRes();
  // Kv of the resistor: required (sizing) or of the given geometry.
  Extended GetKvRes();
  // The flow through the resistor: the duty, or with Fixed the flow the
  // geometry passes at p1 and p2.
  Extended GetQmRes();
  Extended GetFl2Res();
  Extended GetXtRes();
  Extended GetZyRes();
  Extended GetBeta();
  Extended GetLARes();
  Extended GetMaRes();
  Extended GetDNSug10();
  Extended GetDNSug07();
  Extended GetDNSug03();
  Extended GetDNSugX();
  // True when the sizing failed although the inputs were there (a bore
  // beyond the pipe, a bore outside the range of the perforation data).
  bool GetSizingFailed();
  bool GetBoreTooLarge();

  // ----- class routines -----
  static bool IsMultiHole(teResistorType t) {
    return t == rtSilencerDirect || t == rtSilencerIndirect || t == rtPerforatedPlug ||
           t == rtInjectionNozzle;
  }
  // Number of bores of pitch a (mm) that fit a circular plate of DN mm:
  // trunc(0.91 ((DN - d)/a)^2), at least 1 (0.91 is the packing of a
  // triangular pitch, pi/(2 sqrt 3), within the usable circle).
  static Extended CalculateNBores(Extended DN, Extended d, Extended a);
  // Pitch and nominal size for n bores of d mm: pitch a = max(2 d, d + 5)
  // (a web of at least one bore diameter and 5 mm between the bores, so
  // that the jets stay apart and the plate keeps its strength), bounded to
  // 200 mm; the usable circle d + a sqrt(n/0.91) rounded up to the next
  // nominal size of the DN series (above 250 mm in steps of the series).
  static void CalculateDNandA(Extended n, Extended d, Extended& DN, Extended& a);
  // The next nominal size (EN ISO 6708 series, mm) at or above D.
  static Extended NextDN(Extended D);
  // The bore of a single-hole orifice in a pipe of D mm whose Kv (on the
  // permanent loss) is Kv; the pipe Reynolds number from Qm and Eta.
  // Undefined when even a bore of 0.95 D passes less.
  static Extended CalculatedRes(Extended Kv, Extended D, Extended Qm, Extended Eta);
  // Mach number of the outlet: volume flow at p2, rho2 through D (mm).
  static Extended CalculateMa(Extended Qm, Extended rho2, Extended kappa, Extended p2, Extended D);
  // The smallest nominal size with Mach number at most Ma at the outlet.
  static Extended CalculateDNSug(Extended Qm, Extended rho2, Extended kappa, Extended p2,
                                 Extended Ma);
  // A-weighted sound level in dB(A) 1 m from the pipe behind a gas
  // resistor: acoustic power of the jet with the IEC 60534-8-3 regime I
  // efficiency 1E-4 Mj^3.6 (Mj the fully expanded jet Mach number), the
  // internal level 10 lg(3.2E9 Wa rho2 c2/Di^2), the pipe wall transmission
  // loss of IEC 60534-8-3 with Gx = Gy = 1 at the jet peak frequency
  // 0.2 U/d, the A-weighting at that frequency (IEC 61672-1) and the
  // silencer reduction dLASilencer. A planning estimate: the noise methods
  // of the valve calculation are the authority. Liquids: undefined (their
  // noise is governed by cavitation, which the valve methods judge).
  static Extended CalculateLA(bool liquid, Extended Qm, Extended p1, Extended p2, Extended rho1,
                              Extended rho2, Extended kappa, Extended Fl2, Extended d, Extended D,
                              Extended dLASilencer);
  // Reduction of a perforated silencer against one jet of the same total
  // area: -Factor, Factor from the pitch ratio a/d, limited to 3..10 dB
  // (narrow pitch: the jets merge; wide pitch: they stay apart); the
  // indirect flow adds 5 dB.
  static Extended dLASilencer(teResistorType type, Extended a, Extended d);
  // A-weighting in dB at frequency f in Hz (IEC 61672-1:2013 eq. E.6).
  static Extended AWeighting(Extended f);
  static Extended Factor(Extended a, Extended d);

 protected:
  enum { slotOwn = 200, slotSized = 201 };

 private:
  template <class T>
  void SetOwn(T& field, T v) {
    if (field == v) return;
    field = v;
    FSized = false;
  }
  void SetOwn(Extended& field, Extended v) {
    if (field == v || (IsNoValue(field) && IsNoValue(v))) return;
    field = v;
    FSized = false;
  }
  void ApplyFactors(Extended beta, Extended n, Extended d, Extended D, Extended Re);
  Extended PipeD() const;
  Extended Rho2() ;
  void SizeSingleHole(Extended D);
  void SizeMultiHole(Extended D);
  void RecalculateSingleHole(Extended D);
  void RecalculateMultiHole(Extended D);
  void CalculateSound(Extended D);

  bool FSized = false, FFixed = false, FCalculating = false;
  teResistorType FType = rtSingleHole;
  Extended Ft1 = NoValue, FMaSug = NoValue, FNRes = 1, FDNLast = NoValue, FdResLast = NoValue;
  Extended FdResIn = NoValue, FNBoresIn = NoValue, FAResIn = NoValue, FDNResIn = NoValue;
  Extended FXtUser = NoValue, FFl2User = NoValue, FZyUser = NoValue;
  // Results.
  Extended FdRes = NoValue, FNBores = NoValue, FARes = NoValue, FDNRes = NoValue;
  Extended FKvRes = NoValue, FQmRes = NoValue, FFl2 = NoValue, FXt = NoValue, FZy = NoValue;
  Extended FBeta = NoValue, FLA = NoValue, FMa = NoValue;
  Extended FDNSug10 = NoValue, FDNSug07 = NoValue, FDNSug03 = NoValue, FDNSugX = NoValue;
  bool FFailed = false, FBoreTooLarge = false;
};

// The pressure drop of a multi-stage resistor distributed over N stages of
// equal pressure ratio, and the state between the stages.
class tResistorStructure {
 public:
  tResistorStructure();

  bool Active = true;
  void SetPhase(TEPhase v) { SetIn(FPhase, v); }
  void SetNoRes(int v) { SetIn(FNoRes, v); }  // stage asked for, 0-based
  void SetNRes(Extended v) { SetIn(FNRes, v); }
  void SetP1(Extended v) { SetIn(FP1, v); }
  void SetP2(Extended v) { SetIn(FP2, v); }
  void SetT1(Extended v) { SetIn(FT1, v); }
  void Seth1(Extended v) { SetIn(Fh1, v); }
  void SetRho1(Extended v) { SetIn(FRho1, v); }
  void SetRho2(Extended v) { SetIn(FRho2, v); }
  void Sett2(Extended v) { SetIn(Ft2, v); }
  void SetPv(Extended v) { SetIn(FPv, v); }
  // For the choking test of the stages.
  void SetKappa(Extended v) { SetIn(FKappa, v); }
  void SetXt(Extended v) { SetIn(FXt, v); }
  void SetFl2(Extended v) { SetIn(FFl2, v); }

  int Stages() const;  // N as a whole number, 0 when invalid
  Extended GetXRes();    // pressure ratio of one stage
  Extended GetxTotal();  // total ratio
  Extended GetP2Last();  // outlet of the last stage
  Extended GetP1Res();   // inlet of stage NoRes
  Extended GetP2Res();   // outlet of stage NoRes
  Extended Gett1Res();
  Extended GetT2Res();
  Extended Getrho1Res();
  Extended Getrho2Res();
  // Stage NoRes chokes: gas x >= (kappa/1.4) xT; liquid drop >= FL2 (p1 - pv).
  bool GetChoked();
  int GetChokedStages();

  // ----- class routines -----
  static Extended KorrP1(Extended p) { return p * std::pow(6 / p, 0.125L); }
  // Inlet pressure of stage i (0-based; i = N is the outlet of the last).
  static Extended StagePressure(bool liquid, int i, Extended XRes, Extended p1, Extended p2Last,
                                Extended pv);

 private:
  template <class T>
  void SetIn(T& field, T v) {
    if (field == v) return;
    field = v;
    Cache.InvalidateAll();
  }
  bool Liquid() const { return FPhase == phLiquid; }
  void CalculateRatios();
  Extended Interpolate(Extended a, Extended b, Extended p);

  enum { slotRatios = 1 };
  TCalcSet Cache;
  TEPhase FPhase = phLiquid;
  int FNoRes = 0;
  Extended FNRes = 1, FP1 = NoValue, FP2 = NoValue, FT1 = NoValue, Fh1 = NoValue;
  Extended FRho1 = NoValue, FRho2 = NoValue, Ft2 = NoValue, FPv = NoValue;
  Extended FKappa = NoValue, FXt = 0.72L, FFl2 = NoValue;
  Extended FXRes = NoValue, FxTotal = NoValue, FP2Last = NoValue;
};

}  // namespace torvacalc
