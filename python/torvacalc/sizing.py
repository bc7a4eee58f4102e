"""Many sizings in one call: Kv and the flow state of every duty of NumPy
arrays, after IEC 60534-2-1, through the program's own sizing kernel (the
one the valve module sizes with, in double precision).

Inputs broadcast as in NumPy: scalars and arrays of any compatible shapes;
the results have the broadcast shape. Units are those of the valve module's
basic units: flows in m³/h (``Q``, at the inlet density) or kg/h (``Qm``),
pressures in bar absolute, densities in kg/m³, dynamic viscosity in Pa s
(``eta``) or kinematic in m²/s (``nu``), sizes in mm. Valve factors are
taken as constant over the opening; Kc is 0.7 FL², the onset of cavitation
xFz follows the valve database's rule. Without pipe diameters ``D1``,
``D2`` the valve is the size of its pipe; with them, the reducers' FP and
(FLP/FP)² or xTP apply (IEC 60534-2-1, eqs. 15 to 18). A duty without a
solution (a missing input, a flow beyond the reducers' capacity) has
``Kv`` NaN and the state 0 ("undetermined").

Long arrays are sized on all of the processor's cores; ``threads`` sets how
many (1: in the calling thread). The answers are the same whatever the
number: each duty is sized on its own.

    >>> import numpy as np
    >>> r = size_liquid(Q=360, p1=6.8, p2=[2.2, 2.2], rho=965.4, pv=0.701,
    ...                 pc=221.2, FL=[0.9, 0.6], Fd=[0.46, 0.98],
    ...                 DN=[150, 100], nu=3.26e-7)
    >>> r.Kv.round(2)
    array([164.92, 237.95])
    >>> [FLOW_STATES[s] for s in r.state]
    ['strong cavitation', 'maximum cavitation']
"""
from typing import NamedTuple, Optional

import numpy as np
from numpy.typing import ArrayLike, NDArray

from . import _core

__all__ = ["FLOW_STATES", "Sizing", "size_liquid", "size_gas"]

# The flow states by their codes, named as the valve module's FlowState
# names them in English (its item numbers are these codes).
FLOW_STATES = ("undetermined", "normal", "incipient cavitation", "strong cavitation", "maximum cavitation",
               "flashing", "choked flow", "cavitation damage", "incipient cavitation (Sigma mr)",
               "strong cavitation (Sigma mr)")


class Sizing(NamedTuple):
    """``Kv`` in m³/h (NaN where no Kv exists) and ``state``, the flow
    state codes (names in ``FLOW_STATES``)."""
    Kv: NDArray[np.float64]
    state: NDArray[np.int8]


_NONE = float("nan")


def _size(gas: bool, Q, Qm, rho, eta, nu, rho2, threads, **columns) -> Sizing:
    if (Q is None) == (Qm is None):
        raise _core.Error("give the flow either as Q (m³/h) or as Qm (kg/h)")
    if eta is not None and nu is not None:
        raise _core.Error("give the viscosity either as eta (Pa s) or as nu (m²/s)")
    rho = np.asarray(rho, dtype=float)
    mass = np.asarray(Qm, dtype=float) if Q is None else np.asarray(Q, dtype=float) * rho
    viscosity = (np.asarray(nu, dtype=float) * rho if nu is not None
                 else _NONE if eta is None else np.asarray(eta, dtype=float))
    if rho2 is None:
        # The outlet density enters only the non-turbulent procedure: a
        # liquid keeps its density, a gas expands at constant temperature.
        rho2 = rho * np.asarray(columns["p2"], dtype=float) / np.asarray(columns["p1"], dtype=float) if gas else rho
    names = ("p1", "p2", "pv", "pc", "kappa", "FL", "xT", "Fd", "DN", "D1", "D2")
    values = [mass, columns["p1"], columns["p2"], rho, rho2] + [columns[n] for n in names[2:]] + [viscosity]
    arrays = np.broadcast_arrays(*[np.asarray(v, dtype=float) for v in values])
    shape = arrays[0].shape
    # One dimension: the broadcast views go as they are (a scalar with
    # stride 0), otherwise flattened.
    columns = arrays if len(shape) == 1 else [np.ascontiguousarray(a).ravel() for a in arrays]
    kv, state = _core.size_duties(gas, *columns, threads=threads)
    return Sizing(kv.reshape(shape), state.reshape(shape))


def size_liquid(*, p1: ArrayLike, p2: ArrayLike, rho: ArrayLike, pv: ArrayLike, pc: ArrayLike, FL: ArrayLike,
                Fd: ArrayLike, DN: ArrayLike, Q: Optional[ArrayLike] = None, Qm: Optional[ArrayLike] = None,
                D1: ArrayLike = _NONE, D2: ArrayLike = _NONE, eta: Optional[ArrayLike] = None,
                nu: Optional[ArrayLike] = None, threads: int = 0) -> Sizing:
    """Kv and flow state of liquid duties: flow ``Q`` (m³/h) or ``Qm``
    (kg/h), ``p1``, ``p2``, vapour pressure ``pv`` and critical pressure
    ``pc`` in bar(a), density ``rho`` in kg/m³, recovery factor ``FL``,
    valve style modifier ``Fd``, valve size ``DN`` and pipe diameters
    ``D1``, ``D2`` in mm, viscosity ``eta`` (Pa s) or ``nu`` (m²/s;
    without either the flow counts as turbulent). A choked flow is sized
    with the choked pressure drop FL² (p1 - FF pv) (IEC 60534-2-1, eq. 3).

    IEC 60534-2-1 Annex E example 1 (water at 90 °C) through a valve DN 80
    between a reducer of 100 mm and an expander of 90 mm, choked at 2.2 bar
    and cavitating at 4 bar behind the valve:

    >>> r = size_liquid(Q=360, p1=6.8, p2=[2.2, 4.0], rho=965.4, pv=0.701,
    ...                 pc=221.2, FL=0.9, Fd=0.46, DN=80, D1=100, D2=90)
    >>> r.Kv.round(2)
    array([177.78, 239.44])
    >>> r.state.tolist()
    [4, 2]
    """
    return _size(False, Q, Qm, rho, eta, nu, None, threads, p1=p1, p2=p2, pv=pv, pc=pc, kappa=_NONE, FL=FL,
                 xT=_NONE, Fd=Fd, DN=DN, D1=D1, D2=D2)


def size_gas(*, p1: ArrayLike, p2: ArrayLike, rho: ArrayLike, kappa: ArrayLike, xT: ArrayLike, FL: ArrayLike,
             Fd: ArrayLike, DN: ArrayLike, Q: Optional[ArrayLike] = None, Qm: Optional[ArrayLike] = None,
             D1: ArrayLike = _NONE, D2: ArrayLike = _NONE, eta: Optional[ArrayLike] = None,
             nu: Optional[ArrayLike] = None, rho2: Optional[ArrayLike] = None, threads: int = 0) -> Sizing:
    """Kv and flow state of gas and vapour duties: flow ``Q`` (m³/h at the
    inlet) or ``Qm`` (kg/h), ``p1``, ``p2`` in bar(a), inlet density
    ``rho`` in kg/m³, isentropic exponent ``kappa``, pressure differential
    ratio factor ``xT``, ``FL``, ``Fd``, ``DN``, ``D1``, ``D2`` in mm,
    viscosity ``eta`` (Pa s) or ``nu`` (m²/s), outlet density ``rho2``
    (by default ``rho p2/p1``; it serves the non-turbulent procedure only).
    Beyond x = Fgamma xTP the flow is choked and sized with Y = 2/3
    (IEC 60534-2-1, eqs. 8, 12).

    Carbon dioxide of IEC 60534-2-1 Annex E example 3 (433 K, 680 kPa,
    3800 m³/h at 0 °C and 1 atm), DN 50 between pipes of 80 and 100 mm, and
    the same choked at 1.5 bar:

    >>> r = size_gas(Qm=7461.33, p1=6.8, p2=[3.1, 1.5], rho=8.41359, kappa=1.3,
    ...              xT=0.6, FL=0.85, Fd=0.42, DN=50, D1=80, D2=100, eta=1.4665e-4)
    >>> r.Kv.round(2)
    array([70.96, 70.82])
    >>> [FLOW_STATES[s] for s in r.state]
    ['normal', 'choked flow']
    """
    return _size(True, Q, Qm, rho, eta, nu, rho2, threads, p1=p1, p2=p2, pv=_NONE, pc=_NONE, kappa=kappa, FL=FL, xT=xT,
                 Fd=Fd, DN=DN, D1=D1, D2=D2)
