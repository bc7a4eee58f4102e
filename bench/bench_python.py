#!/usr/bin/python3
"""What a Python user of Torvacalc waits for, in processor time of this
process (other load on a shared machine does not count), medians of
repeated timeit runs:

1. one edit of an open whole calculation (``torvacalc.Calculation`` on
   examples/valve_water.case) and the reading of Kv: p2 at point 2, T1 at
   point 1; beside it the workspace's own share (the extension's enter
   without the package's Python around it) and the reading alone;
2. sizing over arrays: ``torvacalc.size_liquid`` / ``size_gas`` over 10^5
   duties against python3-fluids' size_control_valve_l / _g called for each
   of the same duties: with Python floats in SI units, prepared before
   the timing (fluids at its fastest), and in brackets with the arrays'
   elements as a loop over them hands them over (NumPy scalars, with
   which fluids' arithmetic is several times slower). Liquid: IEC
   60534-2-1 Annex E example 1 (water, DN 150 in line) with flow and outlet
   pressure spread over normal, cavitating, choked and flashing duties.
   Gas: example 3 (carbon dioxide, DN 50 between 80 and 100 mm pipes) with
   flow and outlet pressure spread over normal and choked duties, and the
   same valve in line for the like-for-like check. Torvacalc sizes long
   arrays on all cores: timed on one core (``threads=1``) in processor
   time, and on all cores by the clock (on a loaded machine the clock's
   figure is worth only what the cores were free).

The Kv of both sides are compared duty by duty against the limits printed
with them, fluids' Kv brought to Torvacalc's constants first: a liquid's
from rho0 of water at 15 degC to 1000 kg/m3 (a factor of 0.99955), a gas's
from the tabulated N9 = 24.6 (IEC 60534-2-1 Table 1, Kv, kPa, K, 0 degC and
1 atm) to its exact value sqrt(10 R) 273.15 K / 101.325 kPa = 24.581 that
mass flow and density give. The limits: 1e-12 where both solve the same
equations; 3 % for the gas between reducers, where fluids gives the often
quoted 72.59 m3/h for example 3 (the published procedure: Y with xT, an
iteration stopped at 1 %) and Torvacalc 70.96 m3/h, the common fixed point
of Kv, FP and xTP with Y = 1 - x/(3 Fgamma xTP) (IEC 60534-2-1 eqs. 12, 16,
18; tests/valves).

    PYTHONPATH=build/python /usr/bin/python3 bench/bench_python.py [duties, default 100000]

Needs Debian's python3-numpy and python3-fluids.
"""
import os
import statistics
import sys
import time
import timeit
from pathlib import Path

import numpy as np

import torvacalc

try:
    from fluids.control_valve import size_control_valve_g, size_control_valve_l
except ImportError:
    sys.exit("python3-fluids is not installed (apt-get install -y python3-fluids)")

R = 8314.462618  # J/(kmol K)
RHO0_RATIO = (999.10329075702327 / 1000) ** 0.5
N9_RATIO = 24.6 / ((10 * R / 1000) ** 0.5 * 273.15 / 101.325)
CASE = Path(__file__).resolve().parents[1] / "examples" / "valve_water.case"


def median_seconds(call, repeats=5, number=None, clock=time.process_time):
    """Median seconds of one call over `repeats` timings of about 0.2 s
    each (or of `number` calls each), by the processor time of this process
    or by `clock`."""
    timer = timeit.Timer(call, timer=clock)
    if number is None:
        number = max(timer.autorange()[0], 1)
    return statistics.median(t / number for t in timer.repeat(number=number, repeat=repeats))


def edits():
    calc = torvacalc.Calculation.from_case(CASE)
    # Back and forth between two entries, so that every call is an edit.
    flips = {"p2": ["6 bar(a)", "5.5 bar(a)"], "T1": ["80", "85"]}

    def edit(name, point):
        texts = flips[name]

        def call():
            texts.reverse()
            calc.enter(name, texts[0], point=point)
            return calc.value("kv", point)
        return call

    def bare(name, point):
        texts, index = flips[name], point - 1

        def call():
            texts.reverse()
            calc._w.enter(name, index, texts[0])
        return call

    print("Calculation.enter + value of kv (water example), median of 5:")
    for name, point in (("p2", 2), ("T1", 1)):
        whole = median_seconds(edit(name, point))
        workspace = median_seconds(bare(name, point))
        reading = median_seconds(lambda point=point: calc.value("kv", point))
        print(f"  {name} at point {point}: {whole * 1e6:5.0f} us; the workspace's enter alone {workspace * 1e6:5.0f} us,"
              f" reading kv {reading * 1e6:5.1f} us")


def per_duty(size, flows, outlets, **fixed):
    """fluids' sizing called for each duty: flow Q in m3/s, outlet P2 in Pa."""
    return lambda: [size(Q=q, P2=p, **fixed) for q, p in zip(flows, outlets)]


def liquid_duties(rng, n):
    Q = rng.uniform(36, 540, n)  # m3/h
    p2 = rng.uniform(0.5, 6.0, n)  # bar(a)
    ours = dict(Q=Q, p2=p2, p1=6.8, rho=965.4, pv=0.701, pc=221.2, FL=0.9, Fd=0.46, DN=150, D1=150, D2=150,
                eta=3.1472e-4)
    theirs = dict(rho=965.4, Psat=70.1e3, Pc=22120e3, mu=3.1472e-4, P1=680e3, D1=0.15, D2=0.15, d=0.15, FL=0.9,
                  Fd=0.46)
    return ours, Q / 3600, p2 * 1e5, size_control_valve_l, theirs


def gas_duties(rng, n, fittings):
    T, M, Z, p1 = 433.0, 44.01, 0.988, 6.8
    Qn = rng.uniform(1000, 4000, n)  # m3/h at 0 degC and 1 atm
    p2 = rng.uniform(1.5, 4.0, n)
    D1, D2 = (80, 100) if fittings else (50, 50)
    ours = dict(Qm=Qn * 101325 * M / (R * 273.15), p2=p2, p1=p1, rho=p1 * 1e5 * M / (Z * R * T), kappa=1.3, xT=0.6,
                FL=0.85, Fd=0.42, DN=50, D1=D1, D2=D2, eta=1.4665e-4)
    theirs = dict(T=T, MW=M, mu=1.4665e-4, gamma=1.3, Z=Z, P1=p1 * 1e5, D1=D1 / 1000, D2=D2 / 1000, d=0.05, FL=0.85,
                  Fd=0.42, xT=0.6)
    return ours, Qn / 3600, p2 * 1e5, size_control_valve_g, theirs


def arrays(n):
    print(f"sizing over {n} duties, median of 5 (torvacalc: one call, processor time on one core, and the "
          f"clock's time on all cores; fluids: one call per duty with Python floats, and [with the arrays' "
          f"elements, NumPy scalars]):")
    rng = np.random.default_rng(60534)
    contests = [("liquid (example 1)", torvacalc.size_liquid, *liquid_duties(rng, n), RHO0_RATIO, 1e-12),
                ("gas (example 3, reducers)", torvacalc.size_gas, *gas_duties(rng, n, True), N9_RATIO, 0.03),
                ("gas (example 3, in line)", torvacalc.size_gas, *gas_duties(rng, n, False), N9_RATIO, 1e-12)]
    for label, size, ours, flows, outlets, theirs, fixed, scale, limit in contests:
        one_core = lambda: size(**ours, threads=1)  # noqa: E731
        all_cores = lambda: size(**ours)  # noqa: E731
        floats = per_duty(theirs, flows.tolist(), outlets.tolist(), **fixed)
        elements = per_duty(theirs, flows, outlets, **fixed)
        result = one_core()
        same = all(np.array_equal(x, y, equal_nan=True) for x, y in zip(result, all_cores()))
        kv = np.array(floats()) * scale
        both = np.isfinite(result.Kv) & np.isfinite(kv)
        difference = np.max(np.abs(result.Kv[both] / kv[both] - 1))
        t_mine, t_floats, t_elements = (median_seconds(f, repeats=5, number=1) for f in (one_core, floats, elements))
        t_wall = median_seconds(all_cores, repeats=5, number=1, clock=time.perf_counter)
        states = ", ".join(f"{torvacalc.FLOW_STATES[s]} {c}" for s, c in enumerate(np.bincount(result.state)) if c)
        verdict = "ok" if difference <= limit and both.all() and same else "DIFFERENT"
        print(f"  {label:26} torvacalc {t_mine * 1e9 / n:4.0f} ns/duty on one core, fluids {t_floats * 1e9 / n:5.0f} "
              f"[{t_elements * 1e9 / n:5.0f}] ns/duty, ratio {t_floats / t_mine:4.1f} [{t_elements / t_mine:4.1f}]")
        print(f"  {'':26} torvacalc on {os.cpu_count()} cores {t_wall * 1e9 / n:4.0f} ns/duty of the clock, "
              f"ratio {t_floats / t_wall:4.1f} [{t_elements / t_wall:4.1f}] (fluids uses one core)")
        print(f"  {'':26} largest Kv difference {difference:.1e} (limit {limit:.0e}: {verdict}); {states}")


def main():
    import fluids
    print(f"python {sys.version.split()[0]}, numpy {np.__version__}, torvacalc {torvacalc.__version__}, "
          f"fluids {fluids.__version__}")
    edits()
    arrays(int(sys.argv[1]) if len(sys.argv) > 1 else 100000)


if __name__ == "__main__":
    main()
