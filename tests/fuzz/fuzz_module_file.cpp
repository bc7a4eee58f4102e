// What `torvacalc show` does with a file: read it, rebuild the control
// valve module from its items, compute and print. Arbitrary bytes may be
// refused with EHXFileReadError; a file that reads must rebuild, compute
// and print without crashing, hanging or NaN in the table.
#include <cstdint>
#include <cstdlib>
#include <sstream>

#include "files/calculation_file.h"
#include "files/hx_file.h"
#include "shell/module_table.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace torvacalc;
  THXFile file;
  try {
    TByteReader reader(data, size);
    file.LoadFromStream(reader);
  } catch (const EHXFileReadError&) {
    return 0;
  }
  const TModuleKind* kind = ModuleKindByName("valve");
  if (!kind) std::abort();
  TStandaloneModule standalone(*kind);
  TCalcModule& module = standalone.Module();
  module.SetActive(false);
  ReadCalculationItems(file, file.GetCalculationTag(), module.GetCalcItems());
  module.SetActive(true);
  std::ostringstream table, json;
  PrintStandalone(standalone, table, false, true);
  PrintStandalone(standalone, json, true);
  if (table.str().find("nan") != std::string::npos) std::abort();
  return 0;
}
