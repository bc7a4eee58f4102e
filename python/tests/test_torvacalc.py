"""The Python module against the command line and published values.

Run by CTest (python_tests) with PYTHONPATH at the build tree's package and
TORVACALC_EXE naming the program built beside it."""
import json
import os
import re
import subprocess
import sys
from pathlib import Path

import pytest

import torvacalc

SOURCE = Path(os.environ.get("TORVACALC_SOURCE_DIR", Path(__file__).resolve().parents[2]))
EXE = os.environ.get("TORVACALC_EXE")
CASES = sorted((SOURCE / "examples").glob("*.case"))
# The module each example case is written for (examples/README.md).
KIND_OF_CASE = {"liquid_noise": "iec2003", "gas_noise": "isa89", "orifice": "resistor",
                "moist_gas_flow": "flow", "characteristics": "characteristics", "pipe": "pipe",
                "desuperheating": "waterinjection", "actuator": "actuator"}
# Cases of the whole calculation (torvacalc run), which the module
# interface does not build.
WHOLE_CALCULATION_CASES = {"points"}


def kind_of(case):
    """The module a case is written for: as its "torvacalc module KIND"
    line says, else by name; None for a whole calculation."""
    text = case.read_text(encoding="utf-8")
    if "torvacalc run" in text or case.stem in WHOLE_CALCULATION_CASES:
        return None
    for word in text.split("torvacalc module ")[1:]:
        return word.split()[0]
    if case.stem.startswith("substance_"):
        return "substances"
    return KIND_OF_CASE.get(case.stem, "valve")


def cli_json(*args):
    if not EXE:
        pytest.skip("TORVACALC_EXE is not set")
    out = subprocess.run([EXE, *args], check=True, capture_output=True).stdout
    return json.loads(out.decode("utf-8"))


def case_entries(path):
    """The assignments of a case file as keyword entries (text with units)."""
    entries = {}
    for line in path.read_text(encoding="utf-8").splitlines():
        line = line.strip()
        if line and not line.startswith("#"):
            name, text = line.split("=", 1)
            entries[name.strip()] = text
    return entries


@pytest.mark.parametrize("case", CASES, ids=[c.stem for c in CASES])
def test_every_example_equals_the_command_line(case):
    kind = kind_of(case)
    if kind is None:
        pytest.skip("a whole calculation: torvacalc run")
    expected = cli_json("module", kind, "--json", f"@{case}")
    assert torvacalc.module(kind, f"@{case}").to_dict() == expected
    assert torvacalc.module(kind, **case_entries(case)).to_dict() == expected


def test_iec_60534_annex_e_example_1():
    # IEC 60534-2-1:2011 Annex E example 1: published Kv 165 m3/h with rho0
    # of water at 15 degC; 164.92 m3/h with rho0 = 1000 kg/m3.
    r = torvacalc.module("valve", f"@{SOURCE / 'examples/liquid.case'}")
    kv = r["kv"]
    assert kv.value == pytest.approx(164.92, abs=0.01)
    assert kv.unit == "m³/h"
    assert kv.si == pytest.approx(kv.basic / 3600, rel=1e-15)
    assert kv.state == "vsNormal"
    assert r["FlowState"].value == "starke Kavitation"
    assert {m.no for m in r["kv"].messages} == {919}


def test_numbers_are_in_the_basic_unit():
    case = SOURCE / "examples/liquid.case"
    text = torvacalc.module("valve", f"@{case}", p2="220 kPa(a)", qm="96.54 kg/s")
    numbers = torvacalc.module("valve", f"@{case}", p2=2.2, qm=347544.0)
    assert numbers["kv"].value == pytest.approx(text["kv"].value, rel=1e-12)
    assert numbers["p2"].unit == "bar(a)"


def test_switches_by_number_text_and_truth():
    case = SOURCE / "examples/gas.case"
    r = torvacalc.module("valve", f"@{case}", WhatToCalculate=3, kv=70, LineSize=True, p2=None)
    assert r["WhatToCalculate"].index == 3
    assert r["LineSize"].index == 1
    assert r["p2"].value is not None


def test_missing_values_are_none():
    r = torvacalc.module("valve", Phase="Gas")
    assert r["kv"].value is None
    assert r["kv"].basic is None
    assert any(m.no == 101 for m in r.messages)


@pytest.mark.parametrize("entries, fragment", [
    ({"nosuchitem": "1"}, 'unknown item "nosuchitem"'),
    ({"p1": "6.8 furlong"}, "p1: Die Einheit [furlong] gehört nicht zur Größe [Druck 1]"),
    ({"p1": "abc bar(a)"}, "p1: [abc] ist keine Zahl"),
    ({"p1": "zwei"}, "p1: [zwei] ist keine Zahl"),
    ({"Phase": "Plasma"}, 'unknown item "Plasma"'),
    ({"WhatToCalculate": 99}, "no item"),
    ({"p1": [1]}, "is not a number"),
])
def test_bad_input_raises_the_programs_message(entries, fragment):
    with pytest.raises(torvacalc.Error, match=re.escape(fragment)):
        torvacalc.module("valve", **entries)


def test_other_bad_input():
    with pytest.raises(torvacalc.Error, match='unknown module kind "pump"'):
        torvacalc.module("pump")
    with pytest.raises(torvacalc.Error, match="no such file"):
        torvacalc.open("/nonexistent/calc.cvc")
    with pytest.raises(torvacalc.Error, match="not a number"):
        torvacalc.water("hot", 1)
    with pytest.raises(torvacalc.Error, match="unknown quantity"):
        torvacalc.units("qNothing")
    with pytest.raises(torvacalc.Error, match="has the units"):
        torvacalc.convert(1, "bar(a)", "K")
    assert isinstance(torvacalc.Error("x"), ValueError)


def test_if97_verification_values():
    # IAPWS-IF97, Table 5 (region 1, T = 300 K, p = 3 MPa) and Table 15
    # (region 2, T = 300 K, p = 0.0035 MPa): v and h.
    liquid = torvacalc.water(26.85, 30, liquid=True)
    assert liquid["V"] == pytest.approx(0.100215168e-2, rel=1e-8)
    assert liquid["h"] == pytest.approx(0.115331273e3, rel=1e-8)
    assert liquid["Range"] == 1
    steam = torvacalc.water(26.85, 0.035, liquid=False)
    assert steam["V"] == pytest.approx(0.394913866e2, rel=1e-8)
    assert steam["h"] == pytest.approx(0.254991145e4, rel=1e-8)
    assert steam["IsSteam"] is True
    assert torvacalc.water(250, 40) == cli_json("water", "--json", "t=250.0", "P=40.0")


def test_units_and_conversions():
    assert torvacalc.units("qPressureBar")[:2] == ["bar(a)", "mbar(a)"]
    assert torvacalc.units(0) == torvacalc.units("qTemperature")
    assert torvacalc.convert(20, "°C", "°F") == pytest.approx(68, abs=1e-12)
    assert torvacalc.convert(9, "°F", "K", quantity="qTemperatureDifference") == pytest.approx(5)
    assert torvacalc.convert(1, "bar(g)", "psi(a)") == pytest.approx(2.01325 / 0.068947572)
    # Beyond a float's range: the command line prints 1e+310 kPa(a).
    with pytest.raises(OverflowError, match=r"1e\+310 kPa\(a\)"):
        torvacalc.convert(1e308, "bar(a)", "kPa(a)")


def test_files_save_and_open(tmp_path):
    r = torvacalc.module("valve", f"@{SOURCE / 'examples/liquid.case'}", p2="3 bar(a)")
    first = tmp_path / "first.cvc"
    r.save(first)
    opened = torvacalc.open(first)
    assert opened.to_dict() == cli_json("show", "--json", str(first))
    assert opened["kv"].value == pytest.approx(r["kv"].value, rel=1e-12)
    second = tmp_path / "second.cvc"
    opened.save(second)
    assert torvacalc.open(second)["p2"].value == pytest.approx(3)
    with pytest.raises(torvacalc.Error, match="cvc"):
        r.save(tmp_path / "wrong.txt")


def test_language_of_texts_and_messages():
    case = f"@{SOURCE / 'examples/liquid.case'}"
    try:
        torvacalc.set_language("en")
        english = torvacalc.module("valve", case)
        assert english.to_dict() == cli_json("--lang", "en", "module", "valve", "--json", case)
        assert english["FlowState"].value == "strong cavitation"
    finally:
        torvacalc.set_language(None)
    assert torvacalc.module("valve", case)["FlowState"].value == "starke Kavitation"


def test_repr_is_a_table_with_units():
    r = torvacalc.module("valve", f"@{SOURCE / 'examples/liquid.case'}")
    text = repr(r)
    assert text.splitlines()[0] == "TCMControlValves"
    assert any(line.split()[:1] == ["kv"] and line.endswith("m³/h") for line in text.splitlines())
    assert "919" in text
    assert "<table>" in r._repr_html_()


def test_the_csv_example_sizes_every_duty(tmp_path):
    example = SOURCE / "python/examples/size_duties.py"
    out = tmp_path / "sized.csv"
    subprocess.run([sys.executable, str(example), str(example.with_name("duties.csv")), str(out)],
                   check=True, capture_output=True)
    rows = out.read_text(encoding="utf-8").splitlines()
    duties = example.with_name("duties.csv").read_text(encoding="utf-8").splitlines()
    assert rows[0] == "tag,kv,unit,flow_state,messages"
    assert [r.split(",")[0] for r in rows] == [d.split(",")[0] for d in duties]
    assert rows[1].startswith("FV-101,164.9,m³/h,starke Kavitation,")
    assert rows[-1].startswith('XV-301,,,,"error: p2: Die Einheit [bärchen]')


def test_a_calculation_kept_open_answers_as_run_does(tmp_path):
    """The workspace a Python user keeps: its values equal the command
    line's, an entry at one point and its undo, the docstring's examples."""
    import doctest
    case = SOURCE / "examples/valve_water.case"
    calc = torvacalc.Calculation.from_case(case)
    points = cli_json("run", "--json", str(case))["points"]
    for i, point in enumerate((1, 2, 3, "X")):
        assert calc.value("kv", point).value == pytest.approx(points[i]["kv"]["value"], rel=1e-12)
    calc.enter("QmAp2", None)
    calc.enter("Qm", 20, point=2)  # a number is in the basic unit, kg/h
    calc.enter("Tag", "FV-101 Süd")  # a header item of the specification sheet
    assert calc.value("Qm", 2).basic == 20
    saved = tmp_path / "w.cvc"
    calc.save(saved)
    reopened = torvacalc.Calculation.open(saved)
    assert reopened.value("Qm", 2).basic == 20
    assert reopened.value("Tag").value == "FV-101 Süd"
    assert all(m.point in (None, "1", "2", "3", "X") for m in calc.messages())
    failures = doctest.DocTestRunner().run(
        doctest.DocTestFinder().find(torvacalc.Calculation, globs={"Calculation": torvacalc.Calculation,
                                                                  "_example": torvacalc._example})[0])
    assert failures.failed == 0


def test_candidates_of_the_catalogues_and_taking_one_over():
    """What `torvacalc choose` lists, and one undo step to take a row over."""
    case = SOURCE / "examples/valve_from_catalogue.case"
    calc = torvacalc.Calculation.from_case(case)
    valves = calc.valve_candidates()
    cli = cli_json("choose", "valve", str(case), "--json")
    assert [(v["series"], v["DN"], v["Kvs"]) for v in valves] == [(v["series"], v["DN"], v["Kvs"]) for v in cli]
    g1l = next(v for v in valves if v["series"] == "Series G1L globe" and v["DN"] == 65)
    calc.take_over(g1l)
    assert calc.value("kvs").value == g1l["Kvs"]
    assert calc.value("h").value == pytest.approx(g1l["travel"][0], rel=1e-9)
    assert calc.undo() and calc.value("VSeries").value == "Series G1 globe"
    fits = [a for a in calc.actuator_candidates() if a["fits"]]
    assert fits[0]["current"] and fits[0]["margin"] == pytest.approx(fits[0]["thrust"] - fits[0]["required"])


# Duties of the example cases with another outlet pressure: Kv and flow
# state over arrays equal the valve module's, element by element (the
# viscous liquid: Kv and state of the non-turbulent procedure).
SIZING_ROWS = [
    ("liquid", dict(p1=6.8, rho=965.4, pv=0.701, pc=221.2, FL=0.9, Fd=0.46, DN=150, D1=150, D2=150,
                    eta=3.147e-4), [2.2, 4.0, 6.5, 0.5], {}),
    ("liquid", dict(p1=6.8, rho=965.4, pv=0.701, pc=221.2, FL=0.9, Fd=0.46, DN=150, D1=150, D2=150,
                    eta=5.0), [2.2, 4.0, 6.5, 0.5], {"eta1": "5 Pa s"}),
    ("gas", dict(p1=6.8, rho=8.41359, kappa=1.3, xT=0.6, FL=0.85, Fd=0.42, DN=50, D1=80, D2=100, eta=1.4665e-4),
     [3.1, 1.5, 5.0, 6.0], {}),
]


@pytest.mark.parametrize("phase,duty,outlet,entries", SIZING_ROWS)
def test_sizing_over_arrays_equals_the_module(phase, duty, outlet, entries):
    import doctest
    import numpy as np
    flow = 347544.0 if phase == "liquid" else 7461.33
    size = torvacalc.size_liquid if phase == "liquid" else torvacalc.size_gas
    # A column of outlet pressures against a row of two flows: the results
    # have the broadcast shape.
    r = size(Qm=np.array([flow, 0.5 * flow]), p2=np.array(outlet)[:, None], **duty)
    assert r.Kv.shape == r.state.shape == (len(outlet), 2)
    torvacalc.set_language("en")
    try:
        for i, p2 in enumerate(outlet):
            for j, qm in enumerate((flow, 0.5 * flow)):
                m = torvacalc.module("valve", f"@{SOURCE / 'examples' / (phase + '.case')}", p2=p2, qm=qm, **entries)
                assert r.Kv[i, j] == pytest.approx(m["kv"].value, rel=1e-12)
                assert torvacalc.FLOW_STATES[r.state[i, j]] == m["FlowState"].value
    finally:
        torvacalc.set_language(None)
    # A long array shared out among threads sizes each duty as one alone.
    q = np.linspace(0.05, 2, 20000) * flow
    one, shared = (size(Qm=q, p2=outlet[0], **duty, threads=t) for t in (1, 3))
    assert np.array_equal(one.Kv, shared.Kv, equal_nan=True) and np.array_equal(one.state, shared.state)
    assert doctest.testmod(torvacalc.sizing).failed == 0


def test_sizing_over_arrays_published_and_missing():
    # IEC 60534-2-1 Annex E examples 1 and 2 (published 165 and 238 m3/h
    # with rho0 of water at 15 degC), example 3 (70.96 m3/h at the fixed
    # point of FP and xTP, see tests/valves), and a duty without p2.
    rho0 = (999.10329075702327 / 1000) ** 0.5
    r = torvacalc.size_liquid(Q=360, p1=6.8, p2=[2.2, 2.2, float("nan")], rho=965.4, pv=0.701, pc=221.2,
                              FL=[0.9, 0.6, 0.9], Fd=[0.46, 0.98, 0.46], DN=[150, 100, 150], nu=3.26e-7)
    assert r.Kv[:2] == pytest.approx([164.9954763704956 * rho0, 238.05817216710483 * rho0], rel=1e-7)
    assert r.state.tolist() == [3, 4, 0] and r.Kv[2] != r.Kv[2]
    g = torvacalc.size_gas(Q=3800 * 101325 * 44.01 / (8314.462618 * 273.15) / 8.41359, p1=6.8, p2=3.1,
                           rho=8.41359, kappa=1.3, xT=0.6, FL=0.85, Fd=0.42, DN=50, D1=80, D2=100, eta=1.4665e-4)
    assert float(g.Kv) == pytest.approx(70.95884001977265, rel=1e-6)
    with pytest.raises(torvacalc.Error, match="either as Q"):
        torvacalc.size_gas(p1=6.8, p2=3.1, rho=8.4, kappa=1.3, xT=0.6, FL=0.85, Fd=0.42, DN=50)
