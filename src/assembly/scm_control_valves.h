// The top layer of a valve calculation: the control valve at every
// operating point. For each point k (1, 2, 3 and X = 4) the calculation
// owns a sizing module, the medium behind the valve, the mixture of liquid
// and vapour there, a resistor behind the valve and every noise method
// (assembly/noise_methods.h);
// once it owns the characteristic over all points and the inlet pipe.
//
// The wiring is one table (ValveLinks): each row joins a main-module item
// to an item of a per-point or single module, says which way the value runs
// and whether the main-module item is the point's own (suffix "Ap2", "Ap3",
// "ApX" at the further points) or one value for all points. The main
// module makes its items from the same table, so that every item a module
// reads or returns has exactly one place where the user sees it.
//
// What is solved for (Kv, flow, outlet or inlet pressure) chooses one of
// four solve connectors per point; the noise method per point follows the
// medium's phase and NoiseNormLiquid / NoiseNormGas.
#pragma once

#include <array>
#include <unordered_map>
#include <string>
#include <vector>

#include "assembly/noise_methods.h"
#include "assembly/scm_flow.h"
#include "media/cm_mixed_phase.h"
#include "media/cm_water_injection.h"
#include "catalogue/cm_actuator.h"
#include "catalogue/cm_suggest_dn.h"
#include "plant/cm_characteristics.h"
#include "valves/cm_control_valves.h"
#include "noise/cm_noise.h"
#include "plant/cm_resistor.h"
#include "catalogue/cm_valve_database.h"

namespace torvacalc {

// One row of the wiring of the valve layer.
struct TValveLink {
  // Which module of a point the row joins.
  enum TModule : std::uint8_t {
    lmValve, lmSolveKv, lmSolveQm, lmSolveP2, lmSolveP1, lmDownstream, lmMixture, lmResistor,
    lmNoiseCommon, lmNoiseMethod, lmCharacteristics, lmInletPipe,
    lmWaterInjection, lmWaterInjectionOut, lmSuggestDN, lmActuator, lmActuatorDatabase, lmValveDatabase,
    lmValveDatabaseLN,
    lmP2Resistor,
  };
  // How the value runs: from the main module into the module (In), back
  // (Out), or copied into the module without making it calculate (Pump).
  // Shared: returned by point 1's module, given to the further points'
  // (a geometry sized at point 1 and kept at the others).
  enum TWay : std::uint8_t { lwIn, lwOut, lwPump, lwShared };
  TModule Module;
  TWay Way;
  bool PerPoint;     // the main-module item carries the point's suffix
  bool FirstOnly;    // only point 1 has it (octave bands, method details)
  std::string Main;  // name in the main module (without suffix)
  std::string Item;  // name in the module
  size_t Method = 0;  // lmNoiseMethod: the row of NoiseMethods()
};
const std::vector<TValveLink>& ValveLinks();

// The operating-point main module of the valve layer: every item the user
// sees, the choice of the solve connectors and noise methods, and the
// checks across the operating points.
class TCustomSCM3ControlValves;

class TMCMTorva : public TCustomMCM3SubstancesMaterialPipe3Flow {
 public:
  explicit TMCMTorva(TCalcComponent* owner, std::string name = "MainCalcModule");
  const char* ClassName() const override { return "TMCMTorva"; }
  void CalcEvent(TCalcEvent event, TCalcItem* item) override;

 protected:
  void DoCalculate() override;

 private:
  // The checks across the points (Kvs against the largest Kv, openings,
  // rangeability, order of the points) and the stroke positions.
  void CheckOperatingPoints();
  TCustomSCM3ControlValves* Calc();

  // The items the checks read and write, found on the first check.
  void FindCheckedItems();
  // Solving for the inlet pressure: the point's state is taken at the
  // pressure found (P1 := p1Calc), step by step until the two agree.
  void FollowSolvedInletPressure(int point);
  struct TInletSteps {
    Extended fed = NoValue, found = NoValue;        // the last P1 given and the p1Calc it led to
    Extended lastIn = NoValue, lastOut = NoValue;  // the step before, for a secant
  };
  std::array<TInletSteps, 5> FInlet{};
  struct TPointItems {
    TCalcParameter *p1Calc = nullptr, *Qm = nullptr, *qmCalc = nullptr, *QmValve = nullptr, *t2v = nullptr, *T1 = nullptr,
                   *T2Medium = nullptr, *Rho1 = nullptr, *P1 = nullptr, *p2 = nullptr, *kvsSuggMax = nullptr,
                   *h = nullptr, *kv = nullptr, *KvKvs = nullptr, *StrokePosition = nullptr, *rho2 = nullptr,
                   *cf2 = nullptr, *MaxU1 = nullptr, *MaxU2 = nullptr, *LpAa = nullptr, *Pv1 = nullptr,
                   *Cf = nullptr, *xMv1 = nullptr, *xFG = nullptr, *xMv2 = nullptr, *xOutletMedium = nullptr;
    TCustomCalcMultiSwitch *FlowState = nullptr, *CalculatedPhase = nullptr;
  };
  // The duty the smallest size is found for: that of the point needing the
  // largest bore.
  void SelectSizingDuty();
  // Messages at a point whose flow state or noise is missing, naming what
  // is missing for it.
  void ReportMissingResults(int point);
  // The inlet pressure of a point against the pressure-temperature rating
  // of the catalogue valve's body at the point's inlet temperature.
  void CheckBodyRating(int point);
  // The inherent characteristic the control task asks for, with the rule
  // that gave it as a message.
  void RecommendCharacteristic();
  // The nominal size to take: the smallest standard size at or above the
  // smallest size that keeps the recommended velocities (MinDN).
  void SuggestNominalSize();
  TCustomCalcMultiSwitch* FSuggestedDN = nullptr;
  // Wet steam at the inlet given by its specific enthalpy (EnterXorH
  // "Enthalpie h"): the vapour fraction of every point follows from the
  // enthalpy and the saturation enthalpies at the inlet pressure.
  void VapourFractionsFromEnthalpy();
  TCalcListSwitch* FEnterXorH = nullptr;
  // The valve feeds the spray water of a desuperheater through its nozzle
  // (InjectionValve): the resistor behind the valve is that nozzle while
  // the switch is on; switched off, the user's resistor is back.
  void HoldInjectionNozzle();
  TCalcSwitch* FInjectionValve = nullptr;
  struct TResistorBefore {
    bool held = false, used = false;
    int type = -1;
  } FResistorBefore;
  struct TRecommendationItems {
    TCalcSwitch* RecommendChar = nullptr;
    TCalcListSwitch *Control = nullptr, *Measurement = nullptr, *ApplicationOf = nullptr, *SetPoint = nullptr,
                    *PressureControl = nullptr, *CiBase = nullptr, *ControlRange = nullptr,
                    *Recommended = nullptr;
    TCalcParameter* DropRatio = nullptr;
  } FRec;
  std::array<TPointItems, 5> FPoint{};  // index 1 to 4
  TCalcParameter *FcPipe = nullptr, *FEM = nullptr, *FRhoM = nullptr, *FNoOfCharOps = nullptr, *Fp1Max = nullptr,
                 *Fp2Min = nullptr, *Fp2Max = nullptr, *FT1Max = nullptr, *FkvsSugg = nullptr, *Fkvs = nullptr,
                 *FkvMax = nullptr, *FQmDN = nullptr, *FRho1DN = nullptr, *Frho2DN = nullptr, *Fcf2DN = nullptr;
  TCustomCalcMultiSwitch *FFlowStateDN = nullptr, *FCalculatedPhaseDN = nullptr;
  const TCustomCalcMultiSwitch* FPhase = nullptr;
  TCalcItem *FValveFromDatabase = nullptr, *FVSeries = nullptr, *FListPN = nullptr;

  enum TReaction : std::uint8_t { rSolve, rNoise, rResistors, rValveDatabase, rChecks, rEnthalpy };
  std::unordered_map<const TCalcItem*, TReaction> FReactions;
  TCustomSCM3ControlValves* FCalc = nullptr;
};

class TCustomSCM3ControlValves : public TCustomSCM3SubstancesMaterialPipe3Flow {
 public:
  explicit TCustomSCM3ControlValves(TCalcComponent* owner = nullptr, std::string name = "SCM3ControlValves");
  const char* ClassName() const override { return "TCustomSCM3ControlValves"; }
  std::string ModuleDescription() const override {
    return "Berechnung und Optimierung besonders unter regelungstechnischen Gesichtspunkten";
  }

  // The modules of point k, index 1 to 4 (4 is point X); index 0 unused.
  std::array<TCMControlValves*, 5> FCMControlValves{};
  std::array<TCalcSource*, 5> FCalcSourceCMControlValves{};
  std::array<TCalcConnector*, 5> FCalcConnectorMain{}, FCalcConnectorCalcQm{}, FCalcConnectorCalcKv{},
      FCalcConnectorCalcp2{}, FCalcConnectorCalcp1{};
  std::array<TCMResistor*, 5> FCMResistor{};
  std::array<TCalcSource*, 5> FCalcSourceCMResistor{};
  std::array<TCalcConnector*, 5> FCalcConnectorResistor{};
  std::array<TCCMSubstances*, 5> FCMSubstances2{};
  std::array<TCalcSource*, 5> FCalcSourceCMSubstances2{};
  std::array<TCalcConnector*, 5> FCalcConnectorSubstances2{};
  // The noise methods of every point, one per row of NoiseMethods().
  struct TNoiseParts {
    std::array<TCMCustomNoisePrediction*, 5> Module{};
    std::array<TCalcSource*, 5> Source{};
    std::array<TCalcConnector*, 5> Connector{};
  };
  std::vector<TNoiseParts> FNoise;
  std::array<TCMWaterInjection*, 5> fCMWaterInjection{};
  std::array<TCalcSource*, 5> fCalcSourceWaterInjection{};
  std::array<TCalcConnector*, 5> fCalcConnectorWaterInjection{}, fCalcConnectorWaterInjectionFix{};
  // Points 2, 3 and X behind a resistor whose geometry was fixed at point
  // 1: the pressure in front of the resistor, which is the valve's outlet
  // pressure, follows from the resistor's Kv (index 2 to 4).
  std::array<TCMp2Resistor*, 5> fCMP2Resistor{};
  std::array<TCalcSource*, 5> FCalcSourceCMP2Resistor{};
  std::array<TCalcConnector*, 5> FCalcConnectorP2Res{};
  // The flow the sizing finds, when it solves for the flow, as operating
  // and normal volume flow (QvCalc, QnCalc) at the point's state.
  std::array<TCCMAllFlow*, 5> FCMFlowOnly{};
  std::array<TCalcConnector*, 5> FCalcConnectorFlowOnly{};
  std::array<TCMMixedDensity*, 5> fCMMixedDensity{};
  std::array<TCalcSource*, 5> fCalcSourceMixedDensity{};
  std::array<TCalcConnector*, 5> fCalcConnectorMixedDensity{};

  // Copies inside the main module, at every point: the density in the
  // outlet pipe (rho2) is the one behind the resistors (rho2r) while they
  // are used and the one at the valve outlet (rho2v) otherwise; the vapour
  // fraction the sizing reads at the inlet (xFG1) is the medium's (xMv1).
  TCalcConnector *fCCRho2v = nullptr, *fCCRho2r = nullptr, *fCCxMv = nullptr;

  TCMCharacteristics* fCMChar = nullptr;
  TCalcSource* fCalcSourceChar = nullptr;
  TCalcConnector *fCalcConnectorCharIn = nullptr, *fCalcConnectorCharOut = nullptr;
  TCMSuggestDN* fCMSuggestDN = nullptr;
  TCalcSource* FCalcSourceSuggestDN = nullptr;
  TCalcConnector* FCalcConnectorSuggestDN = nullptr;
  TCCMNormPipeThickness* FCCMNormPipeThicknessIn = nullptr;
  TCalcConnector* FCalcConnectorNormPipeThicknessIn = nullptr;
  // The valve from the catalogue. Its connector joins the module only
  // while ValveFromDatabase is on: then the catalogue's valve data stand
  // where the user's entries stood, and the entries come back when it is
  // switched off.
  TCMValveDatabase* fCMValveDatabase = nullptr;
  TCalcSource* FCalcSourceValveDatabase = nullptr;
  TCalcConnector* FCalcConnectorValveDatabase = nullptr;
  // The trim's FL^2 and zy at 75 % travel, which decide cavitation, come
  // through a connector of their own, on with the catalogue connector.
  TCalcConnector* FCalcConnectorValveDatabaseLN = nullptr;

  void ApplySwitches() override;
  // A file of an older program keeps the noise edition it was computed with.
  void BringUpToDate(int fileVersion, const std::vector<TCalcItem*>& absent) override;

  // Solve connectors of every point after WhatToCalculate; noise
  // connectors of every point after the phase and the chosen methods.
  void SelectSolveConnectors();
  void SelectNoiseMethods();
  void SelectNoiseMethod(int point);
  // The solved flow is converted into volume flows while the sizing
  // solves for the flow.
  void SelectFlowConversion(int point);
  // The resistors behind the valve calculate when UseResistors is on; with
  // FixedResistor, while sizing for Kv, the outlet pressure of points 2, 3
  // and X comes from the resistor fixed at point 1.
  void SelectResistors();
  // The valve data come from the catalogue when ValveFromDatabase is on.
  void SelectValveDatabase();
  // What the sizing solves for (WhatToCalculate: ccKv, ccQm, ccP2, ccP1).
  int SolvedFor() const { return FSolvedFor; }
  // Whether point k is calculated (NoOfOps, OpXEnabled).
  bool PointOn(int point) const { return point == 4 ? FOpXEnabled : point <= FNoOfOps; }

  // Clears the entries of point 2 or 3; copies point 1's entries to it.
  void StornoOp2() { StornoOp(2); }
  void StornoOp3() { StornoOp(3); }
  void CopyOp2() { CopyOp(2); }
  void CopyOp3() { CopyOp(3); }
  // Exchanges the entries of two points; orders points 1 to 3 by flow.
  void MoveOps(int from, int to);
  void SortOps();
  // Point 1's molar mass also reaches the media behind the valve.
  void CarryMolarMass() override;

 protected:
  TCustomSCM3ControlValves(TCalcComponent* owner, std::string name, TMainModuleFactory makeMain);
  void Init() override;
  // Connectors of modules an edition adds (the actuator of TSCMTorva).
  virtual TCalcConnector* ExtraConnector(TValveLink::TModule) const { return nullptr; }
  void ApplyNoOfOps() override;
  void ApplyOpXEnabled() override;

 private:
  void CreateEachOP(int point);
  void InitEachOP(int point);
  // The connector of a row's module at a point.
  TCalcConnector* ConnectorOf(const TValveLink& link, int point) const;
  void EnablePoint(int point, bool on);
  void StornoOp(int point);
  void CopyOp(int point);
  int FSolvedFor = -1;  // the unknown the solve connectors are set for
  // The user's entries of a point: main-module items with the point's suffix.
  std::vector<std::string> EntryNames() const;
};

// This edition's whole calculation.
class TSCMTorva : public TCustomSCM3ControlValves {
 public:
  explicit TSCMTorva(TCalcComponent* owner = nullptr, std::string name = "SCMTorva");
  const char* ClassName() const override { return "TSCMTorva"; }
  std::string ModuleDescription() const override { return "Torvacalc"; }
  std::string ModuleName() const override { return "Torvacalc"; }

  // The actuator of the valve: the thrust the valve needs at the largest
  // pressure drop of the points, and an actuator of the catalogue for it.
  TCMActuatorDataBase* fCMActuatorDatabase = nullptr;
  TCalcSource* FCalcSourceActuatorDatabase = nullptr;
  TCalcConnector* FCalcConnectorActuatorDatabase = nullptr;
  TCMActuator* FCMActuator = nullptr;
  TCalcSource* FCalcSourceCM = nullptr;
  TCalcConnector* FCalcConnectorCM = nullptr;

 protected:
  void Init() override;
  TCalcConnector* ExtraConnector(TValveLink::TModule module) const override;
};

}  // namespace torvacalc
