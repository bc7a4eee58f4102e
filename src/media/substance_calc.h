// The property engine of one process medium at one operating point.
//
// Given the state (temperature T in degC, pressure P in bar absolute), the
// substance data (critical data, acentric factor, molar mass or one of its
// equivalents, reference densities, the temperature functions of the
// substance database) and the user's choices (declared phase, kind of gas,
// humidity), TSubstanceCalc answers every other property on demand: phase,
// density, vapour pressure, boiling temperature, real-gas factor, viscosity,
// isentropic exponent, heat capacities, heat of vaporization, sound speed
// and the critical-flow state.
//
// Where a property comes from (the first that answers wins):
//   1. water and pulp: the IAPWS-IF97 formulation (tWaterSteam);
//      natural-gas and library substances: the external provider set with
//      SetExtSubstances (AGA8-DC92, GERG-2008, a substance library);
//   2. the temperature functions of the substance's database record;
//   3. the generalized correlations of this class (Lee-Kesler, COSTALD with
//      Thomson-Brobst-Hankinson, Redlich-Kwong, Lucas, Lee-Gonzalez-Eakin,
//      Dranchuk-Purvis-Robinson, Vetere/Watson, Rowlinson-Bondi).
//
// Units inside the class: degC, bar absolute, kg/m3, m3/kg, J/(kg K) for the
// gas constant, kg/kmol, Pa s, m2/s, W/(m K), kJ/kg, kJ/(kg K), m/s, N/mm2
// for the elasticity modulus, % for humidity, vapour fraction and the
// density deviation.
//
// Every result is computed on first read and cached in a TCalcSet whose
// rules invalidate exactly what depends on a changed input; every result can
// be overruled. Nothing here throws: a missing input, an arithmetic failure
// or an iteration that does not converge gives NoValue.
#pragma once

#include <array>
#include <bitset>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "framework/calc_set.h"
#include "media/ext_substances.h"
#include "media/substance_types.h"

namespace torvacalc {

class tWaterSteam;

// A temperature function of the substance database: y(T), T in degC.
//   FunctionType 1, 2: y = k0 + k1 T + ... + k9 T^9
//   FunctionType 3:    y = k0 exp(k1 T)
//   FunctionType 4:    y = k0 + k1 ln T
//   FunctionType 5:    y = k0 T^k1
// With Ylog the value is 10^y. A constant curve gives ConstValue.
struct tCustomFunctionDescription {
  bool Valid = false;
  int PropertyId = 0;
  std::array<Extended, 10> k{};
  bool Ylog = false;
  Extended Tmin = NoValue, Tmax = NoValue, Tmean = NoValue, Ymean = NoValue;
  bool IsConstCurve = false;
  Extended ConstValue = NoValue;
  int FunctionType = 1;
  Extended MeanError = NoValue, MaxError = NoValue;  // % of the fit

  // y(T); NoValue for an unknown type or a failed evaluation. `outside` is
  // set when T lies outside [Tmin, Tmax].
  Extended Evaluate(Extended T, bool* outside = nullptr) const;
  // The temperature where the function takes y, by a safeguarded secant
  // search inside [Tmin - 50 K, Tmax + 50 K]; NoValue when y is not reached.
  Extended Inverse(Extended y) const;
};

// The numbers of the temperature functions of a substance.
enum TPropertyFunction {
  pfRhoLiquid = 1, pfCpLiquid, pfEtaLiquid, pfLambdaLiquid, pfPv, pfKappaGas, pfCpGas,
  pfLambdaGas, pfKappaLiquid
};

// One record of the substance database. Temperatures degC, pressures bar,
// densities kg/m3, molar mass kg/kmol, dipole moment debye.
struct tPropertyDescription {
  teSubstanceType DataSubstanceType = stOthers;
  std::string FluidNameText;
  bool FluidFound = false;
  std::string Description, Formula, CANo, Manufacturer;
  TERhonRiM RhonRiM = rrmM;
  Extended M = NoValue, Zn = NoValue, tt = NoValue, RHoN = NoValue, ts = NoValue, tc = NoValue,
           pc = NoValue, rhoc = NoValue, zc = NoValue, omega = NoValue, my = NoValue,
           cfliquid = NoValue, Rho25 = NoValue;
  teStandardConditions StandardConditions = sc0DegC;
  std::string AGAConcentration, Modified, Created, Author, Revisor, OriginalAuthor,
      OriginalRevisor, Source;
  bool Original = true;
  // Functions 1..9 (index 0 unused).
  std::array<tCustomFunctionDescription, 10> Functions{};

  // Function `no` when the record was found and the function is valid.
  const tCustomFunctionDescription* Usable(int no) const;
};

class TSubstanceCalc {
 public:
  // Result-cache slots.
  enum Slot {
    slT = 0, slP = 1, slTr = 2, slPr = 3, slRhoN = 4, slM = 5, slRi = 6, slRho = 7, slV = 8,
    slZ = 9, slPv = 10, slTv = 11, slEta = 12, slLambda = 13, slH = 14, slDhv = 15, slS = 16,
    slCp = 17, slCv = 18, slTt = 19, slTs = 20, slTc = 21, slPc = 22, slZc = 23, slOmega = 24,
    slMy = 25, slRhoC = 26, slZn = 27, slPhiRel = 28, slxMv = 29, slCf = 30, slKappa = 31,
    slNy = 32, slPvW = 33, slPhase = 34, slGasMedium = 35, slPulpeType = 36, slRhoNRiM = 37,
    slHumidityType = 38, slFluidName = 39, slSaturatedPhase = 40, slSubstanceType = 41,
    slXSpec = 42, slFnTr = 43, slFnF = 44, slFF = 45, slRule = 46, slCalculatedPhase = 47,
    slDisplayPhase = 48, slPN0 = 49, slTN0 = 50, slPl = 51, slTl = 52, slRho25 = 53,
    slrhoV = 54, slrhoL = 55, sldHvT = 56, slRhoLDeviation = 57, slCStar = 58, slpStar = 59,
    sltStar = 60, slcfStar = 61, slEf = 62, slCpL = 63, slrhoStar = 64, slSg = 65,
    SlotCount = 66
  };
  // The approximated flags, one bit each.
  enum Approx {
    apRho, apdhv, apV, apZ, apPv, apTv, apEta, apNy, apLambda, apH, apS, apCf, apCStar, apKappa,
    apCp, apCpL, ApproxCount
  };

  TSubstanceCalc();
  ~TSubstanceCalc();
  TSubstanceCalc(const TSubstanceCalc&) = delete;
  TSubstanceCalc& operator=(const TSubstanceCalc&) = delete;

  // ---- inputs -------------------------------------------------------------
  Extended GetT() const { return FV[slT]; }
  Extended GetP() const { return FV[slP]; }
  void SetT(Extended v);
  void SetP(Extended v);
  Extended GetPN0() const { return FV[slPN0]; }
  Extended GetTN0() const { return FV[slTN0]; }  // degC
  void SetPN0(Extended v);
  void SetTN0(Extended v);
  // Substance data.
  Extended GetTt() const { return FV[slTt]; }
  Extended GetTs() const { return FV[slTs]; }
  Extended GetTc() const { return FV[slTc]; }
  Extended GetPc() const { return FV[slPc]; }
  Extended GetZc() const { return FV[slZc]; }
  Extended GetOmega() const { return FV[slOmega]; }
  Extended GetMy() const { return FV[slMy]; }
  Extended GetRhoC() const { return FV[slRhoC]; }
  Extended GetZn() const { return FV[slZn]; }
  Extended GetRho25() const { return FV[slRho25]; }
  void SetTt(Extended v) { SetInput(slTt, v, "Tt", true); }
  void SetTs(Extended v) { SetInput(slTs, v, "Ts", true); }
  void SetTc(Extended v) { SetInput(slTc, v, "Tc", true); }
  void SetPc(Extended v) { SetInput(slPc, v, "Pc"); }
  void SetZc(Extended v) { SetInput(slZc, v, "Zc"); }
  void SetOmega(Extended v) { SetInput(slOmega, v, "Omega"); }
  void SetMy(Extended v) { SetInput(slMy, v, "My"); }
  void SetRhoC(Extended v) { SetInput(slRhoC, v, "RhoC"); }
  void SetZn(Extended v) { SetInput(slZn, v, "Zn"); }
  void SetRho25(Extended v) { SetInput(slRho25, v, "Rho25"); }
  // Humidity inputs.
  Extended GetXSpec() const { return FV[slXSpec]; }
  Extended GetFnTr() const { return FV[slFnTr]; }
  Extended GetFnF() const { return FV[slFnF]; }
  Extended GetFF() const { return FV[slFF]; }
  void SetXSpec(Extended v) { SetInput(slXSpec, v, "XSpec"); }
  void SetFnTr(Extended v) { SetInput(slFnTr, v, "FnTr"); }
  void SetFnF(Extended v) { SetInput(slFnF, v, "FnF"); }
  void SetFF(Extended v) { SetInput(slFF, v, "FF"); }
  // Inputs that can also be computed or overruled.
  void SetPhiRel(Extended v, bool overrule = true) { SetResult(slPhiRel, v, overrule, "PhiRel"); }
  void SetPvW(Extended v, bool overrule = true) { SetResult(slPvW, v, overrule, "PvW"); }
  void SetCv(Extended v, bool overrule = true) { SetResult(slCv, v, overrule, "Cv"); }
  void SetEf(Extended v, bool overrule = true) { SetResult(slEf, v, overrule, "Ef"); }
  void SetpStar(Extended v, bool overrule = true) { SetResult(slpStar, v, overrule, "pStar"); }
  void SettStar(Extended v, bool overrule = true) { SetResult(sltStar, v, overrule, "tStar"); }
  void SetcfStar(Extended v, bool overrule = true) { SetResult(slcfStar, v, overrule, "cfStar"); }

  // Choices.
  TEPhase GetPhase() const { return FPhase; }
  void SetPhase(TEPhase v);
  TEGasMedium GetGasMedium() const { return FGasMedium; }
  void SetGasMedium(TEGasMedium v);
  TEPulpeType GetPulpeType() const { return FPulpeType; }
  void SetPulpeType(TEPulpeType v);
  TEHumidityType GetHumidityType() const { return FHumidityType; }
  void SetHumidityType(TEHumidityType v);
  TERhonRiM GetRhoNRiM() const { return FRhoNRiM; }
  void SetRhoNRiM(TERhonRiM v);
  teSaturatedPhase GetSaturatedPhase() const { return FSaturatedPhase; }
  void SetSaturatedPhase(teSaturatedPhase v);
  teSubstanceType GetSubstanceType() const { return FSubstanceType; }
  void SetSubstanceTYpe(teSubstanceType v);
  void SetSubstanceType(teSubstanceType v) { SetSubstanceTYpe(v); }
  bool GetUseExtFluid() const { return FUseExtFluid; }
  void SetUseExtFluid(bool v);
  const std::string& GetFluidName() const { return FFluidName; }
  void SetFluidName(const std::string& v);
  const std::string& GetConcentrationName() const { return FConcentrationName; }
  void SetConcentrationName(const std::string& v);
  // The database record of the substance (its temperature functions); the
  // substance data themselves come through their setters.
  const tPropertyDescription& GetPropertyDescription() const { return FDescription; }
  void SetPropertyDescription(const tPropertyDescription& d);

  // ---- results (overrulable) ---------------------------------------------
  Extended GetTr();
  Extended GetPr();
  Extended GetRhoN();
  Extended GetM();
  Extended GetRi();
  Extended GetSg();
  Extended GetRho();
  Extended GetV();
  Extended GetZ();
  Extended GetPv();
  Extended GetTv();
  Extended GetPl();
  Extended GetTl();
  Extended GetEta();
  Extended GetNy();
  Extended GetLambda();
  Extended GetH();
  Extended GetS();
  Extended GetDhv();
  Extended GetdHvT();
  Extended GetCp();
  Extended GetCpL();
  Extended GetCv();
  Extended GetCf();
  Extended GetKappa();
  Extended GetCStar();
  Extended GetpStar();
  Extended GettStar();
  Extended GetcfStar();
  Extended GetrhoStar();
  Extended GetrhoV();
  Extended GetrhoL();
  Extended GetxMv() const { return FV[slxMv]; }
  Extended GetRhoLDeviation();
  Extended GetPvW();
  Extended GetPhiRel();
  Extended GetEf();

  void SetRho(Extended v, bool o = true) { SetResult(slRho, v, o, "Rho"); }
  void SetrhoV(Extended v, bool o = true) { SetResult(slrhoV, v, o, "rhoV"); }
  void SetrhoL(Extended v, bool o = true) { SetResult(slrhoL, v, o, "rhoL"); }
  void SetV(Extended v, bool o = true) { SetResult(slV, v, o, "V"); }
  void SetZ(Extended v, bool o = true) { SetResult(slZ, v, o, "Z"); }
  void SetPv(Extended v, bool o = true) { SetResult(slPv, v, o, "Pv"); }
  void SetTv(Extended v, bool o = true) { SetResult(slTv, v, o, "Tv"); }
  void SetPl(Extended v, bool o = true) { SetResult(slPl, v, o, "Pl"); }
  void SetTl(Extended v, bool o = true) { SetResult(slTl, v, o, "Tl"); }
  void SetEta(Extended v, bool o = true) { SetResult(slEta, v, o, "Eta"); }
  void SetNy(Extended v, bool o = true) { SetResult(slNy, v, o, "Ny"); }
  void SetLambda(Extended v, bool o = true) { SetResult(slLambda, v, o, "Lambda"); }
  void SetH(Extended v, bool o = true) { SetResult(slH, v, o, "H"); }
  void SetDhv(Extended v, bool o = true) { SetResult(slDhv, v, o, "Dhv"); }
  void SetdHvT(Extended v, bool o = true) { SetResult(sldHvT, v, o, "dHvT"); }
  void SetS(Extended v, bool o = true) { SetResult(slS, v, o, "S"); }
  void SetCf(Extended v, bool o = true) { SetResult(slCf, v, o, "Cf"); }
  void SetCStar(Extended v, bool o = true) { SetResult(slCStar, v, o, "CStar"); }
  void SetrhoStar(Extended v, bool o = true) { SetResult(slrhoStar, v, o, "rhoStar"); }
  void SetCp(Extended v, bool o = true) { SetResult(slCp, v, o, "Cp"); }
  void SetCpL(Extended v, bool o = true) { SetResult(slCpL, v, o, "CpL"); }
  void SetKappa(Extended v, bool o = true) { SetResult(slKappa, v, o, "Kappa"); }
  void SetRhoN(Extended v, bool o = true) { SetResult(slRhoN, v, o, "RhoN"); }
  void SetRi(Extended v, bool o = true) { SetResult(slRi, v, o, "Ri"); }
  void SetM(Extended v, bool o = true) { SetResult(slM, v, o, "M"); }
  void SetSg(Extended v, bool o = true) { SetResult(slSg, v, o, "Sg"); }
  void SetxMv(Extended v, bool o = true);
  bool GetIsOverruled(int slot) const { return Cache.GetIsOverruled(slot); }

  // ---- phase ---------------------------------------------------------------
  teCalculatedPhase GetDisplayPhase();
  teCalculatedPhase GetCalculatedPhase();
  // The water/steam region shown (water and pulp only).
  teRange GetRange();

  // ---- approximated flags --------------------------------------------------
  bool GetIsApproximated(Approx a) const { return FApprox.test(a); }
  bool RhoIsApproximated() const { return FApprox.test(apRho); }
  bool dhvIsApproximated() const { return FApprox.test(apdhv); }
  bool VIsApproximated() const { return FApprox.test(apV); }
  bool ZIsApproximated() const { return FApprox.test(apZ); }
  bool PvIsApproximated() const { return FApprox.test(apPv); }
  bool TvIsApproximated() const { return FApprox.test(apTv); }
  bool EtaIsApproximated() const { return FApprox.test(apEta); }
  bool NyIsApproximated() const { return FApprox.test(apNy); }
  bool LambdaIsApproximated() const { return FApprox.test(apLambda); }
  bool HIsApproximated() const { return FApprox.test(apH); }
  bool SIsApproximated() const { return FApprox.test(apS); }
  bool CfIsApproximated() const { return FApprox.test(apCf); }
  bool CStarIsApproximated() const { return FApprox.test(apCStar); }
  bool KappaIsApproximated() const { return FApprox.test(apKappa); }
  bool CpIsApproximated() const { return FApprox.test(apCp); }
  bool CpLIsApproximated() const { return FApprox.test(apCpL); }

  // ---- providers -----------------------------------------------------------
  // The natural-gas and library providers are not owned: whoever creates
  // them (the natural-gas layer, the library list) sets them here. Without
  // one, substances of those types are "not available" (GetFluidDLLError).
  void SetExtSubstances(tExtSubstances* provider);
  tExtSubstances* GetExtSubstancesAssigned() const { return FExtSubstances; }
  // The active provider: the water/steam object for water and pulp; the
  // assigned provider for the natural-gas and library types when it is
  // loaded; none for database substances.
  tExtSubstances* GetExtSubstance();
  tWaterSteam& GetWaterSteam();
  bool GetUseWaterTable() const { return FSubstanceType == stWater || FSubstanceType == stPulpe; }
  bool GetUseAGA() const { return FSubstanceType == stAGA || FSubstanceType == stGERG; }
  bool GetUseDatabase() const {
    return FSubstanceType == stOthers || (FSubstanceType == stRUBochum && !FUseExtFluid);
  }
  // The substance needs a provider and none is active.
  bool GetFluidDLLError();

  bool GetActive() const { return FActive; }
  void SetActive(bool v) { FActive = v; }
  // Forgets every computed result (overruled ones stay).
  void Reset();

  // Temperature (degC) after a throttling from (T1, P1) to P2: the
  // provider's result first; without one the Joule-Thomson estimate of
  // Redlich-Kwong for gases and vapours and the throttling heating of an
  // incompressible liquid. The result is kept between the boiling
  // temperature at P2 and the critical temperature (CheckTv).
  Extended CalculateT2(Extended T1, Extended P1, Extended P2);
  // Density and temperature after an isentropic expansion to P2: only a
  // provider answers; NoValue otherwise.
  void CalculateRhoIsentrop(Extended& Rho2, Extended& T2, Extended P2);

  // Fired by a setter before a changed input is stored (property name).
  std::function<void(TSubstanceCalc&, const std::string&)> OnInputChange;
  // Fired after a result was overruled.
  std::function<void(TSubstanceCalc&)> OnResultsChange;

  // ---- the correlations, each with every input as an argument ------------
  // Ideal/real gas density P 1E5 / (Z Ri (T + 273.15)); Z NoValue counts 1.
  static Extended DensityDryGas(Extended Z, Extended Ri, Extended P, Extended T);
  // Density of a moist gas from the dry-gas density: the water vapour of
  // partial pressure PhiRel/100 PvW replaces dry gas of the same volume.
  static Extended WetGasCorrection(Extended Rho, Extended Ri, Extended P, Extended PvW,
                                   Extended PhiRel, Extended Zn);
  static Extended DensityWetGas(Extended Z, Extended Ri, Extended P, Extended T, Extended PvW,
                                Extended PhiRel, Extended Zn);
  // Redlich-Kwong (1949) vapour density, kg/m3; Tc degC, Pc bar, M kg/kmol.
  static Extended DensityVapour(Extended T, Extended P, Extended Tc, Extended Pc, Extended M);
  // COSTALD saturated volume (Hankinson and Thomson 1979) with the
  // Thomson-Brobst-Hankinson (1982) compression, kg/m3. RhoC stands for the
  // characteristic volume. Without critical data Rho25 (approximated away
  // from 20..30 degC). `approximated` is set outside Tr 0.25..0.96.
  static Extended DensityLiquid(Extended T, Extended P, Extended Pv, Extended Tc, Extended Pc,
                                Extended Omega, Extended RhoC, Extended Rho25,
                                bool* approximated = nullptr);
  // Saturated liquid molar volume by the Rackett equation (1970),
  // V = Vc Zc^((1 - Tr)^(2/7)), in the unit of Vc.
  static Extended SaturatedVolumeRackett(Extended T, Extended Tc, Extended Vc, Extended Zc);
  // Vapour pressure, bar: Lee-Kesler (1975) with Omega; without Omega the
  // Riedel-Plank-Miller form from the normal boiling point Ts. Pc above Tc.
  static Extended VapourPressure(Extended Omega, Extended Tc, Extended Pc, Extended T,
                                 Extended Ts);
  // Temperature (degC) where VapourPressure equals P; limited to Tt..Tc.
  static Extended BoilingTemperature(Extended P, Extended Omega, Extended Tc, Extended Pc,
                                     Extended Ts, Extended Tt);
  // Real-gas factor: Lee-Kesler with both reference fluids when Omega is
  // known, else the Dranchuk-Purvis-Robinson fit of the Standing-Katz chart
  // (`approximated` outside Tr 1.05..3, Pr <= 30).
  static Extended RealgasFactor(Extended T, Extended P, Extended Tc, Extended Pc, Extended Omega,
                                bool* approximated = nullptr);
  // The Lee-Kesler factor of one reference fluid at (Tr, Pr): 0 the simple
  // fluid (Z0), 1 n-octane (Zr). `liquidRoot` chooses the smallest volume
  // root below the critical temperature instead of the gas root.
  static Extended LeeKeslerZ(int fluid, Extended Tr, Extended Pr, bool liquidRoot = false);
  // The deviation function Z1 = (Zr - Z0)/omega_r of the tables of Lee and
  // Kesler.
  static Extended LeeKeslerZ1(Extended Tr, Extended Pr, bool liquidRoot = false);
  static Extended RealgasFactorA(Extended Tr, Extended Pr, bool* approximated = nullptr);
  // Gas viscosity, Pa s: Lucas (1980) low-pressure corresponding states
  // with polarity and quantum corrections; Tc degC, Pc bar, My debye.
  static Extended ViscosityOfGasI(Extended T, Extended M, Extended Zc, Extended Pc, Extended Tc,
                                  Extended My);
  // Gas viscosity, Pa s: Lee, Gonzalez and Eakin (1966) from density.
  static Extended ViscosityOfGasII(Extended T, Extended M, Extended Rho);
  static Extended Viscosity(Extended P, Extended T, Extended M, Extended Rho, Extended Zc,
                            Extended Pc, Extended Tc, Extended My);
  // Molar mass from the ideal-gas law, kg/kmol.
  static Extended ApproxMolarMass(Extended Rho, Extended P, Extended T);
  // Saturated-liquid heat capacity, kJ/(kg K), from the ideal-gas one
  // (Rowlinson-Bondi, 0.05 < Tr < 0.95).
  static Extended HeatCapacityLiquid(Extended Cp0, Extended Tr, Extended Omega, Extended M);
  // Heat of vaporization at T, kJ/kg: Vetere at the normal boiling point,
  // carried to T with Watson's exponent 0.38.
  static Extended CalculateDhv(Extended T, Extended Ts, Extended Tc, Extended Pc, Extended M);
  // Critical-flow function, pressure (bar) and temperature (degC) of an
  // ideal gas of isentropic exponent kappa.
  static Extended CalculateCStar(Extended kappa);
  static Extended CalculatepStar(Extended kappa, Extended P);
  static Extended CalculatetStar(Extended kappa, Extended T);
  // Sound speed of a gas sqrt(kappa P 1E5 / Rho), m/s.
  static Extended SoundVelocityOfGas(Extended kappa, Extended P, Extended Rho);
  // Sound speed of a liquid (m/s) from its own correlations: the isentropic
  // compressibility kappa_s = kappa_T - T v alpha^2 / cp, with kappa_T of
  // the compressed-liquid equation of Thomson, Brobst and Hankinson (AIChE
  // J. 28 (1982) 671), the expansion alpha of the COSTALD saturated volume
  // (Hankinson and Thomson, AIChE J. 25 (1979) 653) and cp of the liquid
  // (kJ/(kg K)); c = 1/sqrt(rho kappa_s). Liquid oxygen at -186 degC
  // 900 m/s, argon at -188 degC 878 m/s (Kaye and Laby, Tables of Physical
  // and Chemical Constants: 950 and 853 m/s), liquid methane at its normal
  // boiling point 1313 m/s (Setzmann and Wagner's equation of state: about
  // 1340 m/s). Without cp the isothermal sound speed, a lower bound.
  static Extended SoundVelocityOfLiquid(Extended T, Extended P, Extended Pv, Extended Tc, Extended Pc,
                                        Extended Omega, Extended RhoC, Extended cp);
  // Sound speed (m/s) of a homogeneous gas-liquid mixture with
  // incompressible liquid (Wood 1930; Wallis, One-dimensional Two-phase
  // Flow, 1969, ch. 6): 1/(rho_m c^2) = alpha/(n P), alpha the void fraction
  // and n the polytropic exponent of the gas. cfMixStoffel takes frozen,
  // isentropic gas expansion (n = kappa); cfMixTUD takes the exchange of
  // heat with the liquid into account with the mixture factor f (0.8 in
  // use): n = 1 + f (kappa - 1). rhoG, rhoL kg/m3, x the vapour mass
  // fraction in %, P bar.
  static Extended cfMixStoffel(Extended rhoG, Extended rhoL, Extended x, Extended P,
                               Extended kappa);
  static Extended cfMixTUD(Extended rhoG, Extended rhoL, Extended x, Extended P, Extended kappa,
                           Extended f = 0.8L);
  // Relative humidity in % from the humidity input of the kind `type`.
  static Extended RelativeHumidity(TEHumidityType type, Extended PhiRel, Extended XSpec,
                                   Extended FnF, Extended FnTr, Extended FF, Extended P,
                                   Extended T, Extended PvW, Extended RhoN);
  // The phase of (T, P) from the critical temperature and the vapour
  // pressure.
  static teCalculatedPhase CalculatePhaseOf(Extended T, Extended Tc, Extended P, Extended Pv);
  // Density of water vapour at normal conditions, kg/m3.
  static constexpr Extended RhoNWater = 0.8038L;

 private:
  using Getter = Extended (TSubstanceCalc::*)();
  Extended Get(int slot, Getter compute);
  void SetInput(int slot, Extended v, const char* name, bool temperature = false);
  void SetResult(int slot, Extended v, bool overrule, const char* name);
  void Changed(int slot, bool stateChange);
  void InstallFixedRules();
  void InstallPhaseRules(int rule);
  void SetApprox(Approx a, bool on) { FApprox.set(a, on); }
  void PassStateToProvider();
  void ResultsChanged();
  Extended ProviderValue(TExtProperty p);
  const tCustomFunctionDescription* Function(int no) const { return FDescription.Usable(no); }
  Extended FunctionValue(int no, Approx flag, bool* used = nullptr);
  bool Moist() const { return FGasMedium == gmGasMoist || FGasMedium == gmGasMoistOp; }
  Extended CalculatePv(Extended T);
  Extended CheckTv(Extended Tv);

  Extended ComputeTr();
  Extended ComputePr();
  Extended ComputeRhoN();
  Extended ComputeM();
  Extended ComputeRi();
  Extended ComputeSg();
  Extended ComputeRho();
  Extended ComputeV();
  Extended ComputeZ();
  Extended ComputePv();
  Extended ComputeTv();
  Extended ComputePl();
  Extended ComputeTl();
  Extended ComputeEta();
  Extended ComputeNy();
  Extended ComputeLambda();
  Extended ComputeH();
  Extended ComputeS();
  Extended ComputeDhv();
  Extended ComputedHvT();
  Extended ComputeCp();
  Extended ComputeCpL();
  Extended ComputeCv();
  Extended ComputeCf();
  Extended ComputeKappa();
  Extended ComputeCStar();
  Extended ComputepStar();
  Extended ComputetStar();
  Extended ComputecfStar();
  Extended ComputerhoStar();
  Extended ComputerhoV();
  Extended ComputerhoL();
  Extended ComputeRhoLDeviation();
  Extended ComputePvW();
  Extended ComputePhiRel();
  Extended ComputeEf();

  TCalcSet Cache;
  std::array<Extended, SlotCount> FV;
  std::bitset<SlotCount> FComputing;
  std::bitset<ApproxCount> FApprox;
  TEPhase FPhase = phUndef;
  TEGasMedium FGasMedium = gmGas;
  TEPulpeType FPulpeType = ptKraft;
  TEHumidityType FHumidityType = htRelative;
  TERhonRiM FRhoNRiM = rrmM;
  teSaturatedPhase FSaturatedPhase = spLiquid;
  teSubstanceType FSubstanceType = stOthers;
  bool FUseExtFluid = true;
  std::string FFluidName, FConcentrationName;
  tPropertyDescription FDescription;
  teCalculatedPhase FDisplayPhase = cpUndef, FCalculatedPhase = cpUndef;
  int FRule = -1;
  bool FActive = true;
  bool FInResultsChange = false;
  std::unique_ptr<tWaterSteam> FWaterSteam;
  tExtSubstances* FExtSubstances = nullptr;
};

}  // namespace torvacalc
