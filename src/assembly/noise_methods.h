// The noise methods of a valve calculation, one row each. A row is all a
// method needs to be part of the program: the whole calculation creates
// its module at every point, wires it by the row's links (beside the items
// every method shares) and switches it on when the medium's phase and the
// chosen entry of NoiseNormLiquid / NoiseNormGas select it; the kinds of
// calculation offer it on its own (`module KIND`); the desktop lists its
// edition on the noise page.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "framework/super_module.h"
#include "noise/cm_noise.h"

namespace torvacalc {

struct TNoiseMethod {
  // The wiring of the method's own items, as the valve layer's table
  // (TValveLink) writes it: a list of "main|item" names (or "name").
  struct TLinks {
    enum TWay : std::uint8_t { In, Out } Way;
    bool PerPoint;   // the main-module item is the point's own
    bool FirstOnly;  // only point 1 has it (method details, octave bands)
    std::string List;
  };

  const char* Kind;       // the kind of calculation on its own: "isa89"
  const char* Title;      // what it computes, as `module --help` lists it
  const char* ClassName;  // of its module, as calculation files name it
  // The component names of its module, source and connector in a whole
  // calculation (the point's digit follows).
  const char* ModuleName;
  const char* SourceName;
  const char* ConnectorName;
  // The entries of NoiseNormLiquid and NoiseNormGas that choose it (the
  // indexes calculation files keep).
  std::vector<int> LiquidChoices, GasChoices;
  // The method of a flow no other method covers (two-phase flows); its
  // module also lends its items' kinds to the items every method shares.
  bool Fallback;
  // The switch of the method's edition, shown on the desktop's noise page
  // ("" for none).
  const char* Edition;
  std::vector<TLinks> Links;
  std::vector<std::string> Bands;  // per octave band, point 1 only: "Lpi" -> Lpi0500 ... Lpi8000
  // The module inside a whole calculation, and on its own.
  TCMCustomNoisePrediction* (*CreateIn)(TSuperCalcModule& owner, const std::string& name);
  std::unique_ptr<TCalcModule> (*CreateAlone)();
};

// The methods, in the order their rows are wired.
const std::vector<TNoiseMethod>& NoiseMethods();
// The index of the method that serves a flow: `liquid` by the declared
// phase, `twoPhase` for the mixed phases, `choice` the entry of
// NoiseNormLiquid or NoiseNormGas.
size_t ChosenNoiseMethod(bool liquid, bool twoPhase, int choice);
// The index of a method by its kind ("vdma79"); NoiseMethods().size() if none.
size_t NoiseMethodIndex(const std::string& kind);

}  // namespace torvacalc
