#include "assembly/noise_methods.h"

#include <algorithm>

namespace torvacalc {

namespace {

template <class T>
TCMCustomNoisePrediction* In(TSuperCalcModule& owner, const std::string& name) {
  return owner.CreateModule<T>(name);
}

template <class T>
std::unique_ptr<TCalcModule> Alone() {
  return std::make_unique<T>();
}

using N = TNoiseMethod::TLinks;
constexpr bool per = true, once = false, all = false, first = true;

const std::string kOctaveCorrections =
    "dLGas0500 dLGas1000 dLGas2000 dLGas4000 dLLiq0500 dLLiq1000 dLLiq2000 dLLiq4000";

}  // namespace

const std::vector<TNoiseMethod>& NoiseMethods() {
  static const std::vector<TNoiseMethod> methods = {
      {"vdma79", "valve noise, VDMA 24422 (1979)", "TCMVDMA79", "fCMVDMA79", "FCalcSourceCMVDMA79",
       "FCalcConnectorVDMA79", {0}, {0}, true, "", {}, {}, In<TCMVDMA79>, Alone<TCMVDMA79>},
      {"vdma89", "valve noise, VDMA 24422 (1989)", "TCMVDMA89", "fCMVDMA89", "FCalcSourceCMVDMA89",
       "FCalcConnectorVDMA89", {1}, {1}, false, "",
       {{N::In, once, all, "f1 f2 g1 g2 cPipe RhoM|rhoP tp|tP " + kOctaveCorrections},
        {N::In, per, all, "xc|xCr KvKvs fd"},
        {N::Out, per, first, "frIsa|fr etaL Wm MaVC Lwi dLACF|dLaCF"}},
       {"Lwi", "Rr", "LwAa", "LpAa"}, In<TCMVDMA89>, Alone<TCMVDMA89>},
      {"isa89", "gas valve noise, IEC 60534-8-3 2000 or 2010", "TCMIsa89", "fCMISA89", "FCalcSourceCMISA89",
       "FCalcConnectorIsa89", {}, {2, 3, 4}, false, "NoiseStandard",
       {{N::In, once, all, "NoiseStandard rw Stp Aeta cPipe RhoM|rhoP tp|tP"},
        {N::In, per, all, "s1 fd"},
        {N::Out, per, all, "tvc"},
        {N::Out, per, first, "frIsa|fr fpIsa|fp etaL Wm MaVC Lwi Lpi LpAe0m|LpAa0m Regime"}},
       {"Lpi", "TL", "LwAa", "LpAa"}, In<TCMIsa89>, Alone<TCMIsa89>},
      {"iec2003", "liquid valve noise, IEC 60534-8-4", "tCMIEC2003", "fCMIEC2003", "FCalcSourceCMIEC2003",
       "FCalcConnectorIEC2003", {2}, {}, false, "NoiseStandardLiquid",
       {{N::In, once, all,
         "NoiseStandardLiquid AetaL cPipe tp|tP RhoM|rhoP Pc|pc rw Seat|d0 f1 f2 g1 g2 " + kOctaveCorrections},
        {N::In, per, all, "Cf|cf1 fd Re xc|xCr"},
        {N::Out, per, first, "etaL frIsa|fr fpIsa|fp Lpi Wm LwAa MaVC Lwi dLACF|dLaCF"}},
       {"Lpi", "Rr", "LpAa", "LwAa"}, In<tCMIEC2003>, Alone<tCMIEC2003>},
  };
  return methods;
}

size_t ChosenNoiseMethod(bool liquid, bool twoPhase, int choice) {
  const auto& methods = NoiseMethods();
  size_t fallback = 0;
  for (size_t i = 0; i < methods.size(); ++i) {
    const TNoiseMethod& m = methods[i];
    if (m.Fallback) fallback = i;
    const std::vector<int>& choices = liquid ? m.LiquidChoices : m.GasChoices;
    if (!twoPhase && std::find(choices.begin(), choices.end(), choice) != choices.end()) return i;
  }
  return fallback;
}

size_t NoiseMethodIndex(const std::string& kind) {
  const auto& methods = NoiseMethods();
  for (size_t i = 0; i < methods.size(); ++i)
    if (kind == methods[i].Kind) return i;
  return methods.size();
}

}  // namespace torvacalc
