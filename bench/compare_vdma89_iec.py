#!/usr/bin/python3
"""VDMA 24422 (1989) valve noise of Torvacalc against its IEC methods.

Runs water duties (DN 25 to 150, x below and above incipient cavitation)
through `torvacalc module vdma89` and `module iec2003` (IEC 60534-8-4:2015),
and air and steam duties (DN 50 to 150, regimes I to IV) through `vdma89`
and `isa89` (IEC 60534-8-3:2010), with the sample catalogue's VDMA
coefficients (f1 -6, f2 0.5; g1 -4, g2 1.8). Prints per duty the internal
sound power levels, the external levels LpAa, their difference and the
part of it that is not the difference of the internal powers (the path
through the pipe wall). The liquid rows also give the 1989 level with
equal band shares (no Fd). docs/noise.md quotes the figures.

    TORVACALC_DATA=build /usr/bin/python3 bench/compare_vdma89_iec.py [build/torvacalc]
"""
import json
import math
import subprocess
import sys

EXE = sys.argv[1] if len(sys.argv) > 1 else "build/torvacalc"
# EN 10220 pipes: outside diameter and wall, mm.
PIPES = {25: (33.7, 2.6), 50: (60.3, 2.9), 100: (114.3, 3.6), 150: (168.3, 4.5)}
WALL = {"rhoP": 7800, "cPipe": 5000}


def run(kind, items):
    args = [EXE, "--lang", "en", "module", kind, "--json"]
    args += [f"{k}={v}" for k, v in items.items()]
    out = subprocess.run(args, capture_output=True, text=True, check=False).stdout
    values = json.loads(out)["items"]
    return lambda name: (values.get(name) or {}).get("value")


def fmt(v):
    return "     -" if v is None else f"{v:6.1f}"


def diff(a, b):
    return None if a is None or b is None else a - b


def liquids():
    print("water: DN x  Lwi89 Lwi84 LpAa89 LpAa84 dLpAa wall  equal-shares")
    kv = {25: 8, 50: 32, 100: 125, 150: 280}
    for dn in (25, 50, 100, 150):
        do, t = PIPES[dn]
        for x in (0.1, 0.2, 0.3, 0.45, 0.6, 0.75):
            p1, pv, rho = 10, 0.0234, 998
            p2 = p1 - x * (p1 - pv)
            qm = kv[dn] * math.sqrt((p1 - p2) / (rho / 1000)) * rho
            duty = dict(Phase="Flüssigkeit", qm=qm, p1=p1, p2=p2, rho1=rho, pv1=pv, kv=kv[dn],
                        ValveDN=dn, DiP=do - 2 * t, tP=t, fl2=0.81, zy=0.3, **WALL)
            a = run("vdma89", dict(duty, f1=-6, f2=0.5, Cf2=1480, fd=0.46))
            flat = run("vdma89", dict(duty, f1=-6, f2=0.5, Cf2=1480))
            b = run("iec2003", dict(duty, cf1=1480, fd=0.46))
            d = diff(a("LpAa"), b("LpAa"))
            wall = diff(d, diff(a("Lwi"), b("Lwi")))
            print(f"{dn:9d} {x:4.2f} {fmt(a('Lwi'))} {fmt(b('Lwi'))} {fmt(a('LpAa'))} "
                  f"{fmt(b('LpAa'))} {fmt(d)} {fmt(wall)} {fmt(diff(flat('LpAa'), b('LpAa')))}")


def gases():
    print("gas: DN p2  Lwi89 Lwi83 LpAa89 LpAa83 dLpAa wall  regime Mach")
    kv = {50: 8, 100: 32, 150: 72}
    media = {"air": (20, 11.9, 1.4, 343.2), "steam": (200, 4.86, 1.3, 520)}
    for medium, (t1, rho1, k, c2) in media.items():
        for dn in (50, 100, 150):
            do, t = PIPES[dn]
            for p2 in (8, 6, 4, 2):
                p1, xt = 10, 0.72
                # The valve's flow at the pressure ratio (IEC 60534-2-1, Y and
                # the choked ratio Fk xT).
                fk = k / 1.4
                xc = min((p1 - p2) / p1, fk * xt)
                y = 1 - xc / (3 * fk * xt)
                qm = kv[dn] * 31.6 * y * math.sqrt(xc * p1 * rho1)
                duty = dict(Phase="Gas", qm=qm, p1=p1, p2=p2, t1=t1, t2=t1, rho1=rho1, kappa1=k,
                            Cf2=c2, kv=kv[dn], ValveDN=dn, DiP=do - 2 * t, tP=t, fl2=0.81, **WALL)
                a = run("vdma89", dict(duty, xCr=xt, g1=-4, g2=1.8))
                b = run("isa89", dict(duty, fd=0.46))
                d = diff(a("LpAa"), b("LpAa"))
                wall = diff(d, diff(a("Lwi"), b("Lwi")))
                print(f"{medium:5s} {dn:3d} {p2:3d} {fmt(a('Lwi'))} {fmt(b('Lwi'))} "
                      f"{fmt(a('LpAa'))} {fmt(b('LpAa'))} {fmt(d)} {fmt(wall)} "
                      f"{b('Regime')} {b('MaDN'):.2f}")


liquids()
gases()
