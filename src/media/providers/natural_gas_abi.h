// The functions a natural-gas property library exports beside those of a
// substance property library (media/substance_library.h), shared by the
// libraries and the host. Every argument is passed by reference; the last
// one is the composition slot (0 .. NGSlots-1) that the host chose for its
// provider, so that several compositions can be used at the same time.
//
//   double NGSETX(double* x, int* slot)
//     x: 21 mole fractions in the component order of natural_gas_eos.h
//     (finite, not negative, summing to 1 within 1e-9). Answers the molar
//     mass in g/mol, or -9999 when the composition is refused.
//   double NGSTATE(double* T, double* P, double* wish, double* out, int* slot)
//     T in K, P in kPa, wish 0 stable root, 1 vapour-like, 2 liquid-like.
//     Fills out[0 .. ngCount-1] and answers the root kind (TRootKind), or
//     -9999 when no state was found (out is then untouched).
//   double NGPROPSOTD(double* T, double* D, double* out, int* slot)
//     The same properties at T in K and D in mol/l; -9999 when undefined.
//
// The standard functions (TODPZ, CPOTD, CVOTD, CAPOTD, DPDTOTD, DPDDOTD,
// DDDTOTD, RJTOTD, SUBSTMOLM, ECODERUB, IVISCALC, ITCONCALC) use the units of
// substance_library.h: K, MPa, kg/m3, kJ/(kg K), K/MPa, kg/kmol.
#pragma once

namespace torvacalc::natgas {

constexpr int NGSlots = 64;
constexpr int NGComponents = 21;  // length of the x array of NGSETX

// Layout of the out array, in the units of the equations: K, kPa, mol/l,
// J/mol, J/(mol K), m/s, K/kPa, g/mol.
enum TNGOut {
  ngT, ngD, ngP, ngZ, ngdPdD, ngd2PdD2, ngdPdT, ngU, ngH, ngS, ngG, ngCv, ngCp, ngW, ngJT,
  ngKappa, ngM,
  ngTpc, ngDpc,  // mole-fraction average of the critical points (K, mol/l)
  ngCount
};

// Error codes answered by ECODERUB.
enum TNGError { ngeNone = 0, ngeNoComposition = 1, ngeNoState = 2, ngeBadInput = 3 };

}  // namespace torvacalc::natgas
