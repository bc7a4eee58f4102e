// AGA8-DC92: the detail characterization method of AGA Report No. 8
// (Starling and Savidge 1992; Part 1 of the 2017 edition; ISO 12213-2),
// written as a reduced Helmholtz energy so that every caloric property
// follows with the ideal-gas part of natural_gas_eos.h. 21 components in
// the order of natural_gas_eos.h.
//
// Ranges stated by the report (1994, table 1): normal range 265 K to 335 K
// up to 12 MPa for pipeline-quality gas (uncertainty 0.1 % in density);
// expanded range 143 K to 676 K up to 280 MPa with larger uncertainty.
#pragma once

#include "natural_gas_eos.h"

namespace torvacalc::natgas {

class TAGA8Detail : public TGasModel {
 public:
  TAGA8Detail();
  double GasConstant() const override { return 8.31451; }
  void Residual(double T, double D, TResidual& r) const override;

 protected:
  void CompositionChanged() override;
  double ComponentM(int i) const override;
  double ComponentTc(int i) const override;
  double ComponentDc(int i) const override;
  const TIdeal& ComponentIdeal(int i) const override;

 private:
  // Mixture values of the composition: K^3, the second virial sums Bs[n]
  // (n = 1..18) and the coefficients C*_n (n = 13..58).
  double FK3 = 0;
  double FBs[19] = {};
  double FCs[59] = {};
};

}  // namespace torvacalc::natgas
