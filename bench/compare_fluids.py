#!/usr/bin/python3
"""Valve sizing rate of Torvacalc against python3-fluids, side by side.

Times fluids' size_control_valve_l and size_control_valve_g on IEC 60534-2-1
Annex E example 1 (water, globe valve in line) and example 3 (carbon dioxide,
DN 50 valve, plain and between 80/100 mm reducers), runs the C++ benchmark
binary on the same duties in the same run, and prints sizings per second of
both and their ratio (medians of three repetitions). For each duty the C++
side is tControlValve (BM_Kv*: the setter of the flow and GetKv), its
sizing routines composed as the class composes them, without the result
cache and the setters (BM_RoutinesKv*: the double-precision kernel) and the
calculation module (BM_ModuleKv*).

    TORVACALC_DATA=build /usr/bin/python3 bench/compare_fluids.py [build/bench/bench_valve]

Needs Debian's python3-fluids (apt-get install -y python3-fluids).
"""
import json
import statistics
import subprocess
import sys
import time
import timeit

try:
    from fluids.control_valve import size_control_valve_g, size_control_valve_l
except ImportError:
    sys.exit("python3-fluids is not installed (apt-get install -y python3-fluids)")

# Annex E example 1: water at 363 K, Q = 360 m3/h, p1 = 680 kPa, p2 = 220 kPa,
# FL = 0.90, Fd = 0.46, valve and pipe DN 150. Kv = 165 m3/h.
LIQUID = dict(rho=965.4, Psat=70.1e3, Pc=22120e3, mu=3.1472e-4, P1=680e3, P2=220e3,
              Q=0.1, D1=0.15, D2=0.15, d=0.15, FL=0.9, Fd=0.46)
# Annex E example 3: CO2 at 433 K, 3800 standard m3/h, p1 = 680 kPa,
# p2 = 310 kPa, xT = 0.60, Fd = 0.42, valve DN 50; plain and with reducers.
GAS = dict(T=433., MW=44.01, mu=1.4665e-4, gamma=1.30, Z=0.988, P1=680e3, P2=310e3,
           Q=38 / 36., D1=0.05, D2=0.05, d=0.05, FL=0.85, Fd=0.42, xT=0.60)
GAS_FITTINGS = dict(GAS, D1=0.08, D2=0.1)

# Each fluids duty and the C++ benchmarks that size the same duty.
DUTIES = [
    ("liquid (example 1)", lambda: size_control_valve_l(**LIQUID),
     ["BM_KvLiquid", "BM_RoutinesKvLiquid", "BM_ModuleKvLiquid"]),
    ("gas (example 3)", lambda: size_control_valve_g(**GAS),
     ["BM_KvGas", "BM_RoutinesKvGas", "BM_ModuleKvGas"]),
    # BM_KvGasFittings is the published duty; BM_KvGasWithReducers lets xT
    # follow the opening as well, which fluids does not model.
    ("gas with fittings (example 3)", lambda: size_control_valve_g(**GAS_FITTINGS),
     ["BM_KvGasFittings", "BM_RoutinesKvGasFittings", "BM_KvGasWithReducers"]),
]


def fluids_rate(call, repeats=3):
    """Median sizings per second over `repeats` timings of about 0.3 s each,
    in processor time of this process as Google Benchmark's items_per_second
    is, so that other load on a shared machine does not tilt the ratio."""
    timer = timeit.Timer(call, timer=time.process_time)
    number, _ = timer.autorange()
    number = max(number, 1)
    times = timer.repeat(number=number, repeat=repeats)
    return statistics.median(number / t for t in times)


def cpp_rates(binary, names):
    """Median items per second of the named C++ benchmarks (3 repetitions)."""
    pattern = "^(" + "|".join(names) + ")$"
    out = subprocess.run([binary, "--benchmark_filter=" + pattern, "--benchmark_format=json",
                          "--benchmark_repetitions=3", "--benchmark_report_aggregates_only=true"],
                         check=True, capture_output=True, text=True).stdout
    rates = {}
    for b in json.loads(out)["benchmarks"]:
        if b.get("aggregate_name") == "median":
            rates[b["run_name"]] = b["items_per_second"]
    return rates


def main():
    binary = sys.argv[1] if len(sys.argv) > 1 else "build/bench/bench_valve"
    names = [n for _, _, ns in DUTIES for n in ns]
    cpp = cpp_rates(binary, names)
    print(f"{'duty':32} {'fluids /s':>12} {'benchmark':24} {'C++ /s':>12} {'ratio':>7}")
    for label, call, benches in DUTIES:
        py = fluids_rate(call)
        for name in benches:
            rate = cpp.get(name)
            if rate is None:
                print(f"{label:32} {py:12.0f} {name:24} {'missing':>12}")
                continue
            print(f"{label:32} {py:12.0f} {name:24} {rate:12.0f} {rate / py:7.2f}")
            label = ""


if __name__ == "__main__":
    main()
