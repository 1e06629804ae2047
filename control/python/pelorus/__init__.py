"""pelorus: the scripting host of the Pelorus control, over its module's C ABI.

    import pelorus
    c = pelorus.Dispatch("Pelorus.PelorusCtrl.1")
    c.ReaderType = pelorus.constants.KITE_AUTODETECT
    if c.QXOpen() == 0:
        c.CardType = pelorus.constants.QX_T0
        print(c.QXStartSession(), c.ATR)

Dispatch() finds the class in the per-user registry ($XDG_DATA_HOME/pelorus/, where
pelorus-regsvr puts it), loads its module and creates the object through its class factory.
constants holds the enumerators of every registered type library by name; typelib() gives a
class's type information. Every failure raises AutomationError, whose .hresult is the result code.
"""

from ._dispatch import CDispatch, Dispatch
from ._errors import AutomationError, UnknownNameError
from ._registry import registered_classes
from . import _registry, _typelib


def typelib(name):
    """The type library of the class a ProgID or {CLSID} names: its members (name, dispid, kind,
    type, arguments) in the type library's order, and its enumerations with their constants."""
    return _typelib.of_class(name)


class _Constants:
    """The enumerators of the registered type libraries, as attributes: constants.QX_COM1."""

    def _all(self):
        values = {}
        for entry in _registry.registered_classes():
            if "TypeLib" in entry:
                try:
                    values.update(_typelib.load(_registry.type_library_file(entry["TypeLib"],
                                                                            entry.get("Version", "1.0"))).constants())
                except AutomationError:
                    continue
        return values

    def __getattr__(self, name):
        if name.startswith("_"):
            raise AttributeError(name)
        values = self._all()
        if name not in values:
            raise AttributeError("no registered type library has a constant %s" % name)
        return values[name]

    def __dir__(self):
        return sorted(self._all())


constants = _Constants()

__all__ = ["AutomationError", "CDispatch", "Dispatch", "UnknownNameError", "constants", "registered_classes",
           "typelib"]
