#!/usr/bin/python3
"""Sizings per second through the Python module against python3-fluids,
in the same run:

1. one duty through the whole valve module (``torvacalc.module``: every
   item, the flow state, the cavitation indices and the messages) against
   fluids' size_control_valve_l on IEC 60534-2-1 Annex E example 1 (water,
   globe valve DN 150, 360 m3/h = 347.544 t/h, 680 -> 220 kPa);
2. many duties in one call of ``torvacalc.size_liquid`` / ``size_gas``
   (NumPy arrays through the sizing kernel) against fluids'
   size_control_valve_l / _g called for each of the same duties: example 1
   and example 3 (carbon dioxide, DN 50 between 80/100 mm fittings) with
   flow and outlet pressure spread over the duties;
3. one entry into an open whole calculation (``Calculation.enter``) and
   the reading of a result (``value``) on examples/valve_water.case.

    python3 benchmark_fluids.py [seconds per contestant, default 3] [duties, default 100000]

Kv of fluids is with rho0 of water at 15 degC, of torvacalc with
1000 kg/m3 (a ratio of 0.99955); the largest relative difference over the
duties is printed with the rates.
"""
import sys
import time
from pathlib import Path

import numpy as np

import torvacalc

try:
    from fluids.control_valve import size_control_valve_g, size_control_valve_l
except ImportError:  # apt-get install -y python3-fluids
    size_control_valve_l = size_control_valve_g = None

DUTY = dict(Phase="Flüssigkeit", qm="347.544 t/h", p1="6.8 bar(a)", p2="2.2 bar(a)", t1="90",
            rho1="965.4", pv1="0.701 bar(a)", pc="221.2 bar(a)", eta1="0.3147 mPa s",
            fl2_75="0.81", fd_75="0.46", DNV="150", DN1="150", DN2="150")
R = 8314.462618  # J/(kmol K)
RHO0_RATIO = (999.10329075702327 / 1000) ** 0.5


def rate(function, seconds):
    """Calls per second of function over about `seconds`, and its result."""
    result, calls, start = function(), 0, time.perf_counter()
    while (elapsed := time.perf_counter() - start) < seconds:
        for _ in range(20):
            function()
        calls += 20
    return calls / elapsed, result


def timed(function):
    """Seconds of one call of function (the best of three), and its result."""
    best, result = float("inf"), None
    for _ in range(3):
        start = time.perf_counter()
        result = function()
        best = min(best, time.perf_counter() - start)
    return best, result


def one_duty(seconds):
    per_second, r = rate(lambda: torvacalc.module("valve", **DUTY), seconds)
    print(f"torvacalc.module: {per_second:10.0f} sizings/s  Kv = {r['kv'].value:.4f} m3/h")
    if size_control_valve_l is None:
        return
    per_second, kv = rate(lambda: size_control_valve_l(
        rho=965.4, Psat=70.1E3, Pc=22120E3, mu=3.1472E-4, P1=680E3, P2=220E3, Q=0.1,
        D1=0.15, D2=0.15, d=0.15, FL=0.9, Fd=0.46), seconds)
    print(f"fluids:           {per_second:10.0f} sizings/s  Kv = {kv:.4f} m3/h")


def many_duties(n):
    rng = np.random.default_rng(60534)
    # Example 1 with 36 to 540 m3/h and 0.5 to 6 bar(a) behind the valve:
    # turbulent, cavitating and choked duties.
    Q = rng.uniform(36, 540, n)
    p2 = rng.uniform(0.5, 6.0, n)
    liquid = dict(p1=6.8, rho=965.4, pv=0.701, pc=221.2, FL=0.9, Fd=0.46, DN=150, D1=150, D2=150, eta=3.1472e-4)
    # Example 3 with 1000 to 4000 m3/h at 0 degC and 1 atm and 1.5 to 4
    # bar(a) behind the valve: normal and choked duties for which the DN 50
    # valve is of a sensible size (Kv up to about 110 m3/h, FP above 0.7).
    T, M, Z, p1 = 433.0, 44.01, 0.988, 6.8
    Qs = rng.uniform(1000, 4000, n)
    p2g = rng.uniform(1.5, 4.0, n)
    gas = dict(p1=p1, rho=p1 * 1e5 * M / (Z * R * T), kappa=1.3, xT=0.6, FL=0.85, Fd=0.42, DN=50, D1=80, D2=100,
               eta=1.4665e-4)
    contests = [
        ("liquid (example 1)", lambda: torvacalc.size_liquid(Q=Q, p2=p2, **liquid),
         lambda i: size_control_valve_l(rho=965.4, Psat=70.1e3, Pc=22120e3, mu=3.1472e-4, P1=680e3, P2=p2[i] * 1e5,
                                        Q=Q[i] / 3600, D1=0.15, D2=0.15, d=0.15, FL=0.9, Fd=0.46)),
        ("gas (example 3, fittings)", lambda: torvacalc.size_gas(Qm=Qs * 101325 * M / (R * 273.15), p2=p2g, **gas),
         lambda i: size_control_valve_g(T=T, MW=M, mu=1.4665e-4, gamma=1.3, Z=Z, P1=p1 * 1e5, P2=p2g[i] * 1e5,
                                        Q=Qs[i] / 3600, D1=0.08, D2=0.1, d=0.05, FL=0.85, Fd=0.42, xT=0.6)),
    ]
    for label, ours, theirs in contests:
        seconds, result = timed(ours)
        line = f"{label:26} {n} duties: torvacalc {n / seconds:10.0f} /s ({seconds * 1e3:.1f} ms)"
        if size_control_valve_l is not None:
            start = time.perf_counter()
            kv = np.array([theirs(i) for i in range(n)])
            fluids_seconds = time.perf_counter() - start
            difference = np.nanmax(np.abs(result.Kv / (kv * RHO0_RATIO) - 1))
            line += (f", fluids {n / fluids_seconds:8.0f} /s, ratio {fluids_seconds / seconds:6.1f}"
                     f", largest Kv difference {difference:.1e}")
        print(line)


def open_calculation(seconds):
    case = Path(__file__).resolve().parents[2] / "examples" / "valve_water.case"
    calc = torvacalc.Calculation.from_case(case)
    texts = ["5.5 bar(a)", "6 bar(a)"]

    def edit():
        texts.reverse()
        calc.enter("p2", texts[0], point=2)
        return calc.value("kv", 2)

    per_second, value = rate(edit, seconds)
    print(f"Calculation.enter + value: {1e3 / per_second:.3f} ms  (kv at point 2 = {value.value:.3f} {value.unit})")

    def edit_t1():
        texts.reverse()
        calc.enter("T1", "80" if texts[0] == "6 bar(a)" else "85")
        return calc.value("kv")

    per_second, value = rate(edit_t1, seconds)
    print(f"  the same with T1 of point 1: {1e3 / per_second:.3f} ms")


def main(seconds, n):
    import platform
    fluids_version = "not installed (apt-get install -y python3-fluids)"
    if size_control_valve_l is not None:
        import fluids
        fluids_version = fluids.__version__
    print(f"python {platform.python_version()}, numpy {np.__version__}, torvacalc {torvacalc.__version__}, "
          f"fluids {fluids_version}")
    one_duty(seconds)
    many_duties(n)
    open_calculation(seconds)


if __name__ == "__main__":
    main(float(sys.argv[1]) if len(sys.argv) > 1 else 3.0, int(sys.argv[2]) if len(sys.argv) > 2 else 100000)
