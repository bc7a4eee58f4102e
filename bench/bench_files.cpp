// Saving and loading a calculation file the size of a full valve
// calculation: 2000 item tags under "Items", each with the attributes of a
// parameter (the item list plus value, unit, state, quantity); and reading
// a saved control valve calculation as an export does, with the heap
// allocations it takes counted.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <filesystem>
#include <sstream>
#include <string>

#include "allocation_count.h"
#include "files/hx_file.h"
#include "saved_example.h"


namespace {

using namespace torvacalc;

constexpr int kItems = 2000;

void WriteParameter(THXFile& f, TBixBinaryTag& items, int i) {
  const std::string name = "Param" + std::to_string(i);
  TBixBinaryTag& t = items.AddTag(name);
  f.AddStrAttr(t, "ClassName", "TCalcParameter");
  f.AddBooleanAttr(t, "_ItemIsValid", true);
  f.AddStrAttr(t, "NotesList", i % 50 == 0 ? "Hinweis zum Wert" : "");
  f.AddStrAttr(t, "CommentsList", "");
  f.AddStrAttr(t, "DisplayText", std::to_string(i * 0.25));
  f.AddLongIntAttr(t, "InputState", i % 3);
  f.AddLongIntAttr(t, "DisplayState", 0);
  f.AddBooleanAttr(t, "OverRuled", false);
  f.AddBooleanAttr(t, "CanBeOverRuled", i % 2 == 0);
  f.AddBooleanAttr(t, "ReadOnly", false);
  f.AddBooleanAttr(t, "Enabled", true);
  f.AddBooleanAttr(t, "Utilized", true);
  f.AddBooleanAttr(t, "Modified", false);
  f.AddBooleanAttr(t, "CanBeModified", true);
  f.AddBooleanAttr(t, "IsUsed", true);
  f.AddBooleanAttr(t, "OutDated", false);
  f.AddBooleanAttr(t, "DoNotCalculate", false);
  f.AddBooleanAttr(t, "TroubleMaker", false);
  f.AddLongIntAttr(t, "TroubleType", 0);
  f.AddBooleanAttr(t, "CanModify", true);
  f.AddLongIntAttr(t, "CalcMessage", 0);
  f.AddLongIntAttr(t, "DetailLevel", 1);
  f.AddBooleanAttr(t, "ShowAlways", false);
  f.AddBooleanAttr(t, "Important", false);
  f.AddStrAttr(t, "Name", name);
  f.AddStrAttr(t, "Caption", "Eingangsdruck Betriebspunkt " + std::to_string(i % 4));
  f.AddStrAttr(t, "ShortCaption", "p" + std::to_string(i));
  f.AddBooleanAttr(t, "UseInGraphics", false);
  f.AddLongIntAttr(t, "xTimesInUse", 1);
  f.AddExtendedAttr(t, "Value", 1.01325L + i * 0.25L);
  f.AddLongIntAttr(t, "CalcUnitNo", i % 5);
  f.AddLongIntAttr(t, "ValueState", 0);
  f.AddBooleanAttr(t, "IsApproximated", false);
  f.AddLongIntAttr(t, "CalcQuantity", 2);
}

void BuildCalculation(THXFile& f) {
  TBixBinaryTag& items = f.GetItemsTag();
  for (int i = 0; i < kItems; ++i) WriteParameter(f, items, i);
}

void BM_WriteItems(benchmark::State& state) {
  for (auto _ : state) {
    THXFile f;
    BuildCalculation(f);
    benchmark::DoNotOptimize(f.GetItemsTag().TagCount());
  }
}
BENCHMARK(BM_WriteItems)->Unit(benchmark::kMillisecond);

void BM_Save(benchmark::State& state) {
  THXFile f;
  f.Compressed = state.range(0) != 0;
  BuildCalculation(f);
  std::string bytes;
  for (auto _ : state) {
    bytes = f.SaveToString();
    benchmark::DoNotOptimize(bytes.data());
  }
  state.counters["document_bytes"] = static_cast<double>(f.GetFileSize());
  state.counters["file_bytes"] = static_cast<double>(bytes.size());
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * f.GetFileSize()));
}
BENCHMARK(BM_Save)->Arg(1)->Arg(0)->ArgName("compressed")->Unit(benchmark::kMillisecond);

void BM_Load(benchmark::State& state) {
  THXFile f;
  f.Compressed = state.range(0) != 0;
  BuildCalculation(f);
  const std::string bytes = f.SaveToString();
  for (auto _ : state) {
    THXFile g;
    g.LoadFromString(bytes);
    benchmark::DoNotOptimize(g.GetSaveCounter());
  }
  state.counters["document_bytes"] = static_cast<double>(f.GetFileSize());
  state.counters["file_bytes"] = static_cast<double>(bytes.size());
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * f.GetFileSize()));
}
BENCHMARK(BM_Load)->Arg(1)->Arg(0)->ArgName("compressed")->Unit(benchmark::kMillisecond);

// A saved control valve calculation (IEC 60534-2-1 Annex E example 1, about
// 110 items and 3500 attributes), read and released again as the export
// reads each of its files. Reports the heap allocations per file.
void BM_LoadValveCalculation(benchmark::State& state) {
  namespace fs = std::filesystem;
  const std::string path =
      (fs::temp_directory_path() / ("torvacalc-bench-load-" + std::to_string(::getpid()) + ".cvc")).string();
  SaveLiquidExample(path);
  std::size_t allocations = 0;
  for (auto _ : state) {
    const std::size_t before = bench::Allocations();
    {
      THXFile f;
      f.Load(path);
      benchmark::DoNotOptimize(f.GetSaveCounter());
    }
    allocations = bench::Allocations() - before;
  }
  fs::remove(path);
  state.counters["allocations_per_file"] = static_cast<double>(allocations);
  state.counters["files_per_s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_LoadValveCalculation)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
