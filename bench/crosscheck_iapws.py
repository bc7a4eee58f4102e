#!/usr/bin/python3
"""Water and steam of Torvacalc against python3-iapws over random states.

Draws states from 0 to 2000 degC and 0.01 to 1000 bar (a fifth of them
around the critical point, a tenth within 1E-6 to 1E-2 of the saturation
pressure between 350 degC and the critical temperature, where region 3
holds liquid and vapour side by side), computes each with
`torvacalc water --json` and with iapws' IAPWS97 class (an independent
implementation of IAPWS-IF97), and prints per property the largest
relative difference and where it occurred. Torvacalc prints 12 significant
digits, so agreement shows as differences of a few 1e-12.

States that iapws places in region 5 above 100 bar are counted apart:
Torvacalc keeps the high-temperature region to the 10 MPa of the 1997
release and shows no values there. Viscosity and thermal conductivity are
not compared (Torvacalc uses the IAPWS 1985 industrial formulations).

    TORVACALC_DATA=build /usr/bin/python3 bench/crosscheck_iapws.py [build/torvacalc] [states] [seed]
"""
import json
import math
import random
import subprocess
import sys

try:
    from iapws import IAPWS97
except ImportError:
    sys.exit("python3-iapws is not installed (apt-get install -y python3-iapws)")

# Torvacalc's name, iapws' attribute.
PROPERTIES = [("Rho", "rho"), ("h", "h"), ("s", "s"), ("cp", "cp"), ("cv", "cv"), ("cf", "w")]


def main():
    binary = sys.argv[1] if len(sys.argv) > 1 else "build/torvacalc"
    count = int(sys.argv[2]) if len(sys.argv) > 2 else 1000
    rnd = random.Random(int(sys.argv[3]) if len(sys.argv) > 3 else 1)
    worst = {name: (0.0, None) for name, _ in PROPERTIES}
    regions, beyond, missing = {}, 0, []
    for _ in range(count):
        band = rnd.random()
        if band < 0.1:  # region 3 beside the saturation line, either side
            t = rnd.uniform(350.01, 373.94)
            off = 10 ** rnd.uniform(-6, -2) * rnd.choice((-1, 1))
            P = IAPWS97(T=t + 273.15, x=0).P * 10 * (1 + off)
        elif band < 0.2:
            t, P = rnd.uniform(800, 2000), 10 ** rnd.uniform(-2, math.log10(500))
        elif band < 0.4:  # around the critical point: region 3 and its borders
            t, P = rnd.uniform(340, 440), rnd.uniform(160, 450)
        else:
            t, P = rnd.uniform(0, 800), 10 ** rnd.uniform(-2, 3)
        try:
            ref = IAPWS97(T=t + 273.15, P=P / 10)
        except Exception:  # outside iapws' range
            continue
        if ref.region not in (1, 2, 3, 5):
            continue
        if ref.region == 5 and P > 100:
            beyond += 1
            continue
        regions[ref.region] = regions.get(ref.region, 0) + 1
        liquid = "ja" if ref.region == 1 or (ref.region == 3 and ref.rho > 322) else "nein"
        out = subprocess.run([binary, "water", "--json", f"t={t!r}", f"P={P!r}", "Liquid=" + liquid],
                             capture_output=True, text=True, check=True).stdout
        ours = json.loads(out)
        for name, attr in PROPERTIES:
            mine, theirs = ours.get(name), getattr(ref, attr)
            if mine is None:
                missing.append((name, t, P, ref.region))
                continue
            error = abs(mine / theirs - 1)
            if error > worst[name][0]:
                worst[name] = (error, (round(t, 3), round(P, 4), ref.region))
    print("states per region:", dict(sorted(regions.items())),
          f"(and {beyond} in region 5 above 100 bar, not computed by Torvacalc)")
    for name, (error, where) in worst.items():
        print(f"{name:4} max relative difference {error:.1e} at (t, P, region) = {where}")
    if missing:
        print(f"{len(missing)} values missing in Torvacalc inside its range, first: {missing[:3]}")


if __name__ == "__main__":
    main()
