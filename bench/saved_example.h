// The liquid example of IEC 60534-2-1 Annex E (example 1: water, globe
// valve DN 150 in line) saved as a calculation file through the command
// line, as a user would save it: the file the reading and export benchmarks
// work on.
#pragma once

#include <sstream>
#include <string>

#include "shell/cli.h"

inline void SaveLiquidExample(const std::string& path) {
  std::ostringstream out, err;
  torvacalc::RunMain({"module", "valve", "WhatToCalculate=Kv", "Phase=Flüssigkeit", "qm=347.544 t/h",
                      "p1=6.8 bar(a)", "p2=2.2 bar(a)", "t1=90", "rho1=965.4", "pv1=0.701 bar(a)",
                      "pc=221.2 bar(a)", "eta1=0.3147 mPa s", "ValveType=Durchgangsventil", "GlobeType=#0",
                      "fl2_75=0.81", "fd_75=0.46", "DNV=150", "DN1=150", "DN2=150", "kvs=250", "-o", path},
                     out, err);
}
