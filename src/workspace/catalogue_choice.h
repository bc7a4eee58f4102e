// Choosing a valve and an actuator from the catalogues for the duty of a
// whole valve calculation: the candidates as rows that every front end can
// show (the desktop's dialogs, the command line, Python), and the entries
// that take one over.
//
// Valves. The duty is the one the catalogue module sizes for: the largest
// Kv and inlet pressure of the points that are on, the highest inlet
// temperature, the smallest size the velocities allow, the rangeability
// the control task needs and the pipe's rating family. A series offers a
// candidate for every size and trim that fits that duty
// (TValveCatalogue::Fits); of these the three smallest Kvs steps of each
// series are listed, larger ones being oversized for the duty (the valve
// would work in the bottom of its travel). Each candidate is then
// calculated in a trial copy of the calculation with that valve taken over,
// so that its opening and its noise at each point are those the
// calculation will show once it is chosen (the valve factors and the
// piping geometry factor of the size change the Kv a point needs).
//
// Actuators. Every catalogue actuator of the chosen kind (diaphragm ones of
// the chosen fail position; "stays put" takes either) with its thrust at
// the closed valve, the margin against the required thrust and whether it
// fits as the selection asks: stroke covering the valve's, the supply
// pressure taken, a fail-close actuator opening fully with the supply, and
// the margin at least the minimum reserve.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "framework/basics.h"

namespace torvacalc {

class TTorvaWorkspace;

struct TValveCandidate {
  std::string Manufacturer, Series, Style;
  int DN = 0;
  Extended Kvs = NoValue;
  std::string Rating;  // "PN 40", "Class 300"
  // Travel (%) and sound pressure level LpAa (dB(A)) at each point
  // (1, 2, 3, X); NoValue where the point is off or nothing was found.
  std::array<Extended, 4> Opening{NoValue, NoValue, NoValue, NoValue};
  std::array<Extended, 4> LpAa{NoValue, NoValue, NoValue, NoValue};
  bool Current = false;  // the valve the calculation holds now
  // The entries ("NAME=TEXT") that take this valve over.
  std::vector<std::string> Entries;
  // The highest level of the points, NoValue when none was found.
  Extended LoudestLpAa() const;
};

struct TActuatorCandidate {
  std::string Name, Manufacturer, Type;
  Extended Stroke = NoValue;    // mm
  Extended Thrust = NoValue;    // N, at the closed valve with the supply given
  Extended Required = NoValue;  // N, the valve's required thrust
  Extended Margin = NoValue;    // N, thrust - required
  Extended MarginPercent = NoValue;
  bool Fits = false;
  bool Current = false;
  std::vector<std::string> Entries;
};

// The candidates of the catalogue for the valve of `calc`; with `allStyles`
// those of every style, otherwise of the chosen valve style only. Sorted by
// size, then Kvs, then series. Empty without a catalogue or a Kv.
std::vector<TValveCandidate> ValveCandidates(TTorvaWorkspace& calc, bool allStyles = false);
// The actuators of the catalogue for the valve of `calc`, by thrust.
std::vector<TActuatorCandidate> ActuatorCandidates(TTorvaWorkspace& calc);

}  // namespace torvacalc
