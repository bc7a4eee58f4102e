// The properties of water and steam at one state (IAPWS-IF97), as the
// command line lists them and the Python module returns them.
#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "framework/basics.h"

namespace torvacalc {

struct TWaterProperty {
  const char* key;
  const char* unit;
  Extended value;  // NoValue outside the formulation
};

struct TWaterState {
  std::vector<TWaterProperty> rows;  // t, P, Pv, Tv, p23, Rho, V, cp, ... dhv
  int range = 0;                     // the region of the formulation
  bool steam = false;
};

// The state at t (°C) and P (bar absolute), both texts with either decimal
// mark; `liquid` chooses the side of the saturation line (ja/nein; none
// given: liquid). ECalcEntry for a text that is no number, a number that is not
// finite, or a `liquid` that is neither.
TWaterState WaterStateOfEntries(const std::string& t, const std::string& P, const std::optional<std::string>& liquid);

// One JSON object: every property (null outside the formulation), "Range"
// and "IsSteam"; numbers with 12 significant digits.
void PrintWaterJson(const TWaterState& state, std::ostream& out);

}  // namespace torvacalc
