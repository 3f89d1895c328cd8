"""Kelvara's instrument controls for PyQt6.

Every control and style object of the library is a class of the same name here (TKvMeter,
TKvBevel ...), a PyQt6 QWidget or QObject; its methods, slots and signals keep their C++
names. The enumerations live in the namespaces of their units (kelvara.KvControls.
TKvOrientation) and, as in C++, under their own names too (kelvara.TKvOrientation). An error a
control raises arrives as kelvara.KvError with the control's message.
"""

from PyQt6 import QtWidgets as _QtWidgets  # noqa: F401  (the module's types rest on it)

from ._kelvara import *  # noqa: F401,F403
from . import _kelvara


def _enumerations():
    """The enumerations of the units' namespaces, by their own names."""
    import enum

    for unit in vars(_kelvara).values():
        if isinstance(unit, type) and not issubclass(unit, enum.Enum):
            for name, value in vars(unit).items():
                if isinstance(value, type) and issubclass(value, enum.Enum):
                    yield name, value


globals().update(dict(_enumerations()))
del _enumerations
