"""Torvacalc from Python: control valve sizing after IEC 60534-2-1, water
and steam after IAPWS-IF97, the unit table and calculation files.

The calculations are the program's own: ``module("valve", ...)`` builds
the module as ``torvacalc module valve --json ...`` does and reads the same
JSON, so a result equals the command line's output value for value.

    >>> import torvacalc
    >>> r = torvacalc.module("valve", "@examples/liquid.case", p2="2.5 bar(a)")
    >>> r["kv"].value, r["kv"].unit
    >>> torvacalc.water(250, 40)["Rho"]
    >>> torvacalc.convert(20, "°C", "°F")
    68.0

Entries are text with a unit, as on the command line (``p1="6.8 bar(a)"``),
numbers in the basic unit of the item's quantity (``p1=6.8`` is bar
absolute, ``t1=90`` degC), ``True``/``False`` for a two-state switch, an
``int`` for an item number of a switch (``WhatToCalculate=3``) or text
(``Phase="Gas"``). Values that do not exist are ``None``. Bad input raises
``torvacalc.Error`` (a ``ValueError``) with the program's message.

``size_liquid`` and ``size_gas`` size whole NumPy arrays of duties in one
call (see ``torvacalc.sizing``).
"""
import copy
import json
import os
from collections.abc import Mapping
from functools import lru_cache
from pathlib import Path
from typing import NamedTuple, Optional


def _locate_data():
    """Points the library at its databases when nobody else did: the build
    tree's data folder, or PREFIX/share/torvacalc of an installation in
    PREFIX/lib/python3/dist-packages."""
    if os.environ.get("TORVACALC_DATA"):
        return
    here = Path(__file__).resolve().parent
    marker = here / "build_data_dir.txt"
    candidates = []
    if marker.is_file():
        candidates.append(Path(marker.read_text(encoding="utf-8").strip()))
    if len(here.parents) > 3:
        candidates.append(here.parents[3] / "share" / "torvacalc")
    for folder in candidates:
        if (folder / "dictionary.en.tsv").is_file():
            os.environ["TORVACALC_DATA"] = str(folder)
            return


_locate_data()

from . import _core  # noqa: E402  (needs the data folder first)

Error = _core.Error
__version__ = _core.version
__all__ = ["Calculation", "PointMessage", "Value", "Error", "Item", "Message", "Result", "module", "open", "water", "units", "convert",
           "set_language", "size_liquid", "size_gas", "FLOW_STATES"]

# Sizing over arrays needs NumPy; the rest of the package does not.
try:
    from .sizing import FLOW_STATES, Sizing, size_gas, size_liquid  # noqa: E402,F401
except ModuleNotFoundError as missing:
    if missing.name != "numpy":
        raise

_language = None


def set_language(language: Optional[str]) -> None:
    """Texts and messages in German ("de", the default) or English ("en")."""
    global _language
    if language not in (None, "de", "en"):
        raise Error(f'unknown language "{language}" (expected de or en)')
    _language = language


def _json(data):
    return json.loads(data.decode("utf-8", "replace"))


@lru_cache(maxsize=None)
def _item_info(kind, name):
    return _core.item_info(kind, name)


def _number(value):
    return repr(float(value))


def _assignment(kind, name, value):
    """One NAME=TEXT assignment of the command line for an entry."""
    if value is None:
        return f"{name}="
    if isinstance(value, str):
        return f"{name}={value}"
    info = _item_info(kind, name)
    if info is None:  # let the program name the unknown item
        return f"{name}={value}"
    what, _, basic_unit = info
    if what == "switch":
        if isinstance(value, bool):
            return f"{name}={'ja' if value else 'nein'}"
        if isinstance(value, int):
            return f"{name}=#{value}"
        raise Error(f"{name}: a switch takes its item text, an item number or True/False")
    if what == "parameter":
        if isinstance(value, bool) or not isinstance(value, (int, float)) and not hasattr(value, "__float__"):
            raise Error(f"{name}: {value!r} is not a number")
        return f"{name}={_number(value)} {basic_unit}".rstrip()
    return f"{name}={value}"


class Message(NamedTuple):
    """A message of the calculation: number, type, the item it is shown at,
    all items it concerns, priority and text."""
    no: int
    type: str
    item: Optional[str]
    items: tuple
    priority: int
    text: str


class Item:
    """One item of a result. Parameters: ``value`` in ``unit``, ``basic``
    in the basic unit of the quantity, ``si`` in SI, ``state`` of the value;
    switches: ``value`` the selected text and ``index``; texts: ``value``.
    ``relevant`` is False for an item that means nothing for the medium,
    the valve style and the options chosen (left out of the printed form).
    ``messages`` are the messages shown beside the item."""

    __slots__ = ("name", "kind", "value", "unit", "basic", "si", "text", "state", "index",
                 "utilized", "relevant", "messages", "_data")

    def __init__(self, name, data, messages):
        self.name = name
        self._data = data
        self.kind = data["kind"]
        self.text = data.get("text", "")
        self.unit = data.get("unit", "")
        self.basic = data.get("basic")
        self.si = data.get("si")
        self.state = data.get("state")
        self.index = data.get("index")
        self.utilized = data.get("utilized", True)
        self.relevant = data.get("relevant", True)
        self.value = data["value"] if self.kind == "parameter" else self.text
        self.messages = messages

    def __repr__(self):
        unit = f" {self.unit}" if self.unit else ""
        value = "-" if self.value is None else self.value
        return f"<{self.name} = {value}{unit}>"


def _format(value):
    if value is None:
        return "-"
    if isinstance(value, float):
        return f"{value:.6g}"
    return str(value)


class Result(Mapping):
    """A computed calculation module: a mapping of item names (any case) to
    ``Item``s, ``messages``, ``to_dict()`` (the command line's JSON) and
    ``save(path)``."""

    def __init__(self, data, kind=None, assignments=None, path=None):
        self._data = data
        self.kind = kind
        self.module = data["module"]
        self._assignments = assignments
        self._path = path
        self.messages = [Message(m["no"], m["type"], m["item"], tuple(m["items"]), m["priority"], m["text"])
                         for m in data["messages"]]
        self._items = {}
        for name, item in data["items"].items():
            # A message raised at several items is one message naming them all.
            beside = [m for m in self.messages if m.item == name or name in m.items]
            self._items[name] = Item(name, item, beside)
        self._lower = {name.lower(): name for name in self._items}

    def __getitem__(self, name):
        key = name if name in self._items else self._lower.get(str(name).lower())
        if key is None:
            raise KeyError(name)
        return self._items[key]

    def __iter__(self):
        return iter(self._items)

    def __len__(self):
        return len(self._items)

    def to_dict(self):
        """The object ``torvacalc module --json`` prints: module, items, messages."""
        return copy.deepcopy(self._data)

    def save(self, path):
        """Saves the calculation as a calculation file (valve: ``.cvc``)."""
        path = os.fspath(path)
        if self._assignments is not None:
            _core.save_module(self.kind, self._assignments, path, _language or "")
        elif self._path is not None:
            _core.save_as(self._path, path)
        else:
            raise Error("this result does not know its calculation")

    def __repr__(self):
        shown = [i for i in self._items.values() if i.utilized and i.relevant and i.value not in (None, "")]
        params = [(i.name, _format(i.value), i.unit) for i in shown if i.kind == "parameter"]
        others = [(i.name, str(i.value)) for i in shown if i.kind != "parameter"]
        width = max([len(r[0]) for r in params + others] + [4])
        number = max([len(r[1]) for r in params] + [4])
        lines = [self.module]
        lines += [f"  {n.ljust(width)}  {v.rjust(number)}  {u}".rstrip() for n, v, u in params]
        lines += [f"  {n.ljust(width)}  {v}" for n, v in others]
        if self.messages:
            lines.append("messages:")
            for m in self.messages:
                where = f" [{', '.join(m.items)}]" if m.items else ""
                lines.append(f"  {m.no} {m.type[2:]}: {m.text}{where}")
        return "\n".join(lines)

    def _repr_html_(self):
        import html
        rows = "".join(
            f"<tr><td>{html.escape(i.name)}</td><td style='text-align:right'>{html.escape(_format(i.value))}</td>"
            f"<td>{html.escape(i.unit)}</td></tr>"
            for i in self._items.values() if i.utilized and i.relevant and i.value not in (None, ""))
        msgs = "".join(f"<li>{m.no}: {html.escape(m.text)}</li>" for m in self.messages)
        return (f"<b>{html.escape(self.module)}</b><table>{rows}</table>"
                + (f"<ul>{msgs}</ul>" if msgs else ""))


def _check_numbers(result, assignments):
    """Text that is no number leaves a parameter faulty on the command line;
    from Python it is an error."""
    for a in assignments:
        if a.startswith("@") or "=" not in a:
            continue
        name, text = a.split("=", 1)
        try:
            item = result[name.strip()]
        except KeyError:
            continue
        if item.kind == "parameter" and item.state == "vsFaulty":
            raise Error(f'{item.name}: "{text.strip()}" is not a number')


def module(kind, *assignments, **entries):
    """Creates the calculation module ``kind`` ("valve"), applies the
    assignments in order (``"NAME=TEXT"`` or ``"@case file"``, then the
    keyword entries), computes once and returns the ``Result``."""
    args = [os.fspath(a) if isinstance(a, Path) else str(a) for a in assignments]
    args += [_assignment(kind, name, value) for name, value in entries.items()]
    data = _json(_core.module_json(str(kind), args, _language or ""))
    result = Result(data, kind=str(kind), assignments=args)
    _check_numbers(result, args)
    return result


def open(path):  # noqa: A001  (the calculation file counterpart of open)
    """Opens a calculation file, recomputes it and returns the ``Result``."""
    path = os.fspath(path)
    data = _json(_core.show_json(path, _language or ""))
    return Result(data, path=path)


def water(t, P, liquid=None):
    """Properties of water and steam by IAPWS-IF97 at ``t`` degC and ``P``
    bar absolute (``liquid`` chooses the side of the saturation line): a
    dict of the values in the units of ``torvacalc water``, None outside
    the formulation."""
    def number(x):
        return x if isinstance(x, str) else _number(x)
    side = None if liquid is None else ("ja" if liquid else "nein")
    return _json(_core.water_json(number(t), number(P), side, _language or ""))


def units(quantity):
    """The unit names of a quantity (name such as "qPressureBar" or its
    number), the basic unit first."""
    return _core.units(str(quantity))


def convert(value, from_unit, to_unit, quantity=None):
    """``value`` in ``from_unit`` converted into ``to_unit``; the quantity
    is the first of the table with both units unless given (``°C`` is a
    temperature unless ``quantity="qTemperatureDifference"``)."""
    return _core.convert(float(value), from_unit, to_unit, "" if quantity is None else str(quantity))


_POINTS = {1: 0, 2: 1, 3: 2, "1": 0, "2": 1, "3": 2, "X": 3, "x": 3}
_POINT_NAMES = ("1", "2", "3", "X")


def _point(point):
    try:
        return _POINTS[point]
    except (KeyError, TypeError):
        raise Error(f"no operating point {point!r} (1, 2, 3 or 'X')") from None


class Value(NamedTuple):
    """A value of a calculation: ``value`` in ``unit`` (``None`` when there
    is none; the text of a switch or a text item), ``basic`` in the basic
    unit of its quantity, and whether it was ``approximated``."""
    value: object
    unit: str
    basic: Optional[float]
    approximated: bool


class PointMessage(NamedTuple):
    """A message of a whole calculation: the point it concerns ("1", "2",
    "3", "X" or ``None`` for every point), number, type, text and items."""
    point: Optional[str]
    no: int
    type: str
    text: str
    items: tuple


class Calculation:
    """One open whole valve calculation that stays in memory: enter a value,
    read the results of any point, undo and redo, save. Entries follow the rule of
    every front end (a number with an optional unit of the item's quantity,
    a switch's item text, a text).

    >>> calc = Calculation.from_case(str(_example("valve_water.case")))
    >>> round(calc.value("kv", 3).value, 2)
    9.28
    >>> calc.enter("p2", "3 bar(a)", point=3)
    >>> calc.value("p2", 3)
    Value(value=3.0, unit='bar(a)', basic=3.0, approximated=False)
    >>> calc.undo()
    True
    >>> calc.value("p2", 3).value
    2.0
    >>> calc.redo()
    True
    >>> calc.value("p2", 3).value
    3.0
    >>> calc.enter("p2", "sixty", point=2)
    Traceback (most recent call last):
    ...
    torvacalc._core.Error: p2Ap2: [sixty] ist keine Zahl
    """

    def __init__(self):
        """A new calculation: every item at its default."""
        self._w = _core.Workspace()

    @classmethod
    def from_case(cls, path):
        """A new calculation with the entries of a case file (``NAME = TEXT``
        lines, as ``torvacalc run`` reads them)."""
        calc = cls.__new__(cls)
        calc._w = _core.Workspace.for_values()
        calc._w.enter_all(_core.read_case_file(os.fspath(path)))
        return calc

    @classmethod
    def open(cls, path):
        """A calculation file, opened and recomputed."""
        calc = cls.__new__(cls)
        calc._w = _core.Workspace.for_values()
        calc._w.load(os.fspath(path))
        return calc

    def enter(self, name: str, value, point=1) -> None:
        """Enters ``value`` into the item ``name`` of ``point`` (1, 2, 3 or
        "X"): text with a unit (``"6.8 bar(a)"``), a number in the basic
        unit of the item's quantity, True/False for a two-state switch, an
        int for a switch's item number, ``None`` to hand the item back to
        the calculation. One recalculation, one step of undo."""
        kind, basic_unit = self._w.item_info(name, _point(point))
        if value is None:
            text = ""
        elif isinstance(value, str):
            text = value
        elif kind == "switch" and isinstance(value, bool):
            text = "ja" if value else "nein"
        elif kind == "switch" and isinstance(value, int):
            text = f"#{value}"
        elif kind == "parameter" and not isinstance(value, bool):
            text = f"{_number(value)} {basic_unit}".rstrip()
        else:
            text = str(value)
        self._w.enter(name, _point(point), text)

    def value(self, name: str, point=1) -> Value:
        """The value of ``name`` at ``point``."""
        return Value(*self._w.value(name, _point(point)))

    def messages(self, point=None) -> list:
        """The messages, or those of one point (messages that concern
        every point are included)."""
        out = [PointMessage(None if p is None else _POINT_NAMES[p], no, type_, text, tuple(items))
               for p, no, type_, text, items in self._w.messages()]
        if point is None:
            return out
        key = _POINT_NAMES[_point(point)]
        return [m for m in out if m.point in (None, key)]

    def active_points(self) -> tuple:
        """The points that calculate, as ("1", "2", ...)."""
        return tuple(n for n, on in zip(_POINT_NAMES, self._w.active_points()) if on)

    def valve_candidates(self, all_styles=False) -> list:
        """The catalogue's valves for the duty, as dicts: manufacturer,
        series, style, DN, Kvs, rating, travel and LpAa at the points 1, 2,
        3, X (None where a point is off), current (the valve held now) and
        entries (what take_over enters). Of the chosen style unless
        ``all_styles``."""
        return self._w.valve_candidates(all_styles)

    def actuator_candidates(self) -> list:
        """The catalogue's actuators of the chosen kind, as dicts: name,
        manufacturer, type, stroke, thrust, required, margin,
        margin_percent, fits, current, entries."""
        return self._w.actuator_candidates()

    def take_over(self, candidate) -> None:
        """Takes a candidate of valve_candidates or actuator_candidates
        over into the calculation: one step of undo."""
        self._w.enter_steps(list(candidate["entries"]))

    def undo(self) -> bool:
        """Takes back the last entry; False when there is nothing to undo."""
        return self._w.undo()

    def redo(self) -> bool:
        """Makes the last undone entry again; False when there is none
        (a new entry after an undo forgets what could be made again)."""
        return self._w.redo()

    def save(self, path) -> None:
        """Saves the calculation as a calculation file (``.cvc``)."""
        self._w.save(os.fspath(path))


def _example(name):
    """An example case of the source tree (for the docstrings)."""
    here = Path(os.environ.get("TORVACALC_SOURCE_DIR", Path(__file__).resolve().parents[2]))
    return here / "examples" / name
