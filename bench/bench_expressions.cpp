// Cost of evaluating template expressions: a condition over looked-up
// values as an export template writes it, and arithmetic with nested
// built-in functions.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "output/expression_parser.h"

namespace {

using torvacalc::TExpressionParser;

// Answers element lookups the way a calculation file would, without the file.
std::string Lookup(const std::vector<std::string>& path, const std::vector<std::string>&) {
  const std::string& last = path.back();
  if (last == "value") return "12.5";
  if (last == "unit") return "3";
  if (last == "hasnote") return "False";
  return {};
}

void Evaluate(benchmark::State& state, const char* expr) {
  TExpressionParser parser;
  parser.OnUnresolvedElement = Lookup;
  for (auto _ : state) benchmark::DoNotOptimize(parser.ParseStr(expr));
  state.SetLabel(expr);
}

void BM_TemplateCondition(benchmark::State& s) {
  Evaluate(s, "kv.value > 10 and not hasnote or (p1.unit <> 3) and \"bar\" = \"BAR\"");
}
void BM_FunctionHeavy(benchmark::State& s) {
  Evaluate(s, "Root(Sqr(Sin(Pi / 6)) + Sqr(Cos(Pi / 6)), 2) * Round(Ln(Exp(2.5))) + Abs(-3) ^ 2 & \" m3/h\"");
}
void BM_ChainedArithmetic(benchmark::State& s) {
  Evaluate(s, "0.5 + 0.25 + 1 - 2 * 3 / 4 + 1E-3 * 1000");
}

BENCHMARK(BM_TemplateCondition);
BENCHMARK(BM_FunctionHeavy);
BENCHMARK(BM_ChainedArithmetic);

}  // namespace

BENCHMARK_MAIN();
