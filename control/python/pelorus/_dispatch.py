"""Objects created by ProgID and driven by late binding: their members are attributes by name."""

import collections
import ctypes

from . import _abi, _module, _registry, _typelib
from ._errors import DISP_E_OVERFLOW, DISP_E_TYPEMISMATCH, E_NOINTERFACE, S_OK, AutomationError, check
from ._property_bag import PropertyBag


def _argument(value, keep):
    """A VARIANT for value; keep holds what it points at until the call is over."""
    def place(data):
        keep.append(ctypes.create_string_buffer(data))
        return ctypes.addressof(keep[-1])

    variant = _abi.VARIANT()
    if not _abi.fill(variant, value, place):
        if isinstance(value, int):
            raise AutomationError(DISP_E_OVERFLOW, "%d does not fit 32 bits" % value)
        raise AutomationError(DISP_E_TYPEMISMATCH, "cannot pass a %s" % type(value).__name__)
    return variant


def _result(variant):
    try:
        return _abi.value_of(variant)
    finally:
        _abi.variant_clear(variant)


class CDispatch:
    """A control object. Properties read and write as attributes (c.ReaderType = 4); methods are
    called (c.QXOpen()); a property with an argument reads as c.DataIn(5) and writes as
    c.SetDataIn(5, 0x3F). Call it from the thread that created it."""

    def __init__(self, dispatch, type_library, progid):
        object.__setattr__(self, "_dispatch", dispatch)
        object.__setattr__(self, "_typelib", type_library)
        object.__setattr__(self, "_progid", progid)
        object.__setattr__(self, "_ids", {})

    def __repr__(self):
        return "<pelorus.CDispatch %s>" % self._progid

    def __dir__(self):
        names = list(super().__dir__())
        for member in self._typelib.members if self._typelib else []:
            names.append(member.name)
            if member.arguments:
                names.append("Set" + member.name)
        return names

    def _id(self, name):
        if name not in self._ids:
            names = (ctypes.c_char_p * 1)(name.encode("utf-8"))
            dispid = _abi.DISPID()
            check(self._dispatch.GetIDsOfNames(names, 1, ctypes.byref(dispid)), "no member %s" % name)
            self._ids[name] = dispid.value
        return self._ids[name]

    def _invoke(self, name, flags, *arguments):
        keep = []
        array = (_abi.VARIANT * max(len(arguments), 1))(*[_argument(a, keep) for a in arguments])
        result = _abi.VARIANT()
        check(self._dispatch.Invoke(self._id(name), flags, array, len(arguments), ctypes.byref(result)), name)
        return _result(result)

    def _member(self, name):
        return self._typelib.member(name) if self._typelib else None

    def __getattr__(self, name):
        if name.startswith("_"):
            raise AttributeError(name)
        member = self._member(name)
        if member is None and name[:3].lower() == "set":
            indexed = self._member(name[3:])
            if indexed is not None and indexed.arguments:
                return lambda argument, value: self._invoke(indexed.name, _abi.DISPATCH_PROPERTYPUT, argument, value)
        if member is None:
            # Not in the type information: the object still decides.
            self._id(name)
            return self._invoke(name, _abi.DISPATCH_METHOD | _abi.DISPATCH_PROPERTYGET)
        if member.kind == "method":
            return lambda *arguments: self._invoke(member.name, _abi.DISPATCH_METHOD, *arguments)
        if member.arguments:
            return lambda argument: self._invoke(member.name, _abi.DISPATCH_PROPERTYGET, argument)
        return self._invoke(member.name, _abi.DISPATCH_PROPERTYGET)

    def __setattr__(self, name, value):
        if name.startswith("_"):
            raise AttributeError("cannot set %s" % name)
        self._invoke(name, _abi.DISPATCH_PROPERTYPUT, value)

    def _persist(self):
        persist = self._dispatch.query(_abi.IID_IPersistPropertyBag, _abi.IPERSISTPROPERTYBAG)
        if persist is None:
            raise AutomationError(E_NOINTERFACE, "%s does not persist its properties" % self._progid)
        return persist

    def save_properties(self):
        """The persisted properties, in the order the control writes them."""
        persist, bag = self._persist(), PropertyBag()
        try:
            check(persist.Save(bag.address, 1), "Save")
        finally:
            persist.release()
        return collections.OrderedDict(bag.values)

    def load_properties(self, values):
        """Loads persisted properties from a mapping; those it does not hold take their defaults."""
        for name, value in dict(values).items():
            if not isinstance(value, (int, str)):
                raise AutomationError(DISP_E_TYPEMISMATCH, "%s: cannot load a %s" % (name, type(value).__name__))
        persist, bag = self._persist(), PropertyBag(values)
        try:
            check(persist.Load(bag.address), "Load")
        finally:
            persist.release()

    def reset_properties(self):
        """Gives the persisted properties their defaults."""
        persist = self._persist()
        try:
            check(persist.InitNew(), "InitNew")
        finally:
            persist.release()

    def is_modified(self):
        """Whether the persisted state changed since it was last loaded, reset or saved."""
        persist = self._persist()
        try:
            return check(persist.IsDirty(), "IsDirty") == S_OK
        finally:
            persist.release()


def Dispatch(name):
    """Creates the object of the class registered as name (a ProgID, or a class identifier in
    braces) and gives it for late binding. AutomationError when it is not registered or cannot be
    made."""
    clsid = _registry.clsid_of(name)
    values = _registry.class_key(clsid)
    try:
        type_library = _typelib.of_class(clsid) if "TypeLib" in values else None
    except AutomationError:
        type_library = None  # late binding still works by name
    dispatch = _module.create(values["InprocServer"], _abi.GUID.parse(clsid), _abi.IID_IDispatch, _abi.IDISPATCH)
    return CDispatch(dispatch, type_library, values.get("ProgID", clsid))
