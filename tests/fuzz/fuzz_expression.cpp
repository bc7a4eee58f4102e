// Feeds arbitrary text to the template expression parser, once without and
// once with a calculation file behind it. Any text gives a value or a
// syntax error; nothing may crash, overflow the stack (nesting is limited)
// or hang.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "files/hx_file.h"
#include "output/calc_file_builder.h"
#include "output/hx_expression_parser.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace torvacalc;
  static THXFile* calculation = [] {
    auto* f = new THXFile;
    FillValveCalculation(*f, "/plant/unit7/liquid.cvc");
    return f;
  }();
  const std::string text(reinterpret_cast<const char*>(data), size);
  TExpressionParser plain;
  const TExprValue a = plain.ParseStr(text);
  if (plain.ErrorPos() < 0 || static_cast<std::size_t>(plain.ErrorPos()) > text.size() + 1) std::abort();
  THXExpressionParser withFile(calculation, nullptr);
  const TExprValue b = withFile.ParseStr(text);
  (void)a.AsText();
  (void)b.AsText();
  return 0;
}
