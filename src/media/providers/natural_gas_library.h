// The exported functions of a natural-gas property library for one
// equation of state (included once by each library's source, with
// NG_MODEL naming the model class). See natural_gas_abi.h.
#pragma once

#include <cmath>
#include <mutex>

#include "natural_gas_abi.h"
#include "natural_gas_eos.h"

#define NG_EXPORT extern "C" __attribute__((visibility("default")))

namespace torvacalc::natgas {
namespace {

constexpr double kNa = -9999;

// One model per slot, each with its own composition. The functions are
// called from one thread at a time (the host's calculation thread), the
// lock only keeps a second caller from corrupting a slot.
struct TLibrary {
  NG_MODEL models[NGSlots];
  int error[NGSlots] = {};
  std::mutex lock;
};

TLibrary& Library() {
  static TLibrary lib;
  return lib;
}

NG_MODEL* Model(const int* slot) {
  if (!slot || *slot < 0 || *slot >= NGSlots) return nullptr;
  return &Library().models[*slot];
}

void SetError(const int* slot, int code) {
  if (slot && *slot >= 0 && *slot < NGSlots) Library().error[*slot] = code;
}

bool Finite(const double* a) { return a && std::isfinite(*a); }

void Fill(const NG_MODEL& m, const TGasState& s, double* out) {
  out[ngTpc] = m.PseudoCriticalT();
  out[ngDpc] = m.PseudoCriticalD();
  out[ngT] = s.T;
  out[ngD] = s.D;
  out[ngP] = s.P;
  out[ngZ] = s.Z;
  out[ngdPdD] = s.dPdD;
  out[ngd2PdD2] = s.d2PdD2;
  out[ngdPdT] = s.dPdT;
  out[ngU] = s.U;
  out[ngH] = s.H;
  out[ngS] = s.S;
  out[ngG] = s.G;
  out[ngCv] = s.Cv;
  out[ngCp] = s.Cp;
  out[ngW] = s.W;
  out[ngJT] = s.JT;
  out[ngKappa] = s.Kappa;
  out[ngM] = s.M;
}

// The state at T in K and rho in kg/m3, for the standard functions.
bool StateTD(const double* T, const double* rho, const int* slot, TGasState& s) {
  NG_MODEL* m = Model(slot);
  if (!m || !m->HasComposition()) {
    SetError(slot, ngeNoComposition);
    return false;
  }
  if (!Finite(T) || !Finite(rho) || *T <= 0 || *rho <= 0) {
    SetError(slot, ngeBadInput);
    return false;
  }
  const double D = *rho / m->MolarMass();  // mol/l
  if (!m->Properties(*T, D, s)) {
    SetError(slot, ngeNoState);
    return false;
  }
  SetError(slot, ngeNone);
  return true;
}

}  // namespace
}  // namespace torvacalc::natgas

using namespace torvacalc::natgas;

NG_EXPORT double NGSETX(double* x, int* slot) {
  NG_MODEL* m = Model(slot);
  if (!m || !x) return kNa;
  std::lock_guard<std::mutex> guard(Library().lock);
  TComposition c;
  for (int i = 0; i < NumComponents; ++i) c[i] = x[i];
  if (!m->SetComposition(c)) {
    SetError(slot, ngeNoComposition);
    return kNa;
  }
  SetError(slot, ngeNone);
  return m->MolarMass();
}

NG_EXPORT double NGSTATE(double* T, double* P, double* wish, double* out, int* slot) {
  NG_MODEL* m = Model(slot);
  if (!m || !out) return kNa;
  std::lock_guard<std::mutex> guard(Library().lock);
  if (!m->HasComposition()) {
    SetError(slot, ngeNoComposition);
    return kNa;
  }
  if (!Finite(T) || !Finite(P) || *T <= 0 || *P <= 0) {
    SetError(slot, ngeBadInput);
    return kNa;
  }
  const int w = Finite(wish) ? static_cast<int>(*wish) : 0;
  double D;
  const TRootKind kind =
      m->Density(*T, *P, D, w == 1 ? rwVapour : w == 2 ? rwLiquid : rwStable);
  TGasState s;
  if (kind == rkNone || !m->Properties(*T, D, s)) {
    SetError(slot, ngeNoState);
    return kNa;
  }
  Fill(*m, s, out);
  SetError(slot, ngeNone);
  return kind;
}

NG_EXPORT double NGPROPSOTD(double* T, double* D, double* out, int* slot) {
  NG_MODEL* m = Model(slot);
  if (!m || !out) return kNa;
  std::lock_guard<std::mutex> guard(Library().lock);
  if (!m->HasComposition() || !Finite(T) || !Finite(D) || *T <= 0 || *D < 0) return kNa;
  TGasState s;
  if (!m->Properties(*T, *D, s)) return kNa;
  Fill(*m, s, out);
  return 0;
}

NG_EXPORT double SUBSTMOLM(int* slot) {
  NG_MODEL* m = Model(slot);
  return m && m->HasComposition() ? m->MolarMass() : kNa;
}

// Temperature (K) from density (kg/m3) and pressure (MPa): Newton's method
// on T with bisection inside [1 K, 5000 K], at most 100 steps.
NG_EXPORT double TODPZ(double* rho, double* p, int* slot) {
  NG_MODEL* m = Model(slot);
  if (!m) return kNa;
  std::lock_guard<std::mutex> guard(Library().lock);
  if (!m->HasComposition() || !Finite(rho) || !Finite(p) || *rho <= 0 || *p <= 0) return kNa;
  const double D = *rho / m->MolarMass(), P = *p * 1000;
  double lo = 1, hi = 5000;
  double T = P / (D * m->GasConstant());
  if (!(T > lo && T < hi)) T = 300;
  for (int it = 0; it < 100; ++it) {
    TGasState s;
    if (!m->Properties(T, D, s)) return kNa;
    const double f = s.P - P;
    if (std::fabs(f) <= 1e-13 * P) return T;
    if (f < 0) lo = T; else hi = T;
    double Tn = s.dPdT > 0 ? T - f / s.dPdT : (lo + hi) / 2;
    if (!(Tn > lo && Tn < hi)) Tn = (lo + hi) / 2;
    if (hi - lo < 1e-12 * T) return Tn;
    T = Tn;
  }
  return kNa;
}

NG_EXPORT double CPOTD(double* T, double* rho, int* slot) {
  TGasState s;
  return StateTD(T, rho, slot, s) ? s.Cp / s.M : kNa;
}
NG_EXPORT double CVOTD(double* T, double* rho, int* slot) {
  TGasState s;
  return StateTD(T, rho, slot, s) ? s.Cv / s.M : kNa;
}
NG_EXPORT double CAPOTD(double* T, double* rho, int* slot) {
  TGasState s;
  return StateTD(T, rho, slot, s) ? s.Kappa : kNa;
}
// dp/dT at constant density, MPa/K.
NG_EXPORT double DPDTOTD(double* T, double* rho, int* slot) {
  TGasState s;
  return StateTD(T, rho, slot, s) ? s.dPdT / 1000 : kNa;
}
// dp/drho at constant temperature, MPa/(kg/m3).
NG_EXPORT double DPDDOTD(double* T, double* rho, int* slot) {
  TGasState s;
  return StateTD(T, rho, slot, s) ? s.dPdD / 1000 / s.M : kNa;
}
// drho/dT at constant pressure, kg/(m3 K).
NG_EXPORT double DDDTOTD(double* T, double* rho, int* slot) {
  TGasState s;
  return StateTD(T, rho, slot, s) && s.dPdD > 0 ? -s.dPdT / s.dPdD * s.M : kNa;
}
// Joule-Thomson coefficient, K/MPa.
NG_EXPORT double RJTOTD(double* T, double* rho, int* slot) {
  TGasState s;
  return StateTD(T, rho, slot, s) ? s.JT * 1000 : kNa;
}
NG_EXPORT int ECODERUB(int* slot) {
  return slot && *slot >= 0 && *slot < NGSlots ? Library().error[*slot] : ngeBadInput;
}
// Neither viscosity nor thermal conductivity is part of these equations.
NG_EXPORT int IVISCALC(int*) { return 0; }
NG_EXPORT int ITCONCALC(int*) { return 0; }
