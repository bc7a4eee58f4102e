#!/usr/bin/python3
"""Sizings per second through the Python module against python3-fluids,
in the same run, on IEC 60534-2-1 Annex E example 1 (water, globe valve
DN 150, 360 m3/h = 347.544 t/h, 680 -> 220 kPa).

    python3 benchmark_fluids.py [seconds per contestant, default 3]

A torvacalc sizing is the whole module as on the command line: every
item, the flow state, the cavitation indices and the messages; fluids'
size_control_valve_l computes Kv alone. Both results are printed, Kv of
fluids with rho0 of water at 15 degC and of torvacalc with 1000 kg/m3.
"""
import sys
import time

import torvacalc

try:
    from fluids.control_valve import size_control_valve_l
except ImportError:  # apt-get install -y python3-fluids
    size_control_valve_l = None

DUTY = dict(Phase="Flüssigkeit", qm="347.544 t/h", p1="6.8 bar(a)", p2="2.2 bar(a)", t1="90",
            rho1="965.4", pv1="0.701 bar(a)", pc="221.2 bar(a)", eta1="0.3147 mPa s",
            fl2_75="0.81", fd_75="0.46", DNV="150", DN1="150", DN2="150")


def rate(function, seconds):
    """Calls per second of function over about `seconds`, and its result."""
    result, calls, start = function(), 0, time.perf_counter()
    while (elapsed := time.perf_counter() - start) < seconds:
        for _ in range(20):
            function()
        calls += 20
    return calls / elapsed, result


def main(seconds):
    per_second, r = rate(lambda: torvacalc.module("valve", **DUTY), seconds)
    print(f"python {sys.version.split()[0]}, torvacalc {torvacalc.__version__}")
    print(f"torvacalc.module: {per_second:10.0f} sizings/s  Kv = {r['kv'].value:.4f} m3/h")
    if size_control_valve_l is None:
        print("fluids: not installed (apt-get install -y python3-fluids)")
        return
    import fluids
    per_second, kv = rate(lambda: size_control_valve_l(
        rho=965.4, Psat=70.1E3, Pc=22120E3, mu=3.1472E-4, P1=680E3, P2=220E3, Q=0.1,
        D1=0.15, D2=0.15, d=0.15, FL=0.9, Fd=0.46), seconds)
    print(f"fluids {fluids.__version__}:    {per_second:10.0f} sizings/s  Kv = {kv:.4f} m3/h")


if __name__ == "__main__":
    main(float(sys.argv[1]) if len(sys.argv) > 1 else 3.0)
