// GERG-2008 wide-range equation of state for natural gases and other
// mixtures (Kunz and Wagner, J. Chem. Eng. Data 57 (2012) 3032; the same
// equation is AGA Report No. 8 Part 2, 2017, and ISO 20765-2). The
// 21 components in the order of natural_gas_eos.h; GERG-2004's 18 are a
// subset (without n-nonane, n-decane and hydrogen sulfide).
//
// Ranges of validity stated for the equation: normal range 90 K to 450 K up
// to 35 MPa; extended range 60 K to 700 K up to 70 MPa.
#pragma once

#include <vector>

#include "natural_gas_eos.h"

namespace torvacalc::natgas {

class TGERG2008 : public TGasModel {
 public:
  TGERG2008();
  double GasConstant() const override { return 8.314472; }
  void Residual(double T, double D, TResidual& r) const override;
  // The reducing functions of the mixture (Kunz and Wagner, eq. 7.9/7.10).
  double ReducingT() const { return FTr; }
  double ReducingD() const { return FDr; }

 protected:
  void CompositionChanged() override;
  double ComponentM(int i) const override;
  double ComponentTc(int i) const override;
  double ComponentDc(int i) const override;
  const TIdeal& ComponentIdeal(int i) const override;

 private:
  // The residual terms of the composition, merged: every pure-substance
  // term carries x_i n_ik and every departure term x_i x_j F_ij n_ijk, and
  // terms of the same exponents (the components sharing one functional
  // form, the pairs sharing the generalized departure function) are summed
  // into one.
  struct TTerm {
    double n, d, t, c;             // n delta^d tau^t exp(-delta^c) (c = 0: none)
    double eta, eps, beta, gam;    // exp(-eta (delta-eps)^2 - beta (delta-gam))
    bool special;
  };
  std::vector<TTerm> FTerms;
  double FTr = 1, FDr = 1;
};

}  // namespace torvacalc::natgas
