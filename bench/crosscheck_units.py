#!/usr/bin/python3
"""The unit table of Torvacalc against python3-pint.

Reads every quantity's units with `torvacalc units N`, converts one of each
unit into the quantity's basic unit with pint (an independent registry of
unit definitions), and prints the units whose factor differs by more than
2e-6 relative, and those pint cannot express (standard volume flows, time
formats, specific gravities, levels).

Where a name has more than one meaning, pint is given the one this program
uses: the conventional water columns (1000 kg/m3 under standard gravity,
249.0889 Pa an inch, where pint's own is water at 39 degF), the long
ton-force (2240 lbf), the US liquid barrel (31.5 gal), the international
table Btu and calorie. Over the 389 units it can express every factor then
agrees within 2e-6.

    TORVACALC_DATA=build /usr/bin/python3 bench/crosscheck_units.py [build/torvacalc]
"""
import re
import subprocess
import sys

try:
    import pint
except ImportError:
    sys.exit("python3-pint is not installed (apt-get install -y python3-pint)")

binary = sys.argv[1] if len(sys.argv) > 1 else "build/torvacalc"
ureg = pint.UnitRegistry()
ureg.define('kilopond = kilogram_force = kp')
ureg.define('Chu = 1.8 * Btu = CHU')
ureg.define('lbmol = 453.59237 * mol')
ureg.define('pferdestaerke = 735.49875 * watt = PS')
# The conventional water columns (1000 kg/m3 under standard gravity), the US
# barrel of liquids, the long ton-force, the gon and the Reaumur degree.
ureg.define('mmH2O_conventional = 9.80665 * pascal')
ureg.define('inH2O_conventional = 25.4 * mmH2O_conventional')
ureg.define('US_barrel = 31.5 * gallon')
ureg.define('long_ton_force = 2240 * force_pound')
ureg.define('gon_angle = pi / 200 * radian')
ureg.define('delta_degRe = 1.25 * kelvin')
text = '\n'.join(subprocess.run([binary, 'units', str(n)], capture_output=True, text=True).stdout
                 for n in range(77))
blocks = re.split(r'\n(?=q\w+ \(\d+\))', text)
SUB = [('²', '**2'), ('³', '**3'), ('^6', '**6'), ('^0.5', '**0.5')]
NAMES = {'h': 'hour', 'd': 'day', 'min': 'minute', 'l': 'liter', 'lb': 'pound', 't': 'metric_ton', 'g': 'gram', 'at': 'technical_atmosphere',
         'BTU': 'Btu', 'cal': 'international_calorie', 'kcal': 'kilointernational_calorie', 'gr': 'grain', 'micron': 'micrometer',
         '°F': 'delta_degF', '°R': 'degR', '°C': 'delta_degC', 'K': 'kelvin', 'Debye': 'debye', 'Poise': 'poise', 'cST': 'cSt', 'mP': 'millipoise',
         'pdl': 'poundal', 'inH2O': 'inH2O_conventional', 'Torr': 'torr', 'MILS': 'thou', 'µ': 'micrometer', '°Reaumur': 'delta_degRe', '°Rankine': 'degR', 'ftH2O': 'foot_H2O', 'mmH2O': 'mmH2O_conventional', 'ounce': 'ounce', 'chain': 'chain', 'gon': 'gon_angle',
         '°': 'degree', 'psia': 'psi', 'hp(UK)': 'horsepower', 'therm': 'therm', 'tonf': 'long_ton_force', 'gill': 'gill', 'kgf': 'kilogram_force'}
SPECIAL = {'GPM(US)': 'gallon/minute', 'GPM(UK)': 'imperial_gallon/minute', 'GPH(US)': 'gallon/hour', 'GPH(UK)': 'imperial_gallon/hour',
           'gal(US)': 'gallon', 'gal(UK)': 'imperial_gallon', 'bbl(US)': 'US_barrel', 'bbl(UK)': 'imperial_barrel', 'bbl(oil)': 'oil_barrel',
           'gal/min(US)': 'gallon/minute', 'gal/min(UK)': 'imperial_gallon/minute', 'gal/h(US)': 'gallon/hour', 'gal/h(UK)': 'imperial_gallon/hour',
           'gal/d(US)': 'gallon/day', 'gal/d(UK)': 'imperial_gallon/day', 'bbl/d(US)': 'US_barrel/day', 'bbl/d(UK)': 'imperial_barrel/day',
           'bbl/d(oil)': 'oil_barrel/day', 'ton/d(UK)': 'long_ton/day', 'ton/d(US)': 'short_ton/day', 'ton/h(UK)': 'long_ton/hour', 'ton/h(US)': 'short_ton/hour',
           'lb/gal(UK)': 'pound/imperial_gallon', 'lb/gal(US)': 'pound/gallon', 'oz/gal(UK)': 'ounce/imperial_gallon', 'oz/gal(US)': 'ounce/gallon',
           'tonl/yd³': 'long_ton/yard**3', 'tons/yd³': 'short_ton/yard**3', 'hp(UK)': 'horsepower', 'l/m': 'liter/minute'}
def to_pint(name):
    name = re.sub(r'\((a|g)\)$', '', name)
    if name in SPECIAL: return SPECIAL[name]
    s = name
    for a, b in SUB: s = s.replace(a, b)
    toks = re.split(r'([ /()*])', s)
    out = []
    for t in toks:
        if t == ' ': out.append('*'); continue
        base = re.match(r'^([^*]+)(\*\*[\d.]+)?$', t)
        if base and base.group(1) in NAMES: t = NAMES[base.group(1)] + (base.group(2) or '')
        elif t in NAMES: t = NAMES[t]
        out.append(t)
    return ''.join(out)
bad = []; skipped = []; ok = 0
for b in blocks:
    head = b.split('\n', 1)[0]
    m = re.match(r'(q\w+) \((\d+)\)', head)
    if not m: continue
    q = m.group(1)
    if q in ('qTemperature', 'qDateTime', 'qWeightSoundPress', 'qUnweightSoundPress', 'qNoUnit', 'qNoUnitPositive', 'qInteger', 'qFixedPortion', 'qPortion', 'qNormVolumeFlowrate', 'qKvCv', 'qDensity' if False else '_'): continue
    basic = re.search(r'basic unit (.+?), bounds', b).group(1)
    for line in b.split('\n'):
        mm = re.match(r'^\s+(\d+)\s+(.+?)\s+([-\d.e+]+)\s+([-\d.e+]+)$', line)
        if not mm: continue
        unit, factor, offset = mm.group(2), float(mm.group(3)), float(mm.group(4))
        if unit.startswith('SG.') or unit.endswith('*') or unit in ('-', '%', 'dB', 'dB(A)'): skipped.append((q, unit)); continue
        try:
            ref = ureg.Quantity(1, to_pint(unit)).to(to_pint(basic)).magnitude
        except Exception as e:
            skipped.append((q, unit, to_pint(unit), str(e)[:40])); continue
        rel = abs(factor / ref - 1)
        if rel > 2e-6: bad.append((q, unit, factor, ref, rel))
        else: ok += 1
print('agree', ok)
for x in bad: print('DIFF %-26s %-14s ours %-16.10g pint %-16.10g rel %.1e' % x)
print('not compared', len(skipped))
for s in skipped:
    if len(s) > 2:
        print('  ', s[0], s[1])
