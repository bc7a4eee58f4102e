// Feeds arbitrary text as a template document (text and HTML) over one
// calculation. A template may be refused with EExportTemplate (a field too
// wide, too many digits); otherwise it must produce a document without
// crashing, hanging or allocating without bound.
#include <cstdint>
#include <string>

#include "files/hx_file.h"
#include "output/calc_file_builder.h"
#include "output/export_template.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace torvacalc;
  static THXFile* calculation = [] {
    auto* f = new THXFile;
    FillValveCalculation(*f, "/plant/unit7/liquid.cvc");
    return f;
  }();
  const std::string text(reinterpret_cast<const char*>(data), size);
  for (const bool html : {false, true}) {
    auto t = TAsciiExpTemplate::FromText(text, html);
    t->SetCalculations({calculation});
    try {
      t->Execute();
    } catch (const EExportTemplate&) {
    }
  }
  return 0;
}
