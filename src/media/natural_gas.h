// Natural gases and gas mixtures given by their composition: the providers
// of the substance types stAGA (AGA8-DC92 detail characterization, AGA
// Report No. 8 Part 1 / ISO 12213-2) and stGERG (GERG-2008, Kunz and Wagner
// 2012 / ISO 20765-2). Both equations live in property libraries
// ("aga8detail.so", "gerg2008.so") that are loaded through tDLLList like any
// substance property library; these classes hand them the composition,
// read the state and check it against the method's range of validity.
//
// Use:
//   tGERGSubstance gas;                       // or tAGA8Substance
//   gas.GetAGAConcentration().SetC(1, 90);    // mol %, AGA8 numbering
//   gas.GetAGAConcentration().SetC(4, 10);
//   gas.SetT(20);  gas.SetP(50);              // degC, bar absolute
//   gas.GetRho(); gas.GetZ(); gas.GetKappa(); // engine units (ext_substances.h)
//   gas.CheckComposition(); gas.CheckState(); // messages for the module
//
// The composition is taken in mol % by the component numbers of
// tAGAConcentration; a sum other than 100 is normalised (message 1301). A
// composition that cannot be used (negative fraction, nothing given,
// component the method does not know) leaves every property NoValue.
#pragma once

#include <string>
#include <vector>

#include "framework/calc_message.h"
#include "media/substance_library.h"

namespace torvacalc {

enum TNaturalGasMethod { ngmAGA8Detail, ngmGERG2008 };

// A message for the module that shows the substance: catalogue number and
// the arguments of its text.
struct TGasMessage {
  int No;
  std::vector<TMessageArg> Args;
};

// Message numbers of the natural-gas providers (data/messages_gas.sql).
enum TGasMessageNo {
  gmComponent17 = 131,       // GERG mixture type: component 17 above 0.1 %
  gmNormalised = 1301,       // sum of fractions not 100 %: normalised
  gmNegative = 1302,         // a negative fraction
  gmEmpty = 1303,            // no component given
  gmUnknownComponent = 1304, // a component the method does not know
  gmCompositionNormal = 1305,   // outside the normal range of the method
  gmCompositionExtended = 1306, // outside the extended range
  gmStateNormal = 1307,      // T or p outside the normal range
  gmStateExtended = 1308,    // T or p outside the extended range
  gmNoDensity = 1309,        // no density found
  gmTwoRoots = 1310,         // vapour- and liquid-like roots: possibly two-phase
  gmNoLibrary = 1311,        // the property library was not found
  gmLibraryDamaged = 1312,   // ... is damaged, foreign or refused by the loader
  gmLibraryFunction = 1313,  // ... lacks a function of the natural-gas libraries
  gmNormalConditions = 1314  // TN0 or PN0 outside the extended range: no RhoN
};

// The common provider of both methods.
class tNaturalGasSubstance : public tRUBDLLInterface {
 public:
  explicit tNaturalGasSubstance(TNaturalGasMethod method);
  ~tNaturalGasSubstance() override;

  TNaturalGasMethod GetMethod() const { return FMethod; }
  // File name of the method's library.
  static const char* LibraryFile(TNaturalGasMethod method);
  // "AGA8-DC92" or "GERG-2008".
  static const char* MethodName(TNaturalGasMethod method);

  void SetT(Extended value) override;
  void SetP(Extended value) override;
  void SetPN0(Extended value) override;
  void SetTN0(Extended value) override;
  void SetLiquid(bool value) override;

  // Properties in the units of ext_substances.h; besides the density, Z,
  // h, s, cp, cv, kappa and M: RhoN at the normal conditions (TN0, PN0), V,
  // cf (the speed of sound, m/s). An overruled density makes every other
  // property follow from (T, Rho).
  Extended GetValue(TExtProperty p) override;
  void SetValue(TExtProperty p, Extended value, bool overrule = true) override;
  teCalculatedPhase GetPhase() override;

  // Further results of the equation at the current state.
  Extended GetU();            // internal energy, kJ/kg
  Extended GetG();            // Gibbs energy, kJ/kg
  Extended GetJouleThomson(); // K/bar
  Extended GetdPdT();         // bar/K at constant density
  Extended GetdPdRho();       // bar/(kg/m3) at constant temperature
  Extended GetMolarDensity(); // mol/l
  Extended GetMolarMass() { return GetM(); }
  // Root found: 0 none, 1 single, 2 vapour-like of two, 3 liquid-like of two.
  int GetRootKind();

  // The mole fractions handed to the library (index 0..20 in the order of
  // the library), normalised; false when the composition cannot be used.
  bool GetLibraryComposition(std::vector<double>& x) const;

  // Checks of the composition and of the state (T, P, and the normal
  // conditions TN0, PN0) against the method; CheckState evaluates the state.
  std::vector<TGasMessage> CheckComposition() const;
  std::vector<TGasMessage> CheckState();

 protected:
  // Throttling (isenthalpic) and isentropic changes of state from (T1, P1)
  // to P2 with the equation itself: Newton's method on T with the heat
  // capacity, at most 60 steps of at most 50 K.
  Extended DoCalculateT2(Extended T1, Extended P1, Extended P2) override;
  void DoCalculateRhoIsentrop(Extended& Rho2, Extended& T2, Extended T1, Extended P1,
                              Extended P2) override;

 private:
  // The state at (T in K, P in kPa) of the current composition, without
  // touching the cached state; false when there is none.
  bool StateAt(Extended TK, Extended PkPa, double* out);
  // Temperature (K) at P2 (kPa) where the property `index` (enthalpy or
  // entropy, TNGOut) equals its value at (T1, P1).
  Extended SolveIso(int index, Extended T1K, Extended P1kPa, Extended P2kPa, double* out2);
  void Invalidate() { FValid = false; }
  // The normal conditions are set and inside the method's extended range.
  bool NormalConditionsCovered() const;
  void Evaluate();
  bool CallState(Extended TK, Extended PkPa, int wish, double* out);

 protected:
  void* Function(const char* name) const;
  // The state at (T in K, P in kPa) of the composition last evaluated;
  // wish 0 the stable root, 1 the vapour-like, 2 the liquid-like. The
  // evaluated state and its root kind stay as they are.
  bool LibraryState(Extended TK, Extended PkPa, int wish, double* out);
  // Evaluates the current state (once per change of T, P or composition).
  void EvaluateState() { Evaluate(); }

 private:

  TNaturalGasMethod FMethod;
  int FLibSlot;
  bool FValid = false;
  bool FOverruled[epCount] = {};
  Extended FResult[epCount];
  Extended FU = NoValue, FG = NoValue, FJT = NoValue, FdPdT = NoValue, FdPdRho = NoValue,
           FMolarD = NoValue, FTpc = NoValue, FDpc = NoValue;
  int FRootKind = 0;
  std::string FMissingFunction;  // the function the library lacks, if any
};

class tAGA8Substance : public tNaturalGasSubstance {
 public:
  tAGA8Substance() : tNaturalGasSubstance(ngmAGA8Detail) {}
};

class tGERGSubstance : public tNaturalGasSubstance {
 public:
  tGERGSubstance() : tNaturalGasSubstance(ngmGERG2008) {
    GetAGAConcentration().SetCType(tAGAConcentration::ctGERG);
  }
};

// A pure fluid by the GERG-2008 equation of one of its 21 components. With
// a single component the mixture equation is that component's own
// equation of state (Kunz and Wagner 2012, the pure-substance equations of
// GERG-2008), so density, enthalpy, entropy, heat capacities, speed of
// sound and isentropic exponent come from the mixture provider. Besides:
//  - the critical point (Tc, RhoC from the equation's reducing values, Pc
//    the pressure of the equation there);
//  - saturation below the critical temperature: the vapour pressure at T is
//    the pressure at which the liquid-like and the vapour-like roots of the
//    equation have the same Gibbs energy (Newton's method on p with
//    d(gL - gV)/dp = vL - vV); the saturation temperature at p inverts it
//    (secant on ln p over 1/T). Both NoValue at or above Tc and where the
//    equation has no two roots.
// The range of validity is the equation's (CheckState: normal range 90 K
// to 450 K up to 35 MPa, extended 60 K to 700 K up to 70 MPa).
class tGERGPureFluid : public tGERGSubstance {
 public:
  // `component` numbered as tAGAConcentration (1 methane ... 21 argon).
  explicit tGERGPureFluid(int component);
  int GetComponent() const { return FComponent; }
  Extended GetValue(TExtProperty p) override;
  // Vapour pressure (bar) at t (degC) and saturation temperature (degC) at
  // p (bar); NoValue outside the two-phase region of the equation.
  Extended VapourPressure(Extended t);
  Extended SaturationTemperature(Extended p);
  // The 21 components in their order, with German names (the list of the
  // library substances).
  static std::vector<std::string> Names();

 private:
  bool Critical(Extended& TcK, Extended& DcMol, Extended& PckPa);
  int FComponent;
};

// Library position (0..20) of a component number of tAGAConcentration
// (1..21); -1 for any other number.
int NaturalGasLibraryIndex(int component);
// Component number (1..21) of a name, German or English, with or without
// case and hyphens ("Methan", "methane", "CH4", "n-butane", "nButan", "CO2");
// 0 when unknown.
int NaturalGasComponentByName(const std::string& name);
// English name of a component number.
std::string NaturalGasComponentEnglish(int component);

}  // namespace torvacalc
