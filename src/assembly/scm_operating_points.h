// The third layer of a valve calculation: the medium at the further
// operating points 2, 3 and X. Point 1 is the medium layer's; the others
// have a substances module each (FCCMSubstances2, FCCMSubstances3,
// FCCMSubstancesX) whose state (T1, p1, humidity) is entered per point under
// the suffixes "Ap2", "Ap3", "ApX", while the medium, its data and the
// declared phase are entered once and serve every point.
//
// NoOfOps (1 to 3) says how many of the points 1, 2, 3 are calculated;
// OpXEnabled whether point X is. A point that is off does not calculate and
// keeps no messages.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "assembly/scm_material_pipe.h"

namespace torvacalc {

class TCustomSCM3SubstancesMaterialPipe;

class TCustomMCM3SubstancesMaterialPipe : public TCustomMCMSubstancesMaterialPipe {
 public:
  explicit TCustomMCM3SubstancesMaterialPipe(TCalcComponent* owner, std::string name = "MainCalcModule");
  const char* ClassName() const override { return "TCustomMCM3SubstancesMaterialPipe"; }

  // The per-point items (main-module name without suffix, and the
  // substances module's name), in the order they are created.
  struct TPointItem {
    const char* main;
    const char* module;
  };
  static const std::vector<TPointItem>& PointItems();

  // NoOfEnteredOps sets the number of points (at least 1); UseXthOp
  // switches point X; Use2ndOp/Use3rdOp show (and set) points 2 and 3.
  void CalcEvent(TCalcEvent event, TCalcItem* item) override;
  // NoOfValidOps: the points that are on and have a density.
  void CountValidOps();

 protected:
  // Shows the viscosity the user gives (dynamic or kinematic) at every
  // point and counts the points with a valid state.
  void DoCalculate() override;

 private:
  TCustomSCM3SubstancesMaterialPipe* Calculation() const;
  bool FReacting = false;
  mutable TCustomSCM3SubstancesMaterialPipe* FCalculation = nullptr;
};

class TCustomSCM3SubstancesMaterialPipe : public TCustomSCMSubstancesMaterialPipe {
 public:
  explicit TCustomSCM3SubstancesMaterialPipe(TCalcComponent* owner = nullptr,
                                             std::string name = "SCM3SubstancesMaterialPipe");
  const char* ClassName() const override { return "TCustomSCM3SubstancesMaterialPipe"; }

  TCCMSubstances *FCCMSubstances2 = nullptr, *FCCMSubstances3 = nullptr, *FCCMSubstancesX = nullptr;
  TCalcSource *FCalcSourceSubstances2 = nullptr, *FCalcSourceSubstances3 = nullptr,
              *FCalcSourceSubstancesX = nullptr;
  TCalcConnector *FCalcConnectorSubstances2 = nullptr, *FCalcConnectorSubstances3 = nullptr,
                 *FCalcConnectorSubstancesX = nullptr;
  // The substances module of point 1, 2, 3 or X (4).
  TCCMSubstances* Substances(int point) const;

  std::uint8_t GetNoOfOps() const { return FNoOfOps; }
  bool GetOpXEnabled() const { return FOpXEnabled; }
  // One recalculation follows a change; the same value again does nothing.
  void SetNoOfOps(int n);
  void SetOpXEnabled(bool enabled);
  // Gives the further points point 1's molar mass (as the user's value).
  virtual void CarryMolarMass();

 protected:
  TCustomSCM3SubstancesMaterialPipe(TCalcComponent* owner, std::string name, TMainModuleFactory makeMain);
  void Init() override;
  // The layers above attach or detach their per-point modules here.
  virtual void ApplyNoOfOps() {}
  virtual void ApplyOpXEnabled() {}
  // Shows the state in the main module's switches (no reaction).
  void ShowOpsInMain();

  std::uint8_t FNoOfOps = 3;
  bool FOpXEnabled = false;  // point X is an extra duty the engineer switches on
};

}  // namespace torvacalc
