// Named gas compositions of the natural-gas database "NaturalGas.CDS"
// (data/natural_gas.sql): the test gases of AGA Report No. 8, the example
// mixture of its reference programs, a biogas and a hydrogen blend.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

#include "media/ext_substances.h"

namespace torvacalc {

class ENaturalGasDatabase : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct TNamedComposition {
  std::string Name, NameE, Method, Source;
};

// The database in the data folder (or the file given).
std::string NaturalGasDatabasePath();
// All named compositions, in the order of their names. Throws
// ENaturalGasDatabase when the database cannot be read.
std::vector<TNamedComposition> NamedCompositions(const std::string& path = NaturalGasDatabasePath());
// Loads the composition of that name (German or English name, case
// ignored) into `c`, replacing what it held; false when there is none.
// Throws ENaturalGasDatabase when the database cannot be read.
bool LoadNamedComposition(const std::string& name, tAGAConcentration& c,
                          const std::string& path = NaturalGasDatabasePath());

}  // namespace torvacalc
