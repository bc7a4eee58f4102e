// What a front end waits for on the workspace of a whole valve calculation
// (examples/valve_water.case: four operating points): opening a saved
// calculation into a new workspace, which recalculates it; one edit of a
// cell settling, with its undo step, for edits that reach one point, every
// point or the medium of point 1; and `torvacalc run` over many case files
// in one process; and `torvacalc show` of a saved four-point calculation
// and `torvacalc run --batch` over 1000 cases, a process each time, as a
// script calls them.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "files/calculation_file.h"
#include "shell/cli.h"
#include "workspace/torva_workspace.h"

namespace {

namespace fs = std::filesystem;
using torvacalc::TTorvaWorkspace;

std::string WaterCase() { return std::string(TORVACALC_SOURCE_DIR) + "/examples/valve_water.case"; }

std::unique_ptr<TTorvaWorkspace> WaterWorkspace() {
  auto w = std::make_unique<TTorvaWorkspace>();
  w->EnterAll(torvacalc::ReadCaseFile(WaterCase()));
  return w;
}

fs::path TempPath(const std::string& name) {
  return fs::temp_directory_path() / ("torvacalc-bench-" + std::to_string(getpid()) + "-" + name);
}

// A new workspace computed with its defaults first (a new window), then
// the file read into it; and one that computes first with the file's values
// (the command line's show, a file opened on its own). The counter
// close_ms is the clock's time of closing it again, outside the timing.
void BM_OpenIntoNewWorkspace(benchmark::State& state, bool defaultsFirst) {
  torvacalc::RegisterCalculationFiles();
  const fs::path file = TempPath("open.cvc");
  WaterWorkspace()->Save(file.string());
  double closing = 0;
  for (auto _ : state) {
    auto w = defaultsFirst ? std::make_unique<TTorvaWorkspace>()
                           : std::make_unique<TTorvaWorkspace>(TTorvaWorkspace::TValuesFollow{});
    w->Load(file.string());
    benchmark::DoNotOptimize(w);
    // Closing the calculation is not part of opening it: timed apart.
    state.PauseTiming();
    const auto start = std::chrono::steady_clock::now();
    w.reset();
    closing += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    state.ResumeTiming();
  }
  state.counters["close_ms"] = benchmark::Counter(closing, benchmark::Counter::kAvgIterations);
  fs::remove(file);
}
BENCHMARK_CAPTURE(BM_OpenIntoNewWorkspace, DefaultsFirst, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_OpenIntoNewWorkspace, ComputedOnce, false)->Unit(benchmark::kMillisecond);

// One cell typed, back and forth between two texts: the recalculation, the
// views' refresh and the undo step of one edit.
void BM_EditSettles(benchmark::State& state, const char* name, int point, const char* a, const char* b) {
  auto w = WaterWorkspace();
  bool flip = false;
  for (auto _ : state) {
    const auto r = w->Enter(name, point, flip ? a : b);
    if (!r.Applied) state.SkipWithError(r.Error.c_str());
    flip = !flip;
  }
}
BENCHMARK_CAPTURE(BM_EditSettles, OutletPressureAtPoint2, "p2", 1, "6", "5.5")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_EditSettles, FlowAtPoint3, "Qm", 2, "24000", "22000")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_EditSettles, KvsOfEveryPoint, "kvs", 0, "40", "63")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_EditSettles, InletTemperatureAtPoint1, "T1", 0, "80", "85")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_EditSettles, InletPressureAtPoint1, "P1", 0, "10", "10.5")->Unit(benchmark::kMicrosecond);

// `torvacalc run --batch --json --jobs range(1)` over `range(0)` copies of
// the water case in one process; items per second are cases per second of
// the wall clock (the workers' time is not the timing thread's).
void BM_RunBatch(benchmark::State& state) {
  const fs::path dir = TempPath("batch");
  fs::create_directories(dir);
  std::vector<std::string> args = {"run", "--batch", "--json", "--jobs", std::to_string(state.range(1))};
  for (int i = 0; i < state.range(0); ++i) {
    const fs::path c = dir / ("case" + std::to_string(i) + ".case");
    fs::copy_file(WaterCase(), c, fs::copy_options::overwrite_existing);
    args.push_back(c.string());
  }
  for (auto _ : state) {
    std::ostringstream out, err;
    if (torvacalc::RunMain(args, out, err) != 0) state.SkipWithError(err.str().c_str());
    benchmark::DoNotOptimize(out);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
  fs::remove_all(dir);
}
BENCHMARK(BM_RunBatch)->Args({100, 1})->Args({100, 2})->UseRealTime()->Unit(benchmark::kMillisecond);

// The program started with `args`, its output to /dev/null, waited for:
// false if it could not start or failed; `cpuMs` grows by its processor
// time (user and system).
bool RunProgram(std::vector<std::string> args, double& cpuMs) {
  args.insert(args.begin(), TORVACALC_PROGRAM);
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  pid_t pid;
  const bool started = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0;
  posix_spawn_file_actions_destroy(&actions);
  if (!started) return false;
  int status = 0;
  rusage usage{};
  if (wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return false;
  cpuMs += usage.ru_utime.tv_sec * 1E3 + usage.ru_utime.tv_usec * 1E-3 + usage.ru_stime.tv_sec * 1E3 +
           usage.ru_stime.tv_usec * 1E-3;
  return true;
}

// The program started on a saved four-point calculation, its output to
// /dev/null: the time is the clock's from start to exit, the counter
// cpu_ms the process's own processor time (user and system).
void BM_ShowPerProcess(benchmark::State& state) {
  torvacalc::RegisterCalculationFiles();
  const fs::path file = TempPath("show.cvc");
  WaterWorkspace()->Save(file.string());
  double cpu = 0;
  for (auto _ : state)
    if (!RunProgram({"show", file.string()}, cpu)) {
      state.SkipWithError("torvacalc show failed");
      break;
    }
  state.counters["cpu_ms"] = benchmark::Counter(cpu, benchmark::Counter::kAvgIterations);
  fs::remove(file);
}
BENCHMARK(BM_ShowPerProcess)->UseRealTime()->Unit(benchmark::kMillisecond);

// `torvacalc run --batch --json --jobs 2` over 1000 copies of the water
// case as a script starts it: a process of its own, building its two
// calculations and keeping them to its end; items per second are cases
// per second of the clock.
void BM_RunBatchPerProcess(benchmark::State& state) {
  const fs::path dir = TempPath("batch1000");
  fs::create_directories(dir);
  std::vector<std::string> args = {"run", "--batch", "--json", "--jobs", "2"};
  for (int i = 0; i < 1000; ++i) {
    const fs::path c = dir / ("case" + std::to_string(i) + ".case");
    fs::copy_file(WaterCase(), c, fs::copy_options::overwrite_existing);
    args.push_back(c.string());
  }
  double cpu = 0;
  for (auto _ : state)
    if (!RunProgram(args, cpu)) {
      state.SkipWithError("torvacalc run --batch failed");
      break;
    }
  state.SetItemsProcessed(state.iterations() * 1000);
  state.counters["cpu_ms"] = benchmark::Counter(cpu, benchmark::Counter::kAvgIterations);
  fs::remove_all(dir);
}
BENCHMARK(BM_RunBatchPerProcess)->UseRealTime()->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace
BENCHMARK_MAIN();
