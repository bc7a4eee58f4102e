// The common base of the external substance providers: water and steam,
// the natural-gas providers and the substance library. The property engine
// gives a provider a state (temperature, pressure, side of the saturation
// line) and reads one value per property; what a provider does not compute
// stays NoValue.
#pragma once

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "framework/basics.h"
#include "framework/item_tag.h"
#include "media/substance_types.h"

namespace torvacalc {

// The region of the water/steam formulation as shown to the user.
enum teRange { raUndef, ra1, ra2, ra3, ra4, ra5 };

// The cached properties of a provider, in the units of the property engine:
// degC, bar absolute, kg/m3, m3/kg, kJ/kg, kJ/(kg K), m/s, Pa s, W/(m K),
// kg/kmol, % (vapour fraction).
enum TExtProperty {
  epRho, epRhoV, epRhoL, epRhoN, epV, epZ, epPv, epPl, epTv, epTl, epH, epS, epcp, epcv, epcf,
  epEta, epLambda, epKappa, epdhv, epdHvT, epxFG, epM, epTc, epPc, epZc, epRhoC, epOmega, epTs,
  epTT, epCStar, epPStar, epTStar, epCfStar, epRhoStar,
  epCount
};

// Name of a property as the engine and the command line spell it.
const char* ExtPropertyName(TExtProperty p);

// Composition of a natural gas or gas mixture: mole fractions in % by
// component number. Numbers 1 to 21 are the components of the AGA8 detail
// characterization method (AGA Report No. 8, 1994) in its order: methane,
// nitrogen, carbon dioxide, ethane, propane, water, hydrogen sulfide,
// hydrogen, carbon monoxide, oxygen, i-butane, n-butane, i-pentane,
// n-pentane, n-hexane, n-heptane, n-octane, n-nonane, n-decane, helium,
// argon. Numbers up to MaxComponent hold further components of other
// mixture models.
class tAGAConcentration {
 public:
  static constexpr int AGA8Components = 21;
  static constexpr int MaxComponent = 40;
  // How the fractions were given: for the AGA8 detail method or for GERG.
  enum TCType { ctAGA8, ctGERG };

  tAGAConcentration();

  // Fraction of component i in %; NoValue for a number outside 1..MaxComponent.
  Extended GetC(int i) const;
  // Sets a fraction (NoValue or 0 removes the component); a number outside
  // 1..MaxComponent is a programming error (EHXInternal).
  void SetC(int i, Extended value);
  TCType GetCType() const { return FCType; }
  void SetCType(TCType value);

  // Sum of the fractions, %; a valid composition sums to 100.
  Extended CalculateCSum() const;
  // True when only components of the AGA8 detail method are present.
  bool GetIsAga8() const;
  // "Methan 90 %, Ethan 10 %" (names translated); "" when empty.
  std::string GetAsString() const;
  // Keeps the current composition as the stored one; Storno returns to it.
  void Store();
  void Storno();
  void Assign(const tAGAConcentration& source);
  bool operator==(const tAGAConcentration& other) const;

  // German name of a component ("Methan"); "" for an unknown number.
  static std::string ComponentName(int i);

  // In a calculation file: "CType" and one Extended "C<i>" per component
  // present. Loading replaces the whole composition.
  void SaveToTag(TItemTagWriter& tag) const;
  void LoadFromTag(const TItemTagReader& tag);

  std::function<void(tAGAConcentration&)> OnChange;

 private:
  void Changed();
  std::vector<Extended> FC;       // index = component number, 0 unused
  std::vector<Extended> FStored;
  TCType FCType = ctAGA8;
};

// The provider base.
class tExtSubstances {
 public:
  tExtSubstances();
  virtual ~tExtSubstances();
  tExtSubstances(const tExtSubstances&) = delete;
  tExtSubstances& operator=(const tExtSubstances&) = delete;

  // State: temperature degC, pressure bar absolute, normal conditions (degC
  // and bar), the side of the saturation line, the chemical formula.
  Extended GetT() const { return FT; }
  Extended GetP() const { return FP; }
  Extended GetPN0() const { return FPN0; }
  Extended GetTN0() const { return FTN0; }
  bool GetLiquid() const { return FLiquid; }
  virtual void SetT(Extended value);
  virtual void SetP(Extended value);
  virtual void SetPN0(Extended value);
  virtual void SetTN0(Extended value);
  virtual void SetLiquid(bool value);
  const std::string& GetFormula() const { return FFormula; }
  void SetFormula(const std::string& value) { FFormula = value; }
  // A provider that could not be set up (its library did not load) is
  // inactive; the engine then reports the substance as not available.
  virtual bool GetActive() const { return FActive; }
  void SetActive(bool value) { FActive = value; }

  // Property access: the base class answers the stored value, NoValue unless
  // set. `overrule` true stores a value that replaces the computed one;
  // false hands the property back to the provider's own computation.
  virtual Extended GetValue(TExtProperty p);
  virtual void SetValue(TExtProperty p, Extended value, bool overrule = true);

  Extended GetRho() { return GetValue(epRho); }
  Extended GetRhoV() { return GetValue(epRhoV); }
  Extended GetRhoL() { return GetValue(epRhoL); }
  Extended GetRhoN() { return GetValue(epRhoN); }
  Extended GetV() { return GetValue(epV); }
  Extended GetZ() { return GetValue(epZ); }
  Extended GetPv() { return GetValue(epPv); }
  Extended GetPl() { return GetValue(epPl); }
  Extended GetTv() { return GetValue(epTv); }
  Extended GetTl() { return GetValue(epTl); }
  Extended GetH() { return GetValue(epH); }
  Extended GetS() { return GetValue(epS); }
  Extended Getcp() { return GetValue(epcp); }
  Extended Getcv() { return GetValue(epcv); }
  Extended Getcf() { return GetValue(epcf); }
  Extended GetEta() { return GetValue(epEta); }
  Extended GetLambda() { return GetValue(epLambda); }
  Extended GetKappa() { return GetValue(epKappa); }
  Extended Getdhv() { return GetValue(epdhv); }
  Extended GetdHvT() { return GetValue(epdHvT); }
  Extended GetxFG() { return GetValue(epxFG); }
  Extended GetM() { return GetValue(epM); }
  Extended GetTc() { return GetValue(epTc); }
  Extended GetPc() { return GetValue(epPc); }
  Extended GetZc() { return GetValue(epZc); }
  Extended GetRhoC() { return GetValue(epRhoC); }
  Extended GetOmega() { return GetValue(epOmega); }
  Extended GetTs() { return GetValue(epTs); }
  Extended GetTT() { return GetValue(epTT); }
  Extended GetCStar() { return GetValue(epCStar); }
  Extended GetPStar() { return GetValue(epPStar); }
  Extended GetTStar() { return GetValue(epTStar); }
  Extended GetCfStar() { return GetValue(epCfStar); }
  Extended GetRhoStar() { return GetValue(epRhoStar); }

  void SetRho(Extended v, bool overrule = true) { SetValue(epRho, v, overrule); }
  void SetRhoV(Extended v, bool overrule = true) { SetValue(epRhoV, v, overrule); }
  void SetRhoL(Extended v, bool overrule = true) { SetValue(epRhoL, v, overrule); }
  void SetRhoN(Extended v, bool overrule = true) { SetValue(epRhoN, v, overrule); }
  void SetV(Extended v, bool overrule = true) { SetValue(epV, v, overrule); }
  void SetZ(Extended v, bool overrule = true) { SetValue(epZ, v, overrule); }
  void SetPv(Extended v, bool overrule = true) { SetValue(epPv, v, overrule); }
  void SetPl(Extended v, bool overrule = true) { SetValue(epPl, v, overrule); }
  void SetTv(Extended v, bool overrule = true) { SetValue(epTv, v, overrule); }
  void SetTl(Extended v, bool overrule = true) { SetValue(epTl, v, overrule); }
  void SetH(Extended v, bool overrule = true) { SetValue(epH, v, overrule); }
  void SetS(Extended v, bool overrule = true) { SetValue(epS, v, overrule); }
  void Setcp(Extended v, bool overrule = true) { SetValue(epcp, v, overrule); }
  void Setcv(Extended v, bool overrule = true) { SetValue(epcv, v, overrule); }
  void Setcf(Extended v, bool overrule = true) { SetValue(epcf, v, overrule); }
  void SetEta(Extended v, bool overrule = true) { SetValue(epEta, v, overrule); }
  void SetLambda(Extended v, bool overrule = true) { SetValue(epLambda, v, overrule); }
  void SetKappa(Extended v, bool overrule = true) { SetValue(epKappa, v, overrule); }
  void Setdhv(Extended v, bool overrule = true) { SetValue(epdhv, v, overrule); }
  void SetdHvT(Extended v, bool overrule = true) { SetValue(epdHvT, v, overrule); }
  void SetxFG(Extended v, bool overrule = true) { SetValue(epxFG, v, overrule); }
  void SetM(Extended v, bool overrule = true) { SetValue(epM, v, overrule); }
  void SetTc(Extended v, bool overrule = true) { SetValue(epTc, v, overrule); }
  void SetPc(Extended v, bool overrule = true) { SetValue(epPc, v, overrule); }
  void SetZc(Extended v, bool overrule = true) { SetValue(epZc, v, overrule); }
  void SetRhoC(Extended v, bool overrule = true) { SetValue(epRhoC, v, overrule); }
  void SetOmega(Extended v, bool overrule = true) { SetValue(epOmega, v, overrule); }
  void SetTs(Extended v, bool overrule = true) { SetValue(epTs, v, overrule); }
  void SetTT(Extended v, bool overrule = true) { SetValue(epTT, v, overrule); }
  void SetCStar(Extended v, bool overrule = true) { SetValue(epCStar, v, overrule); }
  void SetPStar(Extended v, bool overrule = true) { SetValue(epPStar, v, overrule); }
  void SetTStar(Extended v, bool overrule = true) { SetValue(epTStar, v, overrule); }
  void SetCfStar(Extended v, bool overrule = true) { SetValue(epCfStar, v, overrule); }
  void SetRhoStar(Extended v, bool overrule = true) { SetValue(epRhoStar, v, overrule); }

  // Phase and displayed region of the current state.
  virtual teCalculatedPhase GetPhase() { return FPhase; }
  void SetPhase(teCalculatedPhase value) { FPhase = value; }
  virtual int GetDisplayRange() { return FDisplayRange; }
  void SetDisplayRange(int value) { FDisplayRange = value; }

  tAGAConcentration& GetAGAConcentration() { return FAGAConcentration; }
  const tAGAConcentration& GetAGAConcentration() const { return FAGAConcentration; }

  // Temperature (degC) after an isenthalpic change of state from (T1, P1)
  // to the pressure P2 (bar), as in a throttling valve. The last result is
  // kept in the store, so that repeated calls with the same inputs are free.
  Extended CalculateT2(Extended T1, Extended P1, Extended P2);
  // Density and temperature after an isentropic change of state from (T1, P1)
  // to P2. Both NoValue when the provider cannot say.
  void CalculateRhoIsentrop(Extended& Rho2, Extended& T2, Extended T1, Extended P1, Extended P2);

  // The one-entry store of the last change-of-state calculation: six input
  // values, the composition and two results. An entry is used only for
  // bit-equal inputs and the same composition.
  using TStoreInputs = std::array<Extended, 6>;
  bool IsInStore(const TStoreInputs& inputs) const;
  void GetFromStore(Extended& result1, Extended& result2) const;
  void PutIntoStore(const TStoreInputs& inputs, Extended result1, Extended result2);

  // Copies state, values, phase, composition and store from `source`.
  virtual void Assign(const tExtSubstances& source);
  // Copies this provider into `dest`.
  void Copy(tExtSubstances& dest) const { dest.Assign(*this); }

  // Fired after a result was overruled.
  std::function<void(tExtSubstances&)> OnResultsChange;

 protected:
  // The provider's own change-of-state calculations; the base knows none.
  virtual Extended DoCalculateT2(Extended T1, Extended P1, Extended P2);
  virtual void DoCalculateRhoIsentrop(Extended& Rho2, Extended& T2, Extended T1, Extended P1,
                                      Extended P2);
  void ResultsChanged();

  Extended FT = NoValue;
  Extended FP = NoValue;
  Extended FPN0 = StandardPressure;
  Extended FTN0 = 0;
  bool FLiquid = true;
  std::string FFormula;
  bool FActive = true;
  std::array<Extended, epCount> FValues;
  teCalculatedPhase FPhase = cpUndef;
  int FDisplayRange = 0;

 private:
  tAGAConcentration FAGAConcentration;
  TStoreInputs FStoreInputs;
  Extended FStoreResult1 = NoValue, FStoreResult2 = NoValue;
  tAGAConcentration FStoreComposition;
  bool FStoreFilled = false;
};

// Equality of two temperatures in degC compared as absolute temperatures.
bool EqualTemp(Extended a, Extended b, int digits);

}  // namespace torvacalc
