#include "workspace/opened_file.h"

#include "assembly/whole_calculation.h"
#include "files/calculation_file.h"
#include "workspace/entries.h"

namespace torvacalc {

TOpenedCalculation OpenCalculationFile(const std::string& fileName) {
  RequireRegularFile(fileName);
  // The file is read once: for the class it names and, for a module on
  // its own, for its items.
  auto loaded = std::make_unique<THXFile>(TGUID::NewGUID());
  THXFile& file = *loaded;
  std::string className;
  try {
    file.Load(fileName);
    className = CalculationClassOfFile(file);
  } catch (const EHXFileReadError& e) {
    throw ECalcEntry(fileName + ": " + e.what());
  } catch (const EHXFileOpenError& e) {
    throw ECalcEntry(fileName + ": " + e.what());
  }
  TOpenedCalculation opened;
  // The calculation computes once, with what the file holds.
  if (auto layer = CreateWholeCalculationOfClass(className, false)) {
    opened.whole = std::make_unique<TTorvaWorkspace>(std::move(layer));
    opened.whole->Super().UseHistory = false;  // read, never undone
    // Read inside the calculation's bulk-set bracket: it settles once.
    try {
      // A file that cannot be read throws the new calculation away.
      opened.whole->Load(std::move(loaded), fileName, &opened.notices, TFailedRead::Discard);
    } catch (const ECalculationFile& e) {
      throw ECalcEntry(fileName + ": " + e.what());
    }
    return opened;
  }
  const TModuleKind* kind = ModuleKindByClass(className);
  if (!kind)
    throw ECalcEntry(fileName + ": the calculation \"" + className + "\" cannot be rebuilt by this program");
  opened.module = std::make_unique<TStandaloneModule>(*kind);
  TCalcModule& module = opened.module->Module();
  module.SetActive(false);
  try {
    ReadModuleFromFile(module, file);
  } catch (const EHXFileReadError& e) {
    throw ECalcEntry(fileName + ": " + e.what());
  }
  module.SetActive(true);
  return opened;
}

std::unique_ptr<TStandaloneModule> StandaloneWith(const TModuleKind& kind,
                                                  const std::vector<std::string>& assignments) {
  auto standalone = std::make_unique<TStandaloneModule>(kind);
  TCalcModule& module = standalone->Module();
  // The bulk-set bracket: the module stays inactive while the values are
  // set, so that it computes once, with all of them, when switched on.
  module.SetActive(false);
  module.BeginUpdate();
  try {
    for (const std::string& a : assignments) AssignItem(module, a);
  } catch (...) {
    module.EndUpdate(false);
    throw;
  }
  module.EndUpdate(false);
  module.SetActive(true);
  return standalone;
}

}  // namespace torvacalc
