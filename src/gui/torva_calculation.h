// The whole valve calculation in the window: TSCMTorva with its four
// operating points 1, 2, 3 and X side by side. The main module holds every
// item the user sees; the items of the further points are the twins named
// with the point's suffix ("p2Ap2", "kvApX"), and an item without twins
// (the medium, the valve, the pipe) is one value for all points and is
// shown in the first column only.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "gui/gui_calculation.h"

namespace torvacalc {

class TSCMTorva;

class TTorvaCalculation : public TGuiCalculation {
 public:
  TTorvaCalculation();
  ~TTorvaCalculation() override;
  std::string KindName() const override;
  std::string FileExtension() const override { return "cvc"; }
  int OperatingPointCount() const override { return 4; }
  std::string OperatingPointCaption(int op) const override;
  const std::vector<TGuiPage>& Pages() const override { return FPages; }
  TCalcItem* Item(const std::string& name, int op) const override;
  TSuperCalcModule& Super() override;
  void Load(const std::string& fileName) override;
  void Save(const std::string& fileName) override;
  TSCMTorva& Calculation() { return *FCalc; }

 private:
  std::unique_ptr<TSCMTorva> FCalc;
  std::vector<TGuiPage> FPages;
};

}  // namespace torvacalc
