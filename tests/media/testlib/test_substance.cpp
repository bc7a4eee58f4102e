// A small property library for the tests of the library provider: an ideal
// gas in the library's units (K, MPa, kg/m3, kJ/(kg K), Pa s). The slot
// selects the substance: 0 air, 1 helium. Some functions answer the
// library's "not available" markers or fail, as a real library may.
#include <cmath>
#include <stdexcept>

namespace {

double MolarMass(int slot) { return slot == 1 ? 4.0026 : 28.96; }
double R(int slot) { return 8.314462618 / MolarMass(slot); }  // kJ/(kg K)

}  // namespace

extern "C" {

// Constants without the slot argument: they do not depend on the substance.
double TCRIT() { return 132.5; }
double PCRIT() { return 3.786; }

double SUBSTMOLM(int* slot) { return MolarMass(*slot); }

// Saturation pressure below the critical temperature (a Clausius-Clapeyron
// shape through the critical point); -9999 above it.
double PSATOT(double* T, int*) {
  if (*T > 132.5) return -9999;
  return 3.786 * std::exp(5.5 * (1 - 132.5 / *T));
}

double TSATOP(double* p, int*) {
  if (*p >= 3.786) return -9999;
  return 132.5 / (1 - std::log(*p / 3.786) / 5.5);
}

// Temperature from density and pressure.
double TODPZ(double* D, double* p, int* slot) { return *p * 1000 / (*D * R(*slot)); }

double CPOTD(double*, double*, int* slot) { return 3.5 * R(*slot); }
double CVOTD(double*, double*, int*) { return -99999; }
// Viscosity of the dilute gas only: -999999 for dense states.
double VISOTD(double* T, double* D, int*) {
  if (*D > 100) return -999999;
  return 1.8e-5 * std::sqrt(*T / 300);
}
double TCONOTD(double*, double*, int*) { return -5555; }
double CAPOTD(double*, double*, int*) { throw std::runtime_error("no isentropic exponent"); }
int ECODERUB(int*) { return 0; }
}
